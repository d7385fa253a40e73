#include "base/typed_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "base/my_string.h"

// What a person types is taken whole or refused: never read in part, wrapped
// or clamped, and the refusal names the field, the text and the range.
TEST(TypedNumber, WholeNumbersAreTakenWholeWithinTheirRange)
{
    const struct {
        const char* text;
        long long low, high;
        bool taken;
        long long value;
    } cases[] = {
        {"0", 0, 4294967295LL, true, 0},
        {"4294967295", 0, 4294967295LL, true, 4294967295LL},
        {" + 7 ", 0, 10, true, 7},
        {"-2147483648", -2147483648LL, 2147483647, true, -2147483648LL},
        {"- 3", -5, 5, true, -3},
        {"4294967296", 0, 4294967295LL, false, 0},
        {"4294967301", 0, 4294967295LL, false, 0},
        {" -5", 0, 4294967295LL, false, 0},
        {"-0", 0, 10, false, 0},  // no sign in a field of unsigned numbers
        {"2147483648", -10, 2147483647, false, 0},
        {"11", 0, 10, false, 0},
        {"0", 1, 10, false, 0},
        {"12ab", 0, 100, false, 0},
        {"1e6", 0, 2000000, false, 0},
        {"1,5", 0, 100, false, 0},
        {"1.0", 0, 100, false, 0},
        {"", 0, 100, false, 0},
        {" + ", 0, 100, false, 0},
        {"99999999999999999999", 0, 4294967295LL, false, 0},
    };
    for (const auto& c : cases) {
        long long value = 99;
        Tmy_string why;
        EXPECT_EQ(read_typed_whole_number(c.text, "GSM_INTERVAL", c.low, c.high, &value, &why), c.taken) << c.text;
        if (c.taken) {
            EXPECT_EQ(value, c.value) << c.text;
            EXPECT_EQ(why.length(), 0u) << c.text;
        } else {
            EXPECT_EQ(value, 99) << c.text;
            EXPECT_EQ(std::string(why.c_str()), "GSM_INTERVAL: \"" + std::string(c.text) + "\" is no whole number from " +
                                                     std::to_string(c.low) + " to " + std::to_string(c.high));
        }
    }
    long long value = 5;
    EXPECT_FALSE(read_typed_whole_number(nullptr, "x", 0, 1, &value, nullptr));
    EXPECT_EQ(value, 5);
}

TEST(TypedNumber, DecimalsAreFiniteWholeTextsWithinTheirRange)
{
    const struct {
        const char* text;
        bool taken;
        double value;
    } cases[] = {
        {"0.29", true, 0.29},  {"12", true, 12},        {"1.5e3", true, 1500},   {" 42949672.95", true, 42949672.95},
        {"12abc", false, 0},   {"1,5", false, 0},       {"-3", false, 0},        {"1e12", false, 0},
        {"1e309", false, 0},   {"0e309", false, 0},     {"", false, 0},          {".", false, 0},
        {"42949673", false, 0},
    };
    for (const auto& c : cases) {
        double value = 99;
        Tmy_string why;
        EXPECT_EQ(read_typed_decimal(c.text, "index", 0, 42949672.95, &value, &why), c.taken) << c.text;
        if (c.taken) {
            EXPECT_DOUBLE_EQ(value, c.value) << c.text;
        } else {
            EXPECT_EQ(value, 99) << c.text;
            EXPECT_EQ(std::string(why.c_str()), "index: \"" + std::string(c.text) +
                                                     "\" is no number from 0 to 42949672.95 (decimals after a point)");
        }
    }
    // The French windows say it in French.
    Tmy_string why;
    EXPECT_FALSE(read_typed_decimal("-3", "index actuel (m3)", 0, 10, nullptr, &why, Twindow_language::french));
    EXPECT_EQ(std::string(why.c_str()),
              "index actuel (m3) : \"-3\" n'est pas un nombre de 0 \xC3\xA0 10 (d\xC3\xA9"
              "cimales apr\xC3\xA8s un point)");
}
