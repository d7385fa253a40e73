#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "base/log.h"
#include "base/my_string.h"
#include "base/xml.h"
#include "data/eeprom_configurer.h"
#include "tests/support/recording_program.h"
#include "tests/support/temp_dir.h"

namespace {

using Bytes = std::vector<unsigned char>;

std::string fixture(const std::string& name)
{
    return source_path("tests/data/fixtures/bytecode/" + name);
}

// Hex pairs of a fixture; "#" starts a comment that runs to the end of the line.
Bytes read_hex_fixture(const std::string& name)
{
    const std::string text = read_file_bytes(fixture(name));
    Bytes bytes;
    std::string digits;
    bool comment = false;
    for (const char c : text) {
        if (c == '\n')
            comment = false;
        else if (c == '#')
            comment = true;
        else if (!comment && std::isxdigit(static_cast<unsigned char>(c)))
            digits += c;
        if (digits.size() == 2) {
            bytes.push_back(static_cast<unsigned char>(std::stoul(digits, nullptr, 16)));
            digits.clear();
        }
    }
    return bytes;
}

Bytes written_bytes(const Teeprom_configurer& image, unsigned page)
{
    Bytes bytes;
    for (unsigned i = 0; i < image.getPageLength(page); ++i)
        bytes.push_back(image.byteAt(page, i));
    return bytes;
}

// Compiles the instructions inside <S>...</S> as a sequence body at page 0,
// closed by the end instruction as the sequence record closes it.
struct Tcompiled {
    bool failed = false;
    Bytes bytes;
};

Tcompiled compile_body(const std::string& body, bool layout_32)
{
    myXMLdocument doc;
    const std::string text = "<S>" + body + "</S>";
    Txml_element root = xml_ParseText(text.c_str(), &doc);
    EXPECT_NE(root, nullptr) << body;
    Teeprom_configurer image;
    image.set32bitLayout(layout_32);
    Tcompiled result;
    result.failed = image.compileBlock(root);
    result.bytes = written_bytes(image, 0);
    return result;
}

// The text form of a sequence, or null text when the writer refused it.
struct Twritten {
    bool refused = false;
    std::string text;
};

Twritten write_text(const Bytes& bytes)
{
    Tmy_string text("kept ");
    Twritten result;
    result.refused = Teeprom_configurer::writeSequenceText(&text, static_cast<unsigned>(bytes.size()), bytes.data());
    const std::string all = text.c_str();
    EXPECT_EQ(all.substr(0, 5), "kept ");
    result.text = all.substr(5);
    return result;
}

Bytes with_end(Bytes bytes)
{
    bytes.push_back(0x00);
    return bytes;
}

std::string hex(const Bytes& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 0x0F];
        out += ' ';
    }
    return out;
}

// --- compiler -------------------------------------------------------------------

struct Tgolden {
    const char* xml;
    const char* hex;
    bool layout_32;
};

void PrintTo(const Tgolden& golden, std::ostream* out)
{
    *out << golden.xml;
}

class BytecodeGolden : public ::testing::TestWithParam<Tgolden> {};

TEST_P(BytecodeGolden, StationCompilesToThePageBytesWorkedOutByHand)
{
    const Tgolden& golden = GetParam();
    myXMLdocument doc;
    Txml_element station = xml_LoadFile(fixture(golden.xml).c_str(), &doc);
    ASSERT_NE(station, nullptr);
    Teeprom_configurer image;
    recorded::clear_log();
    EXPECT_EQ(image.parseStation(station, 1, "1234", golden.layout_32), 0);
    EXPECT_EQ(hex(written_bytes(image, 1)), hex(read_hex_fixture(golden.hex)));
    EXPECT_FALSE(recorded::log_contains("ERROR"));
}

INSTANTIATE_TEST_SUITE_P(BothDialects, BytecodeGolden,
                         ::testing::Values(Tgolden{"classic.xml", "classic.hex", false},
                                           Tgolden{"klvr32.xml", "klvr32.hex", true}),
                         [](const ::testing::TestParamInfo<Tgolden>& param_info) {
                             return std::string(param_info.param.layout_32 ? "klvr32" : "classic");
                         });

