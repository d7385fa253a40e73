#include "ui/ttimezone_settings.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QTimer>

#include <functional>

#include "tests/ui/result_window_support.h"
#include "tests/ui/window_grab.h"

namespace {

TEST(TimeZoneTags, NegativeOffsetsAreTaggedAbove10000)
{
    EXPECT_EQ(time_zone_tag(-5), 10005);
    EXPECT_EQ(time_zone_tag(-12), 10012);
    EXPECT_EQ(time_zone_tag(0), 0);
    EXPECT_EQ(time_zone_tag(101), 101);
    EXPECT_EQ(time_zone_code(10001), -1);
    EXPECT_EQ(time_zone_code(10012), -12);
    EXPECT_EQ(time_zone_code(12), 12);
}

// The dialog as the programs make it, opened modally through the result
// window's menu; the test answers it through its widgets once it runs.
class TimeZoneDialog : public ResultWindowTest {
protected:
    void SetUp() override
    {
        ResultWindowTest::SetUp();
        dialog = std::make_unique<TFttimezone_settings>();
        list = dialog->findChild<QComboBox*>("cb_ttimezone");
        ASSERT_NE(list, nullptr);
    }
    void TearDown() override
    {
        dialog.reset();
        ResultWindowTest::TearDown();
    }
    // Opens the dialog through "Timezone..." and, while it is shown, reads the
    // selection and runs the answer.
    std::string openAndAnswer(const std::function<void()>& answer)
    {
        std::string selected = "<not shown>";
        QTimer::singleShot(0, dialog.get(), [&] {
            EXPECT_TRUE(dialog->isVisible());
            selected = list->currentIndex() < 0 ? "" : list->currentText().toStdString();
            expect_grab(dialog.get(), "timezone_dialog");
            answer();
        });
        trigger("Timezone2");
        return selected;
    }
    void click(const char* button) { dialog->findChild<QPushButton*>(button)->click(); }
    void choose(const char* text) { list->setCurrentIndex(list->findText(QString::fromUtf8(text))); }

    std::unique_ptr<TFttimezone_settings> dialog;
    QComboBox* list = nullptr;
};

TEST_F(TimeZoneDialog, ListsTheTwentySixZonesInOrderWithTheirTags)
{
    ASSERT_EQ(list->count(), 26);
    EXPECT_EQ(list->itemText(0).toStdString(), "UTC-12");
    EXPECT_EQ(list->itemData(0).toInt(), 10012);
    EXPECT_EQ(list->itemText(11).toStdString(), "UTC-1");
    EXPECT_EQ(list->itemText(12).toStdString(), "UTC+0, GMT");
    EXPECT_EQ(list->itemText(13).toStdString(), "UTC+1");
    EXPECT_EQ(list->itemText(14).toStdString(), "Europe, CET");
    EXPECT_EQ(list->itemData(14).toInt(), 101);
    EXPECT_EQ(list->itemText(15).toStdString(), "UTC+2");
    EXPECT_EQ(list->itemText(25).toStdString(), "UTC+12");
    EXPECT_EQ(dialog->windowTitle().toStdString(), "Settings");
}

TEST_F(TimeZoneDialog, OkStoresTheChoiceAndTheTableShowsItsTimes)
{
    load(ui_fixture("results.xml"));
    display_time_zone = -5;
    EXPECT_EQ(openAndAnswer([&] { click("bt_save"); }), "UTC-5");
    EXPECT_EQ(display_time_zone, -5);
    EXPECT_EQ(grid_cell(window.get(), 1, 1), "01.07.2026 09:00:00");
    EXPECT_EQ(grid_cell(window.get(), 1, 2), "-5");

    EXPECT_EQ(openAndAnswer([&] {
                  choose("Europe, CET");
                  click("bt_save");
              }),
              "UTC-5");
    EXPECT_EQ(display_time_zone, 101);
    // 101: summer time in July, standard time in January.
    EXPECT_EQ(grid_cell(window.get(), 1, 1), "01.07.2026 16:00:00");
    EXPECT_EQ(grid_cell(window.get(), 1, 2), "2");
    EXPECT_EQ(grid_cell(window.get(), 2, 1), "15.01.2026 15:00:00");
    EXPECT_EQ(grid_cell(window.get(), 2, 2), "1");

    EXPECT_EQ(openAndAnswer([&] {
                  choose("UTC+0, GMT");
                  click("bt_save");
              }),
              "Europe, CET");
    EXPECT_EQ(display_time_zone, 0);
    EXPECT_EQ(grid_cell(window.get(), 1, 1), "01.07.2026 14:00:00");
}

TEST_F(TimeZoneDialog, CancelStoresNothingWhateverWasSelected)
{
    display_time_zone = 0;
    EXPECT_EQ(openAndAnswer([&] {
                  choose("UTC+7");
                  click("bt_cancel");
              }),
              "UTC+0, GMT");
    EXPECT_EQ(display_time_zone, 0);
}

TEST_F(TimeZoneDialog, CodeWithoutAnEntrySelectsNothingAndOkStores101)
{
    for (int code : {13, -24}) {
        display_time_zone = code;
        EXPECT_EQ(openAndAnswer([&] { click("bt_save"); }), "") << code;
        EXPECT_EQ(display_time_zone, 101) << code;
    }
}

}  // namespace
