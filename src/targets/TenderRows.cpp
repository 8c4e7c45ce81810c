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

// The RMC's time (hhmmss.ss) on its date (ddmmyy), as UTC.
std::optional<std::chrono::system_clock::time_point> ReportUtc(const CTenderRecord& record)
{
    const auto& time = record.Value(item::PositionTime);
    const auto& date = record.Value(item::Date);
    if (!time.IsValid() || !date.IsValid())
        return std::nullopt;
    const double hms = time.GetDouble();
    const auto d = static_cast<int>(date.GetDouble());
    using namespace std::chrono;
    const int yy = d % 100;
    const year_month_day ymd{year{yy < 70 ? 2000 + yy : 1900 + yy}, month{unsigned(d / 100 % 100)},
                             day{unsigned(d / 10000)}};
    if (!ymd.ok())
        return std::nullopt;
    const double whole = std::floor(hms);
    const auto h = static_cast<int>(whole / 10000), m = static_cast<int>(whole / 100) % 100;
    const double s = hms - std::floor(whole / 100) * 100;
    return sys_days{ymd} + hours{h} + minutes{m} +
           duration_cast<system_clock::duration>(duration<double>(s));
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
    if (const auto p = tender.Position()) {
        row[2] = PositionText(*p, format, true);
        row[3] = PositionText(*p, format, false);
    }
    const auto reported = ReportUtc(*tender.record);
    if (local)
        row[4] = local(reported.value_or(navigationUtc));
    if (const auto sog = tender.Speed())
        row[5] = app::FormatDouble(*sog, 2, 0);
    if (const auto cog = tender.Course())
        row[6] = BearingText(*cog);
    if (const auto depth = tender.Depth())
        row[7] = DistanceText(*depth);
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
    if (const auto p = tender->Position())
        texts[2] = PositionText(*p, format, true) + " " + PositionText(*p, format, false);
    if (const auto cog = tender->Course())
        texts[3] = BearingText(*cog);
    if (const auto sog = tender->Speed())
        texts[4] = app::FormatDouble(*sog, 1, 0);
    if (const auto depth = tender->Depth())
        texts[5] = DistanceText(*depth);
    return texts;
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

std::array<std::string, kTenderSummaryFields> TenderSummaryTexts(const CTender& tender)
{
    const char* status = tender.manOverboard ? "'Panic Button' Activated"
                         : tender.reporting  ? "Non-Dangerous"
                                             : "Dangerous";
    return {ChannelLetter(tender.Channel()), tender.record->Name(), status, ""};
}

}   // namespace targets
