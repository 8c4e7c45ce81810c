#include "geo/Geomag.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>

#include "geo/NavMaths.h"
#include "platform/LocaleFreeNumbers.h"

namespace geo {

namespace {

constexpr int kN = CGeomag::kMaxDegree;

// Index of g(n, m) in the coefficient order g(1,0) g(1,1) h(1,1) g(2,0) ...;
// h(n, m) follows its g.
constexpr int GIndex(int n, int m)
{
    return n * n - 1 + (m == 0 ? 0 : 2 * m - 1);
}

// Columns [first, first + count) without surrounding blanks.
std::string Field(const std::string& line, std::size_t first, std::size_t count)
{
    if (first >= line.size())
        return {};
    std::string f = line.substr(first, count);
    const auto b = f.find_first_not_of(" \t");
    if (b == std::string::npos)
        return {};
    const auto e = f.find_last_not_of(" \t");
    return f.substr(b, e - b + 1);
}

// A blank field reads as 0; anything that is not wholly a finite number fails.
bool ParseNumber(const std::string& text, double* value)
{
    if (text.empty()) {
        *value = 0.0;
        return true;
    }
    const auto v = platform::ParseDouble(text);
    if (!v)
        return false;
    *value = *v;
    return true;
}

bool ReadLine(std::ifstream& in, std::string* line)
{
    if (!std::getline(in, *line))
        return false;
    if (!line->empty() && line->back() == '\r')
        line->pop_back();
    return true;
}

}   // namespace

CGeomag::CGeomag(CVariationNotices* notices, std::function<int()> currentYear)
    : m_notices(notices), m_currentYear(std::move(currentYear))
{ }

int CGeomag::SystemYear()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_year + 1900;
}

std::string CGeomag::ModelFileName(int currentYear)
{
    return "igrf" + std::to_string(currentYear - currentYear % 5) + ".dat";
}

bool CGeomag::LoadModel(const std::filesystem::path& programFolder)
{
    if (m_notices)
        m_notices->Register();
    return LoadModelFile(programFolder / ModelFileName(m_currentYear()));
}

bool CGeomag::LoadModelFile(const std::filesystem::path& file)
{
    std::error_code ec;
    m_loaded = std::filesystem::is_regular_file(file, ec) &&
               ReadCoefficients(file, true, m_main.data()) == 0 &&
               ReadCoefficients(file, false, m_secular.data()) == 0;
    if (!m_loaded && m_notices)
        m_notices->ShowUnavailable();
    return m_loaded;
}

bool CGeomag::ClearMessages()
{
    if (m_notices)
        m_notices->Clear();
    return true;
}

int CGeomag::ReadCoefficients(const std::filesystem::path& path, bool mainField, double* out)
{
    const std::size_t offset = mainField ? 0 : 16;
    std::ifstream in(path);
    std::string line;
    if (!in || !ReadLine(in, &line))
        return -2;
    double epoch = 0;
    if (!ParseNumber(Field(line, 30, 4), &epoch))
        return -2;
    m_epochYear = static_cast<int>(epoch);
    int k = 0;
    for (int n = 1; n <= kN; ++n) {
        for (int m = 0; m <= n; ++m) {
            if (!ReadLine(in, &line))
                return -2;
            double mm = -1, nn = -1, g = 0, h = 0;
            const std::string mText = Field(line, 0, 2), nText = Field(line, 2, 2);
            if (mText.empty() || nText.empty() || !ParseNumber(mText, &mm) ||
                !ParseNumber(nText, &nn) || nn != n || mm != m)
                return -2;
            if (!ParseNumber(Field(line, offset + 4, 8), &g) ||
                !ParseNumber(Field(line, offset + 12, 8), &h))
                return -2;
            out[k++] = g;
            if (m > 0)
                out[k++] = h;
        }
    }
    return 0;
}

double CGeomag::DecimalYear(int year, int month, int day)
{
    static constexpr int kFirstDay[12] = {1, 32, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335};
    const int leap = (year / 4 * 4 == year && month >= 3 && year != 1900) ? 1 : 0;
    const int first = kFirstDay[std::clamp(month, 1, 12) - 1];
    return year + double(first + leap + day - 1) / double(365 + leap);
}

void CGeomag::ExtrapolateCoefficients(double date, double epoch)
{
    const double factor = date - epoch;
    for (int i = 0; i < kCoefficients; ++i)
        m_working[i] = m_main[i] + factor * m_secular[i];
}

int CGeomag::SetDate(std::chrono::year_month_day date)
{
    const double t =
        DecimalYear(int(date.year()), int(unsigned(date.month())), int(unsigned(date.day())));
    // The yearly change is taken from the file's own epoch: a model read for
    // 2020 but asked about 2026 is carried forward six years, not one.
    const double epoch = m_epochYear > 0 ? double(m_epochYear) : std::trunc(t * 0.2) * 5.0;
    ExtrapolateCoefficients(t, epoch);
    return kN;
}

