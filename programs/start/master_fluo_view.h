#pragma once

#include "data/ruvo_fluo.h"

class Tcalyxo_start_master;
class Tfluo_measure;
class Tstart_window_port;

// The live view: one reading of the probe every 15 s, shown with its
// concentrations when a calibration-constants file is loaded, and kept as a
// row of the view table. Owned by the controller; GUI thread only.
class Tmaster_fluo_view {
public:
    // The tick's reading request: the lamps whose check boxes are ticked.
    void requestReading(Tcalyxo_start_master& master);
    // A probe answer line with its line ends.
    void onLine(const char* bytes, unsigned length, Tstart_window_port& window);
    void onMeasure(Tfluo_measure& measure, Tstart_window_port& window);
    void loadCalibration(const char* path);
    // Whether the water holds the tracer of lamp 0-2 (the "Tracer for lamp" boxes).
    void setTracer(int lamp, bool held);

    Truvo_fluo calibration;
    int countdown_ms = 0;
    // The lamps whose tracer the water holds (the "Tracer for lamp" boxes).
    bool tracers[3] = {true, false, false};
};
