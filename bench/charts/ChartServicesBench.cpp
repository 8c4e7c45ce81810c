// The chart services at work on the same sample charts, beside the plainest way to do the same
// job (their references share names with ChartsBench.cpp's):
// - the installed harbour chart's document repainting a 1920 x 1080 view from its tile cache at
//   x0.5, x1 and x2 (against BM_HarbourRepaint_Reference: 2x, and 30 ms at x0.5);
// - the integrity check as Verify runs it, thread and tile lock included, against zlib's crc32
//   over the same bytes: 2x; on a raster of a real chart's size (80 x 60 tiles, about 8 MB),
//   since the sample harbour chart's 76 KB measure little but the thread's start;
// - the folio build and the update pass over 3,000 generated charts against a walk of the
//   catalogue table plus a read of Chart.cat: 4x.
#include <benchmark/benchmark.h>

#include <zlib.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <unistd.h>

#include "ChartSetWriter.h"
#include "FakeChartWindow.h"
#include "chart/ChartingModule.h"
#include "chart/draw/BufferDC.h"
#include "charts/hcrf/ChartVerifier.h"
#include "charts/hcrf/HCRFDoc.h"
#include "charts/hcrf/HCRFModule.h"
#include "platform/SettingsStore.h"

using namespace charts::hcrf;
namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kFolioCharts = 3000;
const fs::path kSampleMedia = BRINE_SAMPLE_MEDIA_DIR;

double ScaleOf(const benchmark::State& state)
{
    return state.range(0) == 0 ? 0.5 : double(state.range(0));
}

const chart::CPaletteTable& GreyColours()
{
    static const chart::CPaletteTable colours = [] {
        chart::CPaletteTable t{};
        for (unsigned i = 0; i < 256; ++i)
            t[i] = 0xFF000000u | i * 0x010101u;
        return t;
    }();
    return colours;
}

// ---- Through the chart services: the installed harbour chart's document, and 3,000 charts ----

fs::path MakeTempFolder(const char* name)
{
    std::string pattern = (fs::temp_directory_path() / name).string() + "-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return {};
    return pattern;
}

struct Home : app::CSettingsHome {
    platform::CSettingsStore* store = nullptr;
    platform::CSettingsStore& GetStore() const override { return *store; }
    std::string GetRegistryKey() const override { return "Bench"; }
};

// Answers every medium prompt by choosing `folder`, every message with OK.
class FolderUi final : public CMediaUi {
public:
    platform::PromptAnswer Message(std::string_view, platform::PromptIcon,
                                   platform::PromptButtons) override
    {
        return platform::PromptAnswer::Ok;
    }
    MediumAnswer AskForMedium(std::string_view, std::string_view, std::string& chosen) override
    {
        chosen = folder.string();
        return MediumAnswer::ChooseFolder;
    }
    std::unique_ptr<CInstallProgress> OpenProgress(std::string_view) override
    {
        return std::make_unique<CSilentProgress>();
    }
    fs::path folder;
};

// A charts folder of its own with both services over one catalogue.
struct Installation {
    fs::path dir = MakeTempFolder("bench-charts");
    platform::CSettingsStore store{dir / "settings.conf"};
    Home home;
    FolderUi ui;
    std::unique_ptr<chart::CChartingModule> charting;
    CHCRFModule* arcs = nullptr;

