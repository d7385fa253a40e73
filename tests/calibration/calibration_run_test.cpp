// The calibration run: readings into the plot and the grid, the CALIBRATION
// file written and read back, and the constants file it hands over to the
// ppb conversion.

#include "calibration/master_fluo_cal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include "base/parse.h"
#include "base/time_calendar.h"
#include "calibration/calibration_host.h"
#include "calibration/fluo_calibration_calc.h"
#include "data/ruvo_fluo.h"
#include "tests/base/time_test_support.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/recording_program.h"
#include "tests/support/temp_dir.h"

namespace {

using Tgui_calls = std::vector<std::pair<int, std::string>>;

// The last n calls to gui_set.
Tgui_calls last_gui_calls(size_t n)
{
    const Tgui_calls all = recorded::gui_calls();
    return Tgui_calls(all.end() - static_cast<long>(std::min(n, all.size())), all.end());
}

constexpr unsigned NOON_2026_12_10 = 1796904000;  // 2026-12-10 12:00:00 UTC

unsigned fixed_clock()
{
    return NOON_2026_12_10;
}

class Trecording_host : public Tcalibration_host {
public:
    void requestAcquisition(unsigned char flags) override { requests.push_back(flags); }
    void showStoredValues(const Tmaster_fluo_cal& run) override { shown_counts.push_back(run.grid().count()); }
    void plotSeries(const Tsamples_serie& serie) override { plotted_counts.push_back(serie.count()); }
    void refusal(const char* text) override { refusals.push_back(text); }

    std::vector<unsigned char> requests;
    std::vector<std::string> refusals;
    std::vector<unsigned> shown_counts;
    std::vector<unsigned> plotted_counts;
};

struct Tgrid_sample {
    int tracer;
    int concentration;
    float deltas[4];
};

// Water, the three turbidity standards and three tracers at 10 and 100 ppb,
// as in tests/calibration/fixtures/calibration_1234_20261210.*.
const Tgrid_sample golden_grid[] = {
    {TRACER_WATER, CONCENTRATION_0_NTU, {5, 6, 7, 4}},
    {TRACER_WATER, CONCENTRATION_0_NTU, {5.5f, 6.5f, 7.5f, 4.5f}},
    {TRACER_WATER, CONCENTRATION_1_NTU, {8, 9, 10, 14}},
    {TRACER_WATER, CONCENTRATION_10_NTU, {12, 14, 16, 44}},
    {TRACER_WATER, CONCENTRATION_100_NTU, {40, 50, 60, 404}},
    {TRACER_URANINE, CONCENTRATION_10_PPB, {105, 7, 8, 5}},
    {TRACER_URANINE, CONCENTRATION_100_PPB, {1000, 55, 26, 13}},
    {TRACER_URANINE, CONCENTRATION_100_PPB, {1010, 57, 28, 15}},
    {TRACER_SULFORHODAMINE_B, CONCENTRATION_10_PPB, {6, 86, 9, 5}},
    {TRACER_SULFORHODAMINE_B, CONCENTRATION_100_PPB, {25, 806, 107, 9}},
    {TRACER_AMINO_G_ACID, CONCENTRATION_10_PPB, {6, 7, 57, 5}},
    {TRACER_AMINO_G_ACID, CONCENTRATION_100_PPB, {15, 26, 507, 6}},
};

class CalibrationRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        time_set_clock(fixed_clock);
        recorded::clear_log();
        recorded::clear_gui();
        recorded::clear_gui_values();
        run = std::make_unique<Tmaster_fluo_cal>();
        run->setHost(&host);
    }
    void TearDown() override { time_set_clock(nullptr); }

    // A reading of the given deltas (bases 100 mV) shown and stored as the GUI
    // and the store button would.
    void store(int tracer, int concentration, const float deltas[4])
    {
        Tfluo_sample reading;
        const char letters[4] = {'A', 'B', 'C', 'T'};
        for (int lamp = 0; lamp < 4; ++lamp)
            reading.setLamp(letters[lamp], 100.0f, deltas[lamp]);
        reading.temperature = 20.5f;
        reading.battery = 3.6f;
        run->takeReading(&reading);
        run->setSelectedTracer(static_cast<uint8_t>(tracer));
        run->setSelectedConcentration(static_cast<uint8_t>(concentration));
        run->storeSample();
    }

    void storeGoldenGrid()
    {
        run->setSerial(1234);
        run->setConfiguration(1);
        run->setModel(2);
        for (const Tgrid_sample& s : golden_grid)
            store(s.tracer, s.concentration, s.deltas);
    }

    Tpinned_time_zone utc{"UTC"};
    Trecording_host host;
    std::unique_ptr<Tmaster_fluo_cal> run;
};

