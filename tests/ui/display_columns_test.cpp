#include "ui/display_columns.h"

#include <gtest/gtest.h>

#include "ui/faffiche.h"
#include "ui/result_columns.h"

namespace {

TEST(DisplayColumns, CountsTheColumnsOfItsSetFlags)
{
    Tdisplay_columns set;
    EXPECT_EQ(set.countColumns(), 0);
    set.setAll(1);
    EXPECT_EQ(set.countColumns(), 66);
    set.flags[48] = 0;
    EXPECT_EQ(set.countColumns(), 61);
    set.setAll(0);
    EXPECT_EQ(set.countColumns(), 0);
    set.flags[22] = 1;
    set.flags[48] = 1;
    EXPECT_EQ(set.countColumns(), 7);
    // Any non-zero byte is on.
    set.flags[22] = 0x80;
    EXPECT_EQ(set.countColumns(), 7);
}

TEST(DisplayColumns, EveryFlagEnablesAtLeastOneColumn)
{
    int per_flag[display_column_flag_count] = {};
    for (const Tresult_column& column : result_columns())
        ++per_flag[column.flag];
    for (int flag = 0; flag < display_column_flag_count; ++flag) {
        const int expected = flag == 48 ? 5 : (flag >= 22 && flag <= 26) || (flag >= 39 && flag <= 47 && flag != 43) ? 2 : 1;
        EXPECT_EQ(per_flag[flag], expected) << "flag " << flag;
    }
}

class DisplayOptions : public ::testing::Test {
protected:
    void TearDown() override
    {
        display_columns.setAll(0);
        display_time_zone = display_time_zone_at_start;
    }
    int on_count()
    {
        int count = 0;
        for (unsigned char flag : display_columns.flags)
            count += flag != 0;
        return count;
    }
};

TEST_F(DisplayOptions, KeysAndValuesAreTakenWithoutRegardToCase)
{
    set_display_option("DISPLAY_TYPE", "BQS-16");
    EXPECT_EQ(on_count(), 6);
    EXPECT_TRUE(display_columns.flags[0] && display_columns.flags[29] && display_columns.flags[18]);
    set_display_option("display_type", "HVQ-485_p_t");
    EXPECT_EQ(on_count(), 2);
    EXPECT_TRUE(display_columns.flags[28]);
    set_display_option("Display_Extension", "EXTENSION_ELSTER");
    EXPECT_EQ(on_count(), 8);
    set_display_option("ttimezone", "-7");
    EXPECT_EQ(display_time_zone, -7);
    set_display_option("TTimeZone", "101");
    EXPECT_EQ(display_time_zone, 101);
}

TEST_F(DisplayOptions, UnknownKeysAndValuesChangeNothing)
{
    display_time_zone = -4;
    set_display_option("default_affiche", "all_on");
    ASSERT_EQ(on_count(), display_column_flag_count);
    set_display_option("display_type", "custom");
    set_display_option("display_type", "klvr-99");
    set_display_option("display_extension", "extension_radar");
    set_display_option("default_affiche", "some");
    set_display_option("colour", "red");
    set_display_option(nullptr, "all_off");
    set_display_option("default_affiche", nullptr);
    EXPECT_EQ(on_count(), display_column_flag_count);
    set_display_option("display_type", "all_off");
    EXPECT_EQ(on_count(), 0);
    // Without a result window the ppb option has nothing to switch.
    set_display_option("ppb_conversion", "enabled");
    EXPECT_EQ(display_time_zone, -4);
}

}  // namespace
