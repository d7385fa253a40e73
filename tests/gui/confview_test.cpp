#include "programs/confview/wmain_config_view.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <sys/stat.h>

#include "base/log.h"
#include "platform/widgets/recording_dialogs.h"
#include "tests/gui/qt_application.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/recording_program.h"
#include "tests/support/temp_dir.h"
#include "programs/confview/configuration_block.h"
#include "programs/confview/tab_rows.h"
#include "tests/ui/window_grab.h"
#include "platform/widgets/log_memo.h"

namespace {

// Page 0: SYSCTRL 84 01 01 00 65, page 1: ACQ_INTERVAL0 85 00 00 02 58, each closed by FF.
const char two_blocks[] =
    "<SETUP><STATIONS><STATION id=\"12\">"
    "<CONFIGURATION value=\"0\"><SYSCTRL acq_enabled=\"ON\" gsm_enabled=\"on\" time_zone=\"101\"/></CONFIGURATION>"
    "<CONFIGURATION value=\"1\"><ACQ_INTERVAL0 value=\"600\"/></CONFIGURATION>"
    "</STATION></STATIONS></SETUP>";

const char read_error[] = "Erreur lors de la lecture du fichier";
const char too_large[] = "Fichier de configuration trop grand";
const char no_station[] = "no STATIONS/STATION, not a setup file";
const char save_error[] = "Erreur lors de l'\xC3\xA9" "criture du fichier eeprom_data.bin";

// A window in a working folder of its own, every box and file dialog answered
// by the recording handler; the log is recorded, as the program drops it.
class ConfigurationView : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensure_qt_application();
        previous_dir = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
        window = std::make_unique<TFmain>();
        recorded::clear_log();
    }
    void TearDown() override
    {
        window.reset();
        std::filesystem::current_path(previous_dir);
    }

    template <typename T>
    T* widget(const char* name)
    {
        T* found = window->findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    std::string text(const char* name)
    {
        if (QPlainTextEdit* memo = window->findChild<QPlainTextEdit*>(QLatin1String(name)))
            return memo->toPlainText().toStdString();
        QLabel* label = widget<QLabel>(name);
        return label ? label->text().toStdString() : std::string();
    }
    std::string setup_file(const std::string& name, const std::string& content)
    {
        const std::string path = dir.file(name);
        EXPECT_TRUE(write_file_bytes(path, content));
        return path;
    }
    void select_tab(int index) { widget<Ttab_rows>("TabControl1")->setCurrentIndex(index); }
    void trigger(const char* action) { widget<QAction>(action)->trigger(); }
    void expect_nothing_shown()
    {
        EXPECT_EQ(text("memo0"), "");
        EXPECT_EQ(text("memo1"), "");
        EXPECT_EQ(text("lb_size"), "");
        EXPECT_EQ(text("lb_cs"), "");
    }

    Ttemp_dir dir;
    Trecording_dialogs dialogs;
    std::filesystem::path previous_dir;
    std::unique_ptr<TFmain> window;
};

