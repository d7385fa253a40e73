#pragma once

#include <QObject>

#include <memory>
#include <vector>

#include "base/log.h"
#include "data/flash_radio_hooks.h"
#include "link/calyxo_master.h"
#include "link/firmware_update.h"
#include "link/main_window_port.h"
#include "link/mlp_io.h"
#include "link/module_resource.h"
#include "programs/basic/gui_channels.h"
#include "ui/program_shell.h"

class TFabout;
class TFaffiche;
class TFdowload_select;
class TFgsm_console;
class TFormEtalonnage;
class TFmain;
class TFormAsk;
class TFormAskSnr;
class TFormAsk_pulse;
class TFormrfu;
class TFpending;
class TFppb;
class TFprogress;
class TFselstation;
class TFsplash;
class TFtext;
class TFttimezone_settings;
class TSignalForm;

// calyxo_basic as a whole: the program-wide objects (master, module resource,
// link selector, firmware update; the day log is the shell's), its forms, the
// start routine, the log sink and the numeric channels; the way out is the
// shell's. The program interface of main.cpp forwards to the one that runs;
// the demo tour builds one too.
class Tbasic_program : public Tprogram_shell, public Tmain_window_port {
public:
    Tbasic_program();
    ~Tbasic_program() override;
    Tbasic_program(const Tbasic_program&) = delete;
    Tbasic_program& operator=(const Tbasic_program&) = delete;

    // The program built last and not yet gone, or null.
    static Tbasic_program* running();

    // Before the application object: the day log in the working folder, the
    // random generator, the transaction counter, the (empty) setup path.
    void preInitialise();
    // The forms in their order, the main window first; the signal form is
    // attached to the event queue as it is made, which posts the start message.
    void createForms();
    // The start routine; runs once however often the start message comes.
    void onApplicationReady();
    // After the loop: the disconnect request, a pause for the serial worker.
    // The day log stays open for the lines of the way out and closes when
    // the program goes.
    void shutdown();

    using Tprogram_shell::logOutput;
    void guiSet(int id, const char* text);

    void show_busy(bool busy) override;
    void show_connection_state() override;
    void show_station_id() override;
    void set_status_refresh(bool on) override;
    void show_result(const char* xml_path) override;
    void show_health(const Tflash_parser_data* step) override;
    void show_com_setting(const char* key, const char* value) override;
    void show_pulse_meter_form() override;
    void set_text_window(const char* text) override;
    bool select_station(Tcomport*& port) override;
    void pending_tick() override;

    Tmlp_io io;
    Tmodule_resource module;
    Tcalyxo_master master;
    Tfirmware_update firmware{master};

    TFmain* main_form = nullptr;
    TFsplash* splash = nullptr;
    TFormAskSnr* ask_snr = nullptr;
    TFormAsk* ask = nullptr;
    TFgsm_console* gsm_console = nullptr;
    TFabout* about = nullptr;
    TFaffiche* result_window = nullptr;
    TFdowload_select* download_select = nullptr;
    TFpending* pending = nullptr;
    TFppb* ppb_view = nullptr;
    TFselstation* station_chooser = nullptr;
    TSignalForm* signal_form = nullptr;
    TFprogress* progress = nullptr;
    TFormrfu* rfu = nullptr;
    TFtext* text_window = nullptr;
    TFormEtalonnage* calibration = nullptr;
    TFormAsk_pulse* pulse = nullptr;
    TFttimezone_settings* time_zone_settings = nullptr;

private:
    void showLine(const char* line) override;
    void stopWork() override;
    void forgetForms() override;
    // The forms' connections to each other and to the program, once all exist
    // (basic_program_wiring.cpp).
    void wireForms();
    // A form the main window's commands show, by its name there.
    void showForm(const char* form);

    Tflash_radio_hooks flash_hooks;
    Tbasic_gsm_display gsm_display;
    Tgui_targets targets;
    bool ready = false;
};