struct Tinstruction_case {
    bool layout_32;
    const char* body;
    Bytes bytes;
};

// Single instructions and their corner values, bytes worked out from the
// instruction table.
TEST(BytecodeCompiler, InstructionsGiveTheirBytes)
{
    const Tinstruction_case cases[] = {
        {true, "<ACQ32 module='17' header='1' channel='13'/>", {0x51, 0x01, 0x0D}},
        {true, "<ACQ32 module='17' header='1' channel='13' threshold='2.5' compare='LT'/>",
         {0x51, 0xC1, 0x0D, 0x40, 0x20, 0x00, 0x00}},
        // Counting headers store the integer, the others the single.
        {true, "<ACQ32 module='1' header='35' channel='0' threshold='1000'/>", {0x41, 0xA3, 0x00, 0x00, 0x00, 0x03, 0xE8}},
        {true, "<ACQ32 module='1' header='34' channel='0' threshold='1000'/>", {0x41, 0xA2, 0x00, 0x44, 0x7A, 0x00, 0x00}},
        {true, "<ACQ32 module='1' header='47' channel='0' threshold='4294967295'/>",
         {0x41, 0xAF, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}},
        // An integer threshold that is no unsigned number counts as absent.
        {true, "<ACQ32 module='1' header='38' channel='0' threshold='2.5'/>", {0x41, 0x26, 0x00}},
        {true, "<ACQ32 interface='33' module='2' header='0' channel='200'/>", {0x41, 0x00, 0xC8}},
        {true, "<ACTION32 module='40' and='5' or='1'/>", {0x98, 0x85, 0x01}},
        {true, "<ACTION32 interface='63' and='255' or='7'/>", {0x9F, 0xFF, 0x07}},
        {true, "<ACTION32 module='15' and='200' or='300'/>", {0x6F, 0xC8, 0x2C}},
        {true, "<CONFIG32 parameter_number='2' value_hex='0A0B'/>", {0xFF, 0x02, 0x00, 0x00, 0x0A, 0x0B}},
        {true, "<CONFIG32 module='5' parameter_number='1' value='1' byte0='9' byte3='128'/>",
         {0xC5, 0x01, 0x80, 0x00, 0x00, 0x09}},
        {true, "<TIMEOUT value='17'/>", {0x11}},
        {true, "<TIMEOUT timeout='3' value='9'/>", {0x13}},
        {true, "<WAIT timeout='33'/>", {0xA1}},
        {true, "<EXEC value='always'/><EXEC value='CNTLAST'/><EXEC value='var0=2'/><EXEC value='nonsense'/>",
         {0x21, 0x30, 0x36, 0x20}},
        {true, "<ACQ_STORE value='6'/>", {0x8A}},
        {true, "<LOOP/>", {0x05, 0x00, 0x01, 0x06}},
        {true, "<LOOP counter='300'><WAIT timeout='10'/></LOOP>", {0x05, 0x01, 0x2C, 0xAA, 0x06}},
        {true, "<LOOP counter='65537'><LOOP counter='-1'/></LOOP>", {0x05, 0x00, 0x01, 0x05, 0xFF, 0xFF, 0x06, 0x06}},
        {false, "<ACQ port='17' header='64' channel='31' timeout='18'/>", {0xD1, 0x00, 0x2F}},
        {false, "<ACQ header='40' threshold='70000'/>", {0xD0, 0xA8, 0x00, 0x00, 0x01, 0x11, 0x70}},
        {false, "<ACQ header='3' compare='lt'/>", {0xD0, 0x43, 0x00}},
        {false, "<ACQ_FLUO port='9' type='7' channel='17'/>", {0xC1, 0x31}},
        {false, "<ACQ_INSTRUMENT port='2' type='16' channel='7' threshold='-2'/>", {0xDA, 0x83, 0xC0, 0x00, 0x00, 0x00}},
        {false, "<CONDITIONAL_ACTION port='7' and='1' or='2'/>", {0x0F, 0x01, 0x02}},
        {false, "<CONDITIONAL_ACTION port='24' and='1' or='2'/>", {0x48, 0x01, 0x02}},
        {false, "<ACTION port='31' and='256' or='-1'/>", {0x1F, 0x00, 0xFF}},
        {false, "<PROBES_POWER state='18'/>", {0x92}},
        {false, "<VAR_WAIT duration='VAR3'/>", {0x60, 0x03}},
        {false, "<VAR_BIT_TEST var='var2' bit='31'/>", {0x77, 0xF2}},
        {false, "<VAR_SHIFT_RIGHT var='other' nbr='3'/>", {0x7C, 0x30}},
        {false, "<VAR_COPY src='var3' dest='var1'/>", {0x7E, 0x13}},
        {false, "<LOOP counter='2'><NOP/></LOOP>", {0x05, 0x00, 0x02, 0x84, 0x06}},
    };
    for (const Tinstruction_case& c : cases) {
        const Tcompiled compiled = compile_body(c.body, c.layout_32);
        EXPECT_FALSE(compiled.failed) << c.body;
        EXPECT_EQ(hex(compiled.bytes), hex(c.bytes)) << c.body;
    }
}

