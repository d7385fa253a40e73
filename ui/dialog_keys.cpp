#include "ui/dialog_keys.h"

#include <QKeyEvent>
#include <QWidget>

Tdialog_keys::Tdialog_keys(QWidget* dialog, std::initializer_list<QWidget*> widgets, std::function<void()> confirm,
                           std::function<void()> cancel)
    : QObject(dialog), on_confirm(std::move(confirm)), on_cancel(std::move(cancel))
{
    dialog->installEventFilter(this);
    for (QWidget* widget : widgets)
        widget->installEventFilter(this);
}

bool Tdialog_keys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && on_confirm) {
        on_confirm();
        return true;
    }
    if (key == Qt::Key_Escape && on_cancel) {
        on_cancel();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
