#include "platform/Files.h"

#include "ChildProcess.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

using namespace platform;
namespace fs = std::filesystem;

namespace {

void WriteText(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Relative path -> contents (or "->target" for links, "/" for folders).
std::map<std::string, std::string> Listing(const fs::path& root)
{
    std::map<std::string, std::string> out;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const std::string rel = it->path().lexically_relative(root).string();
        if (it->is_symlink())
            out[rel] = "->" + fs::read_symlink(it->path()).string();
        else if (it->is_directory())
            out[rel] = "/";
        else
            out[rel] = ReadText(it->path());
    }
    return out;
}

TEST(FindNoCase, FindsNamesWhateverTheirCase)
{
    brine_test::TempFolder dir;
    WriteText(dir / "Charts.DBF", "a");
    WriteText(dir / "charts.dbf", "b");
    WriteText(dir / "ROUTES.MDX", "c");
    fs::create_directories(dir / "Sub Folder");

    const struct {
        const char* ask;
        const char* found;   // nullptr: nothing
    } cases[] = {
        {"charts.dbf", "charts.dbf"},   // an exact match wins
        {"Charts.DBF", "Charts.DBF"},
        {"CHARTS.dbf", "Charts.DBF"},   // else the first in name order
        {"routes.mdx", "ROUTES.MDX"},
        {"sub folder", "Sub Folder"},
        {"routes.md", nullptr},
        {"", nullptr},
        {"x/routes.mdx", nullptr},
    };
    for (const auto& c : cases) {
        const auto found = FindNoCase(dir.Path(), c.ask);
        if (c.found) {
            ASSERT_TRUE(found) << c.ask;
            EXPECT_EQ(found->filename(), c.found) << c.ask;
        } else {
            EXPECT_FALSE(found) << c.ask;
        }
    }
    EXPECT_FALSE(FindNoCase(dir / "absent", "x"));
}

TEST(FileTrees, CopyMoveAndRemoveKeepEveryEntry)
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
    EXPECT_EQ(ReadText(dir / "copy/a.txt"), "alpha");

    ASSERT_TRUE(MoveTree(dir / "copy", dir / "moved", &error)) << error;
    EXPECT_FALSE(fs::exists(dir / "copy"));
    EXPECT_EQ(Listing(dir / "moved"), original);

    // Across file systems the move copies and then removes the source.
    if (fs::is_directory("/dev/shm")) {
        struct stat a {}, b {};
        ::setenv("TMPDIR", "/dev/shm", 1);
        brine_test::TempFolder shm;
        ::unsetenv("TMPDIR");
        if (::stat(dir.Path().c_str(), &a) == 0 && ::stat(shm.Path().c_str(), &b) == 0 && a.st_dev != b.st_dev) {
            ASSERT_TRUE(MoveTree(dir / "moved", shm / "tree", &error)) << error;
            EXPECT_FALSE(fs::exists(dir / "moved"));
            EXPECT_EQ(Listing(shm / "tree"), original);
        }
    }

    ASSERT_TRUE(RemoveTree(src, &error)) << error;
    EXPECT_FALSE(fs::exists(src));
    EXPECT_TRUE(RemoveTree(src, &error));   // already gone
    EXPECT_FALSE(CopyTree(dir / "absent", dir / "x", &error));
    EXPECT_NE(error.find("absent"), std::string::npos);
    EXPECT_FALSE(MoveTree(dir / "absent", dir / "x", &error));
}

