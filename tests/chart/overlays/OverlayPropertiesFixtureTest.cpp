// Display properties against settings files kept in the repository: a first
// run's settings (every kind saved at its defaults) and a named workspace with
// every stored value changed. Both must keep reading back the same values, and
// saving those values again must store the same keys, value names, order and
// data as the files hold.
//
// The files were written by this test's writer: run it with
// BRINE_WRITE_OVERLAY_FIXTURES=<folder> to write them again.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../../support/TempFolder.h"
#include "app/Module.h"
#include "app/Registry.h"
#include "chart/overlays/OverlayProperties.h"
#include "platform/SettingsStore.h"

using namespace chart;
namespace fs = std::filesystem;

namespace {

constexpr const char* kRoot = "Software\\Quorwick\\Brinevane";

class FileSettings final : public app::CSettingsHome {
public:
    FileSettings(const fs::path& file, std::string workspace)
        : m_store(file), m_key(std::string(kRoot) + "\\" + std::move(workspace))
    { }
    platform::CSettingsStore& GetStore() const override { return m_store; }
    std::string GetRegistryKey() const override { return m_key; }

private:
    mutable platform::CSettingsStore m_store;
    std::string m_key;
};

PaletteColours Odd(int seed)
{
    return {app::RGB(seed, 2, 3), app::RGB(4, seed, 6), app::RGB(7, 8, seed)};
}

// One of every kind the owning modules keep, each under its module's base key.
struct AllKinds {
    CChartpointProperties chartpoint;
    CWaypointProperties waypoint;
    CPositionFixProperties positionFix;
    CVesselProperties vessel;
    CLineProperties heading{kLineHeadingMarker};
    CLineProperties vector{kLineSpeedAndDirectionVector};
    CTargetProperties target;
    std::vector<std::unique_ptr<CLineProperties>> lines;

    AllKinds()
    {
        chartpoint.SetBaseKey("Chartpoints");
        waypoint.SetBaseKey("Routes");
        positionFix.SetBaseKey("Navigator");
        vessel.SetBaseKey("Navigator\\OwnVessel");
        heading.SetBaseKey("Navigator\\OwnVessel\\HeadingMarker");
        vector.SetBaseKey("Navigator\\OwnVessel\\SpeedAndDirectionVector");
        target.SetBaseKey("ARPA");
        for (int kind = 0; kind < kLineKindCount; ++kind) {
            lines.push_back(std::make_unique<CLineProperties>(kind));
            lines.back()->SetBaseKey("Lines\\" + lines.back()->GetKeyName());
        }
    }

    void ForEach(const std::function<void(CPointProperties&)>& visit)
    {
        for (CPointProperties* p : std::initializer_list<CPointProperties*>{
                 &chartpoint, &waypoint, &positionFix, &vessel, &heading, &vector, &target})
            visit(*p);
        for (auto& line : lines)
            visit(*line);
    }
    void Save(const app::CSettingsHome& home)
    {
        ForEach([&](CPointProperties& p) { p.Save(home); });
    }
    void Load(const app::CSettingsHome& home)
    {
        ForEach([&](CPointProperties& p) { p.Load(home); });
    }

