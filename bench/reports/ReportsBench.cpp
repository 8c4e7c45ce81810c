// The vessel log report of 100,000 rows to PDF (report table written on the
// run's own engine, pages measured, every page drawn with wrapping and
// headings) against its _Reference: the same cell texts copied row by row
// through the bare table engine, then drawn by plain QPainter at fixed
// places on a QPdfWriter. And the chartpoint report's copy of 10,000
// chartpoints in the user's order against a walk of the table alone.
#include "app/StringUtils.h"
#include "app/SystemUtils.h"
#include "app/ui/ToolbarComboAction.h"
#include "chartpoints/ChartpointCombos.h"
#include "chartpoints/ui/ChartpointReport.h"
#include "db/DBChartPoint.h"
#include "db/DBLog.h"
#include "db/DBReportTable.h"
#include "engines/dbase/DbaseEngine.h"
#include "engines/dbase/DbaseTable.h"
#include "engines/report/ReportOutput.h"
#include "engines/report/ReportRun.h"
#include "navigator/LogbookRows.h"
#include "navigator/TrackRecord.h"
#include "navigator/ui/LogReports.h"

#include <QApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QToolBar>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr int kLogRows = 100000;
constexpr int kChartpoints = 10000;

struct Folder {
    fs::path dir;
    Folder()
    {
        std::string tmpl = (fs::temp_directory_path() / "bench-reports-XXXXXX").string();
        dir = ::mkdtemp(tmpl.data());
    }
    ~Folder() { fs::remove_all(dir); }
};

Folder& Work()
{
    static Folder folder;
    return folder;
}

const std::string& LogPath()
{
    static const std::string path = [] {
        const std::string p = (Work().dir / "00000001").string();
        db::CDBLog log;
        log.SetFilePath(p);
        log.Open();
        log.Lock();
        for (int i = 0; i < kLogRows; ++i) {
            log.ClearRecord();
            const int minute = i % (24 * 60);
            log.m_time = app::CDateTimeEx(2026, 1 + i / (24 * 60 * 28) % 12, 1 + i / (24 * 60) % 28,
                                          minute / 60, minute % 60, 0);
            log.m_position =
                geo::CPosition(47.6 + (i % 1000) * 0.0005, -122.4 - (i % 700) * 0.0005);
            log.m_cog = (i * 7) % 360;
            log.m_sog = 6.5;
            log.m_type = 4;
            log.m_note = i % 50 == 0 ? "Course altered off Point No Point" : "";
            log.AppendNew();
        }
        log.FlushAndUnlock();
        return p;
    }();
    return path;
}

void BM_LogReportPdf(benchmark::State& state)
{
    const std::string log = LogPath();
    const QString pdf = QString::fromStdString((Work().dir / "log.pdf").string());
    for (auto _ : state) {
        report::CRunProgress progress;
        std::string error;
        report::CReportRequest request = navigator::VesselLogReport(log, {log});
        request.folder = Work().dir / "reports";
        std::string definitionError;
        report::ApplyReportDefinition(request, BRINE_REPORTS_DIR, definitionError);
        auto filled = report::FillReport(std::move(request), report::DefaultPageSize(),
                                         std::stop_token(), progress, error);
        QString pdfError;
        if (!filled || !report::WriteReportPdf(*filled->layout, pdf, pdfError))
            state.SkipWithError("report failed");
        else
            state.counters["pages"] = filled->layout->PageCount();
    }
    state.SetItemsProcessed(state.iterations() * kLogRows);
}

// The nine cell texts of a log record read straight from the engine's fields.
std::vector<std::string> BareCells(dbase::CDbaseTable& t)
{
    app::CDateTimeEx utc;
    utc.SetDateTime(0, 0, 0, 0, 0, 0);
    const std::string date(t.Field("DATE")->Bytes());
    const std::string time(t.Field("TIME")->Bytes());
    utc = app::CDateTimeEx(
        std::atoi(date.substr(0, 4).c_str()), std::atoi(date.substr(4, 2).c_str()),
        std::atoi(date.substr(6, 2).c_str()), std::atoi(time.substr(0, 2).c_str()),
        std::atoi(time.substr(2, 2).c_str()), std::atoi(time.substr(4, 2).c_str()));
    const app::CDateTimeEx local = navigator::LocalFromUtc(utc);
    const geo::CPosition position(t.Field("LAT")->AsDouble(), t.Field("LNG")->AsDouble());
    return {local.FormatDate(false),
            local.FormatTime(true),
            position.FormatLatitude(),
            position.FormatLongitude(),
            position.GetDatumName(),
            app::FormatBearing(t.Field("COG")->AsDouble()),
            app::FormatDouble(t.Field("SOG")->AsDouble(), 1, 0),
            navigator::GetFixTypeText(int(t.Field("TYPE")->AsDouble())),
            t.Field("NOTE")->Text()};
}

