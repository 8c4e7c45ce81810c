// Track files: the 85-byte records against Python's struct both ways, the
// repeated autumn hour kept apart, torn and failed writes, the older archive
// with a count it cannot hold, the bisected display window against a walk,
// and a lock another holder keeps.
#include "navigator/TrackFile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <fstream>
#include <random>

#include "ChildProcess.h"
#include "PythonScript.h"
#include "TempFolder.h"

using namespace navigator;
using namespace std::chrono;
namespace fs = std::filesystem;

namespace {

sys_seconds Utc(int y, unsigned mo, unsigned d, int h, int mi, int s)
{
    return sys_days{year{y} / month{mo} / day{d}} + hours(h) + minutes(mi) + seconds(s);
}

CTrackFix Fix(double lat, double lon, sys_seconds t, int type = kFixEpfs)
{
    CTrackFix f;
    f.latitude = lat;
    f.longitude = lon;
    f.utc = t;
    f.fixType = type;
    return f;
}

std::string Bytes(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}   // namespace

TEST(TrackFile, RecordsAgreeWithPythonStructBothWays)
{
    brine_test::TempFolder dir;
    const fs::path path = dir / "t.trc";
    CTrackFile file;
    ASSERT_TRUE(file.Open(path));
    std::vector<CTrackFix> fixes;
    // Puget Sound, WGS 84 stored as FF FF FF FF, unset values as -99.99.
    fixes.push_back(Fix(47.6062, -122.3321, Utc(2024, 3, 10, 9, 59, 59)));
    // Around the spring change in Los Angeles (10:00 UTC) and the repeated
    // autumn hour: 01:30 PDT is 08:30 UTC, 01:30 PST is 09:30 UTC.
    fixes.push_back(Fix(47.61, -122.34, Utc(2024, 3, 10, 10, 0, 0), kFixSystemDr));
    fixes.push_back(Fix(48.15, -122.67, Utc(2024, 11, 3, 8, 30, 0), kFixVisual));
    fixes.push_back(Fix(48.16, -122.68, Utc(2024, 11, 3, 9, 30, 0), 0x123456));
    fixes[1].cog = 123.4;
    fixes[1].sog = 8.25;
    fixes[1].heading = 359.9;
    fixes[1].speed = 7.5;
    fixes[1].depth = 41.2;
    fixes[1].datum = 17;
    fixes[1].altitude = -3.5;
    for (const auto& f : fixes)
        ASSERT_TRUE(file.Append(f).Written());
    ASSERT_EQ(file.RecordCount(), 4u);

    const std::string program =
        "import struct, datetime, zoneinfo\n"
        "data = open('" +
        path.string() +
        "', 'rb').read()\n"
        "la = zoneinfo.ZoneInfo('America/Los_Angeles')\n"
        "assert len(data) % 85 == 0\n"
        "for i in range(0, len(data), 85):\n"
        "    r = struct.unpack('<3di5d8s6s3s', data[i:i+85])\n"
        "    t = datetime.datetime.strptime((r[9] + r[10]).decode(), '%Y%m%d%H%M%S')\n"
        "    t = t.replace(tzinfo=datetime.timezone.utc).astimezone(la)\n"
        "    print('%.4f %.4f %.2f %d %.2f %.2f %.2f %.2f %.2f %s %s %s %s %d' % (\n"
        "        r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], r[8], r[9].decode(),\n"
        "        r[10].decode(), t.strftime('%H:%M'), t.tzname(), int.from_bytes(r[11], "
        "'little')))\n"
        "rec = struct.pack('<3di5d8s6s3s', -33.5, 151.25, 2.0, -1, 90.0, -99.99,\n"
        "    -99.99, 12.5, 3.0, b'20250101', b'235959', (11).to_bytes(3, 'little'))\n"
        "open('" +
        (dir / "py.trc").string() + "', 'wb').write(rec * 2 + rec[:40])\n";
    const auto out = brine_test::RunPython(program);
    if (!out)
        GTEST_SKIP() << "python3 is not available";
    const auto lines = brine_test::SplitLines(*out);
    ASSERT_EQ(lines.size(), 4u) << *out;
    EXPECT_EQ(lines[0], "47.6062 -122.3321 0.00 -1 -99.99 -99.99 -99.99 -99.99 -99.99 20240310 "
                        "095959 01:59 PST 4");
    EXPECT_EQ(lines[1], "47.6100 -122.3400 -3.50 17 123.40 8.25 359.90 7.50 41.20 20240310 "
                        "100000 03:00 PDT 7");
    // Both 01:30s of the autumn night, an hour apart in UTC.
    EXPECT_EQ(lines[2], "48.1500 -122.6700 0.00 -1 -99.99 -99.99 -99.99 -99.99 -99.99 20241103 "
                        "083000 01:30 PDT 1");
    EXPECT_EQ(lines[3], "48.1600 -122.6800 0.00 -1 -99.99 -99.99 -99.99 -99.99 -99.99 20241103 "
                        "093000 01:30 PST 1193046");

    // Back: our reads of what Python wrote, the fragment tail not counted.
    CTrackFile py;
    ASSERT_TRUE(py.Open(dir / "py.trc"));
    EXPECT_EQ(py.RecordCount(), 2u);
    const auto r = py.Read(1);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->latitude, -33.5);
    EXPECT_EQ(r->longitude, 151.25);
    EXPECT_EQ(r->datum, 0xFFFF);
    EXPECT_EQ(r->sog, -99.99);
    EXPECT_EQ(r->utc, Utc(2025, 1, 1, 23, 59, 59));
    EXPECT_EQ(r->fixType, kFixManual);
    // Our own records read back unchanged.
    for (std::size_t i = 0; i < fixes.size(); ++i)
        EXPECT_EQ(file.Read(i), fixes[i]) << i;
}

