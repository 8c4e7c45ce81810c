// Installation from fake chart media with scripted prompts: the update pass
// seeding an empty catalogue, Express with the chart medium found through
// Choose Folder..., Cancel and a failed copy leaving no partial chart, a
// second update medium bringing update tiles, and the documents opened from
// what was installed (drawn, zoomed, verified).

#include "FakeChartWindow.h"
#include "PythonScript.h"
#include "TempFolder.h"
#include "support/InstallFixture.h"

#include "app/WaitStatus.h"
#include "chart/ChartingModule.h"
#include "chart/draw/BufferDC.h"
#include "chart/draw/RecordingBackend.h"
#include "chart/draw/XDC.h"
#include "charts/hcrf/ChartCopy.h"
#include "charts/hcrf/HCRFDoc.h"
#include "charts/hcrf/HCRFModule.h"
#include "platform/SettingsStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <fstream>
#include <functional>
#include <string_view>

namespace fs = std::filesystem;
using namespace charts::hcrf;

namespace {

using brine_test::Installation;

// A copy of the update medium WK10_26 in `dir`, as the medium `name` of
// `country` labelled `label` and dated `date`.
fs::path CopyOfUpdateMedium(const fs::path& dir, const char* name, const char* country,
                            const char* label, const char* date)
{
    const fs::path medium = dir / name;
    fs::copy(dir / "WK10_26", medium, fs::copy_options::recursive);
    brine_test::WriteCdv(medium, country, label, date);
    return medium;
}

// Writes `bytes` into chart `number`'s entry of the medium's catalogue, `at`
// bytes from the entry's start.
::testing::AssertionResult PatchCatalogueEntry(const fs::path& medium, const char* number,
                                               std::streamoff at, std::string_view bytes)
{
    CCatalogueFolder catalogue;
    if (!catalogue.Load(medium))
        return ::testing::AssertionFailure() << "no catalogue on " << medium;
    const auto offset = catalogue.Find(number);
    if (!offset)
        return ::testing::AssertionFailure() << number << " not in the catalogue";
    std::fstream f(ChildNoCase(ChildNoCase(medium, "ChartCat"), "Chart.cat"),
                   std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(std::streamoff(*offset) + at);
    f.write(bytes.data(), std::streamsize(bytes.size()));
    return f ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << "not written";
}

// A file of a chart's name in `folder`, made empty for the test to size: a
// sparse file this large keeps the copy going for a tenth of a second or so.
constexpr std::uintmax_t kLongCopyBytes = 64u << 20;
fs::path LargeFileIn(const fs::path& folder, const char* name)
{
    const fs::path file = folder / name;
    std::ofstream{file};
    return file;
}

TEST(ChartInstall, UpdatesSeedThenExpressInstallsThroughChooseFolder)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    in.MakeCharts(false);
    // The start made an empty catalogue and opened it read-only.
    EXPECT_TRUE(in.Cat().IsOpen());
    EXPECT_TRUE(in.Cat().IsReadOnly());
    EXPECT_EQ(in.Cat().GetRecordCount(), 0);
    EXPECT_TRUE(fs::exists(in.arcs->ModuleFolder() / "Cat.dbf"));
    // Fresh settings: no medium at the source path; the update prompt is
    // answered by choosing the update medium's folder.
    ASSERT_TRUE(in.SeedCatalogue());
    EXPECT_FALSE(in.holdSet);
    EXPECT_GE(in.holdChanges, 2);
    ASSERT_TRUE(in.Cat().IsOpen());
    EXPECT_TRUE(in.Cat().IsReadOnly());
    EXPECT_EQ(in.Cat().GetRecordCount(), 3);
    ASSERT_TRUE(in.Cat().SeekKey("rc2002"));
    EXPECT_EQ(in.Cat().m_source, 0);
    EXPECT_EQ(in.Cat().m_ho, 0u);
    EXPECT_EQ(in.Cat().m_upcdid, "WK10_26");
    EXPECT_EQ(in.Cat().m_chcdid, "RC1");
    EXPECT_EQ(in.Cat().m_scale, 50000);
    EXPECT_TRUE(fs::exists(in.arcs->UpdateSourcePath("WK10_26") / "ReadMe.cdv"));
    EXPECT_EQ(in.arcs->GetLatestUpdateLabel(), "WK10_26");

    // Express: the chart medium is asked for and chosen by folder. The
    // progress counts the charts done before the one in hand: 0, 1, 2 of 3.
    in.ui.progressSteps.clear();
    ASSERT_TRUE(in.InstallCharts());
    ASSERT_FALSE(in.ui.progressSteps.empty());
    EXPECT_EQ(in.ui.progressSteps.front().first, 0u);
    for (const auto& [chart, charts] : in.ui.progressSteps) {
        EXPECT_EQ(charts, 3u);
        EXPECT_LT(chart, charts);
    }
    for (const char* n : {"RC1001", "RC2002", "RC3003"}) {
        ASSERT_TRUE(in.Cat().SeekKey(n)) << n;
        EXPECT_EQ(in.Cat().m_source, 3) << n;
        EXPECT_EQ(in.Cat().m_chcddop, "20260101");
        EXPECT_TRUE(fs::exists(in.arcs->ChartFilePath(true, n, "chr"))) << n;
        EXPECT_FALSE(fs::exists(StagingFolderOf(in.arcs->ChartFolder(true, n))));
    }
    // Copies keep the medium's time, so a rerun copies nothing.
    const fs::path chr = in.arcs->ChartFilePath(true, "RC1001", "chr");
    const fs::path source = dir / "RC1" / "RasChts" / "010" / "RC1001" / "RC1001.chr";
    EXPECT_EQ(fs::last_write_time(chr), fs::last_write_time(source));

    // Another dBASE reader finds the media's values in the catalogue.
    const auto out = brine_test::RunPython(
        "import dbfread\n"
        "for r in dbfread.DBF('" +
        (in.arcs->ModuleFolder() / "Cat.dbf").string() +
        "', encoding='cp1252'):\n"
        "    print('|'.join(str(r[f]) for f in ('NO', 'DESC', 'CHCDID', 'CHCDDOP', 'UPCDID', "
        "'UPCDDOP', 'SOURCE', 'CHPTR', 'SCALE', 'HO')))\n");
    ASSERT_TRUE(out.has_value()) << "python3 with dbfread is needed";
    std::ifstream ptr(dir / "WK10_26" / "ChartCat" / "Chart.ptr", std::ios::binary);
    const std::string pointers(std::istreambuf_iterator<char>(ptr), {});
    std::vector<std::string> expected;
    const char* numbers[] = {"RC1001", "RC2002", "RC3003"};
    const char* scales[] = {"150000", "50000", "12500"};
    for (int i = 0; i < 3; ++i)
        expected.push_back(
            std::string(numbers[i]) + "|Chart " + numbers[i] + "|RC1|20260101|WK10_26|20260305|3|" +
            std::to_string(std::stoul(pointers.substr(i * 18 + 8, 7))) + "|" + scales[i] + "|0");
    EXPECT_EQ(brine_test::SplitLines(*out), expected);
}

TEST(ChartInstall, CancelAndFailureLeaveNoPartialChartAndNoRecordClaimingIt)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    in.MakeCharts(false);
    ASSERT_TRUE(in.SeedCatalogue());

