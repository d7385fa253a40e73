#include "calibration/fluo_calibration_calc.h"

#include "base/log.h"
#include "base/parse.h"
#include "calibration/fluo_sample.h"
#include "calibration/fluo_sample_grid.h"

namespace {

constexpr double NUDGE = 0.1;
constexpr int OWN_10_PPB = 4;  // index of a tracer's 10 ppb signal in its block

// 1, 10 and 100 NTU.
constexpr double standards[3] = {1, 10, 100};

const char* const dashes = "------------------------------------------------------------------------------\r\n";

// value, raised above reference by a nudge when it does not rise above it.
double above(double value, double reference)
{
    return value > reference ? value : reference + NUDGE;
}

}  // namespace

Tfluo_calibration_calc::Tfluo_calibration_calc()
{
    for (double& v : water)
        v = double_undefined();
    for (auto& block : tracer)
        for (double& v : block)
            v = double_undefined();
    for (auto& lamp : turbidity)
        for (double& v : lamp)
            v = double_undefined();
}

void Tfluo_calibration_calc::setIdentity(uint8_t model_code, int serial_number, int year_in, int month_in,
                                         int day_in)
{
    model = model_code;
    serial = serial_number;
    year = year_in;
    month = month_in;
    day = day_in;
}

void Tfluo_calibration_calc::setTracer(char letter, uint8_t code)
{
    switch (letter) {
    case 'A':
    case 'a':
        tracer_a = code;
        break;
    case 'B':
    case 'b':
        tracer_b = code;
        break;
    case 'C':
    case 'c':
        tracer_c = code;
        break;
    default:
        break;
    }
}

double Tfluo_calibration_calc::waterSignal(const Tfluo_sample_grid& grid, int lamp)
{
    double smallest = double_undefined();
    if (lamp < 0 || lamp >= LAMP_COUNT)
        return smallest;
    for (const Tfluo_sample* s : grid.all())
        if (sample_value_defined(s->delta[lamp]))
            smallest = double_min_defined(smallest, static_cast<double>(s->delta[lamp]));
    return smallest;
}

double Tfluo_calibration_calc::meanSignal(const Tfluo_sample_grid& grid, char kind, int lamp, double concentration)
{
    const int row = Tfluo_sample_grid::rowOfLetter(kind);
    if (row == Tfluo_sample_grid::no_cell || !(concentration >= 0 && concentration < 10000))
        return double_undefined();
    int level;
    switch (static_cast<int>(concentration)) {
    case 0:
        level = 0;
        break;
    case 1:
        level = 1;
        break;
    case 10:
        level = 2;
        break;
    case 100:
        level = 3;
        break;
    case 1000:
        level = 4;
        break;
    default:
        return double_undefined();
    }
    if (lamp < 0 || lamp >= LAMP_COUNT)
        return double_undefined();
    double sum = 0;
    unsigned n = 0;
    for (const Tfluo_sample& s : grid.cell(row, level)) {
        if (!sample_value_defined(s.delta[lamp]))
            continue;
        sum += static_cast<double>(s.delta[lamp]);
        ++n;
    }
    return n > 0 ? sum / n : double_undefined();
}

void Tfluo_calibration_calc::compute(const Tfluo_sample_grid& grid)
{
    double reference[LAMP_COUNT];
    for (int lamp = 0; lamp < LAMP_COUNT; ++lamp) {
        water[lamp] = waterSignal(grid, lamp);
        reference[lamp] = water[lamp];
    }
    for (int k = 0; k < 3; ++k)
        for (int lamp = 0; lamp < LAMP_COUNT; ++lamp) {
            double m = meanSignal(grid, 'T', lamp, standards[k]);
            if (!(m > reference[lamp])) {
                m += NUDGE;
                reference[lamp] += NUDGE;
            }
            turbidity[lamp][k] = m;
        }

    // Each tracer on its own lamp: 10 ppb above water, 100 ppb above both.
    const char kinds[3] = {'A', 'B', 'C'};
    for (int t = 0; t < 3; ++t) {
        double* block = tracer[t];
        const char kind = kinds[t];
        block[OWN_10_PPB] = above(meanSignal(grid, kind, t, 10), water[t]);
        for (int lamp = 0; lamp < LAMP_COUNT; ++lamp) {
            double m = meanSignal(grid, kind, lamp, 100);
            if (lamp == t)
                m = above(above(m, water[lamp]), block[OWN_10_PPB]);
            else if (lamp != LAMP_T && !(kind == 'C' && lamp == LAMP_A))
                m = above(m, water[lamp]);
            block[lamp] = m;
        }
    }
}