// Tenths of a volt are truncated, and decimal tenths are not pushed below their value.
TEST(BytecodeCompiler, BatteryThresholdInTenthsOfAVolt)
{
    const struct {
        const char* threshold;
        unsigned char tenths;
    } cases[] = {{"3.65", 36}, {"3.6", 36}, {"2.3", 23}, {"12.9", 129}, {"0.09", 0}, {"25.6", 0}, {"1e30", 0}};
    for (const auto& c : cases) {
        const Tcompiled compiled = compile_body(std::string("<ACQ_VBAT channel='3' threshold='") + c.threshold + "'/>", false);
        EXPECT_EQ(hex(compiled.bytes), hex(Bytes{0x83, c.tenths})) << c.threshold;
    }
}

TEST(BytecodeCompiler, TestConditionSkipsItsBranches)
{
    const Tcompiled with_else = compile_body(
        "<TEST_CONDITION condition='z=0'><ACTION port='1' and='0' or='2'/><ELSE_BLOCK><NOP/></ELSE_BLOCK></TEST_CONDITION>",
        false);
    EXPECT_FALSE(with_else.failed);
    EXPECT_EQ(hex(with_else.bytes), hex({0x6A, 0x05, 0x11, 0x00, 0x02, 0x6E, 0x01, 0x84}));

    const Tcompiled empty = compile_body("<TEST_CONDITION condition='z=1'/>", false);
    EXPECT_EQ(hex(empty.bytes), hex({0x68, 0x00}));

    // Nested: the inner condition is part of the outer else-part.
    const Tcompiled nested = compile_body("<TEST_CONDITION condition='z=1'><ELSE_BLOCK><TEST_CONDITION condition='z=0'>"
                                          "<NOP/></TEST_CONDITION><NOP/></ELSE_BLOCK></TEST_CONDITION>",
                                          false);
    EXPECT_FALSE(nested.failed);
    EXPECT_EQ(hex(nested.bytes), hex({0x68, 0x02, 0x6E, 0x04, 0x6A, 0x01, 0x84, 0x84}));
}

TEST(BytecodeCompiler, RefusedInstructionsWriteNothingAndAreNamedOnce)
{
    const struct {
        bool layout_32;
        const char* body;
        const char* named;
        Bytes bytes;
    } cases[] = {
        {true, "<ACQ header='1'/><WAIT timeout='1'/>", "\"ACQ\"", {}},
        {false, "<TIMEOUT timeout='1'/>", "\"TIMEOUT\"", {}},
        {true, "<TEST_CONDITION condition='z=1'/>", "\"TEST_CONDITION\"", {}},
        {false, "<TEST_CONDITION condition='z=2'><NOP/></TEST_CONDITION>", "\"TEST_CONDITION\"", {}},
        {false, "<NOP/><nop/><NOP/>", "\"nop\"", {0x84}},
        // The loop is closed and the block stops behind it; the inner element is named.
        {true, "<LOOP counter='1'><WAIT timeout='1'/><BOGUS/><WAIT timeout='2'/></LOOP><WAIT timeout='3'/>",
         "\"BOGUS\"",
         {0x05, 0x00, 0x01, 0xA1, 0x06}},
        // A failing then-part still gets its skip byte.
        {false, "<TEST_CONDITION condition='z=1'><NOP/><ACQ32/></TEST_CONDITION><NOP/>", "\"ACQ32\"", {0x68, 0x01, 0x84}},
        {false, "<TEST_CONDITION condition='z=1'><ELSE_BLOCK/><ELSE_BLOCK/></TEST_CONDITION>", "\"ELSE_BLOCK\"",
         {0x68, 0x02, 0x6E, 0x00}},
    };
    for (const auto& c : cases) {
        recorded::clear_log();
        const Tcompiled compiled = compile_body(c.body, c.layout_32);
        EXPECT_TRUE(compiled.failed) << c.body;
        EXPECT_EQ(hex(compiled.bytes), hex(c.bytes)) << c.body;
        const std::vector<std::string> lines = recorded::log_lines();
        ASSERT_EQ(lines.size(), 1u) << c.body;
        EXPECT_EQ(lines[0], std::string("ERROR : Teeprom_configurer, unknown element ") + c.named);
    }
}

