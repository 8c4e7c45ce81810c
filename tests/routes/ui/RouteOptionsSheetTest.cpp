// The Route Options sheet offscreen over a route module: each page's keys are
// its own (and none is the sheet's OK, Cancel or Apply), and the Monitoring
// page, the navigator's, stores what is ticked and typed into the route.

#include "routes/ui/RouteOptionsPages.h"

#include "../../chartpoints/ChartpointFakes.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "routes/RouteModule.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTabWidget>

#include <gtest/gtest.h>

namespace {

int argc = 1;
char name[] = "test";
char* argv[] = {name, nullptr};

QStringList PageKeys(QWidget& page)
{
    const QRegularExpression mnemonic("&([^&])");
    QStringList keys{"o", "c", "p"};   // the sheet's OK, Cancel, Apply
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

    app::CModelessPropertySheet* sheet = routes::CreateRouteOptionsSheet(module, nullptr);
    sheet->ShowModeless();
    ASSERT_EQ(sheet->PageCount(), 4);
    for (int i = 0; i < sheet->PageCount(); ++i) {
        const QStringList keys = PageKeys(*sheet->Page(i));
        QStringList unique = keys;
        unique.removeDuplicates();
        EXPECT_EQ(unique.size(), keys.size()) << i << ": " << keys.join(' ').toStdString();
        EXPECT_GT(keys.size(), 4) << i;   // the page's own keys were found
    }

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
    delete sheet;
    module.Terminate();
}

}   // namespace