int Tfluo_calibration_calc::checkValidity() const
{
    // first >= second (kind 0) or first not above second (kind 1) fails.
    struct Tcheck {
        double first;
        double second;
        int kind;
        const char* message;
        int bit;
    };
    const double(&ta)[5] = tracer[0];
    const double(&tb)[5] = tracer[1];
    const double(&tc)[5] = tracer[2];
    const Tcheck checks[check_count] = {
        {ta[OWN_10_PPB], ta[LAMP_A], 0, "error : TA_10_LA>=TA_100_LA   %s>=%s", 0x1},
        {tb[OWN_10_PPB], tb[LAMP_B], 0, "error : TB_10_LB>=TB_100_LB   %s>=%s", 0x2},
        {tc[OWN_10_PPB], tc[LAMP_C], 0, "error : TC_10_LC>=TC_100_LC   %s>=%s", 0x4},
        {turbidity[LAMP_A][0], water[LAMP_A], 1, "error : NTU_LA[1 NTU]   <= eau_LA          %s<=%s", 0x8},
        {turbidity[LAMP_A][1], turbidity[LAMP_A][0], 1, "error : NTU_LA[10 NTU]  <= NTU_LA[1 NTU]   %s<=%s", 0x10},
        {turbidity[LAMP_A][2], turbidity[LAMP_A][1], 1, "error : NTU_LA[100 NTU] <= NTU_LA[10 NTU]  %s<=%s", 0x20},
        {turbidity[LAMP_B][0], water[LAMP_B], 1, "error : NTU_LB[1 NTU]   <= eau_LB          %s<=%s", 0x40},
        {turbidity[LAMP_B][1], turbidity[LAMP_B][0], 1, "error : NTU_LB[10 NTU]  <= NTU_LB[1 NTU]   %s<=%s", 0x80},
        {turbidity[LAMP_B][2], turbidity[LAMP_B][1], 1, "error : NTU_LB[100 NTU] <= NTU_LB[10 NTU]  %s<=%s", 0x100},
        {turbidity[LAMP_C][0], water[LAMP_C], 1, "error : NTU_LC[1 NTU]   <= eau_LC          %s<=%s", 0x200},
        {turbidity[LAMP_C][1], turbidity[LAMP_C][0], 1, "error : NTU_LC[10 NTU]  <= NTU_LC[1 NTU]   %s<=%s", 0x400},
        {turbidity[LAMP_C][2], turbidity[LAMP_C][1], 1, "error : NTU_LC[100 NTU] <= NTU_LC[10 NTU]  %s<=%s", 0x800},
        {turbidity[LAMP_T][0], water[LAMP_T], 1, "error : NTU_LT[1 NTU]   <= eau_LT          %s<=%s", 0x1000},
        {turbidity[LAMP_T][1], turbidity[LAMP_T][0], 1, "error : NTU_LT[10 NTU]  <= NTU_LT[1 NTU]   %s<=%s", 0x2000},
        // Checks 15-18 share the bits of checks 11-14.
        {turbidity[LAMP_T][2], turbidity[LAMP_T][1], 1, "error : NTU_LT[100 NTU] <= NTU_LT[10 NTU]  %s<=%s", 0x400},
        {ta[OWN_10_PPB], water[LAMP_A], 1, "error : TA_10_LA   <= eau_LA      %s<=%s", 0x800},
        {tb[OWN_10_PPB], water[LAMP_B], 1, "error : TB_10_LB   <= eau_LB      %s<=%s", 0x1000},
        {tc[OWN_10_PPB], water[LAMP_C], 1, "error : TC_10_LC   <= eau_LC      %s<=%s", 0x2000},
        {ta[LAMP_T], water[LAMP_T], 1, "error : TA_100_LT  <= eau_LT     %s<=%s", 0x4000},
        {tb[LAMP_T], water[LAMP_T], 1, "error : TB_100_LT  <= eau_LT     %s<=%s", 0x8000},
        {tc[LAMP_T], water[LAMP_T], 1, "error : TC_100_LT  <= eau_LT     %s<=%s", 0x10000},
        {tb[LAMP_A], water[LAMP_A], 1, "error : TB_100_LA  <= eau_LA     %s<=%s", 0x20000},
        {tc[LAMP_A], water[LAMP_A], 1, "error : TC_100_LA  <= eau_LA     %s<=%s", 0x40000},
        {tb[LAMP_B], water[LAMP_B], 1, "error : TB_100_LB  <= eau_LB     %s<=%s", 0x80000},
        {tc[LAMP_B], water[LAMP_B], 1, "error : TC_100_LB  <= eau_LB     %s<=%s", 0x100000},
        {tb[LAMP_C], water[LAMP_C], 1, "error : TB_100_LC  <= eau_LC     %s<=%s", 0x200000},
        {tc[LAMP_C], water[LAMP_C], 1, "error : TC_100_LC  <= eau_LC     %s<=%s", 0x400000},
    };
    int bits = 0;
    for (const Tcheck& c : checks) {
        const bool failed = c.kind == 0 ? c.first >= c.second : !(c.first > c.second);
        if (!failed)
            continue;
        log_printf(c.message, shown_double("%f", c.first).c_str(), shown_double("%f", c.second).c_str());
        bits |= c.bit;
    }
    return bits;
}