    // Cancel pressed during the first chart copy: that chart is finished and
    // recorded, whole, and the installation stops after it. A large file
    // among its files keeps the copy going while Cancel is seen.
    fs::resize_file(LargeFileIn(dir / "RC1" / "RasChts" / "010" / "RC1001", "RC1001.c99"),
                    kLongCopyBytes);
    in.ui.answers = {(dir / "RC1").string()};
    const std::string chartMedium = (dir / "RC1").string();
    in.ui.cancelAfter = [&] { return in.charting->GetSourcePath() == chartMedium; };
    EXPECT_FALSE(in.arcs->RunManaged(&CHCRFModule::OnExpress, false));
    in.ui.cancelAfter = nullptr;
    for (const char* n : {"RC1001", "RC2002", "RC3003"}) {
        ASSERT_TRUE(in.Cat().SeekKey(n));
        const bool inHand = std::string_view(n) == "RC1001";
        EXPECT_EQ(in.Cat().m_source, inHand ? 3 : 2) << n;
        EXPECT_EQ(fs::exists(in.arcs->ChartFolder(true, n)), inHand) << n;
        EXPECT_FALSE(fs::exists(StagingFolderOf(in.arcs->ChartFolder(true, n)))) << n;
    }
    for (const auto& file : fs::directory_iterator(dir / "RC1" / "RasChts" / "010" / "RC1001")) {
        const fs::path copy = in.arcs->ChartFolder(true, "RC1001") / file.path().filename();
        ASSERT_TRUE(fs::exists(copy)) << copy;
        EXPECT_EQ(fs::file_size(copy), fs::file_size(file.path())) << copy;
    }
    // The page's frame reopened the catalogue read-only after the cancel.
    EXPECT_TRUE(in.Cat().IsReadOnly());

    // A chart folder missing from the medium ends the installation at that
    // chart, named to the user; what was installed before it stays recorded.
    const fs::path approachGroup = dir / "RC1" / "RasChts" / "020";
    fs::rename(approachGroup, dir / "aside");
    in.ui.answers = {chartMedium};
    in.ui.messages.clear();
    EXPECT_FALSE(in.arcs->RunManaged(&CHCRFModule::OnExpress, false));
    ASSERT_TRUE(in.Cat().SeekKey("RC1001"));
    EXPECT_EQ(in.Cat().m_source, 3);
    ASSERT_TRUE(in.Cat().SeekKey("RC2002"));
    EXPECT_EQ(in.Cat().m_source & 1, 0);
    EXPECT_FALSE(fs::exists(in.arcs->ChartFolder(true, "RC2002")));
    EXPECT_FALSE(fs::exists(StagingFolderOf(in.arcs->ChartFolder(true, "RC2002"))));
    ASSERT_TRUE(in.Cat().SeekKey("RC3003"));
    EXPECT_EQ(in.Cat().m_source & 1, 0) << "the installation went on past the failed chart";
    EXPECT_FALSE(fs::exists(in.arcs->ChartFolder(true, "RC3003")));
    ASSERT_EQ(in.ui.messages.size(), 1u);
    EXPECT_NE(in.ui.messages[0].find("RC2002"), std::string::npos) << in.ui.messages[0];

    // With the medium whole again a second run goes on from there.
    fs::rename(dir / "aside", approachGroup);
    in.ui.answers = {chartMedium};
    EXPECT_TRUE(in.arcs->RunManaged(&CHCRFModule::OnExpress, false));
    for (const char* n : {"RC1001", "RC2002", "RC3003"}) {
        ASSERT_TRUE(in.Cat().SeekKey(n)) << n;
        EXPECT_EQ(in.Cat().m_source, 3) << n;
    }
}

// Cancel pressed while an update medium's files are copied stops the update
// pass after the chart in hand: that chart's record names the new medium, the
// later ones keep the old, both copies of the media stay, and a second pass
// goes on from there.
TEST(ChartInstall, CancelledUpdatePassStopsAfterTheChartInHand)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    in.MakeCharts(true);
    ASSERT_TRUE(in.SeedCatalogue());
    ASSERT_TRUE(in.InstallCharts());
    const fs::path second = CopyOfUpdateMedium(dir.Path(), "WK11_26", "GB", "WK11_26", "20260312");
    fs::resize_file(LargeFileIn(second / "RasChts" / "010" / "RC1001", "RC1001.u99"),
                    kLongCopyBytes);
    in.ui.answers = {second.string()};
    in.ui.messages.clear();
    in.ui.cancelAfter = [] { return true; };
    EXPECT_FALSE(in.arcs->RunManaged(&CHCRFModule::OnUpdates, true));
    in.ui.cancelAfter = nullptr;
    // Only the medium's prompt: a cancelled pass is not reported as failed.
    EXPECT_EQ(in.ui.messages.size(), 1u) << in.ui.messages.back();
    for (const char* n : {"RC1001", "RC2002", "RC3003"}) {
        ASSERT_TRUE(in.Cat().SeekKey(n)) << n;
        EXPECT_EQ(in.Cat().m_upcdid, std::string_view(n) == "RC1001" ? "WK11_26" : "WK10_26") << n;
        EXPECT_EQ(in.Cat().m_source, 3) << n;
        EXPECT_TRUE(fs::exists(in.arcs->ChartFilePath(true, n, "hdr"))) << n;
        EXPECT_FALSE(fs::exists(StagingFolderOf(in.arcs->ChartUpdateFolder(true, n)))) << n;
    }
    EXPECT_TRUE(fs::exists(in.arcs->UpdateSourcePath("WK10_26") / "ReadMe.cdv"));
    EXPECT_TRUE(fs::exists(in.arcs->UpdateSourcePath("WK11_26") / "ReadMe.cdv"));

    in.ui.answers = {second.string()};
    EXPECT_TRUE(in.arcs->RunManaged(&CHCRFModule::OnUpdates, true));
    for (const char* n : {"RC1001", "RC2002", "RC3003"}) {
        ASSERT_TRUE(in.Cat().SeekKey(n)) << n;
        EXPECT_EQ(in.Cat().m_upcdid, "WK11_26") << n;
    }
    EXPECT_FALSE(fs::exists(in.arcs->UpdateSourcePath("WK10_26")));
}

