// The lines other stations relayed: the reader gets them oldest first; past
// 500 the oldest goes; a reader waiting on an empty list ends with its stop.

#include "nmea/ReceivedLines.h"

#include <gtest/gtest.h>

#include <thread>

TEST(ReceivedLines, OldestFirstAndTheOldestDroppedPastTheLimit)
{
    nmea::CReceivedLines lines;
    for (std::size_t i = 1; i <= nmea::CReceivedLines::kLimit + 1; ++i)
        lines.Add("$GPRMC," + std::to_string(i));
    EXPECT_EQ(lines.Size(), nmea::CReceivedLines::kLimit);
    std::stop_source stop;
    std::string line;
    ASSERT_TRUE(lines.TakeOldest(stop.get_token(), line));
    EXPECT_EQ(line, "$GPRMC,2");
    ASSERT_TRUE(lines.TakeOldest(stop.get_token(), line));
    EXPECT_EQ(line, "$GPRMC,3");
    EXPECT_EQ(lines.Size(), nmea::CReceivedLines::kLimit - 2);
}

TEST(ReceivedLines, AWaitingReaderGetsTheNextLineOrEndsWithItsStop)
{
    nmea::CReceivedLines lines;
    std::string got;
    bool taken = false;
    std::jthread reader([&](std::stop_token stop) { taken = lines.TakeOldest(stop, got); });
    lines.Add("$GPGGA,1");
    reader.join();
    EXPECT_TRUE(taken);
    EXPECT_EQ(got, "$GPGGA,1");

    bool stoppedTaken = true;
    std::jthread idle([&](std::stop_token stop) { stoppedTaken = lines.TakeOldest(stop, got); });
    idle.request_stop();
    idle.join();
    EXPECT_FALSE(stoppedTaken);
}
