#include "app/MsgBar.h"

#include <gtest/gtest.h>

#include <vector>

#include "../support/FakeClock.h"

using namespace std::chrono_literals;
using brine_test::FakeClock;

namespace {

struct FakeSound : app::CAlertSound {
    bool playable = true;
    std::vector<std::filesystem::path> played;
    int beeps = 0;
    bool Play(const std::filesystem::path& f) override
    {
        played.push_back(f);
        return playable;
    }
    void Beep() override { ++beeps; }
};

struct FakeView : app::CMsgBarView {
    bool visible = false;
    int layoutRequests = 0;
    std::string text;
    int height = -1;
    bool IsBarVisible() const override { return visible; }
    void ShowBar() override { visible = true; }
    void HideBar() override { visible = false; }
    void RequestLayout() override { ++layoutRequests; }
    void ApplyLayout(const std::string& t, int h) override
    {
        text = t;
        height = h;
    }
};

// Ten pixels a character, sixteen a line.
struct FixedMeasurer : app::CTextMeasurer {
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
    // Adds messages of (text, priority, active count); returns their handles.
    std::vector<app::MsgHandle> Add(
        std::initializer_list<std::tuple<const char*, std::uint16_t, int>> messages)
    {
        std::vector<app::MsgHandle> handles;
        handles.reserve(messages.size());
        for (const auto& [text, priority, count] : messages)
            EXPECT_TRUE(bar.AddMessage(handles.emplace_back(nullptr), text, priority, count, true))
                << text;
        return handles;
    }
};

TEST_F(MsgBarTest, OrdersByPriorityThenRegistration)
{
    auto h = Add(
        {{"first equal", 100, 1}, {"second equal", 100, 1}, {"higher", 200, 1}, {"lowest", 5, 1}});
    EXPECT_EQ(Layout(), "higher\nfirst equal\nsecond equal\nlowest\n");
    EXPECT_EQ(view.height, 4 * 16);
    EXPECT_EQ(std::pair(h[2]->topLine, h[3]->topLine), std::pair(1, 4));
    EXPECT_EQ(bar.ActiveTotal(), 4);
    // A handle already registered is refused and nothing changes.
    EXPECT_FALSE(bar.AddMessage(h[0], "again", 1, 1, true));
    EXPECT_EQ(bar.Messages().size(), 4u);
}

TEST_F(MsgBarTest, RepeatedTextShowsOnceOnlyWhenPrioritiesDiffer)
{
    // An inactive message of higher priority shadows nothing.
    auto h = Add({{"EPFS reception lost.", 10, 1},
                  {"epfs RECEPTION lost.", 20, 1},
                  {"Same", 7, 1},
                  {"SAME", 7, 1},
                  {"Other", 90, 0},
                  {"other", 3, 1}});
    EXPECT_EQ(Layout(), "epfs RECEPTION lost.\nSame\nSAME\nother\n");
    EXPECT_EQ(std::pair(h[0]->topLine, h[4]->topLine), std::pair(-1, -1));
}

TEST_F(MsgBarTest, WrapsAtBlanksAndKeepsLongWordsWhole)
{
    bar.SetClientWidth(120, 1);   // limit 110 px: 10 characters fit (11 reach the limit)
    const struct {
        const char* text;
        const char* wrapped;
        int rows;
    } rows[] = {
        {"short", "short\n", 1},
        {"one two three four", "one two\nthree four\n", 2},
        {"abcdefghijklmnop end", "abcdefghijklmnop\nend\n", 2},   // wider than the bar, uncut
        {"exactly 111", "exactly\n111\n", 2},   // as wide as the limit wraps
        {"", "\n", 1},
    };
    for (const auto& r : rows) {
        int n = 0;
        EXPECT_EQ(bar.FitText(r.text, measurer, n), r.wrapped) << r.text;
        EXPECT_EQ(n, r.rows) << r.text;
    }
    auto h = Add({{"one two three four", 1, 1}});
    Layout();
    EXPECT_EQ(std::pair(view.height, h[0]->bottomLine), std::pair(32, 2));
}

TEST_F(MsgBarTest, VisibilityFollowsActiveTotalAndLocks)
{
    auto h = Add({{"Warning, memory low", 65535, 0}, {"Warning, disk space low", 65534, 0}});
    EXPECT_FALSE(view.visible);
    EXPECT_TRUE(bar.SetMessageActive(h[1], 1, true));
    EXPECT_TRUE(view.visible && bar.ActiveTotal() == 1);
    EXPECT_FALSE(bar.SetMessageActive(h[1], 1, true));   // unchanged count
    // Two counts above zero: the total changes, no new layout is asked for.
    Layout();
    const int requests = view.layoutRequests;
    EXPECT_TRUE(bar.SetMessageActive(h[1], 3, true));
    EXPECT_EQ(std::pair(view.layoutRequests, bar.ActiveTotal()), std::pair(requests, 3));
    EXPECT_TRUE(bar.SetMessageActive(h[1], 0, true));
    EXPECT_TRUE(!view.visible && bar.ActiveTotal() == 0);
    // Removing an active message gives its count back.
    bar.SetMessageActive(h[0], 2, true);
    EXPECT_TRUE(bar.RemoveMessage(h[0], true));
    EXPECT_TRUE(h[0] == nullptr && bar.ActiveTotal() == 0 && !view.visible);
    EXPECT_FALSE(bar.RemoveMessage(h[0], true));

    // Nested locks show the bar once, at the last unlock; an extra unlock does not underflow into a
    // lock.
    bar.LockUpdate(false);
    bar.LockUpdate(false);
    bar.SetMessageActive(h[1], 1, true);
    bar.LockUpdate(true);
    EXPECT_FALSE(view.visible);
    bar.LockUpdate(true);
    EXPECT_TRUE(view.visible);
    bar.LockUpdate(true);
    bar.SetMessageActive(h[1], 0, true);
    EXPECT_FALSE(view.visible);
}

TEST_F(MsgBarTest, ExpiryGoesThroughActiveStateAndHidesTheBar)
{
    auto h = Add({{"Waypoint alarm", 500, 1}});
    ASSERT_TRUE(bar.SetMessageTimeout(h[0], 10s));
    clock.Advance(10s);
    bar.OnTimer();   // exactly at the expiry: still shown
    EXPECT_TRUE(bar.IsMessageActive(h[0]));
    clock.Advance(1s);
    bar.OnTimer();
    EXPECT_TRUE(!bar.IsMessageActive(h[0]) && bar.ActiveTotal() == 0 && !view.visible);
    EXPECT_EQ(h[0]->expiry, app::CWarningMsg::Never());
    // Back on by its owner, it stays until a new expiry is set.
    bar.SetMessageActive(h[0], 1, true);
    clock.Advance(std::chrono::hours(24 * 365));
    bar.OnTimer();
    EXPECT_TRUE(bar.IsMessageActive(h[0]) && view.visible);
}

TEST_F(MsgBarTest, SoundPlaysAtFirstTickThenEveryInterval)
{
    auto h = Add({{"Anchor watch", 100, 1}, {"Quiet", 90, 1}, {"Inactive", 80, 0}});
    bar.SetMessageSound(h[0], "alarm.snd", 30min);
    bar.SetMessageSound(h[2], "alarm", 30min);
    bar.OnTimer();
    ASSERT_EQ(sound.played.size(), 1u);
    EXPECT_EQ(sound.played[0], "/opt/brinevane/System/Audio/alarm.wav");
    // Interval reached is not exceeded; on the monotonic clock, a wall clock set back a day neither
    // silences nor repeats the alarm; a sound that cannot be played beeps instead, on the same
    // schedule.
    using std::chrono::seconds, std::chrono::hours;
    const struct {
        seconds advance;
        hours jump;
        bool playable;
        std::size_t played;
        int beeps;
    } steps[] = {{30min, 0h, true, 1, 0},
                 {1s, 0h, true, 2, 0},
                 {1s, -24h, true, 2, 0},
                 {31min, 0h, false, 3, 1}};
    for (const auto& s : steps) {
        clock.JumpUtc(s.jump);
        clock.Advance(s.advance);
        sound.playable = s.playable;
        bar.OnTimer();
        EXPECT_EQ(std::pair(sound.played.size(), sound.beeps), std::pair(s.played, s.beeps))
            << s.advance.count();
    }
}

TEST_F(MsgBarTest, StaleOrForeignHandlesAreRefusedAndEarlyMessagesWait)
{
    FakeClock otherClock;
    FakeSound otherSound;
    app::CMsgBar other{otherClock, otherSound, "/tmp"};
    app::MsgHandle foreign = nullptr;
    other.AddMessage(foreign, "elsewhere", 1, 1, false);
    EXPECT_FALSE(bar.SetMessageActive(foreign, 0, true));
    auto h = Add({{"x", 1, 1}});
    app::MsgHandle stale = h[0];
    bar.RemoveMessage(h[0], false);
    EXPECT_FALSE(bar.SetMessageActive(stale, 3, true));
    EXPECT_FALSE(bar.RemoveMessage(stale, true));
    EXPECT_EQ(bar.ActiveTotal(), 0);

    // A message added before the bar has a window shows once the window is there.
    app::CMsgBar detached{clock, sound, "/tmp"};
    app::MsgHandle early = nullptr;
    EXPECT_TRUE(detached.AddMessage(early, "early", 1, 1, true) && detached.IsLayoutNeeded());
    view.visible = false;
    detached.AttachView(&view);
    detached.Refresh();
    EXPECT_TRUE(view.visible);
}

}   // namespace
