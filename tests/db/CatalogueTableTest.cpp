// The chart catalogue table: lookups by number and office, and the takeover
// of the older layout (a "CHCDPATH" field), which keeps the original files
// until the new table is whole and leaves them whole when it cannot start
// or is killed.

#include "ChildProcess.h"
#include "OuterTools.h"
#include "TempFolder.h"

#include "db/DBARCSCat.h"
#include "db/OlderTable.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;
using db::CDBARCSCat;

namespace {

// A catalogue of the older layout, written through the table layer.
class OlderCatalogue : public db::CDBTextTable {
public:
    OlderCatalogue()
    {
        m_fieldList.Add("NO", 'C', 8, 0);
        m_fieldList.Add("DESC", 'C', 132, 0);
        m_fieldList.Add("CHCDID", 'C', 10, 0);
        m_fieldList.Add("CHCDPATH", 'C', 40, 0);
        m_fieldList.Add("CHCDDOP", 'C', 8, 0);
        m_fieldList.Add("UPCDID", 'C', 10, 0);
        m_fieldList.Add("UPCDDOP", 'C', 8, 0);
        m_fieldList.Add("SOURCE", 'N', 3, 0);
        m_fieldList.Add("CHPTR", 'N', 7, 0);
        m_fieldList.Add("SCALE", 'N', 8, 0);
        m_fieldList.Add("HO", 'N', 3, 0);
    }
    ~OlderCatalogue() override { Close(); }
    bool StoreRecord() override
    {
        return CDBInterface::StoreRecord() && PutText("NO", no) && PutText("DESC", "Chart " + no) &&
               PutText("CHCDID", "RC1") && PutText("CHCDPATH", "D:\\RASCHTS") &&
               PutText("UPCDID", "WK01_26") && PutInteger("SOURCE", 259, 3) &&
               PutInteger("CHPTR", 196, 7) && PutInteger("SCALE", 50000, 8) &&
               PutInteger("HO", 0, 3);
    }
    std::string no;
};

void WriteOlder(const fs::path& folder)
{
    OlderCatalogue old;
    old.SetName("Cat");
    old.SetFolder(folder.string());
    ASSERT_TRUE(old.Open(false, false));
    for (const char* n : {"RC1001", "RC2002", "RC3003"}) {
        old.no = n;
        ASSERT_TRUE(old.AppendNew());
    }
    old.GoTop();
    old.SkipForward();
    ASSERT_TRUE(old.DeleteRecord());   // RC2002 goes
    old.FlushIfOpen();
}

bool HasField(const fs::path& data, const char* name)
{
    std::vector<std::pair<std::string, char>> fields;
    if (!db::COlderTable::ReadFields(data.string(), fields))
        return false;
    for (const auto& f : fields)
        if (f.first == name)
            return true;
    return false;
}

constexpr int kCharts = 1500;
constexpr int kLive = kCharts - kCharts / 10;   // every tenth is marked deleted

std::string Bytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool OpenCatalogue(const fs::path& folder, CDBARCSCat& cat)
{
    cat.SetName("Cat");
    cat.SetFolder(folder.string());
    return cat.Open(false, false);
}

TEST(CatalogueTable, SeeksByNumberAndOffice)
{
    brine_test::TempFolder dir;
    CDBARCSCat cat;
    cat.SetName("Cat");
    cat.SetFolder(dir.Path().string());
    ASSERT_TRUE(cat.Open(false, false));
    const struct {
        const char* no;
        std::uint32_t ho;
    } rows[] = {{"3497", 0}, {"RC1001", 0}, {"AUS4060", 1}};
    for (const auto& r : rows) {
        cat.ClearRecord();
        cat.m_no = r.no;
        cat.m_ho = r.ho;
        cat.m_source = 3;
        ASSERT_TRUE(cat.AppendNew());
    }
    EXPECT_TRUE(cat.SeekKey("3497"));
    EXPECT_TRUE(cat.SeekKey("rc1001"));
    EXPECT_EQ(cat.m_no, "RC1001");
    EXPECT_EQ(cat.m_source, 3);
    EXPECT_FALSE(cat.SeekKey("RC9999"));
    EXPECT_EQ(CDBARCSCat::OfficeKey(5), "  5");
    EXPECT_TRUE(cat.SeekHO(1));
    EXPECT_EQ(cat.m_no, "AUS4060");
    EXPECT_EQ(cat.GetTagName(), "T_NO");
    EXPECT_FALSE(cat.SeekHO(5));
    EXPECT_EQ(cat.GetTagName(), "T_NO");
    EXPECT_TRUE(cat.SeekHONumber(0, "rc1001"));
    EXPECT_FALSE(cat.SeekHONumber(1, "RC1001"));
}

TEST(CatalogueTable, OlderLayoutIsConvertedOnceKeepingLiveRecords)
{
    brine_test::TempFolder dir;
    WriteOlder(dir.Path());
    ASSERT_TRUE(HasField(dir / "Cat.dbf", "CHCDPATH"));
    {
        CDBARCSCat cat;
        cat.SetName("Cat");
        cat.SetFolder(dir.Path().string());
        ASSERT_TRUE(cat.Open(true, false)) << cat.GetMessage();
        EXPECT_EQ(cat.GetRecordCount(), 2);
        ASSERT_TRUE(cat.SeekKey("RC3003"));
        EXPECT_EQ(cat.m_source, 3);   // 259 kept to its low eight bits
        EXPECT_EQ(cat.m_scale, 50000);
        EXPECT_EQ(cat.m_chcdid, "RC1");
        EXPECT_EQ(cat.GetId(), 2);
    }
    EXPECT_FALSE(HasField(dir / "Cat.dbf", "CHCDPATH"));
    for (const auto& e : fs::directory_iterator(dir.Path()))
        EXPECT_NE(e.path().stem().string(), "~tmp") << e.path();
}

TEST(CatalogueTable, OlderLayoutKeptWhenItsCopyCannotBeMade)
{
    brine_test::TempFolder dir;
    WriteOlder(dir.Path());
    fs::create_directory(dir / "~tmp.dbf");   // the copy's place is taken
    CDBARCSCat cat;
    cat.SetName("Cat");
    cat.SetFolder(dir.Path().string());
    EXPECT_FALSE(cat.Open(false, false));
    EXPECT_FALSE(cat.GetMessage().empty());
    EXPECT_TRUE(HasField(dir / "Cat.dbf", "CHCDPATH"));
    db::COlderTable old;
    ASSERT_TRUE(old.Open((dir / "Cat.dbf").string()));
    EXPECT_EQ(old.RecordCount(), 3);
}

// The takeover killed at random moments (a child converts, SIGKILL within
// the time a whole takeover takes): after every kill the folder holds the
// older catalogue as it was, or the new one with every live chart, never a
// new one holding part of them. The next open completes it; dbfread reads it.
TEST(CatalogueTable, AKilledTakeoverLeavesTheOlderCatalogueOrTheWholeNewOne)
{
    brine_test::TempFolder dir;
    {
        OlderCatalogue old;
        old.SetName("Cat");
        old.SetFolder(dir.Path().string());
        ASSERT_TRUE(old.Open(false, false));
        ASSERT_TRUE(old.Lock());
        for (int i = 1; i <= kCharts; ++i) {
            old.no = "RC" + std::to_string(1000 + i);
            ASSERT_TRUE(old.AppendNew());
            if (i % 10 == 0) {
                ASSERT_TRUE(old.DeleteRecord());
            }
        }
        ASSERT_TRUE(old.FlushAndUnlock());
    }
    const std::string older = Bytes(dir / "Cat.dbf");
    ASSERT_TRUE(HasField(dir / "Cat.dbf", "CHCDPATH"));

    // One whole takeover, timed, on a copy: the kills fall within that time.
    brine_test::TempFolder timing;
    fs::copy_file(dir / "Cat.dbf", timing / "Cat.dbf");
    const auto start = std::chrono::steady_clock::now();
    {
        CDBARCSCat cat;
        ASSERT_TRUE(OpenCatalogue(timing.Path(), cat)) << cat.GetMessage();
        ASSERT_EQ(cat.GetRecordCount(), kLive);
    }
    auto span = std::chrono::duration_cast<std::chrono::microseconds>(
                    std::chrono::steady_clock::now() - start)
                    .count();

    std::mt19937 rng(17);
    int killedMidway = 0;
    for (int round = 0; round < 40 && killedMidway < 5; ++round) {
        const pid_t pid = brine_test::ForkChild([&] {
            CDBARCSCat cat;
            return OpenCatalogue(dir.Path(), cat) ? 0 : 1;
        });
        ::usleep(useconds_t(rng() % (span * 3 / 4 + 1)));
        ::kill(pid, SIGKILL);
        const bool killed = brine_test::WaitChild(pid) == -SIGKILL;
        if (HasField(dir / "Cat.dbf", "CHCDPATH")) {
            ASSERT_EQ(Bytes(dir / "Cat.dbf"), older)
                << "older catalogue changed in round " << round;
            // A kill inside the takeover leaves its staging folder behind.
            bool started = false;
            for (const auto& e : fs::directory_iterator(dir.Path()))
                started = started || e.path().filename().string().rfind(".import-", 0) == 0;
            killedMidway += killed && started;
            continue;
        }
        // The takeover was done before the kill: it holds every live chart.
        // Put the older catalogue back and start again, sooner.
        {
            db::COlderTable taken;
            ASSERT_TRUE(taken.Open((dir / "Cat.dbf").string()));
            ASSERT_EQ(taken.RecordCount(), kLive) << "a partial takeover in round " << round;
        }
        for (const auto& e : fs::directory_iterator(dir.Path()))
            if (e.path().stem() == "Cat")
                fs::remove(e.path());
        std::ofstream(dir / "Cat.dbf", std::ios::binary) << older;
        span /= 2;
    }
    EXPECT_GE(killedMidway, 1);

    CDBARCSCat cat;
    ASSERT_TRUE(OpenCatalogue(dir.Path(), cat)) << cat.GetMessage();
    EXPECT_EQ(cat.GetRecordCount(), kLive);
    ASSERT_TRUE(cat.SeekKey("rc2499"));
    EXPECT_EQ(cat.m_desc, "Chart RC2499");
    EXPECT_FALSE(cat.SeekKey("RC2500"));   // marked deleted in the older catalogue
    cat.Close();
    EXPECT_FALSE(HasField(dir / "Cat.dbf", "CHCDPATH"));
    // Nothing of the takeovers is left beside the catalogue.
    for (const auto& e : fs::directory_iterator(dir.Path())) {
        const std::string name = e.path().filename().string();
        EXPECT_TRUE(name == "Cat.dbf" || name == "Cat.mdx") << name;
    }
    EXPECT_EQ(brine_test::Python(dir.Path(), R"(
import sys, dbfread
t = dbfread.DBF(sys.argv[1])
rows = list(t)
print(len(rows), rows[-1]['NO'], rows[-1]['SCALE'], [f.name for f in t.fields][:3])
)",
                                 (dir / "Cat.dbf").string()),
              std::to_string(kLive) + " RC2499 50000 ['UNIQUE', 'NO', 'DESC']\n");
}

}   // namespace
