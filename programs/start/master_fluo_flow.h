#pragma once

#include <cstdint>
#include <cstdio>

#include "calibration/samples_serie.h"
#include "data/ruvo_fluo.h"

class Tfluo_measure;
class Tmy_string;
class Tstart_window_port;

// The flow measurement: the readings that the logger takes on its own
// program, each logged to "acq.xml", drawn against time and integrated over
// time (the area under a tracer passage, mV*s). Owned by the controller.
class Tmaster_fluo_flow {
public:
    static constexpr unsigned series_capacity = 10000;
    // The least time span of the flow chart, s.
    static constexpr double chart_min_span = 60.0;

    Tmaster_fluo_flow();
    ~Tmaster_fluo_flow();
    Tmaster_fluo_flow(const Tmaster_fluo_flow&) = delete;
    Tmaster_fluo_flow& operator=(const Tmaster_fluo_flow&) = delete;

    void setWindow(Tstart_window_port* port) { window = port; }
    // A new flow: the integral, the previous point and both series start afresh.
    void reset();
    // Opens "acq.xml" in folder for appending (unless open), then reset.
    void openLog(const char* folder);
    void closeLog();
    bool logOpen() const { return log_file != nullptr; }
    void onMeasure(Tfluo_measure& measure);
    void loadCalibration(const char* path);
    // Some lamp of the loaded calibration converts: the ppb unit can be chosen.
    bool ppbAvailable() const;
    // 1 ppb, only when ppbAvailable; 0 mV.
    void setChartUnit(int unit);
    void showChart();

    // The block that "acq.xml" receives for a measurement.
    static void logBlock(const Tfluo_measure& measure, Tmy_string* out);

    Truvo_fluo calibration;
    double integral = 0;
    uint32_t previous_time = 0;
    double previous_value = 0;
    uint8_t chart_unit = 0;
    Tsamples_serie mv_series;
    Tsamples_serie ppb_series;

private:
    // The lamp whose delta the flow follows (C, else B, else A), -1 for none.
    static int flowLamp(const Tfluo_measure& measure);
    // The ppb point of the reading at index: the first lamp of C, B, A that it
    // has and that the calibration converts; none when there is no such lamp.
    void addPpbPoint(double time, unsigned index);
    // That lamp of the calibration whatever the reading, -1 when none converts.
    int ppbLamp() const;
    void rebuildPpbSeries();

    FILE* log_file = nullptr;
    Tstart_window_port* window = nullptr;
    // The deltas of lamps A, B, C, T of each mV point's reading, for the ppb series.
    float point_deltas[series_capacity][4] = {};
};
