// The Vessel Options pages take a comma typed as the decimal mark (as a
// German keyboard gives it) as the point, in the particulars and in the
// deviation card: "12,5" is 12.5 m, "2,5E" is 2.5 degrees east, never 125
// or 25 with the comma silently dropped.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/ui/PropertySheet.h"
#include "navigator/OwnVessel.h"
#include "navigator/ui/VesselOptionsPages.h"

using namespace navigator;

namespace {

int g_argc = 1;
char g_name[] = "navigator_ui_VesselOptionsPagesTest";
char* g_argv[] = {g_name, nullptr};

void App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // lives to the end
    (void)app;
}

}   // namespace

TEST(VesselOptionsPages, ACommaTypedAsTheDecimalMarkIsThePoint)
{
    App();
    COwnVessel vessel;
    COwnVessel applied;
    CVesselGeneralPage general(std::make_unique<CVesselGeneralModel>(
        vessel, "/tmp", [&](const COwnVessel& v, const std::string&) { applied = v; }));
    general.ModelToControls();
    auto* length = general.findChild<QLineEdit*>("length");
    ASSERT_NE(length, nullptr);
    length->clear();
    QTest::keyClicks(length, "12,5");
    EXPECT_EQ(length->text(), "12.5");
    ASSERT_FALSE(general.ControlsToModel());
    ASSERT_TRUE(general.M().Validate().empty());
    general.M().Apply();
    EXPECT_DOUBLE_EQ(applied.length, 12.5);

    std::array<double, kDeviationPoints> card{};
    CDeviationPage deviation(std::make_unique<CDeviationModel>(
        card, [&](const std::array<double, kDeviationPoints>& c) { card = c; }));
    deviation.ModelToControls();
    auto* north = deviation.findChild<QLineEdit*>("deviation0");
    ASSERT_NE(north, nullptr);
    north->clear();
    QTest::keyClicks(north, "2,5E");
    EXPECT_EQ(north->text(), "2.5E");
    north->clear();
    QTest::keyClicks(north, "1,5w");
    EXPECT_EQ(north->text(), "1.5W");
    ASSERT_FALSE(deviation.ControlsToModel());
    ASSERT_TRUE(deviation.M().Validate().empty());
    deviation.M().Apply();
    EXPECT_DOUBLE_EQ(card[0], -1.5);
}

// A deviation that is not a number refuses OK with "Invalid deviation : "
// and the text, under the stop icon, and leaves the card as it was.
TEST(VesselOptionsPages, AnInvalidDeviationIsRefusedWithTheStopIcon)
{
    App();
    std::array<double, kDeviationPoints> card{};
    card[1] = 3.0;
    int applies = 0;
    auto* sheet = new app::CModelessPropertySheet("Vessel Options");
    auto* page = new CDeviationPage(
        std::make_unique<CDeviationModel>(card, [&](const std::array<double, kDeviationPoints>& c) {
            card = c;
            ++applies;
        }));
    sheet->AddPage(page);
    sheet->show();
    page->findChild<QLineEdit*>("deviation0")->setText("2.5W");
    page->findChild<QLineEdit*>("deviation3")->setText(".");

    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            text = box->text();
            icon = box->icon();
            box->accept();
        }
    });
    EXPECT_FALSE(sheet->OnOk());
    EXPECT_EQ(text, "Invalid deviation : .");
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(applies, 0);
    EXPECT_DOUBLE_EQ(card[1], 3.0);
    delete sheet;
}

// The Overlays page: the colour wells are named for the colour dialog's title
// without their access keys, and the radius with its label and unit follows
// the circle's check box.
TEST(VesselOptionsPages, OverlayWellsAndTheRadiusFollowingTheCircle)
{
    App();
    chart::COwnVesselStyle style;
    CVesselOverlayPage page(std::make_unique<CVesselOverlayModel>(style, true, 0.5, nullptr));
    page.ModelToControls();
    const std::pair<const char*, const char*> wells[] = {{"vesselColour", "Vessel"},
                                                         {"headingColour", "Heading Indicator"},
                                                         {"vectorColour", "Speed & Direction"}};
    for (const auto& [name, title] : wells) {
        auto* well = page.findChild<QWidget*>(name);
        ASSERT_NE(well, nullptr) << name;
        EXPECT_EQ(well->accessibleName().toStdString(), title);
    }
    auto* circle = page.findChild<QCheckBox*>("ownVesselCircle");
    auto* radius = page.findChild<QWidget*>("radius");
    ASSERT_NE(circle, nullptr);
    ASSERT_NE(radius, nullptr);
    EXPECT_TRUE(radius->isEnabled());
    QTest::mouseClick(circle, Qt::LeftButton, {}, QPoint(5, circle->height() / 2));
    EXPECT_FALSE(circle->isChecked());
    EXPECT_FALSE(radius->isEnabled());
    for (QLabel* label : page.findChildren<QLabel*>())
        if (label->text() == "&Radius" || label->text() == "nm")
            EXPECT_FALSE(label->isEnabled()) << label->text().toStdString();
    QTest::mouseClick(circle, Qt::LeftButton, {}, QPoint(5, circle->height() / 2));
    EXPECT_TRUE(radius->isEnabled());
}
