#pragma once

#include <QObject>

#include <functional>
#include <initializer_list>

class QWidget;

// Enter and Escape of a prompt dialog: installed on the dialog and on the
// widgets that take its keys, it runs confirm on Enter and cancel on Escape
// (a null action lets the key through) and swallows the key it handled.
class Tdialog_keys : public QObject {
public:
    Tdialog_keys(QWidget* dialog, std::initializer_list<QWidget*> widgets, std::function<void()> confirm,
                 std::function<void()> cancel);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> on_confirm;
    std::function<void()> on_cancel;
};