TEST_F(CalibrationRun, TheWholeGridWritesTheCalibrationFileByteForByte)
{
    storeGoldenGrid();
    EXPECT_EQ(run->grid().count(), 12u);
    Ttemp_dir dir;
    const std::string path = dir.file("calibration.xml");
    recorded::clear_log();
    EXPECT_FALSE(run->writeCalibrationXml(path.c_str()));
    const std::string golden = read_file_bytes(source_path("tests/calibration/fixtures/calibration_1234_20261210.xml"));
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(read_file_bytes(path), golden);
    // Each SAMPLE element also goes to the raw calibration log.
    const std::vector<std::string> logged = recorded::log_lines_on_channel(OUTPUT_CHANNEL_CALIBRATION_RAW);
    ASSERT_EQ(logged.size(), 12u);
    EXPECT_EQ(logged[0].rfind("    <SAMPLE type=\"VEXL\" traceur=\"Water\"", 0), 0u);
    EXPECT_EQ(recorded::output_channel(), OUTPUT_CHANNEL_MAIN);
}

TEST_F(CalibrationRun, TheWholeGridWritesTheConstantsFileByteForByte)
{
    storeGoldenGrid();
    EXPECT_EQ(run->tracer_a, TRACER_URANINE);
    EXPECT_EQ(run->tracer_b, TRACER_SULFORHODAMINE_B);
    EXPECT_EQ(run->tracer_c, TRACER_AMINO_G_ACID);
    Ttemp_dir dir;
    const std::string path = dir.file("calibration.dat");
    recorded::clear_log();
    EXPECT_FALSE(run->writeConstantsFile(path.c_str()));
    const std::string golden = read_file_bytes(source_path("tests/calibration/fixtures/calibration_1234_20261210.dat"));
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(read_file_bytes(path), golden);

    EXPECT_TRUE(recorded::log_contains("calibration.check_validity() => Error code = 0"));
    EXPECT_FALSE(recorded::log_contains("error : "));
    const std::vector<std::string> constants = recorded::log_lines_on_channel(OUTPUT_CHANNEL_CALIBRATION_CONSTANTS);
    ASSERT_EQ(constants.size(), 1u);
    EXPECT_EQ(constants[0], golden);
    EXPECT_EQ(recorded::cleared_channels(), (std::vector<int>{OUTPUT_CHANNEL_MAIN, OUTPUT_CHANNEL_CALIBRATION_CONSTANTS}));
}

// ppb of a tracer on the straight log-log line through its 10 and 100 ppb net signals.
double expected_ppb(double net, double net10, double net100)
{
    const double slope = (std::log10(100.0) - std::log10(10.0)) / (std::log10(net100) - std::log10(net10));
    return std::pow(10.0, std::log10(10.0) + slope * (std::log10(net) - std::log10(net10)));
}

Tppb_sample lamp_reading(int lamp, double signal)
{
    Tppb_sample sample;
    sample.lamp_mV[lamp] = signal;
    sample.lamp_valid[lamp] = 1;
    sample.turbidity_mV = 4 + 10;  // water of lamp T and the 1 NTU standard's net signal
    sample.turbidity_valid = 1;
    return sample;
}

TEST_F(CalibrationRun, TheConstantsFileConvertsBackThroughThePpbConversion)
{
    storeGoldenGrid();
    Ttemp_dir dir;
    const std::string path = dir.file("calibration.dat");
    ASSERT_FALSE(run->writeConstantsFile(path.c_str()));
    Truvo_fluo fluo;
    ASSERT_EQ(fluo.getcalib(path.c_str(), 0), 0);
    EXPECT_DOUBLE_EQ(fluo.concentration, 100.0);
    // Water and the 10 and 100 ppb signals of each tracer on its own lamp.
    const double water[3] = {5, 6, 7};
    const double at10[3] = {105, 86, 57};
    const double at100[3] = {1005, 806, 507};
    for (int t = 0; t < 3; ++t) {
        SCOPED_TRACE(t);
        bool selected[3] = {false, false, false};
        selected[t] = true;
        const double net10 = at10[t] - water[t];
        const double net100 = at100[t] - water[t];
        for (double net : {net10, net100, 250.0, 2000.0}) {
            Tppb_sample sample = lamp_reading(t, water[t] + net);
            fluo.convert(&sample, selected, 0.0);
            const double expected = expected_ppb(net, net10, net100);
            EXPECT_NEAR(sample.ppb[t], expected, expected * 1e-9) << "net " << net;
        }
    }
    // The turbidity lamp in the 10 NTU standard.
    Tppb_sample turbid = lamp_reading(0, 5 + 100);
    turbid.turbidity_mV = 44;
    const bool only_a[3] = {true, false, false};
    fluo.convert(&turbid, only_a, 0.0);
    EXPECT_NEAR(turbid.turbidity, 10.0, 1e-9);
}