TEST(TempFiles, AreNewPrivateAndNamedWithThePrefix)
{
    brine_test::TempFolder dir;
    auto first = CreateTempFile(dir.Path(), "chart.tmp-");
    auto second = CreateTempFile(dir.Path(), "chart.tmp-");
    ASSERT_TRUE(first && second && first->fd.IsOpen());
    EXPECT_NE(first->path, second->path);
    EXPECT_EQ(first->path.parent_path(), dir.Path());
    EXPECT_EQ(first->path.filename().string().rfind("chart.tmp-", 0), 0u);
    EXPECT_EQ(fs::status(first->path).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    std::string error;
    EXPECT_FALSE(CreateTempFile(dir / "absent", "x", &error));
    EXPECT_FALSE(error.empty());
}

// ---------------------------------------------------------------- range locks

class RangeLockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteText(m_file, std::string(4096, 'r'));
        m_fd = CFileDescriptor(::open(m_file.c_str(), O_RDWR | O_CLOEXEC));
        ASSERT_TRUE(m_fd.IsOpen());
    }

    // In another process, through its own open(): can `kind` be had on the range?
    bool OtherProcessCanLock(std::uint64_t start, std::uint64_t length, LockKind kind)
    {
        const pid_t child = brine_test::ForkChild([&] {
            CFileDescriptor fd(::open(m_file.c_str(), O_RDWR | O_CLOEXEC));
            CFileRangeLock lock;
            if (lock.TryLock(fd.Get(), start, length, kind))
                return 0;
            return lock.LastErrno() == EAGAIN ? 1 : 2;
        });
        const int code = brine_test::WaitChild(child);
        EXPECT_TRUE(code == 0 || code == 1) << "lock call failed: " << code;
        return code == 0;
    }

    brine_test::TempFolder m_dir;
    fs::path m_file = m_dir / "routes.dbf";
    CFileDescriptor m_fd;
};

TEST_F(RangeLockTest, AnotherProcessSeesTheLockOnlyWhereRangesConflict)
{
    CFileRangeLock record;
    ASSERT_TRUE(record.TryLock(m_fd.Get(), 100, 50, LockKind::Exclusive));
    const struct {
        std::uint64_t start, length;
        LockKind kind;
        bool granted;
    } cases[] = {
        {100, 50, LockKind::Exclusive, false},
        {149, 1, LockKind::Shared, false},    // last byte of the range
        {50, 51, LockKind::Shared, false},    // overlaps its first byte
        {150, 10, LockKind::Exclusive, true}, // just after
        {0, 100, LockKind::Exclusive, true},  // just before
        {0, 0, LockKind::Shared, false},      // to the end of the file
    };
    for (const auto& c : cases)
        EXPECT_EQ(OtherProcessCanLock(c.start, c.length, c.kind), c.granted) << c.start << "+" << c.length;

    // Shared locks live side by side; an exclusive one waits for them all.
    CFileRangeLock reader;
    ASSERT_TRUE(reader.TryLock(m_fd.Get(), 1000, 10, LockKind::Shared));
    EXPECT_TRUE(OtherProcessCanLock(1000, 10, LockKind::Shared));
    EXPECT_FALSE(OtherProcessCanLock(1005, 1, LockKind::Exclusive));

    // A lock to the end of the file covers offsets far beyond 4 GiB.
    CFileRangeLock tail;
    ASSERT_TRUE(tail.TryLock(m_fd.Get(), 1ULL << 20, 0, LockKind::Exclusive));
    EXPECT_FALSE(OtherProcessCanLock((1ULL << 40) + 7, 1, LockKind::Shared));

    record.Unlock();
    EXPECT_TRUE(OtherProcessCanLock(100, 50, LockKind::Exclusive));
}

// Locks belong to the open file, not to the process: two opens in one
// process conflict, and closing one descriptor drops no other's lock.
TEST_F(RangeLockTest, SeparateOpensInOneProcessConflictAndDestructorReleases)
{
    CFileDescriptor second(::open(m_file.c_str(), O_RDWR | O_CLOEXEC));
    {
        CFileRangeLock first;
        ASSERT_TRUE(first.TryLock(m_fd.Get(), 0, 10, LockKind::Exclusive));
        CFileRangeLock other;
        EXPECT_FALSE(other.TryLock(second.Get(), 5, 1, LockKind::Shared));
        EXPECT_EQ(other.LastErrno(), EAGAIN);
        EXPECT_FALSE(other.Held());
        EXPECT_TRUE(CFileRangeLock::WouldConflict(second.Get(), 0, 1, LockKind::Shared));
        EXPECT_FALSE(CFileRangeLock::WouldConflict(second.Get(), 10, 1, LockKind::Exclusive));
    }
    EXPECT_FALSE(CFileRangeLock::WouldConflict(second.Get(), 0, 10, LockKind::Exclusive));

    CFileRangeLock bad;
    EXPECT_FALSE(bad.TryLock(m_fd.Get(), 1ULL << 63, 1, LockKind::Shared));
    EXPECT_EQ(bad.LastErrno(), EINVAL);
    EXPECT_FALSE(bad.TryLock(m_fd.Get(), (1ULL << 63) - 2, 5, LockKind::Shared));
}

