// A position log of the older kind, taken over with its older track archive
// beside it, survives SIGKILL at any moment of the take-over: a child opens
// it and is killed after a delay spread over the time a whole take-over
// takes. After every kill the next open gives the first vessel the whole
// archive as its track, never a part of it, and leaves no part copy behind.
#include "navigator/VesselLogbook.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>

#include <chrono>
#include <fstream>

#include "ChildProcess.h"
#include "FakeClock.h"
#include "TempFolder.h"

using namespace navigator;
using namespace std::chrono;
namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kFixes = 120000;
constexpr std::int64_t kFirstTime = 1717257600;   // 2024-06-01 16:00 UTC

void PutLe32(std::string& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(char((v >> (8 * i)) & 0xFF));
}

// The older log "old.dbf" with one row, and its track archive "old.log".
void MakeOlderLog(const fs::path& folder)
{
    {
        db::CDBLog older;
        older.SetFilePath(folder / "old");
        ASSERT_TRUE(older.Open());
        older.m_note = "older";
        ASSERT_TRUE(older.AppendNew() && older.Close());
    }
    std::string archive;
    archive.reserve(4 + 24 * std::size_t(kFixes));
    PutLe32(archive, kFixes);
    for (std::uint32_t i = 0; i < kFixes; ++i) {
        PutLe32(archive, std::uint32_t(476000000 + std::int32_t(i)));
        PutLe32(archive, std::uint32_t(-1224000000 + std::int32_t(i)));
        archive.append(8, '\0');
        PutLe32(archive, 0xFFFF);
        PutLe32(archive, std::uint32_t(kFirstTime + i));
    }
    std::ofstream(folder / "old.log", std::ios::binary) << archive;
}

int TakeOver(const fs::path& folder)
{
    brine_test::FakeClock clock;
    CVesselLogbook log(clock, CVesselLogServices{});
    log.SetFolder(folder);
    return log.Open((folder / "old").string()) && log.Close(true) ? 0 : 2;
}

void Copy(const fs::path& from, const fs::path& to)
{
    fs::create_directories(to);
    for (const auto& e : fs::directory_iterator(from))
        fs::copy(e.path(), to / e.path().filename(), fs::copy_options::recursive);
}

}   // namespace

TEST(LegacyTrackKill, ATakeOverKilledAnywhereEndsWithTheWholeArchiveAsTheTrack)
{
    brine_test::TempFolder dir;
    const fs::path pristine = dir / "pristine";
    fs::create_directories(pristine);
    MakeOlderLog(pristine);

    // How long one whole take-over takes here.
    Copy(pristine, dir / "timed");
    const auto start = steady_clock::now();
    const pid_t timed = brine_test::ForkChild([&] { return TakeOver(dir / "timed"); });
    ASSERT_EQ(brine_test::WaitChild(timed), 0);
    const auto whole = duration_cast<milliseconds>(steady_clock::now() - start);

    int killedWithoutTrack = 0;
    constexpr int kRuns = 12;
    for (int run = 0; run < kRuns; ++run) {
        const fs::path folder = dir / ("run" + std::to_string(run));
        Copy(pristine, folder);
        const pid_t child = brine_test::ForkChild([&] { return TakeOver(folder); });
        ::poll(nullptr, 0, int(whole.count() * (run + 1) / (kRuns + 1)));
        ::kill(child, SIGKILL);
        const int status = brine_test::WaitChild(child);
        ASSERT_TRUE(status == 0 || status == -SIGKILL) << status;
        if (status == -SIGKILL && !fs::exists(folder / "old.X/00000001.trc"))
            ++killedWithoutTrack;

        brine_test::FakeClock clock;
        CVesselLogbook log(clock, CVesselLogServices{});
        log.SetFolder(folder);
        ASSERT_TRUE(log.Open((folder / "old").string())) << run << " " << log.LastError();
        ASSERT_FALSE(log.IsTemporary()) << run;
        ASSERT_FALSE(log.Vessels().empty()) << run;
        CTrackFile& track = log.Vessels().front()->track;
        ASSERT_EQ(track.RecordCount(), kFixes) << "run " << run;
        const auto first = track.Read(0), last = track.ReadLast();
        ASSERT_TRUE(first && last);
        EXPECT_EQ(first->utc, sys_seconds{seconds{kFirstTime}});
        EXPECT_EQ(last->utc, sys_seconds{seconds{kFirstTime + kFixes - 1}});
        EXPECT_DOUBLE_EQ(last->latitude, (476000000 + double(kFixes - 1)) * 1e-7);
        EXPECT_FALSE(fs::exists(folder / "old.X/~new-00000001.trc")) << run;
        ASSERT_TRUE(log.Close(true));
    }
    // Some kills fell where the track was not yet in place.
    EXPECT_GT(killedWithoutTrack, 0) << "a whole take-over took " << whole.count() << " ms";
}
