#include "programs/start/master_fluo_flow.h"

#include <string>

#include "base/log.h"
#include "base/my_string.h"
#include "base/program_interface.h"
#include "base/time_calendar.h"
#include "calibration/calibration_gui_ids.h"
#include "calibration/fluo_sample.h"
#include "programs/start/fluo_conversion.h"
#include "programs/start/start_gui_ids.h"
#include "programs/start/start_window_port.h"

namespace {
// The wall time of "acq.xml" is written at a fixed offset of one hour.
constexpr int log_offset_seconds = 3600;
constexpr const char* log_file_name = "acq.xml";
}  // namespace

Tmaster_fluo_flow::Tmaster_fluo_flow()
{
    mv_series.setCapacity(series_capacity);
    ppb_series.setCapacity(series_capacity);
}

Tmaster_fluo_flow::~Tmaster_fluo_flow()
{
    closeLog();
}

void Tmaster_fluo_flow::reset()
{
    previous_time = 0;
    previous_value = 0;
    integral = 0;
    // A second flow draws its own curve, not the end of the first one's.
    mv_series.reset();
    ppb_series.reset();
    gui_set(GUI_FLOW_AREA, "");
    gui_set(GUI_FLOW_PPB_ENABLED, ppbAvailable() ? "1" : "0");
    showChart();
}

void Tmaster_fluo_flow::openLog(const char* folder)
{
    if (!log_file) {
        Tmy_string path;
        path.printf("%s/%s", folder ? folder : ".", log_file_name);
        log_file = std::fopen(path.c_str(), "ab");
        if (log_file)
            log_printf("INFO  acq.xml log file opened in %s", path.c_str());
        else
            log_printf("ERROR !! Unable to open acq.xml log file in %s", path.c_str());
    }
    reset();
}

void Tmaster_fluo_flow::closeLog()
{
    if (log_file) {
        std::fclose(log_file);
        log_file = nullptr;
    }
}

void Tmaster_fluo_flow::logBlock(const Tfluo_measure& measure, Tmy_string* out)
{
    char iso[time_iso_text_size];
    time_format_iso(iso, measure.time, log_offset_seconds, false);
    Tmy_string element;
    measure.toXml(&element, 1);
    out->printf("<time v=\"%u\" iso=\"%s\">\n", measure.time, iso);
    out->appendString(&element);
    out->append("\n</time>\n");
}

int Tmaster_fluo_flow::flowLamp(const Tfluo_measure& measure)
{
    for (int lamp : {LAMP_C, LAMP_B, LAMP_A})
        if (sample_value_defined(measure.delta[lamp]))
            return lamp;
    return -1;
}

bool Tmaster_fluo_flow::ppbAvailable() const
{
    return ppbLamp() >= 0;
}

int Tmaster_fluo_flow::ppbLamp() const
{
    for (int lamp : {LAMP_C, LAMP_B, LAMP_A})
        if (calibration.convertible(lamp))
            return lamp;
    return -1;
}

// The flow follows lamp C in mV whatever the tracer; its ppb is that of the
// tracer the calibration knows, so that a one-tracer calibration draws its
// tracer's passage.
void Tmaster_fluo_flow::addPpbPoint(double time, unsigned index)
{
    const float* deltas = point_deltas[index];
    for (int lamp : {LAMP_C, LAMP_B, LAMP_A}) {
        if (!calibration.convertible(lamp) || !sample_value_defined(deltas[lamp]))
            continue;
        double ppb = 0;
        if (convert_lamp_value(calibration, lamp, deltas[lamp], deltas[LAMP_T], &ppb))
            ppb_series.append(time, ppb, 1.0, SAMPLE_POINT_NO_COLOR);
        return;
    }
}

void Tmaster_fluo_flow::rebuildPpbSeries()
{
    ppb_series.reset();
    Tsample_point point;
    for (unsigned i = 0; i < mv_series.count(); ++i)
        if (!mv_series.getPoint(&point, i))
            addPpbPoint(point.x, i);
}

void Tmaster_fluo_flow::onMeasure(Tfluo_measure& measure)
{
    measure.time = time_now();
    log_select_output(OUTPUT_CHANNEL_MAIN);
    measure.show(3);

    Tmy_string block;
    logBlock(measure, &block);
    log_printf("%s", block.c_str());
    if (log_file) {
        std::fwrite(block.c_str(), 1, block.length(), log_file);
        std::fflush(log_file);
    }

    const int lamp = flowLamp(measure);
    if (lamp >= 0) {
        const double value = measure.delta[lamp];
        const unsigned index = mv_series.count();
        if (index < series_capacity) {
            for (int l = 0; l < LAMP_COUNT; ++l)
                point_deltas[index][l] = measure.delta[l];
            mv_series.append(measure.time, value, 1.0, SAMPLE_POINT_NO_COLOR);
            addPpbPoint(measure.time, index);
        }
        showChart();
        if (previous_time != 0) {
            integral += (static_cast<double>(measure.time) - previous_time) * (value + previous_value) * 0.5;
            char area[64];
            std::snprintf(area, sizeof area, "%0.2f [mV*s]", integral);
            gui_set(GUI_FLOW_AREA, area);
        }
        previous_time = measure.time;
        previous_value = value;
    }
    if (window)
        window->addViewRow(measure);
    gui_set(GUI_CAL_NEW_DATA, "2");
    gui_set(GUI_CAL_STORE_BUTTON, "enabled");
    gui_set(GUI_CAL_REDRAW_CHARTS, "1");
}

void Tmaster_fluo_flow::loadCalibration(const char* path)
{
    load_fluo_calibration(&calibration, path);
    rebuildPpbSeries();
    const bool available = ppbAvailable();
    static const char* const letters[3] = {"A", "B", "C"};
    if (available)
        log_printf("Fluo Flow: the ppb chart draws the tracer of lamp %s", letters[ppbLamp()]);
    else if (calibration.loaded())
        log_printf("Fluo Flow: no lamp converts with these constants, the chart stays in mV");
    gui_set(GUI_FLOW_PPB_ENABLED, available ? "1" : "0");
    if (!available)
        setChartUnit(0);
    else
        showChart();
}

void Tmaster_fluo_flow::setChartUnit(int unit)
{
    chart_unit = unit == 1 && ppbAvailable() ? 1 : 0;
    showChart();
}

void Tmaster_fluo_flow::showChart()
{
    if (!window)
        return;
    if (chart_unit == 1)
        window->plotFlow(ppb_series, "Concentration [ppb]", chart_min_span);
    else
        window->plotFlow(mv_series, "[mV]", chart_min_span);
}
