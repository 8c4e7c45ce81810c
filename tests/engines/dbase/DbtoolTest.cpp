// dbtool as scripts call it: dump, tags and seek on a table of ours.
#include "engines/dbase/DbaseTable.h"

#include "Command.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using namespace dbase;

namespace {

std::string Tool(const std::string& args, int* exitCode = nullptr)
{
    const char* bin = std::getenv("BRINE_BIN_DIR");
    return RunCommand(std::string(bin ? bin : ".") + "/dbtool " + args, exitCode);
}

}   // namespace

TEST(Dbtool, DumpsTagsAndSeeks)
{
    brine_test::TempFolder dir;
    const std::string log = (dir / "log.dbf").string();
    {
        CDbaseEngine engine;
        auto t = engine.Create(
            dir / "log",
            {{"UNIQUE", 'N', 8, 0}, {"DATE", 'D', 8, 0}, {"TIME", 'C', 6, 0}, {"NOTE", 'M', 10, 0}},
            {{"T_UNIQUE", "UNIQUE", ".NOT. DELETED()"},
             {"T_DT_TM", "DTOS( DATE ) + TIME", ".NOT. DELETED()"}});
        ASSERT_NE(t, nullptr);
        const char* rows[][3] = {{"20240102", "120000", "line\n\"two\" caf\xe9"},
                                 {"20231231", "235959", ""},
                                 {"20240102", "080000", "gone"}};
        for (int i = 0; i < 3; ++i) {
            t->AppendStart();
            t->Field("UNIQUE")->AssignLong(i + 1, 8, true);
            t->Field("DATE")->Assign(rows[i][0]);
            t->Field("TIME")->Assign(rows[i][1]);
            t->Field("NOTE")->Assign(rows[i][2]);
            ASSERT_EQ(t->Append(), 0);
        }
        ASSERT_EQ(t->Delete(), 0);
    }
    EXPECT_EQ(Tool("dump " + log),
              "{\"fields\":[{\"name\":\"UNIQUE\",\"type\":\"N\",\"width\":8,\"decimals\":0},"
              "{\"name\":\"DATE\",\"type\":\"D\",\"width\":8,\"decimals\":0},"
              "{\"name\":\"TIME\",\"type\":\"C\",\"width\":6,\"decimals\":0},"
              "{\"name\":\"NOTE\",\"type\":\"M\",\"width\":10,\"decimals\":0}]}\n"
              "{\"recno\":1,\"deleted\":false,\"UNIQUE\":\"00000001\",\"DATE\":\"20240102\","
              "\"TIME\":\"120000\","
              "\"NOTE\":\"line\\n\\\"two\\\" caf\xc3\xa9\"}\n"
              "{\"recno\":2,\"deleted\":false,\"UNIQUE\":\"00000002\",\"DATE\":\"20231231\","
              "\"TIME\":\"235959\",\"NOTE\":\"\"}\n"
              "{\"recno\":3,\"deleted\":true,\"UNIQUE\":\"00000003\",\"DATE\":\"20240102\","
              "\"TIME\":\"080000\",\"NOTE\":\"gone\"}\n");
    EXPECT_EQ(Tool("tags " + log),
              "TAG T_UNIQUE KEY UNIQUE FILTER .NOT. DELETED() TYPE N KEYS 2\n  1|1\n  2|2\n"
              "TAG T_DT_TM KEY DTOS( DATE ) + TIME FILTER .NOT. DELETED() TYPE C KEYS 2\n"
              "  20231231235959|2\n  20240102120000|1\n");
    int code = -1;
    EXPECT_EQ(Tool("seek " + log + " T_DT_TM 2024", &code).substr(0, 12), "{\"recno\":1,\"");
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Tool("seek " + log + " T_DT_TM 2025", &code), "not found\n");
    EXPECT_EQ(code, 1);
    Tool("seek " + log + " T_NONE 1", &code);
    EXPECT_EQ(code, 2);
    const std::string stat = Tool("stat " + log);
    EXPECT_NE(stat.find("records 3\nlive 2\nrecord cache 0 of "), std::string::npos) << stat;
    EXPECT_NE(stat.find("index covers 3 records, closed cleanly"), std::string::npos) << stat;
    EXPECT_NE(stat.find("tag T_UNIQUE keys 2\ntag T_DT_TM keys 2\n"), std::string::npos) << stat;
}

