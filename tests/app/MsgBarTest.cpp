#include "app/MsgBar.h"

#include <gtest/gtest.h>

#include <vector>

#include "../support/FakeClock.h"

using namespace std::chrono_literals;
using brine_test::FakeClock;

namespace {

class FakeSound : public app::CAlertSound {
public:
    bool playable = true;
    std::vector<std::filesystem::path> played;
    int beeps = 0;
    bool Play(const std::filesystem::path& f) override { played.push_back(f); return playable; }
    void Beep() override { ++beeps; }
};

class FakeView : public app::CMsgBarView {
public:
    bool visible = false;
    int layoutRequests = 0, shows = 0, hides = 0;
    std::string text;
    int height = -1;
    bool IsBarVisible() const override { return visible; }
    void ShowBar() override { visible = true; ++shows; }
    void HideBar() override { visible = false; ++hides; }
    void RequestLayout() override { ++layoutRequests; }
    void ApplyLayout(const std::string& t, int h) override { text = t; height = h; }
};

// Ten pixels a character, sixteen a line.
class FixedMeasurer : public app::CTextMeasurer {
public:
    int TextWidth(std::string_view t) const override { return int(t.size()) * 10; }
    int LineHeight() const override { return 16; }
};

struct MsgBarTest : ::testing::Test {
    FakeClock clock;
    FakeSound sound;
    FakeView view;
    FixedMeasurer measurer;
    app::CMsgBar bar{clock, sound, "/opt/brinevane/System/Audio"};
    MsgBarTest()
    {
        bar.AttachView(&view);
        bar.SetClientWidth(1000, 2);   // limit 988 px: 98 characters fit
    }
    std::string Layout()
    {
        bar.OnUpdateLayout(measurer);
        return view.text;
    }
};

TEST_F(MsgBarTest, OrdersByPriorityThenRegistration)
{
    app::MsgHandle a = nullptr, b = nullptr, c = nullptr, d = nullptr;
    ASSERT_TRUE(bar.AddMessage(a, "first equal", 100, 1, true));
    ASSERT_TRUE(bar.AddMessage(b, "second equal", 100, 1, true));
    ASSERT_TRUE(bar.AddMessage(c, "higher", 200, 1, true));
    ASSERT_TRUE(bar.AddMessage(d, "lowest", 5, 1, true));
    EXPECT_EQ(Layout(), "higher\nfirst equal\nsecond equal\nlowest\n");
    EXPECT_EQ(view.height, 4 * 16);
    EXPECT_EQ(c->topLine, 1);
    EXPECT_EQ(d->topLine, 4);
    EXPECT_EQ(bar.ActiveTotal(), 4);
    // A handle already registered is refused and nothing changes.
    EXPECT_FALSE(bar.AddMessage(a, "again", 1, 1, true));
    EXPECT_EQ(bar.Messages().size(), 4u);
}

TEST_F(MsgBarTest, RepeatedTextShowsOnceOnlyWhenPrioritiesDiffer)
{
    app::MsgHandle hi = nullptr, lo = nullptr, eq1 = nullptr, eq2 = nullptr, inactive = nullptr;
    bar.AddMessage(lo, "EPFS reception lost.", 10, 1, false);
    bar.AddMessage(hi, "epfs RECEPTION lost.", 20, 1, false);
    bar.AddMessage(eq1, "Same", 7, 1, false);
    bar.AddMessage(eq2, "SAME", 7, 1, false);
    // An inactive message of higher priority shadows nothing.
    bar.AddMessage(inactive, "Other", 90, 0, false);
    app::MsgHandle other = nullptr;
    bar.AddMessage(other, "other", 3, 1, true);
    EXPECT_EQ(Layout(), "epfs RECEPTION lost.\nSame\nSAME\nother\n");
    EXPECT_EQ(lo->topLine, -1);
    EXPECT_EQ(inactive->topLine, -1);
}

TEST_F(MsgBarTest, WrapsAtBlanksAndKeepsLongWordsWhole)
{
    bar.SetClientWidth(120, 1);   // limit 110 px: 10 characters fit (11 reach the limit)
    struct Row { const char* text; const char* wrapped; int rows; } rows[] = {
        {"short", "short\n", 1},
        {"one two three four", "one two\nthree four\n", 2},
        {"abcdefghijklmnop end", "abcdefghijklmnop\nend\n", 2},   // wider than the bar, uncut
        {"exactly 111", "exactly\n111\n", 2},                       // as wide as the limit wraps
        {"", "\n", 1},
    };
    for (const auto& r : rows) {
        int n = 0;
        EXPECT_EQ(bar.FitText(r.text, measurer, n), r.wrapped) << r.text;
        EXPECT_EQ(n, r.rows) << r.text;
    }
    app::MsgHandle h = nullptr;
    bar.AddMessage(h, "one two three four", 1, 1, true);
    Layout();
    EXPECT_EQ(view.height, 32);
    EXPECT_EQ(h->bottomLine, 2);
}

TEST_F(MsgBarTest, VisibilityFollowsActiveTotal)
{
    app::MsgHandle low = nullptr, disk = nullptr;
    bar.AddMessage(low, "Warning, memory low", 65535, 0, true);
    bar.AddMessage(disk, "Warning, disk space low", 65534, 0, true);
    EXPECT_FALSE(view.visible);
    EXPECT_TRUE(bar.SetMessageActive(disk, 1, true));
    EXPECT_TRUE(view.visible);
    EXPECT_EQ(bar.ActiveTotal(), 1);
    EXPECT_FALSE(bar.SetMessageActive(disk, 1, true));   // unchanged count
    // Two counts above zero: the total changes, no new layout is asked for.
    Layout();
    const int requests = view.layoutRequests;
    EXPECT_TRUE(bar.SetMessageActive(disk, 3, true));
    EXPECT_EQ(view.layoutRequests, requests);
    EXPECT_EQ(bar.ActiveTotal(), 3);
    EXPECT_TRUE(bar.SetMessageActive(disk, 0, true));
    EXPECT_FALSE(view.visible);
    EXPECT_EQ(bar.ActiveTotal(), 0);
    // Removing an active message gives its count back.
    bar.SetMessageActive(low, 2, true);
    EXPECT_TRUE(bar.RemoveMessage(low, true));
    EXPECT_EQ(low, nullptr);
    EXPECT_EQ(bar.ActiveTotal(), 0);
    EXPECT_FALSE(view.visible);
    EXPECT_FALSE(bar.RemoveMessage(low, true));
    EXPECT_FALSE(bar.IsMessageActive(low));
}

TEST_F(MsgBarTest, LockBatchesRefreshes)
{
    app::MsgHandle a = nullptr, b = nullptr;
    bar.LockUpdate(false);
    bar.LockUpdate(false);
    bar.AddMessage(a, "a", 1, 1, true);
    bar.AddMessage(b, "b", 1, 1, true);
    bar.LockUpdate(true);
    EXPECT_FALSE(view.visible);
    bar.LockUpdate(true);
    EXPECT_TRUE(view.visible);
    EXPECT_EQ(view.shows, 1);
    bar.LockUpdate(true);   // an extra unlock does not underflow into a lock
    bar.SetMessageActive(a, 0, true);
    bar.SetMessageActive(b, 0, true);
    EXPECT_FALSE(view.visible);
}

TEST_F(MsgBarTest, CollapsedBarExpandsOnAnySwitch)
{
    app::MsgHandle a = nullptr, b = nullptr;
    bar.AddMessage(a, "a", 1, 1, true);
    bar.AddMessage(b, "b", 1, 0, true);
    bar.ToggleSwitchedOff();
    EXPECT_TRUE(bar.IsSwitchedOff());
    Layout();
    EXPECT_EQ(view.height, 8);   // half a line while collapsed
    bar.SetMessageActive(b, 1, true);
    EXPECT_FALSE(bar.IsSwitchedOff());
    Layout();
    EXPECT_EQ(view.height, 32);
    bar.SwitchOff();
    bar.SetMessageActive(b, 0, true);
    EXPECT_FALSE(bar.IsSwitchedOff());
}

TEST_F(MsgBarTest, ExpiryGoesThroughActiveStateAndHidesTheBar)
{
    app::MsgHandle h = nullptr;
    bar.AddMessage(h, "Waypoint alarm", 500, 1, true);
    ASSERT_TRUE(bar.SetMessageTimeout(h, 10s));
    clock.Advance(10s);
    bar.OnTimer();   // exactly at the expiry: still shown
    EXPECT_TRUE(bar.IsMessageActive(h));
    clock.Advance(1s);
    bar.OnTimer();
    EXPECT_FALSE(bar.IsMessageActive(h));
    EXPECT_EQ(bar.ActiveTotal(), 0);
    EXPECT_FALSE(view.visible);
    EXPECT_EQ(h->expiry, app::CWarningMsg::Never());
    // Back on by its owner, it stays until a new expiry is set.
    bar.SetMessageActive(h, 1, true);
    clock.Advance(std::chrono::hours(24 * 365));
    bar.OnTimer();
    EXPECT_TRUE(bar.IsMessageActive(h));
    EXPECT_TRUE(view.visible);
}

TEST_F(MsgBarTest, SoundPlaysAtFirstTickThenEveryInterval)
{
    app::MsgHandle h = nullptr, silent = nullptr, idle = nullptr;
    bar.AddMessage(h, "Anchor watch", 100, 1, true);
    bar.AddMessage(silent, "Quiet", 90, 1, true);
    bar.AddMessage(idle, "Inactive", 80, 0, true);
    bar.SetMessageSound(h, "alarm.snd", 30min);
    bar.SetMessageSound(idle, "alarm", 30min);
    bar.OnTimer();
    ASSERT_EQ(sound.played.size(), 1u);
    EXPECT_EQ(sound.played[0], "/opt/brinevane/System/Audio/alarm.wav");
    clock.Advance(30min);
    bar.OnTimer();   // interval reached, not exceeded
    EXPECT_EQ(sound.played.size(), 1u);
    clock.Advance(1s);
    bar.OnTimer();
    EXPECT_EQ(sound.played.size(), 2u);
    // The schedule runs on the monotonic clock: a wall clock set back a day
    // neither silences nor repeats the alarm.
    clock.JumpUtc(-24h);
    clock.Advance(1s);
    bar.OnTimer();
    EXPECT_EQ(sound.played.size(), 2u);
    // A sound that cannot be played beeps instead, on the same schedule.
    sound.playable = false;
    clock.Advance(31min);
    bar.OnTimer();
    EXPECT_EQ(sound.played.size(), 3u);
    EXPECT_EQ(sound.beeps, 1);
}

TEST_F(MsgBarTest, ContextMenuClearsOnlyClearableMessages)
{
    app::MsgHandle fixed = nullptr, clearable = nullptr;
    bar.SetClientWidth(120, 1);
    bar.AddMessage(fixed, "not clearable", 10, 1, true);
    bar.AddMessage(clearable, "user may clear this", 5, 1, true);
    bar.SetMessageFlag(clearable, true);
    Layout();   // rows: 1-2 fixed ("not", "clearable"), 3-4 clearable
    EXPECT_EQ(bar.ClearableMessageAtRow(1), nullptr);
    EXPECT_EQ(bar.ClearableMessageAtRow(4), clearable);
    EXPECT_EQ(bar.ClearableMessageAtRow(7), nullptr);
    bar.ClearMessage(bar.ClearableMessageAtRow(3));
    EXPECT_FALSE(bar.IsMessageActive(clearable));
    EXPECT_EQ(bar.ActiveTotal(), 1);
}

TEST_F(MsgBarTest, StaleOrForeignHandlesAreRefused)
{
    FakeClock otherClock;
    FakeSound otherSound;
    app::CMsgBar other{otherClock, otherSound, "/tmp"};
    app::MsgHandle foreign = nullptr;
    other.AddMessage(foreign, "elsewhere", 1, 1, false);
    EXPECT_FALSE(bar.SetMessageActive(foreign, 0, true));
    app::MsgHandle copy = nullptr;
    bar.AddMessage(copy, "x", 1, 1, false);
    app::MsgHandle stale = copy;
    bar.RemoveMessage(copy, false);
    EXPECT_FALSE(bar.SetMessageActive(stale, 3, true));
    EXPECT_FALSE(bar.RemoveMessage(stale, true));
    EXPECT_EQ(bar.ActiveTotal(), 0);
}

TEST_F(MsgBarTest, NothingHappensWithoutAWindow)
{
    app::CMsgBar detached{clock, sound, "/tmp"};
    app::MsgHandle h = nullptr;
    EXPECT_TRUE(detached.AddMessage(h, "early", 1, 1, true));
    EXPECT_TRUE(detached.IsLayoutNeeded());
    detached.AttachView(&view);
    detached.Refresh();
    EXPECT_TRUE(view.visible);
}

}  // namespace
