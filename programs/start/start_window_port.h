#pragma once

class Tfluo_measure;
class Tmaster_fluo_cal;
class Tsamples_serie;

// What the controller and its activities ask of calyxo_start's main window
// beyond the texts by id. Every operation is one the window must give: a
// window that leaves one out does not compile.
class Tstart_window_port {
public:
    virtual ~Tstart_window_port() = default;
    virtual void clearComPorts() = 0;
    virtual void addComPort(const char* text, int number) = 0;
    virtual void clearViewTable() = 0;
    virtual void addViewRow(const Tfluo_measure& measure) = 0;
    virtual void showStoredValues(const Tmaster_fluo_cal& run) = 0;
    virtual void plotCalibration(const Tsamples_serie& serie) = 0;
    // The flow chart's one series, its title, and the least time span shown (s).
    virtual void plotFlow(const Tsamples_serie& serie, const char* title, double min_span) = 0;
    // A measurement XML file of a download, in the result window.
    virtual void showResult(const char* xml_path) = 0;
    virtual void errorBox(const char* text) = 0;
    virtual void showStationId() = 0;
    // The controller's tick: the lamps count down.
    virtual void lampTick() = 0;
};

// No window: the logic runs without one (the controller before a window is
// set, and the tests that look at a few of the operations only).
class Tno_window_port : public Tstart_window_port {
public:
    void clearComPorts() override {}
    void addComPort(const char* /*text*/, int /*number*/) override {}
    void clearViewTable() override {}
    void addViewRow(const Tfluo_measure& /*measure*/) override {}
    void showStoredValues(const Tmaster_fluo_cal& /*run*/) override {}
    void plotCalibration(const Tsamples_serie& /*serie*/) override {}
    void plotFlow(const Tsamples_serie& /*serie*/, const char* /*title*/, double /*min_span*/) override {}
    void showResult(const char* /*xml_path*/) override {}
    void errorBox(const char* /*text*/) override {}
    void showStationId() override {}
    void lampTick() override {}
};
