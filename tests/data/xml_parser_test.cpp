#include "data/xml_parser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdint>
#include <map>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "base/xml.h"
#include "data/flash_parser_data.h"
#include "tests/support/recording_program.h"
#include "tests/support/temp_dir.h"

namespace {

// What a fixture's .slots file says the reader must produce: the station, the
// number of time steps, and per step every valid slot and the raw texts.
struct Texpected_step {
    std::map<unsigned, std::pair<double, int64_t>> slots;
    std::vector<std::string> raw;
};

struct Texpected {
    unsigned station = 0;
    std::vector<Texpected_step> steps;
};

Texpected read_expected(const std::string& path)
{
    Texpected expected;
    std::istringstream in(read_file_bytes(path));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string first;
        fields >> first;
        if (first == "station") {
            fields >> expected.station;
        } else if (first == "steps") {
            std::size_t count = 0;
            fields >> count;
            expected.steps.resize(count);
        } else {
            const std::size_t step = std::stoul(first);
            EXPECT_LT(step, expected.steps.size()) << line;
            if (step >= expected.steps.size())
                continue;
            std::string second;
            fields >> second;
            if (second == "raw") {
                std::string text;
                std::getline(fields >> std::ws, text);
                expected.steps[step].raw.push_back(text);
            } else {
                double value = 0;
                int64_t integer = 0;
                fields >> value >> integer;
                EXPECT_FALSE(fields.fail()) << line;
                expected.steps[step].slots[static_cast<unsigned>(std::stoul(second))] = {value, integer};
            }
        }
    }
    return expected;
}

// The steps as the list holds them; the positional index must hold the same
// steps in the same order.
std::vector<const Tflash_parser_data*> steps_of(Txml_parser& reader)
{
    std::vector<const Tflash_parser_data*> steps;
    for (const Tlist::Tnode* node = reader.timeSteps()->nodeAt(0); node; node = node->next)
        steps.push_back(static_cast<const Tflash_parser_data*>(node->item));
    EXPECT_EQ(reader.stepCount(), static_cast<int>(steps.size()));
    for (std::size_t i = 0; i < steps.size(); ++i)
        EXPECT_EQ(reader.stepAt(static_cast<int>(i)), steps[i]) << "position " << i;
    EXPECT_EQ(reader.stepAt(-1), nullptr);
    EXPECT_EQ(reader.stepAt(reader.stepCount()), nullptr);
    return steps;
}

// Every slot of the step against the expected ones: listed slots hold their
// values, all others are invalid and cleared.
void expect_step(const Tflash_parser_data* step, const Texpected_step& expected)
{
    for (unsigned slot = 0; slot < flash_parser_slot_count; ++slot) {
        SCOPED_TRACE("slot " + std::to_string(slot));
        const Tflash_parser_value got = step->slot(slot);
        const auto it = expected.slots.find(slot);
        if (it == expected.slots.end()) {
            EXPECT_FALSE(got.valid);
            EXPECT_FALSE(step->isValid(slot));
            continue;
        }
        EXPECT_TRUE(got.valid);
        EXPECT_NEAR(got.value, it->second.first, std::fabs(it->second.first) * 1e-12);
        EXPECT_EQ(got.integer, it->second.second);
    }
    EXPECT_EQ(step->validCount(), expected.slots.size());
    ASSERT_EQ(step->rawCount(), static_cast<int>(expected.raw.size()));
    for (int i = 0; i < step->rawCount(); ++i)
        EXPECT_STREQ(step->rawAt(i)->text.c_str(), expected.raw[static_cast<std::size_t>(i)].c_str());
}

std::string fixture(const std::string& name)
{
    return source_path("tests/data/fixtures/measurement/" + name);
}

// A measurement file (under tests/data/fixtures) and the .slots file beside the
// reader's fixtures that says what it holds; the flash parser's golden outputs
// are read back too.
struct Tslots_case {
    const char* xml;
    const char* slots;
};

void PrintTo(const Tslots_case& param, std::ostream* out)
{
    *out << param.xml;
}

class Txml_parser_fixture : public testing::TestWithParam<Tslots_case> {};