// A sample that fits no cell of the grid is refused with its reason, and the
// window is left as it was.
TEST_F(CalibrationRun, StoreValueRefusesASampleThatFitsNoCellAndSaysWhy)
{
    run->setConfiguration(1);
    const float deltas[4] = {105, 7, 8, 5};
    store(TRACER_URANINE, CONCENTRATION_10_PPB, deltas);
    ASSERT_EQ(run->grid().count(), 1u);
    EXPECT_EQ(last_gui_calls(1), (Tgui_calls{{GUI_CAL_STORE_BUTTON, "disabled"}}));
    struct Tcase {
        int configuration;
        int tracer;
        int concentration;
        const char* reason;
    };
    const Tcase cases[] = {
        {1, TRACER_UNDEFINED, CONCENTRATION_10_PPB, "no tracer chosen"},
        {1, TRACER_URANINE, CONCENTRATION_UNDEFINED, "no concentration chosen"},
        {1, TRACER_NAPHTIONATE, CONCENTRATION_10_PPB, "Naphtionate is no tracer of the probe configuration \"I,II,III\""},
        {0, TRACER_AMINO_G_ACID, CONCENTRATION_10_PPB, "AminoGacid is no tracer of the probe configuration"},
    };
    for (const Tcase& c : cases) {
        SCOPED_TRACE(c.reason);
        run->setConfiguration(static_cast<uint8_t>(c.configuration));
        recorded::clear_log();
        recorded::clear_gui();
        host.refusals.clear();
        const size_t shown = host.shown_counts.size();
        run->setSelectedTracer(static_cast<uint8_t>(c.tracer));
        run->setSelectedConcentration(static_cast<uint8_t>(c.concentration));
        EXPECT_TRUE(run->storeSample());
        EXPECT_EQ(run->grid().count(), 1u);
        EXPECT_TRUE(recorded::log_contains(std::string("ERROR : Store value refused: ") + c.reason));
        ASSERT_EQ(host.refusals.size(), 1u);
        EXPECT_NE(host.refusals[0].find(c.reason), std::string::npos) << host.refusals[0];
        // Neither the stored-values page nor the store button changes.
        EXPECT_TRUE(recorded::gui_calls().empty());
        EXPECT_EQ(host.shown_counts.size(), shown);
    }
}

// Without a configuration the lamp tracers of A and B are still learnt, and a
// new calibration (Clear, or a CALIBRATION file read) starts with none.
TEST_F(CalibrationRun, TheLampTracersAreLearntWithoutAConfigurationAndForgottenByANewCalibration)
{
    run->setConfiguration(0);
    for (const Tgrid_sample& s : golden_grid)
        if (s.tracer != TRACER_AMINO_G_ACID)
            store(s.tracer, s.concentration, s.deltas);
    EXPECT_EQ(run->tracer_a, TRACER_URANINE);
    EXPECT_EQ(run->tracer_b, TRACER_SULFORHODAMINE_B);
    Tmy_string constants;
    run->computeConstants(&constants);
    const std::string text = constants.c_str();
    EXPECT_NE(text.find("\r\nUranine\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nSulforhodamineB\r\n"), std::string::npos);

    run->clearSamples();
    EXPECT_EQ(run->tracer_a, 0);
    EXPECT_EQ(run->tracer_b, 0);

    // A file of water and uranine only, read after a full calibration.
    storeGoldenGrid();
    ASSERT_EQ(run->tracer_c, TRACER_AMINO_G_ACID);
    Ttemp_dir dir;
    const std::string path = dir.file("uranine.xml");
    ASSERT_TRUE(write_file_bytes(path,
        "<CALIBRATION serial_number=\"9\" configuration=\"I,II,III\" model=\"VEXL PX-1\" year=\"2026\" month=\"5\" day=\"6\">\n"
        "    <SAMPLE type=\"VEXL\" traceur=\"Water\" concentration=\"0 NTU\" LA_mV=\"5.000\" />\n"
        "    <SAMPLE type=\"VEXL\" traceur=\"Uranine\" concentration=\"10 ppb\" LA_mV=\"105.000\" />\n"
        "</CALIBRATION>\n"));
    ASSERT_FALSE(run->readCalibrationXml(path.c_str()));
    EXPECT_EQ(run->tracer_a, TRACER_URANINE);
    EXPECT_EQ(run->tracer_b, 0);
    EXPECT_EQ(run->tracer_c, 0);
    constants.clear();
    run->computeConstants(&constants);
    EXPECT_EQ(std::string(constants.c_str()).find("SulforhodamineB"), std::string::npos);
    EXPECT_EQ(std::string(constants.c_str()).find("AminoGacid"), std::string::npos);
}

