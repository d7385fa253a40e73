#include "data/wm_bus.h"

#include <gtest/gtest.h>

#include <bitset>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

using Tbytes = std::vector<uint8_t>;

// Manufacturer code of three letters (EN 13757-4: each letter minus 64 in five bits).
uint16_t letters_code(const char* letters)
{
    return static_cast<uint16_t>(((letters[0] - 64) << 10) | ((letters[1] - 64) << 5) | (letters[2] - 64));
}

constexpr uint8_t CRC_FILLER = 0xCC;  // the decoder does not check block CRCs

// A telegram in frame format A built from EN 13757-4: L C M A(ID, version, type),
// CRC, then the application data (CI first) in blocks of 16 bytes, each with a CRC.
struct Tframe_a {
    uint8_t c_field = 0x44;
    uint16_t manufacturer = 0;
    uint8_t identification[4] = {};
    uint8_t version = 0x01;
    uint8_t device_type = 0x07;
    Tbytes application;

    // Eight decimal digits as BCD, least significant byte first.
    void setIdentification(uint32_t decimal)
    {
        for (uint8_t& b : identification) {
            b = static_cast<uint8_t>((decimal % 10) | ((decimal / 10 % 10) << 4));
            decimal /= 100;
        }
    }

    // The maker's binary serial in telegram bytes 6-9.
    void setMakerSerial(uint32_t serial)
    {
        identification[2] = static_cast<uint8_t>(serial);
        identification[3] = static_cast<uint8_t>(serial >> 8);
        version = static_cast<uint8_t>(serial >> 16);
        device_type = static_cast<uint8_t>(serial >> 24);
    }

    Tbytes bytes() const
    {
        Tbytes out;
        out.push_back(static_cast<uint8_t>(9 + application.size()));
        out.push_back(c_field);
        out.push_back(static_cast<uint8_t>(manufacturer));
        out.push_back(static_cast<uint8_t>(manufacturer >> 8));
        out.insert(out.end(), identification, identification + 4);
        out.push_back(version);
        out.push_back(device_type);
        out.insert(out.end(), {CRC_FILLER, CRC_FILLER});
        for (size_t i = 0; i < application.size(); i += 16) {
            const size_t end = std::min(application.size(), i + 16);
            out.insert(out.end(), application.begin() + static_cast<long>(i), application.begin() + static_cast<long>(end));
            out.insert(out.end(), {CRC_FILLER, CRC_FILLER});
        }
        return out;
    }
};

// Application data of n bytes: CI, then 0x10, 0x11 ...
Tbytes application(uint8_t ci, size_t n)
{
    Tbytes a(n);
    a[0] = ci;
    for (size_t i = 1; i < n; ++i)
        a[i] = static_cast<uint8_t>(0x10 + i);
    return a;
}

// The maker's scrambling, stated again: the key stream of a 32-bit shift register
// with taps 1, 2, 11 and 31 is XORed onto the payload from byte 17, leaving the
// block CRCs of format A. Applied twice it gives back the telegram.
Tbytes scramble(Tbytes frame, size_t length)
{
    auto be32 = [&](size_t p) {
        return (uint32_t{frame[p]} << 24) | (uint32_t{frame[p + 1]} << 16) | (uint32_t{frame[p + 2]} << 8) | frame[p + 3];
    };
    uint32_t state = 0x2C7D4F06u ^ be32(2) ^ be32(6);
    if (frame[12] != 0xA6 && frame[12] != 0xA7)
        state ^= be32(12);
    const std::set<size_t> block_crcs = {28, 29, 46, 47, 64, 65, 82, 83};
    const uint32_t taps = (1u << 1) | (1u << 2) | (1u << 11) | (1u << 31);
    for (size_t position = 17; position < length; ++position) {
        if (block_crcs.count(position))
            continue;
        uint8_t key = 0;
        for (int bit = 7; bit >= 0; --bit) {
            const uint32_t feedback = std::bitset<32>(state & taps).count() % 2;
            state = (state << 1) | feedback;
            key = static_cast<uint8_t>(key | (feedback << bit));
        }
        frame[position] ^= key;
    }
    return frame;
}

std::string to_xml(const Tbytes& telegram, bool c1)
{
    Tmy_string text;
    wm_bus_to_xml(&text, 0, telegram.data(), static_cast<unsigned>(telegram.size()), c1);
    return text.c_str();
}