    // Every stored value away from its default.
    void Change()
    {
        chartpoint.SetDraw(false);
        chartpoint.drawId = chartpoint.drawName = true;
        chartpoint.SetColours(Odd(11));
        chartpoint.SetSizeMode(kSizeLarge);
        chartpoint.Text().SetColours(Odd(12));

        waypoint.drawNumber = waypoint.drawName = waypoint.drawEta = true;
        waypoint.SetColours(Odd(21));
        waypoint.SetSizeMode(kSizeMedium);
        waypoint.Line().SetDraw(false);
        waypoint.Line().SetWidth(4);
        waypoint.Line().SetColours(Odd(22));
        waypoint.Text().SetColours(Odd(23));

        positionFix.SetDraw(true);
        positionFix.drawFixTimeAndSource = true;
        positionFix.SetColours(Odd(31));
        positionFix.SetSizeMode(kSizeLarge);
        positionFix.Line().SetDraw(false);
        positionFix.Line().SetWidth(3);
        positionFix.Line().SetColours(Odd(32));
        positionFix.Text().SetColours(Odd(33));

        vessel.SetColours(Odd(41));
        vessel.SetSizeMode(kSizeMedium);
        heading.SetDraw(false);
        heading.SetWidth(2);
        heading.SetColours(Odd(42));
        vector.SetDraw(false);
        vector.SetWidth(4);
        vector.SetColours(Odd(43));

        target.SetDraw(false);
        target.drawName = target.drawNumber = target.drawLabel = target.drawDepth = true;
        target.drawTrack = false;
        target.drawProjectedPath = target.limitTrackDisplay = true;
        target.projectedPathDistance = 2.75;
        target.projectedPathColours = Odd(51);
        target.loggingPeriod = app::CDateTimeSpanEx(0, 0, 7, 30);
        target.trackTimeLimit = app::CDateTimeSpanEx(1, 2, 0, 0);
        target.SetColours(Odd(52));
        target.Line().SetDraw(false);
        target.Line().SetWidth(2);
        target.Line().SetColours(Odd(53));
        target.Text().SetColours(Odd(54));
        target.FixMarker().SetDraw(true);
        target.FixMarker().SetColours(Odd(55));
        target.FixMarker().SetSizeMode(kSizeMedium);

        int seed = 60;
        for (auto& line : lines) {
            line->SetDraw(false);
            line->SetWidth(static_cast<std::uint8_t>(2 + seed % 3));
            line->SetColours(Odd(seed++));
        }
    }
};

struct Fixture {
    const char* file;
    const char* workspace;
    bool changed;
};

const Fixture kFixtures[] = {
    {"settings.conf", "Default", false},
    {"workspace.conf", "Bridge", true},
};

fs::path FixtureFolder()
{
    const char* source = std::getenv("BRINE_SOURCE_DIR");
    return fs::path(source ? source : ".") / "tests" / "data" / "overlay-properties";
}

// A copy of a kept file in `temp`: the store takes its lock beside the file
// it reads, and the repository's copy stays untouched.
fs::path CopyOfFixture(const brine_test::TempFolder& temp, const Fixture& f)
{
    const fs::path source = FixtureFolder() / f.file;
    const fs::path copy = temp / (std::string("kept-") + f.file);
    EXPECT_TRUE(fs::exists(source)) << source;
    fs::copy_file(source, copy, fs::copy_options::overwrite_existing);
    return copy;
}

void Write(const fs::path& file, const Fixture& f)
{
    fs::remove(file);
    FileSettings home(file, f.workspace);
    AllKinds kinds;
    if (f.changed)
        kinds.Change();
    kinds.Save(home);
    ASSERT_TRUE(home.GetStore().Save()) << file;
    fs::remove(fs::path(file.string() + ".lock"));
}

void ExpectSame(AllKinds& expected, AllKinds& loaded, const std::string& file)
{
    SCOPED_TRACE(file);
    EXPECT_TRUE(loaded.chartpoint == expected.chartpoint);
    EXPECT_EQ(loaded.chartpoint.drawId, expected.chartpoint.drawId);
    EXPECT_EQ(loaded.chartpoint.drawName, expected.chartpoint.drawName);
    EXPECT_TRUE(loaded.chartpoint.Text() == expected.chartpoint.Text());

    EXPECT_TRUE(loaded.waypoint == expected.waypoint);
    EXPECT_EQ(loaded.waypoint.drawNumber, expected.waypoint.drawNumber);
    EXPECT_EQ(loaded.waypoint.drawName, expected.waypoint.drawName);
    EXPECT_EQ(loaded.waypoint.drawEta, expected.waypoint.drawEta);
    EXPECT_TRUE(loaded.waypoint.Line() == expected.waypoint.Line());
    EXPECT_TRUE(loaded.waypoint.Text() == expected.waypoint.Text());

    EXPECT_TRUE(loaded.positionFix == expected.positionFix);
    EXPECT_EQ(loaded.positionFix.drawFixTimeAndSource, expected.positionFix.drawFixTimeAndSource);
    EXPECT_TRUE(loaded.positionFix.Line() == expected.positionFix.Line());
    EXPECT_TRUE(loaded.positionFix.Text() == expected.positionFix.Text());

    EXPECT_TRUE(loaded.vessel == expected.vessel);
    EXPECT_TRUE(loaded.heading == expected.heading);
    EXPECT_TRUE(loaded.vector == expected.vector);

    EXPECT_FALSE(loaded.target != expected.target);
    EXPECT_TRUE(loaded.target.Line() == expected.target.Line());
    EXPECT_EQ(loaded.target.loggingPeriod.GetTotalSeconds(),
              expected.target.loggingPeriod.GetTotalSeconds());
    EXPECT_EQ(loaded.target.trackTimeLimit.GetTotalSeconds(),
              expected.target.trackTimeLimit.GetTotalSeconds());

    for (std::size_t i = 0; i < loaded.lines.size(); ++i)
        EXPECT_TRUE(*loaded.lines[i] == *expected.lines[i]) << loaded.lines[i]->GetKeyName();
}

// Every key below the workspace with its values in stored order.
void ExpectSameStoredValues(const platform::CSettingsStore& expected,
                            const platform::CSettingsStore& actual, const std::string& key)
{
    SCOPED_TRACE(key);
    ASSERT_TRUE(actual.KeyExists(key));
    const std::vector<std::string> names = expected.ValueNames(key);
    EXPECT_EQ(actual.ValueNames(key), names);
    for (const std::string& name : names)
        EXPECT_TRUE(actual.GetValue(key, name) == expected.GetValue(key, name)) << name;
    const std::vector<std::string> subKeys = expected.SubKeys(key);
    EXPECT_EQ(actual.SubKeys(key), subKeys);
    for (const std::string& sub : subKeys)
        ExpectSameStoredValues(expected, actual, key + "\\" + sub);
}

}   // namespace