// An update medium that cannot be read for one chart's update files ends the
// update pass there, says which chart, and does not report the pass as done.
TEST(ChartInstall, UpdatePassEndsAtAnUpdateCopyThatFails)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    in.MakeCharts(true);
    ASSERT_TRUE(in.SeedCatalogue());
    ASSERT_TRUE(in.InstallCharts());
    ASSERT_TRUE(in.Cat().SeekKey("RC2002"));
    ASSERT_EQ(in.Cat().m_source, 3);
    // A second update medium; the approach chart's update files cannot be
    // written to the disk (a file stands where their copy is built).
    const fs::path second = CopyOfUpdateMedium(dir.Path(), "WK11_26", "GB", "WK11_26", "20260312");
    const fs::path updates = in.arcs->ChartUpdateFolder(true, "RC2002");
    ASSERT_TRUE(fs::is_directory(updates));
    std::ofstream(StagingFolderOf(updates)) << "in the way";
    in.ui.answers = {second.string()};
    in.ui.messages.clear();
    EXPECT_FALSE(in.arcs->RunManaged(&CHCRFModule::OnUpdates, true));
    ASSERT_FALSE(in.ui.messages.empty());
    EXPECT_NE(in.ui.messages.back().find("RC2002"), std::string::npos) << in.ui.messages.back();
    // The chart before it took the new medium; the approach chart and the one after did not.
    ASSERT_TRUE(in.Cat().SeekKey("RC1001"));
    EXPECT_EQ(in.Cat().m_upcdid, "WK11_26");
    for (const char* n : {"RC2002", "RC3003"}) {
        ASSERT_TRUE(in.Cat().SeekKey(n)) << n;
        EXPECT_EQ(in.Cat().m_upcdid, "WK10_26") << n;
        EXPECT_EQ(in.Cat().m_source, 3) << n;
    }
}

// A chart delivered on update media whose chart copy from the new update
// medium fails ends the pass there as a failed update copy does: the chart
// keeps its old medium and the charts after it are not touched.
TEST(ChartInstall, UpdatePassEndsAtAChartCopyFromTheUpdateMediumThatFails)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    in.MakeCharts(true);
    ASSERT_TRUE(in.SeedCatalogue());
    ASSERT_TRUE(in.InstallCharts());
    // The second update medium delivers the approach chart itself: its entry
    // names no chart medium and its chart files are on the update medium,
    // newer than the ones on the disk.
    const fs::path second = CopyOfUpdateMedium(dir.Path(), "WK11_26", "GB", "WK11_26", "20260312");
    ASSERT_TRUE(PatchCatalogueEntry(second, "RC2002", 158, "UPDATE    "));
    const fs::path onMedium = second / "RasChts" / "020" / "RC2002";
    fs::copy(dir / "RC1" / "RasChts" / "020" / "RC2002", onMedium,
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    for (const auto& e : fs::directory_iterator(onMedium))
        fs::last_write_time(e.path(), fs::file_time_type::clock::now());
    // The copy cannot be built on the disk (a file stands where it goes).
    std::ofstream(StagingFolderOf(in.arcs->ChartFolder(true, "RC2002"))) << "in the way";
    ASSERT_TRUE(in.Cat().SeekKey("RC2002"));
    ASSERT_EQ(in.Cat().m_source, 3);
    in.ui.answers = {second.string()};
    in.ui.messages.clear();
    EXPECT_FALSE(in.arcs->RunManaged(&CHCRFModule::OnUpdates, true));
    ASSERT_FALSE(in.ui.messages.empty());
    EXPECT_NE(in.ui.messages.back().find("RC2002"), std::string::npos) << in.ui.messages.back();
    for (const char* n : {"RC2002", "RC3003"}) {
        ASSERT_TRUE(in.Cat().SeekKey(n)) << n;
        EXPECT_EQ(in.Cat().m_upcdid, "WK10_26") << n << " was stored from the new medium";
        EXPECT_EQ(in.Cat().m_chcdid, "RC1") << n;
        EXPECT_EQ(in.Cat().m_source, 3) << n;
    }
    EXPECT_TRUE(fs::exists(in.arcs->ChartFilePath(true, "RC2002", "hdr")));
}

// A chart whose entry on the new update medium names another edition was
// re-issued on a new chart medium: its chart files leave the disk, its record
// loses bit 0, and the user is told once; an equal-dated medium is processed.
TEST(ChartInstall, ReissuedChartLeavesTheDiskAndIsNamedOnce)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    in.MakeCharts(true);
    ASSERT_TRUE(in.SeedCatalogue());
    ASSERT_TRUE(in.InstallCharts());
    const fs::path second =
        CopyOfUpdateMedium(dir.Path(), "WK10_26b", "GB", "WK10_26", "20260305");   // the same date
    for (const char* n : {"RC1001", "RC2002"})
        ASSERT_TRUE(PatchCatalogueEntry(second, n, 10, "ZZ999999"));
    in.ui.answers = {second.string()};
    in.ui.messages.clear();
    EXPECT_TRUE(in.arcs->RunManaged(&CHCRFModule::OnUpdates, true));
    int told = 0;
    for (const std::string& m : in.ui.messages)
        told += m.find("re-issued") != std::string::npos;
    EXPECT_EQ(told, 1);
    for (const char* n : {"RC1001", "RC2002"}) {
        ASSERT_TRUE(in.Cat().SeekKey(n)) << n;
        EXPECT_EQ(in.Cat().m_source, 2) << n;
        EXPECT_FALSE(fs::exists(in.arcs->ChartFolder(true, n))) << n;
        // Each was the only chart of its group: the group folder went too.
        EXPECT_FALSE(fs::exists(in.arcs->ChartFolder(true, n).parent_path())) << n;
    }
    ASSERT_TRUE(in.Cat().SeekKey("RC3003"));
    EXPECT_EQ(in.Cat().m_source, 3);
    EXPECT_EQ(in.Cat().m_chcddop, "20260101");
}

// A copy over a chart's folder that fails while the new files move in puts
// the old ones back: never an index file of one edition beside the raster of
// another. A target that is in the way (here a folder) is moved aside with
// the old files, so the copy completes.
TEST(ChartInstall, CopyOverAChartFolderNeverLeavesAMixedSet)
{
    brine_test::TempFolder dir;
    const fs::path source = dir / "medium" / "RC1001", dest = dir / "disk" / "RC1001";
    brine_test::WriteText(source / "RC1001.chr", "new raster");
    brine_test::WriteText(source / "RC1001.hdr", "new header");
    brine_test::WriteText(dest / "RC1001.chr", "old raster");
    brine_test::WriteText(dest / "RC1001.hdr" / "x", "in the way");
    CSilentProgress progress;
    std::string error;
    EXPECT_EQ(CopyFolderIntoPlace(source, {"*.c??", "*.h??"}, dest, progress, 0, 1, error),
              CopyResult::Done)
        << error;
    std::ifstream chr(dest / "RC1001.chr"), hdr(dest / "RC1001.hdr");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(chr), {}), "new raster");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(hdr), {}), "new header");
    EXPECT_FALSE(fs::exists(StagingFolderOf(dest)));
}

