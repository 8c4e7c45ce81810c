// The tidal module over written models: areas from the header lines, models
// the library refuses left out with their message (an unreadable header
// quietly), the first covering model chosen, failed
// switches keeping the working model, settings defaults and clamps, the atlas
// grid's steps, bounds, cache and stop text, the stream window's texts.

#include "routes/TidalModule.h"
#include "routes/TidalAtlasModel.h"
#include "routes/TidalAtlasOptions.h"

#include "../chartpoints/ChartpointFakes.h"
#include "ChildProcess.h"
#include "TempFolder.h"
#include "TestModels.h"
#include "WaitStatusRecorder.h"
#include "app/Registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <fstream>
#include <random>
#include <thread>

namespace {

using routes::CTidalModule;
using tidal::CellQuality;

constexpr std::int64_t kMarch2030 = 1899072000;   // 2030-03-07 00:00 UTC

// A 6 x 6 model of steady east streams (so the answer names the model).
void WriteSteady(const std::filesystem::path& folder, const std::string& title, double north,
                 double west, float east)
{
    auto d = tidaltest::BlankModel(6, 6, CellQuality::Station);
    for (auto& c : d.cells)
        c.meanEast = east;
    tidaltest::Write(folder, title, tidaltest::HeaderFor(d, north, west, 0.01), d);
}

struct TidalFixture : ::testing::Test {
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings{dir.Path()};
    std::filesystem::path tides = dir.Path() / "Tides";
    std::unique_ptr<CTidalModule> module;
    std::vector<std::string> notices;

    void SetUp() override
    {
        std::filesystem::create_directories(tides);
        module = std::make_unique<CTidalModule>(settings, dir.Path().string());
        ASSERT_TRUE(module->Initialise());
        module->Models().SetNoticeSink([this](const std::string& s) { notices.push_back(s); });
    }
    double EastAt(double lat, double lon)
    {
        double h = 0, rate = 0, dir = 0;
        const int code =
            module->Models().PredictAnywhere(geo::CPosition(lat, lon), kMarch2030, h, rate, dir);
        return code <= 0 && code >= -2 ? rate / 3600.0 : -1.0;
    }
};

TEST_F(TidalFixture, HeaderExampleGivesTheAreaLessTheMarginRows)
{
    std::ofstream(tides / "Example.tid") << "x 10 12\n0.1 0.05 -6.0 52.0\n";
    const auto area = routes::ReadTidalArea((tides / "Example.tid").string());
    ASSERT_TRUE(area);
    EXPECT_EQ(area->Name(), "Example");
    const auto& c = area->Corners();
    ASSERT_EQ(c.size(), 4u);
    EXPECT_DOUBLE_EQ(c[0].GetLatitude(), 52.0);
    EXPECT_DOUBLE_EQ(c[0].GetLongitude(), -6.0);
    EXPECT_NEAR(c[2].GetLatitude(), 51.6, 1e-12);
    EXPECT_NEAR(c[2].GetLongitude(), -5.0, 1e-12);
    EXPECT_TRUE(area->ContainsPosition(geo::CPosition(51.8, -5.5)));
    EXPECT_FALSE(area->ContainsPosition(geo::CPosition(51.5, -5.5)));
    EXPECT_FALSE(area->ContainsPosition(geo::CPosition(51.8, -4.9)));
}

TEST_F(TidalFixture, BadPairsAreLeftOutByNameAndTheFirstModelWins)
{
    WriteSteady(tides, "A", 48.05, -123.0, 0.5f);
    WriteSteady(tides, "B", 48.05, -123.0, 1.0f);   // the same area: A wins
    WriteSteady(tides, "C", 47.05, -123.0, 1.5f);
    WriteSteady(tides, "D", 46.05, -123.0, 1.5f);
    {   // D's data cut short
        std::filesystem::resize_file(tides / "D.dat", 100);
    }
    std::ofstream(tides / "E.tid") << "x 6 6\nnan 0.01 -123 45.05\n";
    EXPECT_TRUE(module->CheckAvailability());
    EXPECT_TRUE(module->IsDataAvailable());
    ASSERT_EQ(module->Models().Areas().size(), 3u);
    // D, whose data the library refuses, is named; E, whose header does not
    // parse, is left out without a word.
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("D.tid"), std::string::npos);
    EXPECT_NE(notices[0].find("reading tidal model file"), std::string::npos);

