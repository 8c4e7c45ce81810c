#pragma once
// Magnetic variation (declination) from the International Geomagnetic
// Reference Field to degree and order 10, with its secular variation. The
// model file "igrf" + epoch year + ".dat" in the program folder holds the main
// field and its yearly change for one five-year epoch.
//
// Requests rewrite the object's working coefficients, so one object serves one
// thread (the user-interface thread in the program).

#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "geo/Position.h"

namespace geo {

inline constexpr double kUndefinedVariation = 999.0;

// Where the two model warnings go: the program's message bar, or a test's fake.
class CVariationNotices {
public:
    virtual ~CVariationNotices() = default;
    virtual void Register() = 0;   // both messages, inactive
    virtual void ShowUnavailable() = 0;   // "Magnetic variation data unavailable"
    virtual void
    ShowOutOfDate() = 0;   // "... out of date, you should not use this data for navigation"
    virtual void Clear() = 0;   // both messages removed
};

class CGeomag {
public:
    static constexpr int kMaxDegree = 10;
    static constexpr int kCoefficients = kMaxDegree * (kMaxDegree + 2);   // 120

    // `currentYear` gives the calendar year now; the program passes the clock,
    // tests a fixed year.
    explicit CGeomag(CVariationNotices* notices = nullptr,
                     std::function<int()> currentYear = SystemYear);

    // Loads the file of the current five-year epoch from the folder.
    bool LoadModel(const std::filesystem::path& programFolder);
    // Loads one named model file (the program uses LoadModel).
    bool LoadModelFile(const std::filesystem::path& file);
    bool ClearMessages();
    bool IsLoaded() const { return m_loaded; }
    int EpochYear() const { return m_epochYear; }

    static std::string ModelFileName(int currentYear);
    // 0 on success, -2 on any failure (open, read, a line out of sequence, a
    // number that is not one); the values stored before a failure remain.
    int ReadCoefficients(const std::filesystem::path& path, bool mainField, double* out);
    static double DecimalYear(int year, int month, int day);
    int SetDate(std::chrono::year_month_day date);

    // Degrees east positive; kUndefinedVariation where the field gives none.
    double ComputeDeclination(const CPosition& position);
    // The variation at a place and date; 0.0 when it cannot be worked out.
    double GetVariation(std::chrono::year_month_day date, const CPosition& position);
    // " 3°30.0'W", "12°15.0'E" (UTF-8 degree sign).
    std::string FormatVariation(std::chrono::year_month_day date, const CPosition& position);

    // North, east and down components in nT at a geodetic position at sea level.
    void Synthesise(double latitude, double longitude, double* x, double* y, double* z);

    static int SystemYear();

private:
    void ExtrapolateCoefficients(double date, double epoch);

    CVariationNotices* m_notices;
    std::function<int()> m_currentYear;
    bool m_loaded = false;
    std::array<double, kCoefficients> m_working{};
    std::array<double, kCoefficients> m_main{};
    std::array<double, kCoefficients> m_secular{};
    int m_epochYear = 0;
};

}   // namespace geo
