#include "routes/PlanModule.h"

#include "app/DateTimeSpanEx.h"
#include "app/Registry.h"
#include "app/SystemUtils.h"
#include "geo/NavMaths.h"
#include "routes/RouteViews.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace routes {

std::vector<PlanWaypoint> PlanWaypointsOf(const CRouteState& state)
{
    std::vector<PlanWaypoint> out;
    for (const CWaypoint& w : state.waypoints)
        out.push_back({w.m_position, 0, 0});
    for (std::size_t i = 0; i + 1 < out.size(); ++i) {
        PlanWaypoint& p = out[i];
        if (state.waypoints[i].m_legType == kLegRhumb)
            geo::RhumbRangeBearing(p.position, out[i + 1].position, &p.distance, &p.course, true);
        else
            geo::GreatCircleRangeBearing(p.position, out[i + 1].position, &p.distance, &p.course);
    }
    return out;
}

CPlanModule::CPlanModule(app::CSettingsHome& settings, std::string programFolder)
    : app::CModule(settings), m_programFolder(std::move(programFolder))
{
    SetModuleName("Route\\Plan");
    m_line.SetBaseKey(GetModuleName());
    // A workspace that never stored a width draws the plan two pixels wide.
    m_line.SetWidth(2);
}

bool CPlanModule::Initialise()
{
    const std::filesystem::path folder = std::filesystem::path(m_programFolder) / "Plans";
    SetDataFolder(app::EnsureFolder(folder, folder).string());
    return true;
}

void CPlanModule::LoadSettings()
{
    m_line.Load(Settings());
    app::CRegistry key(Settings().GetStore());
    if (OpenSettings(key, false)) {
        std::string folder;
        std::error_code ec;
        if (key.ReadString("FileFolder", folder) && !folder.empty()) {
            std::replace(folder.begin(), folder.end(), '\\', '/');
            const auto made = app::EnsureFolder(folder, GetDataFolder());
            if (!made.empty())
                SetDataFolder(made.string());
        }
    }
    app::CRegistry s(Settings().GetStore());
    if (!OpenSettings(s, false, "Settings"))
        return;
    s.ReadBool("TidesOn", m_settings.tidesOn);
    s.ReadBool("VariationOn", m_settings.variationOn);
    s.ReadBool("DeviationOn", m_settings.deviationOn);
    double speed = 0;
    if (s.ReadDouble("VesselSpeed", speed))
        m_settings.vesselSpeed =
            CPlanCalculator::IsUsableSpeed(speed) ? std::min(speed, 99.9) : 5.0;
    app::CDateTimeSpanEx span;
    // One minute to 23:59 for the tidal step; up to 3600 minutes between plans.
    if (s.ReadTimeSpan("TidalCalcInterval", span))
        m_settings.tidalIntervalSeconds =
            std::clamp<std::int64_t>(span.GetTotalSeconds(), 60, 86340);
    if (s.ReadTimeSpan("BestTimeCalcInterval", span))
        m_settings.bestTimeIntervalSeconds =
            std::clamp<std::int64_t>(span.GetTotalSeconds(), 60, 3600 * 60);
    std::uint32_t plans = 0;
    if (s.ReadDWord("BestTimePlans", plans))
        m_settings.bestTimePlans = int(std::clamp<std::uint32_t>(plans, 2, 12));
}

void CPlanModule::SaveSettings()
{
    m_line.Save(Settings());
    app::CRegistry key(Settings().GetStore());
    if (OpenSettings(key, true))
        key.WriteString("FileFolder", GetDataFolder());
    app::CRegistry s(Settings().GetStore());
    if (!OpenSettings(s, true, "Settings"))
        return;
    s.WriteBool("TidesOn", m_settings.tidesOn);
    s.WriteBool("VariationOn", m_settings.variationOn);
    s.WriteBool("DeviationOn", m_settings.deviationOn);
    s.WriteDouble("VesselSpeed", m_settings.vesselSpeed);
    s.WriteTimeSpan("TidalCalcInterval",
                    app::CDateTimeSpanEx(long(m_settings.tidalIntervalSeconds)));
    s.WriteTimeSpan("BestTimeCalcInterval",
                    app::CDateTimeSpanEx(long(m_settings.bestTimeIntervalSeconds)));
    s.WriteDWord("BestTimePlans", std::uint32_t(m_settings.bestTimePlans));
}

