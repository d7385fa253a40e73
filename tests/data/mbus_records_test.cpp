#include "data/mbus_records.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

using Tbytes = std::vector<uint8_t>;

Tbytes le32(uint32_t v)
{
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

// Eight decimal digits, type A (BCD), least significant byte first.
Tbytes bcd8(uint32_t decimal)
{
    Tbytes out;
    for (int i = 0; i < 4; ++i, decimal /= 100)
        out.push_back(static_cast<uint8_t>((decimal % 10) | ((decimal / 10 % 10) << 4)));
    return out;
}

// Type H (IEEE single), least significant byte first.
Tbytes real(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return le32(bits);
}

Tbytes operator+(Tbytes a, const Tbytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// An RSP_UD long frame (EN 13757-2) with CI 0x72 and its 12-byte fixed data
// header (EN 13757-3), then the data records, checksum and stop byte.
struct Tlong_frame {
    uint8_t ci = 0x72;
    uint32_t identification = 12345678;
    Tbytes records;
    struct Trecord_span {
        size_t position;
        size_t end;
    };
    std::vector<Trecord_span> spans;  // frame positions of each record

    static constexpr size_t RECORDS_START = 19;

    // DIB and VIB bytes, then the data.
    Tlong_frame& record(const Tbytes& dib_vib, const Tbytes& data)
    {
        const size_t position = RECORDS_START + records.size();
        records = records + dib_vib + data;
        spans.push_back({position, RECORDS_START + records.size()});
        return *this;
    }

    Tbytes bytes() const
    {
        Tbytes body = {0x08, 0x01, ci};
        body = body + bcd8(identification) + Tbytes{0x2D, 0x2C, 0x01, 0x04, 0x10, 0x00, 0x00, 0x00} + records;
        uint8_t checksum = 0;
        for (uint8_t b : body)
            checksum = static_cast<uint8_t>(checksum + b);
        const uint8_t l = static_cast<uint8_t>(body.size());
        return Tbytes{0x68, l, l, 0x68} + body + Tbytes{checksum, 0x16};
    }
};

std::vector<std::string> lines_of(const mbus_data& set)
{
    std::vector<std::string> out;
    for (int i = 0; i < set.lines.count(); ++i)
        out.emplace_back(static_cast<const Tmy_string*>(set.lines.itemAt(i))->c_str());
    return out;
}

std::vector<std::string> decode(const Tbytes& frame, mbus_data* set)
{
    mbus_decode_records(set, frame.data(), static_cast<unsigned>(frame.size()));
    return lines_of(*set);
}

}  // namespace

TEST(MbusRecords, DifVifScaling)
{
    const struct {
        Tbytes dib_vib;
        Tbytes data;
        const char* line;  // "" for a record that gives none
    } cases[] = {
        {{0x04, 0x03}, le32(12345678), " { Position=19, Length=6 :   energy=12345.678000} "},
        {{0x0C, 0x06}, bcd8(1234), " { Position=19, Length=6 :   energy=1234.000000} "},
        {{0x0C, 0x07}, bcd8(1234), " { Position=19, Length=6 :   energy=12340.000000} "},
        {{0x04, 0x06}, le32(77), " { Position=19, Length=6 :   energy=77.000000} "},
        {{0x04, 0x07}, le32(77), " { Position=19, Length=6 :   energy=770.000000} "},
        // 0x86 is kWh with an extension; only the correction extension 0x7D
        // (0xFD when another follows) multiplies it by 1000.
        {{0x04, 0x86, 0x7D}, le32(5), " { Position=19, Length=7 :   energy=5000.000000} "},
        {{0x04, 0x86, 0xFD, 0x3B}, le32(5), " { Position=19, Length=8 :   energy=5000.000000} "},
        {{0x04, 0x86, 0x3B}, le32(39831), " { Position=19, Length=7 :   energy=39831.000000} "},
        {{0x04, 0x86, 0xBB, 0x7D}, le32(5), " { Position=19, Length=8 :   energy=5.000000} "},
        {{0x0C, 0x86, 0x3B}, bcd8(1234), " { Position=19, Length=7 :   energy=1234.000000} "},
        {{0x04, 0x13}, le32(123456), " { Position=19, Length=6 :   volume=123.456000} "},
        {{0x04, 0x14}, le32(123456), " { Position=19, Length=6 :   volume=1234.560000} "},
        {{0x04, 0x15}, le32(123456), " { Position=19, Length=6 :   volume=12345.600000} "},
        {{0x0C, 0x13}, {0x65, 0x87, 0x09, 0x21}, " { Position=19, Length=6 :   volume=21098.765000} "},
        {{0x0C, 0x14}, bcd8(4321), " { Position=19, Length=6 :   volume=43.210000} "},
        {{0x0C, 0x15}, bcd8(4321), " { Position=19, Length=6 :   volume=432.100000} "},
        {{0x0C, 0x16}, bcd8(42), " { Position=19, Length=6 :   volume=42.000000} "},
        {{0x04, 0x16}, le32(42), " { Position=19, Length=6 :   volume=42.000000} "},
        {{0x05, 0x2E}, real(1.5f), " { Position=19, Length=6 :   power=1.500000} "},
        {{0x05, 0x3E}, real(0.25f), " { Position=19, Length=6 :   flow=0.250000} "},
        {{0x04, 0x59}, le32(6543), " { Position=19, Length=6 :   flow_temperature=65.43} "},
        {{0x05, 0x5B}, real(70.25f), " { Position=19, Length=6 :   flow temperature=70.25} "},
        {{0x05, 0x5F}, real(40.5f), " { Position=19, Length=6 :   return flow temperature=40.50} "},
        {{0x0C, 0x78}, bcd8(87654321), " { Position=19, Length=6 :   SNR=87654321} "},
        // Understood VIFs with another data field, storage number or tariff: no line.
        {{0x02, 0x13}, {0x10, 0x00}, ""},
        {{0x44, 0x13}, le32(1), ""},
        {{0x84, 0x10, 0x13}, le32(1), ""},
        {{0x04, 0x2B}, le32(1), ""},
        {{0x05, 0x2E}, real(std::numeric_limits<float>::quiet_NaN()), ""},
        {{0x05, 0x3E}, real(std::numeric_limits<float>::infinity()), ""},
    };
    for (const auto& c : cases) {
        Tlong_frame frame;
        frame.record(c.dib_vib, c.data);
        mbus_data set;
        const std::vector<std::string> lines = decode(frame.bytes(), &set);
        EXPECT_FALSE(set.error);
        if (*c.line)
            EXPECT_EQ(lines, std::vector<std::string>{c.line});
        else
            EXPECT_TRUE(lines.empty()) << lines[0];
    }
}

TEST(MbusRecords, SerialFromHeaderAndFabricationNumber)
{
    Tlong_frame frame;
    frame.identification = 11223344;
    frame.record({0x04, 0x13}, le32(1));
    mbus_data set;
    decode(frame.bytes(), &set);
    EXPECT_EQ(set.serial, 11223344u);
    frame.record({0x0C, 0x78}, {0x21, 0x43, 0x65, 0x87});
    decode(frame.bytes(), &set);
    EXPECT_EQ(set.serial, 87654321u);
    EXPECT_EQ(set.lines.count(), 2);
}

// Records are stepped over by the length their DIF gives (EN 13757-3), also
// when the decoder makes no line of them.
TEST(MbusRecords, RecordsAreSteppedOverByTheirDataField)
{
    Tlong_frame frame;
    frame.record({0x07, 0x13}, Tbytes(8, 0x04))                    // 64-bit integer
        .record({0x12, 0x3B}, {0x04, 0x13})                        // maximum, 16-bit
        .record({0x0B, 0x5A}, {0x04, 0x13, 0x00})                  // 6 BCD digits
        .record({0x0E, 0x13}, Tbytes(6, 0x04))                     // 12 BCD digits
        .record({0x00}, {})                                        // skipped alone
        .record({0x2F}, {})                                        // idle filler
        .record({0x8C, 0x80, 0x40, 0xFD, 0x8E, 0x17}, bcd8(13))    // DIFEs and VIFEs
        .record({0x0D, 0xFD, 0x11}, {0x03, 'a', 'b', 'c'})          // variable length
        .record({0x02, 0x7C, 0x02, 'l', 'h'}, {0x04, 0x13})        // plain-text unit
        .record({0x0C, 0x13}, bcd8(21098765))
        .record({0x0F}, {0x04, 0x13, 0x01, 0x00, 0x00, 0x00});     // maker's data to the end
    mbus_data set;
    const size_t volume = frame.spans.size() - 2;
    char expected[80];
    std::snprintf(expected, sizeof expected, " { Position=%zu, Length=6 :   volume=21098.765000} ",
                  frame.spans[volume].position);
    EXPECT_EQ(decode(frame.bytes(), &set), std::vector<std::string>{expected});
}

TEST(MbusRecords, FramesThatAreNotDecoded)
{
    mbus_data set;
    Tlong_frame other_ci;
    other_ci.ci = 0x78;
    other_ci.record({0x04, 0x13}, le32(1));
    EXPECT_TRUE(decode(other_ci.bytes(), &set).empty());
    EXPECT_TRUE(set.error);
    EXPECT_EQ(set.serial, 0u);
    EXPECT_EQ(set.count, other_ci.bytes().size());

    const Tbytes whole = other_ci.bytes();
    const Tbytes header_cut(whole.begin(), whole.begin() + 12);
    EXPECT_TRUE(decode(header_cut, &set).empty());
    EXPECT_TRUE(set.error);

    mbus_decode_records(&set, nullptr, 20);
    EXPECT_TRUE(set.error);
    EXPECT_EQ(set.count, 0u);
    mbus_decode_records(nullptr, other_ci.bytes().data(), 20);

    // Longer frames are kept up to 270 bytes.
    Tlong_frame big;
    for (int i = 0; i < 60; ++i)
        big.record({0x04, 0x13}, le32(static_cast<uint32_t>(i)));
    const Tbytes big_bytes = big.bytes();
    decode(big_bytes, &set);
    EXPECT_EQ(set.count, MBUS_MAX_FRAME);
    EXPECT_EQ(0, std::memcmp(set.frame, big_bytes.data(), MBUS_MAX_FRAME));
    EXPECT_EQ(set.lines.count(), (270 - 19) / 6);
}

// Every cut of a frame: bytes are read only within the cut (the sanitizer builds
// check this on the exact-size copies) and a record gives its line only when its
// data are all there.
TEST(MbusRecords, CutFramesReadOnlyWhatIsGiven)
{
    Tlong_frame frame;
    frame.record({0x04, 0x13}, le32(1000))
        .record({0x8C, 0x80, 0x80, 0x00, 0x13}, bcd8(2))
        .record({0x0D, 0x7C, 0x03, 'a', 'b', 'c'}, {0x04, 'w', 'x', 'y', 'z'})
        .record({0x05, 0xBE, 0x80, 0x80, 0x00}, real(2.0f))
        .record({0x04, 0x86, 0x80, 0x00}, le32(3))
        .record({0x0C, 0x78}, bcd8(5));
    const Tbytes full = frame.bytes();
    // Lines come from the records 0 (volume), 4 (energy) and 5 (serial).
    const size_t line_ends[] = {frame.spans[0].end, frame.spans[4].end, frame.spans[5].end};
    for (size_t count = 0; count <= full.size(); ++count) {
        const Tbytes cut(full.begin(), full.begin() + static_cast<long>(count));
        mbus_data set;
        const std::vector<std::string> lines = decode(cut, &set);
        size_t expected = 0;
        for (size_t end : line_ends)
            expected += end <= count ? 1 : 0;
        EXPECT_EQ(lines.size(), expected) << count;
    }

    // Extension bits that never end: at most ten are taken, and never past the frame.
    Tlong_frame endless;
    endless.record({0x84}, Tbytes(15, 0xFF));
    Tbytes bytes = endless.bytes();
    bytes.resize(bytes.size() - 2);  // no checksum and stop byte after them
    mbus_data set;
    EXPECT_TRUE(decode(bytes, &set).empty());
    EXPECT_FALSE(set.error);
}

TEST(MbusRecords, XmlText)
{
    Tlong_frame frame;
    frame.identification = 12345678;
    frame.record({0x0C, 0x13}, {0x65, 0x87, 0x09, 0x21}).record({0x0C, 0x78}, {0x21, 0x43, 0x65, 0x87});
    Tbytes bytes = frame.bytes();
    // Header bytes an XML attribute cannot hold as they are.
    bytes[11] = '"';
    bytes[12] = '<';
    bytes[15] = '&';  // the checksum is left as built
    mbus_data set;
    decode(bytes, &set);
    Tmy_string text;
    mbus_records_to_xml(&text, &set);
    EXPECT_STREQ(text.c_str(),
                 " snr=\"87654321\" txt=\"h..h..rxV4.'.........e..!.x!Ce...\"\r\n"
                 "          hexa=\"681B1B6808017278563412223C0104260000000C13658709210C78214365870616\""
                 "\r\n            decode = \" { Position=19, Length=6 :   volume=21098.765000} "
                 "\r\n                     , { Position=25, Length=6 :   SNR=87654321} \" ");

    set.lines.clear(true);
    text.clear();
    mbus_records_to_xml(&text, &set);
    EXPECT_EQ(std::string(text.c_str()).find("decode"), std::string::npos);
    mbus_records_to_xml(nullptr, &set);
    mbus_records_to_xml(&text, nullptr);
}
