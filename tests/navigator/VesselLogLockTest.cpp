// The vessel-log index lock taken with bounded retries: another station (a
// second open table on the same files) holding the real table lock makes the
// attempt give up in bounded time with a message; letting go in time lets it
// through.

#include "navigator/VesselLogLock.h"

#include <gtest/gtest.h>

#include "TempFolder.h"
#include "db/DBVesselLog.h"

using namespace std::chrono_literals;

namespace {

class TableLock final : public navigator::CVesselLogIndexLock {
public:
    explicit TableLock(db::CDBVesselLog& table) : m_table(table) { }
    bool TryLock() override
    {
        ++tries;
        return m_table.Lock();
    }
    std::string IndexName() const override { return m_table.GetFilePath(); }
    int tries = 0;

private:
    db::CDBVesselLog& m_table;
};

}   // namespace

TEST(VesselLogLock, BoundedRetriesThenAMessageOrTheLock)
{
    brine_test::TempFolder dir;
    db::CDBVesselLog ours, theirs;
    for (db::CDBVesselLog* t : {&ours, &theirs}) {
        t->SetFilePath(dir / "fleet.LOG");
        ASSERT_TRUE(t->Open()) << t->GetMessage();
    }
    ASSERT_TRUE(theirs.Lock());
    TableLock lock(ours);

    // Held throughout: five tries 40 ms apart, then a message; no hang.
    std::string message;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(navigator::LockVesselLogIndex(lock, "The logbook row", {5, 40ms}, message));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(lock.tries, 5);
    EXPECT_GE(took, 160ms);
    EXPECT_LT(took, 2s);
    EXPECT_NE(message.find("The logbook row was not written"), std::string::npos) << message;
    EXPECT_NE(message.find((dir / "fleet").string()), std::string::npos) << message;
    EXPECT_NE(message.find("locked by another station"), std::string::npos) << message;

    // The other station lets go during the second pause: the third try holds it.
    lock.tries = 0;
    message.clear();
    int pauses = 0;
    const auto pause = [&](std::chrono::milliseconds) {
        if (++pauses == 2)
            ASSERT_TRUE(theirs.FlushAndUnlock());
    };
    EXPECT_TRUE(navigator::LockVesselLogIndex(lock, "The logbook row", {5, 40ms}, message, pause));
    EXPECT_EQ(lock.tries, 3);
    EXPECT_TRUE(message.empty());
    EXPECT_FALSE(theirs.Lock()) << "we hold it now";
    EXPECT_TRUE(ours.FlushAndUnlock());
    EXPECT_TRUE(theirs.Lock());
    EXPECT_TRUE(theirs.FlushAndUnlock());
    ours.Close();
    theirs.Close();
}
