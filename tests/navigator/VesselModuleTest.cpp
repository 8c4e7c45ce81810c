// The vessel module's settings (folder, name, circle radius) and the three
// pages of "Vessel Options": what each shows, refuses and applies.
#include "navigator/VesselModule.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "NavigatorFakes.h"
#include "TempFolder.h"
#include "app/Registry.h"
#include "navigator/VesselOptions.h"
#include "platform/LocaleFreeNumbers.h"

using namespace navigator;
namespace fs = std::filesystem;

namespace {

class FolderSettings final : public app::CSettingsHome {
public:
    explicit FolderSettings(const fs::path& folder) : m_store(folder / "settings.conf") { }
    platform::CSettingsStore& GetStore() const override { return m_store; }
    std::string GetRegistryKey() const override { return "Software\\Test\\Default"; }

private:
    mutable platform::CSettingsStore m_store;
};

void Store(app::CSettingsHome& home, const std::function<void(app::CRegistry&)>& write)
{
    app::CRegistry key(home.GetStore());
    ASSERT_TRUE(key.OpenKeyForWrite(home.GetRegistryKey() + "\\Vessel"));
    write(key);
}

// A module over `home` started as the program starts it: initialised, its settings loaded.
std::unique_ptr<CVesselModule> Started(app::CSettingsHome& home, const fs::path& folder)
{
    auto module = std::make_unique<CVesselModule>(home, folder);
    module->Initialise();
    module->LoadSettings();
    return module;
}

}   // namespace

TEST(VesselModule, RadiusSpinSteps)
{
    const struct {
        double from;
        bool up;
        double to;
    } steps[] = {
        {0.98, true, 1.0},   {1.0, true, 1.1},    {1.0, false, 0.98}, {1.1, false, 1.0},
        {0.02, false, 0.02}, {0.04, false, 0.02}, {5.0, true, 5.0},   {4.9, true, 5.0},
    };
    for (const auto& s : steps)
        EXPECT_DOUBLE_EQ(StepVesselCircleRadius(s.from, s.up), s.to) << s.from << " " << s.up;
}

TEST(VesselModule, SettingsLoadWithTheirChecks)
{
    const struct {
        double stored;
        double loaded;
    } radii[] = {{0.04, 0.04}, {0.02, 0.02}, {0.05, 0.05}, {0.06, 0.06}, {0.099, 0.099},
                 {5.0, 5.0},   {0.01, 1.0},  {6.0, 1.0},   {0.1, 0.1},   {0.14, 0.14}};
    for (const auto& r : radii) {
        brine_test::TempFolder dir;
        FolderSettings home(dir.Path());
        Store(home, [&](app::CRegistry& key) {
            key.WriteDouble("WarningCirclesRadius", r.stored);
            key.WriteString("Name", "C:\\Ships\\Old Folder/M.V. Aurora.VSL");
            key.WriteString("DataFolder", (dir / "ships").string());
        });
        CVesselModule module(home, dir / "default");
        module.Initialise();
        module.LoadSettings();
        EXPECT_DOUBLE_EQ(module.WarningCirclesRadius(), r.loaded) << r.stored;
        EXPECT_EQ(module.VesselName(), "M.V. Aurora");
        EXPECT_EQ(module.GetDataFolder(), (dir / "ships").string());
        EXPECT_TRUE(fs::is_directory(dir / "ships"));
        EXPECT_TRUE(module.WarningCircles());
    }
}

// A stored folder that cannot be reached or made gives way to the default
// one, which is made; nothing stored at all gives the defaults.
TEST(VesselModule, UnusableFolderFallsBackToTheDefault)
{
    brine_test::TempFolder dir;
    {
        std::ofstream(dir / "plainfile") << "x";
    }
    FolderSettings home(dir.Path());
    Store(home, [&](app::CRegistry& key) {
        key.WriteString("DataFolder", (dir / "plainfile" / "Ships").string());
    });
    const auto module = Started(home, dir / "default");
    EXPECT_EQ(module->GetDataFolder(), (dir / "default").string());
    EXPECT_TRUE(fs::is_directory(dir / "default"));

    brine_test::TempFolder empty;
    FolderSettings none(empty.Path());
    const auto fresh = Started(none, empty / "Vessel");
    EXPECT_EQ(fresh->VesselName(), "Default");
    EXPECT_TRUE(fresh->WarningCircles());
    EXPECT_EQ(fresh->WarningCirclesRadius(), 0.5);
    EXPECT_EQ(fresh->GetDataFolder(), (empty / "Vessel").string());
}

