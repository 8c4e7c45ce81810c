// The chartpoint panel's entries, and "Add New Chartpoint" on a chart whose client points are not
// its chart points (a zoomed, scrolled raster chart): the mark goes to the position under the
// click, reached through the chart point; Go To Selected then goes there.
#include "chartpoints/ui/ChartpointPanel.h"
#include "chartpoints/ui/ChartpointWindows.h"
#include "geo/ui/DegrEdit.h"
#include "geo/ui/PositionCtrl.h"

#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/FrameSettings.h"
#include "app/MsgBar.h"
#include "app/PostedMessageQueue.h"
#include "app/ui/Document.h"
#include "app/ui/ModuleUi.h"
#include "chart/ChartDoc.h"
#include "geo/DatumInfo.h"

#include "../ChartpointFakes.h"
#include "FakeClock.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

namespace {

int argc = 1;
char name[] = "test";
char* argv[] = {name, nullptr};
QApplication* app = new QApplication(argc, argv);

// Shown at twice its size, scrolled 100 pixels right and 50 down; a chart
// point is a thousandth of a degree.
class CZoomedChart final : public chart::CChartDoc {
public:
    void ClientToChartPoint(geo::IntPoint in, geo::IntPoint& out) const override
    {
        out = {in.x / 2 + 100, in.y / 2 + 50};
    }
    void ChartToClientPoint(const geo::IntPoint& in, geo::IntPoint& out) override
    {
        out = {(in.x - 100) * 2, (in.y - 50) * 2};
    }
    bool PointToPosition(geo::IntPoint p, geo::CPosition& position) override
    {
        position =
            geo::CPosition(48.0 - p.y * 0.001, -123.0 + p.x * 0.001, 0.0, geo::DatumIndexWGS84());
        return true;
    }
    bool PositionToPoint(const geo::CPosition& position, geo::IntPoint& p) override
    {
        p = {int(std::lround((position.GetLongitude() + 123.0) * 1000)),
             int(std::lround((48.0 - position.GetLatitude()) * 1000))};
        return true;
    }
};

// A raster chart on European 1950 with a datum shift: a WGS 84 position
// shows 0.001 degrees further north and 0.002 degrees further west on it.
class CEuropeanChart final : public chart::CChartDoc {
public:
    bool IsChartLoaded() const override { return true; }
    bool IsPositionOnChart(const geo::CPosition& p) const override
    {
        return p.GetLatitude() > 47.0 && p.GetLatitude() < 48.5;
    }
    bool HasDatumShift() const override { return shift; }
    std::uint16_t GetDatumIndex() const override { return datum; }
    int ShiftToChartDatum(const geo::CPosition& in, geo::CPosition& out) override
    {
        out = in;
        if (!IsPositionOnChart(in))
            return chart::kShiftNotOnChart;
        if (in.GetDatum() != geo::DatumIndexWGS84())
            return chart::kShiftNotWGS84;
        out.Set(in.GetLatitude() + 0.001, in.GetLongitude() - 0.002, in.GetAltitude(), datum);
        return 0;
    }
    std::uint16_t datum = geo::CDatumInfo::FindByName("European 1950");
    bool shift = true;
};

// The frame as far as the chartpoint panel needs it.
class CPanelHost final : public app::CModuleHost {
public:
    struct Silent : app::CAlertSound {
        bool Play(const std::filesystem::path&) override { return true; }
        void Beep() override { }
    };
    QMainWindow& Window() override { return window; }
    app::CMsgBar& Messages() override { return messages; }
    app::CPostedMessageQueue& PostedMessages() override { return posted; }
    void ActivateSidePanel(app::CSidePanel*) override { }

    QMainWindow window;
    brine_test::FakeClock clock;
    Silent sound;
    app::CMsgBar messages{clock, sound, {}};
    app::CPostedMessageQueue posted;
};

}   // namespace

