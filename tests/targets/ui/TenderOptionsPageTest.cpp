// The Tender Tracking page, offscreen: the transceiver list's keys (space
// ticks, Enter edits the name, Insert the serial, which takes four digits
// and nothing else), the configuration card's tender list following the
// ticks, the simulation controls' enable rules, Clear Panic offered only
// while a tender is in panic, and the Target card's colour wells.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include "FakeClock.h"
#include "TempFolder.h"
#include "app/DisplayPalettes.h"
#include "app/Module.h"
#include "app/ui/SpinEdit.h"
#include "geo/ui/PositionCtrl.h"
#include "platform/SettingsStore.h"
#include "targets/TenderTracking.h"
#include "targets/ui/TargetColourWells.h"
#include "targets/ui/TenderOptionsPage.h"

using namespace targets;
using namespace std::chrono_literals;

namespace {

int g_argc = 1;
char g_arg0[] = "targets_ui_TenderOptionsPageTest";
char* g_argv[] = {g_arg0, nullptr};
QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed: see Qt's exit order
    return *app;
}

class NoPorts : public nmea::CPortDirectory {
public:
    nmea::CPort* FindPort(std::uint8_t) const override { return nullptr; }
    std::uint8_t GetFirstPortNumber() const override { return 0; }
};

struct Fixture {
    brine_test::FakeClock clock;
    NoPorts ports;
    CTenderTracking tracking{clock, ports};
    geo::CPositionFormat format;   // the program's position format
    CTenderOptionsPage* page = nullptr;

    Fixture()
    {
        App();
        clock.SetUtc(std::chrono::sys_days{std::chrono::year{2026} / 12 / 7} + 12h);
        tracking.Settings().channels[0].valid = true;
        tracking.Settings().channels[0].serial = "0001";
        auto model = std::make_unique<CTenderOptionsModel>(
            [this] {
                return TenderOptionsOf(tracking, CTargetPosition{50.0, -1.0});
            },
            [this](const CTenderOptions& o) {
                std::string reason;
                ApplyTenderOptions(tracking, o, &reason);
                return reason;
            },
            [this] { return tracking.ManOverboardCount(); });
        page = new CTenderOptionsPage(std::move(model), &ports, [this] { return format; });
        page->ModelToControls();
        page->UpdateControls();
        page->show();
    }
    ~Fixture() { delete page; }

    template <class T>
    T* Child(const char* name) const
    {
        T* w = page->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QStandardItemModel& Rows() const { return page->Transceivers()->Rows(); }
    void Focus(int row, int column)
    {
        page->Transceivers()->setCurrentIndex(Rows().index(row, column));
        page->Transceivers()->setFocus();
    }
    void ShowCard(int index) { Child<QTabWidget>("tenderCards")->setCurrentIndex(index); }
};

}   // namespace

