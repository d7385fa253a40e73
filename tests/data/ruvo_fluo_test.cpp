// Calibration constants read from a file laid out as the calibration program
// writes it, and conversions checked against the inverse problem: signals built
// from known concentrations must convert back to them.

#include "data/ruvo_fluo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include <sys/stat.h>

#include "tests/support/recording_program.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr double water[4] = {50, 60, 70, 40};
// Signal of lamps A, B, C, T in tracers 1-3 at 100 ppb.
constexpr double tracer_signal[4][3] = {{1050, 110, 90}, {160, 860, 130}, {95, 150, 670}, {45, 48, 50}};
// Signal of lamps A, B, C, T in the 1, 10 and 100 NTU standards. The T lamp's
// net signal is the NTU value itself, so the turbidity curve is the identity.
constexpr double standard_signal[4][3] = {{52, 60, 120}, {63, 75, 160}, {72, 80, 150}, {41, 50, 140}};
// Signal of each tracer's own lamp at 10 and 100 ppb.
constexpr double point_signal[3][2] = {{170, 1050}, {140, 860}, {130, 670}};

std::string value(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%7.2f", v);
    return text;
}

std::string lamp_lines(const double signal[4][3], int column)
{
    std::string text;
    for (int lamp = 0; lamp < 4; ++lamp)
        text += "L" + std::to_string(lamp + 1) + " " + value(signal[lamp][column]) + "\r\n";
    return text;
}

struct Tconstants_file {
    std::string lamp_count = "4";
    double tracer1_low_signal = point_signal[0][0];
    double standard_1ntu_lamp_t = standard_signal[3][0];
    double standard_1ntu_lamp_a = standard_signal[0][0];

    std::string text() const
    {
        const std::string dashes = std::string(78, '-') + "\r\n";
        double standards[4][3];
        double points[3][2];
        for (int lamp = 0; lamp < 4; ++lamp)
            for (int k = 0; k < 3; ++k)
                standards[lamp][k] = standard_signal[lamp][k];
        for (int tracer = 0; tracer < 3; ++tracer)
            for (int k = 0; k < 2; ++k)
                points[tracer][k] = point_signal[tracer][k];
        standards[3][0] = standard_1ntu_lamp_t;
        standards[0][0] = standard_1ntu_lamp_a;
        points[0][0] = tracer1_low_signal;

        std::string t = "               Calibration constants  -  VEXL-PX2 fluorometer #1234\r\n";
        t += "               --------------------------------------------------\r\n";
        t += "                           Last calibration: 261210\r\n";
        t += "                                 Values in mV\r\n\r\n\r\n";
        t += dashes + "Eau\r\n";
        for (int lamp = 0; lamp < 4; ++lamp)
            t += "L" + std::to_string(lamp + 1) + " " + value(water[lamp]) + "\r\n";
        const char* names[3] = {"Uranine", "Rhodamine", "Tinopal"};
        for (int tracer = 0; tracer < 3; ++tracer)
            t += dashes + names[tracer] + "\r\n" + lamp_lines(tracer_signal, tracer);
        const char* labels[3] = {"1 NTU", "10 NTU", "100 NTU"};
        for (int k = 0; k < 3; ++k)
            t += dashes + labels[k] + "\r\n" + lamp_lines(standards, k);
        t += "----------------Programme parameters (must start on 1st column)---------------\r\n";
        t += "1               Serial port in use (usually 1)\r\n";
        for (int tracer = 0; tracer < 3; ++tracer) {
            t += "----------------Full calibration of tracer " + std::to_string(tracer + 1) +
                 "----------------------------------\r\n";
            t += "2               Number of calibration lines, increasing concentration\r\n";
            t += "-8 " + value(points[tracer][0]) + "      log(ppb) & signal (mV)\r\n";
            t += "-7 " + value(points[tracer][1]) + "      log(ppb) & signal (mV)\r\n";
        }
        t += dashes + lamp_count + "               Number of lamps (2 to 4)\r\n";
        t += dashes + "0               Relay programming (no=0 yes=1)\r\n";
        t += dashes + "100.0           Tracer concentration (ppb) used in L1 to L4 lines\r\n";
        t += dashes + "001.0  25.0 0.015 -0.00010    FL Conductimeter gain, T compensation\r\n";
        t += "-0.1659  1.0457  0.0019       Non-linearity correction\r\n";
        t += dashes + "1               1= no datalogger 0= with datalogger 2= with Quindar\r\n";
        return t;
    }
};

