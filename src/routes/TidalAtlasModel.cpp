#include "routes/TidalAtlasModel.h"

#include "app/WaitStatus.h"
#include "platform/LocaleFreeNumbers.h"

#include <algorithm>
#include <cmath>

namespace routes {

int ArrowStyleForCode(int code)
{
    return code == -2 ? 2 : code == -1 ? 1 : 0;
}

AtlasSteps ChooseAtlasSteps(const CTidalDisplaySettings& s, double north, double south, double west,
                            double east)
{
    const double dLat = north - south, dLon = east - west;
    AtlasSteps steps;
    if (!s.automaticSpacing && s.spacing > 0)
        steps.lat = s.spacing / 60.0;
    else if (dLat > 1.11111)
        steps.lat = std::trunc(dLat * 0.9) * 0.111111;
    else if (dLat >= 1.0 / 3.0)
        steps.lat = 1.0 / 9.0;
    else
        steps.lat = dLat * 0.25;
    if (!s.automaticSpacing && s.spacing > 0)
        steps.lon = s.spacing / (std::cos((north + south) * 0.5 * M_PI / 180.0) * 60.0);
    else if (dLon > 1.66667)
        steps.lon = std::trunc(dLon * 0.6) * 0.166667;
    else if (dLon > 0.5)
        steps.lon = 1.0 / 6.0;
    else
        steps.lon = dLon * 0.25;
    // A flat extent gives a zero step and a fine spacing millions of points:
    // both are bounded, so a paint never asks more than 100 x 100 predictions.
    steps.lat = std::max({std::fabs(steps.lat), 1e-6, dLat / kAtlasMaxPointsPerSide});
    steps.lon = std::max({std::fabs(steps.lon), 1e-6, dLon / kAtlasMaxPointsPerSide});
    if (!std::isfinite(steps.lat))
        steps.lat = 1e-6;
    if (!std::isfinite(steps.lon))
        steps.lon = 1e-6;
    return steps;
}

namespace {

double FirstOnGrid(double edge, double step)
{
    const double k = std::trunc(edge / step);
    return k * step + (k >= 0 ? step : 0.0);
}

bool StopsTheGrid(int code)
{
    return code == 1 || code == 2 || code == 5 || code == 6 || code == 13;
}

}   // namespace

bool CTidalAtlasModel::IsCurrent(const geo::CPosition& nw, const geo::CPosition& se,
                                 std::int64_t utc) const
{
    const CTidalDisplaySettings& s = m_tides.DisplaySettings();
    const double key[5] = {nw.GetLatitude(), nw.GetLongitude(), se.GetLatitude(), se.GetLongitude(),
                           double(s.vectorLength)};
    return m_valid && std::equal(key, key + 5, m_key) && m_keyTime == utc &&
           m_keySpacing == s.spacing && m_keyAutomatic == s.automaticSpacing;
}

const CTidalAtlasModel::Result& CTidalAtlasModel::Compute(
    const geo::CPosition& nw, const geo::CPosition& se, std::int64_t utc,
    const std::function<bool(const geo::CPosition&)>& onChart)
{
    if (IsCurrent(nw, se, utc))
        return m_result;
    CTidalDisplaySettings& s = m_tides.DisplaySettings();
    const double key[5] = {nw.GetLatitude(), nw.GetLongitude(), se.GetLatitude(), se.GetLongitude(),
                           double(s.vectorLength)};
    std::copy(key, key + 5, m_key);
    m_keyTime = utc;
    m_keySpacing = s.spacing;
    m_keyAutomatic = s.automaticSpacing;
    m_valid = true;
    ++m_computations;

    m_result = Result();
    if (!nw.IsValid() || !se.IsValid())
        return m_result;
    // A grid of predictions can take a while: hourglass and "Please Wait"
    // until it is worked out.
    const app::CWaitStatus wait;
    const double north = nw.GetLatitude(), south = se.GetLatitude();
    const double west = nw.GetLongitude(), east = se.GetLongitude();
    const AtlasSteps steps = ChooseAtlasSteps(s, north, south, west, east);
    m_result.steps = steps;
    s.lastAutomaticSpacing = steps.lat * 60.0;

    CTidalModelModule& models = m_tides.Models();
    const double firstLat = FirstOnGrid(south, steps.lat);
    const double firstLon = FirstOnGrid(west, steps.lon);
    for (double lon = firstLon; lon < east && m_result.stopCode == 0; lon += steps.lon) {
        for (double lat = firstLat; lat < north; lat += steps.lat) {
            ++m_result.points;
            const geo::CPosition p(lat, lon);
            if (!p.IsValid() || (onChart && !onChart(p)))
                continue;
            const CTidalArea* current = models.CurrentArea();
            if (!(current && current->ContainsPosition(p)) && !models.SelectModelAt(p))
                continue;
            if (models.CurrentArea() && models.ActivateModel(models.CurrentArea()->Name()) != 0)
                continue;
            double height = 0, rate = 0, direction = 0;
            const int code = models.PredictStream(p, utc, height, rate, direction);
            if (code >= -2 && code <= 0) {
                m_result.arrows.push_back(
                    {p, direction, rate / 1852.0, height, ArrowStyleForCode(code)});
            } else if (StopsTheGrid(code)) {
                m_result.stopCode = code;
                m_result.stopText = CTidalModelModule::ResultTextOf(code);
                break;
            }
        }
    }
    return m_result;
}

TidalStreamReading ReadTidalStream(CTidalModelModule& models, const geo::CPosition& where,
                                   std::int64_t utc)
{
    TidalStreamReading r;
    double height = 0, rate = 0, direction = 0;
    r.code = models.PredictAnywhere(where, utc, height, rate, direction);
    r.message = CTidalModelModule::ResultTextOf(r.code);
    r.usable = r.code >= -2 && r.code <= 0;
    if (!r.usable)
        return r;
    r.knots = rate / 1852.0;
    r.direction = direction;
    r.height = height;
    r.rateText = platform::FormatC("%.1f", r.knots);
    // 359.6 rounds to 360, which a bearing writes as 0.
    r.directionText =
        std::lround(direction) % 360 == 0 ? "0" : platform::FormatC("%.0f", direction);
    r.heightText = platform::FormatC("%.1f", height);
    return r;
}

}   // namespace routes