TEST_F(RangeLockTest, LockWaitsUntilTheHolderLetsGo)
{
    CFileRangeLock held;
    ASSERT_TRUE(held.TryLock(m_fd.Get(), 0, 1, LockKind::Exclusive));
    brine_test::Turn aboutToWait;
    const pid_t child = brine_test::ForkChild([&] {
        CFileDescriptor fd(::open(m_file.c_str(), O_RDWR | O_CLOEXEC));
        CFileRangeLock lock;
        aboutToWait.Post();
        if (!lock.Lock(fd.Get(), 0, 1, LockKind::Exclusive))
            return 1;
        char c = 0;
        // The holder wrote its mark before letting go, so it must be there.
        return ::pread(fd.Get(), &c, 1, 0) == 1 && c == 'W' ? 0 : 2;
    });
    ASSERT_TRUE(aboutToWait.Wait());
    ASSERT_EQ(::pwrite(m_fd.Get(), "W", 1, 0), 1);
    held.Unlock();
    EXPECT_EQ(brine_test::WaitChild(child), 0);
}

// ---------------------------------------------------------------- space and memory

TEST(MemoryStatus, ParsesMeminfoIn64Bits)
{
    constexpr std::uint64_t kB = 1024, GiB = 1ULL << 30;
    const struct {
        const char* name;
        std::string text;
        std::optional<std::uint64_t> total, avail;
        std::uint64_t swapTotal = 0, swapFree = 0;
    } cases[] = {
        {"figures past 32 bits",
         "MemTotal:       67108864 kB\nMemFree:         1000000 kB\nMemAvailable:   50331648 kB\n"
         "SwapTotal:       8388608 kB\nSwapFree:        8388000 kB\nHugePages_Total:       0\n",
         64 * GiB, 48 * GiB, 8 * GiB, 8388000 * kB},
        {"old kernel without MemAvailable", "MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 20 kB\nCached: 30 kB\n",
         1000 * kB, 150 * kB},
        {"no swap lines, CRLF, tabs", "MemTotal:\t2048 kB\r\nMemAvailable:\t1024 kB\r\n", 2048 * kB, 1024 * kB},
        {"no final newline", "MemAvailable: 1 kB\nMemTotal: 2 kB", 2 * kB, 1 * kB},
        {"missing MemTotal", "MemAvailable: 1 kB\n", std::nullopt, std::nullopt},
        {"figure not a number", "MemTotal: lots kB\n", std::nullopt, std::nullopt},
        {"unknown unit", "MemTotal: 12 MB\n", std::nullopt, std::nullopt},
        {"overflowing figure", "MemTotal: 18014398509481984 kB\n", std::nullopt, std::nullopt},
        {"empty", "", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseMemInfo(c.text);
        ASSERT_EQ(parsed.has_value(), c.total.has_value()) << c.name;
        if (parsed) {
            EXPECT_EQ(parsed->totalPhysBytes, *c.total) << c.name;
            EXPECT_EQ(parsed->AvailableBytes(), *c.avail + c.swapFree) << c.name;
            EXPECT_EQ(parsed->totalSwapBytes, c.swapTotal) << c.name;
        }
    }
}

// The live figures of this machine, its disk and this program's own folder.
TEST(ThisMachine, FiguresAreSaneAndMissingPathsRefused)
{
    const auto memory = ReadMemoryStatus();
    ASSERT_TRUE(memory);
    EXPECT_GT(memory->totalPhysBytes, 64ULL << 20);
    EXPECT_LE(memory->availPhysBytes, memory->totalPhysBytes);

    brine_test::TempFolder dir;
    const auto space = GetDiskSpace(dir.Path());
    ASSERT_TRUE(space);
    EXPECT_GT(space->totalBytes, 0u);
    EXPECT_LE(space->freeBytes, space->totalBytes);
    EXPECT_FALSE(GetDiskSpace(dir / "no" / "such"));

    EXPECT_TRUE(fs::exists(ExecutableFolder() / "platform_FilesTest"));
}

}  // namespace
