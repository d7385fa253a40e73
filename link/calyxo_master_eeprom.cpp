// The master's EEPROM operations: uploads of a setup file's station, of a
// serial number and of the COM settings page, downloads with their decoding
// into the operator's settings or the pulse-meter constants.
#include <cstring>

#include "base/log.h"
#include "base/xml.h"
#include "data/eeprom_generator.h"
#include "data/setup.h"
#include "link/calyxo_master.h"
#include "link/main_window_port.h"
#include "link/module_resource.h"

namespace {

constexpr unsigned COM_SETTINGS_PAGE = 6;
constexpr uint8_t COM_SETTINGS_MASK = 0x40;
constexpr unsigned merge_limit = 250;
// Below this a data size is no setting of the operator's.
constexpr unsigned min_gprs_data_size = 100;

enum : unsigned char {
    TAG_HTTP_URL = 118,
    TAG_USERNAME = 119,
    TAG_PASSWORD = 120,
    TAG_APN_USERNAME = 121,
    TAG_APN_PASSWORD = 122,
    TAG_APN = 123,
    TAG_HTTP_HOST_PORT = 124,
    TAG_PIN_CODE = 131,
    TAG_ACQ_INTERVAL = 133,
    TAG_GSM_INTERVAL = 134,
    TAG_GPRS_MAX_DATA_SIZE = 140,
};

struct Ttext_record {
    unsigned char tag;
    const char* key;  // of the log line and the COM settings page
    Tmy_string Tcalyxo_master::*setting;
};

const Ttext_record text_records[] = {
    {TAG_HTTP_URL, "HTTP_URL", &Tcalyxo_master::http_url},
    {TAG_APN_USERNAME, "APN_USERNAME", &Tcalyxo_master::apn_username},
    {TAG_APN_PASSWORD, "APN_PASSWORD", &Tcalyxo_master::apn_password},
    {TAG_APN, "APN", &Tcalyxo_master::apn},
    {TAG_USERNAME, "USERNAME", &Tcalyxo_master::username},
    {TAG_PASSWORD, "PASSWORD", &Tcalyxo_master::password},
};

// The CONFIGURATION block of a setup text with that value, anywhere in the tree.
Txml_element find_configuration(Txml_element node, const char* value)
{
    for (Txml_element child = xml_FirstChildEntity(node); child; child = xml_NextEntity(child)) {
        if (xml_IsEntity(child, "CONFIGURATION") && xml_AttributeIs(child, "value", value))
            return child;
        if (Txml_element found = find_configuration(child, value))
            return found;
    }
    return nullptr;
}

}  // namespace

int Tcalyxo_master::start_eeprom_upload_file(const char* path)
{
    const int result = setup.readFile(path);
    if (result != 0)
        return result;
    Tstation* station = setup.stations.getFirst();
    if (!station)
        return 1;
    if (refuseStart(true))
        return UPLOAD_REFUSED;
    upload_control = true;
    beginUpload(station->configuration, START_EEPROM_UPLOAD);
    return 0;
}

int Tcalyxo_master::start_program_snr(uint32_t snr)
{
    if (refuseStart(true))
        return UPLOAD_REFUSED;
    myXMLdocument doc("STATION");
    Txml_element configuration = xml_NewEntity(doc.root, "CONFIGURATION");
    xml_SetAttributeInt(configuration, "value", 7);
    Tmy_string text;
    text.printf("%u", snr);
    xml_SetAttribute(xml_NewEntity(configuration, "STATION_ID"), "value", text.c_str());
    Teeprom_configurer image;
    if (image.parseStation(doc.root, 0, "", false) != 0) {
        log_printf("ERROR : %s : the serial number %u does not compile", nameText(), snr);
        return 0;
    }
    upload_control = false;
    beginUpload(image, START_EEPROM_UPLOAD);
    log_printf("INFO  : Programming SNR %d", static_cast<int>(snr));
    return 0;
}

bool Tcalyxo_master::start_eeprom_download(uint8_t mask, uint8_t mode)
{
    if (refuseStart(true))
        return true;
    eeprom_page_mask = mask;
    decode_mode = mode;
    begin(START_EEPROM_DOWNLOAD);
    return false;
}

