#include "base/my_string.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "base/xml.h"
#include "tests/support/temp_dir.h"

namespace {

std::string formatted(const char* format, ...)
{
    Tmy_string s;
    va_list args;
    va_start(args, format);
    s.vappendf(format, args);
    va_end(args);
    return std::string(s.c_str(), s.length());
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
template <typename T>
std::string reference(const char* format, T value)
{
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}
#pragma GCC diagnostic pop

}  // namespace

// The integer and floating conversions must agree with the C library byte for byte.
TEST(MyStringFormat, NumericConversionsMatchTheRuntime)
{
    const char* int_formats[] = {"%d", "%5d|", "%-5d|", "%05d", "%+d", "% d", "%i", "%.3d", "%u", "%x", "%X",
                                 "%08X", "%#x", "%-#8x|", "%2d"};
    const int int_values[] = {0, 42, -42, 7, 2147483647, -2147483647 - 1, 0x1F, 123456789};
    for (const char* format : int_formats)
        for (int value : int_values)
            EXPECT_EQ(formatted(format, value), reference(format, value)) << format << " " << value;

    const char* double_formats[] = {"%f", "%0.3f", "%10.2f|", "%-10.1f|", "%+.2e", "%e", "%E", "%g", "%G", "%.10g", "%lf"};
    const double double_values[] = {0.0, 1.5, -2.25, 3.402e38, 1e-7, 123456.789, -0.0005};
    for (const char* format : double_formats)
        for (double value : double_values)
            EXPECT_EQ(formatted(format, value), reference(format, value)) << format << " " << value;
}

TEST(MyStringFormat, LengthModifiersStillReadThirtyTwoBitIntegers)
{
    EXPECT_EQ(formatted("%ld|%lu|%lx", -5, 7u, 255u), "-5|7|ff");
    EXPECT_EQ(formatted("%lld", static_cast<long long>(-9000000000LL)), "-9000000000");
}

TEST(MyStringFormat, TextAndCharacterConversions)
{
    EXPECT_EQ(formatted("%5s|", "ab"), "ab|");  // width is ignored for texts
    EXPECT_EQ(formatted("[%s]", static_cast<const char*>(nullptr)), "[]");
    EXPECT_EQ(formatted("%c%c%c", 'a', 0, 'b'), "ab");
    EXPECT_EQ(formatted("100%%"), "100%");
    EXPECT_EQ(formatted("%a", "it's \"x\" \\"), "it\\'s \\\"x\\\" \\\\");
    Tmy_string s("x");
    s.appendf("%d;%s", 42, "ab");
    EXPECT_STREQ(s.c_str(), "x42;ab");
}

TEST(MyStringFormat, UnknownConversionsAndCutSpecificationsStayText)
{
    EXPECT_EQ(formatted("a%qb"), "a%qb");
    EXPECT_EQ(formatted("tail %05"), "tail %05");
}

// Expected texts from Python's urllib.parse.quote(text, safe="!*'()"), whose
// always-safe set adds '~'; this engine encodes '~' too.
TEST(MyStringFormat, UrlEncodingFollowsTheReference)
{
    const struct {
        const char* text;
        const char* encoded;
    } cases[] = {
        {"a b/c", "a%20b%2Fc"},
        {"it's (ok)!*", "it's%20(ok)!*"},
        {"~tilde", "%7Etilde"},
        {"100%", "100%25"},
        {"key=v&x=y", "key%3Dv%26x%3Dy"},
        {"\xC3\xA9t\xC3\xA9", "%C3%A9t%C3%A9"},
        {"A-Z_a.z", "A-Z_a.z"},
        {"\t\n", "%09%0A"},
        {"\"<>\\", "%22%3C%3E%5C"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatted("%r", c.text), c.encoded) << c.text;
}

// What %m writes is read back by an XML parser as the original text, in an
// attribute and in element content alike.
TEST(MyStringFormat, XmlEscapingReadsBackThroughAParser)
{
    const struct {
        const char* text;
        const char* read_back;
    } cases[] = {
        {"a<b & 'c'", "a<b & 'c'"},
        {"\"quoted\" > x", "\"quoted\" > x"},
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
        {"latin1 \xE9t\xE9", "latin1 \xC3\xA9t\xC3\xA9"},     // bytes that are no UTF-8: Latin-1
        {"bell\x07 esc\x1B tab\t", "bell esc tab\t"},          // control characters XML forbids are dropped
        {"cut \xE2\x82", "cut \xC3\xA2\xC2\x82"},
    };
    for (const auto& c : cases) {
        const std::string escaped = formatted("%m", c.text);
        const std::string document = "<e v=\"" + escaped + "\">" + escaped + "</e>";
        myXMLdocument doc;
        Txml_element e = xml_ParseText(document.c_str(), &doc);
        ASSERT_NE(e, nullptr) << document;
        EXPECT_STREQ(xml_GetText(e, false), c.read_back) << escaped;
        EXPECT_STREQ(xml_FindAttributeValue(e, "v"), c.read_back) << escaped;
    }
    EXPECT_EQ(formatted("%m", "a<b & 'c'"), "a&lt;b &amp; &apos;c&apos;");
    EXPECT_EQ(formatted("%m", "\t\xE9"), "&#9;&#233;");
}

TEST(MyStringFormat, FormattingFromTheStringsOwnContents)
{
    Tmy_string s("dir");
    s.printf("%s/x", s.c_str());
    EXPECT_STREQ(s.c_str(), "dir/x");
    Tmy_string long_text;
    for (int i = 0; i < 100; ++i)
        long_text.append("0123456789");
    long_text.appendf("|%s|%m", long_text.c_str(), long_text.c_str());
    EXPECT_EQ(long_text.length(), 3002u);
    Tmy_string self("abc");
    self.append(self.c_str() + 1, 2);
    EXPECT_STREQ(self.c_str(), "abcbc");
}

TEST(MyStringGrowth, CapacityGrowsInStepsOf128)
{
    Tmy_string one;
    one.append("x", 1);
    EXPECT_EQ(one.capacity(), 128u);
    Tmy_string big;
    const std::string bytes(200, 'y');
    big.append(bytes.c_str(), 200);
    EXPECT_EQ(big.capacity(), 201u);
    big.append("z", 1);
    EXPECT_EQ(big.capacity(), 329u);
    EXPECT_EQ(big.length(), 201u);
}

// Past 256 bytes a string grows by half its capacity: a value of megabytes
// escaped byte by byte is copied a few dozen times, not once per 128 bytes.
TEST(MyStringGrowth, LongTextsGrowByHalfTheirCapacity)
{
    Tmy_string text;
    const std::string bytes(1000, 'y');
    text.append(bytes.c_str(), 1000);
    EXPECT_EQ(text.capacity(), 1001u);
    text.append("z", 1);
    EXPECT_EQ(text.capacity(), 1501u);
    Tmy_string huge;
    unsigned reallocations = 0;
    for (unsigned i = 0; i < (10u << 20); ++i) {
        const unsigned before = huge.capacity();
        huge.append("n", 1);
        reallocations += huge.capacity() != before;
    }
    EXPECT_EQ(huge.length(), 10u << 20);
    EXPECT_LT(reallocations, 40u);
}

TEST(MyString, ContentsAndNullTolerance)
{
    Tmy_string s;
    EXPECT_STREQ(s.c_str(), "");
    s.append(nullptr, 3);
    s.assign(nullptr);
    s.printf(nullptr);
    EXPECT_EQ(s.length(), 0u);
    s.append("a\0b", 3);  // explicit length keeps the NUL
    EXPECT_EQ(s.length(), 3u);
    Tmy_string copy;
    copy.assignString(&s);  // up to the first NUL
    EXPECT_STREQ(copy.c_str(), "a");
    EXPECT_EQ(s.appendUntil("cd;ef", ';'), 2);
    EXPECT_EQ(s.length(), 5u);
    my_string_append(nullptr, "x", 1);
    EXPECT_STREQ(my_string_text(nullptr), "");
    EXPECT_EQ(my_string_length(nullptr), 0u);
}

TEST(MyString, ToInt)
{
    EXPECT_EQ(Tmy_string("0x1F").toInt(0), 31);
    EXPECT_EQ(Tmy_string("0x").toInt(0), 0);
    EXPECT_EQ(Tmy_string("S123").toInt(1), 123);
    EXPECT_EQ(Tmy_string("12").toInt(5), 0);
    EXPECT_EQ(Tmy_string("4294967295").toInt(0), -1);  // wraps as 32-bit unsigned
}

TEST(MyString, Encoders)
{
    Tmy_string s;
    const unsigned char bytes[] = {0x00, 0xAB, 0x0A};
    s.appendHex(bytes, 3);
    EXPECT_STREQ(s.c_str(), "00AB0A");

    Tmy_string escaped;
    escaped.appendBackslashHex("a-b", 0, 1);
    EXPECT_STREQ(escaped.c_str(), "a\\2Db");
    Tmy_string dropped;
    dropped.appendBackslashHex("a-b", 0, 0);
    EXPECT_STREQ(dropped.c_str(), "ab");
    Tmy_string decoded;
    decoded.appendBackslashHexDecoded("a\\2Db\\4");  // the cut escape is dropped
    EXPECT_STREQ(decoded.c_str(), "a-b");

    Tmy_string t("  x y\r\n");
    t.trim();
    EXPECT_STREQ(t.c_str(), "x y");
    Tmy_string blanks(" \t ");
    blanks.trim();
    EXPECT_EQ(blanks.length(), 0u);

    EXPECT_TRUE(Tmy_string("Name").equals("nAME", 1));
    EXPECT_FALSE(Tmy_string("Name").equals("nAME", 0));
    EXPECT_FALSE(Tmy_string("Name").equals(nullptr, 1));
    EXPECT_EQ(Tmy_string("ab").charAt(1), 'b');
    EXPECT_EQ(Tmy_string("ab").charAt(2), '\0');
    EXPECT_TRUE(Tmy_string("Host=x").startsWith("host="));
    EXPECT_FALSE(Tmy_string().startsWith(""));
}

TEST(MyString, LoadFile)
{
    Ttemp_dir dir;
    ASSERT_TRUE(write_file_bytes(dir.file("ten.bin"), std::string("0123\0" "56789", 10)));
    Tmy_string s("old");
    EXPECT_EQ(s.loadFile(dir.file("ten.bin").c_str()), 0);
    EXPECT_EQ(s.length(), 10u);
    EXPECT_EQ(s.c_str()[10], '\0');
    EXPECT_EQ(s.c_str()[7], '7');
    EXPECT_EQ(s.loadFile(dir.file("missing").c_str()), 1);
    EXPECT_EQ(s.length(), 0u);
    EXPECT_EQ(my_string_load_file(nullptr, "x"), 1);
}
