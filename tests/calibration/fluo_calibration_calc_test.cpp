// The reduction of a calibration grid to its signals, the nudges, and the
// consistency checks with their bits and messages.

#include "calibration/fluo_calibration_calc.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "base/parse.h"
#include "calibration/fluo_sample_grid.h"
#include "data/ruvo_fluo.h"
#include "tests/support/recording_program.h"

namespace {

void put(Tfluo_sample_grid* grid, int tracer, int concentration, float a, float b, float c, float t)
{
    Tfluo_sample s;
    s.tracer = static_cast<uint8_t>(tracer);
    s.concentration = static_cast<uint8_t>(concentration);
    const float deltas[4] = {a, b, c, t};
    for (int lamp = 0; lamp < 4; ++lamp)
        s.delta[lamp] = deltas[lamp];
    ASSERT_TRUE(grid->store(s, 1));
}

// A grid that passes every check.
Tfluo_sample_grid passing_grid()
{
    Tfluo_sample_grid g;
    put(&g, TRACER_WATER, CONCENTRATION_0_NTU, 5, 6, 7, 4);
    put(&g, TRACER_WATER, CONCENTRATION_1_NTU, 8, 9, 10, 14);
    put(&g, TRACER_WATER, CONCENTRATION_10_NTU, 12, 14, 16, 44);
    put(&g, TRACER_WATER, CONCENTRATION_100_NTU, 40, 50, 60, 404);
    put(&g, TRACER_URANINE, CONCENTRATION_10_PPB, 105, 7, 8, 5);
    put(&g, TRACER_URANINE, CONCENTRATION_100_PPB, 1005, 56, 27, 14);
    put(&g, TRACER_SULFORHODAMINE_B, CONCENTRATION_10_PPB, 6, 86, 9, 5);
    put(&g, TRACER_SULFORHODAMINE_B, CONCENTRATION_100_PPB, 25, 806, 107, 9);
    put(&g, TRACER_AMINO_G_ACID, CONCENTRATION_10_PPB, 6, 7, 57, 5);
    put(&g, TRACER_AMINO_G_ACID, CONCENTRATION_100_PPB, 15, 26, 507, 6);
    return g;
}

TEST(CalibrationSignals, WaterIsTheSmallestDeltaAndCellsAreMeans)
{
    Tfluo_sample_grid g;
    put(&g, TRACER_WATER, CONCENTRATION_0_NTU, 5, 1, float_undefined(), 0);
    put(&g, TRACER_WATER, CONCENTRATION_0_NTU, 6, 2, float_undefined(), 0);
    put(&g, TRACER_URANINE, CONCENTRATION_100_PPB, 4.5f, 3, float_undefined(), 0);
    put(&g, TRACER_URANINE, CONCENTRATION_100_PPB, 9.5f, 4, 8, 0);
    EXPECT_DOUBLE_EQ(Tfluo_calibration_calc::waterSignal(g, LAMP_A), 4.5);
    EXPECT_DOUBLE_EQ(Tfluo_calibration_calc::waterSignal(g, LAMP_C), 8.0);
    EXPECT_DOUBLE_EQ(Tfluo_calibration_calc::meanSignal(g, 'A', LAMP_A, 100), 7.0);
    // Undefined deltas are left out of the mean.
    EXPECT_DOUBLE_EQ(Tfluo_calibration_calc::meanSignal(g, 'A', LAMP_C, 100.7), 8.0);
    EXPECT_DOUBLE_EQ(Tfluo_calibration_calc::meanSignal(g, 'T', LAMP_B, 0), 1.5);
    for (double missing : {Tfluo_calibration_calc::meanSignal(g, 'A', LAMP_A, 10),
                           Tfluo_calibration_calc::meanSignal(g, 'X', LAMP_A, 100),
                           Tfluo_calibration_calc::meanSignal(g, 'A', LAMP_A, 50),
                           Tfluo_calibration_calc::meanSignal(g, 'A', LAMP_A, -100),
                           Tfluo_calibration_calc::meanSignal(g, 'A', LAMP_A, 1e300),
                           Tfluo_calibration_calc::meanSignal(g, 'A', LAMP_T + 1, 100),
                           Tfluo_calibration_calc::meanSignal(g, 'T', LAMP_C, 0),
                           Tfluo_calibration_calc::waterSignal(Tfluo_sample_grid(), LAMP_T)})
        EXPECT_TRUE(double_is_undefined(missing)) << missing;
}

TEST(CalibrationSignals, ValuesThatDoNotRiseAboveTheirReferenceAreNudged)
{
    Tfluo_sample_grid g;
    put(&g, TRACER_WATER, CONCENTRATION_0_NTU, 5, 6, 7, 4);
    put(&g, TRACER_WATER, CONCENTRATION_0_NTU, 6, 6.5f, 7.5f, 4.5f);
    put(&g, TRACER_WATER, CONCENTRATION_1_NTU, 4.5f, 9, 10, 14);   // lamp A's water minimum
    put(&g, TRACER_WATER, CONCENTRATION_10_NTU, 4.55f, 14, 16, 44);  // above water, not above 4.6
    put(&g, TRACER_WATER, CONCENTRATION_100_NTU, 40, 50, 60, 404);
    put(&g, TRACER_URANINE, CONCENTRATION_10_PPB, 105, 7, 8, 5);
    put(&g, TRACER_URANINE, CONCENTRATION_100_PPB, 105, 6, 7, 14);  // A equal to its 10 ppb, B and C at water
    Tfluo_calibration_calc calc;
    calc.compute(g);
    EXPECT_DOUBLE_EQ(calc.water[LAMP_A], 4.5);
    // 1 NTU at water: + 0.1, and the running reference with it, so 10 NTU
    // compares with 4.6 and is nudged as well.
    EXPECT_DOUBLE_EQ(calc.turbidity[LAMP_A][0], 4.6);
    EXPECT_NEAR(calc.turbidity[LAMP_A][1], 4.65, 1e-6);
    EXPECT_DOUBLE_EQ(calc.turbidity[LAMP_A][2], 40.0);
    EXPECT_DOUBLE_EQ(calc.tracer[0][LAMP_A], 105.1);
    EXPECT_DOUBLE_EQ(calc.tracer[0][LAMP_B], 6.1);
    EXPECT_DOUBLE_EQ(calc.tracer[0][LAMP_C], 7.1);
    EXPECT_DOUBLE_EQ(calc.tracer[0][LAMP_T], 14.0);  // the T lamp as it is
    recorded::clear_log();
    const int bits = calc.checkValidity();
    EXPECT_EQ(bits & 0x1, 0);   // check 1 passes after the nudge
    EXPECT_EQ(bits & 0x8, 0);   // 4.6 is above 4.5
    EXPECT_EQ(bits & 0x10, 0);  // 4.65 is above 4.6

    // A 1 NTU mean at the water minimum is nudged above it.
    Tfluo_sample_grid at_water;
    put(&at_water, TRACER_WATER, CONCENTRATION_1_NTU, 3.0f, 9, 10, 14);
    Tfluo_calibration_calc low;
    low.compute(at_water);
    EXPECT_DOUBLE_EQ(low.water[LAMP_A], 3.0);
    EXPECT_DOUBLE_EQ(low.turbidity[LAMP_A][0], 3.1);
    // Check 4 logs both values when it fails (water set by hand: a grid's
    // minimum is never above one of its means).
    low.water[LAMP_A] = 4.5;
    recorded::clear_log();
    EXPECT_NE(low.checkValidity() & 0x8, 0);
    EXPECT_TRUE(recorded::log_contains("error : NTU_LA[1 NTU]   <= eau_LA          3.100000<=4.500000"));
}

TEST(CalibrationChecks, APassingGridHasCodeZero)
{
    Tfluo_calibration_calc calc;
    calc.compute(passing_grid());
    recorded::clear_log();
    EXPECT_EQ(calc.checkValidity(), 0);
    EXPECT_TRUE(recorded::log_lines().empty());
}

TEST(CalibrationChecks, EachCheckSetsItsBitAndLogsItsMessage)
{
    struct Tcase {
        int check;
        std::function<void(Tfluo_calibration_calc&)> spoil;
        int bit;
        const char* message;
    };
    const Tcase cases[] = {
        {1, [](Tfluo_calibration_calc& c) { c.tracer[0][4] = 2000; }, 0x1, "error : TA_10_LA>=TA_100_LA   2000.000000>=1005.000000"},
        {2, [](Tfluo_calibration_calc& c) { c.tracer[1][LAMP_B] = 86; }, 0x2, "error : TB_10_LB>=TB_100_LB   86.000000>=86.000000"},
        {3, [](Tfluo_calibration_calc& c) { c.tracer[2][LAMP_C] = 50; }, 0x4, "error : TC_10_LC>=TC_100_LC   57.000000>=50.000000"},
        {4, [](Tfluo_calibration_calc& c) { c.turbidity[LAMP_A][0] = 5; }, 0x8, "error : NTU_LA[1 NTU]   <= eau_LA          5.000000<=5.000000"},
        {5, [](Tfluo_calibration_calc& c) { c.turbidity[LAMP_A][1] = 7; }, 0x10, "error : NTU_LA[10 NTU]  <= NTU_LA[1 NTU]   7.000000<=8.000000"},
        {6, [](Tfluo_calibration_calc& c) { c.turbidity[LAMP_A][2] = 12; }, 0x20, "error : NTU_LA[100 NTU] <= NTU_LA[10 NTU]  12.000000<=12.000000"},
        {7, [](Tfluo_calibration_calc& c) { c.turbidity[LAMP_B][0] = 1; }, 0x40, "error : NTU_LB[1 NTU]   <= eau_LB          1.000000<=6.000000"},
        {8, [](Tfluo_calibration_calc& c) { c.turbidity[LAMP_B][1] = 9; }, 0x80, "error : NTU_LB[10 NTU]  <= NTU_LB[1 NTU]   9.000000<=9.000000"},
        {9, [](Tfluo_calibration_calc& c) { c.turbidity[LAMP_B][2] = 3; }, 0x100, "error : NTU_LB[100 NTU] <= NTU_LB[10 NTU]  3.000000<=14.000000"},
        {10, [](Tfluo_calibration_calc& c) { c.turbidity[LAMP_C][0] = 7; }, 0x200, "error : NTU_LC[1 NTU]   <= eau_LC          7.000000<=7.000000"},
        {11, [](Tfluo_calibration_calc& c) { c.turbidity[LAMP_C][1] = 10; }, 0x400, "error : NTU_LC[10 NTU]  <= NTU_LC[1 NTU]   10.000000<=10.000000"},
        {12, [](Tfluo_calibration_calc& c) { c.turbidity[LAMP_C][2] = 16; }, 0x800, "error : NTU_LC[100 NTU] <= NTU_LC[10 NTU]  16.000000<=16.000000"},
        {13, [](Tfluo_calibration_calc& c) { c.turbidity[LAMP_T][0] = 4; }, 0x1000, "error : NTU_LT[1 NTU]   <= eau_LT          4.000000<=4.000000"},
        {14, [](Tfluo_calibration_calc& c) { c.turbidity[LAMP_T][1] = 14; }, 0x2000, "error : NTU_LT[10 NTU]  <= NTU_LT[1 NTU]   14.000000<=14.000000"},
        // Checks 15-18 share the bits of checks 11-14.
        {15, [](Tfluo_calibration_calc& c) { c.turbidity[LAMP_T][2] = 44; }, 0x400, "error : NTU_LT[100 NTU] <= NTU_LT[10 NTU]  44.000000<=44.000000"},
        {16, [](Tfluo_calibration_calc& c) { c.water[LAMP_A] = 105; c.turbidity[LAMP_A][0] = 106; c.turbidity[LAMP_A][1] = 107; c.turbidity[LAMP_A][2] = 108; c.tracer[1][LAMP_A] = 200; c.tracer[2][LAMP_A] = 200; }, 0x800, "error : TA_10_LA   <= eau_LA      105.000000<=105.000000"},
        {17, [](Tfluo_calibration_calc& c) { c.tracer[1][4] = 5; }, 0x1000, "error : TB_10_LB   <= eau_LB      5.000000<=6.000000"},
        {18, [](Tfluo_calibration_calc& c) { c.tracer[2][4] = 7; }, 0x2000, "error : TC_10_LC   <= eau_LC      7.000000<=7.000000"},
        {19, [](Tfluo_calibration_calc& c) { c.tracer[0][LAMP_T] = 4; }, 0x4000, "error : TA_100_LT  <= eau_LT     4.000000<=4.000000"},
        {20, [](Tfluo_calibration_calc& c) { c.tracer[1][LAMP_T] = 3; }, 0x8000, "error : TB_100_LT  <= eau_LT     3.000000<=4.000000"},
        {21, [](Tfluo_calibration_calc& c) { c.tracer[2][LAMP_T] = 4; }, 0x10000, "error : TC_100_LT  <= eau_LT     4.000000<=4.000000"},
        {22, [](Tfluo_calibration_calc& c) { c.tracer[1][LAMP_A] = 5; }, 0x20000, "error : TB_100_LA  <= eau_LA     5.000000<=5.000000"},
        {23, [](Tfluo_calibration_calc& c) { c.tracer[2][LAMP_A] = 2; }, 0x40000, "error : TC_100_LA  <= eau_LA     2.000000<=5.000000"},
        {24, [](Tfluo_calibration_calc& c) { c.water[LAMP_B] = 85.8; c.turbidity[LAMP_B][0] = 86.5; c.turbidity[LAMP_B][1] = 87; c.turbidity[LAMP_B][2] = 88; c.tracer[1][LAMP_B] = 85.7; c.tracer[2][LAMP_B] = 90; }, 0x80000, "error : TB_100_LB  <= eau_LB     85.700000<=85.800000"},
        {25, [](Tfluo_calibration_calc& c) { c.tracer[2][LAMP_B] = 6; }, 0x100000, "error : TC_100_LB  <= eau_LB     6.000000<=6.000000"},
        {26, [](Tfluo_calibration_calc& c) { c.tracer[1][LAMP_C] = 7; }, 0x200000, "error : TB_100_LC  <= eau_LC     7.000000<=7.000000"},
        {27, [](Tfluo_calibration_calc& c) { c.water[LAMP_C] = 500; c.turbidity[LAMP_C][0] = 501; c.turbidity[LAMP_C][1] = 502; c.turbidity[LAMP_C][2] = 503; c.tracer[0][LAMP_C] = 600; c.tracer[1][LAMP_C] = 600; c.tracer[2][4] = 505; c.tracer[2][LAMP_C] = 499; }, 0x400000, "error : TC_100_LC  <= eau_LC     499.000000<=500.000000"},
    };
    const Tfluo_sample_grid grid = passing_grid();
    for (const Tcase& c : cases) {
        SCOPED_TRACE(c.check);
        Tfluo_calibration_calc calc;
        calc.compute(grid);
        c.spoil(calc);
        recorded::clear_log();
        const int bits = calc.checkValidity();
        const std::vector<std::string> lines = recorded::log_lines();
        // Checks 24 and 27 trip check 2 or 3 on the way (100 ppb below 10 ppb).
        const int also = c.check == 24 ? 0x2 : c.check == 27 ? 0x4 : 0;
        EXPECT_EQ(bits, c.bit | also);
        ASSERT_EQ(lines.size(), also ? 2u : 1u);
        EXPECT_EQ(lines.back(), c.message);
    }
}

TEST(CalibrationChecks, AMissingSolutionFailsTheChecksItTakesPartIn)
{
    const Tfluo_sample_grid full = passing_grid();
    Tfluo_sample_grid g;
    for (const Tfluo_sample* s : full.all())
        if (s->tracer != TRACER_SULFORHODAMINE_B)
            g.store(*s, 1);
    Tfluo_calibration_calc calc;
    calc.compute(g);
    EXPECT_TRUE(double_is_undefined(calc.tracer[1][LAMP_B]));
    EXPECT_TRUE(double_is_undefined(calc.tracer[1][4]));
    recorded::clear_log();
    // Check 2 (undefined >= undefined); 17, 20, 22, 24, 26 pass: the marker is above any reference.
    EXPECT_EQ(calc.checkValidity(), 0x2);
    ASSERT_EQ(recorded::log_lines().size(), 1u);
    // Both values are the marker, which the log names instead of printing its digits.
    EXPECT_EQ(recorded::log_lines()[0], "error : TB_10_LB>=TB_100_LB   undefined>=undefined");
}

TEST(CalibrationConstantsText, ValuesArePaddedToSevenCharacters)
{
    Tfluo_calibration_calc calc;
    EXPECT_STREQ(calc.formatValue(3.14159), "   3.14");
    EXPECT_STREQ(calc.formatValue(56789.012), "56789.01");
    EXPECT_STREQ(calc.formatValue(-1.5), "  -1.50");
    Tmy_string text;
    calc.writeConstants(nullptr);
    calc.setIdentity(0, 5, 2009, 1, 2);
    calc.setTracer('b', TRACER_EOSINE);
    calc.setTracer('x', TRACER_WATER);
    calc.writeConstants(&text);
    const std::string t = text.c_str();
    // No model words for an unknown model; the year in two digits.
    EXPECT_EQ(t.rfind("               Calibration constants  -  #5\r\n", 0), 0u);
    EXPECT_NE(t.find("Last calibration: 090102\r\n"), std::string::npos);
    EXPECT_NE(t.find("\r\nEosine\r\n"), std::string::npos);
    EXPECT_EQ(calc.tracer_a, 0);
}

// A signal without samples: the file holds the no-value marker in a few
// characters, which its reader takes back as no value; the windows and the log
// say "undefined". Neither holds the marker's 309 digits.
TEST(CalibrationConstantsText, AnUndefinedValueIsTheMarkerInTheFileAndUndefinedOnScreen)
{
    Tfluo_calibration_calc calc;
    EXPECT_STREQ(calc.formatValue(double_undefined()), "1.797e+308");
    EXPECT_STREQ(calc.formatValue(double_undefined(), CONSTANTS_SHOWN), "undefined");
    EXPECT_STREQ(calc.formatValue(4.5, CONSTANTS_SHOWN), "   4.50");
    calc.setIdentity(1, 1, 2026, 12, 11);
    Tmy_string file;
    Tmy_string shown;
    calc.writeConstants(&file);
    calc.writeConstants(&shown, CONSTANTS_SHOWN);
    const std::string file_text = file.c_str();
    const std::string shown_text = shown.c_str();
    EXPECT_NE(file_text.find("\r\nL1 1.797e+308\r\n"), std::string::npos);
    EXPECT_NE(file_text.find("\r\n-8 1.797e+308      log(ppb) & signal (mV)\r\n"), std::string::npos);
    EXPECT_NE(shown_text.find("\r\nL4 undefined\r\n"), std::string::npos);
    EXPECT_EQ(shown_text.find("1.797e"), std::string::npos);
    for (const std::string* text : {&file_text, &shown_text})
        EXPECT_EQ(text->find("17969"), std::string::npos);

    Truvo_fluo read_back;
    EXPECT_NE(read_back.getcalibText(file.c_str(), file.length()) & CALIB_VALUE_UNDEFINED, 0);
    EXPECT_EQ(read_back.getcalibText(file.c_str(), file.length()) & CALIB_VALUE_MISSING, 0);
    for (int lamp = 0; lamp < 4; ++lamp) {
        EXPECT_TRUE(double_is_undefined(read_back.water[lamp])) << lamp;
        EXPECT_FALSE(read_back.water_defined[lamp]) << lamp;
    }
    EXPECT_FALSE(read_back.turbidity_defined);
    for (int tracer = 0; tracer < 3; ++tracer)
        EXPECT_FALSE(read_back.convertible(tracer)) << tracer;
}

}  // namespace