// A calculation that calibrated no tracer (here after an unreadable
// CALIBRATION file, or from water alone) writes nothing over a good file.
TEST_F(CalibrationRun, AFailedCalculationWritesNoConstantsFile)
{
    Ttemp_dir dir;
    const std::string good = "earlier constants\r\n";
    const std::string path = dir.file("calibration.dat");
    ASSERT_TRUE(write_file_bytes(path, good));
    const std::string broken = dir.file("broken.xml");
    ASSERT_TRUE(write_file_bytes(broken, "<CALIBRATION><SAMPLE"));
    EXPECT_TRUE(run->readCalibrationXml(broken.c_str()));
    // A FIFO in place of the file is refused at once.
    const std::string fifo = dir.file("fifo.xml");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_TRUE(run->readCalibrationXml(fifo.c_str()));
    EXPECT_TRUE(recorded::log_contains("ERROR : \"" + fifo + "\" is a FIFO, not a regular file"));

    const std::string refusal = "No tracer calibrated (calibration.check_validity() => Error code = ";
    for (bool water_only : {false, true}) {
        SCOPED_TRACE(water_only);
        if (water_only)
            store(golden_grid[0].tracer, golden_grid[0].concentration, golden_grid[0].deltas);
        recorded::clear_log();
        Tmy_string why;
        EXPECT_TRUE(run->writeConstantsFile(path.c_str(), &why));
        EXPECT_EQ(std::string(why.c_str()).rfind(refusal, 0), 0u) << why.c_str();
        EXPECT_NE(std::string(why.c_str()).find("): no constants file written"), std::string::npos) << why.c_str();
        EXPECT_TRUE(recorded::log_contains("ERROR : No tracer calibrated (calibration.check_validity() => Error code = "));
        EXPECT_TRUE(recorded::log_contains("ERROR : no constants file written"));
        EXPECT_EQ(read_file_bytes(path), good);
        EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    }
}

TEST_F(CalibrationRun, AOneTracerCalibrationStillConvertsThatTracer)
{
    run->setSerial(7);
    run->setConfiguration(1);
    run->setModel(1);
    for (const Tgrid_sample& s : golden_grid)
        if (s.tracer == TRACER_WATER || s.tracer == TRACER_URANINE)
            store(s.tracer, s.concentration, s.deltas);
    Ttemp_dir dir;
    const std::string path = dir.file("one.dat");
    ASSERT_FALSE(run->writeConstantsFile(path.c_str()));
    const std::string text = read_file_bytes(path);
    EXPECT_NE(text.find("VEXL-PX1 fluorometer #7\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nXXXXXX_traceur_undefined\r\n"), std::string::npos);

    Truvo_fluo fluo;
    const int bits = fluo.getcalib(path.c_str(), 0);
    EXPECT_EQ(bits, CALIB_VALUE_UNDEFINED);
    const bool only_a[3] = {true, false, false};
    Tppb_sample sample = lamp_reading(0, 5 + 1000);
    fluo.convert(&sample, only_a, 0.0);
    EXPECT_NEAR(sample.ppb[0], 100.0, 1e-9);

    // The tracers without constants never convert to a number.
    for (int t = 1; t < 3; ++t) {
        SCOPED_TRACE(t);
        bool selected[3] = {false, false, false};
        selected[t] = true;
        Tppb_sample other = lamp_reading(t, 500);
        fluo.convert(&other, selected, 0.0);
        EXPECT_TRUE(double_is_undefined(other.ppb[t])) << other.ppb[t];
    }
    // Nor does a pair or the three together, which need them.
    const bool pair[3] = {true, true, false};
    Tppb_sample mixed = lamp_reading(0, 1005);
    mixed.lamp_mV[1] = 300;
    mixed.lamp_valid[1] = 1;
    fluo.convert(&mixed, pair, 0.0);
    EXPECT_TRUE(double_is_undefined(mixed.ppb[0]));
    EXPECT_TRUE(double_is_undefined(mixed.ppb[1]));
}