int read(Truvo_fluo* fluo, const std::string& text)
{
    return fluo->getcalibText(text.c_str(), static_cast<unsigned>(text.size()));
}

// Net signal M[lamp][tracer] at 100 ppb, from the table above.
double net_at_100(int lamp, int tracer)
{
    return tracer_signal[lamp][tracer] - water[lamp];
}

// A sample whose lamps see the given concentrations mixed linearly; the
// turbidity lamp is valid (so water is taken off) and sees nothing.
Tppb_sample sample_for(const double ppb[3])
{
    Tppb_sample sample;
    for (int lamp = 0; lamp < 3; ++lamp) {
        double net = 0;
        for (int tracer = 0; tracer < 3; ++tracer)
            net += net_at_100(lamp, tracer) * ppb[tracer] / 100.0;
        sample.lamp_mV[lamp] = water[lamp] + net;
        sample.lamp_valid[lamp] = 1;
    }
    sample.turbidity_mV = water[3] + 1;
    sample.turbidity_valid = 1;
    return sample;
}

class CalibrationConstants : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(read(&fluo, Tconstants_file().text()), 0); }
    Truvo_fluo fluo;
};

TEST_F(CalibrationConstants, FileReadsBackWithItsTextsAndNumbers)
{
    EXPECT_TRUE(fluo.valid);
    EXPECT_STREQ(fluo.texts[CALIB_TEXT_MODEL], "VEXL-PX2");
    EXPECT_STREQ(fluo.texts[CALIB_TEXT_SERIAL], "#1234");
    EXPECT_STREQ(fluo.texts[CALIB_TEXT_WATER], "Eau");
    EXPECT_STREQ(fluo.texts[CALIB_TEXT_TRACER2], "Rhodamine");
    EXPECT_STREQ(fluo.texts[CALIB_TEXT_TURBIDITY3], "100");
    for (int lamp = 0; lamp < 4; ++lamp) {
        EXPECT_DOUBLE_EQ(fluo.water[lamp], water[lamp]);
        for (int k = 0; k < 3; ++k) {
            EXPECT_DOUBLE_EQ(fluo.S[lamp][k], tracer_signal[lamp][k]);
            EXPECT_DOUBLE_EQ(fluo.U[lamp][k], standard_signal[lamp][k]);
        }
    }
    for (int tracer = 0; tracer < 3; ++tracer)
        EXPECT_EQ(fluo.fit_degree[tracer], 1);
    EXPECT_EQ(fluo.lamp_count, 4);
    EXPECT_DOUBLE_EQ(fluo.concentration, 100.0);
    const double conductimeter[4] = {1.0, 25.0, 0.015, -0.0001};
    const double nonlinearity[3] = {-0.1659, 1.0457, 0.0019};
    for (int i = 0; i < 4; ++i)
        EXPECT_DOUBLE_EQ(fluo.conductimeter[i], conductimeter[i]);
    for (int i = 0; i < 3; ++i)
        EXPECT_DOUBLE_EQ(fluo.nonlinearity[i], nonlinearity[i]);
    EXPECT_DOUBLE_EQ(fluo.getTurbidityWaterValue(), 40.0);
}

TEST_F(CalibrationConstants, OneTracerFollowsItsLogLogLineThroughTheTwoPoints)
{
    const bool only_a[3] = {true, false, false};
    // On the line through (log10 120, -8) and (log10 1000, -7), in ppb.
    const double x10 = std::log10(point_signal[0][0] - water[0]);
    const double x100 = std::log10(point_signal[0][1] - water[0]);
    for (double net : {120.0, 1000.0, 500.0, 2500.0}) {
        SCOPED_TRACE(net);
        Tppb_sample sample;
        sample.lamp_mV[0] = water[0] + net;
        sample.lamp_valid[0] = 1;
        sample.turbidity_mV = water[3] + 1;
        sample.turbidity_valid = 1;
        fluo.convert(&sample, only_a, 0.0);
        const double expected = 10 * std::pow(10.0, (std::log10(net) - x10) / (x100 - x10));
        EXPECT_NEAR(sample.ppb[0], expected, expected * 1e-9);
    }
}

