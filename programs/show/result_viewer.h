#pragma once

#include "data/setup.h"
#include "platform/qt/signal_form.h"
#include "ui/faffiche.h"
#include "ui/fppb.h"
#include "ui/ttimezone_settings.h"

// The program's name.
constexpr char result_viewer_title[] = "Calyxo Show";

// calyxo_show: the result table window as the main window, with the ppb view
// and the time-zone dialog, over the setup file of the working folder (read
// only for the data folder). The forms are made in this order. The ppb view
// and the dialog are the result window's children, so that they stand over it
// and go with it: the window owns them.
class Tresult_viewer {
public:
    Tresult_viewer();
    ~Tresult_viewer();
    Tresult_viewer(const Tresult_viewer&) = delete;
    Tresult_viewer& operator=(const Tresult_viewer&) = delete;

    // The start routine: reads the setup file, points the result window's
    // dialogs at its data folder, enables the ppb conversion and every column.
    void start(const char* setup_path = "setup.xml");

    TFaffiche& resultWindow() { return Faffiche; }
    TFppb& ppbView() { return *Fppb; }
    TFttimezone_settings& timeZoneDialog() { return *Fttimezone_settings; }
    const Tsetup& setup() const { return paths; }

private:
    Tsetup paths;
    TFaffiche Faffiche;
    TSignalForm SignalForm;
    TFppb* Fppb;
    TFttimezone_settings* Fttimezone_settings;
};
