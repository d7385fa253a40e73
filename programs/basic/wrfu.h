#pragma once

#include <QWidget>

#include "link/rfu_window_port.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class Tfirmware_update;

// The firmware update's window: loads the firmware file, starts the update,
// shows its step lines and progress and carries its timed steps on Timer1.
// File choice and error boxes go through the dialog seam.
class TFormrfu : public QWidget, public Trfu_window_port {
public:
    explicit TFormrfu(Tfirmware_update& firmware_update, QWidget* parent = nullptr);
    TFormrfu(const TFormrfu&) = delete;
    TFormrfu& operator=(const TFormrfu&) = delete;

    void bt_loadClick();
    void bt_programClick();
    void Timer1Timer();
    // From the main window: both buttons enabled, the window shown.
    void rfu_show();

    void rfu_log(const char* text) override;
    void rfu_progress(int kind, int value) override;
    void rfu_wait(int ms) override;
    void rfu_failed(const char* text) override;

private:
    void enableButtons(bool enabled);

    Tfirmware_update& update;
    QPushButton* bt_load = nullptr;
    QPushButton* bt_program = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QTimer* Timer1 = nullptr;
    int progress_maximum = 0;
};