TEST(BytecodeCompiler, CompileInstructionAnswersForOneElement)
{
    myXMLdocument doc;
    Txml_element root = xml_ParseText("<S><ACQ_TEXT index='3'/><ACQ port='1'/></S>", &doc);
    Teeprom_configurer image;
    image.set32bitLayout(true);
    EXPECT_TRUE(image.compileInstruction(xml_FirstChildEntity(root)));
    EXPECT_FALSE(image.compileInstruction(xml_NextEntity(xml_FirstChildEntity(root))));
    EXPECT_FALSE(image.compileInstruction(nullptr));
    EXPECT_EQ(hex(written_bytes(image, 0)), hex({0x01, 0x03}));
}

TEST(BytecodeCompiler, ConditionalAction32AboveModule15WarnsAndKeepsTheLowBits)
{
    recorded::clear_log();
    const Tcompiled compiled = compile_body("<CONDITIONAL_ACTION32 module='18' and='3' or='4'/>", true);
    EXPECT_FALSE(compiled.failed);
    EXPECT_EQ(hex(compiled.bytes), hex({0x72, 0x03, 0x04}));
    EXPECT_TRUE(recorded::log_contains("WARNING : !!!! module >15 for CONDITIONAL_ACTION32, NOT ALLOWED "));
}

// A full page stops the block: what did not fit sets the overflow flag and no
// instruction is written behind a cut one.
TEST(BytecodeCompiler, StopsAtTheUsableSize)
{
    std::string body;
    for (int i = 0; i < 60; ++i)
        body += "<CONFIG32 module='1' parameter_number='1' value='1'/>";
    myXMLdocument doc;
    Txml_element root = xml_ParseText(("<S>" + body + "<WAIT timeout='1'/></S>").c_str(), &doc);
    Teeprom_configurer image;
    image.set32bitLayout(true);
    image.compileBlock(root);
    EXPECT_TRUE(image.overflowed());
    EXPECT_LE(image.writePosition(), eeprom_usable_size);
    // 42 whole instructions fill 252 bytes; the 43rd gets its two first bytes.
    EXPECT_EQ(image.writePosition(), 253u);
    EXPECT_EQ(image.byteAt(0, 252), 0xC1);
}

// --- lengths and walkers -----------------------------------------------------

TEST(BytecodeLength, InstructionLengths)
{
    const struct {
        unsigned char opcode;
        unsigned char next;
        unsigned length;
    } cases[] = {
        {0x00, 0x00, 1}, {0x01, 0xFF, 2}, {0x02, 0, 1},    {0x03, 0, 1},    {0x04, 0, 5},    {0x05, 0, 3},
        {0x06, 0, 1},    {0x3F, 0, 1},    {0x40, 0x7F, 3}, {0x4A, 0x81, 7}, {0x4A, 0x01, 3}, {0x5F, 0x80, 7},
        {0x60, 0, 3},    {0x7F, 0, 3},    {0x80, 0, 1},    {0x8F, 0, 1},    {0x90, 0, 3},    {0x9F, 0, 3},
        {0xA0, 0, 1},    {0xBF, 0, 1},    {0xC0, 0, 6},    {0xFF, 0xFF, 6},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Teeprom_configurer::instructionLength(c.opcode, c.next), c.length)
            << std::hex << unsigned(c.opcode) << " " << unsigned(c.next);
}

