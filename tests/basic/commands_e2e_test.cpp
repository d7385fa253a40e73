// calyxo_basic's commands through its windows against the simulated logger:
// Get Status fills the status page, Get Health the health page, Set time
// writes the logger's clock, Upload EEPROM from a setup file is verified and
// held by the logger, and Download all ends in the result table; each with the
// logger's state checked afterwards.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>

#include <memory>
#include <string>

#include <sys/stat.h>

#include "base/time_calendar.h"
#include "base/xml.h"
#include "data/eeprom_configurer.h"
#include "link/calyxo_master.h"
#include "link/module_view.h"
#include "platform/widgets/recording_dialogs.h"
#include "programs/basic/basic_program.h"
#include "programs/basic/wask_pulse.h"
#include "programs/basic/wgsm_console.h"
#include "programs/basic/wmain.h"
#include "programs/basic/wselstation.h"
#include "tests/basic/basic_program_fixture.h"
#include "tests/basic/basic_test_support.h"
#include "tests/link/link_test_support.h"
#include "tests/support/recording_program.h"
#include "tools/logger_sim/flash_records.h"
#include "tools/logger_sim/logger.h"
#include "ui/faffiche.h"

namespace {


constexpr uint32_t station = 812;
const char* const setup_text =
    "<SETUP><STATIONS><STATION id=\"499\" pin=\"4729\">"
    "<CONFIGURATION value=\"0\"><ACQ_INTERVAL0 value=\"900\"/><ACQ_INTERVAL1 value=\"3600\"/></CONFIGURATION>"
    "<CONFIGURATION value=\"6\"><GSM_INTERVAL value=\"3600\"/><GSM_DURATION value=\"300\"/>"
    "<HTTP_URL value=\"/upload\"/></CONFIGURATION>"
    "</STATION></STATIONS></SETUP>";

class CommandsAgainstLogger : public Tbasic_program_fixture {
protected:
    void SetUp() override
    {
        Tbasic_program_fixture::SetUp();
        ASSERT_TRUE(logger.start({0, ports.path()})) << logger.error();
        const sim::Bytes flash = sim::acquisition_series(1700000000, 600, 6, station);
        flash_size = static_cast<uint32_t>(flash.size());
        logger.update([&flash](sim::State& s) {
            s.flash = flash;
            s.variables[sim::var::station_id] = station;
            s.variables[sim::var::acq_enable] = 1;
        });
        module_view = Tmodule_view();
        makeProgram(false);

        program->preInitialise();
        program->createForms();
        program->onApplicationReady();
        useTestPortsAndWorkFolder();
        chooseTestPortWhenAsked();
        // The splash's first tick starts the connection, as in the program; a
        // connection made here as well would meet the splash's one later.
        ASSERT_TRUE(idleWith(Tcalyxo_master::LINK_CONNECTED));
    }
    void TearDown() override
    {
        if (program) {
            program->master.start_disconnect();
            idleWith(Tcalyxo_master::LINK_DISCONNECTED);
        }
        forward_program_interface(nullptr, false);
        program->destroyForms();
        Tbasic_program_fixture::TearDown();
        logger.stop();
        module_view = Tmodule_view();
    }

    // The command triggered as the user does; true once the master is idle again.
    bool run(const char* action)
    {
        child_of<QAction>(program->main_form, action)->trigger();
        return idleWith(Tcalyxo_master::LINK_CONNECTED);
    }
    std::string label(const char* name) { return child_of<QLabel>(program->main_form, name)->text().toStdString(); }
    uint32_t variable(uint8_t id)
    {
        return logger.read([id](const sim::State& s) { return s.variables.at(id); });
    }

