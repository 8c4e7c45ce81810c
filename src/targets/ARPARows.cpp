#include "targets/ARPARows.h"

#include <cmath>

#include "app/StringUtils.h"
#include "nmea/NMEAValueIndex.h"

namespace targets {

namespace item = nmea::item;

namespace {

std::optional<double> Number(const CTargetRecord& r, int it)
{
    const auto& v = r.Value(it);
    if (!v.IsValid())
        return std::nullopt;
    const double d = v.GetDouble();
    return std::isfinite(d) ? std::optional<double>(d) : std::nullopt;
}

std::optional<char> Code(const CTargetRecord& r, int it)
{
    const auto& v = r.Value(it);
    if (!v.IsValid())
        return std::nullopt;
    const int c = v.GetInt();
    return c > 0 && c < 128 ? std::optional<char>(static_cast<char>(c)) : std::nullopt;
}

std::string Bearing(const std::optional<double>& d)
{
    return d && *d >= 0.0 && *d <= 360.0 ? BearingText(*d) : std::string();
}

std::string NumberText(const CTargetRecord& r, int it)
{
    const auto& v = r.Value(it);
    if (!v.IsValid())
        return {};
    return std::to_string(v.GetInt());
}

std::string ReferenceText(const CTargetRecord& r, int it)
{
    const auto& v = r.Value(it);
    return v.IsValid() && v.GetByte() != 0 ? "R" : "";
}

void PositionCells(std::array<std::string, kArpaColumns>& row, const CTargetPosition& p,
                   const geo::CPositionFormat& format)
{
    const geo::CPosition position(p.latitude, p.longitude, 0.0);
    row[kArpaLatitudeColumn] = position.FormatLatitude(format);
    row[kArpaLatitudeColumn + 1] = position.FormatLongitude(format);
}

}   // namespace

std::string AcquisitionText(char code)
{
    switch (code) {
    case 'A': return "Auto";
    case 'M': return "Manual";
    case 'R': return "Reported";
    default: return {};
    }
}

std::string StatusWord(char code)
{
    switch (code) {
    case 'L': return "Lost";
    case 'Q': return "Query";
    case 'T': return "Tracking";
    default: return {};
    }
}

std::array<std::string, kArpaColumns> ARPARowTexts(
    const CTrackedTarget& target, const geo::CPositionFormat& format,
    std::chrono::system_clock::time_point navigationUtc, const LocalTimeText& local)
{
    std::array<std::string, kArpaColumns> row;
    const CTargetRecord& r = *target.record;
    const bool tracked = r.rowSource == CTargetRecord::RowSource::Tracked;
    const bool positioned = r.rowSource == CTargetRecord::RowSource::Position;
    // Written with no report new since the last pass, every cell stays empty.
    if (!tracked && !positioned)
        return row;
    row[1] = r.Name();
    if (local)
        row[2] = local(r.LastReportTime(navigationUtc));
    if (tracked) {
        row[0] = NumberText(r, item::TtmTargetNumber);
        if (target.fix)
            PositionCells(row, target.fix->position, format);
        if (const auto speed = r.SpeedKnots())
            row[5] = app::FormatDouble(*speed, 2, 0) + " kn";
        row[6] = Bearing(Number(r, item::TtmTargetCourse));
        if (const auto nm = r.DistanceNm())
            row[7] = DistanceText(*nm) + " nm";
        row[8] = Bearing(Number(r, item::TtmTargetBearing));
        if (const auto tcpa = Number(r, item::TtmTimeToClosestApproach))
            row[9] = app::FormatDouble(*tcpa, 2, 0);
        if (const auto cpa = r.ClosestApproachNm())
            row[10] = DistanceText(*cpa) + " nm";
        if (const auto a = Code(r, item::TtmAcquisitionType))
            row[11] = AcquisitionText(*a);
        if (const auto s = Code(r, item::TtmTargetStatus))
            row[12] = StatusWord(*s);
        row[13] = ReferenceText(r, item::TtmReferenceTarget);
        return row;
    }
    row[0] = NumberText(r, item::TllTargetNumber);
    if (const auto p = r.ReportedPosition())
        PositionCells(row, *p, format);
    if (target.fix) {
        row[6] = Bearing(target.fix->course);
        if (target.fix->rangeNm && *target.fix->rangeNm >= 0.0)
            row[7] = DistanceText(*target.fix->rangeNm);
        row[8] = Bearing(target.fix->bearing);
    }
    if (const auto s = Code(r, item::TllTargetStatus))
        row[12] = StatusWord(*s);
    row[13] = ReferenceText(r, item::TllReferenceTarget);
    return row;
}

std::array<std::string, kArpaColumns> ARPARowTexts(
    const CARPATargetStore& store, const CTrackedTarget& target, const geo::CPositionFormat& format,
    std::chrono::system_clock::time_point navigationUtc, const LocalTimeText& local)
{
    std::array<std::string, kArpaColumns> row;
    store.WithTargetLock([&] { row = ARPARowTexts(target, format, navigationUtc, local); });
    return row;
}

std::array<std::string, kArpaSummaryFields> ARPASummaryTexts(const CTrackedTarget& target,
                                                             const std::string& captured)
{
    const CTargetRecord& r = *target.record;
    const std::string status = r.StatusText();
    return {std::to_string(target.displayOrder),
            std::to_string(r.Number()),
            r.Name(),
            status.empty() ? std::string() : StatusWord(status[0]),
            r.current ? "Non-Dangerous" : "Dangerous",
            captured};
}

std::array<std::string, kArpaLogColumns> ARPAFixTexts(const CTargetTrackFix& fix,
                                                      const geo::CPositionFormat& format,
                                                      const LocalTimeText& local)
{
    std::array<std::string, kArpaLogColumns> row;
    if (local)
        row[0] = local(fix.time);
    const geo::CPosition position(fix.position.latitude, fix.position.longitude, 0.0);
    row[1] = position.FormatLatitude(format);
    row[2] = position.FormatLongitude(format);
    row[3] = position.GetDatumName();
    if (fix.speedKnots)
        row[4] = app::FormatDouble(*fix.speedKnots, 1, 0);
    row[5] = Bearing(fix.course);
    if (fix.rangeNm)
        row[6] = DistanceText(*fix.rangeNm);
    row[7] = Bearing(fix.bearing);
    if (fix.minutesToClosestApproach)
        row[8] = app::FormatDouble(*fix.minutesToClosestApproach, 2, 0);
    if (fix.closestApproachNm)
        row[9] = DistanceText(*fix.closestApproachNm);
    if (!fix.status.empty())
        row[10] = StatusWord(fix.status[0]);
    row[11] = fix.reference ? "Yes" : "No";
    if (fix.acquisition)
        row[12] = AcquisitionText(*fix.acquisition);
    return row;
}

std::string ARPALogTitle(const CTargetRecord* record)
{
    std::string title = "Target Log : ";
    if (record == nullptr)
        return title;
    title += "Target number " + std::to_string(record->Number());
    if (const std::string name = record->Name(); !name.empty())
        title += " - " + name;
    return title;
}

}   // namespace targets