TEST_F(CalibrationRun, TheCalibrationFileReadsBackIntoTheSameGrid)
{
    Ttemp_dir dir;
    const std::string golden_path = source_path("tests/calibration/fixtures/calibration_1234_20261210.xml");
    const std::string copy = dir.file("calibration_1234_20261210.xml");
    ASSERT_TRUE(write_file_bytes(copy, read_file_bytes(golden_path)));
    run->setDate(2001, 2, 3);
    EXPECT_FALSE(run->readCalibrationXml(copy.c_str()));
    EXPECT_EQ(run->serial, 1234u);
    EXPECT_EQ(run->configuration, 1);
    EXPECT_EQ(run->model, 2);
    EXPECT_EQ(run->year, 2026);
    EXPECT_EQ(run->tracer_c, TRACER_AMINO_G_ACID);
    EXPECT_EQ(run->grid().count(), 12u);
    EXPECT_EQ(run->file_directory.c_str(), dir.path());
    EXPECT_STREQ(run->file_name.c_str(), "calibration_1234_20261210.xml");

    const std::string again = dir.file("again.xml");
    EXPECT_FALSE(run->writeCalibrationXml(again.c_str()));
    EXPECT_EQ(read_file_bytes(again), read_file_bytes(golden_path));

    Tmy_string name;
    run->makeFileName(&name, true);
    EXPECT_EQ(std::string(name.c_str()), dir.path() + "/calibration_1234_20261210.dat");

    const std::vector<std::pair<int, std::string>> gui = recorded::gui_calls();
    auto has = [&](int id, const char* text) {
        for (const auto& call : gui)
            if (call.first == id && call.second == text)
                return true;
        return false;
    };
    EXPECT_TRUE(has(GUI_CAL_SERIAL, "1234"));
    EXPECT_TRUE(has(GUI_CAL_CONFIGURATION, "I,II,III"));
    EXPECT_TRUE(has(GUI_CAL_MODEL, "VEXL PX-2"));
    EXPECT_TRUE(has(GUI_CAL_PANEL, "PANEL_STORED_VALUES"));
    ASSERT_FALSE(host.shown_counts.empty());
    EXPECT_EQ(host.shown_counts.back(), 12u);
}

// A date that is no day of the calendar refuses the file: nothing of it is
// taken, the samples and the date stay as they were.
TEST_F(CalibrationRun, AFileWhoseDateIsNoDayIsRefused)
{
    Ttemp_dir dir;
    const std::string good = dir.file("good.xml");
    ASSERT_TRUE(write_file_bytes(good,
        "<CALIBRATION serial_number=\"9\" year=\"2024\" month=\"2\" day=\"29\">"
        "<SAMPLE traceur=\"Water\" concentration=\"0 NTU\" LA_mV=\"5.000\"/></CALIBRATION>"));
    ASSERT_FALSE(run->readCalibrationXml(good.c_str()));
    ASSERT_EQ(run->grid().count(), 1u);
    const struct {
        const char* date;
        const char* reason;
    } refused[] = {
        {"year=\"99999\" month=\"5\" day=\"6\"", "the date year=99999 month=5 day=6 is no day of the calendar"},
        {"year=\"2026\" month=\"13\" day=\"6\"", "the date year=2026 month=13 day=6 is no day of the calendar"},
        {"year=\"2026\" month=\"5\" day=\"45\"", "the date year=2026 month=5 day=45 is no day of the calendar"},
        {"year=\"2025\" month=\"2\" day=\"29\"", "the date year=2025 month=2 day=29 is no day of the calendar"},
        {"year=\"2026\" month=\"5\" day=\"6th\"", "day \"6th\" is no number"},
        {"year=\"99999999999\" month=\"5\" day=\"6\"", "year \"99999999999\" is no number"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.date);
        const std::string path = dir.file("refused.xml");
        ASSERT_TRUE(write_file_bytes(path, std::string("<CALIBRATION serial_number=\"4\" ") + c.date +
                                               "><SAMPLE traceur=\"Water\" concentration=\"1 NTU\" LA_mV=\"9\"/>"
                                               "<SAMPLE traceur=\"Water\" concentration=\"0 NTU\" LA_mV=\"7\"/>"
                                               "</CALIBRATION>"));
        recorded::clear_log();
        EXPECT_TRUE(run->readCalibrationXml(path.c_str()));
        EXPECT_TRUE(recorded::log_contains("ERROR : \"" + path + "\": " + c.reason + "; nothing is read"));
        EXPECT_EQ(run->grid().count(), 1u);
        EXPECT_EQ(run->year, 2024);
        EXPECT_EQ(run->month, 2);
        EXPECT_EQ(run->day, 29);
    }
}

