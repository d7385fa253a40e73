#pragma once

class Tfluo_measure;
class Tmaster_fluo_cal;
class Tsamples_serie;

// What the controller and its activities ask of calyxo_start's main window
// beyond the texts by id. Every operation does nothing by default, so that the
// logic runs without a window.
class Tstart_window_port {
public:
    virtual ~Tstart_window_port() = default;
    virtual void clearComPorts() {}
    virtual void addComPort(const char* /*text*/, int /*number*/) {}
    virtual void clearViewTable() {}
    virtual void addViewRow(const Tfluo_measure& /*measure*/) {}
    virtual void showStoredValues(const Tmaster_fluo_cal& /*run*/) {}
    virtual void plotCalibration(const Tsamples_serie& /*serie*/) {}
    // The flow chart's one series, its title, and the least time span shown (s).
    virtual void plotFlow(const Tsamples_serie& /*serie*/, const char* /*title*/, double /*min_span*/) {}
    // A measurement XML file of a download, in the result window.
    virtual void showResult(const char* /*xml_path*/) {}
    virtual void errorBox(const char* /*text*/) {}
    virtual void showStationId() {}
    // The controller's tick: the lamps count down.
    virtual void lampTick() {}
};
