// The folio file, the best-chart search over it, and rebuilding it from a
// folder of cells (refused cells, the lock, kills at random moments).
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <thread>

#include "ChildProcess.h"
#include "PythonScript.h"
#include "S57UpdateWriter.h"
#include "TempFolder.h"
#include "TestCells.h"
#include "engines/vector/Folio.h"
#include "engines/vector/FolioUpdate.h"
#include "engines/vector/VChartStore.h"
#include "platform/Files.h"
#include "platform/LocaleFreeNumbers.h"

using namespace vengine;
using brine_test::TempFolder;

namespace {

std::int32_t Deg(double d)
{
    return std::int32_t(d * 1e7);
}

FolioRecord Rec(const char* name, double w, double s, double e, double n, int scale,
                bool inUse = true)
{
    return {name, Deg(w), Deg(s), Deg(e), Deg(n), scale, inUse};
}

FolioQuery Query(double a, double b, double low, double high, bool same, int threshold)
{
    return {Deg(a), Deg(b), Deg(low), Deg(high), same, threshold};
}

std::string ReadBytes(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The buoy's colour in a chart store, empty when it has none.
std::string BuoyColour(const std::filesystem::path& store)
{
    auto file = CVChartFile::Open(store, nullptr);
    VChartData chart;
    if (!file || !file->View().ReadAll(chart))
        return {};
    for (const auto& f : chart.features)
        if (f.objectClass == "BOYLAT" && f.Attribute("COLOUR"))
            return *f.Attribute("COLOUR");
    return {};
}

// Update `number` of the cell, giving the buoy (at `version` before it) a new colour.
bool WriteBuoyUpdate(const std::filesystem::path& cell, int number, int buoy, int version,
                     const std::string& colour)
{
    vchart::UpdateHeader header;
    header.updateNumber = number;
    vchart::CS57UpdateWriter writer;
    std::string error;
    auto update = cell;
    update.replace_extension(platform::FormatC(".%03d", number));
    return writer.Begin(cell.string(), header, error) &&
           writer.ChangeAttributes("BOYLAT", 1, buoy, version, {{"COLOUR", colour}}) &&
           writer.Write(update.string(), error);
}

}   // namespace

TEST(Folio, BestChartSearch)
{
    const std::vector<FolioRecord> seattle = {
        Rec("OVERVIEW", -123.5, 47.0, -122.0, 48.5, 200000),
        Rec("UNUSED", -122.6, 47.4, -122.2, 47.8, 5000, false),
        Rec("APPROACH", -122.8, 47.3, -122.2, 48.0, 50000),
        Rec("HARBOUR", -122.45, 47.55, -122.3, 47.65, 20000),
        Rec("HARBOUR2", -122.45, 47.55, -122.3, 47.65, 20000),
    };
    struct Row {
        const char* what;
        std::vector<FolioRecord> records;
        FolioQuery query;
        std::function<bool(const FolioRecord&)> allowed;
        const char* expected;   // nullptr: none
    };
    const std::vector<FolioRecord> pacific = {Rec("DATELINE", 179.0, -20.0, -179.0, -15.0, 90000)};
    const std::vector<Row> rows = {
        {"in-use 0 is never chosen, smallest scale wins",
         seattle,
         Query(-122.40, -122.35, 47.58, 47.60, false, 0),
         {},
         "HARBOUR"},
        {"same positions take the current scale; a later equal one replaces",
         seattle,
         Query(-122.40, -122.40, 47.60, 47.60, true, 20000),
         {},
         "HARBOUR2"},
        {"two positions: only a larger scale than the current",
         seattle,
         Query(-122.40, -122.35, 47.58, 47.60, false, 20000),
         {},
         nullptr},
        {"two positions, first of equal scales stays",
         seattle,
         Query(-122.40, -122.35, 47.58, 47.60, false, 50000),
         {},
         "HARBOUR"},
        {"an edge touched exactly is not covered",
         seattle,
         Query(-122.45, -122.35, 47.58, 47.60, false, 0),
         {},
         "APPROACH"},
        {"crossing record cut at the meridian on A's east side",
         pacific,
         Query(179.5, 179.8, -18.0, -17.0, false, 0),
         {},
         "DATELINE"},
        {"crossing record cut at the meridian on A's west side",
         pacific,
         Query(-179.8, -179.5, -18.0, -17.0, false, 0),
         {},
         "DATELINE"},
        {"the cut edge at 179.9999999 itself is not covered",
         pacific,
         Query(179.5, 179.99999995, -18.0, -17.0, false, 0),
         {},
         nullptr},
        {"crossing query finds the crossing record",
         pacific,
         Query(179.5, -179.5, -18.0, -17.0, false, 0),
         {},
         "DATELINE"},
        {"crossing query skips records that do not cross",
         seattle,
         Query(-122.35, -122.40, 47.58, 47.60, false, 0),
         {},
         nullptr},
        {"restricted by name", seattle, Query(-122.40, -122.35, 47.58, 47.60, false, 0),
         [](const FolioRecord& r) { return r.name != "HARBOUR"; }, "HARBOUR2"},
        {"restricted by scale", seattle, Query(-122.40, -122.35, 47.58, 47.60, false, 0),
         [](const FolioRecord& r) { return r.scale >= 50000; }, "APPROACH"},
    };
    for (const auto& row : rows) {
        auto found = FindBestChart(row.records, row.query, row.allowed);
        const std::string name = found ? row.records[*found].name : "(none)";
        EXPECT_EQ(name, row.expected ? row.expected : "(none)") << row.what;
    }
}

TEST(Folio, RecordsReadByPythonStruct)
{
    TempFolder dir;
    std::vector<FolioRecord> records = {Rec("US5WA22M", -122.45, 47.55, -122.3, 47.65, 20000),
                                        Rec("A-VERY-LONG-NAME-CUT", 1, 2, 3, 4, 5, false)};
    ASSERT_TRUE(platform::WriteFileAtomically(dir / "LC.FOL", EncodeFolio(records)));
    auto back = ReadFolio(dir.Path());
    ASSERT_TRUE(back);
    ASSERT_EQ(back->size(), 2u);
    EXPECT_EQ((*back)[0], records[0]);
    EXPECT_EQ((*back)[1].name, "A-VERY-LONG-NAM");   // 15 characters and its zero
    auto out = brine_test::RunPython(
        "import struct\n"
        "data = open('" +
        (dir / "LC.FOL").string() +
        "', 'rb').read()\n"
        "for i in range(0, len(data) - 39, 40):\n"
        "    name, w, s, e, n, scale, _, used = struct.unpack('<16s5iBB2x', data[i:i+40])\n"
        "    print(name.split(b'\\0')[0].decode(), w, s, e, n, scale, used)\n");
    ASSERT_TRUE(out);
    EXPECT_EQ(*out, "US5WA22M -1224500000 475500000 -1223000000 476500000 20000 1\n"
                    "A-VERY-LONG-NAM 10000000 20000000 30000000 40000000 5 0\n");
    // A short tail and a name without its terminator are read within bounds.
    std::string bytes = EncodeFolio(records);
    bytes.replace(0, 16, "ABCDEFGHIJKLMNOP");
    bytes += "short";
    auto decoded = DecodeFolio(bytes);
    ASSERT_EQ(decoded.size(), 2u);
    EXPECT_EQ(decoded[0].name, "ABCDEFGHIJKLMNOP");
}

TEST(Folio, UpdateImportsCellsKeepsOldStoresOfRefusedOnesAndWaitsForTheLock)
{
    TempFolder dir;
    std::filesystem::create_directories(dir / "ENC_ROOT" / "sub");
    ASSERT_TRUE(vtest::WriteSampleCell(dir / "ENC_ROOT", "US5WA01M"));
    ASSERT_TRUE(vtest::WriteSampleCell(dir / "ENC_ROOT" / "sub", "us4wa02m"));
    std::vector<std::string> seen;
    auto first = UpdateFolio(dir.Path(),
                             [&](int, int, const std::string& cell) { seen.push_back(cell); }, {});
    EXPECT_EQ(first.recordsWritten, 2);
    EXPECT_EQ(first.imported, 2);
    EXPECT_TRUE(first.refused.empty());
    EXPECT_TRUE(std::filesystem::exists(dir / "US4WA02M.b"));
    ASSERT_EQ(seen.size(), 3u);   // each cell, then the end

    // Nothing changed: nothing imported, the same folio.
    const std::string folio = ReadBytes(dir / "LC.FOL");
    auto again = UpdateFolio(dir.Path(), {}, {});
    EXPECT_EQ(again.imported, 0);
    EXPECT_EQ(ReadBytes(dir / "LC.FOL"), folio);

    // A damaged cell is refused by name; its old ".b" and the folio stay as they were.
    const std::string oldStore = ReadBytes(dir / "US5WA01M.b");
    std::ofstream(dir / "ENC_ROOT" / "US5WA01M.000", std::ios::trunc) << "not a cell";
    auto damaged = UpdateFolio(dir.Path(), {}, {});
    ASSERT_EQ(damaged.refused.size(), 1u);
    EXPECT_EQ(damaged.refused[0].rfind("US5WA01M.000: ", 0), 0u) << damaged.refused[0];
    EXPECT_EQ(ReadBytes(dir / "US5WA01M.b"), oldStore);
    EXPECT_EQ(ReadBytes(dir / "LC.FOL"), folio);

    // Another process holding the lock past the wait: -1, the folio untouched.
    brine_test::Turn locked, release;
    pid_t holder = brine_test::ForkChild([&] {
        platform::CFileDescriptor fd(
            ::open((dir / kFolioLockName).c_str(), O_RDWR | O_CREAT, 0644));
        platform::CFileRangeLock lock;
        if (!lock.TryLock(fd.Get(), 0, 1, platform::LockKind::Exclusive))
            return 1;
        locked.Post();
        release.Wait();
        return 0;
    });
    locked.Wait();
    auto busy = UpdateFolio(dir.Path(), {}, {}, std::chrono::milliseconds(200));
    EXPECT_EQ(busy.recordsWritten, -1);
    release.Post();
    EXPECT_EQ(brine_test::WaitChild(holder), 0);

    // Cancel before the first cell: nothing imported.
    std::stop_source stop;
    stop.request_stop();
    std::filesystem::last_write_time(dir / "ENC_ROOT" / "sub" / "us4wa02m.000",
                                     std::filesystem::file_time_type::clock::now());
    auto cancelled = UpdateFolio(dir.Path(), {}, stop.get_token());
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_EQ(cancelled.imported, 0);
}

TEST(Folio, KilledUpdatesLeaveWholeFilesAndARerunCompletes)
{
    TempFolder dir;
    for (const char* name : {"US5WA01M", "US5WA02M", "US5WA03M", "US4WA04M"})
        ASSERT_TRUE(vtest::WriteSampleCell(dir.Path(), name));
    std::mt19937 random(26);
    for (int round = 0; round < 12; ++round) {
        // Touch the cells so every round imports them again.
        for (const auto& cell : FindCells(dir.Path()))
            std::filesystem::last_write_time(cell, std::filesystem::file_time_type::clock::now());
        pid_t child = brine_test::ForkChild(
            [&] { return UpdateFolio(dir.Path(), {}, {}).recordsWritten == 4 ? 0 : 1; });
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 40000));
        ::kill(child, SIGKILL);
        brine_test::WaitChild(child);
        if (std::filesystem::exists(dir / "LC.FOL")) {
            auto size = std::filesystem::file_size(dir / "LC.FOL");
            EXPECT_TRUE(size == 0 || size == 4 * kFolioRecordSize) << size;
        }
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
            if (entry.path().extension() != ".b")
                continue;
            std::string error;
            EXPECT_TRUE(CVChartFile::Open(entry.path(), &error)) << error;
        }
    }
    auto rerun = UpdateFolio(dir.Path(), {}, {});
    EXPECT_EQ(rerun.recordsWritten, 4);
    EXPECT_EQ(ReadFolio(dir.Path())->size(), 4u);
}