TEST_F(CalibrationRun, AMissingLampInTheFileStaysUndefined)
{
    Ttemp_dir dir;
    const std::string path = dir.file("partial.xml");
    ASSERT_TRUE(write_file_bytes(path,
        "<?xml version='1.0' encoding='utf-8' ?>\n"
        "<CALIBRATION serial_number=\"9\" configuration=\"I,II,III\" model=\"VEXL PX-1\" year=\"0\" month=\"5\" day=\"6\">\n"
        "    <SAMPLE type=\"VEXL\" traceur=\"Water\" concentration=\"0 NTU\" LA_base_mV=\"1.000\" LA_mV=\"5.000\""
        " LC_mV=\"7.000\" LT_base_mV=\"1.000\" LT_mV=\"4.000\" Vbat=\"3.60\" />\n"
        "    <SAMPLE type=\"VEXL\" traceur=\"Water\" concentration=\"1 NTU\" LA_mV=\"9.000\" LB_mV=\"8.000\" />\n"
        "    <SAMPLE type=\"VEXL\" traceur=\"Eosine\" concentration=\"10 ppb\" LA_mV=\"60.000\" LB_mV=\"1e40\""
        " LC_mV=\"12abc\" />\n"
        "    <SAMPLE type=\"VEXL\" traceur=\"NaphthaleneDisulfonate\" concentration=\"10 ppb\" LC_mV=\"60.000\" />\n"
        "    <OTHER traceur=\"Water\" concentration=\"0 NTU\" />\n"
        "</CALIBRATION>\n"));
    EXPECT_FALSE(run->readCalibrationXml(path.c_str()));
    // Year 0: today's date stays.
    EXPECT_EQ(run->year, 2026);
    EXPECT_EQ(run->month, 12);
    EXPECT_EQ(run->day, 10);
    // NaphthaleneDisulfonate is no tracer of configuration 1, the OTHER element no sample.
    EXPECT_EQ(run->grid().count(), 3u);
    const Tfluo_sample& water = run->grid().cell(0, 0).at(0);
    EXPECT_FLOAT_EQ(water.on[LAMP_A], 6.0f);
    EXPECT_TRUE(float_is_undefined(water.base[LAMP_B]));
    EXPECT_TRUE(float_is_undefined(water.delta[LAMP_B]));
    EXPECT_TRUE(float_is_undefined(water.on[LAMP_C]));
    EXPECT_FLOAT_EQ(water.delta[LAMP_C], 7.0f);
    EXPECT_TRUE(float_is_undefined(water.temperature));
    EXPECT_FLOAT_EQ(water.battery, 3.6f);
    ASSERT_EQ(run->grid().cell(1, 2).size(), 1u);  // Eosine at 10 ppb: row 1, level 2
    // Beyond a float, or no number: undefined too.
    EXPECT_TRUE(float_is_undefined(run->grid().cell(1, 2)[0].delta[LAMP_B]));
    EXPECT_TRUE(float_is_undefined(run->grid().cell(1, 2)[0].delta[LAMP_C]));
    EXPECT_EQ(run->tracer_a, 0);                   // Eosine sets no lamp tracer

    // The undefined lamp B of the water sample does not pull lamp B's water to 0.
    recorded::clear_log();
    Tmy_string constants;
    run->computeConstants(&constants);
    EXPECT_NE(std::string(constants.c_str()).find("Eau\r\nL1    5.00\r\nL2    8.00\r\nL3    7.00\r\nL4    4.00\r\n"),
              std::string::npos);
}

TEST_F(CalibrationRun, AFileThatCannotBeReadChangesNothing)
{
    storeGoldenGrid();
    Ttemp_dir dir;
    const std::string broken = dir.file("broken.xml");
    ASSERT_TRUE(write_file_bytes(broken, "<CALIBRATION serial_number=\"1\"><SAMPLE"));
    for (const std::string& path : {broken, dir.file("missing.xml")}) {
        SCOPED_TRACE(path);
        recorded::clear_log();
        EXPECT_TRUE(run->readCalibrationXml(path.c_str()));
        EXPECT_TRUE(recorded::log_contains("ERROR : unable to read \"" + path + "\" file correctly"));
        EXPECT_EQ(run->grid().count(), 12u);
        EXPECT_EQ(run->serial, 1234u);
    }
}

