#include "platform/widgets/qt_dialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QMessageBox>

namespace {

QMessageBox::Icon qt_icon(Tbox_icon icon)
{
    switch (icon) {
    case Tbox_icon::information:
        return QMessageBox::Information;
    case Tbox_icon::warning:
        return QMessageBox::Warning;
    case Tbox_icon::error:
        return QMessageBox::Critical;
    case Tbox_icon::question:
        return QMessageBox::Question;
    case Tbox_icon::none:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons qt_buttons(Tbox_buttons buttons)
{
    switch (buttons) {
    case Tbox_buttons::ok_cancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Tbox_buttons::yes_no:
        return QMessageBox::Yes | QMessageBox::No;
    case Tbox_buttons::yes_no_cancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Tbox_buttons::retry_cancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    case Tbox_buttons::ok:
        break;
    }
    return QMessageBox::Ok;
}

Tbox_answer answer_of(int button)
{
    switch (button) {
    case QMessageBox::Ok:
        return Tbox_answer::ok;
    case QMessageBox::Retry:
        return Tbox_answer::retry;
    case QMessageBox::Yes:
        return Tbox_answer::yes;
    case QMessageBox::No:
        return Tbox_answer::no;
    default:
        return Tbox_answer::cancel;
    }
}

QString qt_text(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

Tbox_answer Tqt_dialogs::messageBox(const Tmessage_box& box)
{
    QMessageBox dialog(qt_icon(box.icon), qt_text(box.caption), qt_text(box.text),
                       qt_buttons(box.buttons), QApplication::activeWindow());
    const int pressed = dialog.exec();
    // A box with only OK answers OK however it is closed.
    if (box.buttons == Tbox_buttons::ok)
        return Tbox_answer::ok;
    return answer_of(pressed);
}

std::string Tqt_dialogs::chooseFile(const Tfile_dialog& request)
{
    QFileDialog dialog(QApplication::activeWindow(), qt_text(request.title),
                       qt_text(request.initial_path));
    if (request.mode == Tfile_dialog_mode::save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    const QStringList filters = qt_name_filters(request.filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(qt_text(request.default_extension));
    if (dialog.exec() != QDialog::Accepted)
        return std::string();
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return std::string();
    return chosen.first().toStdString();
}

void Tqt_dialogs::setClipboardText(const std::string& text)
{
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(qt_text(text));
}

std::string Tqt_dialogs::clipboardText()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->text().toStdString() : std::string();
}

QStringList qt_name_filters(const std::string& filter)
{
    const QStringList parts = qt_text(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            if (!trimmed.isEmpty())
                patterns.append(trimmed == QLatin1String("*.*") ? QStringLiteral("*") : trimmed);
        }
        if (!patterns.isEmpty())
            filters.append(parts[i].trimmed() + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                           QLatin1Char(')'));
    }
    return filters;
}
