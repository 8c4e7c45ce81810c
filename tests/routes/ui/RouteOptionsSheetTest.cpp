// The Route Options sheet offscreen over a route module: each page's keys are
// its own (and none is the sheet's OK, Cancel or Apply), the Monitoring
// page, the navigator's, stores what is ticked and typed into the route, and
// the Plan page greys what is not offered and stores into the plan module.

#include "routes/ui/RouteOptionsPages.h"

#include "../../chartpoints/ChartpointFakes.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "chart/overlays/OverlayProperties.h"
#include "routes/PlanModule.h"
#include "routes/RouteModule.h"
#include "routes/ui/PlanOptionsPage.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

int argc = 1;
char name[] = "test";
char* argv[] = {name, nullptr};

QStringList PageKeys(QWidget& page)
{
    const QRegularExpression mnemonic("&([^&])");
    QStringList keys{"o", "c", "a"};   // the sheet's OK, Cancel, Apply
    QStringList texts;
    for (auto* b : page.findChildren<QAbstractButton*>())
        texts << b->text();
    for (auto* l : page.findChildren<QLabel*>())
        texts << l->text();
    for (const QString& text : texts)
        if (auto m = mnemonic.match(text); m.hasMatch())
            keys << m.captured(1).toLower();
    return keys;
}

TEST(RouteOptionsSheet, KeysAreOwnAndMonitoringReachesTheRoute)
{
    QApplication app(argc, argv);
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings(dir.Path());
    brine_test::ScriptedPrompt prompt;
    routes::CRouteModule module(settings, prompt, dir.Path());
    ASSERT_TRUE(module.Initialise());

    routes::CPlanModule plan(settings, dir.Path().string());
    ASSERT_TRUE(plan.Initialise());
    // No magnetic model and no tidal data here.
    app::CModelessPropertySheet* sheet =
        routes::CreateRouteOptionsSheet(module, nullptr, [&plan](QWidget* parent) {
            return new routes::CPlanOptionsPage(
                std::make_unique<routes::CPlanOptionsModel>(plan, false, false, nullptr), parent);
        });
    sheet->ShowModeless();
    ASSERT_EQ(sheet->PageCount(), 5);
    for (int i = 0; i < sheet->PageCount(); ++i) {
        const QStringList keys = PageKeys(*sheet->Page(i));
        QStringList unique = keys;
        unique.removeDuplicates();
        EXPECT_EQ(unique.size(), keys.size()) << i << ": " << keys.join(' ').toStdString();
        // The page's own keys were found; the Plan page's texts carry none.
        if (i != 4) {
            EXPECT_GT(keys.size(), 4) << i;
        }
    }

    // The colour well beside "Selected route": the route's label colour in
    // the palette in use.
    auto* general = static_cast<routes::CRouteGeneralOptionsPage*>(sheet->Page(0));
    ASSERT_NE(general->findChild<QPushButton*>("routeColour"), nullptr);
    QStringList labels;
    for (const QLabel* l : general->findChildren<QLabel*>())
        labels << l->text().remove('&');
    EXPECT_TRUE(labels.contains("Overlay Size")) << labels.join('|').toStdString();
    // Line width: a picture of each width, its number beside it; the choice
    // is the width less one.
    auto* lineWidth = general->findChild<QComboBox*>("lineWidth");
    ASSERT_NE(lineWidth, nullptr);
    ASSERT_EQ(lineWidth->count(), chart::CLineProperties::kMaximumWidth);
    for (int i = 0; i < lineWidth->count(); ++i) {
        EXPECT_FALSE(lineWidth->itemIcon(i).isNull()) << i;
        EXPECT_EQ(lineWidth->itemText(i), QString::number(i + 1));
    }
    EXPECT_EQ(lineWidth->iconSize(), QSize(60, 12));
    general->M().Values().routeColour = 0x00123456;
    sheet->findChild<QAbstractButton*>("sheetApply")->click();
    EXPECT_EQ(module.Views().WaypointProperties().Text().GetColour(), 0x00123456u);

    QWidget* monitoring = sheet->Page(2);
    auto* arrival = monitoring->findChild<QCheckBox*>("arrivalCircleEntry");
    auto* circles = monitoring->findChild<QCheckBox*>("arrivalCircles");
    auto* radius = monitoring->findChild<QLineEdit*>("radius");
    ASSERT_TRUE(arrival && circles && radius);
    arrival->setChecked(true);
    circles->setChecked(true);
    radius->setText("0.35");
    radius->setModified(true);
    auto* apply = sheet->findChild<QAbstractButton*>("sheetApply");
    ASSERT_TRUE(apply);
    apply->click();
    EXPECT_TRUE(module.State().monitoring.arrivalCircleOn);
    EXPECT_TRUE(module.State().overlays.arrivalCircles);
    EXPECT_DOUBLE_EQ(module.State().monitoring.arrivalRadiusNm, 0.35);
    EXPECT_DOUBLE_EQ(module.Views().Settings().arrivalCircleRadius, 0.35);

    QWidget* planPage = sheet->Page(4);
    auto* tides = planPage->findChild<QCheckBox*>("tides");
    auto* variation = planPage->findChild<QCheckBox*>("variation");
    auto* overlays = planPage->findChild<QCheckBox*>("overlays");
    auto* width = planPage->findChild<QComboBox*>("lineWidth");
    auto* minutes = planPage->findChild<QSpinBox*>("bestTimeMinutes");
    ASSERT_TRUE(tides && variation && overlays && width && minutes);
    EXPECT_FALSE(tides->isEnabled());
    EXPECT_FALSE(variation->isEnabled());
    EXPECT_FALSE(planPage->findChild<QWidget*>("tidalInterval")->isEnabled());
    ASSERT_TRUE(overlays->isChecked());
    EXPECT_TRUE(width->isEnabled());
    overlays->click();
    EXPECT_FALSE(width->isEnabled());
    EXPECT_FALSE(planPage->findChild<QWidget*>("lineColour")->isEnabled());
    minutes->setValue(60);
    minutes->stepUp();
    apply->click();
    EXPECT_FALSE(plan.LineProperties().GetDraw());
    EXPECT_EQ(plan.PlanSettings().bestTimeIntervalSeconds, 70 * 60);
    // Their labels grey with the line width and colour.
    for (const QLabel* l : planPage->findChildren<QLabel*>())
        if (l->text().startsWith("Line ")) {
            EXPECT_FALSE(l->isEnabled()) << l->text().toStdString();
        }

    // The arrows keep the number of plans to 2-12; a typed 1 is refused when
    // applied, with a message, and nothing is stored.
    auto* plans = planPage->findChild<QSpinBox*>("bestTimePlans");
    ASSERT_TRUE(plans);
    plans->setValue(12);
    plans->stepUp();
    EXPECT_EQ(plans->value(), 12);
    plans->setValue(2);
    plans->stepDown();
    EXPECT_EQ(plans->value(), 2);
    plans->setFocus();
    plans->selectAll();
    QTest::keyClicks(plans, "1");
    EXPECT_EQ(plans->value(), 1);
    QString said;
    QTimer::singleShot(0, [&said] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            said = box->text();
            box->accept();
        }
    });
    const int before = plan.PlanSettings().bestTimePlans;
    apply->click();
    EXPECT_EQ(said, "Plans run from 2 to 12");
    EXPECT_EQ(plan.PlanSettings().bestTimePlans, before);
    EXPECT_EQ(plans->value(), 1);   // the page stays as typed, to be mended
    delete sheet;
    module.Terminate();
}

}   // namespace
