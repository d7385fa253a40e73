#pragma once

#include <QMainWindow>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "programs/basic/command_master.h"
#include "programs/basic/main_commands.h"

class QAction;
class QCloseEvent;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QTimer;
class QWidget;
class Tcalyxo_master;
class TFcom_page;
class TFhealth_page;
class TFstatus_page;
struct Tflash_parser_data;
struct Tmain_command;

// The main window of calyxo_basic: the pages, the communication panel that
// mirrors the master's link and access states, the station number, the modem
// pictures, the operation panel, the log text and the status bar, with the
// 1 s tick (clocks, the master's tick) and the 500 ms tick (blinking panels).
class TFmain : public QMainWindow, private Tcommand_host {
public:
    explicit TFmain(Tcalyxo_master& master, QWidget* parent = nullptr);
    TFmain(const TFmain&) = delete;
    TFmain& operator=(const TFmain&) = delete;

    // One finished log line onto the log text (GUI thread).
    void logLine(const char* line);

    // What the master shows.
    void show_connection_state();
    void show_station_id();
    void show_busy(bool busy);
    void set_status_refresh(bool on);
    bool statusRefresh() const { return status_refresh; }
    // Redraws the "System Status" page from the module view.
    void show_status_page();
    TFstatus_page* statusPage() const { return status_page; }
    void show_main_window();

    // Start-up steps, in the order the start routine runs them.
    void menusAndPages();
    void startPanels();
    void initialPanels();

    // The operation panel under the menu: "ACQ", "GSM" (any case) or nothing
    // under way.
    void showOperation(const char* running);
    // A modem picture by its component name; null for another name.
    QLabel* modemImage(const char* name) const;

    // The offset in seconds of a time-zone list's selected entry, 0 for none.
    static int timeZoneOffset(const QComboBox* list);

    // Handlers.
    void On_1Hz();
    void OnTimer2Hz();
    void CopyLog1Click();
    void ClearLog1Click();

    // The about box (the program wires it to its form).
    std::function<void()> on_about;

    // What the commands start: the operation master unless replaced (tests);
    // null puts the master back. The caller keeps ownership.
    void setCommandMaster(Tcommand_master* commands);
    Tcommand_master& commands() override;
    // Each second after the clocks and before the master's tick (the GSM
    // console's countdowns).
    std::function<void()> on_tick;
    // The prompts and forms the commands use, wired by the program; one that
    // is not wired stops the program with its name when a command needs it.
    std::function<int(const char* prompt, int mode)> ask_value;
    std::function<uint32_t()> ask_snr;
    std::function<bool(int32_t* start, int32_t* count, uint8_t* incremental)> ask_download_range;
    // "text", "gsm_console", "rfu", "calibration".
    std::function<void(const char* form)> show_form;

    // The probes health display (null clears it) and the get-health command.
    void show_health(const Tflash_parser_data* step);
    void request_health();
    TFhealth_page* healthPage() const { return health_page; }
    // One COM setting into its field of the "COM configuration" page.
    void show_com_setting(const char* key, const char* value);

protected:
    void closeEvent(QCloseEvent* event) override;
    // The status bar keeps its one text: menu hovering does not blank it.
    bool event(QEvent* event) override;

private:
    QWidget* buildStatusPage();
    QWidget* buildConfigurationPage();
    QWidget* buildAcquisitionsPage();
    QWidget* buildRightPanel();
    QWidget* buildModemPanel(const char* const* names);
    void buildMenu();
    // The button of a command of the table, wired to it.
    QPushButton* commandButton(QWidget* parent, const char* name);

    void pageToFront(const char* page) override;
    void timeFields(const char* which, Tmy_string texts[6]) override;
    int timeZone(const char* which) override;
    void outputRows(int rows[8]) override;
    bool isChecked(const char* action) override;
    int askValue(const char* prompt, int mode) override;
    uint32_t askSnr() override;
    bool askDownloadRange(int32_t* start, int32_t* count, uint8_t* incremental) override;
    void showForm(const char* form) override;
    void clearHealth() override;
    void closeMain() override;
    void resetOutputSelectors();
    void fillTimeZoneList(QComboBox* list);
    void drawLinkPanel();
    void drawAccessPanel();
    void linkColourStep();
    void accessColourStep();
    // Closing waits for the running operation and the disconnection; this
    // takes the next step, or quits once nothing is left to wait for.
    void continueClosing();

    Tcalyxo_master& master;
    Tmaster_commands master_commands{master};
    Tcommand_master* command_master = &master_commands;
    TFhealth_page* health_page = nullptr;
    TFcom_page* com_page = nullptr;
    TFstatus_page* status_page = nullptr;
    bool status_refresh = false;
    bool blink_phase = true;
    uint8_t shown_link_state;
    uint8_t shown_access_state;
    int pc_zone_offset = 0;
    // Closing was asked for while the master was busy or connected.
    bool closing = false;
    bool disconnect_asked = false;
    bool quitting = false;

    QLabel* pl_operation = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* TB_sysstatus = nullptr;
    QGroupBox* GroupBox6 = nullptr;
    QLabel* lb_station_id = nullptr;
    QLabel* pl_com_port = nullptr;
    QLabel* pl_com_mode = nullptr;
    QLabel* pl_com_status = nullptr;
    QLabel* pl_authentication_status = nullptr;
    QPushButton* bt_com_connect = nullptr;
    QPushButton* bt_com_disconnect = nullptr;
    QLabel* lb_timesec_txt = nullptr;
    QLabel* lb_time_txt2 = nullptr;
    QLineEdit* ed_gsm_next_year = nullptr;
    QLineEdit* ed_gsm_next_month = nullptr;
    QLineEdit* ed_gsm_next_day = nullptr;
    QLineEdit* ed_acq_next_year = nullptr;
    QLineEdit* ed_acq_next_month = nullptr;
    QLineEdit* ed_acq_next_day = nullptr;
    QLineEdit* ed_acq_next_hour = nullptr;
    QComboBox* timezone_gsm_next = nullptr;
    QComboBox* timezone_acq_next = nullptr;
    // The six next-time fields of each group, year to seconds.
    QLineEdit* gsm_time_fields[6] = {};
    QLineEdit* acq_time_fields[6] = {};
    // The modem pictures by their names, as they were made.
    std::vector<std::pair<std::string, QLabel*>> modem_images;
    // The digital output selectors lbs0 to lbs7.
    static constexpr int output_selector_count = 8;
    QListWidget* output_selectors[output_selector_count] = {};
    QPlainTextEdit* Memo1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QAction* Connect1 = nullptr;
    QAction* Disconnect1 = nullptr;
    QAction* Abortconnection1 = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
};
