// "Position Marker Properties": opened with a fix's texts, reused while
// open, every field greyed and empty without a fix.
#include "navigator/ui/PositionMarkerSheet.h"

#include <QApplication>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

using namespace navigator;

namespace {

int g_argc = 1;
char g_name[] = "position_marker_sheet_test";
char* g_argv[] = {g_name, nullptr};

QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed: see Qt's exit order
    return *app;
}

QString Field(const QWidget& w, const char* name)
{
    auto* edit = w.findChild<QLineEdit*>(name);
    return edit ? edit->text() : QStringLiteral("(none)");
}

}   // namespace

TEST(PositionMarkerSheet, ShowsTheFixAndIsReused)
{
    App();
    CPositionMarkerSheet sheet(nullptr);
    CPositionMarkerTexts texts;
    texts.fixType = "Tender Target";
    texts.cog = "090";
    texts.depth = "";
    sheet.Show(texts);
    app::CModelessPropertySheet* shown = sheet.Sheet();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->windowTitle(), "Position Marker Properties");
    EXPECT_EQ(Field(*shown, "fixType"), "Tender Target");
    EXPECT_EQ(Field(*shown, "cog"), "090");
    EXPECT_TRUE(shown->findChild<QLineEdit*>("cog")->isReadOnly());
    texts.cog = "270";
    sheet.Show(texts);
    EXPECT_EQ(sheet.Sheet(), shown);
    EXPECT_EQ(Field(*shown, "cog"), "270");
    sheet.Close();
}

// Texts written again (a new position format) go into the open sheet; with
// the sheet closed nothing opens.
TEST(PositionMarkerSheet, UpdateFillsOnlyAnOpenSheet)
{
    App();
    CPositionMarkerSheet sheet(nullptr);
    CPositionMarkerTexts texts;
    texts.latitude = "47\u00B036.30'N";
    sheet.Update(texts);
    EXPECT_EQ(sheet.Sheet(), nullptr);
    sheet.Show(texts);
    texts.latitude = "47\u00B036'18.000N";
    sheet.Update(texts);
    ASSERT_NE(sheet.Sheet(), nullptr);
    EXPECT_EQ(Field(*sheet.Sheet(), "latitude"), QString::fromUtf8("47\u00B036'18.000N"));
    sheet.Close();
}

TEST(PositionMarkerSheet, NoFixGreysEveryField)
{
    App();
    CPositionMarkerPage page;
    CPositionMarkerTexts texts;
    texts.fixType = "VF";
    page.Show(texts);
    page.Show(std::nullopt);
    const auto edits = page.findChildren<QLineEdit*>();
    EXPECT_EQ(edits.size(), 9);
    for (QLineEdit* edit : edits) {
        EXPECT_FALSE(edit->isEnabled());
        EXPECT_TRUE(edit->text().isEmpty());
    }
}

TEST(PositionMarkerSheet, LatitudeAndLongitudeShareThePositionRow)
{
    App();
    CPositionMarkerPage page;
    auto* form = qobject_cast<QFormLayout*>(page.layout());
    ASSERT_NE(form, nullptr);
    QStringList labels;
    for (int row = 0; row < form->rowCount(); ++row)
        if (auto* item = form->itemAt(row, QFormLayout::LabelRole))
            if (auto* label = qobject_cast<QLabel*>(item->widget()))
                labels << label->text();
    EXPECT_EQ(labels, (QStringList{"Fix Type", "Time of Marker", "Position", "COG", "SOG",
                                   "Heading", "Speed", "Depth"}));
    int row = -1;
    QFormLayout::ItemRole role;
    form->getWidgetPosition(page.findChild<QLineEdit*>("latitude"), &row, &role);
    EXPECT_EQ(row, -1);   // inside the row's own layout, beside the longitude
    auto* position = form->itemAt(2, QFormLayout::FieldRole);
    ASSERT_NE(position, nullptr);
    ASSERT_NE(position->layout(), nullptr);
    ASSERT_EQ(position->layout()->count(), 2);
    EXPECT_EQ(position->layout()->itemAt(0)->widget()->objectName(), "latitude");
    EXPECT_EQ(position->layout()->itemAt(1)->widget()->objectName(), "longitude");
}