// An update medium whose catalogue lists a chart but whose entry for it is
// damaged stops the update there: the chart is not taken for one the service
// withdrew, so its record and its files on the disk stay.
TEST(ChartInstall, DamagedCatalogueEntryStopsTheUpdateAndRemovesNothing)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    in.MakeCharts(true);
    ASSERT_TRUE(in.SeedCatalogue());
    ASSERT_TRUE(in.InstallCharts());
    const fs::path second = CopyOfUpdateMedium(dir.Path(), "WK11_26", "GB", "WK11_26", "20260312");
    // The approach chart's header line loses its terminator.
    ASSERT_TRUE(PatchCatalogueEntry(second, "RC2002", 193, "xyz"));
    in.ui.answers = {second.string()};
    EXPECT_FALSE(in.arcs->RunManaged(&CHCRFModule::OnUpdates, true));
    for (const char* n : {"RC2002", "RC3003"}) {
        ASSERT_TRUE(in.Cat().SeekKey(n)) << n << " was taken for withdrawn";
        EXPECT_EQ(in.Cat().m_upcdid, "WK10_26") << n;
        EXPECT_EQ(in.Cat().m_source, 3) << n;
        EXPECT_TRUE(fs::exists(in.arcs->ChartFilePath(true, n, "hdr"))) << n;
    }
    EXPECT_TRUE(in.Cat().IsReadOnly());
}

TEST(ChartInstall, ChartMediumWithAnotherDateIsNotTaken)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    in.MakeCharts(false);
    in.charting->SetSourcePath((dir / "RC1").string());
    // The medium is named right but dated otherwise: said so, then asked for again.
    in.ui.answers = {""};
    bool cancelled = false;
    EXPECT_FALSE(in.arcs->WaitForCD("rc1", "20991231", &cancelled));
    EXPECT_TRUE(cancelled);
    ASSERT_EQ(in.ui.messages.size(), 1u);
    EXPECT_NE(in.ui.messages[0].find("wrong publication date"), std::string::npos);
    ASSERT_EQ(in.ui.prompts.size(), 1u);
    EXPECT_NE(in.ui.prompts[0].find("rc1 dated 31/12/99"), std::string::npos);
    // The right date, or none asked for, takes it at once.
    EXPECT_TRUE(in.arcs->WaitForCD("RC1", "20260101", &cancelled));
    EXPECT_FALSE(cancelled);
    EXPECT_TRUE(in.arcs->WaitForCD("rc1", "", nullptr));
    EXPECT_FALSE(in.holdSet);
}

// A medium of the other service that bears the wanted name is not taken:
// the prompt asks for the right one.
TEST(ChartInstall, AnotherServicesMediumOfTheWantedNameIsNotTaken)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    in.MakeCharts(false);
    const fs::path other = CopyOfUpdateMedium(dir.Path(), "other", "AU", "WK10_26", "20260305");
    in.charting->SetSourcePath(other.string());
    in.ui.answers = {""};
    bool cancelled = false;
    EXPECT_FALSE(in.arcs->WaitForCD("WK10_26", {}, &cancelled));
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(in.ui.prompts.size(), 1u);
    in.ui.answers = {""};
    CCDIdentifier id;
    EXPECT_FALSE(in.arcs->WaitForUpdateCD(id));
    EXPECT_EQ(in.ui.prompts.size(), 2u);
    // The service's own medium of that name is taken at once.
    in.charting->SetSourcePath((dir / "WK10_26").string());
    EXPECT_TRUE(in.arcs->WaitForCD("wk10_26", {}, &cancelled));
    EXPECT_FALSE(cancelled);
    EXPECT_EQ(in.ui.prompts.size(), 2u);
    EXPECT_FALSE(in.holdSet);
}

// Updates, Express and Custom... are offered while the medium's folder
// exists and the catalogue holds charts of the service (Updates also on an
// empty catalogue, which it seeds).
TEST(ChartInstall, ManagementButtonsNeedTheMediumFolderAndChartsOfTheService)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    in.MakeCharts(false);
    in.charting->SetSourcePath((dir / "WK10_26").string());
    // A first installation: Updates seeds the catalogue.
    EXPECT_TRUE(in.arcs->CanUpdate());
    EXPECT_FALSE(in.arcs->CanInstall());
    ASSERT_TRUE(in.SeedCatalogue());
    EXPECT_TRUE(in.arcs->CanUpdate());
    EXPECT_TRUE(in.arcs->CanInstall());
    CHCRFModule* seafarer = nullptr;
    for (const auto& service : in.charting->ChartServices())
        if (auto* s = dynamic_cast<CSeafarerModule*>(service.get()))
            seafarer = s;
    ASSERT_NE(seafarer, nullptr);
    EXPECT_FALSE(seafarer->CanUpdate()) << "no chart of the service in the catalogue";
    EXPECT_FALSE(seafarer->CanInstall());
    // The medium's folder gone (a disc taken out with its mount point).
    in.charting->SetSourcePath((dir / "mount").string());
    EXPECT_TRUE(in.arcs->CanUpdate());
    fs::remove_all(dir / "mount");
    EXPECT_FALSE(in.arcs->CanUpdate());
    EXPECT_FALSE(in.arcs->CanInstall());
}

TEST(ChartInstall, CancelledMediumPromptEndsWithFalse)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    in.MakeCharts(false);
    in.ui.answers = {""};
    EXPECT_FALSE(in.arcs->RunManaged(&CHCRFModule::OnUpdates, true));
    ASSERT_FALSE(in.ui.messages.empty());
    EXPECT_EQ(in.ui.messages.front(), "Please Insert your latest Update CD");
    ASSERT_EQ(in.ui.prompts.size(), 1u);
    EXPECT_EQ(in.ui.prompts[0].substr(0, 29), "Please insert the UPDATE CD i");
    EXPECT_EQ(in.Cat().GetRecordCount(), 0);
    EXPECT_FALSE(in.arcs->PromptInsertCD("RC1", "20260101"));
    EXPECT_FALSE(in.holdSet);
}