TEST_F(CalibrationRun, WritingIntoAFolderThatCannotBeWrittenIsReported)
{
    storeGoldenGrid();
    Ttemp_dir dir;
    const std::string existing = dir.file("calibration.xml");
    ASSERT_TRUE(write_file_bytes(existing, "earlier calibration"));
    const std::string nowhere = dir.file("no/such/folder/calibration.xml");
    recorded::clear_log();
    EXPECT_TRUE(run->writeCalibrationXml(nowhere.c_str()));
    EXPECT_TRUE(recorded::log_contains("ERROR : unable to write \"" + nowhere + "\""));
    // The text is still logged.
    EXPECT_EQ(recorded::log_lines_on_channel(OUTPUT_CHANNEL_CALIBRATION_RAW).size(), 12u);
    recorded::clear_log();
    const std::string dat = dir.file("no/such/folder/calibration.dat");
    EXPECT_TRUE(run->writeConstantsFile(dat.c_str()));
    EXPECT_TRUE(recorded::log_contains("ERROR : unable to write \"" + dat + "\""));

    // A write that cannot be made leaves the earlier file whole: here the
    // disk takes only a part of it.
    recorded::clear_log();
    {
        Tfile_size_limit full(20);
        ASSERT_TRUE(full.applied());
        EXPECT_TRUE(run->writeCalibrationXml(existing.c_str()));
    }
    EXPECT_TRUE(recorded::log_contains("ERROR : unable to write \"" + existing + "\""));
    EXPECT_EQ(read_file_bytes(existing), "earlier calibration");
    // Once it can be written, it is replaced whole, and no temporary is left.
    EXPECT_FALSE(run->writeCalibrationXml(existing.c_str()));
    EXPECT_EQ(read_file_bytes(existing).rfind("<?xml", 0), 0u);
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(existing).parent_path()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST_F(CalibrationRun, StoringFollowsTheGridRowsAndLevels)
{
    run->setConfiguration(1);
    const float d[4] = {1, 2, 3, 4};
    store(TRACER_EOSINE, CONCENTRATION_10_PPB, d);
    store(TRACER_URANINE, CONCENTRATION_1000_PPB, d);
    store(TRACER_NAPHTHALENE_DISULFONATE, CONCENTRATION_10_PPB, d);  // not configuration 1's
    store(TRACER_AMINO_G_ACID, CONCENTRATION_100_PPM, d);
    store(TRACER_WATER, CONCENTRATION_UNDEFINED, d);
    store(TRACER_UNDEFINED, CONCENTRATION_0_NTU, d);
    EXPECT_EQ(run->grid().count(), 3u);
    EXPECT_EQ(run->grid().cell(1, 2).size(), 1u);
    EXPECT_EQ(run->grid().cell(1, 4).size(), 1u);
    EXPECT_EQ(run->grid().cell(3, 6).size(), 1u);
    EXPECT_EQ(run->tracer_a, TRACER_URANINE);
    EXPECT_EQ(run->tracer_c, TRACER_AMINO_G_ACID);
    // Every store redraws the table and disables the button until the next
    // reading; the three that fit no cell are refused and change neither.
    EXPECT_EQ(host.shown_counts, (std::vector<unsigned>{1, 2, 3}));
    EXPECT_EQ(host.refusals.size(), 3u);
    EXPECT_EQ(last_gui_calls(1), (Tgui_calls{{GUI_CAL_REDRAW_CHARTS, "1"}}));

    // Level 4 takes part in no computation: the 1000 ppb sample is no 100 ppb one.
    EXPECT_TRUE(double_is_undefined(Tfluo_calibration_calc::meanSignal(run->grid(), 'A', LAMP_A, 100)));

    std::vector<const Tfluo_sample*> listed;
    EXPECT_EQ(run->collectSamples(&listed), 3u);
    EXPECT_EQ(listed[0]->tracer, TRACER_EOSINE);
    EXPECT_EQ(listed[2]->tracer, TRACER_AMINO_G_ACID);

    recorded::clear_log();
    run->listGrid();
    EXPECT_EQ(recorded::log_lines().at(0), "[A]   10   1.000 2.000 3.000 4.000 ");
    EXPECT_EQ(recorded::log_lines().at(1), "[A] 1000   1.000 2.000 3.000 4.000 ");
    EXPECT_EQ(recorded::log_lines().at(2), "[C]    0   1.000 2.000 3.000 4.000 ");

    recorded::clear_log();
    run->clearSamples();
    EXPECT_EQ(run->grid().count(), 0u);
    EXPECT_EQ(recorded::cleared_channels(), (std::vector<int>{OUTPUT_CHANNEL_MAIN, OUTPUT_CHANNEL_CALIBRATION_RAW}));
    EXPECT_EQ(host.shown_counts.back(), 0u);
}

TEST_F(CalibrationRun, ReadingsPlotTheLampOfTheSolutionInAMovingWindow)
{
    recorded::set_gui_value(GUI_CAL_TRACER, "Water");
    recorded::set_gui_value(GUI_CAL_CONCENTRATION, "0 NTU");
    for (int i = 0; i < 10; ++i) {
        const float d[4] = {1, 2, 3, static_cast<float>(10 + i)};
        store(TRACER_WATER, CONCENTRATION_0_NTU, d);
    }
    // Water plots lamp T, at most 8 points, the newest last.
    EXPECT_EQ(run->series().count(), 8u);
    Tsample_point p;
    run->series().getPoint(&p, 7);
    EXPECT_EQ(p.y, 19.0);
    EXPECT_EQ(p.x, NOON_2026_12_10);
    run->series().getPoint(&p, 0);
    EXPECT_EQ(p.y, 12.0);
    EXPECT_EQ(host.plotted_counts.back(), 8u);

    // Another tracer empties the plot before its first point: lamp A, at most 4.
    recorded::set_gui_value(GUI_CAL_TRACER, "Uranine");
    const float first[4] = {50, 2, 3, 4};
    store(TRACER_URANINE, CONCENTRATION_10_PPB, first);
    EXPECT_EQ(run->series().count(), 1u);
    run->series().getPoint(&p, 0);
    EXPECT_EQ(p.y, 50.0);
    for (int i = 0; i < 5; ++i)
        store(TRACER_URANINE, CONCENTRATION_10_PPB, first);
    EXPECT_EQ(run->series().count(), 4u);
    EXPECT_EQ(run->shown_tracer, TRACER_URANINE);

    // An undefined lamp value plots nothing; no tracer chosen plots nothing.
    recorded::clear_gui();
    const size_t before = host.plotted_counts.size();
    Tfluo_sample empty;
    run->takeReading(&empty);
    EXPECT_EQ(host.plotted_counts.size(), before);
    const Tgui_calls after_reading = {
        {GUI_CAL_NEW_DATA, "2"}, {GUI_CAL_STORE_BUTTON, "enabled"}, {GUI_CAL_REDRAW_CHARTS, "1"}};
    EXPECT_EQ(last_gui_calls(3), after_reading);
}

TEST_F(CalibrationRun, ProbeLinesAndReadingRequests)
{
    run->requestReading();
    EXPECT_EQ(host.requests, (std::vector<unsigned char>{79}));
    EXPECT_TRUE(recorded::log_contains("OnAcq"));
    recorded::clear_log();
    const std::string line = "A 2 0 10 0 0 0 0 100\r\n";
    run->onProbeText(line.data(), static_cast<unsigned>(line.size()));
    EXPECT_EQ(recorded::log_lines().at(0), "RX : A 2 0 10 0 0 0 0 100");
    EXPECT_FLOAT_EQ(run->current().delta[LAMP_A], 8 * 625.0f / 64);  // one count of the high word is 625 / 64 mV
    run->onProbeText(nullptr, 0);
    EXPECT_TRUE(float_is_undefined(run->current().delta[LAMP_A]));

    run->setSerialFromText("4321");
    run->setModelFromText("vexl px-1");
    run->setConfigurationFromText(nullptr);
    EXPECT_EQ(run->serial, 4321u);
    EXPECT_EQ(run->model, 1);
    EXPECT_EQ(run->configuration, 0);
    const Tgui_calls tail = {
        {GUI_CAL_SERIAL, "4321"}, {GUI_CAL_MODEL, "VEXL PX-1"}, {GUI_CAL_CONFIGURATION, "XXXXXX_configuration_undefined"}};
    EXPECT_EQ(last_gui_calls(3), tail);

    Tmy_string name;
    run->makeFileName(&name, false);
    EXPECT_STREQ(name.c_str(), "calibration_4321_20261210.xml");
}

}  // namespace
