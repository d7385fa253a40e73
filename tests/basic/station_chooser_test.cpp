// The station chooser over a ports folder of com<N> links: its lines, the
// letter and digit keys, Enter and Escape, and the record it hands out.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>

#include <unistd.h>

#include <string>
#include <vector>

#include "data/setup.h"
#include "programs/basic/wselstation.h"
#include "tests/basic/basic_test_support.h"
#include "tests/link/link_test_support.h"

namespace {

class StationChooser : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensure_basic_application(); }

    void SetUp() override
    {
        link("com1", "/dev/null");
        link("com3", "/dev/zero");
        // The machine's own serial devices stay out of the list.
        chooser.setPortFolders({ports.path(), no_tty.path(), "/dev"});
        chooser.fillList();
    }

    void link(const char* name, const char* device)
    {
        ASSERT_EQ(symlink(device, (ports.path() + "/" + name).c_str()), 0) << name;
    }

    std::vector<std::string> lines()
    {
        std::vector<std::string> texts;
        auto* list = child_of<QListWidget>(&chooser, "lb_comports");
        for (int row = 0; row < list->count(); ++row)
            texts.push_back(list->item(row)->text().toStdString());
        return texts;
    }

    // Runs the chooser; once it is up, the keys are typed into the list.
    bool choose(const QString& keys, int final_key, Tcomport*& port)
    {
        when_modal([this, keys, final_key](QWidget* dialog) {
            EXPECT_EQ(dialog, &chooser);
            auto* list = child_of<QListWidget>(&chooser, "lb_comports");
            // It always opens on "Offline".
            EXPECT_EQ(list->currentRow(), 0);
            type_text(list, keys);
            save_grab(&chooser, "basic_station_chooser");
            type_key(child_of<QPushButton>(&chooser, "bt_connect"), final_key);
        });
        return chooser.select_station(port);
    }

    link_test::Tports_folder ports;
    Ttemp_dir no_tty;
    TFselstation chooser;
    Tcomport untouched;
};

TEST_F(StationChooser, ListsOfflineTheSeparatorAndEachPortWithItsLetter)
{
    EXPECT_EQ(chooser.windowTitle().toStdString(), "Station Select");
    EXPECT_EQ(lines(), (std::vector<std::string>{"0 : Offline (no connection)", "-- Windows com ports --", "B: COM1",
                                                 "C: COM3"}));
}

TEST_F(StationChooser, ALetterAndEnterGiveThatPortsRecord)
{
    Tcomport* port = &untouched;
    ASSERT_TRUE(choose("c", Qt::Key_Return, port));
    ASSERT_NE(port, nullptr);
    ASSERT_NE(port, &untouched);
    EXPECT_EQ(std::string(port->port), "\\\\.\\COM3");
    EXPECT_EQ(port->rate, 38400);
    EXPECT_EQ(port->type, Tcomport::TYPE_DIRECT);

    // Upper case, and the Connect button in place of Enter.
    when_modal([this](QWidget*) {
        type_text(child_of<QListWidget>(&chooser, "lb_comports"), "B");
        child_of<QPushButton>(&chooser, "bt_connect")->click();
    });
    ASSERT_TRUE(chooser.select_station(port));
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(std::string(port->port), "\\\\.\\COM1");
}

TEST_F(StationChooser, LettersPastTheListClampAndTheFixedLinesGiveNoConnection)
{
    struct Tcase {
        const char* keys;
        bool connection;
        const char* port;
    };
    const Tcase cases[] = {
        {"z", true, "\\\\.\\COM3"},  // clamped to the last entry
        {"a", false, nullptr},       // the separator
        {"", false, nullptr},        // Enter at once: "Offline"
        {"c0", false, nullptr},      // '0' goes back to "Offline"
        {"b%", true, "\\\\.\\COM1"}, // another key changes nothing
    };
    for (const Tcase& c : cases) {
        Tcomport* port = &untouched;
        ASSERT_TRUE(choose(c.keys, Qt::Key_Enter, port)) << c.keys;
        if (c.connection) {
            ASSERT_NE(port, nullptr) << c.keys;
            EXPECT_EQ(std::string(port->port), c.port) << c.keys;
        } else {
            EXPECT_EQ(port, nullptr) << c.keys;
        }
    }
}

TEST_F(StationChooser, TabMovesTheFocusAndSpacePressesConnect)
{
    Tcomport* port = &untouched;
    when_modal([this](QWidget*) {
        auto* connect = child_of<QPushButton>(&chooser, "bt_connect");
        auto* refresh = child_of<QPushButton>(&chooser, "Button1");
        type_text(child_of<QListWidget>(&chooser, "lb_comports"), "c");
        EXPECT_EQ(chooser.focusWidget(), connect);
        type_key(connect, Qt::Key_Tab, "\t");
        EXPECT_EQ(chooser.focusWidget(), refresh);
        type_key(refresh, Qt::Key_Backtab);
        EXPECT_EQ(chooser.focusWidget(), connect);
        type_key(connect, Qt::Key_Space, " ");
        if (chooser.isVisible()) {
            ADD_FAILURE() << "Space did not press Connect";
            chooser.done(2);
        }
    });
    ASSERT_TRUE(chooser.select_station(port));
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(std::string(port->port), "\\\\.\\COM3");
}

TEST_F(StationChooser, EscapeCancelsAndLeavesTheCallersChoice)
{
    Tcomport* port = &untouched;
    EXPECT_FALSE(choose("c", Qt::Key_Escape, port));
    EXPECT_EQ(port, &untouched);
}

TEST_F(StationChooser, RefreshAddsANewPortAndRecordsHandedOutStayValid)
{
    Tcomport* port = nullptr;
    ASSERT_TRUE(choose("c", Qt::Key_Return, port));
    ASSERT_NE(port, nullptr);
    link("com2", "/dev/full");
    child_of<QPushButton>(&chooser, "Button1")->click();
    EXPECT_EQ(lines(), (std::vector<std::string>{"0 : Offline (no connection)", "-- Windows com ports --", "B: COM1",
                                                 "C: COM2", "D: COM3"}));
    EXPECT_EQ(std::string(port->port), "\\\\.\\COM3");
    ASSERT_TRUE(choose("d", Qt::Key_Return, port));
    EXPECT_EQ(std::string(port->port), "\\\\.\\COM3");
}

TEST(StationChooserEmpty, NoPortGivesTheTwoFixedLinesAndNoConnection)
{
    ensure_basic_application();
    Ttemp_dir empty;
    TFselstation chooser;
    chooser.setPortFolders({empty.path(), empty.path(), "/dev"});
    chooser.fillList();
    auto* list = child_of<QListWidget>(&chooser, "lb_comports");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text().toStdString(), "0 : Offline (no connection)");
    EXPECT_EQ(list->item(1)->text().toStdString(), "-- Windows com ports --");
    Tcomport other;
    Tcomport* port = &other;
    when_modal([](QWidget* dialog) { type_key(dialog, Qt::Key_Return); });
    ASSERT_TRUE(chooser.select_station(port));
    EXPECT_EQ(port, nullptr);
}

}  // namespace
