// Sentences relayed by other stations wait for the network port's reader:
// never more than 500, the oldest dropped first, taken oldest first, and a
// reader waiting on an empty list is let go by its stop.
#include "nmea/ReceivedLines.h"

#include <gtest/gtest.h>

#include <thread>

using nmea::CReceivedLines;

TEST(ReceivedLines, HoldsAtMost500AndDropsTheOldest)
{
    CReceivedLines lines;
    for (int i = 1; i <= 501; ++i) {
        lines.Add("$GPGLL," + std::to_string(i));
        EXPECT_LE(lines.Size(), CReceivedLines::kLimit);
    }
    EXPECT_EQ(lines.Size(), 500u);
    std::stop_source stop;
    std::string line;
    ASSERT_TRUE(lines.TakeOldest(stop.get_token(), line));
    EXPECT_EQ(line, "$GPGLL,2");
    ASSERT_TRUE(lines.TakeOldest(stop.get_token(), line));
    EXPECT_EQ(line, "$GPGLL,3");
    EXPECT_EQ(lines.Size(), 498u);
}

TEST(ReceivedLines, AWaitingReaderTakesTheNextLineOrEndsOnItsStop)
{
    CReceivedLines lines;
    std::string taken;
    {
        std::jthread reader([&](std::stop_token stop) {
            std::string line;
            while (lines.TakeOldest(stop, line))
                taken += line;
        });
        lines.Add("a");
        lines.Add("b");
        while (lines.Size() != 0)
            std::this_thread::yield();
    }   // the stop ends the reader's wait
    EXPECT_EQ(taken, "ab");
}
