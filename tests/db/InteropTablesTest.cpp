// Every table class's files read by dBASE readers nobody here wrote:
// python3-dbfread for records, texts, memos, deleted flags and empty dates,
// Perl's XBase::Index for the order each production index tag walks in.
#include "db/DBChartPoint.h"
#include "db/DBLog.h"
#include "db/DBPlan.h"
#include "db/DBRoute.h"
#include "db/DBVesselLog.h"

#include "OuterTools.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

using namespace db;

namespace {

// Prints every record, live ones first, as "flag|field|field...": texts as
// decoded from Windows-1252, dates as YYYYMMDD or empty, memos whole.
const char* kDbfreadScript = R"(
import sys, dbfread
t = dbfread.DBF(sys.argv[1], encoding='cp1252', char_decode_errors='strict', load=True)
def text(v):
    if v is None: return ''
    if hasattr(v, 'strftime'): return v.strftime('%Y%m%d')
    if isinstance(v, float): return '%g' % v
    return str(v)
for flag, recs in ((' ', t.records), ('*', t.deleted)):
    for r in recs:
        print(flag + '|' + '|'.join(text(r[f]) for f in sys.argv[2].split(',')))
)";

// Lists a tag's keys in walk order as "key|record"; numeric keys decoded.
const char* kWalkScript = R"(
use XBase::Index;
my ($file, $tag, $type) = @ARGV;
my $index = XBase::Index->new($file, 'tag' => $tag) or die XBase::Index->errstr;
$index->prepare_select;
while (my ($key, $rec) = $index->fetch) {
    if ($type eq 'N') {
        my @b = unpack('C12', $key);
        my $count = ($b[1] & 0x7f) >> 2;
        my $digits = '';
        for my $i (0 .. $count - 1) { my $byte = $b[2 + int($i / 2)]; $digits .= $i % 2 ? ($byte & 15) : ($byte >> 4); }
        $key = sprintf('%.10g', ($count ? $digits : 0) * 10 ** ($b[0] - 0x34 - $count));
    }
    print "$key|$rec\n";
}
)";

class InteropTables : public ::testing::Test {
protected:
    std::string Read(const std::string& table, const std::string& fields)
    {
        return brine_test::Python(dir.Path(), kDbfreadScript,
                                  (dir / (table + ".dbf")).string() + " " + fields);
    }
    std::string Walk(const std::string& table, const std::string& tag, char type = 'C')
    {
        return brine_test::Perl(dir.Path(), kWalkScript,
                                (dir / (table + ".mdx")).string() + " " + tag + " " +
                                    std::string(1, type));
    }
    brine_test::TempFolder dir;
};

}   // namespace

TEST_F(InteropTables, PointsMemosAndAttachments)
{
    CDBChartPoint points;
    points.SetFilePath(dir / "cpt");
    ASSERT_TRUE(points.Open());
    const char* names[] = {"Ålesund", "Kiel – Holtenau", "Gone"};
    for (int i = 0; i < 3; ++i) {
        points.ClearRecord();
        points.m_name = names[i];
        points.m_position = geo::CPosition(54.25 + i, 10.125, 0, -1);
        points.m_zone = std::int8_t(i - 1);
        points.m_memo[0] = std::string("Note of ") + names[i];
        points.m_memo[10 - 1 - i] = "memo " + std::to_string(i);
        points.m_attachment[3 - i] = "/att/" + std::to_string(i) + ".png";
        ASSERT_TRUE(points.AppendNew() && points.FlushIfOpen());
    }
    ASSERT_TRUE(points.DeleteRecord() && points.FlushIfOpen());
    ASSERT_TRUE(points.Close());

    EXPECT_EQ(Read("cpt", "UNIQUE,NAME,LAT,LNG,DSHIFT,ZONE"),
              " |1|Ålesund|54.25|10.125|-1|-1\n |2|Kiel – Holtenau|55.25|10.125|-1|0\n"
              "*|3|Gone|56.25|10.125|-1|1\n");
    EXPECT_EQ(
        Read("cpt.X/MEMOS", "MASTER_ID,TYPE,DATA"),
        " |1|000|Note of Ålesund\n |1|009|memo 0\n |2|000|Note of Kiel – Holtenau\n |2|008|memo 1\n"
        "*|3|000|Note of Gone\n*|3|007|memo 2\n");
    EXPECT_EQ(Walk("cpt.X/MEMOS", "T_ID_TYPE"),
              "       1000|1\n       1009|2\n       2000|3\n       2008|4\n");
    EXPECT_EQ(Walk("cpt.X/ATTCHMTS", "T_ID_TYPE"), "       1003|1\n       2002|2\n");
    EXPECT_EQ(Walk("cpt", "T_NAME"),
              "Kiel \x96 Holtenau          |2\n\xC5lesund                  |1\n");
}