int Tfluo_calibration_calc::calibratedTracers() const
{
    int count = 0;
    for (int t = 0; t < 3; ++t) {
        const double at10 = tracer[t][OWN_10_PPB];
        const double at100 = tracer[t][t];
        if (!double_is_undefined(water[t]) && !double_is_undefined(at10) && !double_is_undefined(at100) &&
            water[t] < at10 && at10 < at100)
            ++count;
    }
    return count;
}

const char* Tfluo_calibration_calc::formatValue(double x, Tconstants_form form)
{
    if (!double_is_undefined(x))
        number_text.printf("%7.2f", x);
    else if (form == CONSTANTS_SHOWN)
        number_text.assign("undefined");
    else
        // The marker itself, short: the reader takes any value from 1.7e308 up as no value.
        number_text.printf("%.3e", double_undefined());
    return number_text.c_str();
}

void Tfluo_calibration_calc::writeConstants(Tmy_string* text, Tconstants_form form)
{
    if (!text)
        return;
    auto lamp_lines = [&](const double values[4]) {
        for (int lamp = 0; lamp < LAMP_COUNT; ++lamp)
            text->appendf("L%d %s\r\n", lamp + 1, formatValue(values[lamp], form));
    };
    text->append("               Calibration constants  -  ");
    if (model == 1)
        text->append("VEXL-PX1 fluorometer ");
    else if (model == 2)
        text->append("VEXL-PX2 fluorometer ");
    text->appendf("#%d\r\n", serial);
    text->append("               --------------------------------------------------\r\n");
    text->appendf("                           Last calibration: %02d%02d%02d\r\n", year % 100, month, day);
    text->append("                                 Values in mV\r\n");
    text->append("\r\n\r\n");
    text->append(dashes);
    text->append("Eau\r\n");
    lamp_lines(water);
    const uint8_t names[3] = {tracer_a, tracer_b, tracer_c};
    for (int t = 0; t < 3; ++t) {
        text->append(dashes);
        text->appendf("%s\r\n", tracerName(names[t]));
        lamp_lines(tracer[t]);
    }
    const char* const standard_names[3] = {"1 NTU\r\n", "10 NTU\r\n", "100 NTU\r\n"};
    for (int k = 0; k < 3; ++k) {
        text->append(dashes);
        text->append(standard_names[k]);
        const double values[4] = {turbidity[0][k], turbidity[1][k], turbidity[2][k], turbidity[3][k]};
        lamp_lines(values);
    }
    text->append("----------------Programme parameters (must start on 1st column)---------------\r\n");
    text->append("1               Serial port in use (usually 1)\r\n");
    for (int t = 0; t < 3; ++t) {
        text->appendf("----------------Full calibration of tracer %d----------------------------------\r\n", t + 1);
        text->append("2               Number of calibration lines, increasing concentration\r\n");
        text->appendf("-8 %s      log(ppb) & signal (mV)\r\n", formatValue(tracer[t][OWN_10_PPB], form));
        text->appendf("-7 %s      log(ppb) & signal (mV)\r\n", formatValue(tracer[t][t], form));
    }
    text->append(dashes);
    text->append("4               Number of lamps (2 to 4)\r\n");
    text->append(dashes);
    text->append("0               Relay programming (no=0 yes=1)\r\n");
    text->append(dashes);
    text->append("100.0           Tracer concentration (ppb) used in L1 to L4 lines\r\n");
    text->append(dashes);
    text->append("001.0  25.0 0.015 -0.00010    FL Conductimeter gain, T compensation\r\n");
    text->append("-0.1659  1.0457  0.0019       Non-linearity correction\r\n");
    text->append(dashes);
    text->append("1               1= no datalogger 0= with datalogger 2= with Quindar\r\n");
}
