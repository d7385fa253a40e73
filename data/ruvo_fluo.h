#pragma once

// Fluorometer calibration constants (read from the calibration-constants text
// file) and the conversion of lamp signals into ppb, NTU and conductivity.
// Lamps: 0 A, 1 B, 2 C (tracer lamps), 3 T (turbidity lamp).

class Tmy_string;

// One reading to convert; convert() fills the results.
struct Tppb_sample {
    double lamp_mV[3] = {};
    unsigned char lamp_valid[3] = {};
    double turbidity_mV = 0;
    unsigned char turbidity_valid = 0;
    double temperature = 0;
    double conductivity_raw = 0;
    unsigned char conductivity_valid = 0;
    double ppb[3] = {};
    double turbidity = 0;  // NTU
    double conductivity = 0;
};

// Result bits of Truvo_fluo::getcalib.
enum : int {
    CALIB_NO_PATH = 0x1,
    CALIB_CANNOT_OPEN = 0x2,
    CALIB_TRACER_NOT_ABOVE_WATER = 0x4,
    CALIB_LAMP_COUNT = 0x8,
    CALIB_TURBIDITY_LAMP_NOT_ABOVE_WATER = 0x10,
    CALIB_TURBIDITY_EFFECT_NOT_ABOVE_WATER = 0x20,
    CALIB_POINT_COUNT = 0x40,     // a tracer block's point count outside 1-3
    CALIB_VALUE_MISSING = 0x80,   // a value line missing or not a finite number
    // A signal the calibration had no sample for, written as the double no-value
    // marker: what depends on it is not converted (its result is that marker).
    CALIB_VALUE_UNDEFINED = 0x100,
};

enum Tcalib_text {
    CALIB_TEXT_MODEL,
    CALIB_TEXT_SERIAL,
    CALIB_TEXT_WATER,
    CALIB_TEXT_TRACER1,
    CALIB_TEXT_TRACER2,
    CALIB_TEXT_TRACER3,
    CALIB_TEXT_TURBIDITY1,
    CALIB_TEXT_TURBIDITY2,
    CALIB_TEXT_TURBIDITY3,
    CALIB_TEXT_COUNT
};

constexpr int CALIB_TEXT_MAX = 14;
constexpr int CALIB_MAX_POINTS = 3;

class Truvo_fluo {
public:
    Truvo_fluo() = default;

    // Back to the constructed state: no texts, no constants, not valid.
    void clear();
    // 0 on success (valid set), else an OR of the CALIB_ bits. Bit 0 of verbose
    // logs the path first. Constants read or computed stay whatever the result.
    int getcalib(const char* path, int verbose);
    // The same from the file's text in memory.
    int getcalibText(const char* text, unsigned length);
    double getTurbidityWaterValue() const { return water[3]; }
    // selected: 1 for each tracer A, B, C that the solution holds. A result whose
    // constants the file left undefined is the double no-value marker.
    void convert(Tppb_sample* sample, const bool selected[3], double turbidity_factor) const;
    // The last read gave constants to convert with: no fault in the file but
    // signals that the calibration had no sample for.
    bool loaded() const { return (read_result & ~CALIB_VALUE_UNDEFINED) == 0; }
    // Can tracer 0-2 (lamp A, B, C) be converted on its own: constants loaded
    // and its lamp's water, signal or fit defined. The others need not be, nor
    // the turbidity effect (without it the lamp converts uncorrected).
    bool convertible(int tracer) const;
    // What the loaded constants cannot convert, as "B, C, turbidity" (lamp
    // letters); empty when they convert everything.
    void unconvertibleNames(Tmy_string* out) const;
    // The convertible lamps that the file gives no turbidity effect for (no
    // turbidity standards): they convert without the turbidity correction.
    void uncorrectedNames(Tmy_string* out) const;

    bool valid = false;
    // The result of the last read; nothing read yet counts as no path.
    int read_result = CALIB_NO_PATH;
    char texts[CALIB_TEXT_COUNT][CALIB_TEXT_MAX + 1] = {};
    double water[4] = {};
    double S[4][3] = {};
    double U[4][3] = {};
    int fit_degree[3] = {};
    double tracer_fit[3][CALIB_MAX_POINTS] = {};
    int lamp_count = 0;
    double concentration = 0;
    double M[3][3] = {};
    double D3 = 0;
    double D_AB = 0;
    double D_BC = 0;
    double D_CA = 0;
    double turbidity_effect[3][3] = {};
    double turbidity_fit[3] = {};  // a, b, q
    double conductimeter[4] = {};  // g, T0, alpha, beta
    double nonlinearity[3] = {};   // nl0, nl1, nl2

    // Which constants rest on measured signals only (none undefined in the file).
    // Emptied constants are known zeros: they convert to the floors.
    bool M_defined[3][3] = {{true, true, true}, {true, true, true}, {true, true, true}};
    bool fit_defined[3] = {true, true, true};
    bool water_defined[4] = {true, true, true, true};
    bool turbidity_defined = true;                  // the turbidity curve
    bool effect_defined[3] = {true, true, true};    // the turbidity effect on each tracer lamp
};

// Coefficients of the polynomial of degree n-1 through the n points (n 1-3),
// logged under label. True when it cannot be built (n out of range, two equal x):
// the coefficients are then 0.
bool polcoe(const double* x, const double* y, int n, double* coefficients, const char* label);
