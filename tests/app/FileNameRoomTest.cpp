// Room for a typed file name: from the system's maxima, never negative, and
// nothing for a folder whose path leaves none; free space and save sizes.
#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <unistd.h>

#include "app/FileNameRoom.h"

namespace {

// A folder of this test's own, removed at the end.
struct Folder {
    std::filesystem::path path;
    Folder()
    {
        path = std::filesystem::temp_directory_path() /
               ("brine-room-" + std::to_string(::getpid()) + "-" + std::to_string(++count));
        std::filesystem::create_directories(path);
    }
    ~Folder() { std::filesystem::remove_all(path); }
    const std::filesystem::path& Path() const { return path; }
    static inline int count = 0;
};

TEST(FileNameRoom, NameRoomComesFromTheSystemsMaximaAndNeverGoesBelowZero)
{
    Folder dir;
    const int room = app::NameRoom(dir.Path(), 4);   // ".rte"
    EXPECT_EQ(room, NAME_MAX - 4);   // a short folder: the name maximum decides
    // A folder path near the path maximum leaves little, then nothing.
    const std::string deep(PATH_MAX - 40, 'd');
    const std::filesystem::path far = dir.Path() / deep;
    const int tight = app::NameRoom(far, 4);
    EXPECT_GE(tight, 0);
    EXPECT_LT(tight, 40);
    EXPECT_EQ(app::NameRoom(dir.Path() / std::string(PATH_MAX, 'x'), 4), 0);
    EXPECT_EQ(app::NameRoom(dir.Path(), 10000), 0);
}

TEST(FileNameRoom, SaveReserveCountsExtensionCompanionsAndSuffix)
{
    EXPECT_EQ(app::SaveReserve("rte", false, 0, 0), 4);
    EXPECT_EQ(app::SaveReserve("", false, 0, 0), 0);
    EXPECT_EQ(app::SaveReserve("dbf", true, 3, 0), 4 + 3 + 9 + 9 + 11);
    EXPECT_EQ(app::SaveReserve("dbf", false, 0, 6), 10);
}

TEST(FileNameRoom, FreeSpaceAndTheSizeOfWhatASaveWrites)
{
    Folder dir;
    std::filesystem::create_directories(dir.Path() / "sub");
    std::ofstream(dir.Path() / "voyage.dbf") << std::string(1000, 'a');
    std::ofstream(dir.Path() / "sub" / "voyage.mdx") << std::string(500, 'b');
    std::ofstream(dir.Path() / "voyages.dbf") << std::string(70, 'c');   // another name
    EXPECT_EQ(app::FilesSize(dir.Path(), "voyage"), 1500u);
    EXPECT_EQ(app::FilesSize(dir.Path() / "none", "voyage"), 0u);
    const auto free = app::FreeBytes(dir.Path());
    ASSERT_TRUE(free);
    EXPECT_GT(*free, 0u);
    EXPECT_FALSE(app::FreeBytes(dir.Path() / "none"));
}

}   // namespace
