// LoRaWAN key and MAC programming: page 7 is read, the serial number and the
// keys the logger lacks are merged into it and written back, the MAC is read,
// page 7 is read again and what it holds is recorded in a transaction file.
#include <cstring>

#include "base/log.h"
#include "base/parse.h"
#include "data/eeprom_generator.h"
#include "link/calyxo_master.h"
#include "link/module_resource.h"
#include "link/transaction_file.h"
#include "platform/secure_random.h"

namespace {

enum : int {
    KEY_CHOICE = 1200,
    KEY_READ = 1230,
    KEY_READ_CANCEL = 1231,
    KEY_WRITE = 1250,
    KEY_WRITE_CANCEL = 1251,
    MAC_READ = 1280,
    MAC_READ_CANCEL = 1281,
    KEY_CHECK = 1290,
    KEY_CHECK_CANCEL = 1291,
    KEY_DONE = 1299,
};

constexpr unsigned key_page = 7;
constexpr uint8_t key_page_mask = 0x80;
constexpr unsigned key_page_limit = 192;
constexpr unsigned char TAG_SNR = 130;
constexpr unsigned char TAG_APPKEY = 14;
constexpr unsigned char TAG_NWKSKEY = 16;
constexpr unsigned key_length = 16;
constexpr uint8_t PARAMETER_MAC = 162;
constexpr unsigned mac_text_bytes = 6;

bool all_bytes(const uint8_t* bytes, unsigned count, uint8_t value)
{
    for (unsigned i = 0; i < count; ++i)
        if (bytes[i] != value)
            return false;
    return true;
}

bool is_blank_key(const uint8_t* key)
{
    return all_bytes(key, key_length, 0x00) || all_bytes(key, key_length, 0xFF);
}

void log_key(const char* label, const uint8_t* key)
{
    char text[3 * key_length + 1];
    bytes_to_hex_spaced(text, key, key_length);
    log_printf("%s%s", label, text);
}

// The page's written bytes.
unsigned page_bytes(const Teeprom_configurer& image, unsigned page, uint8_t out[eeprom_page_size])
{
    const unsigned length = image.getPageLength(page);
    for (unsigned i = 0; i < length; ++i)
        out[i] = image.byteAt(page, i);
    return length;
}

// Page 7 read into a module image that holds nothing else; true when refused.
bool download_key_page(Tmodule_resource& module, Teeprom_configurer& key_image)
{
    key_image.reset();
    key_image.copyTo(&module.eeprom);
    return module.start_eeprom_download(key_page_mask);
}

}  // namespace

bool Tcalyxo_master::start_key_and_mac(uint32_t snr, int key_mode)
{
    if (refuseStart(true))
        return true;
    key_flags = 0;
    if (snr != 0) {
        key_flags |= KEY_SNR;
        key_snr = snr;
    }
    if (key_mode == 1)
        key_flags |= KEY_APPKEY;
    else if (key_mode == 2)
        key_flags |= KEY_APPKEY | KEY_NWKSKEY;
    if ((key_flags & KEY_APPKEY) && secure_random_bytes(key_bytes, sizeof key_bytes)) {
        log_printf("ERROR : no random source for the keys, nothing programmed");
        return true;
    }
    begin(START_KEY_AND_MAC);
    return false;
}

bool Tcalyxo_master::buildKeyPage()
{
    Teeprom_generator page;
    page.clear();
    bool refused = false;
    if (key_flags & KEY_SNR)
        refused |= page.addValue(TAG_SNR, key_snr);
    struct Tkey {
        uint8_t flag;
        unsigned char tag;
        const uint8_t* created;
        const char* created_label;
        const char* factory_label;
    };
    const Tkey keys[] = {
        {KEY_APPKEY, TAG_APPKEY, key_bytes, "APPKEY  CREATED  ", "APPKEY  FACTORY  "},
        {KEY_NWKSKEY, TAG_NWKSKEY, key_bytes + key_length, "NWKSKEY CREATED  ", "NWKSKEY FACTORY  "},
    };
    for (const Tkey& key : keys) {
        if (!(key_flags & key.flag))
            continue;
        uint8_t stored[key_length] = {};
        const unsigned count = key_image.getBytes(stored, key_length, key_page, key.tag);
        if (count != key_length || is_blank_key(stored)) {
            log_key(key.created_label, key.created);
            refused |= page.addRecord(key.tag, key.created, key_length);
        } else {
            log_key(key.factory_label, stored);
        }
    }
    uint8_t old_page[eeprom_page_size];
    const unsigned old_length = page_bytes(key_image, key_page, old_page);
    refused |= page.mergePage(old_length, old_page, key_page_limit);
    const unsigned length = page.getLength() < key_page_limit ? page.getLength() : key_page_limit;
    key_image.loadPage(key_page, page.getBuffer(), length);
    return refused;
}

