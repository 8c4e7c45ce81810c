#include "app/Timer.h"

#include <gtest/gtest.h>

TEST(Timer, LowestFreeIdFirstAndBadReleasesChangeNothing)
{
    app::CTimer timer;
    timer.ReleaseID(1);   // on an empty table
    for (int expected : {1, 2, 3})
        EXPECT_EQ(timer.AllocateID(), expected);
    timer.ReleaseID(2);
    EXPECT_EQ(timer.AllocateID(), 2);
    EXPECT_EQ(timer.AllocateID(), 4);   // the table grows by one
    for (int bad : {0, -1, 5, 1000, -2147483647 - 1})
        timer.ReleaseID(bad);
    EXPECT_EQ(timer.AllocateID(), 5);

    // A double release must not hand the same id to two owners.
    timer.ReleaseID(1);
    timer.ReleaseID(3);
    timer.ReleaseID(3);
    EXPECT_EQ(timer.AllocateID(), 1);
    EXPECT_EQ(timer.AllocateID(), 3);
    EXPECT_EQ(timer.AllocateID(), 6);
}
