#pragma once

#include <cstdint>
#include <vector>

#include "base/my_string.h"
#include "calibration/calibration_gui_ids.h"
#include "calibration/fluo_sample.h"
#include "calibration/fluo_sample_grid.h"
#include "calibration/samples_serie.h"

class Tcalibration_host;

// The calibration run: the current reading and its chart, the grid of stored
// samples, the CALIBRATION XML file and the hand-over to the constants
// computation. Owned by the controller; GUI thread only.
class Tmaster_fluo_cal {
public:
    // Capacity of the plotted series.
    static constexpr unsigned series_capacity = 1000;
    // The acquisition request for all four lamps.
    static constexpr unsigned char all_lamps_request = 79;

    Tmaster_fluo_cal();

    void setHost(Tcalibration_host* host_in) { host = host_in; }

    void setSelectedTracer(uint8_t code) { selected_tracer = code; }
    void setSelectedConcentration(uint8_t code) { selected_concentration = code; }
    void setSerial(uint32_t n) { serial = n; }
    void setModel(uint8_t code) { model = code; }
    void setConfiguration(uint8_t code) { configuration = code; }
    void setSerialFromText(const char* text);
    void setModelFromText(const char* text);
    void setConfigurationFromText(const char* text);
    void setDate(int year, int month, int day);

    void requestReading();
    // A probe answer line, with its line ends.
    void onProbeText(const char* bytes, unsigned count);
    // A reading from the logger's acquisition.
    void takeReading(const Tfluo_sample* sample);
    // The current reading into the grid with the selected tracer and
    // concentration; true, logged and told to the host, when it fits no cell.
    bool storeSample();
    // Empties the grid, the series and the lamp tracers learnt.
    void clearSamples();

    // The CALIBRATION text; written to path when one is given (true: it could
    // not be written, which is logged).
    bool writeCalibrationXml(const char* path);
    // The calibration-constants text, computed from the grid; appended to out
    // when given. True when the calculation calibrated no tracer (the text
    // then holds only undefined values); why says so when given.
    bool computeConstants(Tmy_string* out, Tmy_string* why = nullptr);
    // True when the file was not written: a failed calculation writes nothing,
    // so that a good file under that name stays; why gets the reason.
    bool writeConstantsFile(const char* path, Tmy_string* why = nullptr);
    // Replaces the grid by a CALIBRATION file's; true when it cannot be read.
    bool readCalibrationXml(const char* path);
    // The default file name: ".dat" for the constants, else ".xml".
    void makeFileName(Tmy_string* out, bool constants) const;
    void plotSeries();

    void listGrid() const;
    unsigned collectSamples(std::vector<const Tfluo_sample*>* out) const;

    void calibrationText(Tmy_string* out) const;

    const Tfluo_measure& current() const { return current_reading; }
    const Tfluo_sample_grid& grid() const { return samples; }
    const Tsamples_serie& series() const { return plotted; }
    uint8_t model = 0;
    uint8_t configuration = 0;
    uint32_t serial = 0;
    uint8_t selected_tracer = 0;
    uint8_t selected_concentration = 0;
    uint8_t tracer_a = 0;
    uint8_t tracer_b = 0;
    uint8_t tracer_c = 0;
    uint8_t shown_tracer = 0;
    uint8_t shown_concentration = 0;
    int year = 0;
    int month = 0;
    int day = 0;
    Tmy_string file_name;
    Tmy_string file_directory;

private:
    void onSample();
    // Stores into the grid and learns the lamp tracers from what was stored;
    // false when the sample fits no cell.
    bool storeInGrid(const Tfluo_sample& sample);
    void refreshStoredValues();
    void setToday();

    Tcalibration_host* host = nullptr;
    Tfluo_measure current_reading;
    Tfluo_sample_grid samples;
    Tsamples_serie plotted;
};
