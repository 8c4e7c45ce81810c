// Creating a table with a memo field and tags, killed at each of its writes
// in turn: whatever the kill leaves, a data file that is there opens (its
// memo file beside it), and creating the table again succeeds.
#include "engines/dbase/DbaseTable.h"

#include "ChildProcess.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/syscall.h>
#include <unistd.h>

using namespace dbase;

namespace {

// The child kills itself when this reaches zero; -1 never.
long g_writesLeft = -1;

}   // namespace

// Every write of the engine in this program comes here first.
extern "C" ssize_t pwrite(int fd, const void* buf, size_t count, off_t offset)
{
    if (g_writesLeft >= 0 && g_writesLeft-- == 0)
        ::raise(SIGKILL);
    return ::syscall(SYS_pwrite64, fd, buf, count, offset);
}

extern "C" ssize_t write(int fd, const void* buf, size_t count)
{
    if (g_writesLeft >= 0 && g_writesLeft-- == 0)
        ::raise(SIGKILL);
    return ::syscall(SYS_write, fd, buf, count);
}

namespace {

const std::vector<FieldSpec> kFields = {
    {"UNIQUE", 'N', 8, 0}, {"NAME", 'C', 20, 0}, {"NOTE", 'M', 10, 0}};
const std::vector<TagDefinition> kTags = {{"T_UNIQUE", "UNIQUE", ".NOT. DELETED()"}};

}   // namespace

TEST(KilledCreate, LeavesNoTableOrOneThatOpens)
{
    brine_test::TempFolder dir;
    const std::string path = dir / "notes";
    int killed = 0;
    for (long at = 0; at < 40; ++at) {
        std::filesystem::remove(path + ".dbf");
        std::filesystem::remove(path + ".dbt");
        std::filesystem::remove(path + ".mdx");
        const pid_t pid = brine_test::ForkChild([&] {
            g_writesLeft = at;
            CDbaseEngine e;
            return e.Create(path, kFields, kTags) ? 0 : 2;
        });
        const int rc = brine_test::WaitChild(pid);
        ASSERT_TRUE(rc == 0 || rc == -SIGKILL) << "at write " << at << " ended " << rc;
        killed += rc == -SIGKILL;
        CDbaseEngine engine;
        if (std::filesystem::exists(path + ".dbf")) {
            auto t = engine.Open(path);
            ASSERT_NE(t, nullptr) << "at write " << at << ": error " << engine.ErrorCode();
            EXPECT_EQ(t->RecordCount(), 0);
            ASSERT_EQ(t->AppendStart(), 0);
            ASSERT_EQ(t->Field("NOTE")->Assign("a note"), 0);
            ASSERT_EQ(t->Append(), 0);
            ASSERT_EQ(t->Close(), 0);
        }
        auto again = engine.Create(path, kFields, kTags);
        ASSERT_NE(again, nullptr) << "at write " << at;
        EXPECT_EQ(again->RecordCount(), 0);
        EXPECT_EQ(again->TagCount(), 1);
        if (rc == 0)
            break;   // past the last write: every moment has been met
    }
    EXPECT_GT(killed, 3);
}