    EXPECT_NEAR(EastAt(48.02, -122.98), 0.5, 0.001);
    EXPECT_EQ(module->Models().ActiveModel(), "A");
    EXPECT_NEAR(EastAt(47.02, -122.98), 1.5, 0.001);
    EXPECT_EQ(module->Models().ActiveModel(), "C");
    // Outside every model: no switch, the current area stays.
    const auto* before = module->Models().CurrentArea();
    EXPECT_FALSE(module->Models().SelectModelAt(geo::CPosition(10.0, 10.0)));
    EXPECT_EQ(module->Models().CurrentArea(), before);
}

TEST_F(TidalFixture, AFailedSwitchKeepsTheWorkingModelAndClearingForgetsIt)
{
    WriteSteady(tides, "A", 48.05, -123.0, 0.5f);
    WriteSteady(tides, "C", 47.05, -123.0, 1.5f);
    module->CheckAvailability();
    EXPECT_NEAR(EastAt(48.02, -122.98), 0.5, 0.001);
    const auto* areaA = module->Models().CurrentArea();
    // C goes bad after the scan.
    std::ofstream(tides / "C.dat", std::ios::trunc) << "broken";
    EXPECT_FALSE(module->Models().SelectModelAt(geo::CPosition(47.02, -122.98)));
    EXPECT_EQ(module->Models().ActiveModel(), "A");
    EXPECT_EQ(module->Models().CurrentArea(), areaA);
    EXPECT_EQ(module->Models().ActivateModel("C"), 6);
    EXPECT_EQ(module->Models().ActiveModel(), "A");
    EXPECT_NEAR(EastAt(48.02, -122.98), 0.5, 0.001);
    // A's files replaced under the same name: asking for the active model
    // again does not read them (one switch per change of model).
    std::ofstream(tides / "A.dat", std::ios::trunc) << "broken";
    EXPECT_EQ(module->Models().ActivateModel("a"), 0);

    module->Models().ClearModels();
    EXPECT_EQ(module->Models().CurrentArea(), nullptr);
    EXPECT_TRUE(module->Models().ActiveModel().empty());
    EXPECT_TRUE(module->Models().Areas().empty());
}

TEST_F(TidalFixture, NoModelsMeansNoData)
{
    std::vector<std::string> stops;
    module->Models().SetStopSink([&stops](const std::string& s) { stops.push_back(s); });
    module->CheckAvailability();
    EXPECT_FALSE(module->IsDataAvailable());
    EXPECT_TRUE(stops.empty());
    // A folder the library refuses is told in a stop box, and no model is looked for.
    module->Models().SetDataFolder((dir.Path() / "missing").string());
    module->CheckAvailability();
    EXPECT_FALSE(module->IsDataAvailable());
    ASSERT_EQ(stops.size(), 1u);
    EXPECT_EQ(stops.front(), "Error(s) occured opening tidal model data header file");
}

// The model settings live in the workspace's "TidalModel" key; a workspace of
// an earlier release, with them under "Tidal", is read until saved anew.
TEST_F(TidalFixture, ModelSettingsLiveUnderTheWorkspacesTidalModelKey)
{
    const std::filesystem::path other = dir.Path() / "Other tides";
    std::filesystem::create_directories(other);
    const std::string workspace = settings.GetRegistryKey();
    {
        app::CRegistry key(settings.GetStore());
        ASSERT_TRUE(key.OpenKeyForWrite(workspace + "\\Tidal\\TidalModel"));
        key.WriteString("DataFolder", other.string());
        key.WriteBool("DrawBoxes", false);
    }
    module->LoadSettings();
    EXPECT_EQ(module->Models().GetDataFolder(), other.string());
    EXPECT_FALSE(module->Models().DrawBoxes());

    module->SaveSettings();
    app::CRegistry key(settings.GetStore());
    ASSERT_TRUE(key.OpenKeyForRead(workspace + "\\TidalModel"));
    std::string folder;
    ASSERT_TRUE(key.ReadString("DataFolder", folder));
    EXPECT_EQ(folder, other.string());
    EXPECT_EQ(module->Models().GetSettingsKey(), workspace + "\\TidalModel");
}