// What dbtool says on stderr: failures in words, damage it reads past as
// warnings, and a seek key given in UTF-8 as dump shows it.
TEST(Dbtool, TellsFailuresAndWarningsInWordsAndSeeksUtf8Keys)
{
    brine_test::TempFolder dir;
    const std::string base = dir / "pts";
    {
        CDbaseEngine engine;
        auto t =
            engine.Create(base, {{"UNIQUE", 'N', 8, 0}, {"NAME", 'C', 10, 0}, {"NOTE", 'M', 10, 0}},
                          {{"T_UNIQUE", "UNIQUE", ""}, {"T_NAME", "NAME", ""}});
        ASSERT_NE(t, nullptr);
        for (const char* name : {"Caf\xe9", "\x80uro"}) {
            t->AppendStart();
            t->Field("NAME")->Assign(name);
            t->Field("NOTE")->Assign("note");
            ASSERT_EQ(t->Append(), 0);
        }
        t->Field("NOTE")->Assign("");   // keep the memo file short, then point past it
        ASSERT_EQ(t->Flush(), 0);
    }
    {
        std::fstream f(base + ".dbf", std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(std::streamoff(129 + 29 + 1 + 8 +
                               10));   // header, record 1, then record 2 up to its memo
        f.write("       999", 10);
    }
    int code = -1;
    const std::string err = " 2>&1 >/dev/null";
    EXPECT_EQ(Tool("seek " + base + ".dbf T_NAME Caf\xc3\xa9", &code).substr(0, 12),
              "{\"recno\":1,\"");
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Tool("seek " + base + ".dbf T_NAME \xe2\x82\xac", &code).substr(0, 12),
              "{\"recno\":2,\"");
    EXPECT_EQ(code, 0);
    EXPECT_NE(Tool("seek " + base + ".dbf T_NAME \xe2\x98\x83" + err, &code).find("code page"),
              std::string::npos);
    EXPECT_EQ(code, 2);
    EXPECT_EQ(Tool("dump " + base + ".dbf" + err, &code),
              "dbtool: warning: record 2: memo NOTE points at block 999, which the memo file "
              "does not hold\n");
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Tool("dump " + base + ".dbt" + err, &code),
              "dbtool: cannot open " + base + ".dbt: the data file is not a dBASE table\n");
    EXPECT_EQ(code, 2);
    EXPECT_EQ(Tool("dump " + (dir / "none.dbf").string() + err, &code),
              "dbtool: cannot open " + (dir / "none.dbf").string() +
                  ": the file cannot be opened\n");
    // A tag whose expression names a field the table lacks, then an index
    // that is no index at all.
    {
        std::fstream f(base + ".mdx", std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(std::streamoff(3 * 1024 + 24));   // the first tag's expression
        f.write("NOSUCHFLD", 10);
    }
    EXPECT_EQ(Tool("tags " + base + ".dbf" + err, &code),
              "dbtool: warning: tag T_UNIQUE dropped: its expression \"NOSUCHFLD\" or filter "
              "cannot be evaluated\n");
    std::ofstream(base + ".mdx", std::ios::trunc) << "garbage";
    EXPECT_NE(Tool("tags " + base + ".dbf" + err, &code).find("warning: the production index"),
              std::string::npos);
    EXPECT_EQ(code, 0);
}

