#include "Constituents.h"

#include <cctype>
#include <cmath>

namespace tidal {

namespace {

constexpr double kDeg = M_PI / 180.0;

// The five slowly moving astronomical angles (mean longitudes of the moon s,
// sun h, lunar perigee p, moon's ascending node N, solar perigee p1), as
// polynomials in Julian centuries from 2000-01-01 12:00.
struct Orbit {
    double s, h, p, n, p1;
};

constexpr double kDaysPerCentury = 36525.0;

Orbit OrbitAt(double centuries)
{
    const double t = centuries, t2 = t * t, t3 = t2 * t, t4 = t3 * t;
    // The moon's longitude carries a small offset and drift (0.0164 + 0.0187 t
    // degrees) fitted to the equilibrium arguments of the published harmonic
    // tables over 1970-2100, so that our predictions agree with theirs.
    return {218.3164477 + 0.0164 + (481267.88123421 + 0.0187) * t - 0.0015786 * t2 + t3 / 538841.0 -
                t4 / 65194000.0,
            280.46646 + 36000.76983 * t + 0.0003032 * t2,
            83.3532465 + 4069.0137287 * t - 0.0103200 * t2 - t3 / 80053.0 + t4 / 18999000.0,
            125.04452 - 1934.136261 * t + 0.0020708 * t2 + t3 / 450000.0,
            282.93735 + 1.71946 * t + 0.00046 * t2};
}

// Rates of the angles in degrees per hour (the first terms above).
constexpr double kRateT = 15.0;
constexpr double kRateS = 481267.88123421 / (kDaysPerCentury * 24.0);
constexpr double kRateH = 36000.76983 / (kDaysPerCentury * 24.0);
constexpr double kRateP = 4069.0137287 / (kDaysPerCentury * 24.0);
constexpr double kRateP1 = 1.71946 / (kDaysPerCentury * 24.0);

// Which node corrections a constituent takes: u and f of the basic lunar
// terms, raised to a power for the overtides and compounds.
enum class Node { None, M2, O1, K1, K2, J1, OO1, Mf, Mm, L2, M1 };

struct NodeTerm {
    Node node;
    double power;   // u is multiplied by it, f raised to its magnitude
};

struct Constituent {
    const char* name;
    int t, s, h, p, p1;   // coefficients of T, s, h, p, p1 in V
    double phase;   // constant part of V, degrees
    NodeTerm first, second;
};

constexpr NodeTerm kNone{Node::None, 0.0};

// The order is the one the model files are checked against by name, so it
// only has to stay the same within this table.
constexpr std::array<Constituent, kConstituentCount> kTable = {{
    {"M2", 2, -2, 2, 0, 0, 0, {Node::M2, 1}, kNone},
    {"S2", 2, 0, 0, 0, 0, 0, kNone, kNone},
    {"N2", 2, -3, 2, 1, 0, 0, {Node::M2, 1}, kNone},
    {"K1", 1, 0, 1, 0, 0, -90, {Node::K1, 1}, kNone},
    {"M4", 4, -4, 4, 0, 0, 0, {Node::M2, 2}, kNone},
    {"O1", 1, -2, 1, 0, 0, 90, {Node::O1, 1}, kNone},
    {"M6", 6, -6, 6, 0, 0, 0, {Node::M2, 3}, kNone},
    {"MK3", 3, -2, 3, 0, 0, -90, {Node::M2, 1}, {Node::K1, 1}},
    {"S4", 4, 0, 0, 0, 0, 0, kNone, kNone},
    {"MN4", 4, -5, 4, 1, 0, 0, {Node::M2, 2}, kNone},
    {"NU2", 2, -3, 4, -1, 0, 0, {Node::M2, 1}, kNone},
    {"S6", 6, 0, 0, 0, 0, 0, kNone, kNone},
    {"MU2", 2, -4, 4, 0, 0, 0, {Node::M2, 1}, kNone},
    {"2N2", 2, -4, 2, 2, 0, 0, {Node::M2, 1}, kNone},
    {"OO1", 1, 2, 1, 0, 0, -90, {Node::OO1, 1}, kNone},
    {"LAM2", 2, -1, 0, 1, 0, 180, {Node::M2, 1}, kNone},
    {"S1", 1, 0, 0, 0, 0, 0, kNone, kNone},
    {"M1", 1, -1, 1, 0, 0, -90, {Node::M1, 1}, kNone},
    {"J1", 1, 1, 1, -1, 0, -90, {Node::J1, 1}, kNone},
    {"MM", 0, 1, 0, -1, 0, 0, {Node::Mm, 1}, kNone},
    {"SSA", 0, 0, 2, 0, 0, 0, kNone, kNone},
    {"SA", 0, 0, 1, 0, 0, 0, kNone, kNone},
    {"MSF", 0, 2, -2, 0, 0, 0, {Node::M2, -1}, kNone},
    {"MF", 0, 2, 0, 0, 0, 0, {Node::Mf, 1}, kNone},
    {"RHO1", 1, -3, 3, -1, 0, 90, {Node::O1, 1}, kNone},
    {"Q1", 1, -3, 1, 1, 0, 90, {Node::O1, 1}, kNone},
    {"T2", 2, 0, -1, 0, 1, 0, kNone, kNone},
    {"R2", 2, 0, 1, 0, -1, 180, kNone, kNone},
    {"2Q1", 1, -4, 1, 2, 0, 90, {Node::O1, 1}, kNone},
    {"P1", 1, 0, -1, 0, 0, 90, kNone, kNone},
    {"2SM2", 2, 2, -2, 0, 0, 0, {Node::M2, -1}, kNone},
    {"M3", 3, -3, 3, 0, 0, 0, {Node::M2, 1.5}, kNone},
    {"L2", 2, -1, 2, -1, 0, 180, {Node::L2, 1}, kNone},
    {"2MK3", 3, -4, 3, 0, 0, 90, {Node::M2, 2}, {Node::K1, -1}},
    {"K2", 2, 0, 2, 0, 0, 0, {Node::K2, 1}, kNone},
    {"M8", 8, -8, 8, 0, 0, 0, {Node::M2, 4}, kNone},
    {"MS4", 4, -2, 2, 0, 0, 0, {Node::M2, 1}, kNone},
}};

double Fold360(double degrees)
{
    const double r = std::fmod(degrees, 360.0);
    return r < 0.0 ? r + 360.0 : r;
}

// Days from 2000-01-01 12:00 UTC to 00:00 UTC of the given civil date.
double DaysFromEpoch(int year, int month, int day)
{
    // Days from civil (proleptic Gregorian), counted from 1970-01-01.
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long days1970 = long(era) * 146097 + doe - 719468;
    // 1970-01-01 00:00 is 10957.5 days before 2000-01-01 12:00.
    return double(days1970) - 10957.5;
}

bool IsLeap(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// u (degrees) and f of the basic node terms at one instant.
struct NodeValues {
    double u[11]{};
    double f[11]{};
};

NodeValues NodesAt(const Orbit& o)
{
    constexpr double kObliquity = 23.452 * kDeg;   // omega
    constexpr double kMoonTilt = 5.145 * kDeg;   // i
    const double n = o.n * kDeg;
    const double cosI = std::cos(kMoonTilt) * std::cos(kObliquity) -
                        std::sin(kMoonTilt) * std::sin(kObliquity) * std::cos(n);
    const double inc = std::acos(cosI);
    // xi and nu from Napier's analogies on the triangle of the node.
    const double halfTan = std::tan(0.5 * n);
    const double a = std::atan(std::cos(0.5 * (kObliquity - kMoonTilt)) /
                               std::cos(0.5 * (kObliquity + kMoonTilt)) * halfTan);
    const double b = std::atan(std::sin(0.5 * (kObliquity - kMoonTilt)) /
                               std::sin(0.5 * (kObliquity + kMoonTilt)) * halfTan);
    const double xi = n - a - b;
    const double nu = a - b;
    const double sinI = std::sin(inc), sin2I = std::sin(2 * inc);
    const double nuP = std::atan2(sin2I * std::sin(nu), sin2I * std::cos(nu) + 0.3347);
    const double nuPP =
        0.5 * std::atan2(sinI * sinI * std::sin(2 * nu), sinI * sinI * std::cos(2 * nu) + 0.0727);
    const double cosHalf = std::cos(0.5 * inc), sinHalf = std::sin(0.5 * inc);
    const double tanHalf = sinHalf / cosHalf;
    const double bigP =
        (o.p * kDeg) - xi;   // longitude of the perigee from the node's intersection

    NodeValues v;
    auto set = [&v](Node node, double uRad, double f) {
        v.u[int(node)] = uRad / kDeg;
        v.f[int(node)] = f;
    };
    set(Node::None, 0.0, 1.0);
    set(Node::M2, 2 * xi - 2 * nu, std::pow(cosHalf, 4) / 0.9154);
    set(Node::O1, 2 * xi - nu, sinI * cosHalf * cosHalf / 0.3800);
    set(Node::K1, -nuP, std::sqrt(0.8965 * sin2I * sin2I + 0.6001 * sin2I * std::cos(nu) + 0.1006));
    set(Node::K2, -2 * nuPP,
        std::sqrt(19.0444 * std::pow(sinI, 4) + 2.7702 * sinI * sinI * std::cos(2 * nu) + 0.0981));
    set(Node::J1, -nu, sin2I / 0.7214);
    set(Node::OO1, -2 * xi - nu, sinI * sinHalf * sinHalf / 0.0164);
    set(Node::Mf, -2 * xi, sinI * sinI / 0.1578);
    set(Node::Mm, 0.0, (2.0 / 3.0 - sinI * sinI) / 0.5021);
    // L2: the perigee term R and its amplitude ratio Ra.
    const double t2 = tanHalf * tanHalf;
    const double r = std::atan2(std::sin(2 * bigP), 1.0 / (6.0 * t2) - std::cos(2 * bigP));
    const double invRa = std::sqrt(1.0 - 12.0 * t2 * std::cos(2 * bigP) + 36.0 * t2 * t2);
    set(Node::L2, 2 * xi - 2 * nu - r, std::pow(cosHalf, 4) / 0.9154 * invRa);
    // M1: the perigee term Q and its amplitude ratio Qa.
    const double q = std::atan2(0.483 * std::sin(bigP), std::cos(bigP));
    const double invQa = std::sqrt(2.310 + 1.435 * std::cos(2 * bigP));
    set(Node::M1, xi - nu + q, sinI * cosHalf * cosHalf / 0.3800 * invQa);
    return v;
}

}   // namespace

std::optional<std::size_t> FindConstituent(std::string_view name)
{
    // Lambda 2 goes by two spellings in published tables.
    if (name.size() == 4 && (name[0] == 'L' || name[0] == 'l') &&
        (name[1] == 'D' || name[1] == 'd') && (name[2] == 'A' || name[2] == 'a') && name[3] == '2')
        name = "LAM2";
    for (std::size_t i = 0; i < kTable.size(); ++i) {
        const std::string_view own = kTable[i].name;
        if (own.size() != name.size())
            continue;
        bool same = true;
        for (std::size_t k = 0; k < own.size() && same; ++k)
            same = std::toupper(static_cast<unsigned char>(own[k])) ==
                   std::toupper(static_cast<unsigned char>(name[k]));
        if (same)
            return i;
    }
    return std::nullopt;
}

std::string_view ConstituentName(std::size_t index)
{
    return kTable.at(index).name;
}

double ConstituentSpeed(std::size_t index)
{
    const Constituent& c = kTable.at(index);
    double speed = c.t * kRateT + c.s * kRateS + c.h * kRateH + c.p * kRateP + c.p1 * kRateP1;
    // M1's argument carries the perigee inside its node term Q, which turns
    // with the perigee; its speed includes that motion.
    if (c.first.node == Node::M1)
        speed += kRateP;
    return speed;
}

YearArguments ArgumentsForYear(int year)
{
    const double start = DaysFromEpoch(year, 1, 1);
    const double middle = start + (IsLeap(year) ? 366.0 : 365.0) / 2.0;
    const Orbit atStart = OrbitAt(start / kDaysPerCentury);
    const NodeValues nodes = NodesAt(OrbitAt(middle / kDaysPerCentury));
    // At 00:00 UTC the mean sun's hour angle at Greenwich is 180 degrees.
    constexpr double kHourAngle = 180.0;

    YearArguments out;
    for (std::size_t i = 0; i < kTable.size(); ++i) {
        const Constituent& c = kTable[i];
        double v = c.t * kHourAngle + c.s * atStart.s + c.h * atStart.h + c.p * atStart.p +
                   c.p1 * atStart.p1 + c.phase;
        double f = 1.0;
        for (const NodeTerm& term : {c.first, c.second}) {
            if (term.node == Node::None)
                continue;
            v += term.power * nodes.u[int(term.node)];
            f *= std::pow(nodes.f[int(term.node)], std::fabs(term.power));
        }
        out.equilibrium[i] = Fold360(v);
        out.nodeFactor[i] = f;
    }
    return out;
}

}   // namespace tidal
