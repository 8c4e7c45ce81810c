#include "TidalModel.h"

#include <cmath>

namespace tidal {

namespace {

constexpr double kDeg = M_PI / 180.0;

long long DaysFromCivil(int y, int m, int d)
{
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool IsLeap(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

// The civil year holding an instant.
int YearOf(long long unixSeconds)
{
    const long long days =
        unixSeconds >= 0 ? unixSeconds / 86400 : -((-unixSeconds + 86399) / 86400);
    int year = int(1970 + days / 365);
    while (DaysFromCivil(year, 1, 1) > days)
        --year;
    while (DaysFromCivil(year + 1, 1, 1) <= days)
        ++year;
    return year;
}

}   // namespace

bool UtcSeconds(int year, int month, int day, int hour, int minute, int second, long long& out)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > kDays[month - 1] + (month == 2 && IsLeap(year) ? 1 : 0) || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 59)
        return false;
    out = DaysFromCivil(year, month, day) * 86400 + hour * 3600LL + minute * 60LL + second;
    return true;
}

Code CTidalModel::Load(const ModelHeader& header, const ModelData& data)
{
    std::vector<std::size_t> index;
    for (const std::string& name : data.constituents) {
        const auto found = FindConstituent(name);
        if (!found)
            return kUnknownConstituent;
        index.push_back(*found);
    }
    std::vector<Cell> cells;
    cells.reserve(data.cells.size());
    auto toComplex = [](const std::vector<Harmonic>& in) {
        Series s;
        for (const Harmonic& h : in) {
            s.re.push_back(h.amplitude * std::cos(h.phase * kDeg));
            s.im.push_back(h.amplitude * std::sin(h.phase * kDeg));
        }
        return s;
    };
    for (const ModelCell& c : data.cells)
        cells.push_back({c.quality, toComplex(c.height), toComplex(c.east), toComplex(c.north),
                         c.meanHeight, c.meanEast, c.meanNorth});
    std::vector<YearArguments> years;
    for (int y = 0; y < data.years; ++y)
        years.push_back(ArgumentsForYear(data.firstYear + y));

    header_ = header;
    firstYear_ = data.firstYear;
    years_ = std::move(years);
    index_ = std::move(index);
    cells_ = std::move(cells);
    cosTerm_.assign(index_.size(), 0.0);
    sinTerm_.assign(index_.size(), 0.0);
    cacheValid_ = false;
    return kGood;
}

bool CTidalModel::PrepareInstant(long long unixSeconds)
{
    if (cacheValid_ && cachedInstant_ == unixSeconds)
        return true;
    const int year = YearOf(unixSeconds);
    if (year < firstYear_ || year > lastYear())
        return false;
    const YearArguments& args = years_[std::size_t(year - firstYear_)];
    const double hours = double(unixSeconds - DaysFromCivil(year, 1, 1) * 86400) / 3600.0;
    for (std::size_t k = 0; k < index_.size(); ++k) {
        const std::size_t c = index_[k];
        // Reduce the angle first: speeds times a year of hours reach 10^5 degrees.
        const double angle = std::fmod(ConstituentSpeed(c) * hours + args.equilibrium[c], 360.0);
        cosTerm_[k] = args.nodeFactor[c] * std::cos(angle * kDeg);
        sinTerm_[k] = args.nodeFactor[c] * std::sin(angle * kDeg);
    }
    cachedInstant_ = unixSeconds;
    cacheValid_ = true;
    return true;
}

Code CTidalModel::Predict(double lat, double lon, long long unixSeconds, Prediction& out)
{
    const ModelHeader& h = header_;
    const double col = (lon - h.west) / h.lonStep;
    const double row = (h.north - lat) / h.latStep;
    if (!(col >= 0.0 && col <= h.columns - 1))
        return kLongitudeOut;
    if (!(row >= 0.0 && row <= h.rows - 1))
        return kLatitudeOut;
    const int ownRow = int(std::lround(row)), ownCol = int(std::lround(col));
    if (cells_[std::size_t(ownRow) * h.columns + ownCol].quality == CellQuality::Land)
        return kLand;
    if (!PrepareInstant(unixSeconds))
        return kInternal;

    const int r0 = std::min(int(row), h.rows - 2), c0 = std::min(int(col), h.columns - 2);
    const double fr = row - r0, fc = col - c0;
    double weights[4] = {(1 - fr) * (1 - fc), (1 - fr) * fc, fr * (1 - fc), fr * fc};
    // Positions arrive in 1e-7 degree: a cell whose weight is only that
    // rounding must not decide the code of a prediction at its neighbour.
    for (double& w : weights)
        if (w < 1e-4)
            w = 0.0;
    const Cell* corners[4] = {&cells_[std::size_t(r0) * h.columns + c0],
                              &cells_[std::size_t(r0) * h.columns + c0 + 1],
                              &cells_[std::size_t(r0 + 1) * h.columns + c0],
                              &cells_[std::size_t(r0 + 1) * h.columns + c0 + 1]};
    double total = 0.0;
    int worst = kGood;
    for (int i = 0; i < 4; ++i) {
        if (corners[i]->quality == CellQuality::Land || weights[i] <= 0.0)
            continue;
        total += weights[i];
        worst = std::min(worst, -(int(corners[i]->quality) - int(CellQuality::Station)));
    }
    if (total <= 1e-12)
        return kTooCloseToLand;

    Prediction p;
    for (int i = 0; i < 4; ++i) {
        const Cell& c = *corners[i];
        if (c.quality == CellQuality::Land || weights[i] <= 0.0)
            continue;
        const double w = weights[i] / total;
        double height = c.meanHeight, east = c.meanEast, north = c.meanNorth;
        for (std::size_t k = 0; k < index_.size(); ++k) {
            height += c.height.re[k] * cosTerm_[k] + c.height.im[k] * sinTerm_[k];
            east += c.east.re[k] * cosTerm_[k] + c.east.im[k] * sinTerm_[k];
            north += c.north.re[k] * cosTerm_[k] + c.north.im[k] * sinTerm_[k];
        }
        p.height += w * height;
        p.east += w * east;
        p.north += w * north;
    }
    out = p;
    return Code(worst);
}

}   // namespace tidal
