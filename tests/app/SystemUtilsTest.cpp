#include "app/SystemUtils.h"

#include <gtest/gtest.h>

#include "../support/TempFolder.h"

#include <cmath>
#include <fcntl.h>
#include <fstream>
#include <set>
#include <stdlib.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class SystemUtilsFiles : public testing::Test {
protected:
    void Write(const fs::path& p, size_t bytes)
    {
        fs::create_directories(p.parent_path());
        std::ofstream(p) << std::string(bytes, 'x');
    }

    brine_test::TempFolder m_dir;
    const fs::path m_root = m_dir.Path();
};

TEST(SystemUtils, DisplayForms)
{
    struct Bearing { double v; const char* text; };
    const Bearing bearings[] = {
        {0.4, "000"}, {0.49, "000"}, {359.6, "000"}, {359.5, "000"}, {5.2, "005"},
        {359.49, "359"}, {45.7, "046"}, {180.0, "180"}, {-5.0, "000"}, {NAN, "000"},
    };
    for (const Bearing& b : bearings)
        EXPECT_EQ(FormatBearing(b.v), b.text) << b.v;

    struct Distance { double v; const char* text; };
    const Distance distances[] = {
        {9.999, "10.00"}, {10.0, "10.0"}, {99.96, "100.0"}, {100.0, "100"}, {0.0, "0.00"}, {1234.4, "1234"},
    };
    for (const Distance& d : distances)
        EXPECT_EQ(FormatDistance(d.v), d.text) << d.v;
}

TEST(SystemUtils, DesktopFactsWithAndWithoutAWindowSystem)
{
    EXPECT_EQ(GetScreenBitsPerPixel(), 0);
    EXPECT_EQ(GetScreenWidth(), -1);
    EXPECT_EQ(GetScreenHeight(), -1);
    EXPECT_FALSE(HasStaticSystemColours());
    EXPECT_FALSE(PlayAlertSound("alarm.wav", false));
    StopSound();
    PumpMessages();

    struct Fake : CDesktop {
        bool wave = false;
        int played = 0, stopped = 0;
        int ScreenBitsPerPixel() const override { return 32; }
        int ScreenWidth() const override { return 1024; }
        int ScreenHeight() const override { return 560; }
        bool HasStaticSystemColours() const override { return true; }
        bool IsPrinterInstalled() const override { return false; }
        bool IsMousePresent() const override { return true; }
        bool AreMouseButtonsSwapped() const override { return false; }
        bool HasWaveDevice() const override { return wave; }
        bool PlaySoundFile(const fs::path&, bool) override { return ++played > 0; }
        void StopSound() override { ++stopped; }
        void PumpMessages() override {}
    } fake;
    SetDesktop(&fake);
    EXPECT_EQ(GetScreenWidth(), 1024);
    EXPECT_FALSE(PlayAlertSound("alarm.wav", true));   // no sound output: not even tried
    StopSound();
    EXPECT_EQ(fake.played + fake.stopped, 0);
    fake.wave = true;
    EXPECT_TRUE(PlayAlertSound("alarm.wav", true));
    StopSound();
    EXPECT_EQ(fake.stopped, 1);
    SetDesktop(nullptr);
    EXPECT_EQ(GetScreenBitsPerPixel(), 0);
}

TEST(SystemUtils, VersionAndMemoryFigures)
{
    EXPECT_EQ(GetFileVersionString("ProductName"), "Brinevane");
    EXPECT_EQ(GetFileVersionString("NoSuchValue"), "");
    EXPECT_NE(GetOSName(), "Unknown");

    // Whole 64-bit figures: the machines this runs on have more than 4 GiB.
    const std::uint64_t total = GetTotalMemory();
    const std::uint64_t avail = GetAvailableMemory();
    EXPECT_GT(total, 0u);
    EXPECT_LE(avail, total);
    const int load = GetMemoryLoad();
    EXPECT_GE(load, 0);
    EXPECT_LE(load, 100);
}

