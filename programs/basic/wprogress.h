#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class Tsequence;

// The progress window of a transfer: a message and a percentage gauge;
// "Cancel" stops the operation master and leaves the window to the end of the
// transfer.
class TFprogress : public QWidget {
public:
    explicit TFprogress(Tsequence& master, QWidget* parent = nullptr);

    void progress_show();
    void progress_set_text(const char* text);
    // The gauge is repainted at once: a transfer keeps the GUI thread busy.
    void progress_set_percent(int percent);
    void progress_hide();
    void Button1Click();

private:
    Tsequence& master;
    QLabel* Label1 = nullptr;
    QProgressBar* progress_gauge = nullptr;
    QPushButton* Button1 = nullptr;
};
