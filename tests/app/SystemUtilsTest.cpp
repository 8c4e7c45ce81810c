#include "app/SystemUtils.h"
#include "app/MediaFileType.h"

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

// Attachments are opened by the kind their extension names, case and blanks around the name
// aside; a dot in a folder name is no extension.
TEST(SystemUtils, MediaFileKindsByExtension)
{
    using app::MediaFileType;
    const std::pair<const char*, MediaFileType> names[] = {
        {"Picture.JPG", MediaFileType::Image},        {"  scan.tif  ", MediaFileType::Image},
        {"chart.bmp", MediaFileType::Image},          {"photo.tga", MediaFileType::Image},
        {"plan.pcx", MediaFileType::Image},           {"clip.AVI", MediaFileType::Video},
        {"alarm.wav", MediaFileType::Wave},           {"tune.mid", MediaFileType::Midi},
        {"notes.txt", MediaFileType::Other},          {"README", MediaFileType::Other},
        {"C:\\pics.jpg\\scan", MediaFileType::Other},
    };
    for (const auto& [name, kind] : names)
        EXPECT_EQ(app::GetMediaFileType(name), kind) << name;
}

TEST(SystemUtils, DisplayForms)
{
    const std::pair<double, const char*> bearings[] = {
        {0.4, "000"},    {0.49, "000"}, {359.6, "000"}, {359.5, "000"}, {5.2, "005"},
        {359.49, "359"}, {45.7, "046"}, {180.0, "180"}, {-5.0, "000"},  {NAN, "000"},
    };
    for (const auto& [v, text] : bearings)
        EXPECT_EQ(app::FormatBearing(v), text) << v;

    const std::pair<double, const char*> distances[] = {
        {9.999, "10.00"}, {10.0, "10.0"}, {99.96, "100.0"},
        {100.0, "100"},   {0.0, "0.00"},  {1234.4, "1234"},
    };
    for (const auto& [v, text] : distances)
        EXPECT_EQ(app::FormatDistance(v), text) << v;
}

// Without a window system the desktop facts read as "none" and no sound is tried.
TEST(SystemUtils, DesktopFactsWithoutAWindowSystem)
{
    app::CNoDesktop none;
    EXPECT_EQ(none.ScreenBitsPerPixel(), 0);
    EXPECT_EQ(none.ScreenWidth(), -1);
    EXPECT_FALSE(none.HasStaticSystemColours());
    EXPECT_FALSE(none.PlaySoundFile("alarm.wav", false));
    none.StopSound();
    none.PumpMessages();
}

TEST(SystemUtils, VersionAndMemoryFigures)
{
    EXPECT_EQ(app::GetFileVersionString("ProductName"), "Brinevane");
    EXPECT_EQ(app::GetFileVersionString("NoSuchValue"), "");
    EXPECT_NE(app::GetOSName(), "Unknown");

    // Whole 64-bit figures: the machines this runs on have more than 4 GiB.
    const std::uint64_t total = app::GetTotalMemory();
    EXPECT_GT(total, 0u);
    EXPECT_LE(app::GetAvailableMemory(), total);
    EXPECT_LE(static_cast<unsigned>(app::GetMemoryLoad()), 100u);
}

TEST(SystemUtils, PathTextChecks)
{
    const std::pair<const char*, bool> rows[] = {{"\\\\server\\share", true},
                                                 {"//server/share", true},
                                                 {"\\folder", false},
                                                 {"C:\\x", false},
                                                 {"", false},
                                                 {"/", false}};
    for (const auto& [path, unc] : rows)
        EXPECT_EQ(app::IsUncPath(path), unc) << path;
    EXPECT_EQ(app::ToNativePath("Charts\\UK\\a.b"), fs::path("Charts/UK/a.b"));
    EXPECT_FALSE(app::ConnectNetworkDrive("\\\\server\\share"));
}

TEST_F(SystemUtilsFiles, DiskSpaceOfEmptyAndMissingPaths)
{
    EXPECT_EQ(app::GetDiskFreeMegabytes(""), 0u);
    std::uint64_t total = 0, free = 0;
    EXPECT_FALSE(app::GetDiskFreeSpaceOf("", total, free));
    // A folder still to be created is measured on the volume that will hold it.
    ASSERT_TRUE(app::GetDiskFreeSpaceOf(m_root / "not" / "yet", total, free));
    EXPECT_GT(total, 0u);
    EXPECT_LE(free, total);
    EXPECT_EQ(app::GetDiskFreeMegabytes(m_root), app::GetDiskFreeBytes(m_root) >> 20);
}

TEST_F(SystemUtilsFiles, FoldersAndAncestors)
{
    const fs::path deep = m_root / "a" / "b" / "c";
    EXPECT_EQ(app::GetExistingAncestor(deep / "file.dbf"), m_root);
    EXPECT_TRUE(app::CreateFolderPath(deep.string() + "/"));
    EXPECT_TRUE(app::FolderExists(deep));
    EXPECT_TRUE(app::IsFolderEmpty(deep));
    EXPECT_FALSE(app::IsFolderEmpty(m_root / "a"));

    Write(m_root / "file", 1);
    EXPECT_FALSE(app::CreateFolderPath(m_root / "file" / "sub"));   // a file in the way
    EXPECT_FALSE(app::FolderExists(m_root / "file"));

    const fs::path chosen = app::EnsureFolder(m_root / "file" / "data", m_root / "fallback");
    EXPECT_EQ(chosen, m_root / "fallback");
    EXPECT_TRUE(app::FolderExists(chosen));
    EXPECT_EQ(app::EnsureFolder(m_root / "file" / "x", m_root / "file" / "y"), fs::path());
}

