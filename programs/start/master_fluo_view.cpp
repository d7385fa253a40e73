#include "programs/start/master_fluo_view.h"

#include <string>

#include "base/log.h"
#include "base/program_interface.h"
#include "base/time_calendar.h"
#include "calibration/calibration_gui_ids.h"
#include "calibration/fluo_sample.h"
#include "programs/start/fluo_conversion.h"
#include "programs/start/start_gui_ids.h"
#include "programs/start/start_master.h"
#include "programs/start/start_window_port.h"

namespace {
// The probe's request for a reading; the lamps' bits are added to it.
constexpr unsigned char probe_reading_request = 64;
}  // namespace

void Tmaster_fluo_view::requestReading(Tcalyxo_start_master& master)
{
    log_printf("OnAcq");
    unsigned char flags = probe_reading_request;
    for (int lamp = 0; lamp < LAMP_COUNT; ++lamp) {
        if (std::string(gui_get(GUI_VIEW_LAMP_A + lamp)) == "1")
            flags = static_cast<unsigned char>(flags | (1u << lamp));
    }
    master.requestAcquisition(flags);
}

void Tmaster_fluo_view::onLine(const char* bytes, unsigned length, Tstart_window_port& window)
{
    std::string line(bytes, length);
    std::string shown;
    for (char c : line)
        if (c != '\r' && c != '\n')
            shown += c;
    log_printf("RX : %s", shown.c_str());
    Tfluo_measure measure;
    measure.reset();
    measure.parseProbeAnswer(line.c_str());
    onMeasure(measure, window);
}

void Tmaster_fluo_view::onMeasure(Tfluo_measure& measure, Tstart_window_port& window)
{
    measure.time = time_now();
    log_select_output(OUTPUT_CHANNEL_MAIN);
    measure.show(3);
    if (calibration.loaded())
        convert_fluo_measure(calibration, &measure, tracers);
    gui_set(GUI_CAL_NEW_DATA, "2");
    gui_set(GUI_CAL_STORE_BUTTON, "enabled");
    window.addViewRow(measure);
}

void Tmaster_fluo_view::loadCalibration(const char* path)
{
    load_fluo_calibration(&calibration, path);
}

void Tmaster_fluo_view::setTracer(int lamp, bool held)
{
    if (lamp >= 0 && lamp < 3)
        tracers[lamp] = held;
}
