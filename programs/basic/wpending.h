#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class Tsequence;

// The pending window: tells the user to wait while the logger works and counts
// the seconds; "Cancel" stops the operation master.
class TFpending : public QWidget {
public:
    explicit TFpending(Tsequence& master, QWidget* parent = nullptr);

    void pending_set_text(const char* text);
    void pending_show();
    void pending_hide();
    void pending_tick();
    void Button1Click();

    int elapsed() const { return elapsed_seconds; }
    bool active() const { return is_active; }

private:
    void drawTime();

    Tsequence& master;
    QLabel* Label1 = nullptr;
    QLabel* lb_time = nullptr;
    QPushButton* Button1 = nullptr;
    int elapsed_seconds = 0;
    bool is_active = false;
};
