#include "app/Timer.h"

#include <gtest/gtest.h>

TEST(Timer, LowestFreeIdIsReusedAndTheTableGrowsByOne)
{
    CTimer timer;
    EXPECT_EQ(timer.AllocateID(), 1);
    EXPECT_EQ(timer.AllocateID(), 2);
    EXPECT_EQ(timer.AllocateID(), 3);
    timer.ReleaseID(2);
    EXPECT_EQ(timer.AllocateID(), 2);
    EXPECT_EQ(timer.AllocateID(), 4);
    timer.ReleaseID(1);
    timer.ReleaseID(3);
    EXPECT_EQ(timer.AllocateID(), 1);
    EXPECT_EQ(timer.AllocateID(), 3);
}

TEST(Timer, ReleasingAnIdNotInUseChangesNothing)
{
    CTimer timer;
    timer.ReleaseID(1);   // on an empty table
    ASSERT_EQ(timer.AllocateID(), 1);
    ASSERT_EQ(timer.AllocateID(), 2);
    for (int bad : {0, -1, 3, 1000, -2147483647 - 1})
        timer.ReleaseID(bad);
    EXPECT_EQ(timer.AllocateID(), 3);

    // A double release must not hand the same id to two owners.
    timer.ReleaseID(2);
    timer.ReleaseID(2);
    EXPECT_EQ(timer.AllocateID(), 2);
    EXPECT_EQ(timer.AllocateID(), 4);
}