TEST_F(CalibrationConstants, MixturesConvertBackToTheConcentrationsThatMadeThem)
{
    struct Tmix {
        bool selected[3];
        double ppb[3];
    };
    const Tmix mixes[] = {
        {{true, true, false}, {30, 60, 0}},
        {{false, true, true}, {0, 45, 5}},
        {{true, false, true}, {12, 0, 70}},
        {{true, true, true}, {20, 40, 80}},
    };
    for (const Tmix& mix : mixes) {
        SCOPED_TRACE(::testing::Message() << mix.ppb[0] << " " << mix.ppb[1] << " " << mix.ppb[2]);
        Tppb_sample sample = sample_for(mix.ppb);
        fluo.convert(&sample, mix.selected, 0.0);
        for (int tracer = 0; tracer < 3; ++tracer) {
            if (mix.selected[tracer]) {
                EXPECT_NEAR(sample.ppb[tracer], mix.ppb[tracer], 1e-6);
            }
        }
    }
}

TEST_F(CalibrationConstants, TurbidityConductivityAndFloors)
{
    const bool none[3] = {false, false, false};
    const double nothing[3] = {0, 0, 0};
    Tppb_sample sample = sample_for(nothing);
    sample.turbidity_mV = water[3] + 37;  // the identity curve: 37 NTU
    sample.temperature = 20;
    sample.conductivity_raw = 500;
    sample.conductivity_valid = 1;
    fluo.convert(&sample, none, 0.0);

    EXPECT_DOUBLE_EQ(sample.ppb[0], 0.0105);
    EXPECT_DOUBLE_EQ(sample.ppb[1], 0.1);
    EXPECT_DOUBLE_EQ(sample.ppb[2], 0.1);
    EXPECT_NEAR(sample.turbidity, 37.0, 1e-9);
    // Compensated to 25 degrees, then the non-linearity correction.
    const double compensated = 500 / (1 + 0.015 * -5 + -0.0001 * 25);
    const double w = std::log10(compensated);
    EXPECT_NEAR(sample.conductivity, std::pow(10.0, -0.1659 + 1.0457 * w + 0.0019 * w * w), 1e-9);
    EXPECT_DOUBLE_EQ(sample.lamp_mV[0], water[0]);  // inputs stay as they were
}

TEST(CalibrationConstantsErrors, EachFaultSetsItsBitAndLeavesTheReaderInvalid)
{
    struct Tcase {
        const char* what;
        Tconstants_file file;
        int bit;
    };
    Tcase cases[] = {
        {"six lamps", {}, CALIB_LAMP_COUNT},
        {"tracer point below water", {}, CALIB_TRACER_NOT_ABOVE_WATER},
        {"turbidity lamp at water", {}, CALIB_TURBIDITY_LAMP_NOT_ABOVE_WATER},
        {"lamp A below water in 1 NTU", {}, CALIB_TURBIDITY_EFFECT_NOT_ABOVE_WATER},
    };
    cases[0].file.lamp_count = "6";
    cases[1].file.tracer1_low_signal = 40;
    cases[2].file.standard_1ntu_lamp_t = water[3];
    cases[3].file.standard_1ntu_lamp_a = 45;
    for (const Tcase& c : cases) {
        SCOPED_TRACE(c.what);
        Truvo_fluo fluo;
        EXPECT_EQ(read(&fluo, c.file.text()), c.bit);
        EXPECT_FALSE(fluo.valid);
    }

    Tconstants_file five;
    five.lamp_count = "5";
    Truvo_fluo fluo;
    EXPECT_EQ(read(&fluo, five.text()), 0);

    const std::string whole = Tconstants_file().text();
    EXPECT_NE(read(&fluo, whole.substr(0, whole.size() / 2)), 0);
    EXPECT_FALSE(fluo.valid);
}

TEST(CalibrationConstantsFile, PathsThatGiveNoFile)
{
    Ttemp_dir dir;
    Truvo_fluo fluo;
    EXPECT_EQ(fluo.getcalib(nullptr, 0), CALIB_NO_PATH);
    EXPECT_EQ(fluo.getcalib(dir.file("missing.txt").c_str(), 0), CALIB_CANNOT_OPEN);
    // A FIFO chosen as the file is refused at once, never waited on.
    const std::string fifo = dir.file("fifo.txt");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(fluo.getcalib(fifo.c_str(), 0), CALIB_CANNOT_OPEN);
    EXPECT_TRUE(recorded::log_contains("ERROR : calibration file " + fifo + " is a FIFO, not a regular file"));
    ASSERT_TRUE(write_file_bytes(dir.file("constants.txt"), Tconstants_file().text()));
    EXPECT_EQ(fluo.getcalib(dir.file("constants.txt").c_str(), 0), 0);
    EXPECT_TRUE(fluo.valid);
}

}  // namespace