// The heading marker and the speed vector are two pens with value names in
// common ("LineWidth"): each is stored under its own kind's key below the
// module's, so neither takes the other's width back at the next start.
TEST(VesselModule, HeadingMarkerAndVectorKeepTheirOwnPens)
{
    brine_test::TempFolder dir;
    {
        FolderSettings home(dir.Path());
        const auto module = Started(home, dir / "Vessel");
        module->Style().headingMarker.SetWidth(3);
        module->Style().headingMarker.SetDraw(false);
        module->Style().vector.SetWidth(2);
        module->Style().vessel.SetSizeMode(1);
        module->SaveSettings();
        home.GetStore().Save();
    }
    FolderSettings again(dir.Path());
    again.GetStore().Load();
    for (const char* kind : {"HeadingMarker", "SpeedAndDirectionVector"}) {
        app::CRegistry key(again.GetStore());
        EXPECT_TRUE(key.OpenKeyForRead(again.GetRegistryKey() + "\\Vessel\\" + kind +
                                       "\\OverlayProperties"))
            << kind;
    }
    const auto module = Started(again, dir / "Vessel");
    EXPECT_EQ(module->Style().headingMarker.GetWidth(), 3);
    EXPECT_FALSE(module->Style().headingMarker.GetDraw());
    EXPECT_EQ(module->Style().vector.GetWidth(), 2);
    EXPECT_TRUE(module->Style().vector.GetDraw());
    EXPECT_EQ(module->Style().vessel.GetSizeMode(), 1);
}

// The radius is stored whether the circle is on or off, so it is checked
// either way: one out of range is refused with the range, never cut to it.
TEST(VesselModule, RadiusOutOfRangeIsRefusedWithTheCircleOff)
{
    brine_test::TempFolder dir;
    FolderSettings home(dir.Path());
    const auto module = Started(home, dir / "Vessel");
    int applied = 0;
    CVesselOverlayModel page(module->Style(), true, module->WarningCirclesRadius(),
                             [&](const auto&, bool, double) { ++applied; });
    for (bool on : {true, false}) {
        page.circles = on;
        for (const char* text : {"7", "0.01", "abc", ""}) {
            page.radiusText = text;
            const auto refused = page.Validate();
            ASSERT_EQ(refused.size(), 1u) << text << " " << on;
            EXPECT_EQ(refused[0].field, "radius");
        }
        page.radiusText = "0.06";
        EXPECT_TRUE(page.Validate().empty());
    }
    EXPECT_EQ(applied, 0);
}

// Settings written when both pens were kept under the module's own key are
// still read: a heading marker switched off stays off.
TEST(VesselModule, PensStoredUnderTheModulesKeyAreStillRead)
{
    brine_test::TempFolder dir;
    FolderSettings home(dir.Path());
    {
        app::CRegistry key(home.GetStore());
        ASSERT_TRUE(key.OpenKeyForWrite(home.GetRegistryKey() + "\\Vessel\\OverlayProperties"));
        key.WriteBool("DrawHeadingMark", false);
        key.WriteDWord("LineWidth", 3);
    }
    const auto module = Started(home, dir / "Vessel");
    EXPECT_FALSE(module->Style().headingMarker.GetDraw());
    EXPECT_EQ(module->Style().headingMarker.GetWidth(), 3);
    EXPECT_TRUE(module->Style().vector.GetDraw());
    EXPECT_EQ(module->Style().vector.GetWidth(), 3);
    // Saved, each pen has its own key from then on.
    module->Style().vector.SetWidth(1);
    module->SaveSettings();
    const auto again = Started(home, dir / "Vessel");
    EXPECT_FALSE(again->Style().headingMarker.GetDraw());
    EXPECT_EQ(again->Style().headingMarker.GetWidth(), 3);
    EXPECT_EQ(again->Style().vector.GetWidth(), 1);
}