// A Seafarer medium is taken by its name without blanks, "_" or "-" and
// without regard to case; the prompts name the medium and the folder in full,
// a chart medium with its date as day, month and year of the century.
TEST(ChartInstall, MediaAreFoundByNormalisedNameAndPromptsNameThemInFull)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    CHCRFModule* seafarer = nullptr;
    for (const auto& service : in.charting->ChartServices())
        if (auto* s = dynamic_cast<CSeafarerModule*>(service.get()))
            seafarer = s;
    ASSERT_NE(seafarer, nullptr);
    const fs::path medium = dir.Path() / "sf";
    brine_test::WriteCdv(medium, "AU", "Up mar-99", "19990301");
    in.charting->SetSourcePath(medium.string());
    bool cancelled = true;
    EXPECT_TRUE(seafarer->WaitForCD("UPMAR99", {}, &cancelled));
    EXPECT_FALSE(cancelled);
    CCDIdentifier id;
    EXPECT_TRUE(seafarer->WaitForUpdateCD(id));
    EXPECT_EQ(id.name, "Up mar-99");
    EXPECT_TRUE(in.ui.prompts.empty());

    const std::string folder = in.charting->GetSourcePath();
    EXPECT_FALSE(in.arcs->WaitForUpdateCD(id)) << "another service's update medium";
    EXPECT_FALSE(seafarer->WaitForCD("ED1", "19981015", &cancelled));
    EXPECT_TRUE(cancelled);
    EXPECT_FALSE(seafarer->WaitForCD("UPAPR99", "19990401", nullptr));
    EXPECT_EQ(
        in.ui.prompts,
        (std::vector<std::string>{
            "Please insert the UPDATE CD in drive " + folder + "\n Press OK when ready",
            "Please insert CD ED1 dated 15/10/98 in drive " + folder + "\n Press OK when ready",
            "Please insert CD UPAPR99 in drive " + folder + "\n Press OK when ready"}));
    EXPECT_TRUE(in.ui.messages.empty());
    EXPECT_FALSE(in.holdSet);
}

// The wait state's cursor, on and off in turn.
struct CursorRecorder final : app::CWaitHost {
    void SetWaitCursor(bool on) override { events.push_back(on); }
    std::optional<std::string> StatusText() const override { return std::nullopt; }
    void SetStatusText(const std::string&) override { }
    std::vector<bool> events;
};

// Updates copies the medium's catalogue, support folders and descriptor under
// the wait state before its progress dialog opens; Express opens a dialog per
// stage, titled by what the stage does. A file the medium holds read-only is
// writable once it is on the disk.
TEST(ChartInstall, StagesOpenTheirProgressInTurnAfterTheUpdateMediumsSupportCopy)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    in.MakeCharts(true);
    const fs::path onMedium = dir.Path() / "RC1" / "RasChts" / "010" / "RC1001" / "RC1001.chr";
    fs::permissions(onMedium,
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const fs::path copy = in.arcs->UpdateSourcePath("WK10_26");
    CursorRecorder cursor;
    std::vector<bool> cursorAtOpen;
    bool descriptorAtOpen = false, catalogueAtOpen = false;
    in.ui.onOpenProgress = [&](std::string_view title) {
        if (title != "Installing Update Data")
            return;
        cursorAtOpen = cursor.events;
        descriptorAtOpen = fs::exists(copy / "ReadMe.cdv");
        catalogueAtOpen = fs::exists(copy / "ChartCat" / "Chart.cat");
    };
    app::CWaitStatus::SetCursorHost(&cursor);
    const bool seeded = in.SeedCatalogue();
    app::CWaitStatus::SetCursorHost(nullptr);
    ASSERT_TRUE(seeded);
    EXPECT_EQ(in.ui.opened, std::vector<std::string>{"Installing Update Data"});
    EXPECT_TRUE(descriptorAtOpen && catalogueAtOpen) << "the support files come first";
    EXPECT_EQ(cursorAtOpen, (std::vector<bool>{true, false})) << "copied under the wait state";

    in.ui.opened.clear();
    in.ui.events.clear();
    ASSERT_TRUE(in.InstallCharts());
    EXPECT_EQ(in.ui.opened, (std::vector<std::string>{"Processing Updates", "Processing Charts",
                                                      "Processing Charts"}));
    // The chart medium's stage runs the copying animation round its prompt and copies.
    EXPECT_EQ(in.ui.events, (std::vector<std::string>{
                                "open Processing Updates", "open Processing Charts",
                                "open Processing Charts", "animate on", "prompt", "animate off"}));
    const fs::perms onDisk =
        fs::status(in.arcs->ChartFilePath(true, "RC1001", "chr")).permissions();
    EXPECT_NE(onDisk & fs::perms::owner_write, fs::perms::none);
}