void BM_LogReportPdf_Reference(benchmark::State& state)
{
    const std::string log = LogPath();
    const QString pdf = QString::fromStdString((Work().dir / "log-ref.pdf").string());
    const char* names[] = {"DATE", "TIME", "LAT", "LNG", "DSHIFT", "COG", "SOG", "TYPE", "NOTE"};
    for (auto _ : state) {
        dbase::CDbaseEngine engine;
        auto source = engine.Open(log);
        std::vector<dbase::FieldSpec> fields{{"UNIQUE", 'N', 8, 0}};
        for (const auto& f : db::ReportLogFields())
            fields.push_back(
                {f.name, f.type, static_cast<uint16_t>(f.type == 'M' ? 10 : f.width), 0});
        const std::string copyPath = (Work().dir / "ref-copy").string();
        auto copy = engine.Create(copyPath, fields, {});
        const int32_t count = source->RecordCount();
        for (int32_t r = 1; r <= count; ++r) {
            source->Go(r);
            const std::vector<std::string> cells = BareCells(*source);
            copy->AppendStart();
            copy->Field("UNIQUE")->AssignLong(r, 8, true);
            for (std::size_t c = 0; c < cells.size(); ++c)
                copy->Field(names[c])->Assign(cells[c]);
            copy->Append();
        }
        copy->Flush();
        // Fixed places: a line per row, the same page size and row count a page.
        QPdfWriter writer(pdf);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setResolution(72);
        QPainter painter(&writer);
        const double x[] = {36, 90, 140, 220, 305, 360, 390, 420, 480};
        const int perPage = 52;
        for (int32_t r = 1; r <= count; ++r) {
            if (r > 1 && (r - 1) % perPage == 0)
                writer.newPage();
            copy->Go(r);
            const double y = 60 + ((r - 1) % perPage) * 14.0;
            for (std::size_t c = 0; c < 9; ++c)
                painter.drawText(QPointF(x[c], y), QString::fromStdString(
                                                       std::string(copy->Field(names[c])->Text())));
        }
        painter.end();
        copy->Close();
        source->Close();
    }
    state.SetItemsProcessed(state.iterations() * kLogRows);
}

const std::string& ChartpointPath()
{
    static const std::string path = [] {
        const std::string p = (Work().dir / "points").string();
        db::CDBChartPoint table;
        table.SetFilePath(p);
        table.Open();
        table.Lock();
        for (int i = 0; i < kChartpoints; ++i) {
            table.ClearRecord();
            table.m_name = "Point " + std::to_string((i * 7919) % kChartpoints);
            table.m_ident = std::to_string(i);
            table.m_position = geo::CPosition(47 + (i % 100) * 0.01, -122 - (i / 100) * 0.01);
            table.m_area = "Puget Sound";
            table.AppendNew();
        }
        table.FlushAndUnlock();
        return p;
    }();
    return path;
}

void BM_ChartpointRefill(benchmark::State& state)
{
    db::CDBChartPoint table;
    table.SetFilePath(ChartpointPath());
    table.Open();
    table.SelectTag("T_NAME");
    for (auto _ : state) {
        report::CReportRequest request = chartpoints::ChartpointReport(table);
        benchmark::DoNotOptimize(request);
    }
    state.SetItemsProcessed(state.iterations() * kChartpoints);
}

void BM_ChartpointRefill_Reference(benchmark::State& state)
{
    db::CDBChartPoint table;
    table.SetFilePath(ChartpointPath());
    table.Open();
    table.SelectTag("T_NAME");
    for (auto _ : state) {
        std::size_t names = 0;
        for (bool more = table.GoTop(); more; more = table.SkipForward())
            names += table.m_name.size();
        benchmark::DoNotOptimize(names);
    }
    state.SetItemsProcessed(state.iterations() * kChartpoints);
}

// The toolbar drop-down of names refilled from the table (the list alone,
// then shown by one combo box on a toolbar), against the same table walk.
void BM_ChartpointComboRefill(benchmark::State& state)
{
    db::CDBChartPoint table;
    table.SetFilePath(ChartpointPath());
    table.Open();
    table.SelectTag("T_NAME");
    chartpoints::CChartpointComboModel names;
    names.SetChartpoints(&table);
    QToolBar bar;
    app::CToolbarComboAction action(names, 815, "Select Chartpoint", 180, true, {}, nullptr);
    if (state.range(0) > 0)
        bar.addAction(&action);
    for (auto _ : state) {
        names.Refill();
        benchmark::DoNotOptimize(names.GetCount());
    }
    state.SetItemsProcessed(state.iterations() * kChartpoints);
}

BENCHMARK(BM_LogReportPdf)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_LogReportPdf_Reference)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ChartpointRefill)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChartpointRefill_Reference)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChartpointComboRefill)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}   // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
