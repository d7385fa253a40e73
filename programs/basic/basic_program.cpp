#include "programs/basic/basic_program.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>
#include <thread>

#include "base/event.h"
#include "link/transaction_file.h"
#include "platform/qt/signal_form.h"
#include "programs/basic/wabout.h"
#include "programs/basic/wask_pulse.h"
#include "programs/basic/wask_snr.h"
#include "programs/basic/wdownload_select.h"
#include "programs/basic/wetalonnage.h"
#include "programs/basic/wgsm_console.h"
#include "programs/basic/wmain.h"
#include "programs/basic/wpending.h"
#include "programs/basic/wprogress.h"
#include "programs/basic/wrfu.h"
#include "programs/basic/wselstation.h"
#include "programs/basic/wsplash.h"
#include "programs/basic/wtext.h"
#include "programs/basic/version_id.h"
#include "ui/display_columns.h"
#include "ui/faffiche.h"
#include "ui/formask.h"
#include "ui/fppb.h"
#include "ui/ttimezone_settings.h"

namespace {

Tbasic_program* running_program = nullptr;

// Time the serial worker gets to put the disconnection on the line.
constexpr std::chrono::milliseconds shutdown_pause(1000);

}  // namespace

Tbasic_program::Tbasic_program()
{
    running_program = this;
    module.setRedpHooks(&firmware);
    flash_parser_hooks_install(&flash_hooks);
    gsm_dump_display_install(&gsm_display);
}

Tbasic_program::~Tbasic_program()
{
    destroyForms();
    gsm_dump_display_install(nullptr);
    flash_parser_hooks_install(nullptr);
    if (running_program == this)
        running_program = nullptr;
}

void Tbasic_program::stopWork()
{
    if (result_window)
        result_window->abandonLoad();
    module.abandonConversion();
    master.abandonJobs();
    io.stopWorker();
}

void Tbasic_program::forgetForms()
{
    targets = Tgui_targets{};
    main_form = nullptr;
    splash = nullptr;
    ask_snr = nullptr;
    gsm_console = nullptr;
    ask = nullptr;
    about = nullptr;
    result_window = nullptr;
    download_select = nullptr;
    pending = nullptr;
    ppb_view = nullptr;
    station_chooser = nullptr;
    signal_form = nullptr;
    progress = nullptr;
    rfu = nullptr;
    text_window = nullptr;
    calibration = nullptr;
    pulse = nullptr;
    time_zone_settings = nullptr;
    firmware.setWindow(nullptr);
}

Tbasic_program* Tbasic_program::running()
{
    return running_program;
}

void Tbasic_program::preInitialise()
{
    day_log.useCurrentDirectory();
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    transaction_reset_counter();
    // No setup file is read at start: the main setup path is empty.
    log_printf("main_load_setup   load : %s", "");
}

void Tbasic_program::createForms()
{
    main_form = make<TFmain>(master);
    splash = make<TFsplash>(*main_form, master);
    ask_snr = make<TFormAskSnr>(main_form);
    ask = make<TFormAsk>(main_form);
    gsm_console = make<TFgsm_console>([this]() -> Tcommand_master& { return main_form->commands(); });
    about = make<TFabout>();
    char version[version_id_size];
    get_version_id(version);
    result_window = make<TFaffiche>(version);
    download_select = make<TFdowload_select>(main_form);
    pending = make<TFpending>(master);
    ppb_view = make<TFppb>();
    station_chooser = make<TFselstation>(main_form);
    signal_form = make<TSignalForm>();
    attachSignalWindow(signal_form->window());
    progress = make<TFprogress>(master);
    rfu = make<TFormrfu>(firmware);
    text_window = make<TFtext>();
    calibration = make<TFormEtalonnage>(main_form);
    pulse = make<TFormAsk_pulse>(master);
    time_zone_settings = make<TFttimezone_settings>();
    wireForms();
}

void Tbasic_program::onApplicationReady()
{
    if (ready || !main_form)
        return;
    ready = true;
    master.initLinks(module, io, *this);
    display_columns.setAll(1);
    main_form->menusAndPages();
    main_form->startPanels();
    station_chooser->fillList();
    main_form->initialPanels();
}

void Tbasic_program::shutdown()
{
    master.start_disconnect();
    std::this_thread::sleep_for(shutdown_pause);
}

void Tbasic_program::showLine(const char* line)
{
    if (!main_form)
        return;
    main_form->logLine(line);
    // A day log that cannot be written is said once, in the window's log.
    Tmy_string warning;
    if (day_log.takeWarning(&warning))
        main_form->logLine(warning.c_str());
}

void Tbasic_program::guiSet(int id, const char* text)
{
    if (windowsReachable())
        gui_channel_set(targets, id, text);
}

void Tbasic_program::show_busy(bool busy)
{
    if (main_form)
        main_form->show_busy(busy);
}

void Tbasic_program::show_connection_state()
{
    if (main_form)
        main_form->show_connection_state();
}

void Tbasic_program::show_station_id()
{
    if (main_form)
        main_form->show_station_id();
}

void Tbasic_program::set_status_refresh(bool on)
{
    if (main_form)
        main_form->set_status_refresh(on);
}

void Tbasic_program::show_result(const char* xml_path)
{
    if (result_window)
        ::show_result(xml_path);
}

void Tbasic_program::show_health(const Tflash_parser_data* step)
{
    if (main_form)
        main_form->show_health(step);
}

void Tbasic_program::showForm(const char* form)
{
    const std::string_view name(form ? form : "");
    if (name == "text" && text_window)
        text_window->show_text_window();
    else if (name == "calibration" && calibration)
        calibration->show_calibration_dialog();
    else if (name == "rfu" && rfu)
        rfu->rfu_show();
    else if (name == "gsm_console" && gsm_console && main_form)
        gsm_console->toggle_gsm_console(main_form->frameGeometry().bottom() + 1, main_form->x());
}

void Tbasic_program::show_com_setting(const char* key, const char* value)
{
    if (main_form)
        main_form->show_com_setting(key, value);
}

void Tbasic_program::show_pulse_meter_form()
{
    if (pulse)
        pulse->pulse_dialog_show();
}

void Tbasic_program::set_text_window(const char* text)
{
    if (text_window)
        text_window->set_text_window(text);
}

bool Tbasic_program::select_station(Tcomport*& port)
{
    return station_chooser && station_chooser->select_station(port);
}

void Tbasic_program::pending_tick()
{
    if (pending)
        pending->pending_tick();
}
