#include "programs/basic/wgsm_console.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <string>

#include "base/log.h"
#include "platform/widgets/dialog_seam.h"
#include "programs/basic/command_master.h"
#include "programs/basic/pin_code.h"
#include "programs/basic/start_refusal.h"
#include "programs/basic/window_style.h"

namespace {

constexpr char carriage_return = 13;
constexpr char line_feed = 10;
constexpr char ctrl_z = 26;
constexpr int debug_lines = 10;

// The master's modem commands.
constexpr uint8_t gsm_config_control = 240, gsm_power_on_control = 241, gsm_power_off_control = 242,
                  gsm_hard_reset_control = 243;

// A button that sends one fixed AT command, CR added.
struct Tat_button {
    const char* name;
    const char* caption;
    const char* command;
};

constexpr Tat_button factory_buttons[] = {
    {"Button1", "ATE1 Send", "ATE1"},           {"Button4", "AT+IPR=9600 Send", "AT+IPR=9600"},
    {"Button7", "AT&&W Send", "AT&W"},          {"Button2", "AT+IFC=0,0 Send", "AT+IFC=0,0"},
    {"Button5", "AT&&K0 Send", "AT&K0"},        {"Button3", "AT+ICF=3 Send", "AT+ICF=3"},
    {"Button6", "ATE0 Send", "ATE0"},           {"Button10", "AT+CFUN=4", "AT+CFUN=4"},
    {"Button11", "AT+URAT=3", "AT+URAT=3"},     {"Button12", "AT+CFUN=1", "AT+CFUN=1"},
    {"Button25", "GSM Signal ?", "AT+CSQ"},     {"Button26", "Network ?", "AT+CREG?"},
    {"Button22", "PIN code ?", "AT+CPIN?"},
};

constexpr Tat_button sim_buttons[] = {
    {"Button29", "Ask for PIN", "AT+CPIN?"},
    {"Button34", "Ask for PIN", "AT+CPIN?"},
    {"Button31", "PIN code request status", "AT+CLCK=\"SC\",2"},
    {"Button36", "PIN code request status", "AT+CLCK=\"SC\",2"},
    {"Button35", "Reboot GSM module", "AT+CFUN=16"},
};

// Qt draws "&&" as "&": the captions keep the doubled ampersand.
QPushButton* make_button(QWidget* parent, const char* name, const char* caption)
{
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(name);
    return button;
}

}  // namespace

TFgsm_console::TFgsm_console(std::function<Tcommand_master&()> master_commands, QWidget* parent)
    : QWidget(parent, Qt::Window), commands(std::move(master_commands))
{
    setObjectName("Fgsm_console");
    setWindowTitle("GSM Console");
    auto* layout = new QVBoxLayout(this);
    auto* pages = new QTabWidget(this);
    pages->setObjectName("PageControl1");
    pages->addTab(buildFactoryPage(), "GSM Factory Settings");
    pages->addTab(buildSimPage(), "GSM SIM");
    pages->addTab(buildDebugPage(), "Debug");
    layout->addWidget(pages);
}

QLabel* TFgsm_console::countdownLabel(QWidget* parent, const char* name)
{
    auto* label = new QLabel(QString::asprintf("Wait: %u sec", countdown_seconds), parent);
    label->setObjectName(name);
    label->setVisible(false);
    return label;
}