    sim::Logger logger;
    uint32_t flash_size = 0;
    Trecording_dialogs dialogs;
};

TEST_F(CommandsAgainstLogger, GetStatusAndGetHealthFillTheirPages)
{
    ASSERT_TRUE(run("GetStatus1"));
    EXPECT_EQ(label("lb_acq_enabled"), "ENABLED");
    EXPECT_EQ(label("lb_flash_txt"), std::to_string(flash_size));
    EXPECT_EQ(label("lb_station_id"), std::to_string(station));
    EXPECT_NE(label("lb_time_txt"), "-");
    program->main_form->show();
    grab(program->main_form, "e2e_status_page");

    ASSERT_TRUE(run("GetHealth1"));
    EXPECT_NE(label("lb145"), "----");
    EXPECT_NE(label("lb163"), "----");
    grab(program->main_form, "e2e_health_page");
    // The health read leaves the logger's acquisition as it was.
    EXPECT_EQ(variable(sim::var::acq_enable), 1u);
}

TEST_F(CommandsAgainstLogger, SetTimeWritesTheLoggersClock)
{
    logger.update([](sim::State& s) { s.clock.set(1000000000); });
    child_of<QPushButton>(program->main_form, "bt_setTime")->click();
    ASSERT_TRUE(idleWith(Tcalyxo_master::LINK_CONNECTED));
    EXPECT_TRUE(recorded::log_contains("START   : set Time"));
    const uint32_t logger_time = logger.read([](const sim::State& s) { return s.clock.now(); });
    const uint32_t now = time_now();
    EXPECT_LE(logger_time, now + 5);
    EXPECT_GE(logger_time + 5, now);
}

TEST_F(CommandsAgainstLogger, UploadFromASetupFileIsVerifiedAndHeld)
{
    const std::string setup_file = work.file("station.xml");
    ASSERT_TRUE(write_file_bytes(setup_file, setup_text));
    dialogs.file_answers = {setup_file};
    child_of<QPushButton>(program->main_form, "bt_upload")->click();
    ASSERT_TRUE(idleWith(Tcalyxo_master::LINK_CONNECTED));
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(recorded::log_contains("SUCCESS : EEPROM Verification ok"));
    EXPECT_EQ(variable(sim::var::acq_interval0), 900u);
    EXPECT_EQ(variable(sim::var::gsm_interval), 3600u);

    // A file that cannot be read: the box names it and says why, nothing sent.
    dialogs.file_answers = {work.file("missing.xml")};
    child_of<QPushButton>(program->main_form, "bt_upload")->click();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text,
              "Erreur de lecture du fichier de configuration ! Voir log\n" + work.file("missing.xml") +
                  " : il n'existe pas");
    // Nor is a FIFO waited on.
    const std::string fifo = work.file("fifo.xml");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    dialogs.file_answers = {fifo};
    child_of<QPushButton>(program->main_form, "bt_upload")->click();
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].text, "Erreur de lecture du fichier de configuration ! Voir log\n" + fifo +
                                         " : c'est un FIFO, pas un fichier ordinaire");
    EXPECT_TRUE(recorded::log_contains("ERROR : \"" + fifo + "\" is a FIFO, not a regular file"));
}


// One value its field cannot hold stops the whole upload: the logger keeps
// every page it held, and the box names the file and the value.
TEST_F(CommandsAgainstLogger, UploadOfAFileWithOneRefusedValueSendsNothing)
{
    const auto pages = [this] {
        return logger.read([](const sim::State& s) {
            std::vector<sim::Eeprom::Page> all;
            for (uint8_t page = 0; page < 8; ++page)
                all.push_back(s.eeprom.page(page));
            return all;
        });
    };
    const auto before = pages();
    const uint32_t interval_before = variable(sim::var::acq_interval0);
    const uint32_t gsm_before = variable(sim::var::gsm_interval);
    const std::string setup_file = work.file("refused.xml");
    ASSERT_TRUE(write_file_bytes(setup_file,
                                 "<SETUP><STATIONS><STATION id=\"499\">"
                                 "<CONFIGURATION value=\"0\"><ACQ_INTERVAL0 value=\"1200\"/>"
                                 "<SYSCTRL acq_enabled=\"on\" time_zone=\"300\"/></CONFIGURATION>"
                                 "<CONFIGURATION value=\"6\"><GSM_INTERVAL value=\"60\"/></CONFIGURATION>"
                                 "</STATION></STATIONS></SETUP>"));
    recorded::clear_log();
    dialogs.file_answers = {setup_file};
    child_of<QPushButton>(program->main_form, "bt_upload")->click();
    ASSERT_TRUE(idleWith(Tcalyxo_master::LINK_CONNECTED));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Erreur de lecture du fichier de configuration ! Voir log\n" + setup_file +
                                         " : Teeprom_configurer, SYSCTRL time_zone=\"300\" is out of range");
    EXPECT_TRUE(recorded::log_contains("ERROR : Teeprom_configurer, SYSCTRL time_zone=\"300\" is out of range"));
    EXPECT_FALSE(recorded::log_contains("EEPROM Verification"));
    EXPECT_EQ(pages(), before);
    EXPECT_EQ(variable(sim::var::acq_interval0), interval_before);
    EXPECT_EQ(variable(sim::var::gsm_interval), gsm_before);
}

