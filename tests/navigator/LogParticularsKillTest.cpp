// The particulars file written beside each new own-vessel row of the log
// survives SIGKILL at any moment: a child starts voyage after voyage (each a
// new own row with its ".hdr"), alternating between two vessels whose names
// differ in length, and is killed at random (once before any voyage, when
// the log's folder may not exist yet: its files are all absent). Each time
// every ".hdr" of the log reads back whole as one of the two vessels (a torn
// file would not: its length says how long the name is), the log opens as
// the next start opens it, no row's file is left half written under its own
// name, and the reopened log's folder holds no temp file of a write the kill
// cut short.
#include "navigator/VesselLogbook.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "FakeClock.h"
#include "TempFolder.h"
#include "navigator/VesselFiles.h"

using namespace navigator;
namespace fs = std::filesystem;

namespace {

COwnVessel Particulars(int which)
{
    COwnVessel v;
    v.name = which ? "Puget Sound Survey Launch Number Two" : "Tern";
    v.length = which ? 24.4 : 9.8;
    v.draft = which ? 2.2 : 1.1;
    v.beam = which ? 6.1 : 3.3;
    v.speed = which ? 18.0 : 7.5;
    for (std::size_t i = 0; i < v.deviation.size(); ++i)
        v.deviation[i] = (which ? 0.75 : -1.25) * double(i % 7);
    return v;
}

// The files of the log's companion folder; none while the folder does not
// exist (a kill before the first row's files left none: every one absent).
std::vector<fs::path> FolderFiles(const fs::path& folder)
{
    std::vector<fs::path> files;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    if (error) {
        EXPECT_EQ(error, std::errc::no_such_file_or_directory) << folder << ": " << error.message();
        return files;
    }
    for (; it != fs::directory_iterator(); it.increment(error))
        files.push_back(it->path());
    EXPECT_FALSE(error) << folder << ": " << error.message();
    return files;
}

// Opens the log, then starts voyage after voyage; with `voyages` false it
// waits after the open, before any row has files.
int StartVoyagesForever(const fs::path& log, brine_test::Turn& started, bool voyages)
{
    brine_test::FakeClock clock;
    int voyage = 0;
    CVesselLogServices services;
    services.particulars = [&voyage] { return std::optional<COwnVessel>(Particulars(voyage % 2)); };
    CVesselLogbook logbook(clock, std::move(services));
    logbook.SetFolder(log.parent_path());
    logbook.SetAppendToExisting(true);
    if (!logbook.Open(log.string()))
        return 2;
    started.Post();
    while (!voyages)
        std::this_thread::sleep_for(std::chrono::seconds(1));
    for (;; ++voyage) {
        clock.Advance(std::chrono::minutes(1));
        if (!logbook.StartVoyage("V" + std::to_string(voyage), "Ada"))
            return 3;
    }
}

}   // namespace

TEST(LogParticularsKill, EachRowsParticularsAreWholeOrAbsent)
{
    brine_test::TempFolder dir;
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> delayUs(0, 30000);
    int headers = 0, leftovers = 0;
    // Round 0 kills a child that has only opened its log: the log's
    // companion folder may not exist yet, and every file in it is absent.
    for (int round = 0; round < 60; ++round) {
        // A log of its own each round, so each start opens it quickly.
        const fs::path log = dir / (round == 0 ? std::string("Unstarted")
                                               : "Particulars" + std::to_string(round % 6));
        brine_test::Turn started;
        const pid_t child =
            brine_test::ForkChild([&] { return StartVoyagesForever(log, started, round != 0); });
        ASSERT_TRUE(started.Wait());
        std::this_thread::sleep_for(std::chrono::microseconds(round == 0 ? 0 : delayUs(random)));
        ::kill(child, SIGKILL);
        ASSERT_EQ(brine_test::WaitChild(child), -SIGKILL) << "the child failed on its own";

        const fs::path folder = fs::path(log.string() + ".X");
        for (const fs::path& entry : FolderFiles(folder)) {
            const std::string name = entry.filename().string();
            if (name.find(".hdr.tmp-") != std::string::npos) {
                ++leftovers;   // the write the kill cut short, never under the row's name
                continue;
            }
            if (entry.extension() != ".hdr")
                continue;
            ++headers;
            COwnVessel read;
            std::string why;
            ASSERT_EQ(ReadVesselHeader(entry, read, &why), HeaderRead::Read)
                << "round " << round << ": " << why;
            EXPECT_TRUE(read.IsEqual(Particulars(0)) || read.IsEqual(Particulars(1)))
                << "round " << round << ": " << name << " holds " << read.name;
        }
        // The next start opens the log and goes on with a row of its own.
        brine_test::FakeClock clock;
        CVesselLogServices services;
        services.particulars = [] { return std::optional<COwnVessel>(Particulars(0)); };
        CVesselLogbook next(clock, std::move(services));
        next.SetFolder(dir.Path());
        next.SetAppendToExisting(true);
        ASSERT_TRUE(next.Open(log.string())) << "round " << round << ": " << next.LastError();
        // Opening the log clears what the cut-short writes left; the rows'
        // own files stay.
        for (const fs::path& entry : FolderFiles(folder))
            EXPECT_EQ(entry.filename().string().find(".tmp-"), std::string::npos)
                << "round " << round << ": " << entry.filename() << " left after the reopen";
        ASSERT_TRUE(next.StartVoyage("after", "Bo")) << "round " << round;
        char own[16];
        std::snprintf(own, sizeof own, "%08ld.hdr", next.OwnVessel()->unique);
        COwnVessel read;
        ASSERT_EQ(ReadVesselHeader(folder / own, read), HeaderRead::Read) << own;
        EXPECT_TRUE(read.IsEqual(Particulars(0)));
        ASSERT_TRUE(next.Close(true));
        if (HasFailure())
            return;
    }
    EXPECT_GT(headers, 60) << "the children wrote too few rows to test anything";
    std::printf("%d reads of particulars files, all whole; %d writes cut short by a kill\n",
                headers, leftovers);
}
