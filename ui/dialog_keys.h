#pragma once

#include <QObject>

#include <functional>
#include <initializer_list>

class QWidget;

// Enter and Escape of a prompt dialog. Escape anywhere in the dialog runs
// cancel. Enter in one of the fields runs confirm; Enter on a focused button
// presses that button, so that Enter on "Cancel" cancels and never confirms.
// Enter elsewhere does nothing: no button is the dialog's default. A null
// action lets its key through.
class Tdialog_keys : public QObject {
public:
    // Built once the dialog's buttons exist: it takes over every one of them.
    Tdialog_keys(QWidget* dialog, std::initializer_list<QWidget*> fields, std::function<void()> confirm,
                 std::function<void()> cancel);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* dialog;
    std::function<void()> on_confirm;
    std::function<void()> on_cancel;
};