// Every radius the spin reaches, from its least to its most, is the radius
// the next start draws: none is replaced when the settings load.
TEST(VesselModule, EveryRadiusTheSpinReachesSurvivesARestart)
{
    brine_test::TempFolder dir;
    std::string text = "0.02";
    for (int steps = 0; steps < 200; ++steps) {
        {
            FolderSettings home(dir.Path());
            const auto module = Started(home, dir / "Vessel");
            CVesselOverlayModel page(module->Style(), true, module->WarningCirclesRadius(),
                                     [&](const auto& style, bool on, double radius) {
                                         module->ApplyOverlays(style, on, radius);
                                     });
            page.radiusText = text;
            ASSERT_TRUE(page.Validate().empty()) << text;
            page.Apply();
            home.GetStore().Save();
        }
        FolderSettings again(dir.Path());
        again.GetStore().Load();
        const auto module = Started(again, dir / "Vessel");
        CVesselOverlayModel shown(module->Style(), true, module->WarningCirclesRadius(), {});
        EXPECT_EQ(shown.radiusText, text);
        EXPECT_EQ(module->WarningCirclesRadius(), platform::ParseDouble(text).value_or(-1));
        shown.SpinRadius(true);
        if (shown.radiusText == text)
            break;
        text = shown.radiusText;
    }
    EXPECT_EQ(text, "5.00");
}

TEST(VesselModule, FreshStartThenOptionsWriteTheFileTheNextStartReads)
{
    brine_test::TempFolder dir;
    FolderSettings home(dir.Path());
    {
        CVesselModule module(home, dir / "Vessel");
        ASSERT_TRUE(module.Initialise());
        module.LoadSettings();
        EXPECT_TRUE(fs::is_directory(dir / "Vessel"));
        EXPECT_EQ(module.VesselName(), "Default");
        EXPECT_TRUE(module.LastFileMessage().empty());
        EXPECT_EQ(module.Vessel().length, 1.0);

        int changes = 0;
        std::string noted;
        module.changed = [&] { ++changes; };
        module.particularsChanging = [&](const COwnVessel& before, const COwnVessel& after) {
            if (before.IsDifferent(after))
                noted = "Your vessel information has been altered.";
        };
        CVesselGeneralModel general(module.Vessel(), module.GetDataFolder(),
                                    [&](const COwnVessel& v, const std::string& folder) {
                                        module.ApplyParticulars(v, folder);
                                    });
        EXPECT_EQ(general.length, "1.0");
        general.name = "Sea/Lion";
        general.length = "31.4";
        general.speed = "abc";
        ASSERT_EQ(general.Validate().size(), 1u);
        EXPECT_EQ(general.Validate()[0].field, "speed");
        general.speed = "12.5";
        general.folder = (dir / "Ships").string();
        ASSERT_TRUE(general.Validate().empty());
        general.Apply();
        EXPECT_EQ(noted, "Your vessel information has been altered.");
        EXPECT_EQ(module.Vessel().name, "Sea/Lion");
        EXPECT_EQ(module.VesselName(), "Sea_Lion");
        ASSERT_TRUE(fs::exists(dir / "Ships" / "Sea_Lion.vsl"));

        CDeviationModel deviation(module.Vessel().deviation,
                                  [&](const auto& card) { module.ApplyDeviation(card); });
        EXPECT_EQ(deviation.entries[0], "0.0E");
        deviation.entries[1] = "2.5W";
        deviation.entries[2] = "2.5";   // no side letter: 2.5, not 2.0
        deviation.entries[3] = "x1E";
        const auto refused = deviation.Validate();
        ASSERT_EQ(refused.size(), 1u);
        EXPECT_EQ(refused[0].message, "Invalid deviation : x1E");
        deviation.entries[3] = "";
        ASSERT_TRUE(deviation.Validate().empty());
        deviation.Apply();
        EXPECT_EQ(module.Vessel().deviation[1], -2.5);
        EXPECT_EQ(module.Vessel().deviation[2], 2.5);
        EXPECT_EQ(module.Vessel().deviation[3], 0.0);
        EXPECT_GE(changes, 2);

        CVesselOverlayModel overlays(module.Style(), module.WarningCircles(),
                                     module.WarningCirclesRadius(),
                                     [&](const auto& style, bool on, double radius) {
                                         module.ApplyOverlays(style, on, radius);
                                     });
        EXPECT_EQ(overlays.radiusText, "0.50");
        overlays.radiusText = "0.04";
        overlays.SpinRadius(false);
        EXPECT_EQ(overlays.radiusText, "0.02");
        overlays.SpinRadius(false);
        EXPECT_EQ(overlays.radiusText, "0.02");
        overlays.radiusText = "7";
        EXPECT_EQ(overlays.Validate().size(), 1u);
        overlays.radiusText = "0.04";
        overlays.Apply();
        EXPECT_EQ(module.WarningCirclesRadius(), 0.04);
        module.SaveSettings();
        home.GetStore().Save();
    }
    FolderSettings again(dir.Path());
    again.GetStore().Load();
    CVesselModule module(again, dir / "Vessel");
    module.Initialise();
    module.LoadSettings();
    EXPECT_EQ(module.GetDataFolder(), (dir / "Ships").string());
    EXPECT_EQ(module.VesselName(), "Sea_Lion");
    EXPECT_EQ(module.Vessel().name, "Sea/Lion");
    EXPECT_EQ(module.Vessel().length, 31.4);
    EXPECT_EQ(module.Vessel().speed, 12.5);
    EXPECT_EQ(module.Vessel().deviation[1], -2.5);
    // Every radius the page lets the user set comes back as it was set.
    EXPECT_EQ(module.WarningCirclesRadius(), 0.04);
}