// Page 1: a value record, sequence 0 whose CONFIG32 operands look like an
// ACQ32 and a TIMEOUT, sequence 2 with the real ones, then a text record whose
// bytes look like an ACQ32 too.
class BytecodeWalkers : public ::testing::Test {
protected:
    void SetUp() override
    {
        const Bytes page = {
            0x85, 0x00, 0x00, 0x02, 0x58,                    // 0: value record
            0x08, 0x0A,                                      // 5: sequence 0
            0xC1, 0x51, 0x01, 0x0D, 0x13, 0x00,              // 7: CONFIG32 with ACQ32- and TIMEOUT-like operands
            0x48, 0x02, 0x85,                                // 13: ACQ32 module 40, header 2, channel 5
            0x00,                                            // 16: end
            0x0A, 0x0C,                                      // 17: sequence 2
            0x51, 0xC1, 0x0D, 0x40, 0x20, 0x00, 0x00,        // 19: ACQ32 module 17 with threshold
            0x51, 0x01, 0x0D,                                // 26: ACQ32 module 17
            0x14,                                            // 29: TIMEOUT 4
            0x00,                                            // 30: end
            0x03, 0x03, 0x51, 0x01, 0x0E,                    // 31: text record
            0xFF,                                            // 36: end mark
        };
        image.loadPage(1, page.data(), static_cast<unsigned>(page.size()));
    }
    Teeprom_configurer image;
};

TEST_F(BytecodeWalkers, FindSequenceByType)
{
    EXPECT_EQ(image.findSequence(1, 0), 5);
    EXPECT_EQ(image.findSequence(1, 2), 17);
    EXPECT_EQ(image.findSequence(1, 1), eeprom_absent);
    EXPECT_EQ(image.findSequence(1, 3), eeprom_absent);
    EXPECT_EQ(image.findSequence(1, 7), 5);  // other types look for sequence 0
    EXPECT_EQ(image.findSequence(0, 0), eeprom_absent);
}

TEST_F(BytecodeWalkers, FindAcq32WalksByInstructionLengthWithinItsRecord)
{
    // From the record's offset: operands are skipped, so the CONFIG32's 51 01 0D is not found.
    EXPECT_EQ(image.findAcq32(1, 5, 1, 17, 13), eeprom_absent);
    EXPECT_EQ(image.findAcq32(1, 5, 2, 40, 5), 13);
    EXPECT_EQ(image.findAcq32(1, 5, 2, 8, 5), eeprom_absent);  // module 8 is not module 40
    // The header's low six bits are compared; the threshold flags are not part of it.
    EXPECT_EQ(image.findAcq32(1, 17, 0x41, 17, 13), 19);
    EXPECT_EQ(image.findAcq32(1, 19, 1, 17, 13), 19);
    EXPECT_EQ(image.findAcq32(1, 26, 1, 17, 13), 26);
    // The text record behind sequence 2 is not read as instructions.
    EXPECT_EQ(image.findAcq32(1, 17, 1, 17, 14), eeprom_absent);
    EXPECT_EQ(image.findAcq32(1, 29, 1, 17, 13), eeprom_absent);
    EXPECT_EQ(image.findAcq32(1, 255, 1, 17, 13), eeprom_absent);
    EXPECT_EQ(image.findAcq32(1, 0, 2, 40, 5), eeprom_absent);   // a value record
    EXPECT_EQ(image.findAcq32(1, 31, 1, 17, 14), eeprom_absent);  // not a sequence
    EXPECT_EQ(image.findAcq32(1, 6, 2, 40, 5), eeprom_absent);   // the length byte
}

