#include "ui/cell_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

namespace {

std::string printed(double value, int decimals)
{
    char text[512];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// The fast writers must give exactly the bytes of the printf formats they stand in for.
TEST(CellText, FixedAndIntegerWritersMatchPrintf)
{
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> magnitude(-12, 12);
    for (int i = 0; i < 20000; ++i) {
        const double value = (random() % 2 ? -1 : 1) * std::pow(10.0, magnitude(random));
        const int decimals = static_cast<int>(random() % 8);
        std::string out;
        append_fixed(out, value, decimals);
        ASSERT_EQ(out, printed(value, decimals)) << value;
    }
    for (double value : {0.0, -0.0, 0.5, 1.5, 2.5, 0.125, 303.125, 1e300, -1e300, 1e-300,
                         std::numeric_limits<double>::infinity(), std::numeric_limits<double>::denorm_min()}) {
        for (int decimals : {0, 2, 3, 7}) {
            std::string out;
            append_fixed(out, value, decimals);
            EXPECT_EQ(out, printed(value, decimals)) << value << " " << decimals;
        }
    }
    for (long long value : {0LL, -1LL, 4294967295LL, -9223372036854775807LL - 1, 9223372036854775807LL}) {
        std::string out = "x";
        append_integer(out, value);
        char text[32];
        std::snprintf(text, sizeof text, "x%lld", value);
        EXPECT_EQ(out, text);
    }
    std::string longer = "a";
    append_printf(longer, "%0300d|%s", 7, "end");
    EXPECT_EQ(longer.size(), 1u + 300 + 4);
    EXPECT_EQ(longer.substr(longer.size() - 5), "7|end");
}

}  // namespace