TEST(OverlayPropertiesFixture, WriteFixtures)
{
    const char* folder = std::getenv("BRINE_WRITE_OVERLAY_FIXTURES");
    if (!folder)
        GTEST_SKIP() << "set BRINE_WRITE_OVERLAY_FIXTURES=<folder> to write the fixtures";
    fs::create_directories(folder);
    for (const Fixture& f : kFixtures)
        Write(fs::path(folder) / f.file, f);
}

TEST(OverlayPropertiesFixture, StoredFilesReadBackTheSame)
{
    brine_test::TempFolder temp;
    for (const Fixture& f : kFixtures) {
        const fs::path file = CopyOfFixture(temp, f);
        FileSettings home(file, f.workspace);
        ASSERT_EQ(home.GetStore().Load(), platform::LoadStatus::Ok) << file;

        AllKinds expected;
        if (f.changed)
            expected.Change();
        // Loaded over the other set of values, so a value that is not read shows.
        AllKinds loaded;
        if (!f.changed)
            loaded.Change();
        loaded.Load(home);
        ExpectSame(expected, loaded, file.string());
    }
}

TEST(OverlayPropertiesFixture, SavingStoresTheSameKeysAndValues)
{
    brine_test::TempFolder temp;
    for (const Fixture& f : kFixtures) {
        FileSettings stored(CopyOfFixture(temp, f), f.workspace);
        ASSERT_EQ(stored.GetStore().Load(), platform::LoadStatus::Ok) << f.file;
        const fs::path file = temp / f.file;
        Write(file, f);
        FileSettings written(file, f.workspace);
        ASSERT_EQ(written.GetStore().Load(), platform::LoadStatus::Ok);
        ExpectSameStoredValues(stored.GetStore(), written.GetStore(), stored.GetRegistryKey());
    }
}