// The datum list offers the active chart's datum as a third entry where that
// chart holds the chartpoint and can shift into a datum other than WGS 84;
// chosen, it shows the position as the chart does and reads it back to
// WGS 84, stays chosen for the next chartpoint the chart holds, and a
// chartpoint in the default datum is put in WGS 84 by the choice.
TEST(ChartpointClick, TheActiveChartsDatumIsOfferedThirdAndReadBackToWgs84)
{
    ASSERT_TRUE(geo::CDatumInfo::LoadTable(std::filesystem::path(BRINE_DATUMS_FILE).parent_path()));
    const std::uint16_t wgs = geo::DatumIndexWGS84();
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings{dir.Path()};
    brine_test::ScriptedPrompt prompt;
    chartpoints::CChartpointWindows windows(settings, prompt, dir.Path(), {});
    ASSERT_TRUE(windows.Initialise());
    CEuropeanChart chart;
    ASSERT_NE(chart.datum, wgs);
    chart::CChartDoc* active = nullptr;
    windows.SetActiveChart([&active] { return active; });
    CPanelHost host;
    std::vector<app::CSidePanel*> panels;
    ASSERT_TRUE(windows.CreateSidePanels(host, panels));
    ASSERT_EQ(panels.size(), 1u);
    auto* panel = dynamic_cast<chartpoints::CChartpointPanel*>(panels[0]);
    ASSERT_NE(panel, nullptr);
    auto* datums = panel->findChild<QComboBox*>("datum");
    auto* position = panel->findChild<geo::CPositionCtrl*>("position");
    ASSERT_TRUE(datums && position);
    const auto shownAt = [position] {
        const std::optional<geo::CEntryPosition> p = position->GetPosition();
        EXPECT_TRUE(p.has_value());
        return p ? std::pair{p->latitude, p->longitude} : std::pair{0.0, 0.0};
    };
    const auto entries = [datums] {
        std::vector<std::string> out;
        for (int i = 0; i < datums->count(); ++i)
            out.push_back(datums->itemText(i).toStdString());
        return out;
    };

    ASSERT_TRUE(windows.OpenDatabase((dir / "Chartpoints" / "Sound").string()));
    windows.OnEdit();
    ASSERT_TRUE(windows.AddChartpointAt(geo::CPosition(47.6, -122.4, 0.0, wgs)));
    const std::uint16_t stored = windows.Current().m_position.GetDatum();

    // No chart, a chart without a shift, a chart that does not hold the
    // point: no third entry.
    panel->ShowChartpoint(windows.Current());
    EXPECT_EQ(datums->count(), stored == wgs ? 1 : 2);
    active = &chart;
    chart.shift = false;
    panel->ShowChartpoint(windows.Current());
    EXPECT_EQ(datums->findText("European 1950"), -1);
    chart.shift = true;

    panel->ShowChartpoint(windows.Current());
    ASSERT_EQ(datums->itemText(datums->count() - 1), "European 1950") << entries().size();
    EXPECT_EQ(datums->currentIndex(), 0);   // the chartpoint's own datum first
    EXPECT_NEAR(shownAt().first, 47.6, 1e-6);

    // Chosen: the chart's picture of the position; the chartpoint itself
    // stays in WGS 84 and is locked again.
    panel->SetPositionLocked(false);
    datums->setCurrentIndex(datums->count() - 1);
    emit datums->activated(datums->count() - 1);
    EXPECT_EQ(datums->currentText(), "European 1950");
    EXPECT_TRUE(panel->IsPositionLocked());
    EXPECT_NEAR(shownAt().first, 47.601, 1e-6);
    EXPECT_NEAR(shownAt().second, -122.402, 1e-6);
    EXPECT_EQ(windows.Current().m_position.GetDatum(), wgs);

    // Typed in the chart's datum, stored in WGS 84.
    position->SetPosition({47.701, -122.502});
    chartpoints::CChartpoint read;
    std::string refusal;
    ASSERT_TRUE(panel->ReadPanel(read, refusal)) << refusal;
    EXPECT_NEAR(read.m_position.GetLatitude(), 47.7, 1e-9);
    EXPECT_NEAR(read.m_position.GetLongitude(), -122.5, 1e-9);
    EXPECT_EQ(read.m_position.GetDatum(), wgs);

    // The next chartpoint on the chart is shown in its datum too; one off
    // the chart falls back to its own datum, and the one after that keeps it.
    chartpoints::CChartpoint next = windows.Current();
    next.m_position = geo::CPosition(47.2, -122.0, 0.0, wgs);
    panel->ShowChartpoint(next);
    EXPECT_EQ(datums->currentText(), "European 1950");
    EXPECT_NEAR(shownAt().first, 47.201, 1e-6);
    chartpoints::CChartpoint away = next;
    away.m_position = geo::CPosition(49.0, -122.0, 0.0, wgs);
    panel->ShowChartpoint(away);
    EXPECT_EQ(datums->currentIndex(), 0);
    EXPECT_EQ(datums->findText("European 1950"), -1);
    EXPECT_NEAR(shownAt().first, 49.0, 1e-6);
    panel->ShowChartpoint(next);
    EXPECT_EQ(datums->currentIndex(), 0);

    // A chart on WGS 84 offers no third entry.
    chart.datum = wgs;
    panel->ShowChartpoint(next);
    EXPECT_EQ(datums->findText("European 1950"), -1);
    windows.CloseDatabase(true);
    geo::CDatumInfo::FreeTable();
}