// Tables other programs wrote: python3-dbf's dBASE III tables in the Russian
// code pages (0x65, 0xC9) show their own text; FoxPro tables and fields of
// types dBASE lacks are refused by name; a lowered count and damaged memo
// lengths are warned about and every record shown.
TEST(Dbtool, ReadsOtherProgramsTablesOrRefusesThemByName)
{
    brine_test::TempFolder dir;
    const std::string err = " 2>&1 >/dev/null";
    {
        const std::string script = (dir / "write.py").string();
        std::ofstream(script) << R"(
import sys, dbf
for cp, name in ((0x65, 'dos866'), (0xC9, 'win1251')):
    t = dbf.Table(sys.argv[1] + '/' + name, 'NAME C(16); DEPTH N(6,1)', dbf_type='db3', codepage=cp)
    t.open(dbf.READ_WRITE)
    t.append(('Маяк Северный', 12.5))
    t.append(('Буй №7', 3.0))
    t.close()
)";
        ASSERT_EQ(RunCommand("/usr/bin/python3 " + script + " " + dir.Path().string()), "");
    }
    int code = -1;
    for (const char* name : {"dos866", "win1251"}) {
        const std::string dump = Tool("dump " + (dir / name).string() + ".dbf", &code);
        EXPECT_EQ(code, 0) << name;
        EXPECT_NE(dump.find("\"NAME\":\"Маяк Северный   \""), std::string::npos) << dump;
        EXPECT_NE(dump.find("\"NAME\":\"Буй №7          \""), std::string::npos) << dump;
        EXPECT_EQ(Tool("dump " + (dir / name).string() + ".dbf" + err), "") << name;
    }

    // A code page byte dbtool has no table for: a warning, text as 1252.
    std::filesystem::copy_file(dir / "win1251.dbf", dir / "greek.dbf");
    {
        std::fstream f(dir / "greek.dbf", std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(29);
        f.put(char(0xCB));   // Greek Windows
    }
    EXPECT_NE(Tool("dump " + (dir / "greek.dbf").string() + err).find("code page byte 0xCB"),
              std::string::npos);

    // FoxPro: a table with its .fpt beside it, and Visual FoxPro fields.
    const std::string fox = (dir / "fox").string();
    {
        CDbaseEngine engine;
        auto t = engine.Create(fox, {{"NAME", 'C', 10, 0}, {"COUNT", 'C', 4, 0}}, {});
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->AppendStart(), 0);
        t->Field("NAME")->Assign("Buoy");
        t->Field("COUNT")->Assign(std::string("\x07\0\0\0", 4));
        ASSERT_EQ(t->Append(), 0);
    }
    {
        std::fstream f(fox + ".dbf", std::ios::in | std::ios::out | std::ios::binary);
        f.put(char(0x30));   // Visual FoxPro
        f.seekp(32 + 32 + 11);
        f.put('I');   // COUNT: a 4-byte integer
    }
    EXPECT_EQ(Tool("dump " + fox + ".dbf" + err, &code),
              "dbtool: " + fox +
                  ".dbf has fields dbtool does not read: COUNT (type I, Visual "
                  "FoxPro integer)\n");
    EXPECT_EQ(code, 2);
    std::ofstream(dir / "FOX.FPT") << std::string(512, '\0');
    EXPECT_EQ(Tool("dump " + fox + ".dbf" + err, &code),
              "dbtool: " + fox + ".dbf is a FoxPro table (its memos are in the FoxPro memo file " +
                  (dir / "FOX.FPT").string() + "); dbtool reads dBASE tables\n");
    EXPECT_EQ(code, 2);

    // A count lowered below the records, and a memo whose stored length is
    // absurd: warnings, every record shown, live never above records.
    const std::string log = (dir / "log").string();
    {
        CDbaseEngine engine;
        auto t = engine.Create(log, {{"UNIQUE", 'N', 8, 0}, {"NOTE", 'M', 10, 0}},
                               {{"T_UNIQUE", "UNIQUE", ".NOT. DELETED()"}});
        ASSERT_NE(t, nullptr);
        for (int i = 1; i <= 5; ++i) {
            ASSERT_EQ(t->AppendStart(), 0);
            t->Field("UNIQUE")->AssignLong(i, 8, true);
            t->Field("NOTE")->Assign("note " + std::to_string(i));
            ASSERT_EQ(t->Append(), 0);
        }
    }
    {
        std::fstream f(log + ".dbf", std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(4);
        f.put(char(2));
        std::fstream m(log + ".dbt", std::ios::in | std::ios::out | std::ios::binary);
        m.seekp(512 * 3 + 4);   // the third memo's stored length
        m.write("\xff\xff\xff\x7f", 4);
    }
    const std::string warnings = Tool("dump " + log + ".dbf" + err, &code);
    EXPECT_EQ(code, 0);
    EXPECT_NE(warnings.find("the header counts 2 records; the file holds 5 whole records"),
              std::string::npos)
        << warnings;
    EXPECT_NE(warnings.find("record 3: memo NOTE at block 3 gives a length of 2147483647 bytes"),
              std::string::npos)
        << warnings;
    const std::string dump = Tool("dump " + log + ".dbf", &code);
    EXPECT_NE(dump.find("\"recno\":5"), std::string::npos) << dump;
    const std::string stat = Tool("stat " + log + ".dbf");
    EXPECT_NE(stat.find("records 5\nlive 5\n"), std::string::npos) << stat;
}
