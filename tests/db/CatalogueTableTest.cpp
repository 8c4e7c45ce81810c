// The chart catalogue table: lookups by number and office, and the takeover
// of the older layout (a "CHCDPATH" field), which keeps the original files
// until every record is appended and leaves them whole when it cannot start.

#include "TempFolder.h"

#include "db/DBARCSCat.h"
#include "db/OlderTable.h"

#include <gtest/gtest.h>

#include <filesystem>

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

}   // namespace
