#include "programs/start/windows/start_program.h"

#include <chrono>
#include <thread>

#include "base/event.h"
#include "base/parse.h"
#include "data/flash_parser_hooks.h"
#include "platform/qt/signal_form.h"
#include "programs/start/start_gui_ids.h"
#include "programs/start/version.h"
#include "programs/start/windows/fframe.h"
#include "programs/start/windows/fpending2.h"
#include "ui/faffiche.h"
#include "ui/formask.h"
#include "ui/fppb.h"
#include "ui/ttimezone_settings.h"

namespace {

Tstart_program* running_program = nullptr;
// The serial worker's last lines and the port's close get this long after the loop.
constexpr std::chrono::milliseconds shutdown_pause(1000);
constexpr int GUI_ASK_ACQ_INTERVAL = 72;
constexpr int GUI_ASK_GSM_INTERVAL = 73;
constexpr int ask_interval_mode = 1;

}  // namespace

Tstart_program::Tstart_program()
{
    running_program = this;
    installHooks();
}

void Tstart_program::installHooks()
{
    flash_parser_hooks_install(&flash_hooks);
    gsm_dump_display_install(this);
}

Tstart_program::~Tstart_program()
{
    destroyForms();
    gsm_dump_display_install(nullptr);
    flash_parser_hooks_install(nullptr);
    if (running_program == this)
        running_program = nullptr;
}

Tstart_program* Tstart_program::running()
{
    return running_program;
}

void Tstart_program::preInitialise()
{
    globals.load(settings_file_name);
    Tmy_string folder;
    globals.dataFolder(&folder);
    day_log.setDirectory(folder.c_str());
}

void Tstart_program::createForms()
{
    frame = make<TFframe>(master, globals);
    master.setWindow(frame);
    signal_form = make<TSignalForm>();
    attachSignalWindow(signal_form->window());
    ask = make<TFormAsk>(frame);
    pending = make<TFpending2>();
    frame->setPending(pending);
    char version[version_id_size];
    get_version_id(version);
    result_window = make<TFaffiche>(version);
    ppb_view = make<TFppb>();
    time_zone_settings = make<TFttimezone_settings>();
    frame->show();
}

void Tstart_program::onApplicationReady()
{
    if (ready || !frame)
        return;
    ready = true;
    output_channel = 0;
    frame->resetBinding();
    master.start();
}

void Tstart_program::shutdown()
{
    std::this_thread::sleep_for(shutdown_pause);
    master.saveSettings();
}

void Tstart_program::stopWork()
{
    if (result_window)
        result_window->abandonLoad();
    module.abandonConversion();
    io.stopWorker();
}

void Tstart_program::forgetForms()
{
    master.setWindow(nullptr);
    frame = nullptr;
    signal_form = nullptr;
    ask = nullptr;
    pending = nullptr;
    result_window = nullptr;
    ppb_view = nullptr;
    time_zone_settings = nullptr;
}

void Tstart_program::showLine(const char* line)
{
    // A serial worker's line belongs to the main log, whatever the GUI thread
    // selected between its logging and its delivery.
    if (frame)
        frame->logLine(log_delivering_worker_line() ? OUTPUT_CHANNEL_MAIN : output_channel, line);
    // A day log that cannot be written is said once, in the main log window.
    Tmy_string warning;
    if (frame && day_log.takeWarning(&warning))
        frame->logLine(OUTPUT_CHANNEL_MAIN, warning.c_str());
}

void Tstart_program::guiSet(int id, const char* text)
{
    if (frame && windowsReachable())
        frame->guiSet(id, text);
}

const char* Tstart_program::guiGet(int id)
{
    value_text = frame && windowsReachable() ? frame->guiGet(id) : std::string();
    return value_text.c_str();
}

int Tstart_program::guiGetInt(int id)
{
    if (id == GUI_ASK_ACQ_INTERVAL || id == GUI_ASK_GSM_INTERVAL) {
        if (!ask)
            return -1;
        return ask->ask_value(id == GUI_ASK_ACQ_INTERVAL ? "ACQ INTERVAL" : "GSM INTERVAL", ask_interval_mode);
    }
    int value = 0;
    parse_int(guiGet(id), &value);
    return value;
}

void Tstart_program::guiAction(int code)
{
    switch (code) {
    case GUI_ACTION_REFRESH_PORTS:
        master.fillComPorts();
        break;
    case GUI_ACTION_CONNECT:
        master.start_connect();
        break;
    case GUI_ACTION_DISCONNECT:
        master.start_disconnect();
        break;
    case GUI_ACTION_SAVE_TIME_ZONE:
        master.save_time_zone();
        break;
    case GUI_ACTION_SAVE_CONNECTION:
        master.save_connection_settings();
        break;
    default:
        break;
    }
}

void Tstart_program::selectOutput(int channel)
{
    output_channel = channel;
    if (frame && windowsReachable())
        frame->selectOutput(channel);
}

void Tstart_program::clearOutput()
{
    if (frame && windowsReachable()) {
        frame->selectOutput(output_channel);
        frame->clearOutput();
    }
}

void Tstart_program::show_gsm_dump_info(const Tgsm_dump_info* info)
{
    if (!info)
        return;
    selectOutput(OUTPUT_CHANNEL_GSM);
    log_printf("%s", info->text.c_str());
    selectOutput(OUTPUT_CHANNEL_MAIN);
}