TEST(TrackFile, EmptyFragmentAndFailedWritesKeepWholeRecords)
{
    brine_test::TempFolder dir;
    const fs::path path = dir / "sub" / "t.trc";
    CTrackFile file;
    ASSERT_TRUE(file.Open(path)) << "the folder is made";
    EXPECT_EQ(file.RecordCount(), 0u);
    EXPECT_FALSE(file.Read(0));
    EXPECT_FALSE(file.ReadLast());
    EXPECT_EQ(file.FindWindowStart(hours(4)), 0u);

    const sys_seconds t0 = Utc(2024, 6, 1, 12, 0, 0);
    ASSERT_TRUE(file.Append(Fix(47.9, -122.6, t0)).Written());
    ASSERT_TRUE(file.Append(Fix(47.91, -122.61, t0 + seconds(1))).Written());
    const std::string before = Bytes(path);
    // A write cut short by a crash leaves part of a record.
    {
        std::ofstream(path, std::ios::binary | std::ios::app) << std::string(40, '\x7F');
    }
    EXPECT_EQ(file.RecordCount(), 2u);
    const auto result = file.Append(Fix(47.92, -122.62, t0 + seconds(2)));
    EXPECT_TRUE(result.Written());
    EXPECT_TRUE(result.fragmentReplaced);
    EXPECT_EQ(fs::file_size(path), 3 * kTrackRecordSize) << "appended over the fragment";
    EXPECT_EQ(Bytes(path).substr(0, before.size()), before);
    EXPECT_EQ(file.ReadLast()->latitude, 47.92);
    EXPECT_FALSE(file.Append(Fix(0, 0, t0)).fragmentReplaced);

    // A write the system refuses half way (the file size limit here) is cut
    // back to the records before it.
    const auto size = fs::file_size(path);
    const pid_t child = brine_test::ForkChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{size + 40, size + 40};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 9;
        CTrackFile again;
        if (!again.Open(path))
            return 8;
        const auto r = again.Append({Fix(1, 1, t0), Fix(2, 2, t0)});
        return r.status == TrackAppendStatus::WriteFailed ? 0 : 1;
    });
    EXPECT_EQ(brine_test::WaitChild(child), 0);
    EXPECT_EQ(fs::file_size(path), size);
}

