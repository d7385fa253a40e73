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
    std::function<void(int32_t address)> download_start;

    // The flash size taken when the logger reports 0.
    static constexpr double default_flash_size = 1048576.0;

private:
    QLabel* value(const char* name) const;
    void showEnabled(const char* name, int field);
    void showTime(const char* name, int field);
    void showDuration(const char* name, int field);

    QProgressBar* flash_gauge = nullptr;
};
