#include "programs/basic/com_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/log.h"
#include "base/my_string.h"
#include "base/parse.h"
#include "base/typed_number.h"
#include "platform/widgets/dialog_seam.h"
#include "programs/basic/command_master.h"
#include "programs/basic/pin_code.h"
#include "programs/basic/start_refusal.h"

namespace {

constexpr uint8_t com_settings_page_mask = 0x40;
// The logger keeps the server port in one byte.
constexpr long long largest_port = 255;

// Field indexes, in the order of the fields table.
enum { host, port, url, apn_username, apn_password, apn, pin, gsm_interval, username, password, max_data_size };

// The order in which the read empties the fields and the write sends them.
constexpr int clear_order[] = {gsm_interval, port,     pin,      host,    url,          apn_username,
                               apn_password, apn,      username, password, max_data_size};
constexpr int write_order[] = {gsm_interval, pin,          host, port,     url,     apn_username,
                               apn_password, apn,          username, password, max_data_size};

// The logger keeps the interval and the data size in 32 bits.
constexpr long long largest_32_bit = 0xFFFFFFFFLL;

}  // namespace

const TFcom_page::Tfield TFcom_page::fields[field_count] = {
    {"HTTP_HOST", "ed_HTTP_HOST", "HTTP_HOST"},
    {"port", "ed_port", "HTTP_PORT"},
    {"HTTP_URL", "ed_HTTP_URL", "HTTP_URL"},
    {"APN_USERNAME", "ed_APN_USERNAME", "APN_USERNAME"},
    {"APN_PASSWORD", "ed_APN_PASSWORD", "APN_PASSWORD"},
    {"APN", "ed_APN", "APN"},
    {"PIN code", "ed_PIN", "PIN_CODE"},
    {"GSM_INTERVAL", "ed_GSM_INTERVAL", "GSM_INTERVAL"},
    {"server USERNAME", "ed_USERNAME", "USERNAME"},
    {"server PASSWORD", "ed_PASSWORD", "PASSWORD"},
    {"MAX_DATA_SIZE", "ed_MAX_DATA_SIZE", "GPRS_MAX_DATA_SIZE"},
};

TFcom_page::TFcom_page(std::function<Tcommand_master&()> master_commands, QWidget* parent)
    : QWidget(parent), commands(std::move(master_commands))
{
    setObjectName("ts_com_config");
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox("COM configuration", this);
    auto* grid = new QGridLayout(group);
    for (int i = 0; i < field_count; ++i) {
        grid->addWidget(new QLabel(QString::fromUtf8(fields[i].caption), group), i, 0);
        auto* edit = new QLineEdit(group);
        edit->setObjectName(fields[i].name);
        grid->addWidget(edit, i, 1);
    }
    Button2 = new QPushButton("Read current COM settings", group);
    Button2->setObjectName("Button2");
    Button3 = new QPushButton("Upload (Write) COM settings", group);
    Button3->setObjectName("Button3");
    // Nothing to write back before the logger's settings were read.
    Button3->setEnabled(false);
    grid->addWidget(Button2, field_count, 0);
    grid->addWidget(Button3, field_count, 1);
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    layout->addWidget(group);
    layout->addStretch(1);
}

QLineEdit* TFcom_page::field(int index) const
{
    return findChild<QLineEdit*>(QString::fromLatin1(fields[index].name));
}

void TFcom_page::show_com_setting(const char* key, const char* value)
{
    if (!key)
        return;
    for (int i = 0; i < field_count; ++i) {
        if (text_compare_nocase(key, fields[i].key) != 0)
            continue;
        field(i)->setText(QString::fromUtf8(value ? value : ""));
        if (value && *value)
            Button3->setEnabled(true);
        return;
    }
}

void TFcom_page::clearFields()
{
    for (int index : clear_order)
        show_com_setting(fields[index].key, "");
    Button3->setEnabled(false);
}

void TFcom_page::Button2Click()
{
    log_printf("START   : EEPROM download (COM)");
    clearFields();
    Tcommand_master& master = commands();
    if (master.start_eeprom_download(com_settings_page_mask, Tcommand_master::decode_com_settings))
        log_not_started("Read current COM settings", master.refusal_reason());
}

bool TFcom_page::check_fields(const Tmy_string texts[], Tmy_string* error)
{
    // The master reads these fields with the same parser, so a text taken
    // here reaches the logger as the number it shows.
    if (!read_typed_whole_number(texts[gsm_interval].c_str(), "GSM_INTERVAL (seconds)", 1, largest_32_bit, nullptr,
                                 error))
        return false;
    if (!read_typed_whole_number(texts[port].c_str(), "port (the logger keeps it in one byte)", 1, largest_port,
                                 nullptr, error))
        return false;
    if (texts[host].length() == 0) {
        error->printf("HTTP_HOST may not be empty");
        return false;
    }
    if (texts[apn].length() == 0) {
        error->printf("APN may not be empty");
        return false;
    }
    const unsigned pin_length = texts[pin].length();
    if (pin_length && !is_pin_code(texts[pin].c_str())) {
        error->printf("The PIN code must be empty or %u to %u digits", pin_min_digits, pin_max_digits);
        return false;
    }
    if (texts[max_data_size].length() &&
        !read_typed_whole_number(texts[max_data_size].c_str(), "MAX_DATA_SIZE (empty, or bytes)", 0, largest_32_bit,
                                 nullptr, error))
        return false;
    return true;
}

void TFcom_page::Button3Click()
{
    Tmy_string texts[field_count];
    for (int i = 0; i < field_count; ++i)
        texts[i].printf("%s", field(i)->text().toUtf8().constData());
    Tmy_string error;
    if (!check_fields(texts, &error)) {
        log_printf("ERROR : COM settings not written : %s", error.c_str());
        Tmessage_box box;
        box.text = error.c_str();
        box.icon = Tbox_icon::warning;
        dialog_seam().messageBox(box);
        return;
    }
    Tmessage_box confirm;
    confirm.text = "Write these COM settings to the logger ?";
    confirm.icon = Tbox_icon::question;
    confirm.buttons = Tbox_buttons::ok_cancel;
    if (dialog_seam().messageBox(confirm) != Tbox_answer::ok)
        return;
    log_printf("START   : EEPROM change & upload (COM)");
    Tcommand_master& master = commands();
    for (int index : write_order)
        master.setParameter(fields[index].key, texts[index].c_str());
    if (master.start_com_settings_upload())
        log_not_started("Upload (Write) COM settings", master.refusal_reason());
}