TEST(TrackFile, OlderArchiveCountIsBoundedByTheFile)
{
    brine_test::TempFolder dir;
    auto write = [&](const fs::path& p, std::int32_t count, int entries, int cut) {
        std::string bytes(reinterpret_cast<const char*>(&count), 4);
        for (int i = 0; i < entries; ++i) {
            const std::int32_t v[6] = {476062000 + i,      -1223321000 - i, 0, 0, -1,
                                       1717243200 + 60 * i};
            bytes.append(reinterpret_cast<const char*>(v), sizeof v);
        }
        bytes.resize(bytes.size() - std::size_t(cut));
        std::ofstream(p, std::ios::binary) << bytes;
    };
    auto read = [](const fs::path& p) {
        std::vector<CTrackFix> fixes;
        EXPECT_TRUE(ReadLegacyTrack(p, [&](const CTrackFix& f) { fixes.push_back(f); }));
        return fixes;
    };
    write(dir / "huge.log", 1'000'000'000, 3, 0);
    const auto fixes = read(dir / "huge.log");
    ASSERT_EQ(fixes.size(), 3u);
    EXPECT_NEAR(fixes[2].latitude, 47.6062002, 1e-9);
    EXPECT_NEAR(fixes[2].longitude, -122.3321002, 1e-9);
    EXPECT_EQ(fixes[2].datum, 0xFFFF);
    EXPECT_EQ(fixes[2].utc, Utc(2024, 6, 1, 12, 2, 0));
    EXPECT_EQ(fixes[0].cog, kUnsetTrackValue);
    write(dir / "negative.log", -5, 2, 0);
    EXPECT_TRUE(read(dir / "negative.log").empty());
    write(dir / "cut.log", 3, 3, 10);
    EXPECT_EQ(read(dir / "cut.log").size(), 2u);
    write(dir / "tiny.log", 0, 0, 2);
    EXPECT_TRUE(read(dir / "tiny.log").empty());
    std::string error;
    EXPECT_FALSE(ReadLegacyTrack(
        dir / "missing.log", [](const CTrackFix&) {}, &error));
    EXPECT_NE(error.find("missing.log"), std::string::npos);
}

namespace {

struct Collect final : CTrackReceiver {
    void Begin(std::uint64_t first) override
    {
        start = first;
        got.clear();
    }
    void Add(std::uint64_t, const CTrackFix& f) override { got.push_back(f.utc); }
    std::uint64_t start = 0;
    std::vector<sys_seconds> got;
};

}   // namespace

TEST(TrackFile, BisectedWindowEqualsAWalkFromTheNewest)
{
    brine_test::TempFolder dir;
    std::mt19937 random(28);
    for (int round = 0; round < 60; ++round) {
        const fs::path path = dir / ("w" + std::to_string(round) + ".trc");
        CTrackFile file;
        ASSERT_TRUE(file.Open(path));
        const int n = std::uniform_int_distribution<int>(0, 400)(random);
        const int step = n > 2 ? std::uniform_int_distribution<int>(1, n - 1)(random) : -1;
        std::vector<CTrackFix> fixes;
        sys_seconds t = Utc(2024, 7, 1, 0, 0, 0);
        for (int i = 0; i < n; ++i) {
            t += seconds(std::uniform_int_distribution<int>(1, 120)(random));
            if (i == step)   // the clock steps back, up to two hours
                t -= seconds(std::uniform_int_distribution<int>(1, 7200)(random));
            fixes.push_back(Fix(47 + i * 1e-4, -122, t));
        }
        ASSERT_TRUE(file.Append(fixes).Written());
        for (const seconds span :
             {seconds(0), seconds(1), seconds(600), seconds(3600), seconds(14400)}) {
            // The walk: back from the newest while each fix is younger than the span.
            std::size_t expect = fixes.size();
            while (expect > 0 && fixes.back().utc - fixes[expect - 1].utc < span)
                --expect;
            Collect window;
            ASSERT_TRUE(file.ReadWindow(span, window));
            EXPECT_EQ(window.start, expect) << "round " << round << " span " << span.count();
            EXPECT_EQ(window.got.size(), fixes.size() - expect);
            const bool ordered =
                std::is_sorted(fixes.begin(), fixes.end(),
                               [](const auto& a, const auto& b) { return a.utc < b.utc; });
            if (ordered) {
                EXPECT_EQ(file.FindWindowStart(span), expect) << "round " << round;
            }
        }
    }
}

TEST(TrackFile, AnotherHoldersLockDelaysAnAppendBoundedly)
{
    brine_test::TempFolder dir;
    const fs::path path = dir / "shared.trc";
    CTrackFile mine;
    ASSERT_TRUE(mine.Open(path));
    mine.SetLockWait(milliseconds(200));
    ASSERT_TRUE(mine.Append(Fix(47.5, -122.4, Utc(2024, 1, 1, 0, 0, 0))).Written());
    // Another station's open file description holds the whole file.
    const int other = ::open(path.c_str(), O_RDWR);
    ASSERT_GE(other, 0);
    struct flock fl { };
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    ASSERT_EQ(::fcntl(other, F_OFD_SETLK, &fl), 0);
    const auto started = steady_clock::now();
    const auto result = mine.Append(Fix(47.6, -122.4, Utc(2024, 1, 1, 0, 0, 1)));
    const auto waited = steady_clock::now() - started;
    EXPECT_EQ(result.status, TrackAppendStatus::LockTimedOut);
    EXPECT_NE(result.message.find("shared.trc"), std::string::npos) << result.message;
    EXPECT_GE(waited, milliseconds(190));
    EXPECT_LT(waited, milliseconds(1500));
    EXPECT_EQ(mine.RecordCount(), 1u);
    EXPECT_FALSE(mine.Read(0)) << "readers wait for a writer too";
    fl.l_type = F_UNLCK;
    ASSERT_EQ(::fcntl(other, F_OFD_SETLK, &fl), 0);
    ::close(other);
    EXPECT_TRUE(mine.Append(Fix(47.6, -122.4, Utc(2024, 1, 1, 0, 0, 1))).Written());
    EXPECT_EQ(mine.RecordCount(), 2u);
}

TEST(TrackFile, FixTypeTextsAndLabels)
{
    const struct {
        int code;
        const char* text;
        const char* label;
        bool estimated;
    } rows[] = {
        {1, "VF", "V", false},           {2, "Radar", "R", false},   {3, "Astro", "A", false},
        {4, "EPFS", "G", false},         {5, "USER DR", "DR", true}, {6, "USER EP", "EP", true},
        {7, "SYS DR", "DR", true},       {8, "SYS EP", "EP", true},  {9, "ARPA Target", "", true},
        {10, "Tender Target", "", true}, {11, "Manual", "", true},   {0, "Unknown", "", true},
        {12, "Unknown", "", true},       {-1, "Unknown", "", true}};
    for (const auto& r : rows) {
        EXPECT_EQ(GetFixTypeText(r.code), r.text) << r.code;
        EXPECT_EQ(GetFixLabel(r.code).text, r.label) << r.code;
        EXPECT_EQ(GetFixLabel(r.code).estimated, r.estimated) << r.code;
    }
}

// Opening makes every missing folder level and the file, keeps what a file
// already holds, and a folder that cannot be made fails with the message the
// user is shown and leaves no file.
TEST(TrackFile, OpeningMakesTheFoldersAndNeverTruncates)
{
    brine_test::TempFolder dir;
    const fs::path path = dir.Path() / "a" / "b" / "c" / "00000002.trc";
    {
        CTrackFile file;
        ASSERT_TRUE(file.Open(path));
        ASSERT_TRUE(file.Append({Fix(47.6, -122.4, Utc(2026, 12, 10, 4, 0, 0)),
                                 Fix(47.61, -122.41, Utc(2026, 12, 10, 4, 1, 0))})
                        .Written());
    }
    CTrackFile again;
    ASSERT_TRUE(again.Open(path));
    EXPECT_EQ(again.RecordCount(), 2u);
    EXPECT_EQ(fs::file_size(path), 2 * kTrackRecordSize);
    ASSERT_TRUE(again.ReadLast());
    EXPECT_EQ(again.ReadLast()->latitude, 47.61);

    std::ofstream(dir.Path() / "plain") << "a file where a folder would go";
    const fs::path blocked = dir.Path() / "plain" / "sub" / "00000003.trc";
    CTrackFile refused;
    std::string error;
    EXPECT_FALSE(refused.Open(blocked, &error));
    EXPECT_FALSE(refused.IsOpen());
    EXPECT_EQ(error.rfind("Unable to open Track File:\n\n" + blocked.string(), 0), 0u) << error;
    EXPECT_FALSE(fs::exists(dir.Path() / "plain" / "sub"));
    EXPECT_TRUE(fs::is_regular_file(dir.Path() / "plain"));
}
