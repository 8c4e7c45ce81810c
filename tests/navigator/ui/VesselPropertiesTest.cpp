// Properties over the own vessel: the symbol is hit where the navigator puts
// the vessel and only there, not while the position is unknown or the symbol
// is off; the "Vessel Properties" sheet shows the particulars with one
// decimal, is reused while open, follows a change of particulars, and greys
// its fields when it has no vessel; "Vessel > Options..." is greyed while
// its own sheet is open.
#include "navigator/ui/VesselWindows.h"

#include <QApplication>
#include <QLineEdit>
#include <gtest/gtest.h>

#include "../../chart/overlays/OverlayTestSupport.h"
#include "NavigatorFakes.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "navigator/ui/VesselPropDlg.h"

using namespace navigator;

namespace {

int g_argc = 1;
char g_name[] = "vessel_properties_test";
char* g_argv[] = {g_name, nullptr};

QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed: see Qt's exit order
    return *app;
}

QString Field(const app::CModelessPropertySheet& sheet, const char* name)
{
    auto* edit = sheet.findChild<QLineEdit*>(name);
    return edit ? edit->text() : QStringLiteral("(none)");
}

struct VesselPropertiesTest : ::testing::Test {
    QApplication& app = App();
    brine_test::TempFolder dir;
    navtest::MemorySettings home;
    brine_test::ScriptedPrompt prompt;
    CVesselWindows vessel{home, dir.Path() / "Vessel", prompt};
    // Admiralty Inlet down to Elliott Bay.
    overlay_test::Chart chart{geo::CPosition(48.15, -122.80), geo::CPosition(47.55, -122.25)};
    geo::CPosition own{47.90, -122.55, 0.0};
    bool known = true;

    VesselPropertiesTest()
    {
        vessel.ownPosition = [this]() -> std::optional<geo::CPosition> {
            return known ? std::optional<geo::CPosition>(own) : std::nullopt;
        };
    }
};

}   // namespace

TEST_F(VesselPropertiesTest, TheSymbolIsHitWhereTheVesselIsAndOnlyThere)
{
    const geo::IntPoint at = chart.ClientPoint(own);
    vessel.Style().vessel.SetSizeMode(2);   // large: 10 pixels each way
    EXPECT_TRUE(vessel.HitsOwnVessel(*chart.doc, at));
    EXPECT_TRUE(vessel.HitsOwnVessel(*chart.doc, {at.x + 7, at.y - 6}));
    EXPECT_FALSE(vessel.HitsOwnVessel(*chart.doc, {at.x + 11, at.y}));
    vessel.Style().vessel.SetSizeMode(0);   // small: 5 pixels
    EXPECT_FALSE(vessel.HitsOwnVessel(*chart.doc, {at.x + 7, at.y}));
    EXPECT_TRUE(vessel.HitsOwnVessel(*chart.doc, {at.x + 4, at.y}));

    vessel.Style().vessel.SetDraw(false);
    EXPECT_FALSE(vessel.HitsOwnVessel(*chart.doc, at));
    vessel.Style().vessel.SetDraw(true);
    known = false;
    EXPECT_FALSE(vessel.HitsOwnVessel(*chart.doc, at));
}

TEST_F(VesselPropertiesTest, TheSheetShowsTheParticularsAndIsReused)
{
    COwnVessel v = vessel.Vessel();
    v.name = "Kittiwake";
    v.length = 24.36;
    v.draft = 2.04;
    v.beam = 6.5;
    v.speed = 11.96;
    ASSERT_TRUE(vessel.ApplyParticulars(v, vessel.GetDataFolder()));
    vessel.ShowProperties();
    app::CModelessPropertySheet* sheet = vessel.PropertiesSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->windowTitle(), "Vessel Properties");
    EXPECT_EQ(Field(*sheet, "vesselName"), "Kittiwake");
    EXPECT_EQ(Field(*sheet, "vesselLength"), "24.4");
    EXPECT_EQ(Field(*sheet, "vesselDraft"), "2.0");
    EXPECT_EQ(Field(*sheet, "vesselBeam"), "6.5");
    EXPECT_EQ(Field(*sheet, "vesselSpeed"), "12.0");
    EXPECT_TRUE(sheet->findChild<QLineEdit*>("vesselName")->isReadOnly());

    // Shown again: the same sheet, with the particulars as they are now.
    v.name = "Kittiwake II";
    ASSERT_TRUE(vessel.ApplyParticulars(v, vessel.GetDataFolder()));
    vessel.ShowProperties();
    EXPECT_EQ(vessel.PropertiesSheet(), sheet);
    EXPECT_EQ(Field(*sheet, "vesselName"), "Kittiwake II");
    vessel.CloseWorkspaceWindows();
}

// "Vessel > Options..." is greyed while its sheet is open and offered again
// once it has closed.
TEST_F(VesselPropertiesTest, OptionsAreGreyedWhileTheirSheetIsOpen)
{
    app::CCommandTable commands;
    vessel.RegisterCommands(commands);
    const unsigned options = app::cmd::kVesselOptions;
    EXPECT_TRUE(commands.Update(options).enabled);
    commands.Execute(options);
    ASSERT_TRUE(vessel.IsOptionsOpen());
    EXPECT_FALSE(commands.Update(options).enabled);
    vessel.CloseWorkspaceWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    EXPECT_FALSE(vessel.IsOptionsOpen());
    EXPECT_TRUE(commands.Update(options).enabled);
}

TEST(VesselPropDlg, NoVesselGreysAndEmptiesEveryField)
{
    App();
    CVesselPropDlg page;
    COwnVessel v;
    v.name = "Skagit";
    page.SetVessel(v);
    page.SetVessel(std::nullopt);
    for (QLineEdit* edit : page.findChildren<QLineEdit*>()) {
        EXPECT_FALSE(edit->isEnabled()) << edit->objectName().toStdString();
        EXPECT_TRUE(edit->text().isEmpty()) << edit->objectName().toStdString();
    }
    EXPECT_EQ(page.findChildren<QLineEdit*>().size(), 5);
}

// A name longer than its field is read from its first letter, as the page opens.
TEST(VesselPropDlg, ALongNameShowsFromItsStart)
{
    App();
    CVesselPropDlg page;
    page.resize(200, 160);
    page.show();
    COwnVessel v;
    v.name = "Sea Lion ABCDEFGHIJKLMNOP";
    page.SetVessel(v);
    for (QLineEdit* edit : page.findChildren<QLineEdit*>())
        EXPECT_EQ(edit->cursorPosition(), 0) << edit->objectName().toStdString();
}
