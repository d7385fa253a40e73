#pragma once

#include <cstdint>

#include "base/my_string.h"

class Tfluo_sample_grid;

// Where the constants text goes: the file holds an undefined signal as the
// no-value marker, which its reader takes back as no value; the windows and
// the log show it as "undefined".
enum Tconstants_form { CONSTANTS_FILE, CONSTANTS_SHOWN };

// Reduces a calibration grid to one signal per lamp and solution, checks it,
// and writes the calibration-constants text that Truvo_fluo reads. Signals are
// doubles; undefined ones hold the double no-value marker.
class Tfluo_calibration_calc {
public:
    // The consistency checks of checkValidity.
    static constexpr int check_count = 27;

    Tfluo_calibration_calc();

    void setIdentity(uint8_t model_code, int serial_number, int year_in, int month_in, int day_in);
    // Letter A, B or C (either case).
    void setTracer(char letter, uint8_t code);
    void compute(const Tfluo_sample_grid& grid);
    // Logs a message per failed check; the OR of their bits, 0 when all pass.
    int checkValidity() const;
    // Tracers whose water, 10 ppb and 100 ppb signals on their own lamp are
    // all defined and rise in turn: a constants file converts only those.
    int calibratedTracers() const;
    void writeConstants(Tmy_string* text, Tconstants_form form = CONSTANTS_FILE);
    // "%0.2f" padded with leading blanks to 7 characters, an undefined value as
    // form says; valid until the next call.
    const char* formatValue(double x, Tconstants_form form = CONSTANTS_FILE);

    // The smallest defined delta of the lamp over the whole grid.
    static double waterSignal(const Tfluo_sample_grid& grid, int lamp);
    // The mean of the lamp's defined deltas in the cell of row 'T', 'A', 'B'
    // or 'C' at the concentration 0, 1, 10, 100 or 1000.
    static double meanSignal(const Tfluo_sample_grid& grid, char kind, int lamp, double concentration);

    uint8_t model = 1;
    uint8_t tracer_a = 0;
    uint8_t tracer_b = 0;
    uint8_t tracer_c = 0;
    int serial = 0;
    int year = 0;
    int month = 0;
    int day = 0;
    // Lamps A, B, C, T.
    double water[4];
    // Per tracer of lamp A, B, C: its 100 ppb signal on lamps A, B, C, T, then
    // its 10 ppb signal on its own lamp.
    double tracer[3][5];
    // Lamps A, B, C, T in the 1, 10 and 100 NTU standards.
    double turbidity[4][3];

private:
    Tmy_string number_text;
};