TEST_F(ConfigurationView, StartsEmptyWithItsCaptionAndSevenTabs)
{
    EXPECT_EQ(window->windowTitle().toStdString(), "Calyxo Configuration View 32 - 480315_j01");
    Ttab_rows* tabs = widget<Ttab_rows>("TabControl1");
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 7);
    EXPECT_EQ(tabs->tabText(6).toStdString(), "Configuration #6");
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(text("Label1"), "Configuration #0");
    EXPECT_EQ(widget<QAction>("LoadXMLsetup1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    expect_nothing_shown();
}

TEST_F(ConfigurationView, LoadedBlocksShowTheirXmlCommandSizeAndChecksumPerTab)
{
    dialogs.file_answers = {setup_file("setup.xml", two_blocks)};
    trigger("LoadXMLsetup1");
    ASSERT_EQ(dialogs.file_dialogs.size(), 1u);
    EXPECT_EQ(dialogs.file_dialogs[0].mode, Tfile_dialog_mode::open);
    EXPECT_EQ(dialogs.file_dialogs[0].filter, "XML files (.xml)|*.xml|All files|*.*");
    EXPECT_EQ(dialogs.file_dialogs[0].default_extension, "xml");
    EXPECT_TRUE(dialogs.boxes.empty());

    // Tab 0 is shown after the load.
    EXPECT_EQ(text("memo1"), "7F07008401010065FF");
    EXPECT_EQ(text("lb_size"), "7 bytes");
    EXPECT_EQ(text("lb_cs"), "234 (xea)");
    EXPECT_NE(text("memo0").find("SYSCTRL"), std::string::npos);

    select_tab(1);
    EXPECT_EQ(text("Label1"), "Configuration #1");
    EXPECT_EQ(text("memo1"), "7F07018500000258FF");
    EXPECT_EQ(text("lb_size"), "7 bytes");
    EXPECT_EQ(text("lb_cs"), "222 (xde)");
    const std::string xml = text("memo0");
    EXPECT_NE(xml.find("CONFIGURATION"), std::string::npos);
    EXPECT_NE(xml.find("ACQ_INTERVAL0"), std::string::npos);
    EXPECT_NE(xml.find("600"), std::string::npos);
    EXPECT_EQ(xml.find("SYSCTRL"), std::string::npos);
    EXPECT_EQ(widget<QPlainTextEdit>("memo0")->textCursor().position(), 0);

    select_tab(3);
    EXPECT_EQ(text("Label1"), "Configuration #3");
    EXPECT_EQ(text("memo0"), "");
    EXPECT_EQ(text("memo1"), "");
    EXPECT_EQ(text("lb_size"), "0 bytes");
    EXPECT_EQ(text("lb_cs"), "255 (xff)");

    // A cancelled dialog loads nothing and keeps what is shown.
    select_tab(1);
    trigger("LoadXMLsetup1");
    EXPECT_EQ(text("memo1"), "7F07018500000258FF");
}

TEST_F(ConfigurationView, SetupWithoutStationsIsCompiledFromItsRoot)
{
    window->load_setup_file(setup_file("station.xml",
        "<STATION id=\"3\"><CONFIGURATION value=\"1\"><ACQ_INTERVAL0 value=\"600\"/></CONFIGURATION></STATION>")
                                .c_str());
    select_tab(1);
    EXPECT_EQ(text("memo1"), "7F07018500000258FF");
    EXPECT_NE(text("memo0").find("ACQ_INTERVAL0"), std::string::npos);
}

TEST_F(ConfigurationView, CopyPutsTheCommandTextOnTheClipboard)
{
    window->load_setup_file(setup_file("setup.xml", two_blocks).c_str());
    select_tab(1);
    widget<QPushButton>("Button1")->click();
    EXPECT_EQ(dialogs.clipboard, "7F07018500000258FF");
}

TEST_F(ConfigurationView, DroppedFilesLoadInOrderAndTheLastStaysShown)
{
    const std::string first = setup_file("first.xml", two_blocks);
    const std::string second = setup_file("second.xml",
        "<SETUP><STATIONS><STATION><CONFIGURATION value=\"0\"><GSM_INTERVAL value=\"3600\"/>"
        "</CONFIGURATION></STATION></STATIONS></SETUP>");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(first)), QUrl(QStringLiteral("https://example.org/x.xml")),
                  QUrl::fromLocalFile(QString::fromStdString(second))});

    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &drop);

    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(text("memo1"), "7F07008600000E10FF");
    select_tab(1);
    EXPECT_EQ(text("lb_size"), "0 bytes");
}

TEST_F(ConfigurationView, SaveWritesPagesZeroToSevenAs2048Bytes)
{
    trigger("Savetoeepromdatabin1");
    EXPECT_EQ(read_file_bytes(dir.file("eeprom_data.bin")), std::string(2048, '\xFF'));

    window->load_setup_file(setup_file("setup.xml", two_blocks).c_str());
    trigger("Savetoeepromdatabin1");
    EXPECT_TRUE(dialogs.boxes.empty());
    const std::string image = read_file_bytes(dir.file("eeprom_data.bin"));
    ASSERT_EQ(image.size(), 2048u);
    EXPECT_EQ(image.substr(0, 6), std::string("\x84\x01\x01\x00\x65\xFF", 6));
    EXPECT_EQ(image.substr(6, 250), std::string(250, '\xFF'));
    EXPECT_EQ(image.substr(256, 6), std::string("\x85\x00\x00\x02\x58\xFF", 6));
    EXPECT_EQ(image.substr(262), std::string(2048 - 262, '\xFF'));
}

