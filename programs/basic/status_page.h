#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

// The "System Status" page: what the status read learnt about the logger
// (clock, acquisition and GSM settings and schedules, flash use, counters),
// drawn from the module view; a value not known shows "-".
class TFstatus_page : public QWidget {
public:
    explicit TFstatus_page(QWidget* parent = nullptr);

    // The get-status button, placed under the groups.
    void placeButton(QPushButton* button);
    // Redraws every value from the module view.
    void show_status_page();

    // The next download address goes to the download dialog's start field too.
    std::function<void(uint32_t address)> download_start;

    // The flash size taken when the logger reports 0.
    static constexpr double default_flash_size = 1048576.0;

    // "Estimated :", which the main window's tick draws.
    QLabel* estimatedTime() const { return lb_time_txt2; }

private:
    void showEnabled(QLabel* label, int field);
    void showTime(QLabel* label, int field);
    void showDuration(QLabel* label, int field);

    QLabel* lb_time_txt = nullptr;
    QLabel* lb_time_txt2 = nullptr;
    QLabel* lb_acq_enabled = nullptr;
    QLabel* lb_acq_interval0_txt = nullptr;
    QLabel* lb_acq_interval1_txt = nullptr;
    QLabel* lb_acq_on_txt = nullptr;
    QLabel* lb_acq_counter = nullptr;
    QLabel* pl_acq_mode = nullptr;
    QLabel* lb_gsm_enabled = nullptr;
    QLabel* lb_gsm_interval_txt = nullptr;
    QLabel* lb_gsm_on_txt = nullptr;
    QLabel* lb_gsm_off_txt = nullptr;
    QLabel* lb_gsm_duration_txt = nullptr;
    QLabel* lb_gsm_counter = nullptr;
    QLabel* lb_flash_txt = nullptr;
    QLabel* lb_next_download_address_id = nullptr;
    QProgressBar* flash_gauge = nullptr;
};
