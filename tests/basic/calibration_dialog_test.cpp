// The pressure-sensor calibration dialog: the values a health read brings,
// the corrected value following span and offset (and the offset following
// the corrected value), only the changed constants written, and nothing
// writable while a value is missing.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <string>
#include <vector>

#include "programs/basic/calibration_write.h"
#include "programs/basic/wetalonnage.h"
#include "tests/basic/basic_test_support.h"
#include "tests/support/recording_program.h"

namespace {

class CalibrationDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensure_basic_application(); }
    void SetUp() override
    {
        recorded::clear_log();
        dialog.write = [this](bool with_span, double span, bool with_offset, double offset) {
            scripts.emplace_back(calibration_script(with_span, span, with_offset, offset).c_str());
            return false;
        };
        dialog.request_health = [this] { ++health_requests; };
    }
    void feed(double measured, double span, double offset, double corrected, bool span_valid = true)
    {
        Tpressure_health values;
        const double all[] = {measured, span, offset, corrected};
        for (int i = 0; i < Tpressure_health::count; ++i) {
            values.value[i] = all[i];
            values.valid[i] = true;
        }
        values.valid[1] = span_valid;
        dialog.calib_set(values);
    }
    void retype(const char* field, const char* text)
    {
        auto* edit = child_of<QLineEdit>(&dialog, field);
        edit->clear();
        type_text(edit, text);
    }
    std::string text(const char* name)
    {
        if (auto* label = dialog.findChild<QLabel*>(name))
            return label->text().toStdString();
        return child_of<QLineEdit>(&dialog, name)->text().toStdString();
    }

    TFormEtalonnage dialog;
    std::vector<std::string> scripts;
    int health_requests = 0;
};

TEST_F(CalibrationDialog, ReadValuesShowInBothRowsAndSpanEditsFollowTheCorrectedValue)
{
    feed(1013.25, 1, 0, 1013.25);
    EXPECT_EQ(text("lb_pression"), "1013.2500");
    EXPECT_EQ(text("lb_pression_2"), "1013.2500");
    EXPECT_EQ(text("lb_span"), "1.0000");
    EXPECT_EQ(text("ed_span"), "1.0000");
    EXPECT_EQ(text("ed_corrected"), "1013.2500");
    retype("ed_span", "1.01");
    EXPECT_EQ(text("ed_corrected"), "1023.3825");
    EXPECT_EQ(text("lb_corrected"), "1013.2500");
    child_of<QPushButton>(&dialog, "bt_OK")->click();
    EXPECT_EQ(dialog.result(), 1);
    EXPECT_EQ(scripts, std::vector<std::string>{calibration_script(true, 1.01, false, 0).c_str()});
    EXPECT_TRUE(recorded::log_contains("span: av/ap (1.000000/1.010000), offset: av/ap (0.000000/0.000000)"));
}

TEST_F(CalibrationDialog, CorrectedEditsSetTheOffsetAndOnlyChangesAreWritten)
{
    feed(1013.25, 1, 0, 1013.25);
    retype("ed_corrected", "1000");
    EXPECT_EQ(text("ed_offset"), "-13.2500");
    child_of<QPushButton>(&dialog, "bt_OK")->click();
    EXPECT_EQ(scripts, std::vector<std::string>{calibration_script(false, 0, true, -13.25).c_str()});

    // Unchanged, or retyped as read: nothing written, the line still logged.
    scripts.clear();
    feed(1013.25, 1, 0, 1013.25);
    recorded::clear_log();
    retype("ed_span", "1");
    child_of<QPushButton>(&dialog, "bt_OK")->click();
    EXPECT_TRUE(scripts.empty());
    EXPECT_TRUE(recorded::log_contains("span: av/ap (1.000000/1.000000), offset: av/ap (0.000000/0.000000)"));

    feed(1013.25, 1, 0, 1013.25);
    retype("ed_span", "2");
    retype("ed_offset", "0.5");
    child_of<QPushButton>(&dialog, "bt_OK")->click();
    EXPECT_EQ(scripts.back(), calibration_script(true, 2, true, 0.5).c_str());
}

TEST_F(CalibrationDialog, MissingValuesShowDashesAndNothingCanBeWritten)
{
    auto* update = child_of<QPushButton>(&dialog, "bt_OK");
    EXPECT_FALSE(update->isEnabled());
    feed(1013.25, 1, 0, 1013.25, false);
    EXPECT_EQ(text("lb_span"), "----");
    EXPECT_EQ(text("ed_span"), "----");
    EXPECT_EQ(text("lb_pression"), "1013.2500");
    EXPECT_FALSE(update->isEnabled());
    dialog.bt_OKClick();
    EXPECT_TRUE(scripts.empty());

    // Cleared before a read: all four missing.
    dialog.calib_set(Tpressure_health());
    for (const char* name : {"lb_pression", "lb_span", "lb_offset", "lb_corrected", "ed_offset", "ed_corrected"})
        EXPECT_EQ(text(name), "----") << name;
    feed(1013.25, 1, 0, 1013.25);
    EXPECT_TRUE(update->isEnabled());
}

TEST_F(CalibrationDialog, RunsModallyReadsHealthAndCancelKeepsTheEdits)
{
    feed(1013.25, 1, 0, 1013.25);
    child_of<QAction>(&dialog, "GetHealth1")->trigger();
    EXPECT_EQ(health_requests, 1);
    when_modal([this](QWidget*) {
        save_grab(&dialog, "calibration_dialog");
        retype("ed_span", "1.5");
        child_of<QPushButton>(&dialog, "bt_Cancel")->click();
    });
    dialog.show_calibration_dialog();
    EXPECT_EQ(dialog.result(), 2);
    EXPECT_TRUE(scripts.empty());
    EXPECT_EQ(text("ed_span"), "1.5");
}

TEST_F(CalibrationDialog, EnterInAFieldWritesNothingAndOnlyTheButtonWrites)
{
    feed(1013.25, 1, 0, 1013.25);
    when_modal([this](QWidget*) {
        retype("ed_span", "1.01");
        for (const char* field : {"ed_span", "ed_offset", "ed_corrected"}) {
            type_key(child_of<QLineEdit>(&dialog, field), Qt::Key_Return);
            type_key(child_of<QLineEdit>(&dialog, field), Qt::Key_Enter);
            EXPECT_TRUE(dialog.isVisible()) << field;
        }
        EXPECT_TRUE(scripts.empty());
        type_key(child_of<QPushButton>(&dialog, "bt_OK"), Qt::Key_Return);
        if (dialog.isVisible()) {
            ADD_FAILURE() << "Enter on the focused button did not press it";
            dialog.done(0);
        }
    });
    dialog.show_calibration_dialog();
    EXPECT_EQ(dialog.result(), 1);
    EXPECT_EQ(scripts, std::vector<std::string>{calibration_script(true, 1.01, false, 0).c_str()});

    // Escape in a field cancels.
    when_modal([this](QWidget*) { type_key(child_of<QLineEdit>(&dialog, "ed_offset"), Qt::Key_Escape); });
    dialog.show_calibration_dialog();
    EXPECT_EQ(dialog.result(), 2);
}

}  // namespace