TEST_F(CommandsAgainstLogger, DownloadAllEndsInTheResultTable)
{
    // The dialog's "all": from 0 up to the logger's write pointer, so that the
    // last acquisition is known whole.
    program->main_form->ask_download_range = [](int32_t* start, int32_t* count, uint8_t* incremental) {
        *start = 0;
        *count = 0;
        *incremental = 0;
        return true;
    };
    ASSERT_TRUE(run("Downloadall1"));
    EXPECT_TRUE(recorded::log_contains("START   : download"));
    ASSERT_NE(program->master.converted_xml[0], '\0');
    // The result window reads the file on its worker and fills when it is read.
    ASSERT_TRUE(loop_until([&] { return !program->result_window->loading(); }));
    auto* grid = child_of<QTableView>(program->result_window, "StringGrid1");
    ASSERT_NE(grid->model(), nullptr);
    // One row for each of the six acquisitions at least.
    EXPECT_GE(grid->model()->rowCount(), 6);
    EXPECT_TRUE(program->result_window->isVisible());
    grab(program->result_window, "e2e_download_result");
    EXPECT_EQ(variable(sim::var::acq_enable), 1u);
}

TEST_F(CommandsAgainstLogger, GsmConsoleLinesReachTheLoggerCutAtFiftyEightBytes)
{
    auto* console = program->gsm_console;
    const std::string seventy(70, 'A');
    const std::string fifty_seven(57, 'B');
    child_of<QLineEdit>(console, "Edit_d2")->setText(QString::fromStdString(seventy));
    child_of<QLineEdit>(console, "Edit_d3")->setText(QString::fromStdString(fifty_seven));
    logger.clearReceived();
    std::vector<std::string> lines;
    auto modem_lines = [&](std::size_t count) {
        return loop_until([&] {
            lines.clear();
            for (const sim::Received& frame : logger.received())
                if (frame.port == sim::port::basicio && frame.command() == 'C')
                    lines.emplace_back(frame.payload.begin() + 1, frame.payload.end());
            return lines.size() == count;
        });
    };
    // One line at a time, as a technician sends them.
    child_of<QPushButton>(console, "bt_send_d2")->click();
    ASSERT_TRUE(modem_lines(1));
    child_of<QPushButton>(console, "bt_send_d3")->click();
    ASSERT_TRUE(modem_lines(2));
    // The long line loses its tail and its CR; the shorter one keeps its CR.
    EXPECT_EQ(lines[0], seventy.substr(0, 58));
    EXPECT_EQ(lines[1], fifty_seven + "\r");
}

TEST_F(CommandsAgainstLogger, GsmConsoleLinesSentInTheSameInstantBothReachTheModemInOrder)
{
    auto* console = program->gsm_console;
    child_of<QLineEdit>(console, "Edit_d2")->setText("AT+CSQ");
    child_of<QLineEdit>(console, "Edit_d3")->setText("AT+CREG?");
    logger.clearReceived();
    // The second line is asked for while the first is still going out.
    child_of<QPushButton>(console, "bt_send_d2")->click();
    child_of<QPushButton>(console, "bt_send_d3")->click();
    std::vector<std::string> lines;
    ASSERT_TRUE(loop_until([&] {
        lines.clear();
        for (const sim::Received& frame : logger.received())
            if (frame.port == sim::port::basicio && frame.command() == 'C')
                lines.emplace_back(frame.payload.begin() + 1, frame.payload.end());
        return lines.size() >= 2;
    }));
    EXPECT_EQ(lines, (std::vector<std::string>{"AT+CSQ\r", "AT+CREG?\r"}));
    EXPECT_FALSE(recorded::log_contains("ERROR"));
}