// A model writer killed while it writes leaves its temp files in the model
// folder; the next start's model scan takes them away, and every model it
// finds is whole.
TEST_F(TidalFixture, TempFilesOfAKilledModelWriteGoAtTheNextStart)
{
    auto d = tidaltest::BlankModel(120, 120, CellQuality::Station);
    const auto h = tidaltest::HeaderFor(d, 48.5, -123.0, 0.01);
    const auto leftovers = [&] {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(tides)) {
            const std::string ext = entry.path().extension().string();
            if (ext != ".tid" && ext != ".dat")
                names.push_back(entry.path().filename().string());
        }
        return names;
    };
    // One whole write, timed on the machine as loaded as it is now, bounds
    // the kill's moment; the moment counts from the child's first write, so
    // a slow child start cannot let every kill land before any write.
    const auto started = std::chrono::steady_clock::now();
    tidaltest::Write(tides, "Killed", h, d);
    const auto oneWrite =
        std::max<long long>(1000, std::chrono::duration_cast<std::chrono::microseconds>(
                                      std::chrono::steady_clock::now() - started)
                                      .count());
    std::mt19937 random(12);
    for (int round = 0; round < 200 && leftovers().empty(); ++round) {
        brine_test::Turn writing;
        const pid_t child = brine_test::ForkChild([&] {
            tidaltest::Write(tides, "Killed", h, d);
            writing.Post();
            for (;;)
                tidaltest::Write(tides, "Killed", h, d);
            return 0;
        });
        writing.Wait();
        std::this_thread::sleep_for(std::chrono::microseconds(random() % oneWrite));
        ::kill(child, SIGKILL);
        EXPECT_EQ(brine_test::WaitChild(child), -SIGKILL) << "the writer failed on its own";
    }
    ASSERT_FALSE(leftovers().empty()) << "no kill fell inside a write";

    CTidalModule next(settings, dir.Path().string());
    ASSERT_TRUE(next.Initialise());
    next.CheckAvailability();   // as the start's settings load does
    EXPECT_TRUE(leftovers().empty()) << leftovers().front() << " stays";
    EXPECT_TRUE(next.IsDataAvailable()) << "the model written whole before the kill was refused";
}

TEST_F(TidalFixture, SettingsDefaultAndAreBroughtIntoRangeOnLoad)
{
    module->LoadSettings();
    const auto& s = module->DisplaySettings();
    EXPECT_EQ(s.startTimeMethod, 0);
    EXPECT_TRUE(s.automaticSpacing);
    EXPECT_TRUE(s.rateAndDirection);
    EXPECT_FALSE(s.elevation);
    EXPECT_DOUBLE_EQ(s.spacing, 12.0);
    EXPECT_EQ(s.vectorLength, 20);
    EXPECT_TRUE(module->Models().DrawBoxes());
    {
        app::CRegistry key(settings.GetStore());
        ASSERT_TRUE(key.OpenKeyForWrite(module->GetSettingsKey()));
        key.WriteDWord("VectorLen", 0);
        key.WriteDouble("NautMilesSpacing", -4.0);
        key.WriteDWord("StartTimeMethod", 7);
    }
    module->LoadSettings();
    EXPECT_EQ(s.vectorLength, 5);
    EXPECT_DOUBLE_EQ(s.spacing, routes::CTidalDisplaySettings::kMinSpacing);
    EXPECT_EQ(s.startTimeMethod, 0);
    {
        app::CRegistry key(settings.GetStore());
        ASSERT_TRUE(key.OpenKeyForWrite(module->GetSettingsKey()));
        key.WriteDWord("VectorLen", 100000);
        key.WriteString("NautMilesSpacing", "nan");
    }
    module->LoadSettings();
    EXPECT_EQ(s.vectorLength, 100);
    EXPECT_DOUBLE_EQ(s.spacing, 12.0);
    // The arrows' settings: VectorLen per knot, capped at the spacing in use.
    module->DisplaySettings().elevation = true;
    const auto arrows = module->GetTidalSettings();
    EXPECT_EQ(arrows.arrowScale, 100);
    EXPECT_TRUE(arrows.showHeight);
    EXPECT_DOUBLE_EQ(arrows.capDistance, s.lastAutomaticSpacing);
}