TEST_F(ConfigurationView, FailedSaveShowsItsBoxAndKeepsTheExistingFile)
{
    window->load_setup_file(setup_file("setup.xml", two_blocks).c_str());
    ASSERT_TRUE(write_file_bytes(dir.file("eeprom_data.bin"), "previous image"));
    {
        // A disk that takes half the image.
        Tfile_size_limit full(1024);
        ASSERT_TRUE(full.applied());
        trigger("Savetoeepromdatabin1");
    }
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text.rfind(save_error, 0), 0u) << dialogs.boxes[0].text;
    EXPECT_EQ(dialogs.boxes[0].icon, Tbox_icon::error);
    EXPECT_EQ(read_file_bytes(dir.file("eeprom_data.bin")), "previous image");

    // A rename that fails leaves no temporary file behind.
    std::filesystem::remove(dir.file("eeprom_data.bin"));
    std::filesystem::create_directories(dir.file("eeprom_data.bin/keep"));
    trigger("Savetoeepromdatabin1");
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].text.rfind(save_error, 0), 0u) << dialogs.boxes[1].text;
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("eeprom_data.bin/keep")));
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().find("eeprom_data.bin."), std::string::npos) << entry.path();
}

TEST_F(ConfigurationView, UnreadableFilesShowTheReadBoxAndEmptyTheTabs)
{
    window->load_setup_file(setup_file("setup.xml", two_blocks).c_str());
    select_tab(1);
    ASSERT_EQ(text("lb_size"), "7 bytes");

    // The box names the file and says why, whatever kind of file it is.
    const std::string fifo = dir.file("fifo.xml");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string broken = "<SETUP><STATIONS></SETUP>";
    const std::string cut = "<SETUP><STATIONS><STATION id=\"1\">";
    const struct {
        std::string path;
        std::string reason;
    } failures[] = {
        {dir.file("missing.xml"), "il n'existe pas"},
        {setup_file("broken.xml", broken), "ce n'est pas du XML (erreur \xC3\xA0 l'octet 19)"},
        {setup_file("cut.xml", cut), "il est coup\xC3\xA9 \xC3\xA0 l'octet " + std::to_string(cut.size())},
        {dir.path(), "c'est un dossier, pas un fichier"},
        {fifo, "c'est un FIFO, pas un fichier ordinaire"},
    };
    for (const auto& failure : failures)
        window->load_setup_file(failure.path.c_str());
    ASSERT_EQ(dialogs.boxes.size(), std::size(failures));
    for (std::size_t i = 0; i < std::size(failures); ++i) {
        const Tmessage_box& box = dialogs.boxes[i];
        EXPECT_EQ(box.text, std::string(read_error) + "\n" + failures[i].path + " : " + failures[i].reason);
        EXPECT_EQ(box.icon, Tbox_icon::error);
        EXPECT_EQ(box.buttons, Tbox_buttons::ok);
    }
    EXPECT_EQ(widget<Ttab_rows>("TabControl1")->currentIndex(), 0);
    EXPECT_EQ(text("Label1"), "Configuration #0");
    expect_nothing_shown();
    select_tab(1);
    expect_nothing_shown();
}

TEST_F(ConfigurationView, ConfigurationTooLargeShowsItsBoxAndEmptyTheTabs)
{
    const std::string text_100(100, 'x');
    std::string setup = "<SETUP><STATIONS><STATION><CONFIGURATION value=\"2\">";
    for (int n = 1; n <= 4; ++n)
        setup += "<SMS_TEXT_" + std::to_string(n) + " value=\"" + text_100 + "\"/>";
    setup += "</CONFIGURATION></STATION></STATIONS></SETUP>";
    window->load_setup_file(setup_file("large.xml", setup).c_str());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, too_large);
    EXPECT_EQ(dialogs.boxes[0].icon, Tbox_icon::error);
    select_tab(2);
    expect_nothing_shown();
}

// The compiler's own error lines say what is wrong with the station.
TEST_F(ConfigurationView, StationErrorShowsItsReasonAndEmptyTabs)
{
    window->load_setup_file(setup_file("unknown.xml",
        "<SETUP><STATIONS><STATION><CONFIGURATION value=\"0\"><sysctrl/>"
        "</CONFIGURATION></STATION></STATIONS></SETUP>").c_str());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text,
              "ERROR : Teeprom_configurer, unknown element \"sysctrl\"\n"
              "ERROR : Erreur lors de la lecture du fichier de configuration ");
    EXPECT_EQ(dialogs.boxes[0].icon, Tbox_icon::error);
    expect_nothing_shown();
    select_tab(1);
    expect_nothing_shown();
}