QWidget* TFgsm_console::buildFactoryPage()
{
    auto* page = new QWidget;
    page->setObjectName("ts_factory");
    auto* grid = new QGridLayout(page);
    int row = 0;
    for (const Tat_button& entry : factory_buttons) {
        QPushButton* button = make_button(page, entry.name, entry.caption);
        const QByteArray command(entry.command);
        connect(button, &QPushButton::clicked, this, [this, command] { sendLine(QString::fromLatin1(command)); });
        grid->addWidget(button, row / 4, row % 4);
        ++row;
    }
    row = row / 4 + 1;

    Edit8 = new QLineEdit("AT+CPIN=\"7906\"", page);
    Edit8->setObjectName("Edit8");
    QPushButton* send_pin = make_button(page, "Button21", "Send PIN");
    connect(send_pin, &QPushButton::clicked, this, [this] { sendLine(Edit8->text()); });
    grid->addWidget(Edit8, row, 0, 1, 2);
    grid->addWidget(send_pin, row, 2);
    ++row;

    countdowns[power_on].label = countdownLabel(page, "GSM_power_on_wait_timeout");
    countdowns[reset].label = countdownLabel(page, "GSM_reset_wait_timeout");
    countdowns[at_off].label = countdownLabel(page, "GSM_at_off_wait_timeout");
    countdowns[power_off].label = countdownLabel(page, "GSM_power_off_wait_timeout");

    // The upper "AT OFF" and "Power OFF", their countdowns under them.
    QPushButton* at_off_upper = make_button(page, "Button8", "AT OFF");
    QPushButton* power_off_upper = make_button(page, "Button28", "Power OFF");
    grid->addWidget(at_off_upper, row, 0);
    grid->addWidget(power_off_upper, row, 1);
    grid->addWidget(countdowns[at_off].label, row + 1, 0);
    grid->addWidget(countdowns[power_off].label, row + 1, 1);
    row += 2;

    QPushButton* power_on_button = make_button(page, "Button19", "GSM power On");
    grid->addWidget(power_on_button, row, 0);
    grid->addWidget(countdowns[power_on].label, row, 1);
    ++row;
    QPushButton* hard_reset = make_button(page, "Button9", "Hard reset");
    grid->addWidget(hard_reset, row, 0);
    grid->addWidget(countdowns[reset].label, row, 1);
    ++row;
    QPushButton* config = make_button(page, "Button20", "GSM config (AT+IPR@115200/9600)");
    QPushButton* power_off_lower = make_button(page, "Button24", "GSM power Off");
    QPushButton* at_off_lower = make_button(page, "Button23", "AT OFF");
    grid->addWidget(config, row, 0);
    grid->addWidget(power_off_lower, row, 1);
    grid->addWidget(at_off_lower, row, 2);

    auto at_off_command = [this](Tcountdown which) {
        log_printf("GSM is stopping, please wait at least 5 seconds");
        startCountdown(which);
        sendLine("AT+CPWROFF");
    };
    connect(at_off_upper, &QPushButton::clicked, this, [at_off_command] { at_off_command(at_off); });
    connect(at_off_lower, &QPushButton::clicked, this, [at_off_command] { at_off_command(reset); });

    // The master's modem commands: log lines, countdown, control.
    auto control = [this](const char* start_line, const char* wait_line, int which, uint8_t type) {
        log_printf("%s", start_line);
        if (wait_line)
            log_printf("%s", wait_line);
        if (which >= 0)
            startCountdown(static_cast<Tcountdown>(which));
        Tcommand_master& master = commands();
        if (master.start_control(type))
            log_not_started(("modem command " + std::to_string(type)).c_str(), master.refusal_reason());
    };
    connect(power_on_button, &QPushButton::clicked, this, [control] {
        control("START   : GSM POWER ON", "GSM is booting up, please wait at least 5 seconds", power_on,
                gsm_power_on_control);
    });
    connect(hard_reset, &QPushButton::clicked, this, [control] {
        control("START   : Hard reset", "Hard reset, please wait at least 5 seconds", reset, gsm_hard_reset_control);
    });
    connect(config, &QPushButton::clicked, this,
            [control] { control("START   : GSM config", nullptr, -1, gsm_config_control); });
    for (QPushButton* button : {power_off_lower, power_off_upper}) {
        connect(button, &QPushButton::clicked, this, [control] {
            control("START   : GSM POWER OFF", "GSM power supply is stopping, please wait at least 5 seconds",
                    power_off, gsm_power_off_control);
        });
    }
    return page;
}

QWidget* TFgsm_console::buildSimPage()
{
    auto* page = new QWidget;
    page->setObjectName("ts_sim");
    auto* grid = new QGridLayout(page);
    grid->addWidget(new QLabel("Current PIN:", page), 0, 0);
    grid->addWidget(new QLabel("New PIN:", page), 0, 1);
    Edit10 = new QLineEdit("7906", page);
    Edit10->setObjectName("Edit10");
    Edit11 = new QLineEdit("7906", page);
    Edit11->setObjectName("Edit11");
    grid->addWidget(Edit10, 1, 0);
    grid->addWidget(Edit11, 1, 1);
    int row = 2;
    for (const Tat_button& entry : sim_buttons) {
        QPushButton* button = make_button(page, entry.name, entry.caption);
        const QByteArray command(entry.command);
        connect(button, &QPushButton::clicked, this, [this, command] { sendLine(QString::fromLatin1(command)); });
        grid->addWidget(button, row++, 0);
    }
    QPushButton* send_pin = make_button(page, "Button30", "Send");
    QPushButton* enable = make_button(page, "Button32", "Enable PIN code request");
    QPushButton* change = make_button(page, "Button33", "Change PIN!");
    grid->addWidget(send_pin, 1, 2);
    grid->addWidget(enable, row++, 0);
    grid->addWidget(change, row++, 0);
    connect(send_pin, &QPushButton::clicked, this, [this] {
        QByteArray pin;
        if (pinOf(Edit10, "Current PIN", &pin))
            sendLine(QString::fromLatin1("AT+CPIN=\"" + pin + "\""));
    });
    connect(enable, &QPushButton::clicked, this, [this] {
        QByteArray pin;
        if (pinOf(Edit10, "Current PIN", &pin))
            sendLine(QString::fromLatin1("AT+CLCK=\"SC\",1,\"" + pin + "\""));
    });
    connect(change, &QPushButton::clicked, this, [this] {
        QByteArray current;
        QByteArray next;
        if (pinOf(Edit10, "Current PIN", &current) && pinOf(Edit11, "New PIN", &next))
            sendLine(QString::fromLatin1("AT+CPWD=\"SC\",\"" + current + "\",\"" + next + "\""));
    });
    const char* const help[] = {
        "\"+CPIN: SIM PIN\" = waiting for PIN",
        "\"+CPIN : READY\" = PIN OK",
        "\"+CLCK: 1\" = PIN code request is enabled",
        "\"+CLCK: 0\" = PIN code request is disabled",
        "\"ERROR\" = the PIN might have not yet been sent",
        "\"+CPIN: SIM PIN\" = waiting for PIN",
        "\"+CPIN: READY\" = PIN OK",
    };
    for (const char* text : help)
        grid->addWidget(new QLabel(QString::fromUtf8(text), page), row++, 0, 1, 3);
    return page;
}

