// Probe answers and logger acquisitions into samples, and the sample's display
// and XML forms.

#include "calibration/calibration_gui_ids.h"
#include "calibration/fluo_sample.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/my_string.h"
#include "base/parse.h"
#include "link/module_view.h"
#include "tests/support/recording_program.h"

namespace {

// One count of the probe's 32-bit reading in mV, worked out by hand: 625 / 2^22.
double probe_mV(double high, double low)
{
    return (high * 65536.0 + low) * 625.0 / 4194304.0;
}

void expect_undefined(float value, const char* what)
{
    EXPECT_TRUE(float_is_undefined(value)) << what << " = " << value;
}

void expect_lamp(const Tfluo_sample& s, int lamp, double base, double on)
{
    SCOPED_TRACE(lamp);
    EXPECT_FLOAT_EQ(s.base[lamp], static_cast<float>(base));
    EXPECT_FLOAT_EQ(s.on[lamp], static_cast<float>(on));
    EXPECT_FLOAT_EQ(s.delta[lamp], static_cast<float>(on) - static_cast<float>(base));
}

void expect_lamp_undefined(const Tfluo_sample& s, int lamp)
{
    SCOPED_TRACE(lamp);
    expect_undefined(s.base[lamp], "base");
    expect_undefined(s.on[lamp], "on");
    expect_undefined(s.delta[lamp], "delta");
}

TEST(ProbeAnswer, MaskOfThreeLampsWithRoomForTwoReadsAAndBThenBatteryAndTemperature)
{
    // "G": lamps A, B, C; 13 words leave room for two lamps.
    Tfluo_sample s;
    s.parseProbeAnswer("G 2 0 10 0 4 0 20 0x1 1 0x8000 0 100\r\n");
    expect_lamp(s, LAMP_A, probe_mV(2, 0), probe_mV(10, 0));
    expect_lamp(s, LAMP_B, probe_mV(4, 0), probe_mV(20, 1));
    expect_lamp_undefined(s, LAMP_C);
    expect_lamp_undefined(s, LAMP_T);
    EXPECT_FLOAT_EQ(s.battery, static_cast<float>(probe_mV(1, 0x8000) * 6.53 / 1076.8));
    EXPECT_FLOAT_EQ(s.temperature, static_cast<float>(probe_mV(0, 100) * 0.1));
}

TEST(ProbeAnswer, EveryLampAfterATimeWordAndTheTwoWordsThatFollowIt)
{
    // "O": all four lamps; the time word and its two companions are skipped.
    Tfluo_sample s;
    s.parseProbeAnswer("  O 12:34:56 1210 2026 1 0 3 0 2 0 5 0 4 0 8 0 0 16 0 64 1 0 0 250\n");
    expect_lamp(s, LAMP_A, probe_mV(1, 0), probe_mV(3, 0));
    expect_lamp(s, LAMP_B, probe_mV(2, 0), probe_mV(5, 0));
    expect_lamp(s, LAMP_C, probe_mV(4, 0), probe_mV(8, 0));
    expect_lamp(s, LAMP_T, probe_mV(0, 16), probe_mV(0, 64));
    EXPECT_FLOAT_EQ(s.battery, static_cast<float>(probe_mV(1, 0) * 6.53 / 1076.8));
    EXPECT_FLOAT_EQ(s.temperature, 25.0f * 625.0f / 4194304.0f);
}

TEST(ProbeAnswer, SubsetMaskReadsOnlyItsLamps)
{
    // "E" = 0x45: lamps A and C.
    Tfluo_sample s;
    s.parseProbeAnswer("E 1 0 2 0 3 0 6 0 1 0 1 0");
    expect_lamp(s, LAMP_A, probe_mV(1, 0), probe_mV(2, 0));
    expect_lamp_undefined(s, LAMP_B);
    expect_lamp(s, LAMP_C, probe_mV(3, 0), probe_mV(6, 0));
    expect_lamp_undefined(s, LAMP_T);
}

TEST(ProbeAnswer, SignalsBeyondThirtyTwoBitsKeepTheirValue)
{
    // 50000 * 65536 + 12345 = 3276812345, and times 625 far beyond 2^32.
    Tfluo_sample s;
    s.parseProbeAnswer("A 50000 12345 0xFFFF 0xFFFF 0 0 0 0");
    EXPECT_FLOAT_EQ(s.base[LAMP_A], static_cast<float>(3276812345.0 * 625.0 / 4194304.0));
    EXPECT_FLOAT_EQ(s.on[LAMP_A], static_cast<float>(4294967295.0 * 625.0 / 4194304.0));
    EXPECT_GT(s.base[LAMP_A], 488000.0f);
}

TEST(ProbeAnswer, ShortAnswersLeaveWhatTheyLackUndefined)
{
    {
        SCOPED_TRACE("@ with five words: battery and temperature only");
        Tfluo_sample s;
        s.parseProbeAnswer("@ 0 1076 0 200");
        for (int lamp = 0; lamp < LAMP_COUNT; ++lamp)
            expect_lamp_undefined(s, lamp);
        EXPECT_FLOAT_EQ(s.battery, static_cast<float>(probe_mV(0, 1076) * 6.53 / 1076.8));
        EXPECT_FLOAT_EQ(s.temperature, static_cast<float>(probe_mV(0, 200) * 0.1));
    }
    {
        SCOPED_TRACE("lamps A-C asked, room for lamp A only");
        Tfluo_sample s;
        s.parseProbeAnswer("G 1 0 2 0 7 0 3 0");
        expect_lamp(s, LAMP_A, probe_mV(1, 0), probe_mV(2, 0));
        expect_lamp_undefined(s, LAMP_B);
        expect_lamp_undefined(s, LAMP_C);
        EXPECT_FLOAT_EQ(s.battery, static_cast<float>(probe_mV(7, 0) * 6.53 / 1076.8));
        EXPECT_FLOAT_EQ(s.temperature, static_cast<float>(probe_mV(3, 0) * 0.1));
    }
    {
        SCOPED_TRACE("eight words: too few for a lamp");
        Tfluo_sample s;
        s.parseProbeAnswer("G 1 0 2 0 7 0 3");
        expect_lamp_undefined(s, LAMP_A);
        EXPECT_FLOAT_EQ(s.battery, static_cast<float>(probe_mV(1, 0) * 6.53 / 1076.8));
        EXPECT_FLOAT_EQ(s.temperature, static_cast<float>(probe_mV(2, 0) * 0.1));
    }
    {
        SCOPED_TRACE("a time word and three words: a battery, no temperature");
        Tfluo_sample s;
        s.parseProbeAnswer("G 12:00:00 a b 1 0 2");
        EXPECT_FLOAT_EQ(s.battery, static_cast<float>(probe_mV(1, 0) * 6.53 / 1076.8));
        expect_undefined(s.temperature, "temperature");
    }
    {
        SCOPED_TRACE("a time word and two words: neither");
        Tfluo_sample s;
        s.parseProbeAnswer("G 12:00:00 a b 1");
        expect_undefined(s.battery, "battery");
        expect_undefined(s.temperature, "temperature");
    }
}

TEST(ProbeAnswer, AnswersThatAreNoReadingGiveNothing)
{
    const char* const answers[] = {
        "7 1 0 2 0 3 0 4 0",  // first word starts with a digit
        "G 1 0 2",            // four words or fewer
        "",
        "   \r\n",
        "G abc def ghi jkl mno pqr stu vwx yz z2 z3 z4",  // no numbers
        nullptr,
    };
    for (const char* answer : answers) {
        SCOPED_TRACE(answer ? answer : "null");
        Tfluo_sample s;
        s.parseProbeAnswer(answer);
        for (int lamp = 0; lamp < LAMP_COUNT; ++lamp)
            expect_lamp_undefined(s, lamp);
        expect_undefined(s.battery, "battery");
        expect_undefined(s.temperature, "temperature");
    }
}

TEST(ProbeAnswer, AWordThatIsNoNumberLeavesItsValueUndefined)
{
    // The garbled word spoils lamp A's base and the hex word without digits the
    // battery; the values around them stay.
    Tfluo_sample s;
    s.parseProbeAnswer("A 1x 0 2 0 0x 0 0 40");
    expect_undefined(s.base[LAMP_A], "base A");
    EXPECT_FLOAT_EQ(s.on[LAMP_A], static_cast<float>(probe_mV(2, 0)));
    expect_undefined(s.delta[LAMP_A], "delta A");
    expect_undefined(s.battery, "battery");
    EXPECT_FLOAT_EQ(s.temperature, static_cast<float>(probe_mV(0, 40) * 0.1));
}

float undefined_value()
{
    return float_undefined();
}

uint32_t bits_of(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

TEST(SampleFromView, TakesEachDefinedBaseAndDeltaOfTheAcquisitionItem)
{
    // As the flash and dump decoders fill it: deltas A-T, temperature, bases A-T.
    auto view = std::make_unique<Tmodule_view>();
    view->clearAcqValues(ACQ_ITEM_FLUOROMETER);
    const float values[9] = {10.0f, 20.0f, 30.0f, undefined_value(), 21.5f, 1.0f, undefined_value(), 3.0f, 4.0f};
    for (int k = 0; k < 9; ++k)
        if (!float_is_undefined(values[k]))
            view->setAcqSubValue(ACQ_ITEM_FLUOROMETER, k, values[k]);
    view->setAcqSubValue(ACQ_ITEM_FLUOROMETER, 9, 777.0f);
    Tfluo_sample s;
    s.battery = 3.6f;
    s.setFromAcquisition(view->acqItem(ACQ_ITEM_FLUOROMETER).sub_values);
    EXPECT_FLOAT_EQ(s.base[LAMP_A], 1.0f);
    EXPECT_FLOAT_EQ(s.delta[LAMP_A], 10.0f);
    EXPECT_FLOAT_EQ(s.on[LAMP_A], 11.0f);
    expect_undefined(s.base[LAMP_B], "base B");
    EXPECT_FLOAT_EQ(s.delta[LAMP_B], 20.0f);
    expect_undefined(s.on[LAMP_B], "on B");
    EXPECT_FLOAT_EQ(s.on[LAMP_C], 33.0f);
    EXPECT_FLOAT_EQ(s.base[LAMP_T], 4.0f);
    expect_undefined(s.delta[LAMP_T], "delta T");
    expect_undefined(s.on[LAMP_T], "on T");
    EXPECT_FLOAT_EQ(s.temperature, 21.5f);
    expect_undefined(s.battery, "battery (reset, not in the item)");

    // A sub-value that is no number counts as undefined too.
    Tmodule_view_item item;
    const uint32_t nan_bits = 0x7FC00000;
    item.sub_values[0] = nan_bits;
    item.sub_values[5] = bits_of(2.0f);
    s.setFromAcquisition(item.sub_values);
    expect_undefined(s.delta[LAMP_A], "delta A");
    expect_undefined(s.on[LAMP_A], "on A");
    EXPECT_FLOAT_EQ(s.base[LAMP_A], 2.0f);
    s.setFromAcquisition(nullptr);
    expect_undefined(s.base[LAMP_A], "base A");
}

// A sample whose values print exactly.
Tfluo_sample reading()
{
    Tfluo_sample s;
    s.tracer = TRACER_URANINE;
    s.concentration = CONCENTRATION_10_PPB;
    s.setLamp('a', 100.5f, 25.25f);
    s.setLamp('C', 7.0f, 0.125f);
    s.setLamp('t', 2.0f, undefined_value());
    s.temperature = 18.5f;
    s.battery = 3.75f;
    return s;
}

TEST(SampleForms, SampleElementOfTheCalibrationFile)
{
    Tmy_string text("left over");
    reading().toXml(&text, 0);
    EXPECT_STREQ(text.c_str(),
                 "<SAMPLE type=\"VEXL\" traceur=\"Uranine\" concentration=\"10 ppb\" LA_base_mV=\"100.500\""
                 " LA_mV=\"25.250\" LC_base_mV=\"7.000\" LC_mV=\"0.125\" LT_base_mV=\"2.000\""
                 " temperature=\"18.50\" Vbat=\"3.75\" />");

    Tfluo_sample water;
    water.tracer = TRACER_WATER;
    water.concentration = CONCENTRATION_0_NTU;
    water.toXml(&text, 0);
    EXPECT_STREQ(text.c_str(), "<SAMPLE type=\"VEXL\" traceur=\"Water\" concentration=\"0 NTU\" />");
}

TEST(SampleForms, FlowLogElementAndUnknownForms)
{
    Tmy_string text;
    reading().toXml(&text, 1);
    EXPECT_STREQ(text.c_str(),
                 "<a21 type=\"fluorometer\"  LA_base_mV=\"100.50\" LC_base_mV=\"7.00\" LT_base_mV=\"2.00\""
                 " Vbat=\"3.75\" T=\"18.50\" LA_mV=\"25.25\" LC_mV=\"0.12\"/>");
    reading().toXml(&text, 2);
    EXPECT_STREQ(text.c_str(), "");
}

TEST(SampleDisplay, LogLinesAndLabelsOnTheRawCalibrationChannel)
{
    recorded::clear_log();
    recorded::clear_gui();
    reading().show(3);
    const std::vector<std::string> expected_lines = {
        "message:show() 100.50 125.75 --- --- 7.00 7.12 2.00 --- 3.75 18.50",
        "lamp A delta = 25.25 mV",
        "lamp C delta = 0.12 mV",
        "Temperature = 18.50 degC",
        "Battery Voltage = 3.75 V",
    };
    EXPECT_EQ(recorded::log_lines_on_channel(OUTPUT_CHANNEL_CALIBRATION_RAW), expected_lines);
    EXPECT_EQ(recorded::log_lines().size(), expected_lines.size());
    EXPECT_EQ(recorded::output_channel(), OUTPUT_CHANNEL_MAIN);
    const std::vector<std::pair<int, std::string>> expected_gui = {
        {307, "100.50"}, {308, "125.75"}, {310, "---"}, {311, "---"},   {313, "7.00"},  {314, "7.12"},
        {316, "2.00"},   {317, "---"},    {319, "3.75"}, {320, "18.50"}, {309, "25.25"}, {312, "---"},
        {315, "0.12"},   {318, "---"},
    };
    EXPECT_EQ(recorded::gui_calls(), expected_gui);

    recorded::clear_log();
    recorded::clear_gui();
    reading().show(2);
    EXPECT_TRUE(recorded::log_lines().empty());
    EXPECT_EQ(recorded::gui_calls().size(), expected_gui.size());
    recorded::clear_gui();
    reading().show(1);
    EXPECT_TRUE(recorded::gui_calls().empty());
    EXPECT_EQ(recorded::log_lines().size(), expected_lines.size());
}

TEST(SampleValues, ResetCopyAndLampLetters)
{
    Tfluo_sample s = reading();
    Tfluo_sample copy;
    copy.tracer = TRACER_WATER;
    copy.copyValues(&s);
    copy.copyValues(nullptr);
    EXPECT_EQ(copy.tracer, TRACER_WATER);
    EXPECT_FLOAT_EQ(copy.on[LAMP_A], 125.75f);
    EXPECT_FLOAT_EQ(copy.battery, 3.75f);

    copy.setLamp('x', 1.0f, 1.0f);
    copy.setLamp('\0', 1.0f, 1.0f);
    EXPECT_FLOAT_EQ(copy.base[LAMP_A], 100.5f);
    expect_lamp_undefined(copy, LAMP_B);

    Tfluo_measure m;
    m.ppb[1] = 5.0f;
    m.ntu = 1.0f;
    m.base[LAMP_B] = 1.0f;
    static_cast<Tfluo_sample&>(m).reset();
    expect_undefined(m.ppb[1], "ppb B");
    expect_undefined(m.ntu, "ntu");
    expect_undefined(m.base[LAMP_B], "base B");
}

TEST(NameTables, CodesAndNamesBothWays)
{
    EXPECT_EQ(tracerCode("uranine"), TRACER_URANINE);
    EXPECT_EQ(tracerCode("NAPHTHALENEDISULFONATE"), TRACER_NAPHTHALENE_DISULFONATE);
    EXPECT_EQ(concentrationCode("1 ppb"), CONCENTRATION_1_PPB);
    EXPECT_EQ(concentrationCode("100 PPM"), CONCENTRATION_100_PPM);
    EXPECT_EQ(modelCode("VEXL PX-2"), 2);
    EXPECT_EQ(configurationCode("i,ii,v"), 2);
    for (const char* unknown : {"", "Uranin", "1ppb", "VEXL PX-3"}) {
        SCOPED_TRACE(unknown);
        EXPECT_EQ(tracerCode(unknown), 0);
        EXPECT_EQ(concentrationCode(unknown), 0);
        EXPECT_EQ(modelCode(unknown), 0);
        EXPECT_EQ(configurationCode(unknown), 0);
    }
    EXPECT_EQ(tracerCode(nullptr), 0);
    EXPECT_STREQ(tracerName(9), "XXXXXX_traceur_undefined");
    EXPECT_STREQ(tracerName(-1), "XXXXXX_traceur_undefined");
    EXPECT_STREQ(concentrationName(11), "XXXXXX_concentration_undefined");
    EXPECT_STREQ(configurationName(3), "I,II,VII");
    EXPECT_STREQ(modelName(1), "VEXL PX-1");
    for (int code = 0; code <= 8; ++code)
        EXPECT_EQ(tracerCode(tracerName(code)), code);
    for (int code = 0; code <= 10; ++code)
        EXPECT_EQ(concentrationCode(concentrationName(code)), code);
}

}  // namespace
