// A target's display-property fields: what is loaded comes back stored, each
// field is enabled only while the switches it hangs on are on (nested as on
// the tender card, or as on the ARPA Target card and a target's own page,
// where only the texts, the marker size and the limit span hang on switches),
// and a distance that is not a number is refused by name while the switches
// still store.

#include "targets/ui/TargetPropertiesFields.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <gtest/gtest.h>

namespace {

int g_argc = 1;
char g_arg0[] = "targets_ui_TargetPropertiesFieldsTest";
char* g_argv[] = {g_arg0, nullptr};

struct FieldsTest : ::testing::Test {
    static void SetUpTestSuite()
    {
        static auto* app = new QApplication(g_argc, g_argv);   // lives to the end
        (void)app;
    }
    targets::CTargetPropertiesFields fields;
    template <class T>
    T* Find(const char* name)
    {
        return fields.findChild<T*>(name);
    }
};

TEST_F(FieldsTest, WhatIsLoadedComesBackStored)
{
    chart::CTargetProperties in;
    in.SetDraw(true);
    in.drawNumber = true;
    in.drawLabel = true;
    in.drawProjectedPath = true;
    in.projectedPathDistance = 2.5;
    in.drawTrack = true;
    in.FixMarker().SetDraw(true);
    in.loggingPeriod = app::CDateTimeSpanEx(95);   // 0:01:35
    in.limitTrackDisplay = true;
    in.trackTimeLimit = app::CDateTimeSpanEx(2 * 3600 + 300);
    fields.Load(in);
    EXPECT_EQ(Find<QLineEdit>("pathDistance")->text(), "2.5");
    chart::CTargetProperties out;
    ASSERT_FALSE(fields.Store(out).has_value());
    EXPECT_TRUE(out.GetDraw());
    EXPECT_TRUE(out.drawNumber);
    EXPECT_FALSE(out.drawName);
    EXPECT_TRUE(out.drawLabel);
    EXPECT_TRUE(out.drawProjectedPath);
    EXPECT_DOUBLE_EQ(out.projectedPathDistance, 2.5);
    EXPECT_TRUE(out.FixMarker().GetDraw());
    EXPECT_EQ(out.loggingPeriod.GetTotalSeconds(), 95);
    EXPECT_TRUE(out.limitTrackDisplay);
    EXPECT_EQ(out.trackTimeLimit.GetTotalSeconds(), 2 * 3600 + 300);
}

TEST_F(FieldsTest, FieldsFollowTheSwitchesTheyHangOn)
{
    chart::CTargetProperties p;
    p.SetDraw(true);
    p.drawTrack = true;
    p.limitTrackDisplay = false;
    p.drawProjectedPath = false;
    fields.Load(p);
    fields.UpdateEnables(false);
    EXPECT_TRUE(Find<QCheckBox>("positionMarkers")->isEnabled());
    EXPECT_FALSE(Find<QTimeEdit>("limitSpan")->isEnabled());
    EXPECT_FALSE(Find<QLineEdit>("pathDistance")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("default")->isEnabled());

    int toggles = 0;
    QObject::connect(&fields, &targets::CTargetPropertiesFields::Toggled, [&] { ++toggles; });
    Find<QCheckBox>("limitToPrevious")->setChecked(true);
    EXPECT_EQ(toggles, 1);
    fields.UpdateEnables(true);
    EXPECT_TRUE(Find<QTimeEdit>("limitSpan")->isEnabled());
    EXPECT_TRUE(Find<QPushButton>("default")->isEnabled());

    Find<QCheckBox>("overlays")->setChecked(false);   // everything below goes grey
    fields.UpdateEnables(true);
    for (const char* name : {"drawNumber", "drawName", "drawLabel", "projectedPath", "track",
                             "positionMarkers", "limitToPrevious"})
        EXPECT_FALSE(Find<QCheckBox>(name)->isEnabled()) << name;
    EXPECT_FALSE(Find<QTimeEdit>("limitSpan")->isEnabled());
    EXPECT_FALSE(Find<QLabel>("textLabel")->isEnabled());
}

TEST_F(FieldsTest, OnTheTargetCardOnlyTextsMarkerSizeAndLimitSpanHangOnSwitches)
{
    targets::CTargetPropertiesFields card(
        nullptr, {.markerSize = true, .saveText = "&Save Targets", .nestedSwitches = false});
    const auto box = [&](const char* name) { return card.findChild<QCheckBox*>(name); };
    // Each named field enabled (`on`) or grey after the rules are applied.
    const auto expect = [&](std::initializer_list<const char*> names, bool on) {
        card.UpdateEnables(true);
        for (const char* name : names) {
            const QWidget* field = card.findChild<QWidget*>(name);
            ASSERT_NE(field, nullptr) << name;
            EXPECT_EQ(field->isEnabled(), on) << name;
        }
    };
    chart::CTargetProperties p;
    p.SetDraw(false);
    p.drawTrack = false;
    p.drawProjectedPath = false;
    p.limitTrackDisplay = true;
    p.FixMarker().SetDraw(true);
    card.Load(p);
    // Overlays off: the "Text" label and the three text boxes go grey, the
    // switches below and the distance stay offered, and what needs the
    // track waits for overlays and track.
    EXPECT_EQ(card.findChild<QLabel*>("textLabel")->text(), "Text:");
    expect({"textLabel", "drawNumber", "drawName", "drawLabel"}, false);
    expect({"saveTargets", "overlays", "projectedPath", "track", "positionMarkers",
            "limitToPrevious", "pathDistance", "pathUnit", "markerEvery"},
           true);
    expect({"markerSize", "markerSizeLabel", "limitSpan", "limitUnit"}, false);
    box("overlays")->setChecked(true);
    box("track")->setChecked(true);
    expect({"textLabel", "markerSize", "limitSpan", "limitUnit"}, true);
    box("positionMarkers")->setChecked(false);
    box("limitToPrevious")->setChecked(false);
    expect({"markerSize", "limitSpan"}, false);

    // A span changed is told at once, as a switch is.
    int changes = 0;
    QObject::connect(&card, &targets::CTargetPropertiesFields::Toggled, [&] { ++changes; });
    card.findChild<QTimeEdit*>("markerEvery")->setTime(QTime(0, 0, 40));
    card.findChild<QTimeEdit*>("limitSpan")->setTime(QTime(1, 5));
    EXPECT_EQ(changes, 2);
    chart::CTargetProperties stored;
    ASSERT_FALSE(card.Store(stored).has_value());
    EXPECT_EQ(stored.loggingPeriod.GetTotalSeconds(), 40);
    card.Load(p);   // loading tells nothing
    EXPECT_EQ(changes, 2);

    // With no target shown (a target's own page), nothing is offered.
    card.SetShown(false);
    expect({"overlays", "projectedPath", "track", "positionMarkers", "pathDistance", "default"},
           false);
}

TEST_F(FieldsTest, ADistanceThatIsNotANumberIsRefusedByName)
{
    chart::CTargetProperties p;
    p.projectedPathDistance = 4.0;
    fields.Load(p);
    Find<QCheckBox>("drawName")->setChecked(true);
    Find<QLineEdit>("pathDistance")
        ->setText("1,000.5");   // two decimal marks: a typed comma is the point
    chart::CTargetProperties out;
    out.projectedPathDistance = 7.0;
    const auto error = fields.Store(out);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->field, "pathDistance");
    EXPECT_DOUBLE_EQ(out.projectedPathDistance, 7.0);   // left as it was
    EXPECT_TRUE(out.drawName);
}

}   // namespace