void Tcalyxo_master::takeMac()
{
    std::memset(mac, 0, sizeof mac);
    const unsigned length = mac_text_length < sizeof mac_text ? mac_text_length : sizeof mac_text;
    const unsigned chars = static_cast<unsigned>(strnlen(reinterpret_cast<const char*>(mac_text), length));
    if (chars != mac_text_chars)
        return;
    uint8_t bytes[mac_text_bytes] = {};
    unsigned digits = 0;
    for (unsigned i = 0; i < chars && digits < 2 * mac_text_bytes; ++i) {
        const char c = static_cast<char>(mac_text[i]);
        if (!is_hex_digit(c))
            continue;
        bool bad = false;
        bytes[digits / 2] = static_cast<uint8_t>((bytes[digits / 2] << 4) | hex_value(c, &bad));
        ++digits;
    }
    if (digits != 2 * mac_text_bytes)
        return;
    const uint8_t eui[8] = {bytes[0], bytes[1], bytes[2], 0xFF, 0xFE, bytes[3], bytes[4], bytes[5]};
    std::memcpy(mac, eui, sizeof mac);
    log_hex_dump_labelled("MAC ADDR : ", mac, sizeof mac, sizeof mac);
}

bool Tcalyxo_master::writeKeyTransaction()
{
    const Teeprom_configurer& image = module->eeprom;
    unsigned snr = 0;
    image.getValue(&snr, key_page, TAG_SNR);
    std::memset(com_key, 0, sizeof com_key);
    if (image.getBytes(com_key, key_length, key_page, TAG_APPKEY) != key_length) {
        std::memset(com_key, 0, sizeof com_key);
        log_printf("COM_KEY not found ");
    }
    // A record without its MAC or key identifies nothing.
    if (all_bytes(mac, sizeof mac, 0)) {
        log_printf("ERROR : no MAC address read from the logger, no transaction written");
        return true;
    }
    if (is_blank_key(com_key)) {
        log_printf("ERROR : the logger holds no key, no transaction written");
        return true;
    }
    Tmy_string path;
    if (transaction_write_key(static_cast<int32_t>(snr), mac, com_key, &path)) {
        log_printf("ERROR : transaction file \"%s\" not written", path.c_str());
        return true;
    }
    return false;
}

bool Tcalyxo_master::runKeyAndMac()
{
    if (state < KEY_CHOICE || state > KEY_DONE)
        return false;
    // Every module step: its start refused or failed is an error, a cancel
    // stops the module operation and waits for it.
    const bool module_step = state == KEY_READ || state == KEY_WRITE || state == MAC_READ || state == KEY_CHECK;
    const bool cancel_step = state == KEY_READ_CANCEL || state == KEY_WRITE_CANCEL || state == MAC_READ_CANCEL ||
                             state == KEY_CHECK_CANCEL;
    switch (state) {
    case KEY_CHOICE:
        if (consumed)
            ((key_flags & (KEY_SNR | KEY_APPKEY | KEY_NWKSKEY)) ? CONTINUE : LIST_DONE).signal();
        onEvent(&CONTINUE, KEY_READ);
        onEvent(&LIST_DONE, MAC_READ);
        break;
    case KEY_READ:
        if (consumed && download_key_page(*module, key_image))
            ERROR.signal();
        if (onEvent(&module->SUCCESS, KEY_WRITE)) {
            module->eeprom.copyTo(&key_image);
            if (buildKeyPage()) {
                log_printf("ERROR : the key page does not fit, nothing programmed");
                setNextState(STATE_FAILED);
            }
        }
        break;
    case KEY_WRITE:
        if (consumed) {
            uint8_t bytes[eeprom_page_size];
            unsigned length = page_bytes(key_image, key_page, bytes);
            if (length > key_page_limit)
                length = key_page_limit;
            module->eeprom.loadPage(key_page, bytes, length);
            if (module->start_eeprom_upload_pages(key_page_mask))
                ERROR.signal();
        }
        onEvent(&module->SUCCESS, MAC_READ);
        break;
    case MAC_READ:
        if (consumed) {
            std::memset(mac, 0, sizeof mac);
            mac_text_length = 0;
            if (module->start_get_parameter(PARAMETER_MAC, mac_text, sizeof mac_text, &mac_text_length))
                ERROR.signal();
        }
        if (onEvent(&module->SUCCESS, KEY_CHECK))
            takeMac();
        break;
    case KEY_CHECK:
        if (consumed && download_key_page(*module, key_image))
            ERROR.signal();
        if (onEvent(&module->SUCCESS, KEY_DONE) && writeKeyTransaction())
            setNextState(STATE_FAILED);
        break;
    case KEY_DONE:
        if (consumed)
            LIST_DONE.signal();
        onEvent(&LIST_DONE, STATE_SUCCESS);
        break;
    default:
        break;
    }
    if (module_step) {
        onEvent(&module->ERROR, STATE_FAILED);
        onEvent(&ERROR, STATE_FAILED);
        onEvent(&STOP, state + 1);
    } else if (cancel_step) {
        if (consumed)
            module->stop(this);
        onEvent(&module->CANCELLED, STATE_CANCELLED);
        onEvent(&STOP, STATE_CANCELLED);
    }
    return true;
}