TEST(SystemUtils, PathTextChecks)
{
    struct Row { const char* path; bool unc; };
    const Row rows[] = {{"\\\\server\\share", true}, {"//server/share", true}, {"\\folder", false},
                        {"C:\\x", false}, {"", false}, {"/", false}};
    for (const Row& r : rows)
        EXPECT_EQ(IsUncPath(r.path), r.unc) << r.path;
    EXPECT_EQ(ToNativePath("Charts\\UK\\a.b"), fs::path("Charts/UK/a.b"));
    EXPECT_FALSE(ConnectNetworkDrive("\\\\server\\share"));
}

TEST_F(SystemUtilsFiles, DiskSpaceOfEmptyAndMissingPaths)
{
    EXPECT_EQ(GetDiskFreeMegabytes(""), 0u);
    std::uint64_t total = 0, free = 0;
    EXPECT_FALSE(GetDiskFreeSpaceOf("", total, free));
    // A folder still to be created is measured on the volume that will hold it.
    ASSERT_TRUE(GetDiskFreeSpaceOf(m_root / "not" / "yet", total, free));
    EXPECT_GT(total, 0u);
    EXPECT_LE(free, total);
    EXPECT_EQ(GetDiskFreeMegabytes(m_root), GetDiskFreeBytes(m_root) >> 20);
}

TEST_F(SystemUtilsFiles, FoldersAndAncestors)
{
    const fs::path deep = m_root / "a" / "b" / "c";
    EXPECT_EQ(GetExistingAncestor(deep / "file.dbf"), m_root);
    EXPECT_TRUE(CreateFolderPath(deep.string() + "/"));
    EXPECT_TRUE(FolderExists(deep));
    const auto stamp = fs::last_write_time(deep);
    EXPECT_TRUE(CreateFolderPath(deep));   // all levels exist: nothing made, still true
    EXPECT_EQ(fs::last_write_time(deep), stamp);
    EXPECT_TRUE(IsFolderEmpty(deep));
    EXPECT_TRUE(IsFolderEmpty(m_root / "missing"));
    EXPECT_FALSE(IsFolderEmpty(m_root / "a"));

    Write(m_root / "file", 1);
    EXPECT_FALSE(CreateFolderPath(m_root / "file" / "sub"));   // a file in the way
    EXPECT_FALSE(FolderExists(m_root / "file"));
    EXPECT_TRUE(FileExists(m_root / "file"));

    EXPECT_TRUE(IsReadOnlyPath(""));
    EXPECT_FALSE(IsReadOnlyPath(deep / "new" / "x"));
    EXPECT_FALSE(IsValidFolderPath(""));
    EXPECT_TRUE(IsValidFolderPath(m_root / "missing"));

    std::string label;
    EXPECT_FALSE(GetVolumeLabel("", label));
    EXPECT_TRUE(GetVolumeLabel(deep, label));
    EXPECT_FALSE(label.empty());

    const fs::path chosen = EnsureFolder(m_root / "file" / "data", m_root / "fallback");
    EXPECT_EQ(chosen, m_root / "fallback");
    EXPECT_TRUE(FolderExists(chosen));
    EXPECT_EQ(EnsureFolder(m_root / "file" / "x", m_root / "file" / "y"), fs::path());
}

TEST_F(SystemUtilsFiles, MasksMatchWithoutCase)
{
    Write(m_root / "a.DBF", 10);
    Write(m_root / "b.dbf", 20);
    Write(m_root / "README", 5);
    Write(m_root / "sub" / "c.dbf", 7);
    Write(m_root / "sub" / "deeper" / "d.txt", 3);
    fs::create_directories(m_root / "x.dbf");   // a folder that matches the mask

    EXPECT_TRUE(FileExists(m_root / "*.dbf"));
    EXPECT_TRUE(FileExists(m_root / "?.Dbf"));
    EXPECT_FALSE(FileExists(m_root / "*.mdx"));
    EXPECT_TRUE(FileExists(m_root / "READ*"));

    EXPECT_EQ(GetFolderSize(m_root, "*.dbf", false), 30u);
    EXPECT_EQ(GetFolderSize(m_root, "*.*", false), 35u);   // names without a dot too
    EXPECT_EQ(GetFolderSize(m_root, "*.dbf", true), 40u);  // subfolders count whole
    EXPECT_EQ(GetFolderSize(m_root / "missing", "*.*", true), 0u);

    EXPECT_TRUE(DeleteFilesByMask(m_root / "*.DBF"));
    EXPECT_FALSE(fs::exists(m_root / "a.DBF"));
    EXPECT_FALSE(fs::exists(m_root / "b.dbf"));
    EXPECT_TRUE(fs::exists(m_root / "README"));
    EXPECT_TRUE(fs::is_directory(m_root / "x.dbf"));
    EXPECT_TRUE(fs::exists(m_root / "sub" / "c.dbf"));
}