TEST_F(SystemUtilsFiles, MasksMatchWithoutCase)
{
    Write(m_root / "a.DBF", 10);
    Write(m_root / "b.dbf", 20);
    Write(m_root / "README", 5);
    Write(m_root / "sub" / "c.dbf", 7);
    Write(m_root / "sub" / "deeper" / "d.txt", 3);
    fs::create_directories(m_root / "x.dbf");   // a folder that matches the mask

    EXPECT_TRUE(app::FileExists(m_root / "*.dbf"));
    EXPECT_TRUE(app::FileExists(m_root / "?.Dbf"));
    EXPECT_FALSE(app::FileExists(m_root / "*.mdx"));

    EXPECT_EQ(app::GetFolderSize(m_root, "*.dbf", false), 30u);
    EXPECT_EQ(app::GetFolderSize(m_root, "*.*", false), 35u);   // names without a dot too
    EXPECT_EQ(app::GetFolderSize(m_root, "*.dbf", true), 40u);   // subfolders count whole

    EXPECT_TRUE(app::DeleteFilesByMask(m_root / "*.DBF"));
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
        ASSERT_EQ(app::MakeTempFileName(m_root, "nav", name), 0);
        EXPECT_EQ(name.filename().string().rfind("~nav", 0), 0u);
        EXPECT_EQ(name.extension(), ".tmp");
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 50u);
    Write(m_root / "OLD.TMP", 1);
    Write(m_root / "keep.tmpx", 1);
    fs::path none;
    EXPECT_NE(app::MakeTempFileName(m_root / "missing", "x", none), 0);

    app::DeleteTempFiles(m_root);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_root), fs::directory_iterator()), 1);
    EXPECT_TRUE(fs::exists(m_root / "keep.tmpx"));
}

TEST_F(SystemUtilsFiles, MoveFolderNeverDestroysTheDataItMoves)
{
    Write(m_root / "old" / "log.dbf", 4);
    Write(m_root / "old" / "sub" / "memo.dbt", 2);
    Write(m_root / "new" / "stale.dbf", 1);

    // Into itself, or its parent into it: refused, everything where it was.
    EXPECT_FALSE(app::MoveFolder(m_root / "old", m_root / "old" / "inner"));
    EXPECT_FALSE(app::MoveFolder(m_root / "old" / "sub", m_root / "old"));
    EXPECT_FALSE(app::MoveFolder(m_root / "absent", m_root / "new"));
    EXPECT_TRUE(fs::exists(m_root / "old" / "sub" / "memo.dbt"));
    EXPECT_TRUE(fs::exists(m_root / "new" / "stale.dbf"));

    EXPECT_TRUE(app::MoveFolder(m_root / "old", m_root / "old/"));   // same folder: nothing to do
    EXPECT_TRUE(app::MoveFolder(m_root / "old", m_root / "new"));
    EXPECT_FALSE(fs::exists(m_root / "old"));
    EXPECT_TRUE(fs::exists(m_root / "new" / "log.dbf"));
    EXPECT_TRUE(fs::exists(m_root / "new" / "sub" / "memo.dbt"));
    EXPECT_FALSE(fs::exists(m_root / "new" / "stale.dbf"));   // the target was emptied first

    EXPECT_TRUE(app::CopyFolderTree(m_root / "new", m_root / "copy"));
    EXPECT_TRUE(fs::exists(m_root / "copy" / "sub" / "memo.dbt"));
    EXPECT_TRUE(app::RemoveFolderTree(m_root / "copy"));
    EXPECT_FALSE(fs::exists(m_root / "copy"));
}

TEST_F(SystemUtilsFiles, SerialPortPresenceNeedsADeviceThatOpens)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string slave = ptsname(master);
    EXPECT_TRUE(app::IsComPortPresent(slave));
    close(master);

    Write(m_root / "ttyFake", 1);
    EXPECT_FALSE(app::IsComPortPresent(m_root / "ttyFake"));   // a plain file is no port
    EXPECT_FALSE(app::IsComPortPresent(m_root / "ttyUSB9"));
}

TEST_F(SystemUtilsFiles, ReadOnlyStatusRenameAndTempNames)
{
    EXPECT_TRUE(app::IsReadOnlyPath(""));
    EXPECT_FALSE(app::IsReadOnlyPath(m_root / "to" / "be" / "made"));
    EXPECT_TRUE(app::CreateFolderPath(m_root));   // every level there: nothing made, true
    EXPECT_TRUE(app::IsValidFolderPath(m_root));
    EXPECT_FALSE(app::IsValidFolderPath(""));

    Write(m_root / "a.dbf", 12);
    app::FileStatus status;
    ASSERT_TRUE(app::GetFileStatus(m_root / "a.dbf", status));
    EXPECT_EQ(status.size, 12u);
    EXPECT_FALSE(status.directory);
    EXPECT_GT(status.modified, 0);
    EXPECT_FALSE(app::GetFileStatus(m_root / "none", status));

    EXPECT_TRUE(app::RenameFile(m_root / "a.dbf", m_root / "b.dbf"));
    EXPECT_TRUE(fs::exists(m_root / "b.dbf"));
    EXPECT_FALSE(app::RenameFile(m_root / "a.dbf", m_root / "c.dbf"));

    const fs::path temp = app::GetTempFileNameIn(m_root, "cp");
    EXPECT_EQ(temp.filename().string().rfind("~cp", 0), 0u) << temp;
    EXPECT_TRUE(fs::exists(temp));
    EXPECT_EQ(app::GetTempFileNameIn(m_root / "missing", "cp"), fs::path());
}

}   // namespace