TEST(ChartpointClick, AddNewChartpointGoesWhereTheClickIsOnAZoomedChart)
{
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings{dir.Path()};
    brine_test::ScriptedPrompt prompt;
    chartpoints::CChartpointWindows windows(settings, prompt, dir.Path(), {});
    ASSERT_TRUE(windows.Initialise());
    ASSERT_TRUE(windows.OpenDatabase((dir / "Chartpoints" / "Sound").string()));
    windows.OnEdit();
    ASSERT_TRUE(windows.IsEditMode());

    CZoomedChart doc;
    chart::CChartView view(doc, nullptr);
    windows.ViewCreated(view);
    const auto addEntry = [&](QMenu& menu, bool onChart) {
        windows.AddContextMenu(view, menu, {300, 200}, chart::MenuSection::SidePanel, onChart);
        QAction* add = nullptr;
        for (QAction* a : menu.actions())
            if (a->text().remove(QLatin1Char('&')) == "Add New Chartpoint")
                add = a;
        return add;
    };
    {
        // Beside the chart: no place for a mark, the entries grey.
        QMenu menu;
        QAction* add = addEntry(menu, false);
        ASSERT_NE(add, nullptr);
        EXPECT_FALSE(add->isEnabled());
        for (QAction* a : menu.actions())
            EXPECT_TRUE(a->isSeparator() || !a->isEnabled()) << a->text().toStdString();
    }
    QMenu menu;
    QAction* add = addEntry(menu, true);
    ASSERT_NE(add, nullptr);
    ASSERT_TRUE(add->isEnabled());
    add->trigger();

    // Client (300, 200) is chart point (250, 150): 47.85 N, 122.75 W.
    const geo::CPosition placed = windows.Current().m_position;
    EXPECT_NEAR(placed.GetLatitude(), 47.85, 1e-9);
    EXPECT_NEAR(placed.GetLongitude(), -122.75, 1e-9);

    // Chartpoint > Go To Selected: only with a chart ready, to the current one.
    std::vector<geo::CPosition> wentTo;
    bool chartReady = false;
    windows.SetGoToPosition(
        [&wentTo](const geo::CPosition& p) {
            wentTo.push_back(p);
            return true;
        },
        [&chartReady] { return chartReady; });
    app::CCommandTable commands;
    windows.RegisterCommands(commands);
    EXPECT_FALSE(commands.Update(app::cmd::kChartpointGoToSelected).enabled);
    chartReady = true;
    EXPECT_TRUE(commands.Update(app::cmd::kChartpointGoToSelected).enabled);
    commands.Execute(app::cmd::kChartpointGoToSelected);
    ASSERT_EQ(wentTo.size(), 1u);
    EXPECT_NEAR(wentTo[0].GetLatitude(), 47.85, 1e-9);
    EXPECT_NEAR(wentTo[0].GetLongitude(), -122.75, 1e-9);
    windows.ViewDestroyed(view);
    windows.CloseDatabase(true);
}