// A measurement file, or any XML whose root is no STATION and holds no
// STATIONS/STATION, is no setup file: the box names it, nothing is shown.
TEST_F(ConfigurationView, FileWithoutAStationIsAFailedLoad)
{
    window->load_setup_file(setup_file("setup.xml", two_blocks).c_str());
    const std::string path = setup_file("measurement.xml",
        "<MEASUREMENTS><STATION id=\"3\"/><CONFIGURATION value=\"1\"><ACQ_INTERVAL0 value=\"600\"/>"
        "</CONFIGURATION></MEASUREMENTS>");
    window->load_setup_file(path.c_str());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, std::string(read_error) + "\n" + path + " : " + no_station);
    EXPECT_EQ(dialogs.boxes[0].icon, Tbox_icon::error);
    expect_nothing_shown();
    select_tab(1);
    expect_nothing_shown();
    expect_grab(window.get(), "confview_no_station");
}

// A file larger than any setup file is not parsed: the box says why.
TEST_F(ConfigurationView, FileLargerThanAnySetupFileIsNotRead)
{
    const std::string path = setup_file("huge.xml", "<SETUP>" + std::string(10u << 20, ' ') + "</SETUP>");
    window->load_setup_file(path.c_str());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, std::string(read_error) + "\n\"" + path +
                                         "\" of 10485775 bytes is larger than a setup file (at most 1048576 bytes)");
    expect_nothing_shown();
}

// Values their fields cannot hold are named by the compiler's lines in the
// box, as far as the compile logs them, with the count of the rest.
TEST_F(ConfigurationView, RefusedValuesShowTheCompilersLinesInTheBox)
{
    std::string elements;
    for (int i = 0; i < 25; ++i)
        elements += "<SYSCTRL time_zone=\"" + std::to_string(300 + i) + "\"/>";
    window->load_setup_file(setup_file("refused.xml",
        "<SETUP><STATIONS><STATION><CONFIGURATION value=\"0\">" + elements +
        "</CONFIGURATION></STATION></STATIONS></SETUP>").c_str());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    const std::string& box = dialogs.boxes[0].text;
    EXPECT_EQ(box.rfind("ERROR : Teeprom_configurer, SYSCTRL time_zone=\"300\" is out of range\n", 0), 0u) << box;
    EXPECT_NE(box.find("time_zone=\"319\" is out of range\n... and 5 more errors\n"
                       "ERROR : Erreur lors de la lecture du fichier de configuration "),
              std::string::npos)
        << box;
    EXPECT_EQ(box.find("time_zone=\"320\""), std::string::npos) << box;
    expect_nothing_shown();
    expect_grab(window.get(), "confview_refused_values");
}

// A station is compiled from its file alone: what an earlier file set and
// this one leaves out (the station id) is not carried over.
TEST_F(ConfigurationView, EachFileIsCompiledOnItsOwn)
{
    const std::string a = setup_file("a.xml",
        "<SETUP><STATIONS><STATION id=\"12\"><CONFIGURATION value=\"1\"><STATION_ID/></CONFIGURATION>"
        "</STATION></STATIONS></SETUP>");
    const std::string b = setup_file("b.xml",
        "<SETUP><STATIONS><STATION><CONFIGURATION value=\"1\"><STATION_ID/></CONFIGURATION>"
        "</STATION></STATIONS></SETUP>");
    window->load_setup_file(b.c_str());
    select_tab(1);
    const std::string b_alone = text("memo1");
    EXPECT_EQ(b_alone, "7F07018200000000FF");
    window->load_setup_file(a.c_str());
    select_tab(1);
    EXPECT_EQ(text("memo1"), "7F0701820000000CFF");
    window->load_setup_file(b.c_str());
    select_tab(1);
    EXPECT_EQ(text("memo1"), b_alone);
    trigger("Savetoeepromdatabin1");
    EXPECT_EQ(read_file_bytes(dir.file("eeprom_data.bin")).substr(256, 7), std::string("\x82\0\0\0\0\xFF\xFF", 7));
    EXPECT_TRUE(dialogs.boxes.empty());
}

