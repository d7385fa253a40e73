#pragma once

#include <QWidget>

#include <functional>

class QLineEdit;
class QPushButton;
class Tcommand_master;
class Tmy_string;

// The "COM configuration" page: the logger's modem, APN and data server
// settings, read from its EEPROM page 6 and written back. Writing is offered
// only after a read brought values, and refuses fields the logger cannot use.
class TFcom_page : public QWidget {
public:
    explicit TFcom_page(std::function<Tcommand_master&()> commands, QWidget* parent = nullptr);

    // One value into the field of its key (compared without regard to case);
    // another key changes nothing. A value from a read enables writing.
    void show_com_setting(const char* key, const char* value);
    void Button2Click();
    void Button3Click();

    // The texts in the order of fields; false, with the reason, when the
    // logger cannot use them.
    static bool check_fields(const Tmy_string texts[], Tmy_string* error);

    struct Tfield {
        const char* caption;
        const char* name;
        const char* key;
    };
    static constexpr int field_count = 11;
    static const Tfield fields[field_count];

private:
    QLineEdit* field(int index) const;
    void clearFields();

    std::function<Tcommand_master&()> commands;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
};
