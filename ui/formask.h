#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The value prompt: a number (mode 0) or an acquisition interval from a list
// (mode 1). Enter in the field or the list confirms, Escape cancels. A typed
// text that is no whole number from 0 to 2147483647 is refused with a line
// naming the field and its range, and the dialog stays open.
class TFormAsk : public QDialog {
public:
    explicit TFormAsk(QWidget* parent = nullptr);

    // Runs the dialog modally; -1 when cancelled or no interval was chosen,
    // a value no typed number has.
    int ask_value(const char* prompt, int mode);

    void bt_OKClick();
    void bt_CancelClick();

private:

    QLabel* lb_texte = nullptr;
    QLineEdit* ed_SNR = nullptr;
    QLabel* lb_error = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPushButton* bt_OK = nullptr;
    QPushButton* bt_Cancel = nullptr;
    int mode = 0;
    int result = -1;
};
