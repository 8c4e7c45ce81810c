// Cells imported through GDAL, stored as ".b" and read back through the
// mapped, checked view; damaged cells and files refused with a message.
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

#include "TempFolder.h"
#include "TestCells.h"
#include "engines/vector/S57Import.h"
#include "engines/vector/VChartStore.h"

using namespace vengine;
using brine_test::TempFolder;

namespace {

std::string ReadBytes(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::filesystem::path& p, const std::string& bytes)
{
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

const VFeature* FirstOf(const VChartData& chart, std::string_view cls)
{
    for (const auto& f : chart.features)
        if (f.objectClass == cls)
            return &f;
    return nullptr;
}

}   // namespace

TEST(VChartStore, ImportFillsBlockAndFeaturesAndRoundTrips)
{
    TempFolder dir;
    ASSERT_TRUE(vtest::WriteSampleCell(dir.Path(), "US5WA99M"));
    VChartData chart;
    auto result = ImportS57Cell((dir / "US5WA99M.000").string(), true, chart);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_TRUE(result.missingUpdate.empty());

    const auto& info = chart.info;
    EXPECT_EQ(info.Text(info::kName, info::kNameWidth), "US5WA99M");
    EXPECT_EQ(info.I32(info::kScale), 20000);
    EXPECT_EQ(info.U8(info::kHorizontalDatum), 2);
    EXPECT_EQ(info.U8(info::kDepthDatum), 12);
    EXPECT_EQ(info.U8(info::kBuoyage), 2);
    EXPECT_EQ(info.U16(info::kUpdatedYear), 2026);
    EXPECT_EQ(info.U8(info::kUpdatedMonth), 3);
    EXPECT_EQ(info.U8(info::kIssueDay), 15);
    EXPECT_EQ(info.Text(info::kTitle, info::kTitleWidth), "SAMPLE - NOT FOR NAVIGATION");
    EXPECT_EQ(info.I32(info::kWest), -1224500000);
    EXPECT_EQ(info.I32(info::kNorth), 476500000);

    const VFeature* buoy = FirstOf(chart, "BOYLAT");
    ASSERT_NE(buoy, nullptr);
    ASSERT_EQ(buoy->parts.size(), 1u);
    EXPECT_EQ(buoy->parts[0].points[0], (VCoord{-1223912345, 476012345}));
    ASSERT_NE(buoy->Attribute("COLOUR"), nullptr);
    EXPECT_EQ(*buoy->Attribute("COLOUR"), "3");
    const VFeature* depth = FirstOf(chart, "DEPARE");
    ASSERT_NE(depth, nullptr);
    ASSERT_EQ(depth->parts.size(), 2u);   // the outer ring and its hole
    EXPECT_TRUE(depth->parts[0].outer);
    EXPECT_FALSE(depth->parts[1].outer);
    int soundings = 0;
    for (const auto& f : chart.features)
        soundings += f.objectClass == "SOUNDG";
    EXPECT_EQ(soundings, 2);   // split, each with its depth
    const VFeature* sounding = FirstOf(chart, "SOUNDG");
    ASSERT_NE(sounding->Attribute("DEPTH"), nullptr);
    EXPECT_EQ(*sounding->Attribute("DEPTH"), "12.50");
    for (const auto& f : chart.features) {   // each split sounding keeps the cell's SCAMIN
        if (f.objectClass == "SOUNDG") {
            EXPECT_EQ(f.ScaleMinimum(), 21999u);
        }
    }
    EXPECT_EQ(buoy->ScaleMinimum(), 0u);

    ASSERT_TRUE(WriteVChartFile(dir / "US5WA99M.b", chart, nullptr));
    std::string error;
    auto file = CVChartFile::Open(dir / "US5WA99M.b", &error);
    ASSERT_TRUE(file) << error;
    VChartData back;
    ASSERT_TRUE(file->View().ReadAll(back));
    EXPECT_EQ(back.info.bytes, chart.info.bytes);
    EXPECT_EQ(back.features, chart.features);
    // One feature read over another (as drawing does) keeps nothing of the
    // one before: read backwards too, so longer lists precede shorter ones.
    VFeature one;
    for (std::size_t i = 0; i < chart.features.size(); ++i) {
        ASSERT_TRUE(file->View().ReadFeature(i, one));
        EXPECT_EQ(one, chart.features[i]) << i;
    }
    for (std::size_t i = chart.features.size(); i-- > 0;) {
        ASSERT_TRUE(file->View().ReadFeature(i, one));
        EXPECT_EQ(one, chart.features[i]) << i;
    }

    // The grid finds the buoy from a small area around it and not far off.
    auto near = file->View().FeaturesIn({-1223920000, 476000000, -1223900000, 476020000});
    bool foundBuoy = false;
    for (auto i : near)
        foundBuoy |= file->View().ClassOf(i) == "BOYLAT";
    EXPECT_TRUE(foundBuoy);
    EXPECT_TRUE(file->View().FeaturesIn({0, 0, 10, 10}).empty());
}

// The grid answers as a search of every feature with points would: the
// whole chart, beyond it, its quarters and small areas round its corners.
TEST(VChartStore, GridFindsWhatASearchOfEveryFeatureFinds)
{
    TempFolder dir;
    ASSERT_TRUE(vtest::WriteSampleCell(dir.Path(), "US5WA99M"));
    VChartData chart;
    ASSERT_TRUE(ImportS57Cell((dir / "US5WA99M.000").string(), true, chart).ok);
    const std::string bytes = EncodeVChart(chart);
    CVChartView view;
    ASSERT_TRUE(view.Attach(bytes, nullptr));

    VBounds all{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (const auto& f : chart.features)
        if (!f.parts.empty())
            all = {std::min(all.west, f.bounds.west), std::min(all.south, f.bounds.south),
                   std::max(all.east, f.bounds.east), std::max(all.north, f.bounds.north)};
    const std::int32_t midLon = all.west / 2 + all.east / 2, midLat = all.south / 2 + all.north / 2;
    const std::vector<VBounds> areas = {
        all,
        {all.west - 100000, all.south - 100000, all.east + 100000, all.north + 100000},
        {all.west, all.south, midLon, midLat},
        {midLon, midLat, all.east, all.north},
        {all.west, midLat, midLon, all.north},
        {all.west - 1000, all.south - 1000, all.west + 1000, all.south + 1000},
        {all.east - 1000, all.north - 1000, all.east + 1000, all.north + 1000},
        {all.west + 1, all.south, all.east, all.north},
    };
    for (const auto& area : areas) {
        std::vector<std::uint32_t> expected;
        for (std::uint32_t i = 0; i < chart.features.size(); ++i) {
            const auto& b = chart.features[i].bounds;
            if (!chart.features[i].parts.empty() && area.west <= b.east && b.west <= area.east &&
                area.south <= b.north && b.south <= area.north)
                expected.push_back(i);
        }
        EXPECT_EQ(view.FeaturesIn(area), expected)
            << area.west << " " << area.south << " " << area.east << " " << area.north;
    }
}

namespace {

VFeature PointAt(std::int32_t lon, std::int32_t lat, const char* scamin)
{
    VFeature f;
    f.objectClass = "BOYLAT";
    f.geom = VGeom::Point;
    if (scamin)
        f.attributes = {{"COLOUR", "3"}, {"SCAMIN", scamin}};
    f.parts = {VPart{true, {{lon, lat}}}};
    f.ComputeBounds();
    return f;
}

}   // namespace

// Each feature's SCAMIN is kept in the file and leaves the feature out of
// lookups at smaller scales (larger denominators), on the whole chart and on
// small areas alike; files of the first format read with every feature
// shown; a later format is refused with a message saying so.
TEST(VChartStore, SmallestDisplayScalesAreKeptAndOlderFilesStillRead)
{
    VChartData chart;
    const char* scamins[] = {nullptr, "44999", "349999", "not a number", "0", "-5"};
    for (int i = 0; i < 6; ++i)
        chart.features.push_back(PointAt(-1224000000 + i * 1000000, 476000000, scamins[i]));
    const std::string bytes = EncodeVChart(chart);
    CVChartView view;
    std::string error;
    ASSERT_TRUE(view.Attach(bytes, &error)) << error;
    EXPECT_EQ(view.Version(), kStoreVersion);
    const std::uint32_t kept[] = {0, 44999, 349999, 0, 0, 0};
    for (std::uint32_t i = 0; i < 6; ++i)
        EXPECT_EQ(view.ScaleMinimumOf(i), kept[i]) << i;

    const VBounds all{-1250000000, 470000000, -1200000000, 480000000};
    const VBounds nearSecond{-1223000010, 475999990, -1222999990, 476000010};
    using Ids = std::vector<std::uint32_t>;
    EXPECT_EQ(view.FeaturesIn(all), (Ids{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(view.FeaturesIn(all, 20000), (Ids{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(view.FeaturesIn(all, 44999), (Ids{0, 1, 2, 3, 4, 5}));   // at its own scale
    EXPECT_EQ(view.FeaturesIn(all, 45000), (Ids{0, 2, 3, 4, 5}));
    EXPECT_EQ(view.FeaturesIn(all, 1e6), (Ids{0, 3, 4, 5}));
    EXPECT_EQ(view.FeaturesIn(nearSecond, 44999), (Ids{1}));
    EXPECT_TRUE(view.FeaturesIn(nearSecond, 45000).empty());

    // The first format: no table, every feature at every scale, read as before.
    const std::string first = vtest::AsFirstFormat(bytes);
    CVChartView old;
    ASSERT_TRUE(old.Attach(first, &error)) << error;
    EXPECT_EQ(old.Version(), 1);
    EXPECT_EQ(old.FeaturesIn(all, 1e6), (Ids{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(old.FeaturesIn(nearSecond, 1e6), (Ids{1}));
    EXPECT_EQ(old.ScaleMinimumOf(1), 0u);
    VChartData back;
    ASSERT_TRUE(old.ReadAll(back));
    EXPECT_EQ(back.features, chart.features);

    // A format after this one, whole and with a good checksum: refused, and
    // the message says why.
    std::string later = bytes;
    later[4] = char(kStoreVersion + 1);
    later = vtest::Resealed(later);
    CVChartView newer;
    EXPECT_FALSE(newer.Attach(later, &error));
    EXPECT_NE(error.find("newer version"), std::string::npos) << error;

    // A table whose count or place does not fit is damage.
    std::string shortTable = bytes;
    shortTable[60] = char(shortTable[60] + 1);
    EXPECT_FALSE(newer.Attach(vtest::Resealed(shortTable), &error));
    EXPECT_NE(error.find("scale table"), std::string::npos) << error;
}

TEST(VChartStore, UpdateGapImportsUpToItAndNamesTheMissingFile)
{
    TempFolder dir;
    ASSERT_TRUE(vtest::WriteSampleCell(dir.Path(), "GAP"));
    WriteBytes(dir / "GAP.002", "x");
    auto seq = FindUpdates((dir / "GAP.000").string());
    EXPECT_EQ(seq.contiguous, 0);
    EXPECT_EQ(seq.missing, "GAP.001");
    VChartData chart;
    auto result = ImportS57Cell((dir / "GAP.000").string(), true, chart);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.missingUpdate, "GAP.001");
}

TEST(VChartStore, DamagedCellsAreRefusedWithAMessage)
{
    TempFolder dir;
    ASSERT_TRUE(vtest::WriteSampleCell(dir.Path(), "GOOD"));
    std::string good = ReadBytes(dir / "GOOD.000");
    WriteBytes(dir / "TEXT.000", "this is not an ISO 8211 file at all\n");
    WriteBytes(dir / "SHORT.000", good.substr(0, 30));
    VChartData chart;
    for (const char* name : {"TEXT.000", "SHORT.000", "NONE.000"}) {
        auto result = ImportS57Cell((dir / name).string(), true, chart);
        EXPECT_FALSE(result.ok) << name;
        EXPECT_FALSE(result.error.empty()) << name;
    }
}

// A cell whose description reads the object class wider than S-57's two
// bytes could make the reader size a table of gigabytes: it is refused first.
TEST(VChartStore, AFeatureLayoutOtherThanS57sIsRefusedBeforeItIsRead)
{
    TempFolder dir;
    ASSERT_TRUE(vtest::WriteSampleCell(dir.Path(), "WIDE"));
    std::string bytes = ReadBytes(dir / "WIDE.000");
    const std::string standard = "(b11,b14,b11,b11,b12,b12,b11)";
    const std::size_t at = bytes.find(standard);
    ASSERT_NE(at, std::string::npos);
    VChartData chart;
    ASSERT_TRUE(ImportS57Cell((dir / "WIDE.000").string(), true, chart).ok);
    bytes.replace(at, standard.size(), "(b11,b14,b11,b11,b14,b12,b11)");
    WriteBytes(dir / "WIDE.000", bytes);
    const auto result = ImportS57Cell((dir / "WIDE.000").string(), true, chart);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("WIDE.000: its feature records are not laid out as S-57's"),
              std::string::npos)
        << result.error;
}

TEST(VChartStore, DamagedStoreFilesOpenToAMessage)
{
    TempFolder dir;
    ASSERT_TRUE(vtest::WriteSampleCell(dir.Path(), "C"));
    VChartData chart;
    ASSERT_TRUE(ImportS57Cell((dir / "C.000").string(), true, chart).ok);
    std::string bytes = EncodeVChart(chart);
    std::string error;
    // Every truncation and a flipped byte anywhere are refused.
    for (std::size_t cut = 0; cut < bytes.size(); cut += 7) {
        CVChartView view;
        EXPECT_FALSE(view.Attach(std::string_view(bytes).substr(0, cut), &error)) << cut;
    }
    for (std::size_t at = 0; at < bytes.size(); at += 5) {
        std::string flipped = bytes;
        flipped[at] = char(flipped[at] ^ 0x40);
        CVChartView view;
        EXPECT_FALSE(view.Attach(flipped, &error)) << at;
        EXPECT_FALSE(error.empty());
    }
    WriteBytes(dir / "bad.b", bytes.substr(0, bytes.size() / 2));
    EXPECT_FALSE(CVChartFile::Open(dir / "bad.b", &error));
    EXPECT_NE(error.find("bad.b"), std::string::npos);
}

TEST(VChartStore, CoordinatesTruncateTowardZero)
{
    EXPECT_EQ(DegreesToUnits(47.6), 476000000);
    EXPECT_EQ(DegreesToUnits(-122.3912345), -1223912345);
    EXPECT_EQ(DegreesToUnits(1.23456789e-6), 12);
    EXPECT_EQ(DegreesToUnits(-1.23456789e-6), -12);
}
