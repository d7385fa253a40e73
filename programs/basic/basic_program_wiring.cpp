// How calyxo_basic's forms reach each other and the program: one block per
// form, what it is given and what it calls. The forms themselves are made
// and owned in basic_program.cpp.
#include "programs/basic/basic_program.h"

#include "programs/basic/calibration_write.h"
#include "programs/basic/health_page.h"
#include "programs/basic/status_page.h"
#include "programs/basic/wabout.h"
#include "programs/basic/wask_snr.h"
#include "programs/basic/wdownload_select.h"
#include "programs/basic/wetalonnage.h"
#include "programs/basic/wgsm_console.h"
#include "programs/basic/wmain.h"
#include "ui/formask.h"

void Tbasic_program::wireForms()
{
    // The main window: its prompts, the forms its commands show, the
    // console's countdowns in its tick, the numeric channels' target.
    targets.main = main_form;
    main_form->ask_value = [this](const char* prompt, int mode) { return ask->ask_value(prompt, mode); };
    main_form->ask_snr = [this] { return ask_snr->ask_snr(); };
    main_form->ask_download_range = [this](int32_t* start, int32_t* count, uint8_t* incremental) {
        return download_select->ask_download_range(start, count, incremental);
    };
    main_form->on_about = [this] { about->show_about(); };
    main_form->show_form = [this](const char* form) { showForm(form); };
    main_form->on_tick = [this] { gsm_console->gsm_console_countdown_tick(); };

    // The download dialog starts at the next download address the status page shows.
    main_form->statusPage()->download_start = [this](uint32_t address) {
        download_select->set_download_start(address);
    };

    // The pending, progress and pulse-meter windows hear their channels.
    targets.pending = pending;
    targets.progress = progress;
    targets.pulse = pulse;

    // The calibration dialog reads through the main window's get-health
    // command, writes through the master's scripts and is fed by the health page.
    calibration->request_health = [this] { main_form->request_health(); };
    calibration->write = [this](bool with_span, double span, bool with_offset, double offset) {
        if (with_span && with_offset)
            return calibration_write(master, span, offset);
        return with_span ? calibration_write_span(master, span) : calibration_write_offset(master, offset);
    };
    main_form->healthPage()->pressure_feed = [this](const Tpressure_health& values) { calibration->calib_set(values); };
}
