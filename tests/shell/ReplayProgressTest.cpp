// The NMEA replay's line on the message bar, in the program as it starts: while a file replays,
// the share read and the file's name on the bar follow the replay, second by second.
#include <QTest>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>

#include "FirstStart.h"
#include "app/MsgBar.h"
#include "navigator/ui/NavigatorWindows.h"
#include "shell/MainFrame.h"

namespace {

// The share the bar shows for the replay, or -1 when it shows none.
int ShareShown(const app::CMsgBar& bar)
{
    const std::string& text = bar.DisplayText();
    const auto of = text.find("% of walk.nmea");
    if (of == std::string::npos)
        return -1;
    const auto start = text.rfind(' ', of);
    return std::stoi(text.substr(start + 1, of - start - 1));
}

TEST(ReplayProgress, TheBarFollowsTheShareRead)
{
    brine_test::FirstStartProgram program;
    ASSERT_TRUE(program.started);
    shell::CMainFrame& frame = program.Frame();
    QTest::qWait(300);

    // About six seconds of text at 600 characters a second, none of it a position.
    const std::filesystem::path file = program.home.folder / "walk.nmea";
    {
        std::ofstream out(file, std::ios::binary);
        for (int i = 0; i < 90; ++i)
            out << "$GPTXT,01,01,02,replayed text line number " << 100 + i << "\r\n";
    }
    // As the NMEA page applies a ticked replay.
    frame.Navigator()->Simulation().Apply(true, file, 1);
    std::set<int> shares;
    for (int i = 0; i < 16; ++i) {
        QTest::qWait(250);
        if (const int share = ShareShown(*frame.MsgBar()); share >= 0)
            shares.insert(share);
    }
    EXPECT_GE(shares.size(), 3U) << "shown: " << frame.MsgBar()->DisplayText();
    EXPECT_GE(shares.empty() ? 0 : *shares.rbegin(), 40);
}

}   // namespace
