// Time spans typed into the options pages' time fields.
#include <gtest/gtest.h>

#include "app/TimeSpanText.h"

namespace {

TEST(TimeSpanText, ReadsHoursMinutesSecondsAndNamesTheBadPart)
{
    struct Case {
        const char* text;
        int parts;
        long seconds;   // -1: refused
        const char* message;
    } cases[] = {
        {"00:05:00", 3, 300, ""},
        {" 0:00:01 ", 3, 1, ""},
        {"23:59:59", 3, 86399, ""},
        {"00:75:00", 3, -1, "Minutes run from 0 to 59"},
        {"00:00:60", 3, -1, "Seconds run from 0 to 59"},
        {"1:30", 2, 90, ""},
        {"1:75", 2, -1, "Seconds run from 0 to 59"},
        {"5:00", 3, -1, "Enter the time as hours:minutes:seconds, such as 00:05:00"},
        {"0:-1:00", 3, -1, "Enter the time as hours:minutes:seconds, such as 00:05:00"},
        {"0:1,5:00", 3, -1, "Enter the time as hours:minutes:seconds, such as 00:05:00"},
        {"", 2, -1, "Enter the time as minutes:seconds, such as 1:30"},
    };
    for (const Case& c : cases) {
        const app::TimeSpanParse r = app::ParseTimeSpanText(c.text, c.parts);
        if (c.seconds >= 0) {
            ASSERT_TRUE(std::holds_alternative<long>(r)) << c.text;
            EXPECT_EQ(std::get<long>(r), c.seconds) << c.text;
        } else {
            ASSERT_TRUE(std::holds_alternative<std::string>(r)) << c.text;
            EXPECT_EQ(std::get<std::string>(r), c.message) << c.text;
        }
    }
    EXPECT_EQ(app::FormatTimeSpanText(300), "00:05:00");
    EXPECT_EQ(app::FormatTimeSpanText(86399), "23:59:59");
    EXPECT_EQ(app::FormatTimeSpanText(90, 2), "1:30");
}

}   // namespace
