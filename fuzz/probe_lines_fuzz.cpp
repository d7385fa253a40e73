// The probe's bytes as calyxo_start hears them on a line-mode link: the
// receiver cuts them into frames, the controller joins the frames into lines
// and hands each line to the live view (parsed, converted with the calibration
// constants, shown as a row) or to the calibration run. The one-second tick
// runs between bytes, so the view's reading requests and its countdown go on.
// The first byte chooses the setting.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/manual_pump_input.h"
#include "link/mlp_io.h"
#include "link/module_resource.h"
#include "programs/start/globals.h"
#include "programs/start/start_master.h"

namespace {

// Bits of the first byte.
enum : uint8_t {
    CALIBRATION = 0x01,  // the calibration run hears the lines instead of the live view
    CONVERTED = 0x02,    // the live view holds calibration constants
    TRACER_A = 0x04,     // the tracers of the water, for the conversion
    TRACER_B = 0x08,
    TRACER_C = 0x10,
    LARGE_FRAMES = 0x20, // the receiver takes lines up to a message's capacity
};

// Bytes between two ticks.
constexpr std::size_t bytes_per_tick = 64;

// Constants of a four-lamp probe with two points per tracer, as the calibration
// program writes them (the live view converts with them when they read well).
constexpr char constants[] =
    "               Calibration constants  -  VEXL-PX2 fluorometer #1234\r\n"
    "               --------------------------------------------------\r\n"
    "                           Last calibration: 261210\r\n"
    "                                 Values in mV\r\n\r\n\r\n"
    "-----\r\nEau\r\nL1 50.0\r\nL2 60.0\r\nL3 70.0\r\nL4 40.0\r\n"
    "-----\r\nUranine\r\nL1 1050.0\r\nL2 160.0\r\nL3 95.0\r\nL4 45.0\r\n"
    "-----\r\nRhodamine\r\nL1 110.0\r\nL2 860.0\r\nL3 150.0\r\nL4 48.0\r\n"
    "-----\r\nTinopal\r\nL1 90.0\r\nL2 130.0\r\nL3 670.0\r\nL4 50.0\r\n"
    "-----\r\n1 NTU\r\nL1 52.0\r\nL2 63.0\r\nL3 72.0\r\nL4 41.0\r\n"
    "-----\r\n10 NTU\r\nL1 60.0\r\nL2 75.0\r\nL3 80.0\r\nL4 50.0\r\n"
    "-----\r\n100 NTU\r\nL1 120.0\r\nL2 160.0\r\nL3 150.0\r\nL4 140.0\r\n"
    "----------------Programme parameters (must start on 1st column)---------------\r\n"
    "1               Serial port in use (usually 1)\r\n"
    "----------------Full calibration of tracer 1----------------------------------\r\n"
    "2               Number of calibration lines, increasing concentration\r\n"
    "-8  170.00      log(ppb) & signal (mV)\r\n-7 1050.00      log(ppb) & signal (mV)\r\n"
    "----------------Full calibration of tracer 2----------------------------------\r\n"
    "2               Number of calibration lines, increasing concentration\r\n"
    "-8  140.00      log(ppb) & signal (mV)\r\n-7  860.00      log(ppb) & signal (mV)\r\n"
    "----------------Full calibration of tracer 3----------------------------------\r\n"
    "2               Number of calibration lines, increasing concentration\r\n"
    "-8  130.00      log(ppb) & signal (mV)\r\n-7  670.00      log(ppb) & signal (mV)\r\n"
    "-----\r\n4               Number of lamps (2 to 4)\r\n"
    "-----\r\n0               Relay programming (no=0 yes=1)\r\n"
    "-----\r\n100.0           Tracer concentration (ppb) used in L1 to L4 lines\r\n"
    "-----\r\n001.0  25.0 0.015 -0.00010    FL Conductimeter gain, T compensation\r\n"
    "-0.1659  1.0457  0.0019       Non-linearity correction\r\n"
    "-----\r\n1               1= no datalogger 0= with datalogger 2= with Quindar\r\n";

// Counts the live view's rows.
class Trows : public Tno_window_port {
public:
    void addViewRow(const Tfluo_measure&) override { ++rows; }
    unsigned rows = 0;
};

void run(const uint8_t* data, std::size_t size, Tmanual_signal_window& window)
{
    Tglobals globals;
    globals.mode = MODE_VEXL;
    Tmlp_io io;
    Tmodule_resource module;
    Tcalyxo_start_master master(globals, io, module);
    Trows rows;
    master.setWindow(&rows);
    module.setOwner(&master);
    module.setMlpIo(&io);
    io.setMaster(&master);
    master.useProbeLink();

    const uint8_t setting = data[0];
    if (setting & LARGE_FRAMES)
        io.setParameter("max_message_size", "384");
    if (setting & CONVERTED) {
        if (master.view.calibration.getcalibText(constants, sizeof constants - 1) != 0)
            std::abort();  // the harness's own constants must read well
    }
    master.view.tracers[0] = (setting & TRACER_A) != 0;
    master.view.tracers[1] = (setting & TRACER_B) != 0;
    master.view.tracers[2] = (setting & TRACER_C) != 0;
    if (setting & CALIBRATION)
        master.start_calibration();
    else
        master.start_view();
    window.pumpAll();

    unsigned lines = 0;
    for (std::size_t i = 1; i < size; ++i) {
        lines += data[i] == '\n' ? 1u : 0u;
        io.com.OnComRX(data[i]);
        window.pumpAll();
        if (i % bytes_per_tick == 0) {
            master.tick();
            window.advance(1000);
        }
    }
    master.tick();
    window.pumpAll();
    // A row is a line the live view heard.
    if (rows.rows > ((setting & CALIBRATION) ? 0u : lines))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    run_on_manual_pump([&](Tmanual_signal_window& window) { run(data, size, window); });
    return 0;
}