    Installation()
    {
        home.store = &store;
        auto shared = std::make_shared<CHCRFShared>();
        shared->host.ui = &ui;
        shared->host.setNavigatorHold = [](bool) {};
        chart::CChartingServices services;
        services.defaultChartsFolder = (dir / "charts").string();
        auto a = std::make_unique<CARCSModule>(home, shared);
        arcs = a.get();
        services.chartServices.push_back(std::move(a));
        services.chartServices.push_back(std::make_unique<CSeafarerModule>(home, shared));
        charting = std::make_unique<chart::CChartingModule>(home, std::move(services));
        charting->Initialise();
    }
    ~Installation()
    {
        charting.reset();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

// The harbour chart installed from the sample media (update 1 and the chart medium, as a first
// start does) and opened at full detail in a 1920 x 1080 window.
struct HarbourDocument {
    Installation installation;
    brine_test::FakeChartWindow window{{0, 0, kWidth, kHeight}};
    std::unique_ptr<CHCRFDoc> doc;
    bool ok = false;

    HarbourDocument()
    {
        installation.arcs->InstallSampleMedia(kSampleMedia.string());
        const std::string path = installation.arcs->GetCataloguedChartPath("RC9003");
        doc = std::make_unique<CHCRFDoc>(installation.charting.get(), installation.arcs);
        window.doc = doc.get();
        doc->AttachWindow(&window);
        ok = !path.empty() && doc->OpenChart(path) && doc->ZoomMax();
    }
    // Full detail at 0.5, 1 or 2, centred on Elliott Bay.
    bool Scale(double scale)
    {
        if (!ok)
            return false;
        doc->ZoomMax();   // full detail at 1 (false when it is there already)
        while (doc->DisplayScale() > scale && doc->ZoomOut()) { }
        while (doc->DisplayScale() < scale && doc->ZoomIn()) { }
        doc->CentreOnPosition(geo::CPosition(47.605, -122.385), true);
        return doc->ActiveRaster() == CHCRFDoc::kHigh && doc->DisplayScale() == scale;
    }
};

HarbourDocument& TheHarbourDocument()
{
    static HarbourDocument harbour;
    return harbour;
}

// The document's own repaint: every visible tile from its cache through the 8-bit blit.
void BM_DocumentRepaint(benchmark::State& state)
{
    HarbourDocument& h = TheHarbourDocument();
    if (!h.Scale(ScaleOf(state))) {
        state.SkipWithError("cannot open the installed sample harbour chart");
        return;
    }
    chart::CBufferDC dc(&GreyColours(), kWidth, kHeight);
    h.doc->DrawChart(dc);   // decodes the visible tiles once
    for (auto _ : state)
        benchmark::DoNotOptimize(h.doc->DrawChart(dc));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DocumentRepaint)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// A full-detail raster of a real chart's size: 80 x 60 tiles of 500 to 3,000 bytes (about 8 MB),
// their check values zlib's, so it verifies.
struct LargeRaster {
    CTileRaster raster;
    std::mutex tileLock;
    bool ok = false;

    LargeRaster()
    {
        constexpr unsigned kAcross = 80, kDown = 60;
        Bytes data, index;
        std::uint32_t seed = 12345;
        auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
        for (unsigned t = 0; t < kAcross * kDown; ++t) {
            const std::uint32_t offset = std::uint32_t(data.size());
            const std::uint16_t length = std::uint16_t(500 + next() % 2500);
            for (unsigned i = 0; i < length; ++i)
                data.push_back(std::uint8_t(next() >> 24));
            index.insert(index.end(), {std::uint8_t(t % kAcross), std::uint8_t(t / kAcross),
                                       std::uint8_t(length), std::uint8_t(length >> 8),
                                       std::uint8_t(offset), std::uint8_t(offset >> 8),
                                       std::uint8_t(offset >> 16), std::uint8_t(offset >> 24)});
        }
        auto withCheck = [](Bytes bytes) {
            const auto crc = std::uint32_t(crc32(0, bytes.data(), uInt(bytes.size())));
            for (int i = 0; i < 4; ++i)
                bytes.push_back(std::uint8_t(crc >> (8 * i)));
            return bytes;
        };
        ok = raster.Assign(withCheck(std::move(data)), withCheck(std::move(index)), kAcross, kDown,
                           nullptr);
    }
};

LargeRaster& TheLargeRaster()
{
    static LargeRaster large;
    return large;
}

// The integrity check as the Verify command runs it: its thread, the tile lock, the posted
// results; timed from start to the finished message.
void BM_Verify(benchmark::State& state)
{
    LargeRaster& large = TheLargeRaster();
    if (!large.ok) {
        state.SkipWithError("cannot build the raster");
        return;
    }
    CChartVerifier verifier;
    std::mutex mutex;
    std::condition_variable wake;
    bool posted = false;
    verifier.Queue().SetWaker([&] {
        const std::lock_guard<std::mutex> hold(mutex);
        posted = true;
        wake.notify_one();
    });
    int passed = 0;
    for (auto _ : state) {
        verifier.Start(large.raster, large.tileLock);
        for (bool finished = false; !finished;) {
            {
                std::unique_lock<std::mutex> hold(mutex);
                wake.wait(hold, [&] { return posted; });
                posted = false;
            }
            verifier.Queue().Drain([&](const app::CPostedMessage& m) {
                if (m.id == CChartVerifier::kChartResult || m.id == CChartVerifier::kIndexResult)
                    passed += int(m.wParam);
                finished = finished || m.id == CChartVerifier::kFinished;
            });
        }
        verifier.Stop();
    }
    verifier.Queue().SetWaker(nullptr);
    if (passed != 2 * int(state.iterations()))
        state.SkipWithError("the raster did not verify");
    state.SetBytesProcessed(std::int64_t(state.iterations()) *
                            std::int64_t(large.raster.Index().size() + large.raster.Data().size()));
}
BENCHMARK(BM_Verify)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Verify_Reference(benchmark::State& state)
{
    LargeRaster& large = TheLargeRaster();
    if (!large.ok) {
        state.SkipWithError("cannot build the raster");
        return;
    }
    const ByteView index = large.raster.Index(), data = large.raster.Data();
    for (auto _ : state) {
        benchmark::DoNotOptimize(crc32(0, index.data(), uInt(index.size())));
        benchmark::DoNotOptimize(crc32(0, data.data(), uInt(data.size())));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) *
                            std::int64_t(index.size() + data.size()));
}
BENCHMARK(BM_Verify_Reference)->Unit(benchmark::kMillisecond)->UseRealTime();

// An update medium whose catalogue describes 3,000 generated charts (every fifth with a plan),
// installed into an empty catalogue by one update pass.
struct ThreeThousand {
    Installation installation;
    fs::path medium = installation.dir / "WK10_26";
    bool ok = false;

