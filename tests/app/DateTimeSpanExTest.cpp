#include "app/DateTimeSpanEx.h"

#include "app/DateLocale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

TEST(DateTimeSpanEx, ParseReadsSecondsOrDaysAndTime)
{
    const app::CDateLocale c;
    struct Row {
        const char* text;
        bool ok;
        long long seconds;
    };
    const Row rows[] = {
        {"90", true, 90},
        {"0x5A", true, 90},
        {"-90", true, -90},
        {"1 00:30:00", true, 86400 + 1800},
        {"1, 00:30:00", true, 86400 + 1800},
        {"  2   23:59:59 ", true, 2 * 86400 + 86399},
        {"-0 00:30:00", true, -1800},
        {"-1 00:30:00", true, -(86400 + 1800)},
        {"abc", false, 0},
        {"", false, 0},
        {"90s", false, 0},
        {"1 2", false, 0},
        {"x 00:30:00", false, 0},
        {"1 25:00:00", false, 0},
        {"1 00:30:00 junk", false, 0},
    };
    for (const Row& r : rows) {
        app::CDateTimeSpanEx s(77L);
        EXPECT_EQ(s.Parse(r.text, c), r.ok) << r.text;
        EXPECT_EQ(s.GetTotalSeconds(), r.ok ? r.seconds : 77)
            << r.text;   // a refused text changes nothing
    }
}

TEST(DateTimeSpanEx, FormatAndParseReadEachOther)
{
    app::CDateLocale c, ampm;
    ampm.timeFormat = "%I:%M:%S %p";
    const long long spans[] = {
        0, 59, 1800, 86399, 86400, 86400 + 1800, 40 * 86400 + 43200 + 61, -1800, -(3 * 86400 + 5)};
    for (const app::CDateLocale* loc : {&c, &ampm}) {
        for (long long secs : spans) {
            const app::CDateTimeSpanEx s(static_cast<long>(secs));
            app::CDateTimeSpanEx back;
            ASSERT_TRUE(back.Parse(s.Format(*loc), *loc)) << s.Format(*loc);
            EXPECT_EQ(back.GetTotalSeconds(), secs) << s.Format(*loc);
        }
    }
    EXPECT_EQ(app::CDateTimeSpanEx(86400L + 1800).Format(c), "1 00:30:00");
    EXPECT_EQ(app::CDateTimeSpanEx(86400L + 1800).Format(ampm), "1 12:30:00 AM");
    EXPECT_EQ(app::CDateTimeSpanEx(-1800L).Format(c), "-0 00:30:00");
    app::CDateTimeSpanEx invalid;
    invalid.SetStatus(app::CDateTimeSpanEx::invalid);
    EXPECT_EQ(invalid.Format(c), "");
    EXPECT_EQ(invalid.ToStorageText(), "");
}

TEST(DateTimeSpanEx, StoredFormIsFixedAndStrict)
{
    const std::pair<long, const char*> rows[] = {{0, "0 00:00:00"},
                                                 {90, "0 00:01:30"},
                                                 {86400 + 1800, "1 00:30:00"},
                                                 {-1800, "-0 00:30:00"},
                                                 {1000L * 86400 + 3661, "1000 01:01:01"}};
    for (const auto& [seconds, text] : rows) {
        EXPECT_EQ(app::CDateTimeSpanEx(seconds).ToStorageText(), text);
        app::CDateTimeSpanEx back;
        ASSERT_TRUE(app::CDateTimeSpanEx::FromStorageText(text, back)) << text;
        EXPECT_EQ(back.GetTotalSeconds(), seconds);
    }
    const char* bad[] = {"",           "90",        "1 0:30:00",   "1 00:60:00",  "1 24:00:00",
                         "a 00:30:00", " 00:30:00", "1  00:30:00", "1 00:30:00 ", "--1 00:30:00",
                         "1 00-30-00"};
    for (const char* text : bad) {
        app::CDateTimeSpanEx out(5L);
        EXPECT_FALSE(app::CDateTimeSpanEx::FromStorageText(text, out)) << text;
        EXPECT_EQ(out.GetTotalSeconds(), 5);
    }
}

TEST(DateTimeSpanEx, ComponentsAndStatusPropagation)
{
    const app::CDateTimeSpanEx s(2L, 25, 61, 3661);   // fields beyond their range carry over
    EXPECT_EQ(s.GetTotalSeconds(), 2 * 86400 + 25 * 3600 + 61 * 60 + 3661);
    EXPECT_EQ((std::vector<long>{s.GetDays(), s.GetHours(), s.GetMinutes(), s.GetSeconds()}),
              (std::vector<long>{3, 3, 2, 1}));
    EXPECT_EQ((std::vector<long>{(-s).GetDays(), (-s).GetHours()}), (std::vector<long>{-3, -3}));

    app::CDateTimeSpanEx sum(10L);
    app::CDateTimeSpanEx bad;
    bad.SetStatus(app::CDateTimeSpanEx::invalid);
    sum += bad;
    EXPECT_EQ(sum.GetStatus(), app::CDateTimeSpanEx::invalid);
    // Absurd but finite spans still give text rather than overflowing.
    EXPECT_FALSE(app::CDateTimeSpanEx::FromDays(-1e300).ToStorageText().empty());
    EXPECT_FALSE(app::CDateTimeSpanEx::FromDays(std::nan("")).IsValid());

    app::CDateTimeSpanEx null;
    null.SetStatus(app::CDateTimeSpanEx::null);
    EXPECT_EQ((app::CDateTimeSpanEx(1L) + null).GetStatus(), app::CDateTimeSpanEx::null);
}

}   // namespace
