// The "System Status" page drawn from the module view: durations, times,
// enabled flags and their colours, the acquisition mode, the flash gauge, the
// counters of the system information, unknown values as "-", the download
// start handed on, and the refresh of the 1 s tick.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include <string>
#include <vector>

#include "link/calyxo_master.h"
#include "link/module_view.h"
#include "platform/manual_signal_window.h"
#include "programs/basic/status_page.h"
#include "programs/basic/window_style.h"
#include "programs/basic/wmain.h"
#include "tests/base/time_test_support.h"
#include "tests/basic/basic_test_support.h"

namespace {

class StatusPage : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensure_basic_application(); }
    void SetUp() override
    {
        module_view = Tmodule_view();
        event_queue_attach(&pump);
        child_of<QTimer>(&window, "Timer1")->stop();
        child_of<QTimer>(&window, "Timer2")->stop();
        page()->download_start = [this](uint32_t address) { download_starts.push_back(address); };
    }
    void TearDown() override
    {
        module_view = Tmodule_view();
        pump.pumpAll();
        event_queue_detach();
    }
    TFstatus_page* page() { return window.statusPage(); }
    std::string text(const char* label) { return child_of<QLabel>(&window, label)->text().toStdString(); }

    Tpinned_time_zone utc{"UTC0"};
    Tmanual_signal_window pump;
    Tcalyxo_master master;
    TFmain window{master};
    std::vector<uint32_t> download_starts;
};

const char* const value_labels[] = {
    "lb_time_txt",    "lb_acq_enabled", "lb_acq_interval0_txt", "lb_acq_interval1_txt", "lb_acq_on_txt",
    "lb_acq_counter", "pl_acq_mode",    "lb_gsm_enabled",       "lb_gsm_interval_txt",  "lb_gsm_on_txt",
    "lb_gsm_off_txt", "lb_gsm_duration_txt", "lb_gsm_counter",  "lb_flash_txt",         "lb_next_download_address_id",
};

TEST_F(StatusPage, ShowsKnownValuesInTheirFormsAndUnknownOnesAsDashes)
{
    window.set_status_refresh(false);
    for (const char* label : value_labels)
        EXPECT_EQ(text(label), "-") << label;
    EXPECT_FALSE(child_of<QProgressBar>(&window, "flash_gauge")->isTextVisible());

    module_view.setTime(utc_seconds(2024, 3, 5, 14, 7, 9), utc_seconds(2024, 3, 5, 14, 7, 9));
    module_view.setStatus(STATUS_ACQ, 1);
    module_view.setStatus(STATUS_ACQ_MODE, 1);
    module_view.setStatus(STATUS_ACQ_INTERVAL0, 900);
    module_view.setStatus(STATUS_ACQ_INTERVAL1, 2 * 86400 + 3 * 3600 + 4 * 60 + 5);
    module_view.setStatus(STATUS_ACQ_NEXT, utc_seconds(2024, 3, 5, 15, 0, 0));
    module_view.setStatus(STATUS_GSM, 0);
    module_view.setStatus(STATUS_GSM_INTERVAL, 7200);
    module_view.setStatus(STATUS_GSM_DURATION, 600);
    module_view.setStatus(STATUS_GSM_NEXT, utc_seconds(2024, 3, 6, 8, 30, 0));
    module_view.setStatus(STATUS_MMS_PT, 524288);
    module_view.setFlashSize(0);
    module_view.setStatus(STATUS_NEXT_DOWNLOAD_ADDRESS, 4096);
    module_view.setStatus(STATUS_SYSTEM_INFO, 0x21430000);
    window.set_status_refresh(true);

    EXPECT_EQ(text("lb_time_txt"), "Tue 2024-03-05 14:07:09 GMT+00:00");
    EXPECT_EQ(text("lb_acq_enabled"), "ENABLED");
    EXPECT_EQ(background_of(child_of<QLabel>(&window, "lb_acq_enabled")).name().toStdString(), "#00ff00");
    EXPECT_EQ(text("pl_acq_mode"), "Fast");
    EXPECT_EQ(text("lb_acq_interval0_txt"), "00000d 00h 15m 00s");
    EXPECT_EQ(text("lb_acq_interval1_txt"), "00002d 03h 04m 05s");
    EXPECT_EQ(text("lb_acq_on_txt"), "Tue 2024-03-05 15:00:00 GMT+00:00");
    EXPECT_EQ(text("lb_gsm_enabled"), "DISABLED");
    EXPECT_EQ(background_of(child_of<QLabel>(&window, "lb_gsm_enabled")).name().toStdString(), "#ff0000");
    EXPECT_EQ(text("lb_gsm_interval_txt"), "00000d 02h 00m 00s");
    EXPECT_EQ(text("lb_gsm_duration_txt"), "00000d 00h 10m 00s");
    EXPECT_EQ(text("lb_gsm_on_txt"), "Wed 2024-03-06 08:30:00 GMT+00:00");
    EXPECT_EQ(text("lb_gsm_off_txt"), "-");
    EXPECT_EQ(text("lb_flash_txt"), "524288");
    auto* gauge = child_of<QProgressBar>(&window, "flash_gauge");
    EXPECT_EQ(gauge->value(), 50);
    EXPECT_TRUE(gauge->isTextVisible());
    EXPECT_EQ(text("lb_next_download_address_id"), "4096");
    EXPECT_EQ(download_starts, std::vector<uint32_t>{4096});
    EXPECT_EQ(text("lb_acq_counter"), "1/2");
    EXPECT_EQ(text("lb_gsm_counter"), "3/4");
    window.show();
    save_grab(&window, "status_page_values");

    // A flag no longer known shows "-" and keeps its last colour; a flash
    // size cuts the percentage toward zero.
    module_view.clearStatus(STATUS_GSM);
    module_view.setFlashSize(3000000);
    module_view.setStatus(STATUS_MMS_PT, 29999);
    window.show_status_page();
    EXPECT_EQ(text("lb_gsm_enabled"), "-");
    EXPECT_EQ(background_of(child_of<QLabel>(&window, "lb_gsm_enabled")).name().toStdString(), "#ff0000");
    EXPECT_EQ(gauge->value(), 0);
}

// A flash address is 32 bits unsigned on its way from the logger to the
// download dialog: one above the signed range arrives as it is.
TEST_F(StatusPage, ANextDownloadAddressAboveTheSignedRangeReachesTheDialogWhole)
{
    module_view.setStatus(STATUS_NEXT_DOWNLOAD_ADDRESS, 0x80000010u);
    window.set_status_refresh(true);
    EXPECT_EQ(text("lb_next_download_address_id"), "2147483664");
    ASSERT_FALSE(download_starts.empty());
    EXPECT_EQ(download_starts.back(), 0x80000010u);
}

TEST_F(StatusPage, TheSecondTickRedrawsOnlyWhileTheRefreshIsOn)
{
    window.set_status_refresh(false);
    module_view.setStatus(STATUS_MMS_PT, 77);
    window.On_1Hz();
    EXPECT_EQ(text("lb_flash_txt"), "-");
    window.set_status_refresh(true);
    EXPECT_EQ(text("lb_flash_txt"), "77");
    module_view.setStatus(STATUS_MMS_PT, 78);
    window.On_1Hz();
    EXPECT_EQ(text("lb_flash_txt"), "78");
    window.set_status_refresh(false);
    module_view.setStatus(STATUS_MMS_PT, 79);
    window.On_1Hz();
    EXPECT_EQ(text("lb_flash_txt"), "78");
}

}  // namespace