TEST_F(CommandsAgainstLogger, GsmConsoleCommandsGetTheModemsAnswersInTheLog)
{
    auto* console = program->gsm_console;
    auto* main = program->main_form;
    auto* memo = child_of<QPlainTextEdit>(main, "Memo1");
    // The log's lines from the echo of a command on, once its answer is in.
    auto answer_to = [&](const char* button, const QString& echo, const QString& last) {
        child_of<QPushButton>(console, button)->click();
        QStringList lines;
        loop_until([&] {
            lines = memo->toPlainText().split('\n');
            const int from = static_cast<int>(lines.lastIndexOf(echo));
            lines = from < 0 ? QStringList() : lines.mid(from);
            return lines.contains(last);
        });
        return lines.join(" | ").toStdString();
    };
    // The signal quality is explained in the log and drawn as bars (17 is the fifth picture).
    EXPECT_EQ(answer_to("Button25", "AT+CSQ", "+CSQ: 17"), "AT+CSQ | +CSQ: 17");
    EXPECT_TRUE(main->modemImage("img_csq4")->isVisibleTo(main));
    EXPECT_FALSE(main->modemImage("img_csq_qm")->isVisibleTo(main));
    // The SIM waits for its PIN until "Send PIN" gives the one in Edit8.
    EXPECT_EQ(answer_to("Button22", "AT+CPIN?", "+CPIN: SIM PIN (waiting for PIN code)"),
              "AT+CPIN? | +CPIN: SIM PIN (waiting for PIN code)");
    EXPECT_EQ(answer_to("Button26", "AT+CREG?", "+CREG: 0,0 (searching for network)"),
              "AT+CREG? | +CREG: 0,0 (searching for network)");
    EXPECT_EQ(child_of<QLineEdit>(console, "Edit8")->text().toStdString(), "AT+CPIN=\"7906\"");
    // Its OK is two bytes, which the log leaves out: the echo shows the modem heard it.
    EXPECT_EQ(answer_to("Button21", "AT+CPIN=\"7906\"", "AT+CPIN=\"7906\""), "AT+CPIN=\"7906\"");
    EXPECT_EQ(answer_to("Button22", "AT+CPIN?", "+CPIN: READY (PIN ok)"), "AT+CPIN? | +CPIN: READY (PIN ok)");
    EXPECT_EQ(answer_to("Button26", "AT+CREG?", "+CREG: 0,1 (network ok)"), "AT+CREG? | +CREG: 0,1 (network ok)");
    // A command the modem does not know, from the Debug page.
    child_of<QLineEdit>(console, "Edit_d4")->setText("AT+NOSUCH");
    EXPECT_EQ(answer_to("bt_send_d4", "AT+NOSUCH", "ERROR"), "AT+NOSUCH | ERROR");
    grab(main, "e2e_gsm_console_answers");
}

// Page 6 as the EEPROM compiler makes it from a station's COM configuration.
void compile_com_page(const std::string& records, Teeprom_configurer* image)
{
    myXMLdocument doc;
    const std::string text = "<STATION><CONFIGURATION value=\"6\">" + records + "</CONFIGURATION></STATION>";
    Txml_element root = xml_ParseText(text.c_str(), &doc);
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(image->parseStation(root, 0, "", false), 0);
}

// The bytes of one record of page 6: tag, then a length and data (tags up to
// 0x7F) or four bytes of value.
std::vector<uint8_t> com_record(const std::vector<uint8_t>& page, uint8_t tag)
{
    Teeprom_configurer image;
    image.loadPage(6, page.data(), eeprom_page_size);
    const unsigned offset = image.findRecord(6, tag);
    if (offset == eeprom_absent)
        return {};
    const unsigned size = tag <= 0x7F ? 2u + page.at(offset + 1) : 5u;
    return {page.begin() + offset, page.begin() + offset + size};
}

std::vector<uint8_t> com_page_of(const Teeprom_configurer& image)
{
    std::vector<uint8_t> page(eeprom_page_size);
    for (unsigned i = 0; i < eeprom_page_size; ++i)
        page[i] = image.byteAt(6, i);
    return page;
}