TEST(TidalAtlasSteps, AutomaticAndUserSpacing)
{
    routes::CTidalDisplaySettings s;
    auto steps = routes::ChooseAtlasSteps(s, 52.0, 50.0, -5.0, -4.0);
    EXPECT_NEAR(steps.lat, 0.111111, 1e-9);
    EXPECT_NEAR(steps.lat * 60.0, 6.67, 0.01);
    s.automaticSpacing = false;
    s.spacing = 12.0;
    steps = routes::ChooseAtlasSteps(s, 60.5, 59.5, -5.0, -4.0);
    EXPECT_NEAR(steps.lon, 0.4, 1e-9);
    // A fine spacing over a wide view, and a flat view: bounded steps.
    s.spacing = 0.1;
    steps = routes::ChooseAtlasSteps(s, 60.0, 50.0, -10.0, 10.0);
    EXPECT_GE(steps.lat, 10.0 / routes::kAtlasMaxPointsPerSide);
    EXPECT_GE(steps.lon, 20.0 / routes::kAtlasMaxPointsPerSide);
    s.automaticSpacing = true;
    steps = routes::ChooseAtlasSteps(s, 50.0, 50.0, -5.0, -5.0);
    EXPECT_GT(steps.lat, 0.0);
    EXPECT_GT(steps.lon, 0.0);
}

TEST_F(TidalFixture, AtlasDrawsOnlyInsideModelsCachesAndStopsOnceOutsideTheYears)
{
    WriteSteady(tides, "A", 48.05, -123.0, 0.5f);
    module->CheckAvailability();
    routes::CTidalAtlasModel atlas(*module);
    auto everywhere = [](const geo::CPosition&) { return true; };
    const geo::CPosition nw(48.06, -123.01), se(48.0, -122.95);
    const auto& r = atlas.Compute(nw, se, kMarch2030, everywhere);
    EXPECT_EQ(r.stopCode, 0);
    ASSERT_FALSE(r.arrows.empty());
    for (const auto& a : r.arrows) {
        EXPECT_TRUE(module->Models().Areas()[0].ContainsPosition(a.position));
        EXPECT_NEAR(a.knots, 0.5 * 3600 / 1852, 0.01);
        EXPECT_NEAR(a.direction, 90.0, 0.1);
    }
    EXPECT_LE(r.points,
              (routes::kAtlasMaxPointsPerSide + 1) * (routes::kAtlasMaxPointsPerSide + 1));
    atlas.Compute(nw, se, kMarch2030, everywhere);
    EXPECT_EQ(atlas.Computations(), 1);
    atlas.Compute(nw, se, kMarch2030 + 3600, everywhere);
    EXPECT_EQ(atlas.Computations(), 2);

    // 2150 lies outside the model's years: one stop, and the library's own
    // text for its code, word for word, in the atlas and the stream window.
    const std::int64_t y2150 = 5679360000;   // 2150-01-01
    const auto& late = atlas.Compute(nw, se, y2150, everywhere);
    EXPECT_EQ(late.stopCode, 13);
    EXPECT_TRUE(late.arrows.empty());
    EXPECT_EQ(late.stopText, "Tidal model calculation: Unknown error");
    const auto stream =
        routes::ReadTidalStream(module->Models(), geo::CPosition(48.02, -122.98), y2150);
    EXPECT_EQ(stream.code, 13);
    EXPECT_FALSE(stream.usable);
    EXPECT_EQ(stream.message, "Tidal model calculation: Unknown error");

    // Far from every model: nothing drawn, nothing said.
    const auto& away = atlas.Compute(geo::CPosition(10.2, 10.0), geo::CPosition(10.0, 10.2),
                                     kMarch2030, everywhere);
    EXPECT_TRUE(away.arrows.empty());
    EXPECT_EQ(away.stopCode, 0);
}

TEST_F(TidalFixture, AtlasGridIsWorkedOutUnderTheWaitState)
{
    WriteSteady(tides, "A", 48.05, -123.0, 0.5f);
    module->CheckAvailability();
    brine_test::WaitStatusRecorder status;
    app::CWaitStatus::SetStatusHost(&status);
    routes::CTidalAtlasModel atlas(*module);
    auto everywhere = [](const geo::CPosition&) { return true; };
    const geo::CPosition nw(48.06, -123.01), se(48.0, -122.95);
    atlas.Compute(nw, se, kMarch2030, everywhere);
    EXPECT_EQ(status.texts, (std::vector<std::string>{app::kPleaseWaitText, "Ready"}));
    // A stop left early still leaves the wait state.
    status.texts.clear();
    EXPECT_EQ(atlas.Compute(nw, se, 5679360000, everywhere).stopCode, 13);
    EXPECT_EQ(status.texts, (std::vector<std::string>{app::kPleaseWaitText, "Ready"}));
    // A repaint of the same grid and an extent with no positions predict
    // nothing and leave the status bar alone.
    status.texts.clear();
    atlas.Compute(nw, se, 5679360000, everywhere);
    geo::CPosition nowhere = nw;
    nowhere.Invalidate();
    atlas.Compute(nowhere, se, kMarch2030, everywhere);
    EXPECT_TRUE(status.texts.empty());
    EXPECT_EQ(app::CWaitStatus::Depth(), 0);
    app::CWaitStatus::SetStatusHost(nullptr);
}