void CGeomag::Synthesise(double latitude, double longitude, double* x, double* y, double* z)
{
    if (90.0 - latitude < 0.001)
        latitude = 89.999;   // the east component divides by the sine of the colatitude
    if (90.0 + latitude < 0.001)
        latitude = -89.999;

    // Geodetic to geocentric on the model's reference ellipsoid (km squared).
    constexpr double A2 = 40680925.0, B2 = 40408588.0;
    const double slat = std::sin(DegToRad(latitude)), clat = std::cos(DegToRad(latitude));
    const double q = A2 * clat * clat + B2 * slat * slat;
    const double r = std::sqrt((A2 * A2 * clat * clat + B2 * B2 * slat * slat) / q);
    const double cd = std::sqrt(q) / r;
    const double sd = 272337.0 / std::sqrt(q) * clat * slat / r;
    const double ct = slat * cd - clat * sd;   // cosine of the geocentric colatitude
    const double st = clat * cd + slat * sd;

    // Schmidt semi-normalised associated Legendre functions and their
    // derivatives with respect to the colatitude.
    double P[kN + 1][kN + 1] = {};
    double dP[kN + 1][kN + 1] = {};
    P[0][0] = 1.0;
    for (int n = 1; n <= kN; ++n) {
        if (n == 1) {
            P[1][1] = st;
            dP[1][1] = ct;
        } else {
            const double k = std::sqrt((2.0 * n - 1.0) / (2.0 * n));
            P[n][n] = k * st * P[n - 1][n - 1];
            dP[n][n] = k * (st * dP[n - 1][n - 1] + ct * P[n - 1][n - 1]);
        }
        for (int m = 0; m < n; ++m) {
            const double k1 = 2.0 * n - 1.0;
            const double k2 =
                n >= 2 && m <= n - 2 ? std::sqrt(double((n - 1) * (n - 1) - m * m)) : 0.0;
            const double k3 = std::sqrt(double(n * n - m * m));
            const double p2 = m <= n - 2 ? P[n - 2][m] : 0.0;
            const double dp2 = m <= n - 2 ? dP[n - 2][m] : 0.0;
            P[n][m] = (k1 * ct * P[n - 1][m] - k2 * p2) / k3;
            dP[n][m] = (k1 * (ct * dP[n - 1][m] - st * P[n - 1][m]) - k2 * dp2) / k3;
        }
    }

    const double lon = DegToRad(longitude);
    double cm[kN + 1], sm[kN + 1];
    for (int m = 0; m <= kN; ++m) {
        cm[m] = std::cos(m * lon);
        sm[m] = std::sin(m * lon);
    }
    const double ratio = 6371.2 / r;
    double X = 0, Y = 0, Z = 0;
    double ar = ratio * ratio;
    for (int n = 1; n <= kN; ++n) {
        ar *= ratio;   // (a / r)^(n + 2)
        for (int m = 0; m <= n; ++m) {
            const double g = m_working[GIndex(n, m)];
            const double h = m == 0 ? 0.0 : m_working[GIndex(n, m) + 1];
            const double gc = g * cm[m] + h * sm[m];
            X += ar * gc * dP[n][m];
            Y += ar * m * (g * sm[m] - h * cm[m]) * P[n][m] / st;
            Z -= ar * (n + 1) * gc * P[n][m];
        }
    }
    // Back from the geocentric frame to the geodetic one.
    *x = cd * X + sd * Z;
    *y = Y;
    *z = cd * Z - sd * X;
}

double CGeomag::ComputeDeclination(const CPosition& position)
{
    double x = 0, y = 0, z = 0;
    Synthesise(position.GetLatitude(), position.GetLongitude(), &x, &y, &z);
    const double h = std::sqrt(x * x + y * y);
    const double f = std::sqrt(h * h + z * z);
    if (!(f >= 0.0001) || !(h >= 0.0001))
        return kUndefinedVariation;
    // The half-angle form is exact except where the field points almost due
    // south, where it is taken as south.
    const double declination = (x + h < 200.0) ? kPi : 2.0 * std::atan2(y, x + h);
    return RadToDeg(declination);
}

double CGeomag::GetVariation(std::chrono::year_month_day date, const CPosition& position)
{
    try {
        if (m_currentYear() >= m_epochYear + 5 && m_notices)
            m_notices->ShowOutOfDate();
        if (!date.ok() || !std::isfinite(position.GetLatitude()) ||
            !std::isfinite(position.GetLongitude()) || std::fabs(position.GetLatitude()) > 90.0)
            return 0.0;
        if (SetDate(date) == 0)
            return 0.0;
        const double d = ComputeDeclination(position);
        return std::isfinite(d) ? d : 0.0;
    } catch (...) {
        return 0.0;
    }
}

std::string CGeomag::FormatVariation(std::chrono::year_month_day date, const CPosition& position)
{
    const double v = GetVariation(date, position);
    int degrees = static_cast<int>(std::fabs(std::trunc(v)));
    double minutes = std::fabs(v - std::trunc(v)) * 60.0;
    if (platform::ParseDouble(platform::FormatC("%02.1f", minutes)) >= 60.0) {
        ++degrees;   // 59.96' shows as 0.0' of the next degree
        minutes = 0.0;
    }
    return platform::FormatC("%2d\xC2\xB0%02.1f'%c", degrees, minutes, v >= 0 ? 'E' : 'W');
}

}   // namespace geo