TEST_F(CommandsAgainstLogger, ComSettingsAreReadEditedAndWrittenAsTheCompilerWritesThem)
{
    Teeprom_configurer before;
    compile_com_page("<GSM_INTERVAL value=\"1800\"/><HTTP_HOST host=\"data.example.org\" port=\"81\"/>"
                     "<HTTP_URL value=\"/gprs/in.php\"/><GPRS_APN_NAME value=\"internet\"/>",
                     &before);
    const std::vector<uint8_t> initial = com_page_of(before);
    logger.update([&initial](sim::State& s) { s.eeprom.setPage(6, initial); });

    child_of<QPushButton>(program->main_form, "Button2")->click();
    ASSERT_TRUE(idleWith(Tcalyxo_master::LINK_CONNECTED));
    auto* main = program->main_form;
    EXPECT_EQ(child_of<QLineEdit>(main, "ed_HTTP_HOST")->text().toStdString(), "data.example.org");
    EXPECT_EQ(child_of<QLineEdit>(main, "ed_port")->text().toStdString(), "81");
    EXPECT_EQ(child_of<QLineEdit>(main, "ed_GSM_INTERVAL")->text().toStdString(), "1800");
    ASSERT_TRUE(child_of<QPushButton>(main, "Button3")->isEnabled());

    child_of<QLineEdit>(main, "ed_GSM_INTERVAL")->setText("600");
    child_of<QLineEdit>(main, "ed_APN")->setText("web.sim");
    child_of<QLineEdit>(main, "ed_HTTP_HOST")->setText("upload.example.net");
    child_of<QLineEdit>(main, "ed_port")->setText("255");
    child_of<QLineEdit>(main, "ed_USERNAME")->setText("station");
    child_of<QPushButton>(main, "Button3")->click();
    ASSERT_TRUE(idleWith(Tcalyxo_master::LINK_CONNECTED));
    EXPECT_TRUE(recorded::log_contains("START   : EEPROM change & upload (COM)"));

    Teeprom_configurer expected;
    compile_com_page("<GSM_INTERVAL value=\"600\"/><HTTP_HOST host=\"upload.example.net\" port=\"255\"/>"
                     "<HTTP_URL value=\"/gprs/in.php\"/><GPRS_APN_NAME value=\"web.sim\"/>"
                     "<USERNAME value=\"station\"/>",
                     &expected);
    const std::vector<uint8_t> compiled = com_page_of(expected);
    const auto stored = logger.read([](const sim::State& s) { return s.eeprom.page(6); });
    for (uint8_t tag : {134, 124, 118, 123, 119}) {
        EXPECT_FALSE(com_record(compiled, tag).empty()) << int(tag);
        EXPECT_EQ(com_record(std::vector<uint8_t>(stored.begin(), stored.end()), tag), com_record(compiled, tag))
            << "record " << int(tag);
    }
}

// Typed values against the logger: each text of a table is typed as a
// technician types it, and the logger afterwards holds the value typed, or,
// for a text that is refused, still the value it had (nothing was sent).

TEST_F(CommandsAgainstLogger, ValuePromptSendsOnlyAWholeNumberInItsRange)
{
    constexpr uint32_t before = 5;
    const struct {
        const char* typed;
        bool sent;
        uint32_t value;
    } cases[] = {
        {"-5", false, 0},         {"4294967296", false, 0}, {"4294967295", false, 0}, {"12ab", false, 0},
        {"1e6", false, 0},        {"1,5", false, 0},        {"", false, 0},           {"2147483648", false, 0},
        {"0", true, 0},           {" 1 000", true, 1000},   {"2147483647", true, 2147483647u},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        logger.update([](sim::State& s) { s.variables[sim::var::acq_counter] = before; });
        recorded::clear_log();
        bool stayed_open = false;
        when_modal([&](QWidget* dialog) {
            auto* field = child_of<QLineEdit>(dialog, "ed_SNR");
            field->setText(QString::fromUtf8(c.typed));
            type_key(field, Qt::Key_Return);
            stayed_open = dialog->isVisible();
            if (stayed_open) {
                EXPECT_NE(child_of<QLabel>(dialog, "lb_error")->text().toStdString().find("ACQ counter"),
                          std::string::npos);
                type_key(field, Qt::Key_Escape);
            }
        });
        ASSERT_TRUE(run("SetACQcounter1"));
        EXPECT_EQ(stayed_open, !c.sent);
        EXPECT_EQ(variable(sim::var::acq_counter), c.sent ? c.value : before);
        EXPECT_EQ(recorded::log_contains("START   : set ACQ_counter : "), c.sent);
    }
}