TEST_F(SystemUtilsFiles, TempFilesAreUniqueAndCleanedByExtension)
{
    std::set<fs::path> names;
    for (int i = 0; i < 50; ++i) {
        fs::path name;
        ASSERT_EQ(MakeTempFileName(m_root, "nav", name), 0);
        EXPECT_EQ(name.filename().string().rfind("~nav", 0), 0u);
        EXPECT_EQ(name.extension(), ".tmp");
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 50u);
    Write(m_root / "OLD.TMP", 1);
    Write(m_root / "keep.tmpx", 1);
    fs::path none;
    EXPECT_NE(MakeTempFileName(m_root / "missing", "x", none), 0);
    EXPECT_EQ(GetTempFileNameIn(m_root / "missing", "x"), fs::path());

    DeleteTempFiles(m_root);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_root), fs::directory_iterator()), 1);
    EXPECT_TRUE(fs::exists(m_root / "keep.tmpx"));
}

TEST_F(SystemUtilsFiles, MoveFolderNeverDestroysTheDataItMoves)
{
    Write(m_root / "old" / "log.dbf", 4);
    Write(m_root / "old" / "sub" / "memo.dbt", 2);
    Write(m_root / "new" / "stale.dbf", 1);

    // Into itself, or its parent into it: refused, everything where it was.
    EXPECT_FALSE(MoveFolder(m_root / "old", m_root / "old" / "inner"));
    EXPECT_FALSE(MoveFolder(m_root / "old" / "sub", m_root / "old"));
    EXPECT_FALSE(MoveFolder(m_root / "absent", m_root / "new"));
    EXPECT_TRUE(fs::exists(m_root / "old" / "sub" / "memo.dbt"));
    EXPECT_TRUE(fs::exists(m_root / "new" / "stale.dbf"));

    EXPECT_TRUE(MoveFolder(m_root / "old", m_root / "old/"));   // same folder: nothing to do
    EXPECT_TRUE(MoveFolder(m_root / "old", m_root / "new"));
    EXPECT_FALSE(fs::exists(m_root / "old"));
    EXPECT_TRUE(fs::exists(m_root / "new" / "log.dbf"));
    EXPECT_TRUE(fs::exists(m_root / "new" / "sub" / "memo.dbt"));
    EXPECT_FALSE(fs::exists(m_root / "new" / "stale.dbf"));   // the target was emptied first

    EXPECT_TRUE(CopyFolderTree(m_root / "new", m_root / "copy"));
    EXPECT_TRUE(fs::exists(m_root / "copy" / "sub" / "memo.dbt"));
    EXPECT_TRUE(RemoveFolderTree(m_root / "copy"));
    EXPECT_FALSE(fs::exists(m_root / "copy"));

    FileStatus st;
    ASSERT_TRUE(GetFileStatus(m_root / "new" / "log.dbf", st));
    EXPECT_EQ(st.size, 4u);
    EXPECT_FALSE(st.directory);
    EXPECT_FALSE(GetFileStatus(m_root / "none", st));
    EXPECT_TRUE(RenameFile(m_root / "new" / "log.dbf", m_root / "new" / "log2.dbf"));
    EXPECT_FALSE(RenameFile(m_root / "new" / "log.dbf", m_root / "new" / "log3.dbf"));
}

TEST_F(SystemUtilsFiles, SerialPortPresenceNeedsADeviceThatOpens)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string slave = ptsname(master);
    EXPECT_TRUE(IsComPortPresent(slave));
    close(master);

    Write(m_root / "ttyFake", 1);
    EXPECT_FALSE(IsComPortPresent(m_root / "ttyFake"));   // a plain file is no port
    EXPECT_FALSE(IsComPortPresent(m_root / "ttyUSB9"));
    EXPECT_FALSE(IsComPortPresent(""));
}

}  // namespace