TEST_P(Txml_parser_fixture, ReadsExactlyTheExpectedSlots)
{
    const Texpected expected = read_expected(fixture(std::string(GetParam().slots) + ".slots"));
    Txml_parser reader;
    ASSERT_EQ(reader.parseFile(source_path(std::string("tests/data/fixtures/") + GetParam().xml).c_str()), 0);
    EXPECT_EQ(reader.stationId(), expected.station);
    const std::vector<const Tflash_parser_data*> steps = steps_of(reader);
    ASSERT_EQ(steps.size(), expected.steps.size());
    for (std::size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE("time step " + std::to_string(i));
        expect_step(steps[i], expected.steps[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Measurement, Txml_parser_fixture,
    testing::Values(Tslots_case{"measurement/families.xml", "families"},
                    Tslots_case{"measurement/timestamp_info_only.xml", "timestamp_info_only"},
                    Tslots_case{"measurement/no_download.xml", "no_download"},
                    Tslots_case{"flash/values.xml", "flash_values"},
                    Tslots_case{"flash/fluorometer.xml", "flash_fluorometer"},
                    Tslots_case{"flash/short.xml", "flash_short"},
                    Tslots_case{"flash/crc.xml", "flash_crc"},
                    Tslots_case{"flash/gps.xml", "flash_gps"}),
    [](const testing::TestParamInfo<Tslots_case>& param_info) { return std::string(param_info.param.slots); });

TEST(Txml_parser, UnreadableFileLeavesNothingOfThePreviousOne)
{
    Ttemp_dir dir;
    const std::string broken = dir.file("broken.xml");
    ASSERT_TRUE(write_file_bytes(broken, "<FLASH_CONTENT><DATA><time v=\"1\"></DATA>"));
    for (const std::string& path : {broken, dir.file("missing.xml")}) {
        SCOPED_TRACE(path);
        Txml_parser reader;
        ASSERT_EQ(reader.parseFile(fixture("families.xml").c_str()), 0);
        ASSERT_EQ(reader.timeSteps()->count(), 3);
        ASSERT_EQ(reader.stepCount(), 3);
        EXPECT_EQ(reader.parseFile(path.c_str()), 1);
        EXPECT_EQ(reader.timeSteps()->count(), 0);
        EXPECT_EQ(reader.stepCount(), 0);
        EXPECT_EQ(reader.stepAt(0), nullptr);
        EXPECT_EQ(reader.stationId(), 0u);
        EXPECT_EQ(reader.sourcePath(), "");
    }
    Txml_parser reader;
    EXPECT_EQ(reader.parseFile(nullptr), 1);
}

TEST(Txml_parser, NextFileReplacesTheTimeSteps)
{
    Txml_parser reader;
    ASSERT_EQ(reader.parseFile(fixture("families.xml").c_str()), 0);
    ASSERT_EQ(reader.parseFile(fixture("no_download.xml").c_str()), 0);
    const std::vector<const Tflash_parser_data*> steps = steps_of(reader);
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0]->typeSlot(128).integer, 100);
    EXPECT_EQ(reader.stationId(), 0u);
    EXPECT_EQ(reader.sourcePath(), fixture("no_download.xml"));
}

// Enough steps that the index grows several times while the file is read.
TEST(Txml_parser, IndexFindsEveryStepOfALongFileByPosition)
{
    Ttemp_dir dir;
    std::string text = "<FLASH_CONTENT><DATA>";
    constexpr int count = 5000;
    for (int i = 0; i < count; ++i)
        text += "<time v=\"" + std::to_string(1000 + i) + "\"><a145 v=\"" + std::to_string(i) + ".5\"/></time>";
    text += "</DATA></FLASH_CONTENT>";
    const std::string path = dir.file("long.xml");
    ASSERT_TRUE(write_file_bytes(path, text));
    Txml_parser reader;
    ASSERT_EQ(reader.parseFile(path.c_str()), 0);
    ASSERT_EQ(reader.stepCount(), count);
    for (int i : {0, 1, 1023, 1024, 2047, 2048, count - 1}) {
        ASSERT_NE(reader.stepAt(i), nullptr) << i;
        EXPECT_EQ(reader.stepAt(i)->typeSlot(128).integer, 1000 + i) << i;
        EXPECT_EQ(reader.stepAt(i)->typeSlot(145).value, i + 0.5) << i;
    }
    EXPECT_EQ(reader.stepAt(count), nullptr);
}

// A measurement file as the writer lays it out, with three time steps and a
// timestamp_info after the second.
std::string written_measurement()
{
    std::string text = "\xEF\xBB\xBF<?xml version='1.0' encoding='utf-8' ?>\r\n<FLASH_CONTENT>\r\n"
                       "    <DOWNLOAD timestamp=\"1\" station_id=\"42\"/>\r\n<DATA>\r\n";
    for (int i = 1; i <= 3; ++i) {
        text += "<time v=\"" + std::to_string(i * 100) + "\" iso=\"x\"  >\r\n";
        text += "    <a145 v=\"" + std::to_string(i) + ".5\"/>\r\n    <a146 v=\"&#55;\"/>\r\n</time>\r\n";
        if (i == 2)
            text += "<timestamp_info information=\"fast\" value=\"1\"/>\r\n";
    }
    return text + "</DATA>\r\n</FLASH_CONTENT>\r\n";
}

// A file that ends inside its document gives the time steps before the cut,
// with a WARNING line naming the byte where it ends; a step the cut went
// through is left out.
TEST(Txml_parser, FileCutShortGivesItsWholeStepsWithAWarning)
{
    const std::string whole = written_measurement();
    const std::size_t third = whole.find("<time v=\"300\"");
    const std::size_t third_end = whole.find("</time>", third) + std::strlen("</time>");
    const std::size_t data_end = whole.find("</DATA>") + std::strlen("</DATA>");
    struct Tcut {
        const char* where;
        std::size_t length;
        int steps;
    };
    const Tcut cuts[] = {
        {"inside the last end tag", whole.size() - 3, 3},
        {"after the DATA end tag", data_end + 2, 3},
        {"right after the DATA end tag", data_end, 3},
        {"inside the DATA end tag", data_end - 3, 3},
        {"right after the last time's end tag", third_end, 3},
        {"inside the last time's end tag", third_end - 2, 2},
        {"inside an attribute of the last time", whole.find("3.5", third) + 1, 2},
        {"inside the last time's start tag", third + 8, 2},
        {"right after the timestamp_info", third - 2, 2},
        {"inside the second time", whole.find("<a146", whole.find("<time v=\"200\"")) + 3, 1},
    };
    Ttemp_dir dir;
    for (const Tcut& cut : cuts) {
        SCOPED_TRACE(cut.where);
        const std::string path = dir.file("cut.xml");
        ASSERT_TRUE(write_file_bytes(path, whole.substr(0, cut.length)));
        recorded::clear_log();
        Txml_parser reader;
        ASSERT_EQ(reader.parseFile(path.c_str()), 0);
        ASSERT_EQ(reader.stepCount(), cut.steps);
        EXPECT_EQ(reader.stationId(), 42u);
        for (int i = 0; i < cut.steps; ++i) {
            EXPECT_EQ(reader.stepAt(i)->typeSlot(128).integer, (i + 1) * 100);
            EXPECT_EQ(reader.stepAt(i)->typeSlot(145).value, i + 1.5);
            EXPECT_EQ(reader.stepAt(i)->typeSlot(146).value, 7);
        }
        EXPECT_TRUE(recorded::log_contains("WARNING : measurement file " + path + " is cut at byte " +
                                           std::to_string(cut.length) + ": the " + std::to_string(cut.steps) +
                                           " complete time steps before it are read"));
    }
    // The whole file: no warning.
    const std::string path = dir.file("whole.xml");
    ASSERT_TRUE(write_file_bytes(path, whole));
    recorded::clear_log();
    Txml_parser reader;
    ASSERT_EQ(reader.parseFile(path.c_str()), 0);
    EXPECT_EQ(reader.stepCount(), 3);
    EXPECT_FALSE(recorded::log_contains("WARNING"));
}

// The v attributes of the time elements that the reader's index passes on.
std::vector<std::string> indexed_times(const Txml_parser& reader, bool* whole, std::string* error)
{
    std::vector<std::string> seen;
    *whole = reader.timeIndex().forEachTime([&](pugi::xml_node time) { seen.push_back(time.attribute("v").value()); },
                                            error);
    return seen;
}

// The index points at each step's time tag, and a second pass through it
// gives the elements the steps were built from, also across the blocks it
// reads the file in, past a step larger than a block, after a byte order
// mark and up to a cut.
TEST(Txml_parser, TimeIndexPassesTheStepsElementsAgain)
{
    std::string long_file = "<FLASH_CONTENT><DATA>\n";
    for (int i = 0; i < 40000; ++i) {
        long_file += "<time v=\"" + std::to_string(i) + "\"><a145 v=\"1.5\"/></time>\n";
        if (i == 20000)
            long_file += "<time v=\"big\"><a145 v=\"" + std::string(3u << 20, '7') + "\"/></time><!-- <time -->\n";
    }
    long_file += "</DATA></FLASH_CONTENT>";
    const std::string written = written_measurement();
    const std::string cut = written.substr(0, written.find("3.5") + 1);
    std::string latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><FLASH_CONTENT><DATA>"
                         "<time v=\"caf\xE9\"/><time v=\"\xE9t\xE9\"/></DATA></FLASH_CONTENT>";
    const std::string texts[] = {long_file, written, cut, latin1};
    Ttemp_dir dir;
    for (const std::string& text : texts) {
        SCOPED_TRACE(text.substr(0, 60));
        const std::string path = dir.file("indexed.xml");
        ASSERT_TRUE(write_file_bytes(path, text));
        Txml_parser reader;
        ASSERT_EQ(reader.parseFile(path.c_str()), 0);
        const Tmeasurement_time_index& index = reader.timeIndex();
        ASSERT_EQ(index.count(), static_cast<std::size_t>(reader.stepCount()));
        std::vector<std::string> expected;
        for (std::size_t at = text.find("<time v=\""), i = 0; at != std::string::npos && i < index.count();
             at = text.find("<time v=\"", at + 1), ++i) {
            EXPECT_EQ(index.offsetAt(i), at);
            const std::size_t value = at + std::strlen("<time v=\"");
            expected.push_back(text.substr(value, text.find('"', value) - value));
        }
        bool whole = false;
        std::string error;
        EXPECT_EQ(indexed_times(reader, &whole, &error), expected);
        EXPECT_TRUE(whole) << error;
    }
}

// A file that is no longer the one that was read is not read again as if it
// were: a grown file, a file gone.
TEST(Txml_parser, TimeIndexRefusesAFileChangedSinceTheLoad)
{
    Ttemp_dir dir;
    const std::string path = dir.file("changing.xml");
    ASSERT_TRUE(write_file_bytes(path, written_measurement()));
    Txml_parser reader;
    ASSERT_EQ(reader.parseFile(path.c_str()), 0);
    ASSERT_TRUE(write_file_bytes(path, "<!-- written again -->" + written_measurement()));
    bool whole = true;
    std::string error;
    EXPECT_TRUE(indexed_times(reader, &whole, &error).empty());
    EXPECT_FALSE(whole);
    EXPECT_EQ(error, "has changed since it was read");
    ASSERT_EQ(std::remove(path.c_str()), 0);
    EXPECT_TRUE(indexed_times(reader, &whole, &error).empty());
    EXPECT_FALSE(whole);
    EXPECT_EQ(error, "does not exist");
}

// What is not measurement XML stays refused: a fault before the end of the
// file, a file cut before its DATA element, no XML at all.
TEST(Txml_parser, FileThatIsNoMeasurementXmlIsRefused)
{
    const std::string whole = written_measurement();
    std::string damaged = whole;
    damaged.replace(damaged.find("<a146"), 5, "<a146<");
    const std::string texts[] = {
        damaged,
        whole.substr(0, whole.find("<DATA>") + 3),
        "",
        "not XML at all",
        "\x00\x01\x02 binary",
    };
    Ttemp_dir dir;
    for (const std::string& text : texts) {
        SCOPED_TRACE(text.substr(0, 40));
        const std::string path = dir.file("refused.xml");
        ASSERT_TRUE(write_file_bytes(path, text));
        Txml_parser reader;
        EXPECT_EQ(reader.parseFile(path.c_str()), 1);
        EXPECT_EQ(reader.stepCount(), 0);
        EXPECT_EQ(reader.sourcePath(), "");
    }
    // A folder opens like a file, but has no length to read by.
    Txml_parser reader;
    EXPECT_EQ(reader.parseFile(dir.path().c_str()), 1);
    EXPECT_EQ(reader.stepCount(), 0);
}

TEST(Txml_parser, FilterDocumentIsLoadedAndLogged)
{
    Ttemp_dir dir;
    const std::string path = dir.file("filter.xml");
    ASSERT_TRUE(write_file_bytes(path, "<FILTER><COLUMN entity=\"a145\" attribute=\"v\"/></FILTER>"));
    Txml_parser reader;
    EXPECT_EQ(reader.getFilterRoot(), nullptr);
    recorded::clear_log();
    EXPECT_EQ(reader.loadFilter(path.c_str()), 0);
    EXPECT_STREQ(xml_GetName(reader.getFilterRoot()), "FILTER");
    EXPECT_TRUE(recorded::log_contains("<COLUMN entity=\"a145\""));
    EXPECT_EQ(reader.loadFilter(dir.file("missing.xml").c_str()), 0);
    EXPECT_EQ(reader.getFilterRoot(), nullptr);
}

// A filter of a great many elements is logged by its first ones and a count
// of the rest: the whole tree took the window seconds to show.
TEST(Txml_parser, BigFilterIsLoggedByItsFirstElementsAndACount)
{
    Ttemp_dir dir;
    const std::string path = dir.file("filter.xml");
    std::string text = "<FILTER type=\"match\">";
    constexpr int columns = 200000;
    for (int i = 0; i < columns; ++i)
        text += "<COLUMN name=\"c" + std::to_string(i) + "\" element=\"a145\" attribute=\"v\"/>";
    text += "</FILTER>";
    ASSERT_TRUE(write_file_bytes(path, text));
    Txml_parser reader;
    recorded::clear_log();
    EXPECT_EQ(reader.loadFilter(path.c_str()), 0);
    const std::vector<std::string> lines = recorded::log_lines();
    ASSERT_EQ(lines.size(), 202u);  // the root, 199 columns, the count, the end tag
    EXPECT_EQ(lines[0], "<FILTER type=\"match\" >");
    EXPECT_EQ(lines[199].rfind("    <COLUMN name=\"c198\"", 0), 0u) << lines[199];
    EXPECT_EQ(lines[200], "    ... " + std::to_string(columns - 199) + " more elements not shown");
    EXPECT_EQ(lines[201], "</FILTER>");
    // The filter itself is whole.
    int count = 0;
    for (Txml_element column = xml_FirstChildEntity(reader.getFilterRoot()); column; column = xml_NextEntity(column))
        ++count;
    EXPECT_EQ(count, columns);
}

// The packed store against a plain array over random sets of slots, with both
// ends of each word of the presence mask among them.
TEST(Tflash_parser_data, KeepsExactlyTheValidSlotsOfAFullArray)
{
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        Tflash_parser_value full[flash_parser_slot_count];
        Tflash_parser_value reference[flash_parser_slot_count];
        for (unsigned slot = 0; slot < flash_parser_slot_count; ++slot) {
            const bool edge = slot == 0 || slot == 63 || slot == 64 || slot == flash_parser_slot_count - 1;
            if (random() % (round % 5 + 2) == 0 || (edge && round % 2 == 0)) {
                full[slot] = {slot + 0.5, static_cast<int64_t>(random()) - (int64_t{1} << 40), true, random() % 2 == 0};
                reference[slot] = full[slot];
            }
        }
        Tflash_parser_data step;
        ASSERT_TRUE(step.take(full));
        unsigned valid = 0;
        for (unsigned slot = 0; slot < flash_parser_slot_count; ++slot) {
            const Tflash_parser_value got = step.slot(slot);
            ASSERT_EQ(got.valid, reference[slot].valid) << "slot " << slot;
            EXPECT_EQ(got.value, reference[slot].value) << "slot " << slot;
            EXPECT_EQ(got.integer, reference[slot].integer) << "slot " << slot;
            EXPECT_EQ(got.integral, reference[slot].integral) << "slot " << slot;
            EXPECT_FALSE(full[slot].valid) << "the full array is cleared for the next step";
            valid += got.valid ? 1u : 0u;
        }
        EXPECT_EQ(step.validCount(), valid);
        EXPECT_FALSE(step.slot(flash_parser_slot_count).valid);
        EXPECT_FALSE(step.typeSlot(192).valid);
    }
}

}  // namespace