void put_be32(Tbytes* bytes, size_t position, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        (*bytes)[position + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

uint32_t float_bits(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// A maker's telegram with CI ci and the two values (bytes 18-21, media 22,
// bytes 23-26, media 27 of the frame), scrambled as the meter sends it.
Tbytes maker_telegram(uint8_t ci, uint8_t scale, uint32_t word1, uint8_t media1, uint32_t word2, uint8_t media2)
{
    Tframe_a frame;
    frame.manufacturer = WM_BUS_MAKER_CODE;
    frame.identification[1] = scale;
    frame.setMakerSerial(70123456);
    frame.application = application(ci, 16);
    Tbytes plain = frame.bytes();
    put_be32(&plain, 18, word1);
    plain[22] = media1;
    put_be32(&plain, 23, word2);
    plain[27] = media2;
    return scramble(plain, plain.size());
}

}  // namespace

TEST(WmBus, ManufacturerTable)
{
    const struct {
        uint16_t code;
        const char* name;
    } cases[] = {
        {letters_code("ACW"), "ACTARIS"},  {letters_code("KAM"), "KAMSTRUP"},   {letters_code("ZRI"), "ZENNER"},
        {letters_code("DME"), "DIEHL"},    {letters_code("LUG"), "LANDIS_GYR"}, {letters_code("ITW"), "ITRON_W_FR"},
        {letters_code("ELR"), "ELSTER"},   {0x824D, "SCHLUMBERG"},              {0x4D82, ""},
        {letters_code("ABC"), ""},         {0x6171, "VORNA"},
    };
    for (const auto& c : cases) {
        Tframe_a frame;
        frame.manufacturer = c.code;
        frame.application = application(0x7A, 4);
        T_wm_bus_message message;
        message.decode(frame.bytes().data(), static_cast<unsigned>(frame.bytes().size()), false);
        EXPECT_EQ(message.manufacturer, c.code);
        EXPECT_STREQ(message.manufacturer_name.c_str(), c.name) << std::hex << c.code;
    }
}

TEST(WmBus, HeaderAttributes)
{
    struct Tcase {
        const char* what;
        uint16_t manufacturer;
        uint8_t ci;
        size_t application_bytes;
        bool c1;
        std::string xml;
    } cases[] = {
        // Byte 15 (access number of the short header) is 0x13 in these telegrams.
        {"T1 OMS short header", letters_code("KAM"), 0x7A, 12, false,
         " SNR=\"12345678\" OMS=\"true\"  manuf=\"KAMSTRUP\" hop_counter=\"3\" "},
        {"T1 OMS long header", letters_code("ZRI"), 0x72, 20, false,
         " SNR=\"12345678\" OMS=\"true\"  manuf=\"ZENNER\" hop_counter=\"2\" "},
        {"T1 OMS other CI", letters_code("ELR"), 0x78, 8, false,
         " SNR=\"12345678\" OMS=\"true\"  manuf=\"ELSTER\" hop_counter=\"0\" "},
        // Not OMS: the serial is the BCD of bytes 6-9 (ID bytes 2-3, version, type).
        {"T1 other maker", letters_code("ITR"), 0xA2, 10, false,
         " SNR=\"07011234\" OMS=\"false\" manuf=\"ITRON\" CI=\"A2\""},
        {"C1 OMS", letters_code("DME"), 0x7A, 12, true,
         " SNR=\"12345678\"  RSSI=\"50%\" OMS=\"true\"  manuf=\"DIEHL\" hop_counter=\"3\" "},
        {"C1 other maker keeps the BCD identification", letters_code("ABC"), 0x8C, 10, true,
         " SNR=\"12345678\"  RSSI=\"50%\" OMS=\"false\" manuf=\"\" CI=\"8C\""},
    };
    for (Tcase& c : cases) {
        Tframe_a frame;
        frame.manufacturer = c.manufacturer;
        frame.setIdentification(12345678);
        frame.application = application(c.ci, c.application_bytes);
        Tbytes telegram = frame.bytes();
        // Long header: access number, status, configuration ... hop counter in byte 23.
        if (c.ci == 0x72)
            telegram[23] = 0x2E;
        if (c.c1)
            telegram.push_back(0x80);  // the receiver's RSSI
        T_wm_bus_message message;
        message.decode(telegram.data(), static_cast<unsigned>(telegram.size()), c.c1);
        EXPECT_EQ(message.length, c.c1 ? telegram.size() - 1 : telegram.size()) << c.what;
        EXPECT_EQ(message.ci, c.ci) << c.what;
        EXPECT_EQ(message.raw[8], frame.version) << c.what;
        EXPECT_EQ(message.raw[9], frame.device_type) << c.what;
        EXPECT_EQ(to_xml(telegram, c.c1), c.xml) << c.what;
    }
}

TEST(WmBus, KeptLengthAndRssi)
{
    // L = 44: 9 header bytes and 35 application bytes in three blocks.
    Tframe_a frame;
    frame.manufacturer = letters_code("KAM");
    frame.setIdentification(1);
    frame.application = application(0x7A, 35);
    Tbytes telegram = frame.bytes();
    ASSERT_EQ(telegram[0], 44);
    ASSERT_EQ(telegram.size(), 53u);
    EXPECT_EQ(wm_bus_t1_frame_length(44), 53u);
    EXPECT_EQ(to_xml(telegram, false).find("RSSI"), std::string::npos);
    telegram.push_back(0xFF);
    T_wm_bus_message message;
    message.decode(telegram.data(), static_cast<unsigned>(telegram.size()), false);
    EXPECT_EQ(message.length, 53);
    EXPECT_NE(to_xml(telegram, false).find("  RSSI=\"100%\""), std::string::npos);

    // L = 240 declares 273 bytes; 255 are kept.
    EXPECT_EQ(wm_bus_t1_frame_length(240), 273u);
    Tframe_a big;
    big.application = application(0x7A, 231);
    Tbytes long_telegram = big.bytes();
    ASSERT_EQ(long_telegram.size(), 273u);
    message.decode(long_telegram.data(), static_cast<unsigned>(long_telegram.size()), false);
    EXPECT_EQ(message.length, 255);

    // C1: the last byte is always the RSSI.
    Tbytes c1(30, 0x00);
    c1[29] = 51;
    message.decode(c1.data(), 30, true);
    EXPECT_EQ(message.length, 29);
    EXPECT_NE(to_xml(c1, true).find("  RSSI=\"20%\""), std::string::npos);
}

// Every cut of a telegram: the decoder reads only the bytes given (the sanitizer
// builds check this on the exact-size copies) and writes only attributes they cover.
TEST(WmBus, CutTelegramsGiveOnlyCoveredAttributes)
{
    struct Tcase {
        uint16_t manufacturer;
        uint8_t ci;
        size_t application_bytes;
        size_t last_needed;  // the highest byte a full decoding reads
    } cases[] = {
        {letters_code("ZRI"), 0x72, 20, 23},
        {letters_code("KAM"), 0x7A, 12, 15},
        {WM_BUS_MAKER_CODE, 0xA6, 16, 27},
    };
    for (const Tcase& c : cases) {
        Tframe_a frame;
        frame.manufacturer = c.manufacturer;
        frame.application = application(c.ci, c.application_bytes);
        const Tbytes full = frame.bytes();
        for (bool c1 : {false, true}) {
            for (size_t count = 0; count <= full.size(); ++count) {
                const Tbytes cut(full.begin(), full.begin() + static_cast<long>(count));
                const size_t kept = c1 && count > 0 ? count - 1 : count;
                T_wm_bus_message message;
                message.decode(cut.data(), static_cast<unsigned>(cut.size()), c1);
                ASSERT_EQ(message.length, kept);
                EXPECT_EQ(message.has_manufacturer, kept >= 4) << count;
                EXPECT_EQ(message.has_ci, kept >= 13) << count;
                const std::string xml = to_xml(cut, c1);
                EXPECT_EQ(xml.find("manuf=") != std::string::npos, kept >= 4) << count << xml;
                EXPECT_EQ(xml.find("OMS=") != std::string::npos, kept >= 13) << count << xml;
                const bool full_decode = kept > c.last_needed && (!c1 || full[0] > c.last_needed);
                const bool detail = xml.find("hop_counter") != std::string::npos || xml.find("media1") != std::string::npos;
                EXPECT_EQ(detail, full_decode) << count << xml;
            }
        }
    }
}

TEST(WmBus, MakerValues)
{
    const struct {
        const char* what;
        uint8_t ci;
        uint8_t scale;
        uint32_t word1;
        uint8_t media1;
        uint32_t word2;
        uint8_t media2;
        double value1;
        double value2;
        const char* xml_values;
    } cases[] = {
        {"unsigned counter", 0xA6, 0, 0x80000001u, 65, 0x80000001u, 3, 2147483649.0, -0.01,
         "  media1=\"65\" v1=\"2147483649.00\"  media2=\"3\" v2=\"-0.01\""},
        {"hundredths", 0xA6, 0, 12345, 4, 0x80000000u | 250, 8, 123.45, -2.5,
         "  media1=\"4\" v1=\"123.45\"  media2=\"8\" v2=\"-2.50\""},
        {"IEEE single", 0xA6, 0, float_bits(21.75f), 7, float_bits(-3.5f), 2, 21.75, -3.5,
         "  media1=\"7\" v1=\"21.75\"  media2=\"2\" v2=\"-3.50\""},
        // Other CIs: decimals from byte 5, low nibble for value 1, high nibble for value 2.
        {"decimals", 0xA0, 0x21, 98765, 1, 0x80000000u | 4321, 2, 9876.5, -43.21,
         "  media1=\"1\" v1=\"9876.50\"  media2=\"2\" v2=\"-43.21\""},
    };
    for (const auto& c : cases) {
        const Tbytes telegram = maker_telegram(c.ci, c.scale, c.word1, c.media1, c.word2, c.media2);
        T_wm_bus_message message;
        message.decode(telegram.data(), static_cast<unsigned>(telegram.size()), false);
        ASSERT_TRUE(message.has_values) << c.what;
        EXPECT_EQ(message.serial, 70123456u) << c.what;
        EXPECT_EQ(message.media1, c.media1) << c.what;
        EXPECT_EQ(message.media2, c.media2) << c.what;
        EXPECT_DOUBLE_EQ(message.value1, c.value1) << c.what;
        EXPECT_DOUBLE_EQ(message.value2, c.value2) << c.what;
        char ci_text[8];
        std::snprintf(ci_text, sizeof ci_text, "%X", c.ci);
        EXPECT_EQ(to_xml(telegram, false), std::string(" SNR=\"70123456\" OMS=\"false\" manuf=\"VORNA\" CI=\"") + ci_text
                                               + "\"" + c.xml_values)
            << c.what;
    }
}

TEST(WmBus, MakerFloatThatIsNoNumberGivesNoValue)
{
    const Tbytes telegram = maker_telegram(0xA6, 0, 0x7FC00000u, 7, 0x7F800000u, 7);
    EXPECT_EQ(to_xml(telegram, false),
              " SNR=\"70123456\" OMS=\"false\" manuf=\"VORNA\" CI=\"A6\"  media1=\"7\"  media2=\"7\"");
}

TEST(WmBus, MakerC1TelegramDescramblesUpToItsLField)
{
    Tframe_a frame;
    frame.manufacturer = WM_BUS_MAKER_CODE;
    frame.setIdentification(20304050);
    frame.application = application(0xA6, 20);
    Tbytes plain = frame.bytes();
    put_be32(&plain, 18, 777);
    plain[22] = 65;
    Tbytes telegram = scramble(plain, plain[0]);
    telegram.push_back(0x40);  // RSSI
    T_wm_bus_message message;
    message.decode(telegram.data(), static_cast<unsigned>(telegram.size()), true);
    EXPECT_EQ(message.serial, 20304050u);
    ASSERT_TRUE(message.has_values);
    EXPECT_EQ(message.value1, 777.0);
    EXPECT_EQ(0, std::memcmp(message.descrambled, plain.data(), plain[0]));
}

TEST(WmBus, DescramblerUndoesScrambling)
{
    for (uint8_t ci : {0xA6, 0xA7, 0xA0, 0x8F}) {
        for (size_t application_bytes : {6, 16, 40, 90, 150}) {
            Tframe_a frame;
            frame.manufacturer = WM_BUS_MAKER_CODE;
            frame.setMakerSerial(0x01020304u + application_bytes);
            frame.application = application(ci, application_bytes);
            const Tbytes plain = frame.bytes();
            const Tbytes scrambled = scramble(plain, plain.size());
            Tbytes out(plain.size() + 1, 0x5A);
            wmbus_descramble(out.data(), scrambled.data(), static_cast<unsigned>(plain.size()));
            EXPECT_TRUE(std::equal(plain.begin(), plain.end(), out.begin())) << int(ci) << " " << application_bytes;
            EXPECT_EQ(out.back(), 0x5A) << "written past the length";
        }
    }
}

TEST(WmBus, DescramblerTouchesOnlyThePayload)
{
    Tbytes telegram(29);
    for (size_t i = 0; i < telegram.size(); ++i)
        telegram[i] = static_cast<uint8_t>(i * 7);
    Tbytes out(29);
    wmbus_descramble(out.data(), telegram.data(), 29);
    size_t changed = 0;
    for (size_t i = 0; i < telegram.size(); ++i) {
        if (i < 17 || i == 28)
            EXPECT_EQ(out[i], telegram[i]) << i;
        else
            changed += out[i] != telegram[i];
    }
    EXPECT_GT(changed, 5u);
    // Frames too short for a payload are copied unchanged, and never beyond 255 bytes.
    Tbytes short_frame(17, 0x33);
    Tbytes short_out(17, 0);
    wmbus_descramble(short_out.data(), short_frame.data(), 17);
    EXPECT_EQ(short_out, short_frame);
    Tbytes huge(300, 0x11);
    Tbytes huge_out(300, 0);
    wmbus_descramble(huge_out.data(), huge.data(), 300);
    EXPECT_EQ(huge_out[255], 0);
    EXPECT_EQ(huge_out[254] == 0, false);
}