// The panel enters the position field by field in one position field, and
// the zone time as whole hours from -11 to +12.
TEST(ChartpointClick, ThePanelTakesThePositionByFieldAndTheZoneTimeInItsRange)
{
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings{dir.Path()};
    brine_test::ScriptedPrompt prompt;
    chartpoints::CChartpointWindows windows(settings, prompt, dir.Path(), {});
    ASSERT_TRUE(windows.Initialise());
    QMainWindow window;
    auto* panel = new chartpoints::CChartpointPanel(windows, {}, &window);
    ASSERT_TRUE(panel->Create(chartpoints::CChartpointPanel::kBarId, &window));
    chartpoints::CChartpoint cp;
    cp.m_position = geo::CPosition(47.6, -122.4);
    cp.m_zoneTime = "0";
    panel->ShowChartpoint(cp);

    auto* position = panel->findChild<geo::CPositionCtrl*>("position");
    ASSERT_NE(position, nullptr);
    // Before the frame hands over its template: the default two decimals of minutes.
    EXPECT_EQ(position->text(), QString::fromUtf8("47\u00B036.00N  122\u00B024.00W"));
    // The frame's template for 3 decimals of seconds lays the same position out anew.
    panel->SetPositionTemplate(app::GetPositionTemplate(3, true));
    EXPECT_EQ(position->text(), QString::fromUtf8("47\u00B036'00.000N  122\u00B024'00.000W"));
    QTest::keyClick(position, Qt::Key_Home);
    QTest::keyClick(position, Qt::Key_Up);   // latitude degrees one up
    // A position being typed outlives a change of template.
    panel->SetPositionTemplate(app::GetPositionTemplate(1, false));
    EXPECT_EQ(position->text(), QString::fromUtf8("48\u00B036.0N  122\u00B024.0W"));
    auto* zone = panel->findChild<geo::CDegrEdit*>("zone");
    ASSERT_NE(zone, nullptr);
    zone->clear();
    QTest::keyClicks(zone, "13");
    EXPECT_EQ(zone->text(), "1");
    QTest::keyClicks(zone, "2");
    EXPECT_EQ(zone->text(), "12");

    chartpoints::CChartpoint read;
    std::string refusal;
    ASSERT_TRUE(panel->ReadPanel(read, refusal)) << refusal;
    EXPECT_NEAR(read.m_position.GetLatitude(), 48.6, 1e-9);
    EXPECT_NEAR(read.m_position.GetLongitude(), -122.4, 1e-9);
    EXPECT_EQ(read.m_zoneTime, "12");
}

// The chartpoint panel on a main window, over a module with no database.
struct PanelOnAWindow {
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings{dir.Path()};
    brine_test::ScriptedPrompt prompt;
    chartpoints::CChartpointWindows windows{settings, prompt, dir.Path(), {}};
    QMainWindow window;
    chartpoints::CChartpointPanel* panel = nullptr;
    bool Make()
    {
        if (!windows.Initialise())
            return false;
        panel = new chartpoints::CChartpointPanel(windows, {}, &window);
        return panel->Create(chartpoints::CChartpointPanel::kBarId, &window);
    }
};

// Apply of another field keeps a position the field shows rounded; a position
// typed anew is read from the field.
TEST(ChartpointClick, AnUntouchedPositionKeepsEveryDigitItHas)
{
    PanelOnAWindow on;
    ASSERT_TRUE(on.Make());
    chartpoints::CChartpointPanel* panel = on.panel;
    chartpoints::CChartpoint cp;
    cp.m_position = geo::CPosition(48.1441234, -122.7552839);
    cp.m_zoneTime = "0";
    panel->ShowChartpoint(cp);
    auto* name = panel->findChild<QLineEdit*>("name");
    ASSERT_NE(name, nullptr);
    QTest::keyClicks(name, "Beacon");

    chartpoints::CChartpoint read;
    std::string refusal;
    ASSERT_TRUE(panel->ReadPanel(read, refusal)) << refusal;
    EXPECT_DOUBLE_EQ(read.m_position.GetLatitude(), 48.1441234);
    EXPECT_DOUBLE_EQ(read.m_position.GetLongitude(), -122.7552839);

    auto* position = panel->findChild<geo::CPositionCtrl*>("position");
    ASSERT_NE(position, nullptr);
    QTest::keyClick(position, Qt::Key_Home);
    QTest::keyClick(position, Qt::Key_Up);   // latitude degrees one up
    ASSERT_TRUE(panel->ReadPanel(read, refusal)) << refusal;
    EXPECT_NEAR(read.m_position.GetLatitude(), 49.144, 1e-3);
    EXPECT_NE(read.m_position.GetLatitude(), 49.1441234);   // as typed: the field's places
}