TEST_F(TidalFixture, StreamReadingTexts)
{
    auto d = tidaltest::BlankModel(6, 6, CellQuality::Interpolated);
    for (auto& c : d.cells) {
        c.meanNorth = float(1852.0 / 3600.0);   // one knot north
        c.meanHeight = 1.26f;
    }
    tidaltest::Write(tides, "K", tidaltest::HeaderFor(d, 48.05, -123.0, 0.01), d);
    module->CheckAvailability();
    auto r = routes::ReadTidalStream(module->Models(), geo::CPosition(48.02, -122.98), kMarch2030);
    EXPECT_EQ(r.code, -1);
    EXPECT_TRUE(r.usable);
    EXPECT_EQ(r.rateText, "1.0");
    EXPECT_EQ(r.directionText, "0");
    EXPECT_EQ(r.heightText, "1.3");
    EXPECT_NE(r.message.find("caution"), std::string::npos);
    r = routes::ReadTidalStream(module->Models(), geo::CPosition(0.0, 0.0), kMarch2030);
    EXPECT_FALSE(r.usable);
    EXPECT_EQ(r.code, 3);
}

}   // namespace

namespace {

TEST(TidalAtlasOptions, SpinStepsAndChecks)
{
    using routes::SpacingStepDown;
    using routes::SpacingStepUp;
    EXPECT_DOUBLE_EQ(SpacingStepUp(0.5), 0.6);
    EXPECT_DOUBLE_EQ(SpacingStepUp(1.0), 2.0);
    EXPECT_DOUBLE_EQ(SpacingStepUp(20.0), 25.0);
    EXPECT_DOUBLE_EQ(SpacingStepUp(50.0), 60.0);
    EXPECT_DOUBLE_EQ(SpacingStepUp(500.0), 500.0);   // no step up from 500
    EXPECT_DOUBLE_EQ(SpacingStepUp(505.0), 505.0);
    EXPECT_DOUBLE_EQ(SpacingStepDown(60.0), 50.0);
    EXPECT_DOUBLE_EQ(SpacingStepDown(25.0), 20.0);
    EXPECT_DOUBLE_EQ(SpacingStepDown(2.0), 1.0);
    EXPECT_DOUBLE_EQ(SpacingStepDown(1.0), 0.9);
    EXPECT_DOUBLE_EQ(SpacingStepDown(0.2), 0.2);   // no step down from 0.2
    double s = 0.2;
    for (int i = 0; i < 200; ++i)
        s = SpacingStepUp(s);
    EXPECT_GE(s, 500.0);
    EXPECT_LT(s, 520.0);

    EXPECT_EQ(routes::VectorLengthStep(19, true), 20);
    EXPECT_EQ(routes::VectorLengthStep(20, true), 25);
    EXPECT_EQ(routes::VectorLengthStep(25, false), 20);
    EXPECT_EQ(routes::VectorLengthStep(24, false), 23);
    EXPECT_EQ(routes::VectorLengthStep(100, true), 100);
    EXPECT_EQ(routes::VectorLengthStep(5, false), 5);

    routes::CTidalAtlasOptions v;
    bool applied = false;
    routes::CTidalAtlasOptionsModel model(
        v, [&applied](const routes::CTidalAtlasOptions&) { applied = true; });
    EXPECT_TRUE(model.Validate().empty());
    model.values.display.automaticSpacing = false;
    model.values.display.spacing = 0.0;
    model.values.display.vectorLength = 3;
    EXPECT_EQ(model.Validate().size(), 2u);
    model.Apply();
    EXPECT_TRUE(applied);
}

}   // namespace
