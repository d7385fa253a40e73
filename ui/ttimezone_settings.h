#pragma once

#include <QDialog>

class QComboBox;

// The modal dialog in which the user chooses the time zone of the result
// displays' dates: a whole-hour offset from UTC-12 to UTC+12, or Central
// European time with summer time (code 101). "Ok" stores the choice in
// display_time_zone; "Cancel" stores nothing.
class TFttimezone_settings : public QDialog {
public:
    explicit TFttimezone_settings(QWidget* parent = nullptr);
    ~TFttimezone_settings() override;
    TFttimezone_settings(const TFttimezone_settings&) = delete;
    TFttimezone_settings& operator=(const TFttimezone_settings&) = delete;

    // The program's dialog, null while there is none.
    static TFttimezone_settings* instance();

    // Selects the entry of a time-zone code; none when the list has no such entry.
    void selectCode(int code);

    void bt_saveClick();
    void bt_cancelClick();
    // Closing the window or Escape is a cancel.
    void reject() override { bt_cancelClick(); }

private:
    QComboBox* cb_ttimezone = nullptr;
};

// The list's tag of a time-zone code and the code stored for a tag: a negative
// offset -n is tagged 10000 + n.
int time_zone_tag(int code);
int time_zone_code(int tag);

// Fills a list with every time zone, each entry tagged by time_zone_tag.
void fill_time_zone_list(QComboBox* list);

// Opens the dialog modally on a code and returns its modal result (1 "Ok",
// 2 "Cancel"). Uses the program's dialog, or one of its own when there is none.
int show_time_zone_dialog(int code);
