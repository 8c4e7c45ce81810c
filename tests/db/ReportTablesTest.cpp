// The report tables as an outside dBASE reader sees them: "UNIQUE" N(8,0)
// first, then each report's fields in order with their types and widths; a
// text longer than its field cut to the field; a row of empty cells a row of
// blank texts with an id of its own; positions in code page 437.
#include "db/DBReportTable.h"

#include "OuterTools.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Every field as "NAME T width.decimals", then every record as its values.
const char* const kReadBack = R"(import sys
from dbfread import DBF
t = DBF(sys.argv[1], encoding='cp437', char_decode_errors='replace')
print(' '.join('%s %s %d.%d' % (f.name, f.type, f.length, f.decimal_count) for f in t.fields))
for r in t:
    print('|'.join('' if v is None else str(v) for v in r.values()))
)";

TEST(ReportTables, EachTableHoldsItsFieldsAfterTheIdAndCutsBlanksAndCodePagesAsStored)
{
    brine_test::TempFolder dir;
    struct Table {
        const char* name;
        const std::vector<db::ReportField>& fields;
        std::string expected;   // the layout the report files name
    };
    const std::vector<Table> tables{
        {"chartpoints", db::ReportChartpointFields(),
         "UNIQUE N 8.0 NAME C 25.0 ID C 8.0 LAT C 15.0 LNG C 15.0 AREA C 20.0 GROUP C 20.0"},
        {"chart folio", db::ReportChartFolioFields(),
         "UNIQUE N 8.0 HO N 3.0 HONAME C 70.0 CHARTNO C 8.0 CHARTDSRPT C 132.0 SCALE C 15.0 "
         "UPCDDOP C 10.0 UPCDID C 10.0 CHCDDOP C 10.0 CHCDID C 10.0 CHCDPATH C 254.0 "
         "UPCDPATH C 254.0"},
        {"log rows", db::ReportLogFields(),
         "UNIQUE N 8.0 DATE C 10.0 TIME C 11.0 LAT C 15.0 LNG C 15.0 DSHIFT C 15.0 "
         "COG C 5.0 SOG C 5.0 TYPE C 13.0 NOTE M 10.0"},
        {"logbooks", db::ReportVesselLogFields(),
         "UNIQUE N 8.0 VESSELTYPE N 3.0 VESSELSTR C 25.0 VESSELNAME C 32.0 "
         "VOYAGEID C 20.0 OOWNAME C 20.0 STARTTIME C 11.0 STARTDATE C 10.0 ENDTIME C 11.0 "
         "ENDDATE C 10.0"},
        {"waypoints", db::ReportRouteFields(),
         "UNIQUE N 8.0 NAME C 25.0 LAT C 15.0 LNG C 15.0 DSHIFT C 15.0 TYPE C 2.0 "
         "DIST C 10.0 COURSE C 3.0"},
        {"routes", db::ReportRouteListFields(),
         "UNIQUE N 8.0 NAME C 25.0 FROM C 25.0 TO C 25.0 ATTACH1 C 254.0 ATTACH2 C 254.0 "
         "ATTACH3 C 254.0 ATTACH4 C 254.0 MEMO M 10.0"},
    };
    int serial = 0;
    for (const Table& t : tables) {
        SCOPED_TRACE(t.name);
        const std::unique_ptr<report::CReportTable> table = db::MakeReportTable(t.fields, nullptr);
        const std::string base = (dir.Path() / ("~r" + std::to_string(++serial))).string();
        ASSERT_TRUE(table->CreateAt(base)) << table->LastError();
        ASSERT_TRUE(table->BeginFill());
        // A row of texts longer than their fields (numbers: 7), then a row of nothing.
        table->ClearCells();
        for (std::size_t i = 0; i < t.fields.size(); ++i)
            table->m_cells[i] = t.fields[i].type == 'N' ? "7" : std::string(300, 'x') + "END";
        if (int lat = table->FieldIndex("LAT"); lat >= 0)
            table->m_cells[static_cast<std::size_t>(lat)] = "47\xC2\xB0"
                                                            "36.50'N";
        ASSERT_TRUE(table->AppendCells()) << table->LastError();
        table->ClearCells();
        ASSERT_TRUE(table->AppendCells()) << table->LastError();
        ASSERT_TRUE(table->EndFill());
        table->CloseTable();

        const std::string out = brine_test::Python(dir.Path(), kReadBack, base + ".dbf");
        const std::size_t end = out.find('\n');
        ASSERT_NE(end, std::string::npos) << out;
        EXPECT_EQ(out.substr(0, end), t.expected);
        std::vector<std::string> rows;
        for (std::size_t at = end + 1, next; at < out.size(); at = next + 1) {
            next = out.find('\n', at);
            if (next == std::string::npos)
                next = out.size();
            rows.push_back(out.substr(at, next - at));
        }
        ASSERT_EQ(rows.size(), 2u) << out;
        std::vector<std::vector<std::string>> cells;
        for (const std::string& row : rows) {
            cells.emplace_back();
            std::size_t at = 0;
            for (std::size_t bar; (bar = row.find('|', at)) != std::string::npos; at = bar + 1)
                cells.back().push_back(row.substr(at, bar - at));
            cells.back().push_back(row.substr(at));
            ASSERT_EQ(cells.back().size(), t.fields.size() + 1) << row;
        }
        EXPECT_NE(cells[0][0], cells[1][0]);   // each row its own id
        EXPECT_NE(cells[1][0], "0");
        for (std::size_t i = 0; i < t.fields.size(); ++i) {
            const db::ReportField& f = t.fields[i];
            SCOPED_TRACE(f.name);
            const std::string& first = cells[0][i + 1];
            if (f.type == 'N')
                EXPECT_EQ(first, "7");
            else if (f.type == 'M')
                EXPECT_EQ(first, std::string(300, 'x') + "END");
            else if (std::string(f.name) == "LAT")
                EXPECT_EQ(first, "47\xC2\xB0"
                                 "36.50'N");   // read back through code page 437
            else   // cut to the field; the memo above keeps all of it
                EXPECT_EQ(first, std::string(static_cast<std::size_t>(f.width), 'x'));
            // The empty row: blank texts, numbers 0.
            EXPECT_EQ(cells[1][i + 1], f.type == 'N' ? "0" : "");
        }
    }
}

}   // namespace