// After a file that could not be used, "Save" writes neither the image before
// it nor a part of its own, and says why.
TEST_F(ConfigurationView, SaveAfterAFailedLoadWritesNothingAndSaysWhy)
{
    window->load_setup_file(setup_file("setup.xml", two_blocks).c_str());
    trigger("Savetoeepromdatabin1");
    const std::string saved = read_file_bytes(dir.file("eeprom_data.bin"));
    ASSERT_EQ(saved.size(), 2048u);

    std::string large = "<SETUP><STATIONS><STATION><CONFIGURATION value=\"0\"><GSM_INTERVAL value=\"60\"/>";
    for (int n = 1; n <= 4; ++n)
        large += "<SMS_TEXT_" + std::to_string(n) + " value=\"" + std::string(100, 'x') + "\"/>";
    large += "</CONFIGURATION></STATION></STATIONS></SETUP>";
    const struct {
        std::string path;
        const char* reason;
    } failures[] = {
        {dir.file("missing.xml"), read_error},
        {setup_file("large.xml", large), too_large},
        {setup_file("unknown.xml", "<STATION><CONFIGURATION value=\"0\"><GSM_INTERVAL value=\"60\"/><nothing/>"
                                   "</CONFIGURATION></STATION>"),
         "unknown element \"nothing\""},
        {setup_file("measurement.xml", "<MEASUREMENTS><CONFIGURATION value=\"0\"/></MEASUREMENTS>"), no_station},
        {setup_file("refused.xml", "<STATION><CONFIGURATION value=\"0\"><SYSCTRL address=\"999\"/>"
                                   "</CONFIGURATION></STATION>"),
         "SYSCTRL address=\"999\" is out of range"},
        {setup_file("huge.xml", std::string(setup_file_max_bytes + 1, ' ')), "is larger than a setup file"},
    };
    for (const auto& failure : failures) {
        window->load_setup_file(failure.path.c_str());
        dialogs.boxes.clear();
        trigger("Savetoeepromdatabin1");
        ASSERT_EQ(dialogs.boxes.size(), 1u) << failure.path;
        EXPECT_EQ(dialogs.boxes[0].text.rfind("Rien n'a \xC3\xA9t\xC3\xA9 \xC3\xA9" "crit dans eeprom_data.bin", 0), 0u)
            << dialogs.boxes[0].text;
        EXPECT_NE(dialogs.boxes[0].text.find(failure.reason), std::string::npos) << dialogs.boxes[0].text;
        EXPECT_EQ(dialogs.boxes[0].icon, Tbox_icon::error);
        EXPECT_EQ(read_file_bytes(dir.file("eeprom_data.bin")), saved) << failure.path;
    }
    // A file that compiles can be saved again.
    dialogs.boxes.clear();
    window->load_setup_file(setup_file("second.xml",
        "<STATION><CONFIGURATION value=\"0\"><GSM_INTERVAL value=\"3600\"/></CONFIGURATION></STATION>").c_str());
    trigger("Savetoeepromdatabin1");
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(read_file_bytes(dir.file("eeprom_data.bin")).substr(0, 6), std::string("\x86\0\0\x0E\x10\xFF", 6));
}

// The text fields show what the compiler made, not whatever reaches the log:
// the dump of a tab stays out of the program's log, and the log's lines stay
// out of the fields.
TEST_F(ConfigurationView, TextFieldsTakeTheirTextsFromTheCompiler)
{
    window->load_setup_file(setup_file("setup.xml", two_blocks).c_str());
    select_tab(1);
    EXPECT_EQ(text("memo0"),
              "<CONFIGURATION value=\"1\" >\n    <ACQ_INTERVAL0 value=\"600\"/>\n</CONFIGURATION>");
    EXPECT_EQ(text("memo1"), "7F07018500000258FF");
    for (const std::string& line : recorded::log_lines())
        EXPECT_EQ(line.find("ACQ_INTERVAL0"), std::string::npos) << line;
    log_printf("INFO  : a line of the program");
    EXPECT_EQ(text("memo1"), "7F07018500000258FF");
}

