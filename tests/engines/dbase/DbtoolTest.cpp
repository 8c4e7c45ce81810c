// dbtool as scripts call it: dump, tags and seek on a table of ours.
#include "engines/dbase/DbaseTable.h"

#include "Command.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace dbase;

namespace {

std::string Tool(const std::string& args, int* exitCode = nullptr)
{
    const char* bin = std::getenv("BRINE_BIN_DIR");
    return RunCommand(std::string(bin ? bin : ".") + "/dbtool " + args, exitCode);
}

}  // namespace

TEST(Dbtool, DumpsTagsAndSeeks)
{
    brine_test::TempFolder dir;
    const std::string log = (dir / "log.dbf").string();
    {
        CDbaseEngine engine;
        auto t = engine.Create(dir / "log", {{"UNIQUE", 'N', 8, 0}, {"DATE", 'D', 8, 0}, {"TIME", 'C', 6, 0},
                                             {"NOTE", 'M', 10, 0}},
                               {{"T_UNIQUE", "UNIQUE", ".NOT. DELETED()"}, {"T_DT_TM", "DTOS( DATE ) + TIME", ".NOT. DELETED()"}});
        ASSERT_NE(t, nullptr);
        const char* rows[][3] = {{"20240102", "120000", "line\n\"two\" caf\xe9"}, {"20231231", "235959", ""},
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
              "{\"recno\":1,\"deleted\":false,\"UNIQUE\":\"00000001\",\"DATE\":\"20240102\",\"TIME\":\"120000\","
              "\"NOTE\":\"line\\n\\\"two\\\" caf\xc3\xa9\"}\n"
              "{\"recno\":2,\"deleted\":false,\"UNIQUE\":\"00000002\",\"DATE\":\"20231231\",\"TIME\":\"235959\",\"NOTE\":\"\"}\n"
              "{\"recno\":3,\"deleted\":true,\"UNIQUE\":\"00000003\",\"DATE\":\"20240102\",\"TIME\":\"080000\",\"NOTE\":\"gone\"}\n");
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
}