QWidget* TFgsm_console::buildDebugPage()
{
    auto* page = new QWidget;
    page->setObjectName("ts_debug");
    auto* grid = new QGridLayout(page);
    for (int column = 0; column < 2; ++column) {
        const char letter = column == 0 ? 'd' : 'f';
        for (int line = 1; line <= debug_lines; ++line) {
            auto* edit = new QLineEdit(page);
            edit->setObjectName(QString::asprintf("Edit_%c%d", letter, line));
            if (column == 0 && line == 1)
                edit->setText("AT+CSGT=1,\"VORNA\"");
            QPushButton* button = make_button(page, QString::asprintf("bt_send_%c%d", letter, line).toLatin1().constData(), "Send");
            connect(button, &QPushButton::clicked, this, [this, edit] { sendLine(edit->text()); });
            grid->addWidget(edit, line - 1, column * 2);
            grid->addWidget(button, line - 1, column * 2 + 1);
        }
    }
    QPushButton* lf = make_button(page, "bt_send_LF", "Send LF");
    QPushButton* crlf = make_button(page, "send_CRLF", "Send CRLF");
    QPushButton* ctrl = make_button(page, "Button57", "Send CTRL-Z");
    // Send CRLF sends LF then CR, as the modem's console has always had it.
    connect(lf, &QPushButton::clicked, this, [this] { send(QByteArray(1, line_feed)); });
    connect(crlf, &QPushButton::clicked, this, [this] {
        QByteArray bytes;
        bytes.append(line_feed);
        bytes.append(carriage_return);
        send(bytes);
    });
    connect(ctrl, &QPushButton::clicked, this, [this] { send(QByteArray(1, ctrl_z)); });
    grid->addWidget(lf, debug_lines, 0);
    grid->addWidget(crlf, debug_lines, 1);
    grid->addWidget(ctrl, debug_lines, 2);
    return page;
}

void TFgsm_console::send(const QByteArray& bytes)
{
    commands().send_basicio_command(bytes.constData(), static_cast<unsigned>(bytes.size()));
}

void TFgsm_console::sendLine(const QString& text)
{
    QByteArray bytes = text.toLatin1();
    bytes.append(carriage_return);
    send(bytes);
}

bool TFgsm_console::pinOf(QLineEdit* field, const char* caption, QByteArray* pin)
{
    *pin = field->text().toLatin1();
    if (is_pin_code(pin->constData()))
        return true;
    Tmessage_box box;
    box.text = std::string(caption) + ": a PIN is " + std::to_string(pin_min_digits) + " to " +
               std::to_string(pin_max_digits) + " digits";
    box.icon = Tbox_icon::warning;
    dialog_seam().messageBox(box);
    log_printf("ERROR : %s not sent : a PIN is 4 to 8 digits", caption);
    return false;
}

void TFgsm_console::startCountdown(Tcountdown which)
{
    Tcountdown_state& countdown = countdowns[which];
    countdown.label->setText(QString::asprintf("Wait: %u sec", countdown_seconds));
    countdown.label->setVisible(true);
    countdown.active = true;
}

void TFgsm_console::gsm_console_countdown_tick()
{
    for (Tcountdown_state& countdown : countdowns) {
        if (!countdown.active)
            continue;
        if (countdown.counter != 0) {
            countdown.label->setText(QString::asprintf("Wait: %01u sec", countdown.counter));
            --countdown.counter;
        } else {
            countdown.active = false;
            countdown.label->setVisible(false);
            countdown.counter = countdown_seconds;
        }
    }
}

void TFgsm_console::toggle_gsm_console(int top, int left)
{
    if (isVisible()) {
        hide();
        return;
    }
    move(left, top);
    // Below a main window that fills the screen it would open off it.
    keep_on_screen(this);
    show();
}
