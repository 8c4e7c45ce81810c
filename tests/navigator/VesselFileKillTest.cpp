// A child saving the own vessel's two files in a loop is killed at a
// hundred random moments: each time both files read back whole, as one of
// the two vessels the child alternates between.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <random>
#include <thread>

#include "ChildProcess.h"
#include "TempFolder.h"
#include "navigator/VesselFiles.h"

using namespace navigator;

namespace {

COwnVessel Vessel(int which)
{
    COwnVessel v;
    v.name = which ? "Second Vessel With A Longer Name" : "First";
    v.length = which ? 45.5 : 12.0;
    v.draft = which ? 3.1 : 1.2;
    v.beam = which ? 9.9 : 4.0;
    v.speed = which ? 14.0 : 6.5;
    for (std::size_t i = 0; i < v.deviation.size(); ++i)
        v.deviation[i] = (which ? -0.5 : 0.25) * double(i);
    return v;
}

}   // namespace

TEST(VesselFileKill, OldFileOrNewWhole)
{
    brine_test::TempFolder dir;
    const auto path = dir / "ship.vsl";
    ASSERT_TRUE(WriteVesselFile(path, Vessel(0)).ok);
    ASSERT_TRUE(WriteVesselHeader(path, Vessel(0)));
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> delayUs(0, 20000);
    for (int kill = 0; kill < 100; ++kill) {
        brine_test::Turn started;
        const pid_t child = brine_test::ForkChild([&] {
            started.Post();
            for (int i = 0;; ++i) {
                const COwnVessel v = Vessel(i % 2);
                if (!WriteVesselFile(path, v).ok || !WriteVesselHeader(path, v))
                    return 2;
            }
        });
        ASSERT_TRUE(started.Wait());
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        ::kill(child, SIGKILL);
        ASSERT_EQ(brine_test::WaitChild(child), -SIGKILL) << "the writer failed on its own";

        COwnVessel text, header;
        const CVesselFileResult read = ReadVesselFile(path, text);
        ASSERT_TRUE(read.ok) << "kill " << kill << ": " << read.message;
        EXPECT_TRUE(text.IsEqual(Vessel(0)) || text.IsEqual(Vessel(1))) << kill;
        ASSERT_EQ(ReadVesselHeader(path, header), HeaderRead::Read) << kill;
        EXPECT_TRUE(header.IsEqual(Vessel(0)) || header.IsEqual(Vessel(1))) << kill;
    }
}
