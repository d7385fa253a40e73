#pragma once

#include <QDialog>

#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;

// Which part of the flash to download: all, from an address to the end, a
// range, or what is new since the last download. A start or count below 0
// (the master takes them unsigned) or beyond 2147483647 is refused with a
// message in the dialog, which stays open.
class TFdowload_select : public QDialog {
public:
    explicit TFdowload_select(QWidget* parent = nullptr);

    // The start field shows the logger's next download address.
    void set_download_start(uint32_t address);
    // Runs the dialog modally and writes the results of the last confirmed
    // choice into the outputs given; true when a choice was confirmed.
    bool ask_download_range(int32_t* start, int32_t* count, uint8_t* incremental);

    void bt_allClick();
    void bt_up_toClick();
    void bt_rangeClick();
    void Button1Click();
    void bt_cancelClick();

private:
    // The field's whole number from 0 to 2147483647; false, with the refusal
    // shown, for any other text.
    bool readField(const QLineEdit* field, const char* name, int32_t* value);
    void confirm(int32_t start, int32_t count, uint8_t incremental);

    QLineEdit* ed_start_download = nullptr;
    QLineEdit* ed_count = nullptr;
    QLabel* lb_error = nullptr;
    int32_t start_address = 0;
    int32_t count_value = 0;
    uint8_t incremental_flag = 0;
};
