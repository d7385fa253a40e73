#pragma once

class Tmaster_fluo_cal;
class Tsamples_serie;

// What a calibration run asks of the program's controller and windows, which
// the calibration program implements. Without a host the run asks nothing.
class Tcalibration_host {
public:
    virtual ~Tcalibration_host() = default;
    // A reading of the lamps whose bits (0 A .. 3 T) are set in flags.
    virtual void requestAcquisition(unsigned char flags) = 0;
    // Redraw the stored-values table from the run's grid.
    virtual void showStoredValues(const Tmaster_fluo_cal& run) = 0;
    // Redraw the calibration chart from the run's series.
    virtual void plotSeries(const Tsamples_serie& serie) = 0;
    // Tell the technician why a request was refused (a box).
    virtual void refusal(const char* text) = 0;
};
