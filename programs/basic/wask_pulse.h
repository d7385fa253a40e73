#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class Tcalyxo_master;

// The pulse-meter dialog, not modal: the master fills it with the constants it
// read; "OK" programs the meter's serial number, index and pulse weight. A
// serial number that is not all digits, or an index that is no number of m3
// from 0 to what the logger's 32-bit pulse counter holds at the chosen
// weight, is refused and the dialog stays open.
class TFormAsk_pulse : public QWidget {
public:
    explicit TFormAsk_pulse(Tcalyxo_master& master, QWidget* parent = nullptr);

    void pulse_dialog_show();
    // Channel 0 the index, 1 the serial number, 2 the pulse weight.
    void pulse_dialog_set(int id, const char* text);

    void bt_OKClick();
    void bt_CancelClick();

private:
    Tcalyxo_master& master;
    QLineEdit* ed_SNR = nullptr;
    QLineEdit* ed_index = nullptr;
    QComboBox* cb_weight = nullptr;
    QLabel* lb_error = nullptr;
};
