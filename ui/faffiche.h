#pragma once

#include <QMainWindow>

#include <functional>
#include <memory>
#include <string>

#include "base/background_job.h"
#include "data/xml_parser.h"
#include "platform/widgets/dialog_seam.h"
#include "ui/custom_filter_model.h"
#include "ui/display_columns.h"
#include "ui/display_options.h"
#include "ui/result_table_model.h"

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class Tgrid_view;

// The result table window: a measurement file as a table, one row per time
// step, in the column set of a display type with its extensions, or after a
// custom column filter; copy and export of the table text; the time-zone
// dialog and the ppb view are opened from its menus. One per program, made at
// start and kept until exit.
class TFaffiche : public QMainWindow {
public:
    // The caption carries the build identifier.
    explicit TFaffiche(const char* build_id = "480315_j03");
    ~TFaffiche() override;
    TFaffiche(const TFaffiche&) = delete;
    TFaffiche& operator=(const TFaffiche&) = delete;

    // The program's result window, null while there is none.
    static TFaffiche* instance();

    Txml_parser& results() { return reader; }
    // Starts reading a file on the worker thread; when it is read, the reader
    // holds it and fill runs (on the GUI thread). A file that cannot be read
    // is reported in the log (and in a box when the user chose the file) and
    // leaves the reader and the table as they were. False, with a log line,
    // while another file is being read.
    bool startLoad(const std::string& path, bool chosen_by_user, std::function<void()> fill);
    // A file is being read.
    bool loading() const { return load_job.running(); }
    // A file still being read is waited for, and left unshown.
    void abandonLoad();
    // The standard layout with a column set, and the custom one after the filter.
    void fillGrid(const Tdisplay_columns& set);
    // False, with a box, when the measurement file cannot be read again as
    // it was read: the table then stays as it was.
    bool fillCustomGrid();

    void appendLog(const char* line);
    // Where the measurement open and the export dialogs start.
    void setDataFolder(const char* path);
    void enablePpbConversion(bool enabled);
    // Escape on the grid hides the window, unless it is the program's only one.
    void setEscapeHides(bool hides) { escape_hides = hides; }
    bool customLayout() const { return custom_layout; }

    // Menu handlers.
    void displayTypeClick(int item);
    void extensionClick(int item, bool was_checked);
    void CustomFilter1Click();
    void three_digit_for_temperatureClick(bool checked);
    void LoadXMLresult1Click();
    void Timezone2Click();
    void Converttoppb1Click();
    void copytoclipboard1Click();
    void Savetabular1Click();

    Tfile_dialog OpenDialog1;
    Tfile_dialog OpenDialog2;
    Tfile_dialog SaveDialog1;

private:
    // What the load's job makes of a file, handed to the GUI thread whole.
    struct Tloaded_file {
        Txml_parser reader;
        Tresult_extremes extremes;
        int result = 0;
        // Made when the custom layout was in force, for the filter of that
        // number.
        bool custom_rows_made = false;
        int custom_filter_number = 0;
        Tcustom_rows custom_rows;
    };
    void finishLoad(const std::string& path, bool chosen_by_user, const std::function<void()>& fill,
                    std::unique_ptr<Tloaded_file> loaded);
    void buildMenu();
    void buildWidgets();
    void setCustomLayout(bool on);
    // The rows to the custom model; refused with a box, the table kept, when
    // the measurement file could not be read again.
    bool showCustomRows(Tcustom_rows rows);
    // Logs and shows why a filter is not applied: "Custom filter" then why.
    void refuseFilter(const std::string& why);
    void refill();
    Tgrid_model* shownModel() const;

    Txml_parser reader;
    Tresult_extremes extremes;  // of the reader's steps
    Tbackground_job load_job{"RESULT_FILE_READ"};
    Tbackground_job free_job{"RESULT_STEPS_FREE"};
    Tresult_table_model standard_model;
    Tcustom_filter_model custom_model;
    Tcolumn_filter filter;
    // Counts the filters applied, so that rows made for an earlier one are
    // not shown under a later one.
    int filter_number = 0;
    // The custom model holds the rows of the file shown under the filter.
    bool custom_rows_current = false;
    bool custom_layout = false;
    bool escape_hides = true;

    Tgrid_view* StringGrid1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QLabel* load_status = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* type_actions[display_type_count] = {};
    QAction* extension_actions[display_extension_count] = {};
    QAction* CustomFilter1 = nullptr;
    QAction* three_digit_for_temperature = nullptr;
    QAction* Converttoppb1 = nullptr;
};

// Shows the result window (when there is one) and reads a measurement file
// into it, to be shown in the standard layout with the column set given or
// the global one; false when the window is still reading another.
bool show_result(const char* xml_path, const Tdisplay_columns* set = nullptr);

// One display option by key and value, both compared without regard to case:
// "ttimezone" (a signed number), "ppb_conversion" ("enabled"/"disabled"),
// "default_affiche" ("all_on"/"all_off"), "display_type" and
// "display_extension". Unknown keys and values do nothing; nothing is redrawn.
void set_display_option(const char* key, const char* value);

// A log line into the result window's text area (calyxo_show's log sink).
void result_memo_append(const char* line);
