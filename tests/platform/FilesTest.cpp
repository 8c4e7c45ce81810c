#include "platform/Files.h"

#include "ChildProcess.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <tuple>

using namespace platform;
namespace fs = std::filesystem;

namespace {

void WriteText(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// Relative path -> contents (or "->target" for links, "/" for folders).
std::map<std::string, std::string> Listing(const fs::path& root)
{
    std::map<std::string, std::string> out;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        std::ostringstream text;
        if (it->is_symlink())
            text << "->" << fs::read_symlink(it->path()).string();
        else if (!it->is_directory())
            text << std::ifstream(it->path(), std::ios::binary).rdbuf();
        out[it->path().lexically_relative(root).string()] = it->is_directory() ? "/" : text.str();
    }
    return out;
}

TEST(FindNoCase, FindsNamesWhateverTheirCase)
{
    brine_test::TempFolder dir;
    for (const char* name : {"Charts.DBF", "charts.dbf", "ROUTES.MDX", "Sub Folder/x"})
        WriteText(dir / name, name);
    const struct {
        const char* ask;
        const char* found;
    } cases[] = {
        // found "": nothing
        {"charts.dbf", "charts.dbf"}, {"Charts.DBF", "Charts.DBF"},   // an exact match wins
        {"CHARTS.dbf", "Charts.DBF"},   // else the first in name order
        {"routes.mdx", "ROUTES.MDX"}, {"sub folder", "Sub Folder"}, {"routes.md", ""}, {"", ""},
        {"x/routes.mdx", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindNoCase(dir.Path(), c.ask).value_or("").filename().string(), c.found) << c.ask;
    EXPECT_FALSE(FindNoCase(dir / "absent", "x"));
}

TEST(FileTrees, CopyMoveRemoveAndTempFiles)
{
    brine_test::TempFolder dir;
    const fs::path src = dir / "src";
    WriteText(src / "a.txt", "alpha");
    WriteText(src / "deep/er/b.bin", std::string("\0\xff\n", 3));
    fs::create_directories(src / "empty");
    fs::create_symlink("a.txt", src / "link");
    const auto original = Listing(src);
    std::string error;
    ASSERT_TRUE(CopyTree(src, dir / "copy", &error)) << error;
    EXPECT_EQ(Listing(dir / "copy"), original);
    // Copying again over a changed copy restores the source's files.
    WriteText(dir / "copy/a.txt", "changed");
    ASSERT_TRUE(CopyTree(src, dir / "copy", &error)) << error;
    EXPECT_EQ(Listing(dir / "copy"), original);
    // A move within the file system, then across to /dev/shm, where it copies and removes.
    ::setenv("TMPDIR", fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp", 1);
    brine_test::TempFolder shm;
    ::unsetenv("TMPDIR");
    fs::path from = dir / "copy";
    for (const fs::path& to : {dir / "moved", shm / "tree"}) {
        ASSERT_TRUE(MoveTree(from, to, &error)) << error;
        EXPECT_FALSE(fs::exists(from));
        EXPECT_EQ(Listing(to), original);
        from = to;
    }
    ASSERT_TRUE(RemoveTree(src, &error) && !fs::exists(src)) << error;
    EXPECT_TRUE(RemoveTree(src, &error));   // already gone
    EXPECT_FALSE(MoveTree(src, dir / "x", &error) || CopyTree(src, dir / "x", &error));
    EXPECT_NE(error.find("src"), std::string::npos);

    // Temporary files are new, private and named with the prefix.
    auto first = CreateTempFile(dir.Path(), "chart.tmp-"),
         second = CreateTempFile(dir.Path(), "chart.tmp-");
    ASSERT_TRUE(first && second && first->fd.IsOpen() && first->path != second->path);
    EXPECT_EQ(first->path.parent_path() / first->path.filename().string().substr(0, 10),
              dir / "chart.tmp-");
    EXPECT_EQ(fs::status(first->path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_FALSE(CreateTempFile(dir / "absent", "x"));
}

// A sweep of leftovers takes the temp files that killed writes left, and
// only those: a temp file being written (locked), the target itself, other
// targets' temps and names that merely look alike stay.
TEST(FileTrees, LeftoverTempFilesGoAndLiveOnesStay)
{
    brine_test::TempFolder dir;
    WriteText(dir / "00000001.hdr", "row");
    WriteText(dir / "00000001.hdr.tmp-a1B2c3", "cut short");
    WriteText(dir / "notes.txt.tmp-a1B2c3", "another target's");
    WriteText(dir / "00000002.hdr.tmp-toolong1", "not our pattern");
    auto live = CreateLockedTempFile(dir.Path(), "00000003.hdr.tmp-");
    ASSERT_TRUE(live);
    const auto hdr = [](std::string_view target) { return target.ends_with(".hdr"); };
    EXPECT_EQ(RemoveLeftoverTempFiles(dir.Path(), hdr), 1u);
    EXPECT_FALSE(fs::exists(dir / "00000001.hdr.tmp-a1B2c3"));
    for (const char* stays : {"00000001.hdr", "notes.txt.tmp-a1B2c3", "00000002.hdr.tmp-toolong1"})
        EXPECT_TRUE(fs::exists(dir / stays)) << stays;
    EXPECT_TRUE(fs::exists(live->path)) << "a write under way keeps its temp file";
    // Its writer gone, the same file is a leftover.
    live->fd.Close();
    EXPECT_EQ(RemoveLeftoverTempFiles(dir.Path(), hdr), 1u);
    EXPECT_FALSE(fs::exists(live->path));
    // An atomic write finds its way through a sweep and leaves no temp file.
    ASSERT_TRUE(WriteFileAtomically(dir / "00000004.hdr", "whole"));
    EXPECT_EQ(RemoveLeftoverTempFiles(dir.Path(), hdr), 0u);
}

// Locks belong to the open file, not to the process: separate opens conflict
// where their ranges meet, in this process or another.
TEST(RangeLocks, ConflictOnlyWhereRangesMeet)
{
    brine_test::TempFolder dir;
    WriteText(dir / "routes.dbf", std::string(4096, 'r'));
    const auto open = [&] {
        return CFileDescriptor(::open((dir / "routes.dbf").c_str(), O_RDWR | O_CLOEXEC));
    };
    // In another process, through its own open(): can `kind` be had on the range?
    const auto otherCanLock = [&](std::uint64_t start, std::uint64_t length, LockKind kind) {
        const int code = brine_test::WaitChild(brine_test::ForkChild([&] {
            CFileRangeLock lock;
            return lock.TryLock(open().Get(), start, length, kind) ? 0
                   : lock.LastErrno() == EAGAIN                    ? 1
                                                                   : 2;
        }));
        EXPECT_TRUE(code == 0 || code == 1) << "lock call failed: " << code;
        return code == 0;
    };
    CFileDescriptor fd = open(), second = open();
    CFileRangeLock record, reader, tail, other;
    ASSERT_TRUE(record.TryLock(fd.Get(), 100, 50, LockKind::Exclusive));
    ASSERT_TRUE(reader.TryLock(fd.Get(), 1000, 10, LockKind::Shared));
    ASSERT_TRUE(
        tail.TryLock(fd.Get(), 1ULL << 20, 0, LockKind::Exclusive));   // to the end of the file
    const struct {
        std::uint64_t start, length;
        LockKind kind;
        bool granted;
    } cases[] = {
        {100, 50, LockKind::Exclusive, false},
        {149, 1, LockKind::Shared, false},   // last byte of the range
        {50, 51, LockKind::Shared, false},   // overlaps its first byte
        {150, 10, LockKind::Exclusive, true},
        {0, 100, LockKind::Exclusive, true},   // just after, just before
        {0, 0, LockKind::Shared, false},   // to the end of the file
        {1000, 10, LockKind::Shared, true},
        {1005, 1, LockKind::Exclusive, false},   // shared beside shared only
        {(1ULL << 40) + 7, 1, LockKind::Shared, false},   // far beyond 4 GiB
    };
    for (const auto& c : cases) {
        EXPECT_EQ(otherCanLock(c.start, c.length, c.kind), c.granted) << c.start << "+" << c.length;
        EXPECT_EQ(!CFileRangeLock::WouldConflict(second.Get(), c.start, c.length, c.kind),
                  c.granted)
            << c.start;
    }
    EXPECT_FALSE(other.TryLock(second.Get(), 149, 1, LockKind::Shared) || other.Held());
    open();   // another descriptor, closed at once, drops no lock
    EXPECT_FALSE(otherCanLock(100, 50, LockKind::Shared));
    record.Unlock();
    EXPECT_TRUE(otherCanLock(100, 50, LockKind::Exclusive));
    EXPECT_FALSE(other.TryLock(fd.Get(), 1ULL << 63, 1, LockKind::Shared));   // offsets past off_t
    EXPECT_EQ(other.LastErrno(), EINVAL);
    EXPECT_FALSE(other.TryLock(fd.Get(), (1ULL << 63) - 2, 5, LockKind::Shared));

    // A waiting locker gets the range once the holder lets go, and sees what it wrote.
    {
        CFileRangeLock scoped;
        ASSERT_TRUE(scoped.TryLock(fd.Get(), 2000, 1, LockKind::Exclusive));
    }
    EXPECT_FALSE(CFileRangeLock::WouldConflict(second.Get(), 2000, 1,
                                               LockKind::Exclusive));   // the destructor let go
    ASSERT_TRUE(record.TryLock(fd.Get(), 0, 1, LockKind::Exclusive));
    brine_test::Turn aboutToWait;
    const pid_t child = brine_test::ForkChild([&] {
        CFileDescriptor mine = open();
        CFileRangeLock lock;
        aboutToWait.Post();
        char c = 0;
        return !lock.Lock(mine.Get(), 0, 1, LockKind::Exclusive) ? 1
               : ::pread(mine.Get(), &c, 1, 0) == 1 && c == 'W'  ? 0
                                                                 : 2;
    });
    ASSERT_TRUE(aboutToWait.Wait());
    ASSERT_EQ(::pwrite(fd.Get(), "W", 1, 0), 1);
    record.Unlock();
    EXPECT_EQ(brine_test::WaitChild(child), 0);
}

// ---------------------------------------------------------------- space and memory

TEST(MemoryStatus, ParsesMeminfoIn64Bits)
{
    constexpr std::uint64_t kB = 1024, GiB = 1ULL << 30;
    const struct {
        std::string text;
        std::optional<std::uint64_t> total;
        std::uint64_t avail = 0, swapTotal = 0;
    } cases[] = {
        {"MemTotal:       67108864 kB\nMemFree:         1000000 kB\nMemAvailable:   50331648 kB\n"
         "SwapTotal:       8388608 kB\nSwapFree:        8388000 kB\nHugePages_Total:       0\n",
         64 * GiB, 48 * GiB + 8388000 * kB, 8 * GiB},   // past 32 bits
        {"MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 20 kB\nCached: 30 kB\n", 1000 * kB,
         150 * kB},   // no MemAvailable
        {"MemTotal:\t2048 kB\r\nMemAvailable:\t1024 kB", 2048 * kB,
         1024 * kB},   // CRLF, tabs, no last line end
        {"MemAvailable: 1 kB\n", std::nullopt},
        {"MemTotal: 12 MB\n", std::nullopt},
        {"MemTotal: 18014398509481984 kB\n", std::nullopt},
        {"", std::nullopt},   // overflow, empty
    };
    for (const auto& c : cases) {
        const auto parsed = ParseMemInfo(c.text);
        ASSERT_EQ(parsed.has_value(), c.total.has_value()) << c.text;
        if (!parsed)
            continue;
        EXPECT_EQ(
            std::tuple(parsed->totalPhysBytes, parsed->AvailableBytes(), parsed->totalSwapBytes),
            std::tuple(*c.total, c.avail, c.swapTotal))
            << c.text;
    }
    // The live figures of this machine and its disk.
    const auto memory = ReadMemoryStatus();
    ASSERT_TRUE(memory && memory->totalPhysBytes > (64ULL << 20));
    EXPECT_LE(memory->availPhysBytes, memory->totalPhysBytes);
    const auto space = GetDiskSpace(ExecutableFolder() / "platform_FilesTest");
    ASSERT_TRUE(space && space->totalBytes > 0);
    EXPECT_LE(space->freeBytes, space->totalBytes);
    EXPECT_FALSE(GetDiskSpace(ExecutableFolder() / "no" / "such"));
}

}   // namespace