TEST_F(BytecodeWalkers, SequenceTimeoutSkipsOperands)
{
    int timeout = -1;
    EXPECT_FALSE(image.getSequenceTimeout(1, 0, &timeout));  // only an operand looks like one
    EXPECT_TRUE(image.getSequenceTimeout(1, 2, &timeout));
    EXPECT_EQ(timeout, 4);
    EXPECT_FALSE(image.getSequenceTimeout(1, 1, &timeout));
    EXPECT_FALSE(image.getSequenceTimeout(1, 4, &timeout));
    EXPECT_FALSE(image.getSequenceTimeout(1, -1, &timeout));
    EXPECT_FALSE(image.getSequenceTimeout(1, 2, nullptr));
}

// A sequence record whose length runs past the page, full of instructions that
// extend beyond it: the walks end inside the page.
TEST(BytecodeWalkersBounds, RecordAtThePageEnd)
{
    Bytes page(256, 0xA0);
    page[0] = 0x08;
    page[1] = 0xFF;
    page[250] = 0x4A;
    page[251] = 0x81;  // a threshold that would run past byte 255
    Teeprom_configurer image;
    image.loadPage(2, page.data(), 256);
    int timeout = 0;
    EXPECT_FALSE(image.getSequenceTimeout(2, 0, &timeout));
    EXPECT_EQ(image.findAcq32(2, 0, 1, 10, 0), eeprom_absent);
    EXPECT_EQ(image.findAcq32(2, 250, 1, 10, 0x7F), eeprom_absent);
}

// --- text form -----------------------------------------------------------------

Tcompiled compile_text(const std::string& text)
{
    return compile_body(text, true);
}

TEST(BytecodeText, GoldenTextOfTheFixtureSequence)
{
    const Bytes page = read_hex_fixture("klvr32.hex");
    ASSERT_GT(page.size(), 3u);
    const Bytes sequence(page.begin() + 2, page.end() - 1);  // data of the record
    ASSERT_EQ(sequence.size(), static_cast<size_t>(page[1]));
    const Twritten written = write_text(sequence);
    EXPECT_FALSE(written.refused);
    golden_output("tests/data/fixtures/bytecode/klvr32.txt", written.text);
    EXPECT_EQ(written.text, read_file_bytes(fixture("klvr32.txt")));
    // The text compiles back to the very bytes.
    const Tcompiled again = compile_text(written.text);
    EXPECT_FALSE(again.failed);
    EXPECT_EQ(hex(with_end(again.bytes)), hex(sequence));
}

// Bytes as the compiler builds them: each is written and compiled again.
TEST(BytecodeText, RoundTripsExactly)
{
    const Bytes cases[] = {
        {0x00},
        {0x41, 0xA3, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x00},  // integer threshold 4294967295
        {0x41, 0xA3, 0x00, 0x00, 0x00, 0x00, 0x07, 0x00},  // 7, not a tiny float
        {0x41, 0xA3, 0x00, 0x3F, 0x80, 0x00, 0x00, 0x00},  // 1065353216, not 1.0
        {0x41, 0x81, 0x00, 0x3D, 0xCC, 0xCC, 0xCD, 0x00},  // 0.1
        {0x41, 0x81, 0x00, 0x33, 0xD6, 0xBF, 0x95, 0x00},  // 1e-7: six decimals would give 0
        {0x41, 0x81, 0x00, 0x3F, 0x9E, 0x06, 0x51, 0x00},  // 1.2345678: six decimals are not exact
        {0x41, 0x81, 0x00, 0xC7, 0xF1, 0x20, 0x0C, 0x00},  // -123456.09375
        {0x41, 0x81, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00},  // -0
        {0x41, 0xC1, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00},  // the smallest single, lt
        {0x41, 0x40, 0x00, 0x00},                          // lt without a threshold
        {0x05, 0x00, 0x00, 0x05, 0xFF, 0xFF, 0x06, 0x06, 0x00},
        {0x01, 0x0F, 0x04, 0x00, 0x3F, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0x00},
        {0x60, 0xFF, 0xFF, 0x9F, 0xFF, 0xFF, 0x90, 0x40, 0x00, 0x00},
        {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00},
        {0x10, 0x1F, 0x20, 0x3F, 0x81, 0x88, 0x8B, 0xA0, 0xBF, 0x00},
    };
    for (const Bytes& bytes : cases) {
        const Twritten written = write_text(bytes);
        ASSERT_FALSE(written.refused) << hex(bytes);
        const Tcompiled again = compile_text(written.text);
        EXPECT_FALSE(again.failed) << written.text;
        EXPECT_EQ(hex(with_end(again.bytes)), hex(bytes)) << written.text;
    }
}

