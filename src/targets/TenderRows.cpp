#include "targets/TenderRows.h"

#include <cmath>

#include "app/StringUtils.h"
#include "geo/NavMaths.h"
#include "nmea/NMEAValueIndex.h"

namespace targets {

namespace item = nmea::item;

namespace {

bool IsSet(double v)
{
    return std::isfinite(v) && v != geo::kUnsetValue;
}

std::string PositionText(const CTargetPosition& p, const geo::CPositionFormat& format, bool lat)
{
    const geo::CPosition position(p.latitude, p.longitude, 0.0);
    return lat ? position.FormatLatitude(format) : position.FormatLongitude(format);
}

}   // namespace

std::string BearingText(double degrees)
{
    if (!IsSet(degrees))
        return {};
    int whole = static_cast<int>(std::lround(degrees)) % 360;
    if (whole < 0)
        whole += 360;
    std::string text = std::to_string(whole);
    return std::string(3 - std::min<std::size_t>(3, text.size()), '0') + text;
}

std::string DistanceText(double value)
{
    if (!IsSet(value))
        return {};
    const double magnitude = std::fabs(value);
    return app::FormatDouble(value, magnitude >= 100 ? 0 : magnitude < 10 ? 2 : 1, 0);
}

std::array<std::string, kTenderColumns> TenderRowTexts(
    const CTender& tender, const geo::CPositionFormat& format,
    std::chrono::system_clock::time_point navigationUtc, const LocalTimeText& local)
{
    std::array<std::string, kTenderColumns> row;
    row[0] = tender.record->Identifier();
    row[1] = tender.record->Name();
    const CTenderReading r = tender.Read();
    if (r.position) {
        row[2] = PositionText(*r.position, format, true);
        row[3] = PositionText(*r.position, format, false);
    }
    if (local)
        row[4] = local(r.reportUtc.value_or(navigationUtc));
    if (r.speed)
        row[5] = app::FormatDouble(*r.speed, 2, 0);
    if (r.course)
        row[6] = BearingText(*r.course);
    if (r.depth)
        row[7] = DistanceText(*r.depth);
    return row;
}

std::array<std::string, kTenderLogColumns> TenderFixTexts(const CTenderFix& fix,
                                                          const geo::CPositionFormat& format,
                                                          const LocalTimeText& local)
{
    std::array<std::string, kTenderLogColumns> row;
    if (local)
        row[0] = local(fix.utc);
    row[1] = PositionText(fix.position, format, true);
    row[2] = PositionText(fix.position, format, false);
    row[3] = "WGS 84";
    if (IsSet(fix.speed))
        row[4] = app::FormatDouble(fix.speed, 1, 0);
    row[5] = BearingText(fix.course);
    if (IsSet(fix.depth))
        row[6] = app::FormatDouble(fix.depth, 2, 0);
    return row;
}

std::span<const CTenderPane> TenderPanes()
{
    static constexpr CTenderPane kPanes[kTenderPaneCount] = {
        {2325, "Display Current Tender Target ID", "T17"},
        {2326, "Display Current Tender Target Name", "Tender 17 name"},
        {2327, "Display Current Tender Target Position", "00\u00b000.000'N 000\u00b000.000'W"},
        {2328, "Display Current Tender Target Course", "000"},
        {2329, "Display Current Tender Target Speed", "00.0"},
        {2330, "Display Current Tender Target Depth", "000"},
    };
    return kPanes;
}

std::array<std::string, kTenderPaneCount> TenderPaneTexts(const CTender* tender,
                                                          const geo::CPositionFormat& format)
{
    std::array<std::string, kTenderPaneCount> texts;
    if (!tender)
        return texts;
    texts[0] = tender->record->Identifier();
    texts[1] = tender->record->Name();
    const CTenderReading r = tender->Read();
    // Where the symbol is drawn: a tender whose report has aged keeps its
    // last position here as it does on the chart.
    if (const auto where = r.position ? r.position : tender->Where())
        texts[2] = PositionText(*where, format, true) + " " + PositionText(*where, format, false);
    if (r.course)
        texts[3] = BearingText(*r.course);
    if (r.speed)
        texts[4] = app::FormatDouble(*r.speed, 1, 0);
    if (r.depth)
        texts[5] = DistanceText(*r.depth);
    return texts;
}

std::array<std::string, 2> TenderPositionCells(const CTender& tender,
                                               const geo::CPositionFormat& format)
{
    auto where = tender.Position();
    if (!where && !tender.track.empty())
        where = tender.track.back().position;
    if (!where)
        return {};
    return {PositionText(*where, format, true), PositionText(*where, format, false)};
}

std::string TenderLogTitle(const CTender* tender)
{
    std::string title = "Tender Target Log : ";
    if (!tender)
        return title;
    title += "Target ID " + tender->record->Identifier();
    if (const std::string name = tender->record->Name(); !name.empty())
        title += " - " + name;
    return title;
}

std::array<std::string, kTenderSummaryFields> TenderSummaryTexts(const CTender& tender,
                                                                 const std::string& captured)
{
    const char* status = tender.manOverboard ? "'Panic Button' Activated"
                         : tender.reporting  ? "Non-Dangerous"
                                             : "Dangerous";
    return {ChannelLetter(tender.Channel()), tender.record->Name(), status, captured};
}

}   // namespace targets