    ThreeThousand()
    {
        std::vector<hcrftool::CatalogueChart> charts;
        const long scales[] = {12500, 25000, 50000, 150000};
        for (int i = 0; i < kFolioCharts; ++i) {
            hcrftool::CatalogueChart c;
            c.number = "RC" + std::to_string(10000 + i);
            c.editionField = "GEN00001";
            c.shortCode = "GEN";
            c.title = "GENERATED CHART " + c.number;
            c.chartCd = "RCGEN01";
            c.updateNumber = "000000000";
            c.scale = scales[i % 4];
            const double lat = 40 + (i % 50) * 0.4, lon = -10 + (i / 50) * 0.3;
            const double half = 0.02 * double(c.scale) / 12500;
            c.outline = {{lat + half, lon - half},
                         {lat + half, lon + half},
                         {lat - half, lon + half},
                         {lat - half, lon - half}};
            if (i % 5 == 0)
                c.plans.push_back({1,
                                   c.scale / 4,
                                   "PLAN",
                                   {{lat + 0.01, lon - 0.01},
                                    {lat + 0.01, lon + 0.01},
                                    {lat - 0.01, lon + 0.01},
                                    {lat - 0.01, lon - 0.01}}});
            charts.push_back(std::move(c));
        }
        std::string error;
        std::error_code ec;
        for (const char* sub : {"ChartCat", "Misc", "Temp_NM"})
            fs::create_directories(medium / sub, ec);
        std::ofstream(medium / "ReadMe.cdv", std::ios::binary)
            << "GBWK10_26   20260305GENERATED    1" << std::string(500, ' ') << "\x0B\x0D\x0A";
        installation.ui.folder = medium;
        ok = hcrftool::WriteCatalogue(medium / "ChartCat", charts, error) &&
             hcrftool::WriteLookupTables(medium / "Misc", error) &&
             installation.arcs->RunManaged(&CHCRFModule::OnUpdates, false) &&
             installation.arcs->Catalogue().GetRecordCount() == kFolioCharts;
    }
};

ThreeThousand& TheThreeThousand()
{
    static ThreeThousand charts;
    return charts;
}

void BM_FolioBuild(benchmark::State& state)
{
    ThreeThousand& t = TheThreeThousand();
    if (!t.ok) {
        state.SkipWithError("cannot install the generated catalogue");
        return;
    }
    for (auto _ : state) {
        chart::Folio folio;
        benchmark::DoNotOptimize(t.installation.arcs->BuildFolio(folio));
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * kFolioCharts);
}
BENCHMARK(BM_FolioBuild)->Unit(benchmark::kMillisecond);

// The medium's catalogue read again and every record refreshed and stored.
void BM_UpdatePass(benchmark::State& state)
{
    ThreeThousand& t = TheThreeThousand();
    if (!t.ok) {
        state.SkipWithError("cannot install the generated catalogue");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(t.installation.arcs->RunManaged(&CHCRFModule::OnUpdates, false));
    state.SetItemsProcessed(std::int64_t(state.iterations()) * kFolioCharts);
}
BENCHMARK(BM_UpdatePass)->Unit(benchmark::kMillisecond);

// What any pass must do at least: visit every catalogue record and read the catalogue file.
void BM_FolioBuild_Reference(benchmark::State& state)
{
    ThreeThousand& t = TheThreeThousand();
    if (!t.ok) {
        state.SkipWithError("cannot install the generated catalogue");
        return;
    }
    db::CDBARCSCat& cat = t.installation.arcs->Catalogue();
    const fs::path chartCat =
        t.installation.arcs->UpdateSourcePath("WK10_26") / "ChartCat" / "Chart.cat";
    for (auto _ : state) {
        std::int64_t sum = 0;
        for (bool more = cat.GoTop(); more; more = cat.SkipForward())
            sum += cat.m_scale;
        const auto bytes = ReadWholeFile(chartCat);
        benchmark::DoNotOptimize(sum += bytes ? std::int64_t(bytes->size()) : 0);
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * kFolioCharts);
}
BENCHMARK(BM_FolioBuild_Reference)->Unit(benchmark::kMillisecond);

}   // namespace