// Random instruction strings: whatever the writer accepts compiles back to the
// same bytes, and most well-formed strings are accepted.
TEST(BytecodeText, AcceptedTextAlwaysRecompilesToTheSameBytes)
{
    std::mt19937 random(20231105);
    std::uniform_int_distribution<int> byte(0, 255);
    unsigned accepted = 0;
    const unsigned rounds = 2000;
    for (unsigned round = 0; round < rounds; ++round) {
        Bytes bytes;
        const int count = 1 + byte(random) % 8;
        for (int i = 0; i < count; ++i) {
            unsigned char op = static_cast<unsigned char>(byte(random));
            if (op == 0x00 || op == 0x05 || op == 0x06)
                op = 0xA5;  // loops are covered apart; an end inside is refused
            const unsigned char next = static_cast<unsigned char>(byte(random));
            bytes.push_back(op);
            const unsigned length = Teeprom_configurer::instructionLength(op, next);
            if (length > 1)
                bytes.push_back(next);
            for (unsigned k = 2; k < length; ++k)
                bytes.push_back(static_cast<unsigned char>(byte(random)));
        }
        bytes.push_back(0x00);
        const Twritten written = write_text(bytes);
        if (written.refused)
            continue;
        ++accepted;
        const Tcompiled again = compile_text(written.text);
        ASSERT_FALSE(again.failed) << written.text;
        ASSERT_EQ(hex(with_end(again.bytes)), hex(bytes)) << written.text;
    }
    EXPECT_GT(accepted, rounds / 10);
}

TEST(BytecodeText, IntegerThresholdIsPrintedAsAnInteger)
{
    const Twritten written = write_text({0x41, 0xAB, 0x00, 0x00, 0x00, 0x00, 0x07, 0x00});
    EXPECT_NE(written.text.find(" threshold=\"7\" "), std::string::npos) << written.text;
}

// Bytes that no element compiles back to: refused, nothing appended.
TEST(BytecodeText, RefusesWhatWouldNotRecompile)
{
    const Bytes cases[] = {
        {},                                      // no end
        {0xA1},                                  // no end
        {0xA1, 0x00, 0xA2, 0x00},                // end before the last byte
        {0x00, 0x00},
        {0x41, 0x81, 0x00, 0x00},                // threshold cut
        {0x41, 0x01},                            // channel byte missing
        {0xC1, 0x01, 0x02, 0x03, 0x00},          // CONFIG32 cut
        {0x04, 0x00, 0x01, 0x00},                // CONFIG32_VAR cut
        {0x05, 0x00, 0x01, 0x00},                // loop not closed
        {0x06, 0x00},                            // loop end without a loop
        {0x02, 0x00},                            // no instruction of this layout
        {0x0F, 0x00},
        {0x80, 0x00},
        {0x8C, 0x00},
        {0x01, 0x10, 0x00},                      // ACQ_TEXT keeps four bits
        {0x04, 0x01, 0x01, 0x01, 0x01, 0x00},    // CONFIG32_VAR with a second byte
        {0x04, 0x00, 0x40, 0x01, 0x01, 0x00},    // module beyond six bits
        {0x93, 0x05, 0x01, 0x00},                // modules below 16 use the other form
        {0x41, 0x81, 0x00, 0x7F, 0xC0, 0x00, 0x00, 0x00},  // NaN
        {0x41, 0x81, 0x00, 0x7F, 0x80, 0x00, 0x00, 0x00},  // infinity
    };
    for (const Bytes& bytes : cases) {
        const Twritten written = write_text(bytes);
        EXPECT_TRUE(written.refused) << hex(bytes);
        EXPECT_EQ(written.text, "") << hex(bytes);
    }
    Tmy_string text;
    const unsigned char end = 0;
    EXPECT_TRUE(Teeprom_configurer::writeSequenceText(&text, 1, nullptr));
    EXPECT_TRUE(Teeprom_configurer::writeSequenceText(nullptr, 1, &end));
}

}  // namespace
