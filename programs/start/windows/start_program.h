#pragma once

#include <QObject>

#include <memory>
#include <string>
#include <vector>

#include "base/log.h"
#include "link/basicio_dump.h"
#include "link/mlp_io.h"
#include "link/module_resource.h"
#include "programs/start/globals.h"
#include "programs/start/module_view_hooks.h"
#include "programs/start/start_master.h"
#include "ui/program_shell.h"

class TFaffiche;
class TFframe;
class TFormAsk;
class TFpending2;
class TFppb;
class TFttimezone_settings;
class TSignalForm;

// calyxo_start as a whole: its settings, the link, the module resource and
// the controller, the seven forms, the start routine, the log sink with its
// output channels and the id binding; the day log and the way out are the
// shell's. The program interface (programs/start/program_interface.cpp)
// forwards to the one that runs.
class Tstart_program : public Tprogram_shell, public Tgsm_dump_display {
public:
    Tstart_program();
    ~Tstart_program() override;
    Tstart_program(const Tstart_program&) = delete;
    Tstart_program& operator=(const Tstart_program&) = delete;

    static Tstart_program* running();
    // The flash parser's live values and the GSM lines go to this program.
    void installHooks();

    // Before the application object: the settings file, the day log under
    // the data folder.
    void preInitialise();
    void createForms();
    void onApplicationReady();
    // After the loop: the settings saved. The day log stays open for the
    // lines of the way out and closes when the program goes.
    void shutdown();

    using Tprogram_shell::logOutput;
    void guiSet(int id, const char* text);
    const char* guiGet(int id);
    int guiGetInt(int id);
    void guiAction(int code);
    void selectOutput(int channel);
    void clearOutput();

    void show_gsm_dump_info(const Tgsm_dump_info* info) override;

    Tglobals globals;
    Tmlp_io io;
    Tmodule_resource module;
    Tcalyxo_start_master master{globals, io, module};

    TFframe* frame = nullptr;
    TSignalForm* signal_form = nullptr;
    TFormAsk* ask = nullptr;
    TFpending2* pending = nullptr;
    TFaffiche* result_window = nullptr;
    TFppb* ppb_view = nullptr;
    TFttimezone_settings* time_zone_settings = nullptr;

private:
    void showLine(const char* line) override;
    void stopWork() override;
    void forgetForms() override;

    Tmodule_view_hooks flash_hooks;
    std::string value_text;
    int output_channel = 0;
    bool ready = false;
};