namespace {

// The marker the calibration program writes for a signal it had no sample for.
std::string undefined_value()
{
    char text[400];
    std::snprintf(text, sizeof text, "%7.2f", 1.797e308);
    return text;
}

TEST(CalibrationConstantsUndefined, AnUndefinedLampIsNeverConvertedTheOthersAre)
{
    std::string text = Tconstants_file().text();
    const std::string water_c = "L3 " + value(water[2]) + "\r\n";
    const size_t at = text.find(water_c);
    ASSERT_NE(at, std::string::npos);
    text.replace(at, water_c.size(), "L3 " + undefined_value() + "\r\n");
    Truvo_fluo fluo;
    // Lamp C's points and standards also read as not above that water.
    EXPECT_EQ(read(&fluo, text),
              CALIB_VALUE_UNDEFINED | CALIB_TRACER_NOT_ABOVE_WATER | CALIB_TURBIDITY_EFFECT_NOT_ABOVE_WATER);
    EXPECT_FALSE(fluo.valid);

    const bool only_a[3] = {true, false, false};
    Tppb_sample a;
    a.lamp_mV[0] = water[0] + (point_signal[0][1] - water[0]);
    a.lamp_valid[0] = 1;
    a.turbidity_mV = water[3] + 1;
    a.turbidity_valid = 1;
    fluo.convert(&a, only_a, 0.0);
    EXPECT_NEAR(a.ppb[0], 100.0, 1e-9);
    EXPECT_NEAR(a.turbidity, 1.0, 1e-9);

    const bool only_c[3] = {false, false, true};
    Tppb_sample c = a;
    c.lamp_mV[2] = 600;
    c.lamp_valid[2] = 1;
    fluo.convert(&c, only_c, 0.0);
    EXPECT_GE(c.ppb[2], 1.7e308);
    // Lamp C takes part in the pair B, C and in the three together.
    const bool pair_bc[3] = {false, true, true};
    const bool all[3] = {true, true, true};
    c.lamp_valid[1] = 1;
    c.lamp_mV[1] = 300;
    for (const bool* selected : {pair_bc, all}) {
        Tppb_sample mixed = c;
        fluo.convert(&mixed, selected, 0.0);
        EXPECT_GE(mixed.ppb[1], 1.7e308);
        EXPECT_GE(mixed.ppb[2], 1.7e308);
    }
    // The pair A, B does not need lamp C.
    const bool pair_ab[3] = {true, true, false};
    Tppb_sample ab = c;
    fluo.convert(&ab, pair_ab, 0.0);
    EXPECT_LT(ab.ppb[0], 1e6);
    EXPECT_LT(ab.ppb[1], 1e6);
}

TEST(CalibrationConstantsUndefined, UndefinedStandardsLeaveTheTurbidityUnconverted)
{
    std::string text = Tconstants_file().text();
    const std::string standard = "100 NTU\r\nL1 " + value(standard_signal[0][2]) + "\r\nL2 " +
                                 value(standard_signal[1][2]) + "\r\nL3 " + value(standard_signal[2][2]) +
                                 "\r\nL4 " + value(standard_signal[3][2]);
    const size_t at = text.find(standard);
    ASSERT_NE(at, std::string::npos);
    text.replace(at, standard.size(), "100 NTU\r\nL1 " + value(standard_signal[0][2]) + "\r\nL2 " +
                                          value(standard_signal[1][2]) + "\r\nL3 " + value(standard_signal[2][2]) +
                                          "\r\nL4 " + undefined_value());
    Truvo_fluo fluo;
    EXPECT_EQ(read(&fluo, text), CALIB_VALUE_UNDEFINED);
    const bool only_a[3] = {true, false, false};
    Tppb_sample sample;
    sample.lamp_mV[0] = point_signal[0][1];
    sample.lamp_valid[0] = 1;
    sample.turbidity_mV = water[3] + 5;
    sample.turbidity_valid = 1;
    Tppb_sample corrected = sample;
    fluo.convert(&sample, only_a, 0.0);
    EXPECT_GE(sample.turbidity, 1.7e308);
    EXPECT_NEAR(sample.ppb[0], 100.0, 1e-9);  // no turbidity correction asked
    // The correction asked has no effect to take off: the lamp converts
    // uncorrected, as convertible() says it does.
    fluo.convert(&corrected, only_a, 1.0);
    EXPECT_TRUE(fluo.convertible(0));
    EXPECT_NEAR(corrected.ppb[0], 100.0, 1e-9);
    EXPECT_GE(corrected.turbidity, 1.7e308);
}

}  // namespace
