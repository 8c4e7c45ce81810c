#pragma once
// A duration in days (fraction = part of a day) with a status, the partner of
// CDateTimeEx. Spans are stored in settings as text that reads back exactly.

#include <cstdint>
#include <string>
#include <string_view>

namespace app {

class CDateLocale;

class CDateTimeSpanEx {
public:
    enum DateTimeSpanStatus : std::int32_t { valid = 0, invalid = 1, null = 2 };

    CDateTimeSpanEx() = default;
    explicit CDateTimeSpanEx(long seconds);
    CDateTimeSpanEx(long days, int hours, int minutes, int seconds);
    static CDateTimeSpanEx FromDays(double days);

    // Always valid afterwards; fields may be out of their usual range
    // (90 minutes is an hour and a half).
    void SetSpan(long days, int hours, int minutes, int seconds);
    void SetSeconds(long seconds);
    void SetStatus(DateTimeSpanStatus status) { m_status = status; }
    DateTimeSpanStatus GetStatus() const { return m_status; }
    bool IsValid() const { return m_status == valid; }

    double GetTotalDays() const { return m_span; }
    // Whole seconds, rounded to nearest: the program never keeps finer spans.
    std::int64_t GetTotalSeconds() const;
    // Components of the rounded span; all carry the span's sign.
    long GetDays() const;
    int GetHours() const;
    int GetMinutes() const;
    int GetSeconds() const;

    CDateTimeSpanEx& operator+=(const CDateTimeSpanEx& other);
    CDateTimeSpanEx& operator-=(const CDateTimeSpanEx& other);
    CDateTimeSpanEx operator+(const CDateTimeSpanEx& other) const;
    CDateTimeSpanEx operator-(const CDateTimeSpanEx& other) const;
    CDateTimeSpanEx operator-() const;
    bool operator==(const CDateTimeSpanEx& other) const;
    bool operator<(const CDateTimeSpanEx& other) const { return m_span < other.m_span; }
    bool operator>(const CDateTimeSpanEx& other) const { return m_span > other.m_span; }

    // Display text: whole days, a blank, then the remainder as a time of day in
    // the locale's time format ("1 00:30:00"). A negative span starts with '-'.
    // Empty when the span is not valid.
    std::string Format() const;
    std::string Format(const CDateLocale& locale) const;
    // Reads Format's text, or a whole number of seconds ("90", "0x5A").
    bool Parse(std::string_view text);
    bool Parse(std::string_view text, const CDateLocale& locale);

    // Fixed, locale-free stored form "D HH:MM:SS" ("-D HH:MM:SS" when negative);
    // empty when not valid. FromStorageText accepts nothing else.
    std::string ToStorageText() const;
    static bool FromStorageText(std::string_view text, CDateTimeSpanEx& out);

    double m_span = 0.0;
    DateTimeSpanStatus m_status = valid;
};

}   // namespace app
