#include "app/DateTimeEx.h"

#include <gtest/gtest.h>

#include "../support/PythonScript.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Sets TZ for one test and puts the old value back.
class ScopedTz {
public:
    explicit ScopedTz(const char* zone)
        : m_old(std::getenv("TZ") ? std::optional<std::string>(std::getenv("TZ")) : std::nullopt)
    {
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTz()
    {
        m_old ? setenv("TZ", m_old->c_str(), 1) : unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> m_old;
};

std::string Fields(const app::CDateTimeEx& v)
{
    if (!v.IsValid())
        return "invalid";
    const app::DateFields f = v.GetFields();
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day, f.hour,
                  f.minute, f.second);
    return buf;
}

// Output lines of a program run by the system's Python, whose datetime and
// zoneinfo are the reference; none when it cannot run.
std::vector<std::string> RunPython(const std::string& script)
{
    return brine_test::SplitLines(brine_test::RunPython(script).value_or(""));
}

bool HavePythonZoneinfo()
{
    return brine_test::RunPython("import zoneinfo\n").has_value();
}

TEST(DateTimeEx, NegativeDatesCountTheFractionForward)
{
    // -1.25: one day back from 1899-12-30, then six hours forward.
    app::CDateTimeEx v(-1.25);
    EXPECT_EQ(Fields(v), "1899-12-29 06:00:00");
    EXPECT_DOUBLE_EQ(v.GetLinearDays(), -0.75);

    struct Row {
        int y, mo, d, h, mi, s;
        double stored;
    };
    const Row rows[] = {{1899, 12, 30, 18, 0, 0, 0.75},
                        {1899, 12, 29, 0, 0, 0, -1.0},
                        {1899, 12, 29, 18, 0, 0, -1.75},
                        {1899, 12, 28, 12, 0, 0, -2.5},
                        {1900, 1, 1, 6, 0, 0, 2.25}};
    for (const Row& r : rows) {
        app::CDateTimeEx t(r.y, r.mo, r.d, r.h, r.mi, r.s);
        EXPECT_DOUBLE_EQ(t.m_dt, r.stored) << r.y << "-" << r.mo << "-" << r.d;
        EXPECT_EQ(Fields(app::CDateTimeEx(r.stored)), Fields(t));
    }
    // Ordering and differences follow time, not the raw double.
    const app::CDateTimeEx early(1899, 12, 29, 6, 0, 0), late(1899, 12, 29, 18, 0, 0);
    EXPECT_LT(early, late);
    EXPECT_EQ((late - early).GetTotalSeconds(), 12 * 3600);
    EXPECT_EQ(Fields(early + app::CDateTimeSpanEx(0L, 30, 0, 0)), "1899-12-30 12:00:00");
}

TEST(DateTimeEx, RangeAndFieldChecks)
{
    struct Row {
        int y, mo, d, h, mi, s;
        bool ok;
    };
    const Row rows[] = {
        {100, 1, 1, 0, 0, 0, true},       {99, 12, 31, 23, 59, 59, false},
        {9999, 12, 31, 23, 59, 59, true}, {10000, 1, 1, 0, 0, 0, false},
        {2000, 2, 29, 0, 0, 0, true},     {1900, 2, 29, 0, 0, 0, false},
        {2023, 4, 31, 0, 0, 0, false},    {2023, 1, 1, 24, 0, 0, false},
        {2023, 1, 1, 0, 60, 0, false},    {2023, 0, 1, 0, 0, 0, false},
    };
    for (const Row& r : rows) {
        app::CDateTimeEx v;
        EXPECT_EQ(v.SetDateTime(r.y, r.mo, r.d, r.h, r.mi, r.s), r.ok)
            << r.y << "-" << r.mo << "-" << r.d;
        EXPECT_EQ(v.IsValid(), r.ok);
    }
    const app::CDateTimeEx last(9999, 12, 31, 23, 59, 59);
    EXPECT_FALSE((last + app::CDateTimeSpanEx(1L)).IsValid());
    const app::CDateTimeEx first(100, 1, 1, 0, 0, 0);
    EXPECT_FALSE((first - app::CDateTimeSpanEx(1L)).IsValid());
    EXPECT_FALSE(app::CDateTimeEx(1e300).IsValid());
    EXPECT_EQ(app::CDateTimeEx(-1e300).GetYear(),
              1899);   // no overflow on an invalid value's fields
    EXPECT_FALSE(app::CDateTimeEx(std::nan("")).IsValid());

    app::CDateTimeEx null;
    null.SetStatus(app::CDateTimeEx::null);
    EXPECT_EQ((null + app::CDateTimeSpanEx(5L)).GetStatus(), app::CDateTimeEx::null);
    EXPECT_EQ((first - null).GetStatus(), app::CDateTimeSpanEx::null);
}

TEST(DateTimeEx, StoredFormsRoundTripAndRefuseMalformedText)
{
    const app::CDateTimeEx v(101, 1, 1, 1, 30, 0);
    EXPECT_EQ(v.ToStorageText(), "01010101 013000");
    app::CDateTimeEx back;
    ASSERT_TRUE(app::CDateTimeEx::FromStorageText(v.ToStorageText(), back));
    EXPECT_EQ(back, v);

    app::CDateTimeEx time;
    ASSERT_TRUE(app::CDateTimeEx::FromStorageTime("235959", time));
    EXPECT_EQ(Fields(time), "1899-12-30 23:59:59");

    const char* bad[] = {"",
                         "2024131 120000",
                         "20240230 120000",
                         "20240101 240000",
                         "20240101-120000",
                         "20240101 12000",
                         "2024O101 120000",
                         "20240101 120000 "};
    for (const char* text : bad) {
        app::CDateTimeEx out(2000, 1, 1, 0, 0, 0);
        EXPECT_FALSE(app::CDateTimeEx::FromStorageText(text, out)) << text;
        EXPECT_EQ(Fields(out), "2000-01-01 00:00:00") << "left unchanged: " << text;
    }
    app::CDateTimeEx invalid;
    invalid.SetStatus(app::CDateTimeEx::invalid);
    EXPECT_EQ(invalid.ToStorageText(), "");
}

TEST(DateTimeEx, NthWeekdayOfMonth)
{
    struct Row {
        int y, mo, dow, week;
        const char* date;
    };
    const Row rows[] = {
        {2000, 10, 0, 1, "2000-10-01 00:00:00"},   // month that begins on a Sunday
        {2000, 10, 0, 5, "2000-10-29 00:00:00"},   // its last Sunday
        {2000, 3, 0, 5, "2000-03-26 00:00:00"},   // March's last Sunday, the spring change
        {2024, 2, 4, 5, "2024-02-29 00:00:00"},   // fifth Thursday, leap day
        {2024, 2, 5, 5, "2024-02-23 00:00:00"},   // only four Fridays: the last
        {2024, 3, 7, 1, "invalid"},
        {2024, 3, 0, 6, "invalid"},
        {2024, 13, 0, 1, "invalid"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(Fields(app::CDateTimeEx::NthWeekdayOfMonth(r.y, r.mo, r.dow, r.week)), r.date)
            << r.y << "/" << r.mo << " week " << r.week;
}

TEST(DateTimeEx, LocalePicturesAndText)
{
    app::CDateLocale us, de, noYear, ampm;   // us keeps the C conventions: %m/%d/%y and %H:%M:%S
    de.dateFormat = "%d.%m.%Y";
    noYear.dateFormat = "%d-%m";
    ampm.timeFormat = "%I:%M:%S %p";
    const app::CDateTimeEx v(2024, 3, 5, 14, 5, 9);
    const std::pair<std::string, const char*> rows[] = {
        {app::CDateTimeEx::GetShortDateFormat(false, us), "MM/dd/yy"},
        {app::CDateTimeEx::GetShortDateFormat(true, de), "dd.MM.yyyy"},
        {app::CDateTimeEx::GetShortDateFormat(true, noYear), "dd-MM-yyyy"},
        {app::CDateTimeEx::GetTimeFormat(true, ampm), "hh:mm tt"},
        {app::CDateTimeEx::GetDateTimeFormat(true, false, de), "dd.MM.yyyy HH:mm:ss"},
        {v.FormatTime(true, us), "14:05"},
        {v.FormatTime(false, ampm), "02:05:09 PM"},
        {v.FormatDate(false, us), "03/05/24"},
        {v.FormatDateTime(true, true, de), "05.03.2024 14:05"},
        {app::CDateTimeEx(101, 1, 1, 0, 0, 0).FormatDate(true, de), "01.01.0101"},
    };
    for (const auto& [text, expected] : rows)
        EXPECT_EQ(text, expected);
    app::CDateTimeEx invalid;
    invalid.SetStatus(app::CDateTimeEx::invalid);
    EXPECT_EQ(invalid.FormatLong(us) + invalid.FormatDate(true, us), "");
}

TEST(DateTimeEx, LongFormKeepsTheDayWhenNoWeekdayLeads)
{
    const app::CDateTimeEx v(1995, 3, 14, 12, 41, 29);   // a Tuesday
    app::CDateLocale c;
    EXPECT_EQ(v.FormatLong(c), "Mar 14 12:41:29 1995");

    app::CDateLocale weekdayComma;
    weekdayComma.dateTimeFormat = "%A, %B %d, %Y %H:%M:%S";
    EXPECT_EQ(v.FormatLong(weekdayComma), "March 14 1995 12:41:29");

    app::CDateLocale dayFirst;
    dayFirst.dateTimeFormat = "%d %B %Y %H:%M:%S %Z";
    EXPECT_EQ(v.FormatLong(dayFirst), "14 March 1995 12:41:29");

    // Whatever the locale, the long text reads back as the same value.
    for (const app::CDateLocale* loc : {&c, &weekdayComma, &dayFirst}) {
        app::CDateTimeEx back;
        ASSERT_TRUE(back.Parse(v.FormatLong(*loc), *loc)) << v.FormatLong(*loc);
        EXPECT_EQ(back, v) << v.FormatLong(*loc);
    }
}

TEST(DateTimeEx, ParseReadsLocaleTextAndRefusesNonsense)
{
    app::CDateLocale us;
    app::CDateLocale uk;
    uk.dateFormat = "%d/%m/%Y";
    struct Row {
        const app::CDateLocale* loc;
        const char* text;
        const char* fields;
    };
    const Row rows[] = {
        {&us, "Apr 17 2000 10:15:53", "2000-04-17 10:15:53"},
        {&us, "03/05/24 14:05", "2024-03-05 14:05:00"},
        {&uk, "03/05/2024 2:05 PM", "2024-05-03 14:05:00"},
        {&uk, "13/05/2024", "2024-05-13 00:00:00"},
        {&us, "13/05/2024", "2024-05-13 00:00:00"},   // no 13th month: day first
        {&us, "2024-03-05 00:00:01", "2024-03-05 00:00:01"},
        {&us, "12:00 AM", "1899-12-30 00:00:00"},
        {&us, "Tuesday, March 14, 1995", "1995-03-14 00:00:00"},
        {&us, "1/1/29", "2029-01-01 00:00:00"},
        {&us, "1/1/30", "1930-01-01 00:00:00"},
        {&us, "Jan 1 101", "0101-01-01 00:00:00"},
        {&us, "", "invalid"},
        {&us, "hello", "invalid"},
        {&us, "02/30/2024", "invalid"},
        {&us, "25:00", "invalid"},
        {&us, "13:00 PM", "invalid"},
        {&us, "1/2/3/4", "invalid"},
        {&us, "12:00 @", "invalid"},
    };
    for (const Row& r : rows) {
        app::CDateTimeEx v(2000, 1, 1, 0, 0, 0);
        const bool ok = v.Parse(r.text, *r.loc);
        EXPECT_EQ(ok, std::string(r.fields) != "invalid") << r.text;
        EXPECT_EQ(Fields(v), r.fields) << r.text;
    }
}

// ---- Against Python's datetime and zoneinfo ------------------------------------------

struct ZoneCase {
    const char* zone;
    bool toUtc;   // LocalToUtc when true, UtcToLocal otherwise
    int y, mo, d, h, mi, s;
};

// Both yearly changes of a northern and a southern zone, each from both
// sides, with readings inside the skipped and the repeated hour, plus the
// sentinel dates (where both zones still keep local mean time).
constexpr const char* kLondon = "Europe/London";
constexpr const char* kSydney = "Australia/Sydney";
const ZoneCase kZoneCases[] = {
    // Local to UTC: before, inside and after the skipped (spring) and the repeated (autumn) hour.
    {kLondon, true, 2024, 3, 31, 0, 59, 59},
    {kLondon, true, 2024, 3, 31, 1, 30, 0},
    {kLondon, true, 2024, 3, 31, 2, 0, 0},
    {kLondon, true, 2024, 10, 27, 0, 59, 59},
    {kLondon, true, 2024, 10, 27, 1, 30, 0},
    {kLondon, true, 2024, 10, 27, 2, 0, 0},
    {kSydney, true, 2024, 4, 7, 1, 59, 59},
    {kSydney, true, 2024, 4, 7, 2, 30, 0},
    {kSydney, true, 2024, 4, 7, 3, 0, 0},
    {kSydney, true, 2024, 10, 6, 1, 59, 59},
    {kSydney, true, 2024, 10, 6, 2, 30, 0},
    {kSydney, true, 2024, 10, 6, 3, 0, 0},
    // UTC to local on both sides of each change.
    {kLondon, false, 2024, 3, 31, 0, 59, 59},
    {kLondon, false, 2024, 3, 31, 1, 0, 0},
    {kLondon, false, 2024, 10, 27, 0, 30, 0},
    {kLondon, false, 2024, 10, 27, 1, 30, 0},
    {kSydney, false, 2024, 4, 6, 15, 59, 59},
    {kSydney, false, 2024, 4, 6, 16, 0, 0},
    {kSydney, false, 2024, 10, 5, 15, 59, 59},
    {kSydney, false, 2024, 10, 5, 16, 0, 0},
    // The sentinels, where both zones still keep local mean time.
    {kLondon, true, 101, 1, 1, 0, 0, 0},
    {kLondon, false, 9998, 12, 31, 23, 59, 59},
    {kSydney, true, 9998, 12, 31, 23, 59, 59},
    {kSydney, false, 101, 1, 1, 0, 0, 0},
};

std::string ReferenceScript()
{
    std::ostringstream py;
    py << "from datetime import datetime, timezone\n"
          "from zoneinfo import ZoneInfo\n"
          "cases = [\n";
    for (const ZoneCase& c : kZoneCases)
        py << "  ('" << c.zone << "', " << (c.toUtc ? "True" : "False") << ", " << c.y << ", "
           << c.mo << ", " << c.d << ", " << c.h << ", " << c.mi << ", " << c.s << "),\n";
    py << "]\n"
          "for zone, to_utc, *f in cases:\n"
          "    z = ZoneInfo(zone)\n"
          "    if to_utc:\n"
          "        r = datetime(*f, tzinfo=z).astimezone(timezone.utc)\n"
          "    else:\n"
          "        r = datetime(*f, tzinfo=timezone.utc).astimezone(z)\n"
          "    print('%04d-%02d-%02d %02d:%02d:%02d' % (r.year, r.month, r.day, r.hour, r.minute, "
          "r.second))\n";
    return py.str();
}

TEST(DateTimeEx, LocalAndUtcMatchTheZoneDatabase)
{
    if (!HavePythonZoneinfo())
        GTEST_SKIP() << "/usr/bin/python3 with zoneinfo is needed for the reference";
    const std::vector<std::string> expected = RunPython(ReferenceScript());
    ASSERT_EQ(expected.size(), std::size(kZoneCases)) << (expected.empty() ? "" : expected[0]);

    for (size_t i = 0; i < std::size(kZoneCases); ++i) {
        const ZoneCase& c = kZoneCases[i];
        ScopedTz tz(c.zone);
        const app::CDateTimeEx in(c.y, c.mo, c.d, c.h, c.mi, c.s);
        const app::CDateTimeEx out = c.toUtc ? in.LocalToUtc() : in.UtcToLocal();
        EXPECT_EQ(Fields(out), expected[i])
            << c.zone << (c.toUtc ? " local " : " utc ") << Fields(in);
        if (c.toUtc) {
            EXPECT_EQ(Fields(in + in.GetUtcBias()), expected[i]);
        }
    }
}

TEST(DateTimeEx, SentinelsAgainstPython)
{
    if (!HavePythonZoneinfo())
        GTEST_SKIP() << "/usr/bin/python3 is needed for the reference";
    const std::vector<std::string> expected = RunPython(
        "from datetime import datetime, timedelta\n"
        "base = datetime(1899, 12, 30)\n"
        "for d in [datetime(101, 1, 1), datetime(9998, 12, 31, 23, 59, 59), datetime(100, 1, 1),\n"
        "          datetime(9999, 12, 31, 23, 59, 59)]:\n"
        "    print(repr((d - base) / timedelta(seconds=1)))\n"
        "t = datetime(101, 1, 1) + timedelta(hours=1, minutes=30)\n"
        "print(t.strftime('%H:%M:%S'), (t - datetime(101, 1, 1)).total_seconds())\n");
    ASSERT_EQ(expected.size(), 5u);

    const app::CDateTimeEx dates[] = {{101, 1, 1, 0, 0, 0},
                                      {9998, 12, 31, 23, 59, 59},
                                      {100, 1, 1, 0, 0, 0},
                                      {9999, 12, 31, 23, 59, 59}};
    for (size_t i = 0; i < 4; ++i) {
        ASSERT_TRUE(dates[i].IsValid());
        EXPECT_EQ(std::llround(dates[i].GetLinearDays() * 86400),
                  std::llround(std::stod(expected[i])))
            << Fields(dates[i]);
    }
    // The "no fix yet" sentinel plus an hour and a half gives back exactly that span.
    const app::CDateTimeEx noFix(101, 1, 1, 0, 0, 0);
    const app::CDateTimeEx later = noFix + app::CDateTimeSpanEx(0L, 1, 30, 0);
    EXPECT_EQ(Fields(later), "0101-01-01 01:30:00");
    const app::CDateTimeSpanEx back = later - noFix;
    EXPECT_EQ(std::to_string(back.GetTotalSeconds()) + ".0", expected[4].substr(9));
    EXPECT_EQ(back.ToStorageText(), "0 01:30:00");
    EXPECT_LT(later.m_dt, noFix.m_dt);   // stored fraction runs the other way below zero
}

}   // namespace