void CPlanModule::SelectReportFiles(const std::function<bool(const std::string& file)>& exists)
{
    m_reportFiles = ReportFiles();
    if (exists("PlnCstm1.rpt") && exists("PlnCstm2.rpt"))
        m_reportFiles = {true, "PlnCstm1.rpt", "PlnCstm2.rpt", "PlnCstm1.rpt"};
    // The flag stays as the first pair left it.
    if (exists("PlnIntl1.rpt") && exists("PlnIntl2.rpt")) {
        m_reportFiles.withoutMemos = "PlnIntl1.rpt";
        m_reportFiles.withMemos = "PlnIntl2.rpt";
        m_reportFiles.tested = "PlnIntl2.rpt";
    }
}

void CPlanModule::ClearPlan()
{
    m_calculated = false;
    m_cardModified = false;
    m_plan.clear();
}

bool CPlanModule::CanCalculate(std::size_t waypointCount) const
{
    return waypointCount >= 2 && CPlanCalculator::IsUsableSpeed(m_settings.vesselSpeed);
}

std::optional<std::int64_t> CPlanModule::GetWaypointTime(std::size_t index) const
{
    if (!IsPlanValid() || index >= m_plan.size())
        return std::nullopt;
    return m_plan[index].utc;
}

CPlanCalculator CPlanModule::MakeCalculator(platform::CPrompt& prompt, CPlanTides* tides,
                                            CPlanVariation* variation, CPlanAbortProbe* probe,
                                            CPlanProgress* progress)
{
    CPlanCalculator calc(m_settings, prompt);
    calc.SetTides(tides && tides->IsAvailable() ? tides : nullptr);
    calc.SetVariation(variation && variation->IsLoaded() ? variation : nullptr);
    calc.SetAbortProbe(probe);
    calc.SetProgress(progress);
    calc.SetDeviationCard(m_card);
    return calc;
}

int CPlanModule::Calculate(const std::vector<PlanWaypoint>& route, platform::CPrompt& prompt,
                           CPlanTides* tides, CPlanVariation* variation, CPlanAbortProbe* probe)
{
    ClearPlan();
    if (!CanCalculate(route.size()))
        return kPlanAborted;
    CPlanCalculator calc = MakeCalculator(prompt, tides, variation, probe, nullptr);
    calc.SetTidalMessages(true);
    const int code = calc.BuildLegs(route, planUtc, m_plan);
    if (code == kPlanDone) {
        MarkTrackStarts();
        m_calculated = true;
        m_calculatedUtc = std::time(nullptr);
        return code;
    }
    prompt.Ask(code == kPlanAborted ? PlanAbortedText() : PlanDateOutOfRangeText(), "Passage plan",
               platform::PromptIcon::Stop, platform::PromptButtons::Ok);
    return code;
}

std::optional<CPlanCalculator::BestTime> CPlanModule::SearchBestTime(
    const std::vector<PlanWaypoint>& route, platform::CPrompt& prompt, CPlanTides* tides,
    CPlanVariation* variation, CPlanAbortProbe* probe, CPlanProgress* progress)
{
    ClearPlan();
    if (!CanCalculate(route.size()) || !tides || !tides->IsAvailable() || !m_settings.tidesOn)
        return std::nullopt;
    CPlanCalculator calc = MakeCalculator(prompt, tides, variation, probe, progress);
    int code = 0;
    auto result = calc.SearchBestTime(route, planUtc, code);
    if (!result)
        prompt.Ask(BestTimeAbortedText(), "Passage plan", platform::PromptIcon::Exclamation,
                   platform::PromptButtons::Ok);
    return result;
}

void CPlanModule::TakeSearchResult(const CPlanCalculator::BestTime& result, bool useBest)
{
    m_plan = useBest ? result.best : result.first;
    const int index = useBest ? result.bestIndex : 0;
    planUtc = result.starts[std::size_t(index)];
    MarkTrackStarts();
    m_calculated = true;
    m_calculatedUtc = std::time(nullptr);
}

void CPlanModule::MarkTrackStarts()
{
    for (CLegData& record : m_plan)
        record.track.MarkStart();
}

bool CPlanModule::DrawsTracks() const
{
    // Whatever the plan holds is drawn: after an aborted calculation the
    // legs worked out so far show how far it got.
    return m_line.GetDraw() && !m_plan.empty();
}

void CPlanModule::DrawTracks(chart::CChartDoc& doc, chart::CXDC& dc)
{
    if (!DrawsTracks())
        return;
    chart::CTrackLineStyle style;
    style.line = m_line.GetColour();
    style.width = m_line.GetWidth();
    style.broken = m_line.GetPatternFlag();
    for (CLegData& record : m_plan) {
        record.track.SetPlannedStyle(style);
        record.track.Draw(doc, dc, false);
    }
}

}   // namespace routes