TEST(VesselModule, DamagedVesselFileIsReportedAndLeftAlone)
{
    brine_test::TempFolder dir;
    FolderSettings home(dir.Path());
    fs::create_directories(dir / "Vessel");
    {
        std::ofstream(dir / "Vessel" / "Default.vsl") << "Default\nabc\n";
    }
    CVesselModule module(home, dir / "Vessel");
    module.Initialise();
    module.LoadSettings();
    EXPECT_NE(module.LastFileMessage().find("Unable to open vessel file"), std::string::npos);
    EXPECT_EQ(module.Vessel().length, 1.0);
    std::ifstream in(dir / "Vessel" / "Default.vsl");
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first, "Default");
}

// The user's own vessel with a damaged file: what comes before the damaged
// line is kept, the message names the file and line, and the vessel stays
// the user's, so a later change is written to its file, not a "Default" one.
TEST(VesselModule, DamagedFileOfTheUsersVesselKeepsItsNameAndLeadingValues)
{
    brine_test::TempFolder dir;
    FolderSettings home(dir.Path());
    fs::create_directories(dir / "Vessel");
    Store(home, [&](app::CRegistry& key) { key.WriteString("Name", "Sea Lion"); });
    {
        std::ofstream(dir / "Vessel" / "Sea Lion.vsl") << "Sea Lion\n31.4\n2.1\nwide\n12.5\n";
    }
    CVesselModule module(home, dir / "Vessel");
    module.Initialise();
    module.LoadSettings();
    const std::string& message = module.LastFileMessage();
    EXPECT_EQ(message.rfind("Unable to open vessel file", 0), 0u) << message;
    EXPECT_NE(message.find("Sea Lion.vsl"), std::string::npos) << message;
    EXPECT_NE(message.find("line 4 "), std::string::npos) << message;
    EXPECT_EQ(module.VesselName(), "Sea Lion");
    EXPECT_EQ(module.Vessel().name, "Sea Lion");
    EXPECT_EQ(module.Vessel().length, 31.4);
    EXPECT_EQ(module.Vessel().draft, 2.1);
    EXPECT_EQ(module.Vessel().beam, 1.0);
    EXPECT_EQ(module.Vessel().speed, 1.0);

    std::array<double, kDeviationPoints> card{};
    card[4] = 1.5;
    ASSERT_TRUE(module.ApplyDeviation(card));
    EXPECT_FALSE(fs::exists(dir / "Vessel" / "Default.vsl"));
    std::ifstream in(dir / "Vessel" / "Sea Lion.vsl");
    std::string first, length;
    std::getline(in, first);
    std::getline(in, length);
    EXPECT_EQ(first, "Sea Lion");
    EXPECT_EQ(length, "31.4");
}

TEST(VesselOptions, DeviationEntryTexts)
{
    EXPECT_EQ(FormatDeviationEntry(2.5), "2.5E");
    EXPECT_EQ(FormatDeviationEntry(-1.0), "1.0W");
    EXPECT_EQ(FormatDeviationEntry(0.0), "0.0E");
    EXPECT_EQ(FormatDeviationEntry(-0.04), "0.0W");
}