TEST(TenderOptionsPage, TransceiverListKeys)
{
    Fixture f;
    CTransceiverList* list = f.page->Transceivers();
    ASSERT_EQ(f.Rows().rowCount(), kTenderChannels);
    EXPECT_EQ(f.Rows().item(16, CTransceiverList::kChannel)->text(), "Q");
    EXPECT_EQ(f.Rows().item(0, CTransceiverList::kChannel)->checkState(), Qt::Checked);

    // Space ticks the focused row.
    f.Focus(2, CTransceiverList::kChannel);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(f.Rows().item(2, CTransceiverList::kChannel)->checkState(), Qt::Checked);

    // Insert edits the serial: letters and a fifth digit cannot be typed.
    QTest::keyClick(list, Qt::Key_Insert);
    auto* serial = list->findChild<QLineEdit*>("serialEditor");
    ASSERT_NE(serial, nullptr);
    serial->selectAll();
    QTest::keyClicks(serial, "12a345");
    EXPECT_EQ(serial->text(), "1234");
    QTest::keyClick(serial, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(f.Rows().item(2, CTransceiverList::kSerial)->text(), "1234");

    // Enter edits the name.
    f.Focus(2, CTransceiverList::kChannel);
    QTest::keyClick(list, Qt::Key_Return);
    auto* name =
        qobject_cast<QLineEdit*>(list->indexWidget(f.Rows().index(2, CTransceiverList::kName)));
    ASSERT_NE(name, nullptr);
    name->selectAll();
    QTest::keyClicks(name, "Rescue");
    QTest::keyClick(name, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(f.Rows().item(2, CTransceiverList::kName)->text(), "Rescue");

    ASSERT_FALSE(f.page->ControlsToModel());
    const CTenderChannel& c = f.page->M().Values().settings.channels[2];
    EXPECT_TRUE(c.valid);
    EXPECT_EQ(c.serial, "1234");
    EXPECT_EQ(c.name, "Rescue");
    EXPECT_TRUE(f.page->M().Validate().empty());
}

TEST(TenderOptionsPage, ConfigurationListsTheTickedTenders)
{
    Fixture f;
    f.ShowCard(2);
    auto* tender = f.Child<QComboBox>("tender");
    ASSERT_EQ(tender->count(), 1);
    EXPECT_EQ(tender->itemText(0), "Tender 1");
    // Not simulated: only the simulation box is offered.
    EXPECT_TRUE(f.Child<QCheckBox>("simulate")->isEnabled());
    EXPECT_FALSE(f.Child<QLineEdit>("cog")->isEnabled());
    EXPECT_FALSE(f.Child<geo::CPositionCtrl>("position")->isEnabled());
    f.Child<QCheckBox>("simulate")->setChecked(true);
    EXPECT_TRUE(f.Child<QLineEdit>("cog")->isEnabled());
    // Use Chart keeps the tender where it is: no position to give.
    EXPECT_TRUE(f.Child<QCheckBox>("useChart")->isChecked());
    EXPECT_FALSE(f.Child<geo::CPositionCtrl>("position")->isEnabled());
    f.Child<QCheckBox>("useChart")->setChecked(false);
    EXPECT_TRUE(f.Child<geo::CPositionCtrl>("position")->isEnabled());
    f.Child<QLineEdit>("cog")->setText("90");
    ASSERT_FALSE(f.page->ControlsToModel());
    EXPECT_TRUE(f.page->M().Values().simulation[0].simulate);
    EXPECT_DOUBLE_EQ(f.page->M().Values().simulation[0].course, 90.0);

    // Channel A unticked, C ticked: the list follows when the card shows again.
    f.ShowCard(0);
    f.Rows().item(0, CTransceiverList::kChannel)->setCheckState(Qt::Unchecked);
    f.Rows().item(2, CTransceiverList::kChannel)->setCheckState(Qt::Checked);
    f.ShowCard(2);
    ASSERT_EQ(tender->count(), 1);
    EXPECT_EQ(tender->itemText(0), "Tender 3");
    EXPECT_FALSE(f.Child<QCheckBox>("simulate")->isChecked());

    // Valid Sentence Time spins within 1 to 60, Channel Duration within 1 to 30.
    auto* validTime = f.Child<app::CSpinEdit>("validTime");
    auto* duration = f.Child<app::CSpinEdit>("channelDuration");
    ASSERT_TRUE(validTime && duration);
    validTime->setText("60");
    validTime->Spin(true);
    EXPECT_EQ(validTime->text(), "60");
    validTime->Spin(false);
    EXPECT_EQ(validTime->text(), "59");
    duration->setText("30");
    duration->Spin(true);
    EXPECT_EQ(duration->text(), "30");
    duration->setText("1");
    duration->Spin(false);
    EXPECT_EQ(duration->text(), "1");
    duration->Spin(true);
    EXPECT_EQ(duration->text(), "2");
}

TEST(TenderOptionsPage, ClearPanicOnlyWhileATenderIsInPanic)
{
    Fixture f;
    auto* clear = f.Child<QPushButton>("clearPanic");
    EXPECT_FALSE(clear->isEnabled());
    ASSERT_TRUE(f.tracking.Store().ParseTargetLine(
        0, "$PABX,0001,RMC,120000,A,5000.000,N,00100.000,W,4.0,45.0,071226,,"));
    ASSERT_TRUE(f.tracking.Store().ParseTargetLine(0, "$PABX,0001,MOVB"));
    f.tracking.OnTimer({});
    ASSERT_EQ(f.tracking.ManOverboardCount(), 1);
    f.page->UpdateControls();
    EXPECT_TRUE(clear->isEnabled());
    clear->click();
    EXPECT_FALSE(clear->isEnabled());
    ASSERT_FALSE(f.page->ControlsToModel());
    f.page->M().Apply();
    EXPECT_EQ(f.tracking.ManOverboardCount(), 0);
}

// The tender symbol's size on the General card and the position markers'
// size on the Target card are both labelled "Overlay Size"; the markers' one
// is offered only while overlays, the track and position markers are on.
TEST(TenderOptionsPage, BothSizeChoicesAreLabelledOverlaySize)
{
    Fixture f;
    const auto plain = [](const QLabel* label) {
        return label ? label->text().remove('&').remove(':').toStdString() : std::string("none");
    };
    QWidget* size = f.Child<QComboBox>("overlaySize");
    auto* form = qobject_cast<QFormLayout*>(size->parentWidget()->layout());
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(plain(qobject_cast<QLabel*>(form->labelForField(size))), "Overlay Size");

    f.ShowCard(1);
    auto* markerLabel = f.Child<QLabel>("markerSizeLabel");
    EXPECT_EQ(plain(markerLabel), "Overlay Size");
    for (const char* name : {"overlays", "track", "positionMarkers"}) {
        auto* box = f.Child<QCheckBox>(name);
        ASSERT_NE(box, nullptr);
        box->setChecked(true);
    }
    f.page->UpdateControls();
    EXPECT_TRUE(markerLabel->isEnabled());
    f.Child<QCheckBox>("positionMarkers")->setChecked(false);
    f.page->UpdateControls();
    EXPECT_FALSE(markerLabel->isEnabled());
}

// Numbers typed with a comma for the decimal point (a German keyboard, or a
// navigator used to one) are taken as such; two marks are no number.
TEST(TenderOptionsPage, ACommaTypedIsTheDecimalPoint)
{
    Fixture f;
    f.Child<QCheckBox>("warningCircles")->setChecked(true);
    f.Child<QLineEdit>("radius")->setText("0,3");
    f.Child<QLineEdit>("pathDistance")->setText("1,5");
    ASSERT_FALSE(f.page->ControlsToModel());
    EXPECT_DOUBLE_EQ(f.page->M().Values().settings.warningCirclesRadius, 0.3);
    EXPECT_DOUBLE_EQ(f.page->M().Values().properties.projectedPathDistance, 1.5);
    f.Child<QLineEdit>("radius")->setText("1,000.5");
    const auto refused = f.page->ControlsToModel();
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->field, "radius");
}

// A well changes its colour in the palette in use only, follows a change of palette, and the colour
// reaches the tenders on apply; "&Default" takes it back.
TEST(TenderOptionsPage, ColourWellsEditThePaletteInUse)
{
    app::CDisplayPalettes palettes;
    app::SetProgramPalettes(&palettes);
    Fixture f;
    f.ShowCard(1);
    auto* wells = f.page->findChild<CTargetColourWells*>("colours");
    ASSERT_NE(wells, nullptr);
    constexpr chart::COLORREF kMagenta = app::RGB(200, 0, 200);
    wells->SetChooser([&](chart::COLORREF, const QString&) { return kMagenta; });
    const chart::CTargetProperties before = f.tracking.Properties();
    EXPECT_FALSE(f.Child<QPushButton>("default")->isEnabled());

    EXPECT_FALSE(wells->Well(TargetColour::Text)->isEnabled());   // no text ticked
    f.Child<QCheckBox>("drawDepth")->click();
    EXPECT_TRUE(wells->Well(TargetColour::Text)->isEnabled());

    palettes.SetActive(app::CDisplayPalettes::kNight);
    wells->Refresh();
    EXPECT_EQ(wells->Palette(), app::CDisplayPalettes::kNight);
    wells->Well(TargetColour::Symbol)->click();
    wells->Well(TargetColour::Text)->click();
    EXPECT_TRUE(f.Child<QPushButton>("default")->isEnabled());
    ASSERT_FALSE(f.page->ControlsToModel());
    f.page->M().Apply();
    const chart::CTargetProperties& now = f.tracking.Properties();
    EXPECT_EQ(now.GetColours()[2], kMagenta);
    EXPECT_EQ(now.GetColours()[0], before.GetColours()[0]);   // Day untouched
    EXPECT_EQ(now.Text().GetColours()[2], kMagenta);
    EXPECT_EQ(now.Line().GetColours(), before.Line().GetColours());

    f.Child<QPushButton>("default")->click();
    EXPECT_EQ(f.page->M().Values().properties.GetColours(), before.GetColours());
    EXPECT_FALSE(f.Child<QPushButton>("default")->isEnabled());
    app::SetProgramPalettes(nullptr);
}

// The radius, its label included, is offered only with the tender circles.
// Of the colour wells only the text's hangs on switches: the overlays and one
// of the channel, name or depth texts; the others are offered whatever is drawn.
TEST(TenderOptionsPage, OnlyTheRadiusAndTheTextWellHangOnSwitches)
{
    Fixture f;
    auto* circles = f.Child<QCheckBox>("warningCircles");
    auto* radius = f.Child<QLineEdit>("radius");
    auto* form = qobject_cast<QFormLayout*>(radius->parentWidget()->layout());
    ASSERT_NE(form, nullptr);
    QWidget* radiusLabel = form->labelForField(radius);
    ASSERT_NE(radiusLabel, nullptr);
    circles->setChecked(false);
    EXPECT_FALSE(radius->isEnabled());
    EXPECT_FALSE(radiusLabel->isEnabled());
    circles->setChecked(true);
    EXPECT_TRUE(radius->isEnabled());
    EXPECT_TRUE(radiusLabel->isEnabled());

    f.ShowCard(1);
    auto* wells = f.page->findChild<CTargetColourWells*>("colours");
    ASSERT_NE(wells, nullptr);
    const auto enabled = [&](TargetColour which) { return wells->Well(which)->isEnabled(); };
    auto* overlays = f.Child<QCheckBox>("overlays");
    for (const char* name :
         {"drawNumber", "drawName", "drawDepth", "projectedPath", "track", "positionMarkers"})
        if (auto* box = f.Child<QCheckBox>(name); box != nullptr && box->isChecked())
            box->click();
    for (bool on : {true, false}) {
        if (overlays->isChecked() != on)
            overlays->click();
        for (TargetColour which :
             {TargetColour::Symbol, TargetColour::Track, TargetColour::Marker, TargetColour::Path})
            EXPECT_TRUE(enabled(which)) << "well " << int(which) << " overlays " << on;
        EXPECT_FALSE(enabled(TargetColour::Text)) << on;
    }
    overlays->click();
    for (const char* name : {"drawNumber", "drawName", "drawDepth"}) {
        f.Child<QCheckBox>(name)->click();
        EXPECT_TRUE(enabled(TargetColour::Text)) << name;
        overlays->click();
        EXPECT_FALSE(enabled(TargetColour::Text)) << name;
        overlays->click();
        f.Child<QCheckBox>(name)->click();
        EXPECT_FALSE(enabled(TargetColour::Text)) << name;
    }
}

TEST(TenderOptionsPage, AChannelWithoutSerialStandsAndPositionsAreWrittenAsThePrograms)
{
    Fixture f;
    // Channel A ticked with no serial number stands, polled or simulated (a
    // polled one never matches a reply).
    f.page->M().Values().settings.channels[0].serial.clear();
    f.page->M().Values().simulation[0].simulate = false;
    const auto fields = [&f] {
        std::vector<std::string> out;
        for (const app::CFieldError& e : f.page->M().Validate())
            out.push_back(e.field);
        return out;
    };
    EXPECT_TRUE(fields().empty());
    f.page->M().Values().simulation[0].simulate = true;
    EXPECT_TRUE(fields().empty());

    // The Position box writes minutes with their decimal point, as the
    // program writes positions (two decimals here, the default).
    f.page->M().Values().simulation[0].useChart = false;
    f.page->M().Values().simulation[0].position = CTargetPosition{47.60249, -122.39};
    f.page->ModelToControls();
    f.ShowCard(2);
    EXPECT_EQ(f.Child<geo::CPositionCtrl>("position")->text().toStdString(),
              "47\u00B036.15'N 122\u00B023.40'W");

    // The program's format changes while the page is open: the box follows,
    // showing the same position.
    f.format.degMinSec = true;
    f.format.decimalPlaces = 0;
    auto* position = f.Child<geo::CPositionCtrl>("position");
    EXPECT_TRUE(QTest::qWaitFor([&] { return position->text().contains('"'); }, 2000))
        << position->text().toStdString();
    EXPECT_EQ(position->text().toStdString(), "47\u00B036'09\"N 122\u00B023'24\"W");
}

// Every width the Line Width list offers is the width the tender's track has
// after a restart: the list offers no width the stored properties cannot keep.
TEST(TenderOptionsPage, EveryOfferedLineWidthSurvivesARestart)
{
    struct Home : app::CSettingsHome {
        brine_test::TempFolder dir;
        mutable platform::CSettingsStore store{dir.Path() / "settings.conf"};
        platform::CSettingsStore& GetStore() const override { return store; }
        std::string GetRegistryKey() const override { return "Software\\Test\\Default"; }
    } home;
    Fixture f;
    auto* width = f.Child<QComboBox>("lineWidth");
    ASSERT_GT(width->count(), 1);
    for (int entry = 0; entry < width->count(); ++entry) {
        width->setCurrentIndex(entry);
        ASSERT_FALSE(f.page->ControlsToModel());
        f.page->M().Apply();
        f.tracking.Properties().SetBaseKey("Tender Tracking");
        f.tracking.Properties().Save(home);
        chart::CTargetProperties loaded;
        loaded.SetBaseKey("Tender Tracking");
        loaded.Load(home);
        EXPECT_EQ(int(loaded.Line().GetWidth()), width->itemText(entry).toInt()) << entry;
    }
}