bool Tcalyxo_master::start_com_settings_upload()
{
    if (refuseStart(true))
        return true;
    Teeprom_generator page;
    page.clear();
    page.addValue(TAG_GSM_INTERVAL, gsm_interval);
    page.addPinCode(pin_code.c_str());
    page.addString(TAG_HTTP_URL, http_url.c_str());
    page.addString(TAG_USERNAME, username.c_str());
    page.addString(TAG_PASSWORD, password.c_str());
    page.addString(TAG_APN_USERNAME, apn_username.c_str());
    page.addString(TAG_APN_PASSWORD, apn_password.c_str());
    page.addString(TAG_APN, apn.c_str());
    page.addByteAndString(TAG_HTTP_HOST_PORT, http_port, http_host.c_str());
    if (gprs_max_data_size > min_gprs_data_size)
        page.addValue(TAG_GPRS_MAX_DATA_SIZE, gprs_max_data_size);
    // The records of the page as last read from the logger that were not
    // generated here are kept.
    unsigned char old_page[eeprom_page_size];
    for (unsigned i = 0; i < eeprom_page_size; ++i)
        old_page[i] = module->eeprom.byteAt(COM_SETTINGS_PAGE, i);
    page.mergePage(eeprom_page_size, old_page, merge_limit);
    module->eeprom.clear();
    module->eeprom.loadPage(COM_SETTINGS_PAGE, page.getBuffer(), eeprom_page_size);
    eeprom_page_mask = COM_SETTINGS_MASK;
    begin(START_EEPROM_UPLOAD_PAGES);
    return false;
}

void Tcalyxo_master::decodeEepromDownload()
{
    const Teeprom_configurer& image = module->eeprom;
    image.dump();
    Tmy_string setup_text;
    image.writeSetupXml(&setup_text);
    if (window)
        window->set_text_window(setup_text.c_str());
    if (decode_mode == 0)
        decodeComSettings();
    else if (decode_mode == 3)
        decodePulseMeter(setup_text.c_str());
}

void Tcalyxo_master::decodeComSettings()
{
    const Teeprom_configurer& image = module->eeprom;
    // A record the page lacks leaves the setting as it was.
    unsigned value = 0;
    if (image.getValue(&value, COM_SETTINGS_PAGE, TAG_GSM_INTERVAL))
        gsm_interval = value;
    Tmy_string text;
    if (image.getValueAsText(&text, COM_SETTINGS_PAGE, TAG_PIN_CODE))
        pin_code.assign(text.c_str());
    for (const Ttext_record& record : text_records)
        if (image.getString(&text, COM_SETTINGS_PAGE, record.tag))
            (this->*record.setting).assign(text.c_str());
    unsigned char port = 0;
    if (image.getByteAndString(&text, &port, COM_SETTINGS_PAGE, TAG_HTTP_HOST_PORT)) {
        http_host.assign(text.c_str());
        http_port = port;
    }
    if (image.getValue(&value, COM_SETTINGS_PAGE, TAG_GPRS_MAX_DATA_SIZE))
        gprs_max_data_size = value;

    log_printf("GSM_INTERVAL = %d", static_cast<int>(gsm_interval));
    log_printf("PIN_CODE = %s", pin_code.c_str());
    log_printf("HTTP_HOST = %s, port=%d", http_host.c_str(), http_port);
    for (const Ttext_record& record : text_records)
        log_printf("%s = %s", record.key, (this->*record.setting).c_str());
    log_printf("GPRS_MAX_DATA_SIZE = %d", static_cast<int>(gprs_max_data_size));
    if (image.getValue(&value, 0, TAG_ACQ_INTERVAL))
        log_printf("ACQ_INTERVAL = %d", static_cast<int>(value));

    if (!window)
        return;
    Tmy_string number;
    number.printf("%u", gsm_interval);
    window->show_com_setting("GSM_INTERVAL", number.c_str());
    number.printf("%u", gprs_max_data_size);
    window->show_com_setting("GPRS_MAX_DATA_SIZE", number.c_str());
    window->show_com_setting("HTTP_URL", http_url.c_str());
    number.printf("%u", http_port);
    window->show_com_setting("HTTP_PORT", number.c_str());
    window->show_com_setting("HTTP_HOST", http_host.c_str());
    for (const Ttext_record& record : text_records)
        if (record.tag != TAG_HTTP_URL)
            window->show_com_setting(record.key, (this->*record.setting).c_str());
    window->show_com_setting("PIN_CODE", pin_code.c_str());
}

void Tcalyxo_master::decodePulseMeter(const char* setup_text)
{
    myXMLdocument doc;
    Txml_element root = xml_ParseText(setup_text, &doc);
    Txml_element configuration = xml_IsEntity(root, "CONFIGURATION") && xml_AttributeIs(root, "value", "3")
                                              ? root
                                              : find_configuration(root, "3");
    pulse_weight = static_cast<float>(xml_GetAttributeDouble(xml_FindPath(configuration, "CONST_WEIGHT"), "value_float"));
    pulse_snr = xml_GetAttributeUnsigned(xml_FindPath(configuration, "CONST_SNR"), "value_int");
    pulse_config = xml_GetAttributeUnsigned(xml_FindPath(configuration, "CONST_CONFIG"), "value_int");
    log_printf("CONST_WEIGHT = %f", static_cast<double>(pulse_weight));
    log_printf("CONST_SNR = %d", static_cast<int>(pulse_snr));
    log_printf("CONST_CONFIG = %d", static_cast<int>(pulse_config));
}
