#include "SampleSet.h"
#include "CaptureLog.h"
#include "ReportSample.h"

#include "app/Module.h"
#include "db/DBARCSCat.h"
#include "db/DBReportTable.h"
#include "platform/Prompt.h"
#include "platform/SettingsStore.h"
#include "routes/PlanModule.h"
#include "routes/PlanRows.h"
#include "routes/RouteModule.h"
#include "routes/RouteViews.h"

#include <chrono>
#include <iostream>

namespace report_sample {

namespace {

namespace fs = std::filesystem;

// The modules' settings in a file of the set's own.
class SetSettings final : public app::CSettingsHome {
public:
    explicit SetSettings(const fs::path& file) : m_store(file) { }
    platform::CSettingsStore& GetStore() const override { return m_store; }
    std::string GetRegistryKey() const override { return "Sample"; }

private:
    mutable platform::CSettingsStore m_store;
};

// Nobody is there to answer: what a module would ask is printed and taken as OK.
class PrintedPrompt final : public platform::CPrompt {
public:
    platform::PromptAnswer Ask(std::string_view text, std::string_view caption,
                               platform::PromptIcon, platform::PromptButtons buttons) override
    {
        std::cerr << "report-sample: " << caption << ": " << text << "\n";
        return buttons == platform::PromptButtons::YesNo ||
                       buttons == platform::PromptButtons::YesNoCancel
                   ? platform::PromptAnswer::Yes
                   : platform::PromptAnswer::Ok;
    }
};

struct CatalogueChart {
    const char* number;
    const char* title;
    std::int32_t scale;   // 0: a sheet of plans
    const char* chartMedium;
    const char* chartDate;
    std::uint8_t source;   // bit 0 chart files on disk, bit 1 update files on disk
};

// The sample media's charts; the harbour chart kept on its medium.
constexpr CatalogueChart kCharts[] = {
    {"RC9001", "PUGET SOUND - ADMIRALTY INLET TO TACOMA", 350000, "RCSAMPLE", "20260105", 3},
    {"RC9002", "SEATTLE AND APPROACHES", 50000, "RCSAMPLE", "20260105", 3},
    {"RC9003", "ELLIOTT BAY AND SEATTLE HARBOR", 20000, "RCSAMPLE", "20260105", 0},
    {"RC9004", "PUGET SOUND HARBORS - SAMPLE", 0, "UPDATE", "", 0},
};

// A plan of the set: the route `route` of the route database `routesPart`,
// calculated by `calculate` and written as the plan report table `planPart`.
struct SetPlan {
    const char* routesPart;
    const char* route;
    const char* planPart;
    int (*calculate)(routes::CPlanModule&, const routes::CRouteState&, platform::CPrompt&);
    bool keepSettings;   // the plan module's settings saved in Settings.conf
};

// A sample plan's voyage: tides and variation are off in both.
struct SampleVoyage {
    const char* name;
    const char* from;
    const char* to;
    std::chrono::sys_seconds departure;
    double knots;
    bool deviationOn;
};

int CalculateDeparting(routes::CPlanModule& plan, const routes::CRouteState& state,
                       platform::CPrompt& prompt, const SampleVoyage& voyage)
{
    plan.planName = voyage.name;
    plan.from = voyage.from;
    plan.to = voyage.to;
    plan.planUtc = voyage.departure.time_since_epoch().count();
    routes::CPlanSettings& s = plan.PlanSettings();
    s.vesselSpeed = voyage.knots;
    s.mode = routes::PlanMode::DepartAt;
    s.tidesOn = false;
    s.variationOn = false;
    s.deviationOn = voyage.deviationOn;
    return plan.Calculate(routes::PlanWaypointsOf(state), prompt, nullptr, nullptr, nullptr);
}

bool WritePlan(const fs::path& folder, const SetPlan& which, std::string& error)
{
    const fs::path settingsFile = folder / kSetSettings;
    routes::CRouteState state;
    if (!ReadRoute((folder / which.routesPart).string(), which.route, settingsFile, state, error))
        return false;
    SetSettings settings(settingsFile);
    PrintedPrompt prompt;
    routes::CPlanModule plan(settings, folder.string());
    plan.Initialise();
    if (which.calculate(plan, state, prompt) != routes::kPlanDone) {
        error = std::string("the plan of ") + which.route + " could not be calculated";
        return false;
    }
    if (which.keepSettings) {
        plan.SaveSettings();
        settings.GetStore().Save();
    }

    const fs::path planPath = folder / which.planPart;
    std::error_code ec;
    fs::create_directories(planPath.parent_path(), ec);
    db::CDBReportTable table(db::ReportPlanFields());
    table.SetFilePath(planPath.string());
    if (!table.Open() || !table.Lock()) {
        error = "cannot write the plan " + planPath.string();
        return false;
    }
    for (std::vector<std::string>& row : routes::PlanRows(plan, state)) {
        table.ClearRecord();
        row.resize(table.m_cells.size());
        table.m_cells = std::move(row);
        if (!table.AppendNew()) {
            error = "cannot add to the plan: " + table.GetMessage();
            return false;
        }
    }
    const bool flushed = table.FlushAndUnlock();
    table.Close();
    if (!flushed)
        error = "cannot write the plan " + planPath.string();
    return flushed;
}

}   // namespace

bool WriteCatalogue(const fs::path& folder, std::string& error)
{
    std::error_code ec;
    fs::create_directories(folder, ec);
    db::CDBARCSCat cat;
    cat.SetName("Cat");
    cat.SetFolder(folder.string());
    if (!cat.Open(false)) {
        error = "cannot write the catalogue in " + folder.string();
        return false;
    }
    for (const CatalogueChart& chart : kCharts) {
        cat.ClearRecord();
        cat.m_no = chart.number;
        cat.m_desc = chart.title;
        cat.m_scale = chart.scale;
        cat.m_chcdid = chart.chartMedium;
        cat.m_chcddop = chart.chartDate;
        cat.m_upcdid = "WK02_26";
        cat.m_upcddop = "20260112";
        cat.m_source = chart.source;
        if (!cat.AppendNew()) {
            error = std::string("cannot catalogue ") + chart.number;
            return false;
        }
    }
    cat.Close();
    return true;
}

bool ReadRoute(const std::string& path, const std::string& name, const fs::path& settingsFile,
               routes::CRouteState& state, std::string& error)
{
    SetSettings settings(settingsFile);
    PrintedPrompt prompt;
    routes::CRouteModule module(settings, prompt, fs::path(path).parent_path().parent_path());
    if (!module.Initialise() || !module.OpenDatabase(path)) {
        error = "cannot open the routes " + path;
        return false;
    }
    bool found = false;
    for (int n = 1; !found && n <= module.RouteCount(); ++n)
        found = module.SelectRoute(n) && module.State().name == name;
    if (found)
        state = module.State();
    else
        error = "no route " + name + " in " + path;
    module.Terminate();
    return found;
}

int CalculateSamplePlan(routes::CPlanModule& plan, const routes::CRouteState& state,
                        platform::CPrompt& prompt)
{
    using namespace std::chrono;
    // A steel hull's card: 2.5 degrees east on every heading from east to
    // south-west, less on the others (entries every 22.5 degrees from north).
    plan.SetDeviationCard(
        {0.5, 1.0, 1.5, 2.0, 2.5, 2.5, 2.5, 2.5, 2.5, 2.5, 2.5, 2.0, 1.0, 0.0, -0.5, 0.0});
    return CalculateDeparting(plan, state, prompt,
                              {"Inlet to Seattle \"on the ebb\"", "Port Townsend", "Seattle",
                               sys_days{year{2024} / 6 / 1} + hours(16), 10.0, true});
}

int CalculateTowPlan(routes::CPlanModule& plan, const routes::CRouteState& state,
                     platform::CPrompt& prompt)
{
    using namespace std::chrono;
    return CalculateDeparting(plan, state, prompt,
                              {"Log raft to Tacoma", "Point No Point", "Tacoma",
                               sys_days{year{2024} / 6 / 3} + hours(5), 1.0, false});
}

bool WriteSampleSet(const fs::path& folder, const fs::path& captures, std::string& error)
{
    std::error_code ec;
    for (const char* part : {kSetChartpoints, kSetRoutes, kSetLog, kSetPlan})
        fs::create_directories((folder / part).parent_path(), ec);
    const SetPlan sample{kSetRoutes, "Admiralty Inlet-Seattle", kSetPlan, CalculateSamplePlan,
                         true};
    const SetPlan tow{kSetTowRoutes, "Point No Point-Tacoma", kSetTowPlan, CalculateTowPlan, false};
    return WriteChartpoints((folder / kSetChartpoints).string(), 200, error) &&
           WriteRoutes((folder / kSetRoutes).string(), error) &&
           WriteTowRoute((folder / kSetTowRoutes).string(), error) &&
           WriteCaptureLog((folder / kSetLog).string(), captures, error) &&
           WriteCatalogue(folder / kSetCharts, error) && WritePlan(folder, sample, error) &&
           WritePlan(folder, tow, error);
}

}   // namespace report_sample