TEST(ChartInstall, SecondUpdateMediumBringsUpdateTilesAndDocumentsVerify)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    in.MakeCharts(false);
    ASSERT_TRUE(in.SeedCatalogue());
    ASSERT_TRUE(in.InstallCharts());
    // The second update medium carries the update files.
    std::vector<brine_test::FakeChart> again = in.charts;
    std::string error;
    ASSERT_TRUE(brine_test::MakeMedia(again, dir / "work2", dir / "RC1b", "RC1", dir / "WK11_26",
                                      "WK11_26", "20260312", true, error));
    in.ui.answers = {(dir / "WK11_26").string()};
    in.charting->SetSourcePath((dir / "RC1").string());
    ASSERT_TRUE(in.arcs->RunManaged(&CHCRFModule::OnUpdates, true));
    ASSERT_TRUE(in.Cat().SeekKey("RC3003"));
    EXPECT_EQ(in.Cat().m_upcdid, "WK11_26");
    EXPECT_EQ(in.Cat().m_source, 3);
    EXPECT_TRUE(fs::exists(in.arcs->ChartUpdateFilePath(true, "RC3003", "upr")));
    // The older update copy is gone; the chart tree stays.
    EXPECT_FALSE(fs::exists(in.arcs->UpdateSourcePath("WK10_26")));
    EXPECT_TRUE(fs::exists(in.arcs->UpdateTree(true) / "RasChts"));

    // Open the harbour chart: low resolution first, full detail merges the updates.
    // The window outlives the document, which leaves its message bar on close.
    brine_test::FakeChartWindow window;
    CHCRFDoc doc(in.charting.get(), in.arcs);
    window.client = geo::IntRect{0, 0, 400, 300};
    doc.AttachWindow(&window);
    const std::string path = in.arcs->GetCataloguedChartPath("RC3003");
    ASSERT_FALSE(path.empty());
    ASSERT_TRUE(doc.OpenChart(path));
    EXPECT_EQ(doc.ActiveRaster(), CHCRFDoc::kLow);
    EXPECT_FALSE(doc.CanVerify());
    ASSERT_TRUE(doc.SetZoom(3, nullptr));
    EXPECT_EQ(doc.ActiveRaster(), CHCRFDoc::kHigh);
    EXPECT_EQ(doc.UpdatedTiles(), std::vector<std::string>{"001001"});
    EXPECT_TRUE(doc.CanVerify());

    // Drawing decodes each visible tile once; a second paint decodes nothing.
    chart::CXDC dc(std::make_unique<chart::CRecordingBackend>());
    chart::CPaletteTable palette{};
    dc.SetPalette(&palette);
    EXPECT_GT(doc.DrawChart(dc), 0);
    const auto decodes = doc.Cache().Decodes();
    doc.DrawChart(dc);
    EXPECT_EQ(doc.Cache().Decodes(), decodes);

    // Update boxes: one rectangle round tile (1, 1)'s place on the screen,
    // only with the setting on and at full detail.
    const auto boxes = [&dc, &doc] {
        auto* recording = static_cast<chart::CRecordingBackend*>(dc.Backend());
        recording->Clear();
        doc.DrawChart(dc);
        std::vector<std::vector<geo::IntPoint>> found;
        for (const chart::DrawRecord& r : recording->Records())
            if (r.op == chart::DrawOp::Rectangle)
                found.push_back(r.points);
        return found;
    };
    EXPECT_TRUE(boxes().empty());
    in.charting->ChartSettings().drawUpdateBoxes = true;
    doc.PanHorizontal(-1000);
    doc.PanVertical(-1000);
    doc.PanHorizontal(20);
    doc.PanVertical(10);
    EXPECT_EQ(boxes(), (std::vector<std::vector<geo::IntPoint>>{{{108, 118}, {236, 246}}}));
    ASSERT_TRUE(doc.ZoomIn());   // 2.0: tiles of 256
    const geo::IntPoint scroll = doc.ScrollPosition();
    EXPECT_EQ(boxes(), (std::vector<std::vector<geo::IntPoint>>{
                           {{256 - scroll.x, 256 - scroll.y}, {512 - scroll.x, 512 - scroll.y}}}));
    ASSERT_TRUE(doc.SetZoom(0, nullptr));
    EXPECT_TRUE(boxes().empty());
    in.charting->ChartSettings().drawUpdateBoxes = false;
    ASSERT_TRUE(doc.SetZoom(3, nullptr));

    // Verification: passed against the catalogue's values.
    EXPECT_EQ(brine_test::VerifyToEnd(doc), (std::pair{1, 1}));

    // A corrupted tile in the installed raster fails the chart check.
    const fs::path chr = in.arcs->ChartFilePath(true, "RC3003", "chr");
    {
        std::fstream f(chr, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(10);
        f.put('\x5A');
    }
    CHCRFDoc corrupt(in.charting.get(), in.arcs);
    ASSERT_TRUE(corrupt.OpenChart(path));
    ASSERT_TRUE(corrupt.SetZoom(3, nullptr));
    EXPECT_EQ(brine_test::VerifyToEnd(corrupt).second, 0);
}

// A chart whose files and update files both stay on their media: full
// detail asks for the update medium, copies its two update files aside, asks
// for the chart medium again, merges and deletes the copies; cancelling that
// second prompt deletes the copies and keeps the overview raster.
TEST(ChartInstall, UpdatesOfAChartOnItsMediumAreCopiedAsideWhileItsMediumReturns)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    in.MakeCharts(false);
    ASSERT_TRUE(in.SeedCatalogue());
    ASSERT_TRUE(in.InstallCharts());
    std::vector<brine_test::FakeChart> again = in.charts;
    std::string error;
    ASSERT_TRUE(brine_test::MakeMedia(again, dir / "work2", dir / "RC1b", "RC1", dir / "WK11_26",
                                      "WK11_26", "20260312", true, error));
    in.ui.answers = {(dir / "WK11_26").string()};
    ASSERT_TRUE(in.arcs->RunManaged(&CHCRFModule::OnUpdates, true));
    // The catalogue now says: chart files and update files on their media.
    in.arcs->CloseCatalogue();
    ASSERT_TRUE(in.arcs->OpenCatalogue(in.arcs->ModuleFolder(), false));
    ASSERT_TRUE(in.Cat().SeekKey("RC3003"));
    in.Cat().m_source = 0;
    ASSERT_TRUE(in.Cat().Update());
    in.Cat().FlushIfOpen();
    in.arcs->CloseCatalogue();
    ASSERT_TRUE(in.arcs->OpenCatalogue(in.arcs->ModuleFolder(), true));
    const std::string chartMedium = (dir / "RC1").string();
    const std::string updateMedium = (dir / "WK11_26").string();

    brine_test::FakeChartWindow window;
    window.client = geo::IntRect{0, 0, 400, 300};
    const std::string path = in.arcs->GetCataloguedChartPath("RC3003");
    ASSERT_FALSE(path.empty());
    for (const bool cancelChartMedium : {false, true}) {
        SCOPED_TRACE(cancelChartMedium ? "chart medium prompt cancelled" : "both media given");
        in.charting->SetSourcePath(chartMedium);
        in.ui.prompts.clear();
        CHCRFDoc doc(in.charting.get(), in.arcs);
        doc.AttachWindow(&window);
        ASSERT_TRUE(doc.OpenChart(path));
        EXPECT_TRUE(in.ui.prompts.empty());   // the chart medium is in the drive
        in.ui.answers = {updateMedium, cancelChartMedium ? std::string() : chartMedium};
        EXPECT_EQ(doc.SetZoom(3, nullptr), !cancelChartMedium);
        ASSERT_EQ(in.ui.prompts.size(), 2u);
        EXPECT_NE(in.ui.prompts[0].find("WK11_26"), std::string::npos) << in.ui.prompts[0];
        EXPECT_NE(in.ui.prompts[1].find("RC1"), std::string::npos) << in.ui.prompts[1];
        // No copy of the update files is left behind.
        ASSERT_FALSE(doc.UpdateScratch().empty());
        EXPECT_FALSE(fs::exists(doc.UpdateScratch() / "RC3003.upr"));
        EXPECT_FALSE(fs::exists(doc.UpdateScratch() / "RC3003.upi"));
        if (cancelChartMedium) {
            EXPECT_EQ(doc.ActiveRaster(), CHCRFDoc::kLow);
            EXPECT_FALSE(doc.CanVerify());
            continue;
        }
        EXPECT_EQ(doc.ActiveRaster(), CHCRFDoc::kHigh);
        EXPECT_EQ(doc.UpdatedTiles(), std::vector<std::string>{"001001"});
        EXPECT_EQ(brine_test::VerifyToEnd(doc), (std::pair{1, 1}));
    }
}