// At the window's size every tab shows whole, in as many rows as it takes.
TEST_F(ConfigurationView, EveryTabShowsWholeAtTheWindowsSize)
{
    window->load_setup_file(setup_file("setup.xml", two_blocks).c_str());
    // The grab lays the window out at its size as showing it would.
    expect_grab(window.get(), "confview_tabs");
    Ttab_rows* tabs = widget<Ttab_rows>("TabControl1");
    ASSERT_NE(tabs, nullptr);
    const QRect client = window->centralWidget()->rect();
    for (int index = 0; index < tabs->count(); ++index) {
        QToolButton* tab = tabs->findChild<QToolButton*>(QStringLiteral("tab%1").arg(index));
        ASSERT_NE(tab, nullptr) << index;
        EXPECT_TRUE(tab->isVisibleTo(window.get())) << index;
        EXPECT_GE(tab->width(), tab->sizeHint().width()) << index;
        const QRect shown(tab->mapTo(window->centralWidget(), QPoint(0, 0)), tab->size());
        EXPECT_TRUE(client.contains(shown)) << index;
    }
    QToolButton* last = tabs->findChild<QToolButton*>(QStringLiteral("tab6"));
    ASSERT_NE(last, nullptr);
    last->click();
    EXPECT_EQ(tabs->currentIndex(), 6);
    EXPECT_EQ(text("Label1"), "Configuration #6");
}

// A value of most of the largest setup file reaches the window as one cut
// line: the window does not lay out the whole value, and what it compiles is
// shown.
TEST_F(ConfigurationView, AttributeOfNearlyAMebibyteIsShownCut)
{
    const std::string huge(setup_file_max_bytes - 512, 'n');
    window->load_setup_file(setup_file("huge.xml",
        "<SETUP><STATIONS><STATION><CONFIGURATION value=\"0\">"
        "<SYSCTRL note=\"" + huge + "\" acq_enabled=\"ON\" gsm_enabled=\"on\" time_zone=\"101\"/>"
        "</CONFIGURATION></STATION></STATIONS></SETUP>").c_str());
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(text("memo1"), "7F07008401010065FF");
    const std::string xml = text("memo0");
    EXPECT_LT(xml.size(), 2 * log_window_line_bytes);
    const std::string shown_start = "    <SYSCTRL note=\"" + std::string(log_window_line_bytes - 19, 'n') + " [... ";
    const size_t cut = xml.find(shown_start);
    ASSERT_NE(cut, std::string::npos) << xml.substr(0, 100);
    // What was left out: the rest of the value and the other attributes.
    const unsigned long left_out = std::strtoul(xml.c_str() + cut + shown_start.size(), nullptr, 10);
    EXPECT_GT(left_out, huge.size() - log_window_line_bytes);
    EXPECT_LT(left_out, huge.size());
    EXPECT_NE(xml.find(" more bytes not shown]\n</CONFIGURATION>"), std::string::npos);
}

// Images no setup file compiles to, built byte by byte.
TEST(ConfigurationBlock, CountSizeAndChecksumFollowTheWrittenBytes)
{
    Teeprom_configurer image;
    const unsigned char three[] = {0x85, 0x00, 0x02};
    image.setBytes(1 * eeprom_page_size, three, sizeof three);
    const Tconfiguration_block block = configuration_block(image, 1);
    EXPECT_EQ(std::string(block.command.c_str()), "7F0401850002");
    EXPECT_EQ(std::string(block.size_text.c_str()), "4 bytes");
    EXPECT_EQ(std::string(block.checksum_text.c_str()), "135 (x87)");

    unsigned char full[eeprom_page_size];
    for (unsigned i = 0; i < sizeof full; ++i)
        full[i] = static_cast<unsigned char>(i);
    image.setBytes(2 * eeprom_page_size, full, sizeof full);
    const Tconfiguration_block whole = configuration_block(image, 2);
    EXPECT_EQ(whole.count, 255u);
    EXPECT_EQ(std::string(whole.size_text.c_str()), "255 bytes");
    const std::string command = whole.command.c_str();
    ASSERT_EQ(command.size(), 6u + 2 * eeprom_page_size);
    EXPECT_EQ(command.substr(0, 10), "7FFF020001");
    EXPECT_EQ(command.substr(command.size() - 4), "FEFF");
    // 0 + 1 + ... + 255 = 32640, which is 128 modulo 256.
    EXPECT_EQ(std::string(whole.checksum_text.c_str()), "128 (x80)");

    const Tconfiguration_block empty = configuration_block(image, 5);
    EXPECT_EQ(std::string(empty.command.c_str()), "");
    EXPECT_EQ(std::string(empty.size_text.c_str()), "0 bytes");
    EXPECT_EQ(std::string(empty.checksum_text.c_str()), "255 (xff)");
}

}  // namespace
