#include "ui/dialog_keys.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

Tdialog_keys::Tdialog_keys(QWidget* watched_dialog, std::initializer_list<QWidget*> fields,
                           std::function<void()> confirm, std::function<void()> cancel)
    : QObject(watched_dialog), dialog(watched_dialog), on_confirm(std::move(confirm)), on_cancel(std::move(cancel))
{
    dialog->installEventFilter(this);
    for (QWidget* field : fields)
        field->installEventFilter(this);
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
        // A default button would take Enter from any field: Enter is ours.
        if (auto* push = qobject_cast<QPushButton*>(button)) {
            push->setAutoDefault(false);
            push->setDefault(false);
        }
        button->installEventFilter(this);
    }
}

bool Tdialog_keys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Escape && on_cancel) {
        on_cancel();
        return true;
    }
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return QObject::eventFilter(watched, event);
    if (auto* button = qobject_cast<QAbstractButton*>(watched)) {
        if (button->isEnabled())
            button->click();
        return true;
    }
    // An Enter that reaches the dialog itself came from no field of ours.
    if (watched == dialog)
        return true;
    if (on_confirm) {
        on_confirm();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
