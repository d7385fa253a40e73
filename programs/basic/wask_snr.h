#pragma once

#include <QDialog>

#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;

// The serial-number prompt. The number goes into the logger for good, so only
// digits are taken (after one optional leading 'S'); other input is refused
// with a message in the dialog, which stays open.
class TFormAskSnr : public QDialog {
public:
    explicit TFormAskSnr(QWidget* parent = nullptr);

    // Runs the dialog modally; 0 when cancelled.
    uint32_t ask_snr();

    void bt_OKClick();
    void bt_CancelClick();

private:
    QLineEdit* ed_SNR = nullptr;
    QLabel* lb_error = nullptr;
    QPushButton* bt_OK = nullptr;
    QPushButton* bt_Cancel = nullptr;
    uint32_t result = 0;
};

// The serial number of a typed text: digits only after one optional leading
// 'S', blanks around it ignored, at most 4294967295. False (with why set to
// the reason) for anything else.
bool read_serial_number(const char* text, uint32_t* value, const char** why);