TEST(ChartInstall, LargerScaleFindsTheNextChartInTheFolio)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    in.MakeCharts(false);
    ASSERT_TRUE(in.SeedCatalogue());
    ASSERT_TRUE(in.InstallCharts());
    in.charting->BuildChartFolio();
    EXPECT_EQ(in.charting->GetFolio().size(), 3u);
    CHCRFDoc doc(in.charting.get(), in.arcs);
    ASSERT_TRUE(doc.OpenChart(in.arcs->GetCataloguedChartPath("RC1001")));
    doc.RebuildFolio();
    const geo::CPosition centre(50.7, -1.2);
    const CFolioChart* next = doc.FindFolioChart(centre, 3);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->fileName, "RC2002");
    EXPECT_EQ(doc.FindFolioChart(centre, 2), nullptr);
}

// The tiles round the picture up to whole tiles: every tile is drawn whole,
// its padding past the picture's edge too, and only what lies past the last
// tile shows the window background, at both resolutions and every display scale.
TEST(ChartInstall, WholeTilesAreDrawnAndPastThemTheBackground)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    in.MakeCharts(false, 520, 400);   // 5 x 4 tiles of 128 at full detail
    ASSERT_TRUE(in.SeedCatalogue());
    ASSERT_TRUE(in.InstallCharts());
    brine_test::FakeChartWindow window;
    window.client = geo::IntRect{0, 0, 1400, 1100};
    CHCRFDoc doc(in.charting.get(), in.arcs);
    doc.AttachWindow(&window);
    ASSERT_TRUE(doc.OpenChart(in.arcs->GetCataloguedChartPath("RC1001")));
    // No palette index maps to the background's white.
    chart::CPaletteTable palette{};
    for (unsigned i = 0; i < 256; ++i)
        palette[i] = 0xFF000000u | (i * 0x000101u);
    const std::uint32_t background = app::ColourToPixel(app::RGB(255, 255, 255));
    struct Case {
        int zoom;   // SetZoom mode taken before drawing (-1 none)
        int raster;
        double scale;
        int width, height;   // the picture on screen
        int tilesWidth, tilesHeight;   // its tiles on screen
    };
    // Low resolution is a quarter: 130 x 100 pixels in 2 x 1 tiles.
    const Case cases[] = {{-1, CHCRFDoc::kLow, 1.0, 130, 100, 256, 128},
                          {3, CHCRFDoc::kHigh, 1.0, 520, 400, 640, 512},
                          {1, CHCRFDoc::kHigh, 2.0, 1040, 800, 1280, 1024}};
    for (const Case& c : cases) {
        if (c.zoom >= 0) {
            ASSERT_TRUE(doc.SetZoom(c.zoom, nullptr));
        }
        ASSERT_EQ(doc.ActiveRaster(), c.raster);
        ASSERT_EQ(doc.DisplayScale(), c.scale);
        doc.PanHorizontal(-100000);
        doc.PanVertical(-100000);
        chart::CScreenBuffer buffers(&palette, 1400, 1100);
        buffers.ClearToColour(app::RGB(0, 0, 0));   // what a previous paint left
        doc.PrepareBuffer(buffers);
        ASSERT_GT(doc.DrawChart(buffers.Chart()), 0);
        const chart::CPixelView m = buffers.Chart().Memory();
        auto at = [&m](int x, int y) { return m.Row(y)[x]; };
        const int w = c.width, h = c.height, tw = c.tilesWidth, th = c.tilesHeight;
        SCOPED_TRACE(c.raster * 10 + int(c.scale * 2));
        EXPECT_NE(at(w - 1, h / 2), background);   // the picture's last column
        EXPECT_NE(at(w / 2, h - 1), background);   // and its last row
        EXPECT_NE(at(w, h / 2), background);   // the tiles' padding is drawn
        EXPECT_NE(at(tw - 1, h / 2), background);
        EXPECT_NE(at(w / 2, th - 1), background);
        EXPECT_NE(at(tw - 1, th - 1), background);
        EXPECT_EQ(at(tw, h / 2), background);   // past every tile
        EXPECT_EQ(at(w / 2, th), background);
        EXPECT_EQ(at(1399, 1099), background);
    }
}

// A tile that does not decode (its bytes end before the tile is full) is not
// painted: its area keeps what was there, and the other tiles are drawn.
TEST(ChartInstall, ATileThatDoesNotDecodeLeavesItsAreaAsItWas)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    in.MakeCharts(false, 520, 400);   // the overview: 2 x 1 tiles
    ASSERT_TRUE(in.SeedCatalogue());
    ASSERT_TRUE(in.InstallCharts());
    {
        // The first index entry's length becomes 1.
        std::fstream f(in.arcs->ChartFilePath(true, "RC1001", "loi"),
                       std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(2);
        f.put('\x01');
        f.put('\x00');
    }
    brine_test::FakeChartWindow window;
    window.client = geo::IntRect{0, 0, 300, 200};
    CHCRFDoc doc(in.charting.get(), in.arcs);
    doc.AttachWindow(&window);
    ASSERT_TRUE(doc.OpenChart(in.arcs->GetCataloguedChartPath("RC1001")));
    ASSERT_EQ(doc.ActiveRaster(), CHCRFDoc::kLow);
    doc.PanHorizontal(-1000);
    doc.PanVertical(-1000);
    chart::CPaletteTable palette{};
    for (unsigned i = 0; i < 256; ++i)
        palette[i] = 0xFF000000u | (i * 0x000101u);
    chart::CScreenBuffer buffers(&palette, 300, 200);
    buffers.ClearToColour(app::RGB(255, 0, 0));   // what a previous paint left
    EXPECT_EQ(doc.DrawChart(buffers.Chart()), 1);
    const chart::CPixelView m = buffers.Chart().Memory();
    const std::uint32_t before = app::ColourToPixel(app::RGB(255, 0, 0));
    for (const int x : {0, 64, 127})
        for (const int y : {0, 64, 127})
            EXPECT_EQ(m.Row(y)[x], before) << x << "," << y;
    EXPECT_NE(m.Row(64)[128 + 64], before);
}

// The test chart NP762E belongs to the service by the label of its medium:
// TEST1_C to TEST4_C for charts, TEST1_U to TEST4_U for updates, whose label
// sorts as the first update of all.
TEST(ChartInstall, TheTestChartCountsByItsMediumsLabel)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    struct Row {
        const char* medium;
        const char* number;
        bool chart;
        bool update;
    };
    const Row rows[] = {
        {"TEST2_C", "NP762E", true, false},  {"test4_c", "np762e", true, false},
        {"TEST3_U", "NP762E", false, true},  {"TEST1_U", "np762e ", false, true},
        {"TEST5_C", "NP762E", false, false}, {"RC1", "NP762E", false, false},
        {"TEST1_C", "NP762F", false, false},
    };
    for (const Row& r : rows) {
        fs::create_directories(dir / r.medium);
        in.charting->SetSourcePath((dir / r.medium).string());
        EXPECT_EQ(in.arcs->IsServiceChart(r.number), r.chart) << r.medium << " " << r.number;
        // A test update's label is the first of all, "WK00_95".
        EXPECT_EQ(in.arcs->GetUpdateLabelKey(r.number) == "199500", r.update) << r.medium;
    }
    EXPECT_EQ(in.arcs->GetUpdateLabelKey("WK23_99"), "199923");
}