// Update files copied in after their cell was imported, newer than its store
// or keeping an older time from their medium: each folio update imports the
// cell again with them, so the store holds the updated feature; with nothing
// new, nothing is imported again.
TEST(Folio, UpdatesArrivingAfterTheCellAreApplied)
{
    TempFolder dir;
    std::filesystem::create_directories(dir / "ENC_ROOT");
    const auto cell = dir / "ENC_ROOT" / "US5WA05M.000";
    const auto store = dir / "US5WA05M.b";
    int buoy = 0;
    ASSERT_TRUE(vtest::WriteSampleCell(dir / "ENC_ROOT", "US5WA05M", &buoy));
    auto imported = UpdateFolio(dir.Path(), {}, {});
    ASSERT_EQ(imported.imported, 1);
    EXPECT_EQ(BuoyColour(store), "3");   // red

    struct Step {
        int number;
        std::string colour;
    };
    for (const Step& step : {Step{1, "4"}, Step{2, "1"}}) {   // green, then white
        SCOPED_TRACE("update " + std::to_string(step.number));
        // The cell and its store written a while ago; the update copied in now.
        const auto now = std::filesystem::file_time_type::clock::now();
        std::filesystem::last_write_time(cell, now - std::chrono::minutes(10));
        std::filesystem::last_write_time(store, now - std::chrono::minutes(5));
        ASSERT_TRUE(WriteBuoyUpdate(cell, step.number, buoy, step.number, step.colour));
        auto updated = UpdateFolio(dir.Path(), {}, {});
        EXPECT_EQ(updated.imported, 1);
        EXPECT_TRUE(updated.refused.empty());
        EXPECT_TRUE(updated.notes.empty());
        EXPECT_EQ(updated.recordsWritten, 1);
        EXPECT_EQ(BuoyColour(store), step.colour);
        auto file = CVChartFile::Open(store, nullptr);
        ASSERT_TRUE(file);
        EXPECT_EQ(file->View().Update(), step.number);
        EXPECT_EQ(UpdateFolio(dir.Path(), {}, {}).imported, 0);
    }

    // An update copied with the time it had on its medium, older than the store.
    ASSERT_TRUE(WriteBuoyUpdate(cell, 3, buoy, 3, "6"));   // yellow
    const auto now = std::filesystem::file_time_type::clock::now();
    std::filesystem::last_write_time(cell.parent_path() / "US5WA05M.003",
                                     now - std::chrono::hours(24 * 7));
    EXPECT_EQ(UpdateFolio(dir.Path(), {}, {}).imported, 1);
    EXPECT_EQ(BuoyColour(store), "6");
    EXPECT_EQ(UpdateFolio(dir.Path(), {}, {}).imported, 0);

    // The same update corrected and copied in again, after the store.
    std::filesystem::last_write_time(store, now - std::chrono::minutes(5));
    ASSERT_TRUE(WriteBuoyUpdate(cell, 3, buoy, 3, "4"));
    EXPECT_EQ(UpdateFolio(dir.Path(), {}, {}).imported, 1);
    EXPECT_EQ(BuoyColour(store), "4");
}

