#pragma once

#include <cstdint>

class Tcommand_master;
class Tmy_string;

// The window side that the main window's commands need: the master to start,
// the fields they read, the prompts they ask and the forms they show.
class Tcommand_host {
public:
    virtual ~Tcommand_host() = default;
    virtual Tcommand_master& commands() = 0;
    // A page of the main window to the front, by objectName.
    virtual void pageToFront(const char* page) = 0;
    // The six next-time fields "ed_<which>_next_year" ... "_seconds", in order.
    virtual void timeFields(const char* which, Tmy_string texts[6]) = 0;
    // The offset of the list "timezone_<which>_next".
    virtual int timeZone(const char* which) = 0;
    // The first selected row of each digital output list lbs0 ... lbs7, 0 for none.
    virtual void outputRows(int rows[8]) = 0;
    virtual bool isChecked(const char* action) = 0;
    // The prompts: -1 cancelled; 0 cancelled; false cancelled.
    virtual int askValue(const char* prompt, int mode) = 0;
    virtual uint32_t askSnr() = 0;
    virtual bool askDownloadRange(int32_t* start, int32_t* count, uint8_t* incremental) = 0;
    // "text" (the text window), "gsm_console", "rfu", "calibration", "about".
    virtual void showForm(const char* form) = 0;
    virtual void clearHealth() = 0;
    virtual void closeMain() = 0;
};

// One command of the main window: its menu item and its button (either may be
// missing), the line logged before the master is called, and what it does.
// run is true when the master refused to start.
struct Tmain_command {
    const char* action;  // objectName of the menu item
    const char* menu;    // caption of the menu it is in
    const char* caption;
    int shortcut;  // a Qt key combination, 0 for none
    bool checkable;
    const char* button;  // objectName of the button
    const char* button_caption;
    const char* log_line;
    // The log line waits for the prompt's answer (and holds its "%d").
    bool log_after_prompt;
    bool (*run)(Tcommand_host& host, const Tmain_command& command);
};

// In menu order (menus in their order), then the commands with a button only.
extern const Tmain_command main_commands[];
extern const unsigned main_command_count;

// The command with this menu item or button name; null for none.
const Tmain_command* find_main_command(const char* name);

// Logs the line (unless it waits for a prompt) and runs the command; a refusal
// is logged with the reason: "ERROR : <command> not started : <reason>".
void run_main_command(Tcommand_host& host, const Tmain_command& command);

// The time of the six next-time fields in the zone UTC + offset. A field that
// is no whole number within its range (year 1970-2106, month 1-12, day 1 to
// the month's last, hour 0-23, minute and second 0-59) is refused, never
// clamped: false, with the field and its range named in error.
bool entered_time(const Tmy_string texts[6], int offset, uint32_t* time, Tmy_string* error);

// The keep and set masks of the eight output lists' rows: "Force 1" (0) sets
// the bit, "Force 0" (1) clears it, "Keep" (2) keeps it.
void output_masks(const int rows[8], uint8_t* keep, uint8_t* set);

// The master's "verbose" flags from the three check items.
unsigned verbose_flags(bool a, bool b, bool c);