// The panel's title line: bold, 12 pixels high, in the caption colours.
TEST(ChartpointClick, TheTitleLineIsInTheCaptionColours)
{
    PanelOnAWindow on;
    ASSERT_TRUE(on.Make());
    auto* panel = on.panel;
    auto* title = panel->findChild<QLabel*>("title");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), "Chartpoint");
    EXPECT_TRUE(title->font().bold());
    EXPECT_EQ(title->font().pixelSize(), 12);
    EXPECT_TRUE(title->autoFillBackground());
    EXPECT_EQ(title->backgroundRole(), QPalette::Highlight);
    EXPECT_EQ(title->foregroundRole(), QPalette::HighlightedText);
}

// Each chartpoint shown rebuilds the attachment list with its four entries,
// empty ones as "<Unused>", and selects the first whatever was selected
// before.
TEST(ChartpointClick, EachChartpointShownSelectsItsFirstAttachment)
{
    PanelOnAWindow on;
    ASSERT_TRUE(on.Make());
    auto* panel = on.panel;
    auto* list = panel->findChild<QComboBox*>("attachments");
    ASSERT_NE(list, nullptr);

    chartpoints::CChartpoint first;
    panel->ShowChartpoint(first);
    ASSERT_EQ(list->count(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(list->itemText(i), "<Unused>");
    list->setCurrentIndex(3);

    chartpoints::CChartpoint second;
    second.m_attachments[3] = "Harbour.avi";
    panel->ShowChartpoint(second);
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(list->itemText(3), "Harbour.avi");
}

// View opens an entry's viewer and, pressed again, closes it; Detach and
// reading the panel back close the viewers they concern, and a viewer the
// user closed is opened anew.
TEST(ChartpointClick, ViewOpensAndClosesTheEntrysViewer)
{
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings{dir.Path()};
    brine_test::ScriptedPrompt prompt;
    int opened = 0;
    const auto opener = [&opened](const std::string& path, bool video) -> app::CDocument* {
        EXPECT_FALSE(video);
        EXPECT_EQ(std::filesystem::path(path).filename(), "mark.jpg");
        ++opened;
        return new app::CDocument;   // freed by its close
    };
    chartpoints::CChartpointWindows windows(settings, prompt, dir.Path(), opener);
    ASSERT_TRUE(windows.Initialise());
    QMainWindow window;
    auto* panel = new chartpoints::CChartpointPanel(windows, opener, &window);
    ASSERT_TRUE(panel->Create(chartpoints::CChartpointPanel::kBarId, &window));
    std::filesystem::create_directories(windows.AttachmentsFolder());
    std::ofstream(std::filesystem::path(windows.AttachmentsFolder()) / "mark.jpg") << "picture";
    chartpoints::CChartpoint cp;
    cp.m_attachments[0] = "mark.jpg";
    panel->ShowChartpoint(cp);

    panel->ShowAttachment(1);
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(panel->IsViewerOpen(0));
    panel->ShowAttachment(1);   // the second View closes it
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(panel->IsViewerOpen(0));
    panel->ShowAttachment(1);
    EXPECT_EQ(opened, 2);

    chartpoints::CChartpoint read;
    std::string refusal;
    ASSERT_TRUE(panel->ReadPanel(read, refusal)) << refusal;
    EXPECT_FALSE(panel->IsViewerOpen(0));
    EXPECT_EQ(read.m_attachments[0], "mark.jpg");

    panel->ShowAttachment(1);
    EXPECT_EQ(opened, 3);
    QPushButton* detach = nullptr;
    for (QPushButton* b : panel->findChildren<QPushButton*>())
        if (b->text() == "D&etach")
            detach = b;
    ASSERT_NE(detach, nullptr);
    detach->setEnabled(true);
    detach->click();
    EXPECT_FALSE(panel->IsViewerOpen(0));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