// A store of the first format (no display scales) beside its cell is imported
// again, so it gains the cell's SCAMIN; without its cell it stays in the
// folio as it is.
TEST(Folio, FirstFormatStoresAreImportedAgainFromTheirCell)
{
    TempFolder dir;
    std::filesystem::create_directories(dir / "ENC_ROOT");
    ASSERT_TRUE(vtest::WriteSampleCell(dir / "ENC_ROOT", "US5WA06M"));
    ASSERT_TRUE(vtest::WriteSampleCell(dir.Path(), "US5WA07M"));
    ASSERT_EQ(UpdateFolio(dir.Path(), {}, {}).imported, 2);
    std::filesystem::remove(dir / "US5WA07M.000");
    for (const char* name : {"US5WA06M.b", "US5WA07M.b"}) {
        const std::string first = vtest::AsFirstFormat(ReadBytes(dir / name));
        std::ofstream(dir / name, std::ios::binary | std::ios::trunc) << first;
    }

    auto updated = UpdateFolio(dir.Path(), {}, {});
    EXPECT_EQ(updated.imported, 1);
    EXPECT_EQ(updated.recordsWritten, 2);
    auto file = CVChartFile::Open(dir / "US5WA06M.b", nullptr);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->View().Version(), kStoreVersion);
    int soundings = 0;
    for (std::size_t i = 0; i < file->View().FeatureCount(); ++i)
        if (file->View().ClassOf(i) == "SOUNDG") {
            ++soundings;
            EXPECT_EQ(file->View().ScaleMinimumOf(i), 21999u);
        }
    EXPECT_EQ(soundings, 2);
    auto kept = CVChartFile::Open(dir / "US5WA07M.b", nullptr);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->View().Version(), 1);
    EXPECT_EQ(UpdateFolio(dir.Path(), {}, {}).imported, 0);
}
