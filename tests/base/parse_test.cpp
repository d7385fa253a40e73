#include "base/parse.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "base/my_string.h"
#include "base/params.h"
#include "tests/support/recording_program.h"

TEST(Parse, SignedIntegers)
{
    const struct {
        const char* text;
        int max_chars;
        int value;
        bool error;
    } cases[] = {
        {"- 12", 0, -12, false}, {"1-2", 0, -12, false}, {"12x", 0, 12, true}, {"", 0, 0, false},
        {"+-+7", 0, 7, false},   {"123456", 3, 123, false}, {"\t 4 2", 0, 42, false},
        {"4294967296", 0, 0, false},  // wraps as 32-bit unsigned, never overflows
        {"2147483648", 0, -2147483647 - 1, false},
    };
    for (const auto& c : cases) {
        int value = 99;
        EXPECT_EQ(parse_int(c.text, &value, c.max_chars), c.error) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
    int value = 5;
    EXPECT_TRUE(parse_int(nullptr, &value, 0));
    EXPECT_EQ(value, 0);
    EXPECT_EQ(text_to_int("-3z"), -3);
}

// The range-checked parsers refuse what the plain ones wrap, at the exact edges.
TEST(Parse, RangeCheckedIntegers)
{
    const struct {
        const char* text;
        int value;  // kept on success
        bool error;
        bool out_of_range;
    } signed_cases[] = {
        {"2147483647", 2147483647, false, false}, {"-2147483648", -2147483647 - 1, false, false},
        {"- 2 147 483 648", -2147483647 - 1, false, false}, {"2147483648", 0, true, true},
        {"-2147483649", 0, true, true}, {"4294967296", 0, true, true},
        {"99999999999999999999", 0, true, true}, {"0000000000000000000012", 12, false, false},
        {"12abc", 0, true, false}, {"1e3", 0, true, false}, {"", 0, false, false},
    };
    for (const auto& c : signed_cases) {
        int value = 99;
        bool beyond = !c.out_of_range;
        EXPECT_EQ(parse_int_in_range(c.text, &value, &beyond), c.error) << c.text;
        EXPECT_EQ(beyond, c.out_of_range) << c.text;
        if (!c.error) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
    const struct {
        const char* text;
        unsigned value;
        bool error;
        bool out_of_range;
    } unsigned_cases[] = {
        {"4294967295", 4294967295u, false, false}, {"4294967296", 0, true, true},
        {"18446744073709551617", 0, true, true},   {"-1", 0, true, false},
        {"+ 7", 7, false, false},
    };
    for (const auto& c : unsigned_cases) {
        unsigned value = 99;
        bool beyond = !c.out_of_range;
        EXPECT_EQ(parse_uint_in_range(c.text, &value, &beyond), c.error) << c.text;
        EXPECT_EQ(beyond, c.out_of_range) << c.text;
        if (!c.error) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
    bool beyond = true;
    int value = 0;
    EXPECT_TRUE(parse_int_in_range(nullptr, &value, &beyond));
    EXPECT_FALSE(beyond);
}

// A whole number as written: a sign, digits, blanks around at most; a text of
// another form is no number, and a number is checked against its bounds.
TEST(Parse, WholeNumbersAreReadWholeOrRefused)
{
    const struct {
        const char* text;
        long long min;
        long long max;
        long long value;  // kept on success
        bool error;
        bool out_of_range;
    } cases[] = {
        {"-128", -128, 255, -128, false, false},      {"255", -128, 255, 255, false, false},
        {"-129", -128, 255, 0, true, true},           {"256", -128, 255, 0, true, true},
        {" \t+12 ", -128, 255, 12, false, false},     {"0007", 0, 7, 7, false, false},
        {"9-00", -1000, 1000, 0, true, false},        {" 9 0 0 ", -1000, 1000, 0, true, false},
        {"--1", -10, 10, 0, true, false},             {"+-1", -10, 10, 0, true, false},
        {"-", -10, 10, 0, true, false},               {"", -10, 10, 0, true, false},
        {"1.5", -10, 10, 0, true, false},             {"0x10", -10, 100, 0, true, false},
        {"12abc", 0, 100, 0, true, false},            {"- 1", -10, 10, 0, true, false},
        {"99999999999999999999999", 0, 4294967295LL, 0, true, true},
        {"-99999999999999999999999", -2147483648LL, 0, 0, true, true},
        {"4294967295", 0, 4294967295LL, 4294967295LL, false, false},
    };
    for (const auto& c : cases) {
        long long value = 99;
        bool beyond = !c.out_of_range;
        EXPECT_EQ(parse_whole_number(c.text, c.min, c.max, &value, &beyond), c.error) << c.text;
        EXPECT_EQ(beyond, c.out_of_range) << c.text;
        EXPECT_EQ(value, c.error ? 99 : c.value) << c.text;
    }
    EXPECT_TRUE(parse_whole_number(nullptr, 0, 1, nullptr, nullptr));
}

TEST(Parse, HexDigitRunsAreDigitsOnly)
{
    const char* digits = nullptr;
    EXPECT_EQ(hex_digit_run(" 0aF9 ", &digits), 4);
    EXPECT_EQ(std::string(digits, 4), "0aF9");
    EXPECT_EQ(hex_digit_run("123", nullptr), 3);
    for (const char* text : {"", "  ", "0x12", "1G", "12 34", "-1", "1.2"})
        EXPECT_EQ(hex_digit_run(text, nullptr), -1) << text;
    EXPECT_EQ(hex_digit_run(nullptr, nullptr), -1);
}

TEST(Parse, UnsignedAndHex)
{
    unsigned u = 1;
    EXPECT_TRUE(parse_uint("-3", &u, 0));
    EXPECT_FALSE(parse_uint("+ 7", &u, 0));
    EXPECT_EQ(u, 7u);
    EXPECT_FALSE(parse_uint("4294967297", &u, 0));
    EXPECT_EQ(u, 1u);

    int h = 0;
    EXPECT_TRUE(parse_hex("1G", &h, 0));
    EXPECT_EQ(h, 0x10);
    EXPECT_FALSE(parse_hex("ABCD", &h, 2));
    EXPECT_EQ(h, 0xAB);
    EXPECT_FALSE(parse_hex("", &h, 0));
    EXPECT_EQ(h, 0);
    unsigned hu = 0;
    EXPECT_FALSE(parse_hex_unsigned("FFFFFFFF", &hu, 0));
    EXPECT_EQ(hu, 0xFFFFFFFFu);
    EXPECT_EQ(hex_text_to_int("1z"), 0x10);
    EXPECT_EQ(ipv4_from_text("192.168.1.2"), 0xC0A80102u);
}

TEST(Parse, Doubles)
{
    const struct {
        const char* text;
        double value;
        bool error;
    } cases[] = {
        {"1.5e3", 1500, false}, {"-2.5", -2.5, false}, {"12,5", 12, true},
        {"2.5e-2", 0.025, false}, {" 3 . 25 ", 3.25, false}, {"1e0.5", 1 * 3.1622776601683795, false},
    };
    for (const auto& c : cases) {
        double value = 0;
        EXPECT_EQ(parse_double(c.text, &value), c.error) << c.text;
        EXPECT_NEAR(value, c.value, 1e-9) << c.text;
    }
    EXPECT_EQ(text_to_double(nullptr), 0);
}

// The strict forms take a number of their kind whole, or nothing.
TEST(Parse, StrictDecimalNumbers)
{
    const struct {
        const char* text;
        bool error;
        double value;
    } cases[] = {
        {"1.5", false, 1.5},       {" -2.5e1 ", false, -25},  {"+21.5", false, 21.5}, {".5", false, 0.5},
        {"5.", false, 5},          {"1E-2", false, 0.01},     {"0", false, 0},        {"1.2.3", true, 0},
        {"1,5", true, 0},          {"1-2", true, 0},          {"- 7", true, 0},       {"", true, 0},
        {"  ", true, 0},           {"+", true, 0},            {".", true, 0},         {"e5", true, 0},
        {"1e", true, 0},           {"1e+", true, 0},          {"1e2.5", true, 0},     {"abc", true, 0},
        {"inf", true, 0},          {"nan", true, 0},          {"12 3", true, 0},      {"--1", true, 0},
    };
    for (const auto& c : cases) {
        double value = 99;
        EXPECT_EQ(parse_decimal_number(c.text, &value), c.error) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
    EXPECT_TRUE(parse_decimal_number(nullptr, nullptr));
}

TEST(Parse, StrictInt64Numbers)
{
    const struct {
        const char* text;
        bool error;
        int64_t value;
    } cases[] = {
        {"0", false, 0},
        {" 12 ", false, 12},
        {"-12", false, -12},
        {"+7", false, 7},
        {"9223372036854775807", false, INT64_MAX},
        {"-9223372036854775808", false, INT64_MIN},
        {"9223372036854775808", true, 0},
        {"-9223372036854775809", true, 0},
        {"99999999999999999999", true, 0},
        {"12.5", true, 0},
        {"1e3", true, 0},
        {"1-2", true, 0},
        {"- 12", true, 0},
        {"12x", true, 0},
        {"", true, 0},
        {"-", true, 0},
        {"abc", true, 0},
    };
    for (const auto& c : cases) {
        int64_t value = 99;
        EXPECT_EQ(parse_int64_number(c.text, &value), c.error) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
    EXPECT_TRUE(parse_int64_number(nullptr, nullptr));
}

TEST(Parse, HexAndBytes)
{
    char buf[16];
    EXPECT_EQ(hex_decode(buf, "0A-1b 2", 16), 2);
    EXPECT_EQ(static_cast<unsigned char>(buf[0]), 0x0A);
    EXPECT_EQ(static_cast<unsigned char>(buf[1]), 0x1B);
    EXPECT_EQ(hex_decode(buf, "AABBCC", 2), 2);
    EXPECT_EQ(hex_decode(buf, "AA", 0), 0);

    const unsigned char bytes[] = {0x41, 0x42, 0x0A};
    char out[32];
    hex_encode(out, bytes, 3);
    EXPECT_STREQ(out, "41420A");
    EXPECT_EQ(bytes_to_hex_spaced(out, bytes, 3), out + 9);
    EXPECT_STREQ(out, "41 42 0A ");
    bytes_to_printable(out, bytes, 3);
    EXPECT_STREQ(out, "AB.");

    const unsigned char bcd[] = {0x21, 0x43, 0x65, 0x87};
    EXPECT_EQ(bcd_le_to_uint(bcd), 87654321u);
    EXPECT_EQ(bcd_be_to_uint(bcd), 21436587u);
    const unsigned char bad_bcd[] = {0xFA, 0x00, 0x00, 0x00};
    EXPECT_EQ(bcd_be_to_uint(bad_bcd), 99000000u);
    const unsigned char be[] = {0x12, 0x34, 0x56, 0x78};
    EXPECT_EQ(read_be32(be), 0x12345678u);
    EXPECT_EQ(read_be16(be), 0x1234u);
    EXPECT_EQ(read_le32_at(be, 0), 0x78563412);
    EXPECT_EQ(read_le16_at(be, 2), 0x7856u);
    EXPECT_EQ(read_be32(nullptr), 0u);
    unsigned char written[4] = {};
    write_be32(written, 0x12345678u);
    EXPECT_EQ(0, std::memcmp(written, be, sizeof be));
}

TEST(Parse, BigEndianFloatsWithZeroBytes)
{
    const unsigned char one[] = {0x3F, 0x80, 0x00, 0x00};
    EXPECT_EQ(read_be_float(one, 4), 1.0f);
    EXPECT_EQ(read_be_float(one, 3), 0.0f);
    const unsigned char marker[] = {0x7F, 0x7F, 0xF0, 0x23};
    EXPECT_EQ(read_be_float(marker, 4), float_undefined());
    EXPECT_TRUE(float_is_undefined(read_be_float(marker, 4)));
    EXPECT_FALSE(float_is_undefined(3.3e38f));
    EXPECT_TRUE(double_is_undefined(double_undefined()));
    EXPECT_EQ(double_min_defined(3.0, 1.797e308), 3.0);
    EXPECT_EQ(double_min_defined(1.797e308, 4.0), 4.0);
    EXPECT_EQ(double_min_defined(2.0, 5.0), 2.0);
}

TEST(Parse, BoundedCopyAndComparison)
{
    char dst[11];
    std::strcpy(dst, "junk");
    EXPECT_EQ(text_copy_bounded(dst, "0123456789", 10), 0);
    EXPECT_STREQ(dst, "");
    EXPECT_EQ(text_copy_bounded(dst, "0123456789", 11), 10);
    EXPECT_STREQ(dst, "0123456789");

    EXPECT_EQ(text_compare_nocase("Name", "nAME"), 0);
    EXPECT_EQ(text_compare_nocase("a", "ab"), 1);
    EXPECT_EQ(text_compare_nocase(nullptr, "a"), 1);
    EXPECT_TRUE(text_starts_with_nocase("HOST=x", "host="));
    EXPECT_FALSE(text_starts_with_nocase("ho", "host"));
    EXPECT_TRUE(text_starts_with_nocase("", ""));
    EXPECT_FALSE(text_starts_with_nocase("x", ""));
    EXPECT_TRUE(is_char_in_set(';', " ;"));
    EXPECT_FALSE(is_char_in_set('\0', " ;"));
    char text[] = "a.b.c";
    text_replace_char(text, '.', '/');
    EXPECT_STREQ(text, "a/b/c");
    char upper[] = "MiXeD";
    text_to_lower(upper);
    EXPECT_STREQ(upper, "mixed");
}

TEST(Params, MatchersTakeTheirKeyOnly)
{
    bool flag = false;
    EXPECT_EQ(param_match_bool("Debug", "debug", "TRUE", &flag), 1);
    EXPECT_TRUE(flag);
    EXPECT_EQ(param_match_bool("other", "debug", "true", &flag), 0);
    unsigned baud = 0;
    EXPECT_EQ(param_match_uint("BAUDRATE", "baudrate", "9600", &baud), 1);
    EXPECT_EQ(baud, 9600u);
    Tmy_string s;
    EXPECT_EQ(param_match_my_string("name", "name", "x", &s), 1);
    EXPECT_STREQ(s.c_str(), "x");
    EXPECT_EQ(param_match_uint(nullptr, "baudrate", "1", &baud), 0);
}

TEST(Params, OverlongStringKeepsTheOldValueAndSaysSo)
{
    recorded::clear_log();
    char port[8] = "COM1";
    EXPECT_EQ(param_match_string("port", "port", "COM12", port, sizeof port), 1);
    EXPECT_STREQ(port, "COM12");
    EXPECT_EQ(param_match_string("port", "port", "0123456789", port, sizeof port), 0);
    EXPECT_STREQ(port, "COM12");
    EXPECT_TRUE(recorded::log_contains("ERROR : parameter port"));
}

TEST(Params, ConvertValue)
{
    char small[4];
    EXPECT_TRUE(convert_value("abcdef", small, VALUE_TEXT, sizeof small));
    EXPECT_STREQ(small, "abc");
    EXPECT_FALSE(convert_value("abc", small, VALUE_TEXT, sizeof small));
    int i = 0;
    EXPECT_TRUE(convert_value("12x", &i, VALUE_INT, 0));
    EXPECT_EQ(i, 12);
    double d = 0;
    EXPECT_FALSE(convert_value("2.5", &d, VALUE_DOUBLE, 0));
    EXPECT_EQ(d, 2.5);
    Tmy_string s;
    EXPECT_FALSE(convert_value("text", &s, VALUE_MY_STRING, 0));
    EXPECT_STREQ(s.c_str(), "text");
    EXPECT_TRUE(convert_value("1", &i, 9, 0));
    EXPECT_TRUE(convert_value(nullptr, &i, VALUE_INT, 0));
}
