#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QVBoxLayout;
class Tcommand_master;

// The GSM console: each button sends one AT command (or a typed line) to the
// logger's modem, a few ask the master to power, configure or reset it. The
// modem's answers come back as dump messages in the main window's log. Four
// "Wait" countdowns, driven by the main window's 1 s tick, say how long the
// modem needs after a power or reset command.
class TFgsm_console : public QWidget {
public:
    explicit TFgsm_console(std::function<Tcommand_master&()> commands, QWidget* parent = nullptr);

    // Hidden when visible; else shown with its top-left corner at (left, top).
    void toggle_gsm_console(int top, int left);
    void gsm_console_countdown_tick();

    enum Tcountdown { power_on, reset, at_off, power_off, countdown_count };
    static constexpr unsigned countdown_seconds = 5;

private:
    struct Tcountdown_state {
        QLabel* label = nullptr;
        bool active = false;
        unsigned counter = countdown_seconds;
    };

    QWidget* buildFactoryPage();
    QWidget* buildSimPage();
    QWidget* buildDebugPage();
    void send(const QByteArray& bytes);
    void sendLine(const QString& text);
    void startCountdown(Tcountdown which);
    // A PIN field's text when it is 4 to 8 digits; else a message and false.
    bool pinOf(QLineEdit* field, const char* caption, QByteArray* pin);
    QLabel* countdownLabel(QWidget* parent, const char* name);

    std::function<Tcommand_master&()> commands;
    Tcountdown_state countdowns[countdown_count];
    QLineEdit* Edit8 = nullptr;
    QLineEdit* Edit10 = nullptr;
    QLineEdit* Edit11 = nullptr;
};
