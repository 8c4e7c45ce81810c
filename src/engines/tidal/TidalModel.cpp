#include "TidalModel.h"

#include <algorithm>
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
    auto toCell = [&toComplex](const ModelCell& c) {
        return Cell{c.quality,
                    toComplex(c.height),
                    toComplex(c.east),
                    toComplex(c.north),
                    c.meanHeight,
                    c.meanEast,
                    c.meanNorth,
                    std::sin(c.floodDirection * kDeg),
                    std::cos(c.floodDirection * kDeg),
                    std::cos(c.ebbTurn * kDeg),
                    std::sin(c.ebbTurn * kDeg)};
    };
    for (const ModelCell& c : data.cells)
        cells.push_back(toCell(c));
    std::vector<Station> stations;
    for (const ModelStation& s : data.stations) {
        if (s.row < 0 || s.column < 0 || s.row >= data.rows || s.column >= data.columns)
            return kDataRead;
        stations.push_back({s.kind == ModelStation::Kind::Stream, s.latitude, s.longitude,
                            std::size_t(s.row) * data.columns + s.column, toCell(s.constants)});
    }
    std::vector<YearArguments> years;
    for (int y = 0; y < data.years; ++y)
        years.push_back(ArgumentsForYear(data.firstYear + y));

    header_ = header;
    firstYear_ = data.firstYear;
    years_ = std::move(years);
    index_ = std::move(index);
    cells_ = std::move(cells);
    stations_ = std::move(stations);
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

Prediction CTidalModel::Sum(const Cell& c) const
{
    Prediction p{c.meanHeight, c.meanEast, c.meanNorth};
    for (std::size_t k = 0; k < index_.size(); ++k) {
        p.height += c.height.re[k] * cosTerm_[k] + c.height.im[k] * sinTerm_[k];
        p.east += c.east.re[k] * cosTerm_[k] + c.east.im[k] * sinTerm_[k];
        p.north += c.north.re[k] * cosTerm_[k] + c.north.im[k] * sinTerm_[k];
    }
    // Against the flood the stream runs towards the ebb direction: turned
    // clockwise by the ebb turn from the flood's opposite.
    if (c.turnSin != 0.0 && p.east * c.floodEast + p.north * c.floodNorth < 0.0) {
        const double east = p.east * c.turnCos + p.north * c.turnSin;
        p.north = p.north * c.turnCos - p.east * c.turnSin;
        p.east = east;
    }
    return p;
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

    // The stations within reach, and the nearest of them.
    struct Near {
        const Station* station;
        double km;
    };
    Near reach[16];
    int reached = 0;
    const Station* nearest = nullptr;
    double nearestKm = 1e9, nearestStreamKm = 1e9;
    const double kmPerLon = 111.2 * std::cos(lat * kDeg);
    for (const Station& s : stations_) {
        const double km = std::hypot((s.lat - lat) * 111.2, (s.lon - lon) * kmPerLon);
        if (km >= kStationReachKm)
            continue;
        if (reached < 16)
            reach[reached++] = {&s, km};
        if (km < nearestKm) {
            nearestKm = km;
            nearest = &s;
        }
        if (s.stream)
            nearestStreamKm = std::min(nearestStreamKm, km);
    }
    const bool ownPosition = nearestKm <= kOwnPositionKm;

    const int ownRow = int(std::lround(row)), ownCol = int(std::lround(col));
    if (cells_[std::size_t(ownRow) * h.columns + ownCol].quality == CellQuality::Land &&
        !ownPosition)
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

    Prediction grid;
    if (total > 1e-12) {
        for (int i = 0; i < 4; ++i) {
            if (corners[i]->quality == CellQuality::Land || weights[i] <= 0.0)
                continue;
            const double w = weights[i] / total;
            const Prediction p = Sum(*corners[i]);
            grid.height += w * p.height;
            grid.east += w * p.east;
            grid.north += w * p.north;
        }
    } else if (ownPosition) {
        // A station among land cells: the water cell it was put in.
        const Cell& c = cells_[nearest->cell];
        grid = Sum(c);
        worst = -(int(c.quality) - int(CellQuality::Station));
    } else {
        return kTooCloseToLand;
    }

    // The stations' own sums against the grid's, by inverse distance: the
    // grid weighs as a station half the reach away, a station at the reach
    // not at all, one at its own position alone.
    constexpr double kGridWeight = 1.0 / (kStationReachKm * kStationReachKm);
    double heightWeight = kGridWeight, streamWeight = kGridWeight;
    Prediction p{grid.height * kGridWeight, grid.east * kGridWeight, grid.north * kGridWeight};
    for (int i = 0; i < reached; ++i) {
        const double km = std::max(reach[i].km, 1e-9);
        const double w = std::pow((kStationReachKm - km) / (kStationReachKm * km), 2);
        const Prediction s = Sum(reach[i].station->constants);
        if (reach[i].station->stream) {
            streamWeight += w;
            p.east += w * s.east;
            p.north += w * s.north;
        } else {
            heightWeight += w;
            p.height += w * s.height;
        }
    }
    p.height /= heightWeight;
    p.east /= streamWeight;
    p.north /= streamWeight;
    out = p;
    // The code tells how far the stream is from a measured one; a model
    // without stations knows only its cells' grades.
    if (stations_.empty())
        return Code(worst);
    if (nearestStreamKm <= kAtStationKm)
        return kGood;
    return Code(std::min(worst, int(kInterpolated)));
}

}   // namespace tidal
