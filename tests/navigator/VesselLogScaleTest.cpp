// A vessel log at scale: a logbook of N rows and a track of N fixes a
// second (BRINE_LOG_SCALE_FIXES, 300,000 unless given; the figures quoted
// use 10,000,000). With the files out of the page cache, opening the log,
// drawing a 4-hour window of its track and fetching the logbook window's
// last page each take under a second, and the bytes read from the disk
// (/proc/self/io) beyond the window's own fixes stay under 1% of the files.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "navigator/LogTrack.h"
#include "navigator/LogbookRows.h"
#include "navigator/VesselLogbook.h"

#include "FakeClock.h"
#include "TempFolder.h"

using namespace navigator;
using namespace std::chrono;
namespace fs = std::filesystem;

namespace {

long Fixes()
{
    const char* v = std::getenv("BRINE_LOG_SCALE_FIXES");
    return v && *v ? std::atol(v) : 300'000L;
}

sys_seconds T0()
{
    return sys_days{year{2024} / 1 / 1};
}

// Fix i: a vessel working round Puget Sound, one fix a second.
CNavSnapshot At(long i)
{
    const double hoursIn = double(i) / 3600.0;
    CNavSnapshot s;
    s.position = geo::CPosition(47.85 + 0.25 * std::sin(hoursIn / 7.0),
                                -122.5 + 0.12 * std::cos(hoursIn / 5.0), 0.0, -1);
    s.positionAvailable = s.positionAcquired = true;
    s.fixTimeUtc = T0() + seconds(i);
    s.cog = std::fmod(hoursIn * 10.0, 360.0);
    s.sog = 8.5;
    return s;
}

std::uint64_t ReadBytes()
{
    std::ifstream io("/proc/self/io");
    std::string name;
    std::uint64_t value = 0;
    while (io >> name >> value)
        if (name == "read_bytes:")
            return value;
    return 0;
}

// Writes back and drops every file of the log from the page cache, so what
// the next steps read comes from the disk and is counted.
std::uint64_t DropFromCache(const fs::path& folder)
{
    std::uint64_t total = 0;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        if (!e.is_regular_file())
            continue;
        total += e.file_size();
        const int fd = ::open(e.path().c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        ::fdatasync(fd);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
    return total;
}

template <typename F>
double Seconds(F&& f)
{
    const auto start = steady_clock::now();
    f();
    return duration<double>(steady_clock::now() - start).count();
}

}   // namespace

TEST(VesselLogScale, OpeningAFourHourWindowAndTheLastPageReadLittleAndAreQuick)
{
    const long fixes = Fixes();
    ::setenv("TZ", "UTC", 1);   // the rows' fields hold UTC as the log writes them
    ::tzset();
    brine_test::TempFolder dir;
    const std::string path = (dir.Path() / "Scale").string();
    brine_test::FakeClock clock;
    std::uint32_t vesselId = 0;
    {
        CVesselLogbook log(clock, {});
        log.SetFolder(dir.Path());
        ASSERT_TRUE(log.Open(path));
        clock.SetUtc(T0());
        ASSERT_TRUE(log.StartVoyage("SCALE-1", "Scale"));
        CLogVessel* own = log.OwnVessel();
        ASSERT_NE(own, nullptr);
        vesselId = own->vesselId;
        // The rows in one locked run and the points in large appends: the
        // same bytes as one at a time, made in seconds.
        db::CDBLog& rows = *own->rows;
        ASSERT_TRUE(rows.Lock());
        std::vector<CTrackFix> batch;
        for (long i = 0; i < fixes; ++i) {
            const CNavSnapshot s = At(i);
            rows.ClearRecord();
            rows.m_time = app::CDateTimeEx(system_clock::to_time_t(*s.fixTimeUtc));
            rows.m_position = s.position;
            rows.m_cog = s.cog;
            rows.m_sog = s.sog;
            rows.m_type = kFixEpfs;
            ASSERT_TRUE(rows.AppendNew()) << rows.GetMessage();
            CTrackFix f;
            f.latitude = s.position.GetLatitude();
            f.longitude = s.position.GetLongitude();
            f.cog = s.cog;
            f.sog = s.sog;
            f.utc = T0() + seconds(i);
            f.fixType = kFixEpfs;
            batch.push_back(f);
            if (batch.size() == 65536 || i + 1 == fixes) {
                ASSERT_TRUE(own->track.Append(batch).Written());
                batch.clear();
            }
        }
        ASSERT_TRUE(rows.FlushAndUnlock());
        clock.SetUtc(T0() + seconds(fixes));
        ASSERT_TRUE(log.EndVoyage());
        ASSERT_TRUE(log.Close(true));
    }
    const std::uint64_t files = DropFromCache(dir.Path());
    const std::uint64_t before = ReadBytes();

    CVesselLogbook log(clock, {});
    log.SetFolder(dir.Path());
    const double opening = Seconds([&] { ASSERT_TRUE(log.Open(path)); });
    CLogVessel* vessel = log.FindVessel(vesselId, 1);
    ASSERT_NE(vessel, nullptr);

    CLogTrack track;
    track.Settings().limitDisplay = true;
    track.Settings().span = hours(4);
    track.SetFile(vessel->track.Path());
    CPixelGrid grid;
    grid.latitudeStep = 0.25 / 1080 / 2;
    grid.longitudeStep = 0.25 / 1080 / 2;
    const double drawing = Seconds([&] {
        track.Rebuild(grid);
        ASSERT_TRUE(track.WaitForRebuild(seconds(30)));
        ASSERT_TRUE(track.TakeResult());
    });
    ASSERT_FALSE(track.Kept().empty());
    EXPECT_EQ(track.Kept().back().fix.utc, T0() + seconds(fixes - 1));
    EXPECT_GE(track.Kept().front().fix.utc, T0() + seconds(fixes) - hours(4));

    CLogbookRows rows(log, vesselId);
    std::vector<app::ListRow> page;
    const double lastPage = Seconds([&] {
        rows.Recount();
        ASSERT_GE(rows.RowCount(), std::size_t(fixes));
        rows.FetchRows(rows.RowCount() - 40, 40, page);
    });
    ASSERT_EQ(page.size(), 40u);
    const std::uint64_t read = ReadBytes() - before;
    // The window's own fixes are read whatever the file's size.
    const std::uint64_t window = std::uint64_t(4 * 3600) * kTrackRecordSize;
    std::cout << fixes << " fixes, " << files / 1000000.0 << " MB of files: opening " << opening
              << " s, a 4-hour window " << drawing << " s (" << track.Kept().size()
              << " kept), the last page " << lastPage << " s; " << read / 1000000.0
              << " MB read from the disk (the window's fixes " << window / 1000000.0 << " MB)\n";
    EXPECT_LT(opening, 1.0);
    EXPECT_LT(drawing, 1.0);
    EXPECT_LT(lastPage, 1.0);
    EXPECT_LT(read, window + files / 100);
}