TEST_F(InteropTables, RoutesAndTheirLinkTables)
{
    CDBRoute routes;
    routes.SetFilePath(dir / "rt");
    ASSERT_TRUE(routes.Open());
    routes.m_name = "Kattegat";
    routes.m_note = "Night passage";
    ASSERT_TRUE(routes.AppendNew() && routes.FlushIfOpen());
    for (const char* name : {"A", "B", "C"}) {
        routes.Points().Waypoints().ClearRecord();
        routes.Points().Waypoints().m_name = name;
        routes.Points().m_link = 1;
        ASSERT_TRUE(routes.Points().AppendPoint());
    }
    ASSERT_TRUE(routes.Points().ReverseOrder());
    ASSERT_TRUE(routes.Close());
    EXPECT_EQ(Read("rt", "UNIQUE,NAME,NOTE"), " |1|Kattegat|Night passage\n");
    EXPECT_EQ(Read("rt.X/00000001", "UNIQUE,ORDER,LINK,TYPE,ID"),
              " |1|3|  1|  0|1\n |2|2|  1|  0|2\n |3|1|  1|  0|3\n");
    EXPECT_EQ(Walk("rt.X/00000001", "T_ORDER", 'N'), "1|3\n2|2\n3|1\n");
    EXPECT_EQ(Read("rt.X/00000001/00000001", "UNIQUE,NAME"), " |1|A\n |2|B\n |3|C\n");
}

TEST_F(InteropTables, LogsIndexAndPlan)
{
    CDBLog log;
    log.SetFilePath(dir / "log");
    ASSERT_TRUE(log.Open());
    const int hours[] = {12, 9, -1, 15};   // appended out of time order; -1 not valid
    for (int h : hours) {
        log.ClearRecord();
        if (h >= 0)
            log.m_time = app::CDateTimeEx(2024, 6, 1, h, 30, 5);
        log.m_sog = 6.5;
        log.m_note = h == 9 ? "Pilot on board" : "";
        ASSERT_TRUE(log.AppendNew() && log.FlushIfOpen());
    }
    ASSERT_TRUE(log.Close());
    EXPECT_EQ(Read("log", "UNIQUE,DATE,TIME,SOG,TYPE,NOTE"),
              " |1|20240601|123005|6.5|0|\n |2|20240601|093005|6.5|0|Pilot on board\n |3|||6.5|0|\n"
              " |4|20240601|153005|6.5|0|\n");
    EXPECT_EQ(Walk("log", "T_DT_TM"),
              "              |3\n20240601093005|2\n20240601123005|1\n20240601153005|4\n");

    CDBVesselLog index;
    index.SetFilePath(dir / "vl");
    ASSERT_TRUE(index.Open());
    const std::uint32_t rows[][2] = {{12, 2}, {1, 1}, {12, 1}};
    int day = 3;
    for (const auto& r : rows) {
        index.ClearRecord();
        index.m_vesselType = r[0] == 1 ? 1 : 2;
        index.m_vesselId = r[0];
        index.m_appendNo = r[1];
        index.m_start = app::CDateTimeEx(2024, 6, day--, 8, 0, 0);
        ASSERT_TRUE(index.AppendNew() && index.FlushIfOpen());
    }
    ASSERT_TRUE(index.Close());
    EXPECT_EQ(
        Read("vl", "UNIQUE,VSLID,APPENDNO,STARTDATE,STARTTIME,ENDDATE,ENDTIME"),
        " |1|12|2|20240603|080000||\n |2|1|1|20240602|080000||\n |3|12|1|20240601|080000||\n");
    EXPECT_EQ(Walk("vl", "T_VSLAPDNO"),
              "       1       1|2\n      12       1|3\n      12       2|1\n");
    EXPECT_EQ(Walk("vl", "T_STARTDAT"), "20240601080000|3\n20240602080000|2\n20240603080000|1\n");

    CDBPlan plan;
    plan.SetFilePath(dir / "plan");
    ASSERT_TRUE(plan.Open());
    plan.m_name = "Skagen";
    plan.m_time = "11:30:45 PM";
    plan.m_drift = 0.75;
    plan.m_memo = "Traffic separation";
    ASSERT_TRUE(plan.AppendNew() && plan.Close());
    EXPECT_EQ(Read("plan", "NAME,TIME,DRIFT,MEMO"),
              " |Skagen|11:30:45 PM|0.75|Traffic separation\n");
}