TEST_F(CommandsAgainstLogger, ComSettingsSendOnlyNumbersTheirFieldsHold)
{
    Teeprom_configurer before;
    compile_com_page("<GSM_INTERVAL value=\"1800\"/><HTTP_HOST host=\"data.example.org\" port=\"81\"/>"
                     "<GPRS_APN_NAME value=\"internet\"/>",
                     &before);
    const std::vector<uint8_t> initial = com_page_of(before);
    logger.update([&initial](sim::State& s) { s.eeprom.setPage(6, initial); });
    auto* main = program->main_form;
    child_of<QPushButton>(main, "Button2")->click();
    ASSERT_TRUE(idleWith(Tcalyxo_master::LINK_CONNECTED));
    auto stored = [this](uint8_t tag) {
        const auto page = logger.read([](const sim::State& s) { return s.eeprom.page(6); });
        return com_record(std::vector<uint8_t>(page.begin(), page.end()), tag);
    };
    const std::vector<uint8_t> interval_before = stored(134);
    ASSERT_EQ(interval_before, (std::vector<uint8_t>{134, 0, 0, 0x07, 0x08}));

    const struct {
        const char* field;
        const char* typed;
        uint8_t tag;
        std::vector<uint8_t> record;  // empty: refused, the page as it was
    } cases[] = {
        {"ed_GSM_INTERVAL", "4294967296", 134, {}},
        {"ed_GSM_INTERVAL", "4294967301", 134, {}},
        {"ed_GSM_INTERVAL", " -5", 134, {}},
        {"ed_GSM_INTERVAL", "0", 134, {}},
        {"ed_GSM_INTERVAL", "12ab", 134, {}},
        {"ed_GSM_INTERVAL", "", 134, {}},
        {"ed_MAX_DATA_SIZE", "4294967296", 140, {}},
        {"ed_MAX_DATA_SIZE", " -5", 140, {}},
        {"ed_MAX_DATA_SIZE", "1,5", 140, {}},
        {"ed_GSM_INTERVAL", "4294967295", 134, {134, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"ed_MAX_DATA_SIZE", "4294967295", 140, {140, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"ed_GSM_INTERVAL", " 3600", 134, {134, 0, 0, 0x0E, 0x10}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.typed);
        const std::vector<uint8_t> page_before = stored(c.tag);
        child_of<QLineEdit>(main, "ed_GSM_INTERVAL")->setText("1800");
        child_of<QLineEdit>(main, "ed_MAX_DATA_SIZE")->setText("");
        child_of<QLineEdit>(main, c.field)->setText(QString::fromUtf8(c.typed));
        recorded::clear_log();
        dialogs.boxes.clear();
        child_of<QPushButton>(main, "Button3")->click();
        ASSERT_TRUE(idleWith(Tcalyxo_master::LINK_CONNECTED));
        if (c.record.empty()) {
            ASSERT_EQ(dialogs.boxes.size(), 1u);
            EXPECT_NE(dialogs.boxes[0].text.find(c.field + 3), std::string::npos) << dialogs.boxes[0].text;
            EXPECT_FALSE(recorded::log_contains("START   : EEPROM change & upload (COM)"));
            EXPECT_EQ(stored(c.tag), page_before);
        } else {
            EXPECT_TRUE(recorded::log_contains("START   : EEPROM change & upload (COM)"));
            EXPECT_EQ(stored(c.tag), c.record);
        }
    }
}

TEST_F(CommandsAgainstLogger, PulseMeterIndexIsSentOnlyAsACountTheLoggerHolds)
{
    constexpr uint32_t before = 77;
    TFormAsk_pulse* pulse = program->pulse;
    const struct {
        const char* typed;
        int weight_entry;
        bool sent;
        uint32_t pulses;
    } cases[] = {
        {"12abc", 0, false, 0},       {"1,5", 0, false, 0},          {"-3", 0, false, 0},
        {"1e12", 0, false, 0},        {"1e309", 0, false, 0},        {"", 0, false, 0},
        {"42949673", 2, false, 0},    {"4294967296", 0, false, 0},   {"0.29", 2, true, 29},
        {"4294967295", 0, true, 4294967295u}, {"1.5e3", 1, true, 15000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        logger.update([](sim::State& s) { s.variables[sim::var::pulse_counter0] = before; });
        recorded::clear_log();
        pulse->pulse_dialog_set(1, "1234");
        pulse->pulse_dialog_set(0, c.typed);
        child_of<QComboBox>(pulse, "cb_weight")->setCurrentIndex(c.weight_entry);
        pulse->pulse_dialog_show();
        child_of<QPushButton>(pulse, "bt_OK")->click();
        ASSERT_TRUE(idleWith(Tcalyxo_master::LINK_CONNECTED));
        EXPECT_EQ(pulse->isVisible(), !c.sent);
        EXPECT_EQ(variable(sim::var::pulse_counter0), c.sent ? c.pulses : before);
        EXPECT_EQ(recorded::log_contains("INFO  : Programming pulse meter SNR=1234"), c.sent);
        if (!c.sent) {
            const std::string why = child_of<QLabel>(pulse, "lb_error")->text().toStdString();
            EXPECT_NE(why.find("index actuel"), std::string::npos) << why;
            if (std::string(c.typed) == "1e12")
                grab(pulse, "e2e_pulse_index_refused");
            pulse->hide();
        }
    }
}

TEST_F(CommandsAgainstLogger, NextOnTimeIsSentOnlyWhenEveryFieldIsInItsRange)
{
    const char* const fields[] = {"ed_gsm_next_year", "ed_gsm_next_month", "ed_gsm_next_day",
                                  "ed_gsm_next_hour", "ed_gsm_next_minutes", "ed_gsm_next_seconds"};
    constexpr uint32_t before = 123456;
    const struct {
        std::vector<const char*> typed;
        const char* field_named;  // null: sent
        uint32_t time;
    } cases[] = {
        {{"2030", "13", "01", "12", "00", "00"}, "month", 0},
        {{"2030", "02", "31", "12", "00", "00"}, "day", 0},
        {{"2030", "06", "15", "-1", "00", "00"}, "hour", 0},
        {{"2030", "06", "15", "12", "99", "00"}, "minute", 0},
        {{"2030", "06", "15", "12", "30", "1e1"}, "second", 0},
        {{"2028", "02", "29", "23", "59", "59"}, nullptr, 1835481599u},
    };
    auto* zone = child_of<QComboBox>(program->main_form, "timezone_gsm_next");
    zone->setCurrentIndex(zone->findData(0));
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.typed[1]) + "-" + c.typed[2] + " " + c.typed[3] + ":" + c.typed[4]);
        logger.update([](sim::State& s) { s.variables[sim::var::gsm_next] = before; });
        for (int i = 0; i < 6; ++i)
            child_of<QLineEdit>(program->main_form, fields[i])->setText(c.typed[i]);
        dialogs.boxes.clear();
        child_of<QPushButton>(program->main_form, "bt_gsm_next")->click();
        ASSERT_TRUE(idleWith(Tcalyxo_master::LINK_CONNECTED));
        if (c.field_named) {
            ASSERT_EQ(dialogs.boxes.size(), 1u);
            EXPECT_EQ(dialogs.boxes[0].text.rfind(c.field_named, 0), 0u) << dialogs.boxes[0].text;
            EXPECT_NE(dialogs.boxes[0].text.find(" from "), std::string::npos) << dialogs.boxes[0].text;
            EXPECT_EQ(variable(sim::var::gsm_next), before);
        } else {
            EXPECT_TRUE(dialogs.boxes.empty());
            EXPECT_EQ(variable(sim::var::gsm_next), c.time);
        }
    }
}

}  // namespace