// File New and Open offer raster charts while the shared catalogue holds any
// chart, whichever office it came from (an older catalogue taken over may
// hold others); Express and Custom still need a chart of the service's own.
TEST(ChartInstall, RasterChartsAreOfferedWhileTheCatalogueHoldsAnyChart)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    const auto offered = [&] {
        bool any = false;
        for (const auto& service : in.charting->ChartServices())
            any = any || service->HasInstalledCharts();
        return any;
    };
    ASSERT_TRUE(in.Cat().IsOpen());
    EXPECT_FALSE(offered());
    in.arcs->CloseCatalogue();
    ASSERT_TRUE(in.arcs->OpenCatalogue(in.arcs->ModuleFolder(), false));
    in.Cat().ClearRecord();
    in.Cat().m_no = "RC5005";
    in.Cat().m_ho = 5;
    ASSERT_TRUE(in.Cat().AppendNew());
    ASSERT_TRUE(in.Cat().FlushIfOpen());
    in.arcs->CloseCatalogue();
    EXPECT_FALSE(offered());   // a catalogue not open counts as empty
    ASSERT_TRUE(in.arcs->OpenCatalogue(in.arcs->ModuleFolder(), true));
    EXPECT_TRUE(offered());
    EXPECT_FALSE(in.arcs->CanInstall());
}

// Each raster service has its key below the charting module's, made when the
// settings are saved and holding no values.
TEST(ChartInstall, ServicesKeepAnEmptyKeyBelowTheChartKey)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    in.charting->SaveSettings();
    for (const char* name : {"ARCS", "Seafarer"}) {
        const std::string key = std::string("W\\Chart\\HCRF\\") + name;
        EXPECT_TRUE(in.store.KeyExists(key)) << key;
        EXPECT_TRUE(in.store.ValueNames(key).empty()) << key;
        EXPECT_FALSE(in.store.KeyExists(std::string("W\\") + name)) << name;
    }
}

// The management page's run rebuilds the chart folio after Updates, also when
// the run is cancelled, and never after Express: the folio progress names it.
TEST(ChartInstall, TheFolioIsRebuiltAfterUpdatesOnly)
{
    struct Host : app::CWaitHost {
        std::vector<std::string> progress;
        void SetWaitCursor(bool) override { }
        std::optional<std::string> StatusText() const override { return "Ready"; }
        void SetStatusText(const std::string&) override { }
        void ShowProgress(const std::string& text, int) override { progress.push_back(text); }
    } host;
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    in.MakeCharts(false);
    app::CWaitStatus::SetStatusHost(&host);
    const auto folioBuilds = [&host] {
        return std::count(host.progress.begin(), host.progress.end(), "Building chart folio");
    };
    EXPECT_TRUE(in.SeedCatalogue());
    EXPECT_EQ(folioBuilds(), 1);
    EXPECT_TRUE(in.InstallCharts());
    EXPECT_EQ(folioBuilds(), 1);
    in.ui.answers.clear();   // the update medium's prompt cancelled
    in.charting->SetSourcePath((dir / "RC1").string());
    EXPECT_FALSE(in.arcs->RunManaged(&CHCRFModule::OnUpdates, true));
    EXPECT_EQ(folioBuilds(), 2);
    app::CWaitStatus::SetStatusHost(nullptr);
}

// Each run of a page's button delivers the waiting window events once, after
// the chart windows closed and before the catalogue opens for writing, also
// when the run then ends at its first prompt.
TEST(ChartInstall, WindowEventsAreDeliveredBeforeEachRunStarts)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    in.MakeCharts(false);
    std::vector<bool> readOnlyAtPump;
    in.arcs->Shared().host.pumpMessages = [&in, &readOnlyAtPump] {
        readOnlyAtPump.push_back(in.Cat().IsReadOnly());
    };
    ASSERT_TRUE(in.SeedCatalogue());
    ASSERT_TRUE(in.InstallCharts());
    in.ui.answers.clear();
    EXPECT_FALSE(in.arcs->RunManaged(&CHCRFModule::OnUpdates, true));
    EXPECT_EQ(readOnlyAtPump, (std::vector<bool>{true, true, true}));
}

TEST(ChartInstall, FolioWalksTheServiceInCatalogueOrder)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    in.MakeCharts(false);
    ASSERT_TRUE(in.SeedCatalogue());
    // The first record takes a number that sorts last, so the catalogue's
    // own order and the number order part.
    in.arcs->CloseCatalogue();
    ASSERT_TRUE(in.arcs->OpenCatalogue(in.arcs->ModuleFolder(), false));
    ASSERT_TRUE(in.Cat().GoTop());
    ASSERT_EQ(in.Cat().GetRecNo(), 1);
    ASSERT_EQ(in.Cat().m_no, "RC1001");
    in.Cat().m_no = "RC9001";
    ASSERT_TRUE(in.Cat().Update());
    in.arcs->CloseCatalogue();
    ASSERT_TRUE(in.arcs->OpenCatalogue(in.arcs->ModuleFolder(), true));

    chart::Folio folio;
    EXPECT_EQ(in.arcs->BuildFolio(folio, {}), 3);
    std::vector<std::string> numbers;
    for (const auto& item : folio)
        numbers.push_back(item->fileName);
    EXPECT_EQ(numbers, (std::vector<std::string>{"RC9001", "RC2002", "RC3003"}));
    EXPECT_EQ(in.Cat().SeekKey("RC2002") ? in.Cat().m_no : "", "RC2002");
}

TEST(ChartInstall, LatestUpdateLabelTakesOnlyNewerFolders)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    const fs::path tree = in.arcs->UpdateTree(true);
    fs::create_directories(tree);
    EXPECT_EQ(in.arcs->GetLatestUpdateLabel(), "");
    // A folder no newer than the first label leaves the first label.
    fs::create_directories(tree / "WK00_95");
    EXPECT_EQ(in.arcs->GetLatestUpdateLabel(), "Wk00_95");
    // Files and names with an extension are not update folders.
    std::ofstream(tree / "Wk05_30", std::ios::binary) << "x";
    fs::create_directories(tree / "Wk06_30.old");
    EXPECT_EQ(in.arcs->GetLatestUpdateLabel(), "Wk00_95");
    fs::create_directories(tree / "wk03_94");
    fs::create_directories(tree / "WK52_93");
    EXPECT_EQ(in.arcs->GetLatestUpdateLabel(), "wk03_94");
}

}   // namespace
