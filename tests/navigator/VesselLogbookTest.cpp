// The vessel log on fakes: temporary logs continued or started afresh,
// Cancel stopping a close, Save As onto itself and to a new name, voyages,
// the fix type of a record, notices both ways, a track rebuilt from the
// logbook, a log converted by an earlier version moved up, and every table
// read by dbfread and Perl's XBase.
#include "navigator/VesselLogbook.h"

#include <gtest/gtest.h>

#include "navigator/LogbookRows.h"

#include <sys/resource.h>

#include <csignal>
#include <fstream>

#include "platform/Files.h"

#include "ChildProcess.h"
#include "FakeClock.h"
#include "OuterTools.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"

using namespace navigator;
using namespace std::chrono;
namespace fs = std::filesystem;
using platform::PromptAnswer;

namespace {

CNavSnapshot At(double lat, double lon, sys_seconds t)
{
    CNavSnapshot s;
    s.position = geo::CPosition(lat, lon, 0.0, -1);
    s.positionAvailable = s.positionAcquired = true;
    s.fixTimeUtc = t;
    s.cog = 45.0;
    s.sog = 6.5;
    return s;
}

sys_seconds T0()
{
    return sys_days{year{2024} / 6 / 1} + hours(16);
}

struct Harness {
    explicit Harness(const fs::path& folder)
        : log(clock, [this] {
              CVesselLogServices s;
              s.prompt = &prompt;
              s.chooseSavePath = [this](const std::string&, const std::string& proposed) {
                  proposedNames.push_back(proposed);
                  return savePath;
              };
              s.warn = [this](const std::string& m) { warnings.push_back(m); };
              s.sendNotice = [this](int type, const std::string& payload) {
                  notices.emplace_back(type, payload);
              };
              s.rowAdded = [this](const CLogVessel&) { ++rowsAdded; };
              s.deadReckoning = [this] { return dr; };
              s.drift = [this] { return drift; };
              s.currentSnapshot = [this] { return current; };
              return s;
          }())
    {
        log.SetFolder(folder);
    }
    brine_test::FakeClock clock;
    brine_test::ScriptedPrompt prompt;
    std::optional<std::string> savePath;
    std::vector<std::string> proposedNames;
    std::vector<std::string> warnings;
    std::vector<std::pair<int, std::string>> notices;
    int rowsAdded = 0;
    bool dr = false;
    double drift = 0.0;
    std::shared_ptr<const CNavSnapshot> current;   // none until set
    CVesselLogbook log;
};

std::vector<std::string> Names(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        names.push_back(fs::relative(e.path(), folder).string());
    std::sort(names.begin(), names.end());
    return names;
}

// Logs `n` rows and points a second apart from `from`.
void Log(Harness& h, int n, sys_seconds from, double lat = 47.9)
{
    for (int i = 0; i < n; ++i) {
        const auto s = At(lat + i * 1e-4, -122.6, from + seconds(i));
        ASSERT_TRUE(h.log.WriteLogRecord(s));
        ASSERT_TRUE(h.log.WriteTrackPoint(s));
    }
}

}   // namespace

TEST(VesselLogbook, TemporaryLogIsContinuedOrStartedAfreshAndDeletedByItsOwnName)
{
    brine_test::TempFolder dir;
    // Another program's temporary files share the folder.
    std::ofstream(dir / "~dzzzz.tmp") << "x";
    std::ofstream(dir / "~dzzzz.dbf") << "x";
    std::string title;
    {
        // A first run ends without closing (a crash): its log stays.
        const pid_t child = brine_test::ForkChild([&] {
            Harness h(dir.Path());
            if (!h.log.Open(""))
                return 1;
            h.log.SetLogging(true);
            Log(h, 3, T0());
            std::ofstream(dir / "title") << h.log.LogTitle();
            ::_exit(0);
        });
        ASSERT_EQ(brine_test::WaitChild(child), 0);
        std::ifstream(dir / "title") >> title;
        fs::remove(dir / "title");
    }
    ASSERT_TRUE(CVesselLogbook::IsTemporaryName(title)) << title;

    Harness h(dir.Path());
    h.log.SetInitialLog(title);
    h.prompt.Expect(PromptAnswer::Yes, ".dbfDo you want to continue to use this log?\n\n"
                                       "Selecting No will start a new log.");
    ASSERT_TRUE(h.log.Open(""));
    EXPECT_TRUE(h.prompt.Done());
    ASSERT_FALSE(h.prompt.AskedPrompts().empty());
    EXPECT_EQ(h.prompt.AskedPrompts().back().text.rfind("The last log file used was ", 0), 0u);
    EXPECT_TRUE(h.log.IsTemporary());
    EXPECT_TRUE(h.log.AppendToExisting());
    ASSERT_EQ(h.log.Vessels().size(), 1u);
    ASSERT_TRUE(h.log.RestoredPosition());
    EXPECT_NEAR(h.log.RestoredPosition()->latitude, 47.9002, 1e-9) << "the last position";
    h.log.SetLogging(true);
    Log(h, 2, T0() + hours(1));
    // The same vessel goes on in its second append, in files of its own.
    ASSERT_EQ(h.log.Vessels().size(), 2u);
    EXPECT_EQ(h.log.OwnVessel()->vesselId, h.log.Vessels()[0]->vesselId);
    EXPECT_EQ(h.log.OwnVessel()->appendNo, 2u);
    EXPECT_EQ(h.log.OwnVessel()->track.RecordCount(), 2u);
    EXPECT_EQ(h.log.Vessels()[0]->track.RecordCount(), 3u);

    // Cancel at the save question stops the close; No deletes the log.
    h.prompt.Expect(PromptAnswer::Cancel, "Save Log file?");
    EXPECT_FALSE(h.log.Close(false));
    EXPECT_TRUE(h.log.IsOpen());
    // Return in the question answers Cancel, which keeps the log.
    EXPECT_EQ(h.prompt.AskedPrompts().back().defaultAnswer, PromptAnswer::Cancel);
    h.prompt.Expect(PromptAnswer::No, "Save Log file?");
    EXPECT_TRUE(h.log.Close(false));
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"~dzzzz.dbf", "~dzzzz.tmp"}));

    // A temporary log answered No at start begins empty.
    {
        const pid_t child = brine_test::ForkChild([&] {
            Harness c(dir.Path());
            if (!c.log.Open(""))
                return 1;
            c.log.SetLogging(true);
            Log(c, 2, T0());
            std::ofstream(dir / "title") << c.log.LogTitle();
            ::_exit(0);
        });
        ASSERT_EQ(brine_test::WaitChild(child), 0);
        std::ifstream(dir / "title") >> title;
        fs::remove(dir / "title");
    }
    h.log.SetInitialLog(title);
    h.prompt.Expect(PromptAnswer::No, "continue");
    ASSERT_TRUE(h.log.Open(""));
    EXPECT_TRUE(h.log.Vessels().empty());
    EXPECT_FALSE(h.log.RestoredPosition());
    EXPECT_FALSE(fs::exists(h.log.LogPath() + ".X/00000001.trc"));
}

// Cancel at the question to save a temporary log, or in the file dialog
// after it, stops a voyage's start and end and the opening of another log:
// nothing changes.
TEST(VesselLogbook, CancelKeepsTheVoyageAndTheOpenLogAsTheyWere)
{
    brine_test::TempFolder dir;
    Harness h(dir.Path());
    ASSERT_TRUE(h.log.Open(""));
    ASSERT_TRUE(h.log.IsTemporary());
    const std::string temporary = h.log.LogPath();
    h.log.SetLogging(true);
    Log(h, 2, T0());

    h.prompt.Expect(PromptAnswer::Cancel, "Save Log file?");
    EXPECT_FALSE(h.log.StartVoyage("PS-0603", "Ada"));
    EXPECT_FALSE(h.log.IsVoyageRunning());
    EXPECT_EQ(h.log.Vessels().size(), 1u) << "no append was made";
    EXPECT_EQ(h.log.LogPath(), temporary);

    h.prompt.Expect(PromptAnswer::No, "Save Log file?");
    ASSERT_TRUE(h.log.StartVoyage("PS-0603", "Ada"));
    ASSERT_TRUE(h.log.IsVoyageRunning());
    // Yes, then Cancel in the file dialog.
    h.savePath.reset();
    h.prompt.Expect(PromptAnswer::Yes, "Save Log file?");
    EXPECT_FALSE(h.log.EndVoyage());
    EXPECT_TRUE(h.log.IsVoyageRunning());
    EXPECT_TRUE(h.log.IsLogging());

    h.prompt.Expect(PromptAnswer::Cancel, "Save Log file?");
    EXPECT_FALSE(h.log.Open((dir / "other").string()));
    EXPECT_EQ(h.log.LogPath(), temporary);
    EXPECT_TRUE(h.log.IsLogging());
    EXPECT_FALSE(fs::exists(dir / "other.dbf"));
    EXPECT_TRUE(h.prompt.Done());
}

// A temporary log whose copy fails at close is told about and stays open:
// closing it anyway would delete the only copy of its rows.
TEST(VesselLogbook, ATemporaryLogWhoseSaveFailsIsKept)
{
    brine_test::TempFolder dir;
    Harness h(dir.Path());
    ASSERT_TRUE(h.log.Open(""));
    const std::string temporary = h.log.LogPath();
    h.log.SetLogging(true);
    Log(h, 2, T0());

    std::ofstream(dir / "a file") << "not a folder";
    h.savePath = (dir / "a file" / "Passage").string();
    h.prompt.Expect(PromptAnswer::Yes, "Save Log file?");
    h.prompt.Expect(PromptAnswer::Ok, "The log stays open");
    EXPECT_FALSE(h.log.Close(false));
    EXPECT_TRUE(h.log.IsOpen());
    EXPECT_EQ(h.log.LogPath(), temporary);
    EXPECT_TRUE(fs::exists(temporary + ".dbf"));
    EXPECT_TRUE(h.prompt.Done());

    // The close's question asked ahead (as the program's close does): No, then the log
    // closes without asking again.
    h.prompt.Expect(PromptAnswer::No, "Save Log file?");
    EXPECT_EQ(h.log.OfferSaveBeforeClose(), navigator::LogSaveResult::NotSaved);
    EXPECT_TRUE(h.log.Close(true));
    EXPECT_FALSE(fs::exists(temporary + ".dbf"));
    EXPECT_TRUE(h.prompt.Done());
}

// Save As onto a log of that name that fails part way (the file size limit
// stands in for a full disk) says so and leaves that log whole as it was,
// with nothing of the copy beside it; the open log goes on where it was.
TEST(VesselLogbook, ASaveAsThatFailsLeavesTheLogOfThatNameAsItWas)
{
    brine_test::TempFolder dir;
    {
        Harness old(dir.Path());
        ASSERT_TRUE(old.log.Open((dir / "Passage").string()));
        old.log.SetLogging(true);
        Log(old, 3, T0());
        ASSERT_TRUE(old.log.Close(false));
    }
    Harness h(dir.Path());
    ASSERT_TRUE(h.log.Open((dir / "Long").string()));
    h.log.SetLogging(true);
    Log(h, 600, T0() + hours(1));
    const auto before = Names(dir.Path());

    const pid_t child = brine_test::ForkChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit {
            32768, 32768
        };
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 2;
        return h.log.CopyTo((dir / "Passage").string()) || h.log.LastError().empty() ? 1 : 0;
    });
    ASSERT_EQ(brine_test::WaitChild(child), 0) << "the copy did not fail, or failed silently";
    // The child's open log files are its own copies of ours: what it changed
    // in the files is what counts.
    EXPECT_EQ(Names(dir.Path()), before);
    // What a Save As killed part way leaves (its placeholder no longer
    // held) goes when a log is next opened here.
    std::ofstream(dir / "~xAb12Cd");
    fs::create_directories(dir / "~xAb12Cd.X");
    std::ofstream(dir / "~xAb12Cd.X" / "00000001.trc") << "part";
    Harness next(dir.Path());
    next.log.SetAppendToExisting(true);
    ASSERT_TRUE(next.log.Open((dir / "Passage").string()));
    EXPECT_FALSE(fs::exists(dir / "~xAb12Cd.X"));
    EXPECT_FALSE(fs::exists(dir / "~xAb12Cd"));
    ASSERT_EQ(next.log.Vessels().size(), 1u);
    EXPECT_EQ(next.log.Vessels()[0]->rows->GetRecordCount(), 3);
    EXPECT_EQ(next.log.Vessels()[0]->track.RecordCount(), 3u);
    EXPECT_TRUE(next.warnings.empty()) << next.warnings.front();
}

TEST(VesselLogbook, SaveAsOntoItselfKeepsAllAndToANewNameTheTrackGoesOnInTheCopy)
{
    brine_test::TempFolder dir;
    Harness h(dir.Path());
    ASSERT_TRUE(h.log.Open((dir / "Voyage").string()));
    h.log.SetLogging(true);
    Log(h, 4, T0());
    const auto before = Names(dir.Path());
    // Onto its own name, in another case and with the extension: nothing is lost.
    EXPECT_TRUE(h.log.CopyTo((dir / "VOYAGE.DBF").string()));
    EXPECT_EQ(Names(dir.Path()), before);
    EXPECT_EQ(h.log.OwnVessel()->track.RecordCount(), 4u);
    EXPECT_EQ(h.log.OwnVessel()->rows->GetRecordCount(), 4);

    h.savePath = (dir / "copy.dbf").string();
    EXPECT_EQ(h.log.SaveAs(false), LogSaveResult::Saved);
    EXPECT_EQ(h.proposedNames, std::vector<std::string>{"Voyage.dbf"});
    EXPECT_EQ(fs::path(h.log.LogPath()).filename(), "copy");
    Log(h, 2, T0() + seconds(10));
    CTrackFile original, copy;
    ASSERT_TRUE(original.Open(dir / "Voyage.X/00000001.trc"));
    ASSERT_TRUE(copy.Open(dir / "copy.X/00000001.trc"));
    EXPECT_EQ(original.RecordCount(), 4u);
    EXPECT_EQ(copy.RecordCount(), 6u);
    EXPECT_EQ(h.log.OwnVessel()->rows->GetRecordCount(), 6);
    ASSERT_TRUE(h.log.Close(false));

    // The next start takes the copy up again: the same vessel goes on in a
    // second append, and the first one's track is still there to draw.
    {
        Harness next(dir.Path());
        next.log.SetInitialLog("copy");
        ASSERT_TRUE(next.log.Open(""));
        ASSERT_TRUE(next.log.RestoredPosition());
        next.log.SetLogging(true);
        Log(next, 1, T0() + minutes(5));
        ASSERT_EQ(next.log.Vessels().size(), 2u);
        EXPECT_EQ(next.log.Vessels()[0]->track.RecordCount(), 6u);
        EXPECT_EQ(next.log.OwnVessel()->vesselId, next.log.Vessels()[0]->vesselId);
        EXPECT_EQ(next.log.OwnVessel()->appendNo, 2u);
        ASSERT_TRUE(next.log.Close(false));
    }

    // A temporary log saved under a name leaves no temporary files behind.
    ASSERT_TRUE(h.log.Open(""));
    const std::string temporary = h.log.LogPath();
    EXPECT_TRUE(h.log.IsTemporary());
    Log(h, 1, T0() + hours(2));
    h.savePath = (dir / "kept").string();
    h.prompt.Expect(PromptAnswer::Yes, "Save Log file?");
    ASSERT_TRUE(h.log.Close(false));
    EXPECT_FALSE(fs::exists(temporary + ".dbf"));
    EXPECT_FALSE(fs::exists(temporary + ".X"));
    EXPECT_TRUE(fs::exists(dir / "kept.X/00000001.trc"));
    for (const auto& name : Names(dir.Path()))
        EXPECT_NE(name.rfind("~d", 0), 0u) << name;
}

// Save As copies the files of every row of the index, not only those of the
// vessels loaded: a log opened on one append (the chooser's leaf) keeps its
// other appends in the copy, rows and track.
TEST(VesselLogbook, SaveAsCopiesTheAppendsThatAreNotLoaded)
{
    brine_test::TempFolder dir;
    {
        Harness h(dir.Path());
        ASSERT_TRUE(h.log.Open((dir / "Sound").string()));
        ASSERT_TRUE(h.log.StartVoyage("PS-0601", "Ada"));
        Log(h, 5, T0());
        ASSERT_TRUE(h.log.EndVoyage());
        h.log.SetAppendToExisting(true);
        ASSERT_TRUE(h.log.StartVoyage("PS-0602", "Bo"));
        Log(h, 3, T0() + hours(2));
        ASSERT_TRUE(h.log.EndVoyage());
        ASSERT_TRUE(h.log.Close(true));
    }
    Harness h(dir.Path());
    h.log.ChooseVessel(1, 2);
    ASSERT_TRUE(h.log.Open((dir / "Sound").string()));
    ASSERT_EQ(h.log.Vessels().size(), 1u) << "only the second append is loaded";
    h.savePath = (dir / "Copy.dbf").string();
    ASSERT_EQ(h.log.SaveAs(false), LogSaveResult::Saved);
    for (const char* name : {"00000001.dbf", "00000001.trc", "00000002.dbf", "00000002.trc"})
        EXPECT_TRUE(fs::exists(dir / "Copy.X" / name)) << name;
    ASSERT_TRUE(h.log.Close(true));
    Harness whole(dir.Path());
    ASSERT_TRUE(whole.log.Open((dir / "Copy").string()));
    ASSERT_EQ(whole.log.Vessels().size(), 2u);
    EXPECT_EQ(whole.log.Vessels()[0]->rows->GetRecordCount(), 5);
    EXPECT_EQ(whole.log.Vessels()[0]->track.RecordCount(), 5u);
    EXPECT_EQ(whole.log.Vessels()[1]->rows->GetRecordCount(), 3);
}

TEST(VesselLogbook, FixTypeOfARecord)
{
    brine_test::TempFolder dir;
    Harness h(dir.Path());
    const struct {
        bool dr;
        double drift;
        int eventType;
        int code;
        int row;
        int point;
    } cases[] = {
        {false, 0.0, 0, 0, kFixEpfs, kFixEpfs},
        {false, 0.5, 5, 5, kFixEpfs, kFixEpfs},
        {false, 0.0, 11, 0, kFixManual, kFixEpfs},
        {true, 0.0, 0, 0, kFixSystemDr, kFixSystemDr},
        {true, 0.5, 0, 0, kFixSystemEp, kFixSystemEp},
        {true, 0.0, 5, 5, kFixUserDr, kFixUserDr},
        {true, 0.0, 11, 6, kFixManual, kFixUserEp},
    };
    ASSERT_TRUE(h.log.Open((dir / "types").string()));
    h.log.SetLogging(true);
    for (const auto& r : cases) {
        h.dr = r.dr;
        h.drift = r.drift;
        // The row takes the event's type; the point after it the fix type set for it.
        h.log.LogEvent("event", r.eventType);
        h.log.SetNextFixType(r.code);
        ASSERT_TRUE(h.log.WriteTrackPoint(At(47.5, -122.4, T0())));
        ASSERT_NE(h.log.OwnVessel(), nullptr);
        auto& table = *h.log.OwnVessel()->rows;
        table.SelectUniqueTag();
        ASSERT_TRUE(table.GoBottom());
        EXPECT_EQ(table.m_type, r.row) << "row, event " << r.eventType;
        EXPECT_EQ(h.log.OwnVessel()->track.ReadLast()->fixType, r.point)
            << "point, code " << r.code;
    }
    // Unset course and speed are stored as -99.99; the row's time is the
    // computer's clock, the point's the fix's UTC.
    CNavSnapshot s = At(47.5, -122.4, T0() + seconds(7));
    s.cog = s.sog = nmea::kNoValue;
    h.clock.SetUtc(T0() + seconds(9));
    ASSERT_TRUE(h.log.WriteLogRecord(s));
    ASSERT_TRUE(h.log.WriteTrackPoint(s));
    auto& table = *h.log.OwnVessel()->rows;
    table.SelectUniqueTag();
    ASSERT_TRUE(table.GoBottom());
    EXPECT_EQ(table.m_cog, -99.99);
    EXPECT_EQ(table.m_time.ToStorageText(), "20240601 160009");
    EXPECT_EQ(h.log.OwnVessel()->track.ReadLast()->utc, T0() + seconds(7));
}

TEST(VesselLogbook, EventRowsStandAtTheVesselsPositionOnceOneIsKnown)
{
    brine_test::TempFolder dir;
    Harness h(dir.Path());
    ASSERT_TRUE(h.log.Open((dir / "events").string()));
    const auto lastRow = [&h]() -> db::CDBLog& {
        auto& table = *h.log.OwnVessel()->rows;
        table.SelectUniqueTag();
        EXPECT_TRUE(table.GoBottom());
        return table;
    };
    // Before any position: the row has the clock's time but no place.
    auto timeOnly = std::make_shared<CNavSnapshot>();
    timeOnly->fixTimeUtc = T0() + seconds(3);
    h.current = timeOnly;
    h.clock.SetUtc(T0() + seconds(3));
    h.log.LogEvent("Vessel altered", -1);
    EXPECT_EQ(lastRow().m_time.ToStorageText(), "20240601 160003");
    EXPECT_FALSE(lastRow().m_positionKnown);
    EXPECT_FALSE(lastRow().m_position.IsValid());
    EXPECT_EQ(lastRow().m_cog, -99.99);
    // The logbook window shows no place for it, not 00 00.00'N.
    const app::ListRow shown = CLogbookRows::FormatRow(lastRow());
    EXPECT_EQ(shown[1], "");
    EXPECT_EQ(shown[2], "");
    EXPECT_EQ(shown[3], "") << "nor a datum";
    // Off Point No Point: the event row takes the newest fix's place, course and speed.
    h.current = std::make_shared<CNavSnapshot>(At(47.9121, -122.5262, T0() + minutes(4)));
    h.clock.SetUtc(T0() + minutes(5));
    h.log.LogEvent("EPFS reception lost.", -1);
    const db::CDBLog& row = lastRow();
    EXPECT_EQ(row.m_note, "EPFS reception lost.");
    EXPECT_NEAR(row.m_position.GetLatitude(), 47.9121, 1e-5);
    EXPECT_NEAR(row.m_position.GetLongitude(), -122.5262, 1e-5);
    EXPECT_EQ(row.m_cog, 45.0);
    EXPECT_EQ(row.m_sog, 6.5);
    EXPECT_EQ(row.m_time.ToStorageText(), "20240601 160500");
    EXPECT_TRUE(row.m_positionKnown);
    // The position lost again: a later event row has no place either.
    auto lost = std::make_shared<CNavSnapshot>();
    lost->fixTimeUtc = T0() + minutes(10);
    h.current = lost;
    h.clock.SetUtc(T0() + minutes(10));
    h.log.LogEvent("Position lost", -1);
    const std::string path = (dir / "events").string();
    ASSERT_TRUE(h.log.Close(true));

    // Outside readers find no value in the blank fields.
    const std::string python = brine_test::Python(dir.Path(), R"(
import sys, dbfread
for r in dbfread.DBF(sys.argv[1] + '.X/00000001.dbf', load=True).records:
    print(r['LAT'], r['LNG'], r['ALT'], r['COG'], r['NOTE'])
)",
                                                  path);
    EXPECT_EQ(python, "None None None -99.99 Vessel altered\n"
                      "47.9121 -122.5262 0.0 45.0 EPFS reception lost.\n"
                      "None None None -99.99 Position lost\n");
    // Opened again, the log goes on from the last place it holds, and a
    // track made from its rows leaves out the rows without one.
    Harness again(dir.Path());
    ASSERT_TRUE(again.log.Open(path));
    ASSERT_TRUE(again.log.RestoredPosition());
    EXPECT_NEAR(again.log.RestoredPosition()->latitude, 47.9121, 1e-5);
    EXPECT_EQ(again.log.RestoredPosition()->utc, T0() + minutes(5));
    ASSERT_TRUE(again.log.ConvertLogToTrack());
    ASSERT_NE(again.log.OwnTrackVessel(), nullptr);
    EXPECT_EQ(again.log.OwnTrackVessel()->track.RecordCount(), 1u);
}

TEST(VesselLogbook, NoticesGoOutAndOnlyThisLogsAreTakenIn)
{
    brine_test::TempFolder dir;
    Harness a(dir.Path());
    Harness b(dir.Path());
    ASSERT_TRUE(a.log.Open((dir / "shared").string()));
    a.log.SetLogging(true);
    Log(a, 1, T0());
    ASSERT_EQ(a.notices.size(), 2u);
    EXPECT_EQ(a.notices[0], std::make_pair(kNoticeLogRow, std::string("\x12"
                                                                      "1:1:shared")));
    EXPECT_EQ(a.notices[1], std::make_pair(kNoticeTrackPoint, std::string("\x12"
                                                                          "1:1:shared")));

    ASSERT_TRUE(b.log.Open((dir / "shared").string()));
    ASSERT_EQ(b.log.Vessels().size(), 1u);
    Log(a, 1, T0() + seconds(1));
    b.log.ProcessNotice(kNoticeLogRow,
                        "\x12"
                        "1:1:other",
                        "A");
    b.log.ProcessNotice(kNoticeLogRow,
                        "\x12"
                        "1:1",
                        "A");
    b.log.ProcessNotice(kNoticeLogRow,
                        "\x11"
                        "1:1:shared",
                        "A");
    b.log.ProcessNotice(kNoticeLogRow,
                        "\x12"
                        "x:1:shared",
                        "A");
    EXPECT_EQ(b.rowsAdded, 0);
    b.log.ProcessNotice(kNoticeLogRow,
                        "\x12"
                        "1:1:SHARED",
                        "A");
    EXPECT_EQ(b.rowsAdded, 1);
    // The text may come with its terminating zero byte.
    b.log.ProcessNotice(kNoticeLogRow,
                        std::string("\x12"
                                    "1:1:shared\0",
                                    12),
                        "A");
    EXPECT_EQ(b.rowsAdded, 2);
    b.rowsAdded = 1;
    b.log.ProcessNotice(kNoticeTrackPoint,
                        "\x12"
                        "1:1:shared",
                        "A");
    ASSERT_TRUE(b.log.Vessels()[0]->lastFix);
    EXPECT_NEAR(b.log.Vessels()[0]->lastFix->latitude, 47.9, 1e-9);
    // A voyage A starts after B opened the log is found in the index.
    a.log.SetAppendToExisting(true);
    ASSERT_TRUE(a.log.StartVoyage("V2", "Ada"));
    Log(a, 1, T0() + seconds(5));
    b.log.ProcessNotice(kNoticeLogRow, a.notices.back().second, "A");
    EXPECT_EQ(b.rowsAdded, 2);
    ASSERT_EQ(b.log.Vessels().size(), 2u);
    EXPECT_EQ(b.log.Vessels()[1]->voyageId, "V2");
    b.log.ProcessNotice(kNoticeLogRow, "\x12", "A");
    EXPECT_EQ(b.rowsAdded, 2);

    // B holds the logbook table A writes to: A waits a bounded time, keeps
    // the row, names the station it last heard from, and loses nothing.
    a.log.ProcessNotice(kNoticeTrackPoint,
                        "\x12"
                        "9:9:shared",
                        "station B");
    db::CDBLog& held = *b.log.Vessels()[1]->rows;
    ASSERT_TRUE(held.Lock());
    const auto rowsBefore = a.log.OwnVessel()->rows->GetRecordCount();
    const auto started = steady_clock::now();
    a.log.LogEvent("while B holds it", -1);
    // Ten tries 100 ms apart; a loaded machine oversleeps, forever is the fault.
    EXPECT_LT(steady_clock::now() - started, milliseconds(5000));
    EXPECT_EQ(a.log.KeptCount(), 1u);
    ASSERT_FALSE(a.warnings.empty());
    EXPECT_NE(a.warnings.back().find("station B"), std::string::npos) << a.warnings.back();
    ASSERT_TRUE(held.FlushAndUnlock());
    a.log.WriteKept();
    EXPECT_EQ(a.log.KeptCount(), 0u);
    EXPECT_EQ(a.log.OwnVessel()->rows->GetRecordCount(), rowsBefore + 1);
}

// A station without a vessel of its own in a shared log (no position, no
// voyage) writes a logbook entry into an append of its own, made for it,
// never into the table of the append another station writes; the other
// station learns of it by the row notice and lists it with the vessel's rows.
TEST(VesselLogbook, AnEntryOfAStationWithoutItsOwnVesselGoesToAnAppendOfItsOwn)
{
    brine_test::TempFolder dir;
    Harness a(dir.Path());
    Harness b(dir.Path());
    ASSERT_TRUE(a.log.Open((dir / "shared").string()));
    a.log.SetLogging(true);
    Log(a, 2, T0());
    const std::uint32_t vesselId = a.log.OwnVessel()->vesselId;
    // B opens the log at start as the last one used, and knows no position.
    b.log.SetInitialLog("shared");
    ASSERT_TRUE(b.log.Open(""));
    EXPECT_EQ(b.log.OwnVessel(), nullptr);
    b.log.LogEvent("Watch handed over", kFixManual);
    ASSERT_NE(b.log.OwnVessel(), nullptr);
    EXPECT_EQ(b.log.OwnVessel()->vesselId, vesselId);
    EXPECT_EQ(b.log.OwnVessel()->appendNo, 2u);
    EXPECT_EQ(b.log.Vessels().size(), 2u) << "B still follows A's append";
    db::CDBLog& bRows = *b.log.OwnVessel()->rows;
    EXPECT_EQ(bRows.GetRecordCount(), 1);
    ASSERT_TRUE(bRows.GoRecord(1));
    EXPECT_EQ(bRows.m_note, "Watch handed over");
    EXPECT_FALSE(bRows.m_positionKnown);
    EXPECT_EQ(a.log.OwnVessel()->rows->GetRecordCount(), 2) << "A's table is A's alone";
    ASSERT_FALSE(b.notices.empty());
    EXPECT_EQ(b.notices.back(), std::make_pair(kNoticeLogRow, std::string("\x12"
                                                                          "1:2:shared")));

    // A hears of B's append and lists B's entry with the vessel's rows; A's
    // own rows still go to A's append.
    a.log.ProcessNotice(b.notices.back().first, b.notices.back().second, "B");
    EXPECT_EQ(a.rowsAdded, 3);
    ASSERT_EQ(a.log.Vessels().size(), 2u);
    EXPECT_EQ(a.log.OwnVessel()->appendNo, 1u);
    Log(a, 1, T0() + seconds(10));
    EXPECT_EQ(a.log.OwnVessel()->rows->GetRecordCount(), 3);
    EXPECT_EQ(bRows.GetRecordCount(), 1);
    CLogbookRows listed(a.log, vesselId);
    EXPECT_EQ(listed.RowCount(), 4u);
}

// The log's tables keep Windows-1252 text. A voyage whose texts they cannot
// hold does not start; a note they cannot hold (a program's text: the user's
// are refused at the dialog) is written with "?" for what they cannot, and
// the rows after it still go in.
TEST(VesselLogbook, TextsTheTablesCannotHoldStopNothing)
{
    brine_test::TempFolder dir;
    Harness h(dir.Path());
    ASSERT_TRUE(h.log.Open((dir / "texts").string()));
    EXPECT_FALSE(h.log.StartVoyage("PS-0603", "Ωmega"));
    EXPECT_FALSE(h.log.IsVoyageRunning());
    EXPECT_FALSE(h.log.IsLogging());
    EXPECT_EQ(h.log.OwnVessel(), nullptr) << "no row for a voyage that did not start";
    ASSERT_FALSE(h.warnings.empty());
    EXPECT_EQ(h.warnings.back(), "The voyage was not started. The log keeps Western European "
                                 "text and cannot hold \"Ω\" in the watch officer. Please write it "
                                 "without that character.");
    ASSERT_TRUE(h.log.StartVoyage("PS-0603", "José Ñúñez"));
    h.current = std::make_shared<CNavSnapshot>(At(47.9, -122.6, T0()));
    h.log.LogEvent("Passed buoy → wind 20 kn ☂", kFixManual);
    EXPECT_EQ(h.warnings.back(), "The log cannot hold the characters →☂ of the note \"Passed buoy "
                                 "→ wind 20 kn ☂\"; they are written as \"?\".");
    Log(h, 2, T0() + seconds(1));
    db::CDBLog& rows = *h.log.OwnVessel()->rows;
    ASSERT_EQ(rows.GetRecordCount(), 3);
    ASSERT_TRUE(rows.GoRecord(1));
    EXPECT_EQ(rows.m_note, "Passed buoy ? wind 20 kn ?");
    EXPECT_EQ(rows.m_type, kFixManual);
    ASSERT_TRUE(rows.GoRecord(3));
    EXPECT_EQ(rows.m_note, "");
    EXPECT_EQ(h.log.OwnTrackVessel()->watchOfficer, "José Ñúñez");
}

TEST(VesselLogbook, TrackRebuiltFromTheLogbookEqualsOneAppendAtATime)
{
    brine_test::TempFolder dir;
    Harness h(dir.Path());
    ASSERT_TRUE(h.log.Open((dir / "rows").string()));
    // One row through the log makes the vessel; the rest straight into its table.
    h.current = std::make_shared<CNavSnapshot>(At(47.9, -122.6, T0()));
    h.log.LogEvent("first", -1);
    EXPECT_FALSE(h.log.IsLogging());
    db::CDBLog& table = *h.log.OwnVessel()->rows;
    ASSERT_TRUE(table.Lock());
    for (int i = 1; i < 5000; ++i) {
        table.ClearRecord();
        table.m_time = app::CDateTimeEx(2024, 6, 1, 16, i / 60 % 60, i % 60);
        table.m_position = geo::CPosition(47.9 + i * 1e-5, -122.6, 0.0, -1);
        table.m_cog = i % 7 == 0 ? -99.99 : i % 360;
        table.m_type = i % 11 + 1;
        ASSERT_TRUE(table.AppendNew());
    }
    ASSERT_TRUE(table.FlushAndUnlock());
    ASSERT_TRUE(h.log.CanConvertLogToTrack());
    ASSERT_TRUE(h.log.ConvertLogToTrack());
    EXPECT_FALSE(h.log.CanConvertLogToTrack()) << "the track holds records now";
    auto& vessel = *h.log.OwnVessel();
    ASSERT_EQ(vessel.track.RecordCount(), 5000u);
    // The same records one by one.
    CTrackFile single;
    ASSERT_TRUE(single.Open(dir / "single.trc"));
    vessel.rows->SelectTag("T_DT_TM");
    for (bool ok = vessel.rows->GoTop(); ok; ok = vessel.rows->SkipForward()) {
        CTrackFix f;
        f.latitude = vessel.rows->m_position.GetLatitude();
        f.longitude = vessel.rows->m_position.GetLongitude();
        f.datum = vessel.rows->m_position.GetDatum();
        f.cog = vessel.rows->m_cog;
        f.sog = vessel.rows->m_sog;
        f.utc = sys_days{year{vessel.rows->m_time.GetYear()} / vessel.rows->m_time.GetMonth() /
                         vessel.rows->m_time.GetDay()} +
                hours(vessel.rows->m_time.GetHour()) + minutes(vessel.rows->m_time.GetMinute()) +
                seconds(vessel.rows->m_time.GetSecond());
        f.fixType = vessel.rows->m_type;
        ASSERT_TRUE(single.Append(f).Written());
    }
    std::ifstream a(dir / "rows.X/00000001.trc", std::ios::binary),
        b(dir / "single.trc", std::ios::binary);
    EXPECT_TRUE(
        std::equal(std::istreambuf_iterator<char>(a), {}, std::istreambuf_iterator<char>(b)));
}

TEST(VesselLogbook, ALogConvertedEarlierIsMovedUpOnOpenAllOrNothing)
{
    brine_test::TempFolder dir;
    {
        db::CDBVesselLog index;
        index.SetFilePath(dir / "old");
        ASSERT_TRUE(index.OpenIndex());
        for (std::uint32_t id : {1u, 2u}) {
            index.ClearRecord();
            index.m_vesselType = 1;
            index.m_vesselId = id;
            index.m_appendNo = 1;
            ASSERT_TRUE(index.AppendNew());
            db::CDBLog rows;
            rows.SetFilePath(dir / ("old.X/" + db::IdName(id) + ".X/" + db::IdName(id)));
            ASSERT_TRUE(rows.Open());
            rows.m_note = "older layout " + std::to_string(id);
            ASSERT_TRUE(rows.AppendNew() && rows.Close());
        }
        ASSERT_TRUE(index.Close());
    }
    const auto before = brine_test::Snapshot(dir.Path());
    // A move that fails half way puts back what had moved.
    int renames = 0;
    platform::SetRenameFaultHook(
        [&](const fs::path&, const fs::path&) { return ++renames == 4 ? EIO : 0; });
    // The log is not opened: a temporary one takes its place, and the user is
    // told why in a box with the stop icon.
    Harness h(dir.Path());
    h.prompt.Expect(PromptAnswer::Ok,
                    "Unable to Open Log database : " + (dir / "old.dbf").string() + "\n");
    ASSERT_TRUE(h.log.Open((dir / "old").string()));
    platform::SetRenameFaultHook({});
    EXPECT_TRUE(h.log.IsTemporary());
    ASSERT_TRUE(h.prompt.Done());
    EXPECT_NE(h.prompt.AskedPrompts().back().text.find("moved beside their tracks"),
              std::string::npos)
        << h.prompt.AskedPrompts().back().text;
    EXPECT_EQ(h.prompt.AskedPrompts().back().icon, platform::PromptIcon::Stop);
    EXPECT_GE(renames, 4);
    h.log.Close(true);
    EXPECT_EQ(brine_test::Snapshot(dir.Path()), before);

    ASSERT_TRUE(h.log.Open((dir / "old").string())) << h.log.LastError();
    ASSERT_EQ(h.log.Vessels().size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        auto& rows = *h.log.Vessels()[i]->rows;
        ASSERT_TRUE(rows.GoTop());
        EXPECT_EQ(rows.m_note, "older layout " + std::to_string(i + 1));
    }
    EXPECT_TRUE(fs::exists(dir / "old.X/00000002.dbf"));
    EXPECT_FALSE(fs::exists(dir / "old.X/00000001.X"));
    ASSERT_TRUE(h.log.Close(true));

    // A name taken both up and below is not guessed at: nothing moves.
    fs::create_directories(dir / "old.X/00000001.X");
    fs::copy_file(dir / "old.X/00000001.dbf", dir / "old.X/00000001.X/00000001.dbf");
    const auto both = brine_test::Snapshot(dir.Path());
    h.prompt.Expect(PromptAnswer::Ok, "Unable to Open Log database : ");
    ASSERT_TRUE(h.log.Open((dir / "old").string()));
    EXPECT_TRUE(h.log.IsTemporary());
    EXPECT_NE(h.prompt.AskedPrompts().back().text.find("00000001"), std::string::npos)
        << h.prompt.AskedPrompts().back().text;
    h.log.Close(true);
    EXPECT_EQ(brine_test::Snapshot(dir.Path()), both);
}

TEST(VesselLogbook, OutsideReadersOpenEveryTable)
{
    brine_test::TempFolder dir;
    Harness h(dir.Path());
    ASSERT_TRUE(h.log.Open((dir / "outside").string()));
    ASSERT_TRUE(h.log.StartVoyage("PS-0601", "M. Okafor"));
    Log(h, 3, T0());
    h.log.LogEvent("Cleared Point No Point\r\nwind NW 15", -1);
    ASSERT_TRUE(h.log.EndVoyage());
    h.log.SetAppendToExisting(true);
    ASSERT_TRUE(h.log.StartVoyage("PS-0602", ""));
    Log(h, 2, T0() + hours(3));
    ASSERT_TRUE(h.log.Close(true));
    const std::string python = brine_test::Python(dir.Path(), R"(
import sys, dbfread
idx = dbfread.DBF(sys.argv[1] + '.dbf', load=True)
for r in idx.records:
    print(r['VSLTYPE'], r['VOYAGEID'], r['OOWNAME'], r['VSLID'], r['APPENDNO'], r['STARTDATE'],
          r['STARTTIME'], r['ENDDATE'] is not None)
    t = dbfread.DBF(sys.argv[1] + '.X/%08d.dbf' % r['UNIQUE'], load=True)
    print(len(t.records), (t.records[-1]['NOTE'] or '').replace('\r\n', '<cr>'), t.records[0]['TYPE'])
)",
                                                  (dir / "outside").string());
    EXPECT_EQ(python, "1 PS-0601 M. Okafor 1 1 2024-01-01 000000 True\n"
                      "4 Cleared Point No Point<cr>wind NW 15 4\n"
                      "1 PS-0602  1 2 2024-01-01 000000 True\n"
                      "2  4\n");
    const std::string perl = brine_test::Perl(dir.Path(), R"(
use XBase;
for my $f (@ARGV) {
    my $t = XBase->new($f) or die XBase->errstr;
    print $t->last_record + 1, "\n";
}
)",
                                              (dir / "outside.dbf").string() + " " +
                                                  (dir / "outside.X/00000001.dbf").string() + " " +
                                                  (dir / "outside.X/00000002.dbf").string());
    EXPECT_EQ(perl, "2\n4\n2\n");
}

// A logbook table cut short outside the program (a disk fault, a copy that
// stopped) opens with its whole rows, and the navigator is told what was
// found, naming the table, not left to notice rows missing.
TEST(VesselLogbook, ALogbookCutShortIsOpenedWithAWordAboutIt)
{
    brine_test::TempFolder dir;
    const std::string path = (dir / "cut").string();
    {
        Harness h(dir.Path());
        ASSERT_TRUE(h.log.Open(path));
        h.log.SetLogging(true);
        Log(h, 10, T0());
        ASSERT_TRUE(h.log.Close(true));
    }
    const fs::path rows = dir / "cut.X" / "00000001.dbf";
    const auto size = fs::file_size(rows);
    fs::resize_file(rows, size - 4 * 81 - 40);   // four rows and part of another gone

    Harness h(dir.Path());
    ASSERT_TRUE(h.log.Open(path));
    ASSERT_NE(h.log.OwnTrackVessel(), nullptr);
    EXPECT_EQ(h.log.OwnTrackVessel()->rows->GetRecordCount(), 5);
    ASSERT_FALSE(h.warnings.empty()) << "the damage passed without a word";
    const std::string& said = h.warnings.back();
    EXPECT_NE(said.find("00000001"), std::string::npos) << said;
    EXPECT_NE(said.find("counts 10"), std::string::npos) << said;
    EXPECT_NE(said.find("holds 5"), std::string::npos) << said;
    ASSERT_TRUE(h.log.Close(true));
}

// File > Open of a file that is no log at all is refused with the reason,
// and the log that was open stays open, its logging going on there; the
// file is left as it was.
TEST(VesselLogbook, AFileThatIsNoLogIsRefusedAndTheOpenLogStays)
{
    brine_test::TempFolder dir;
    const std::string path = (dir / "watch").string();
    Harness h(dir.Path());
    ASSERT_TRUE(h.log.Open(path));
    h.log.SetLogging(true);
    Log(h, 3, T0());
    const fs::path junk = dir / "notes.dbf";
    {
        std::ofstream(junk) << "this is not a table at all";
    }

    EXPECT_FALSE(h.log.Open((dir / "notes").string()));
    ASSERT_FALSE(h.warnings.empty());
    EXPECT_NE(h.warnings.back().find("neither a vessel log nor a position log"), std::string::npos)
        << h.warnings.back();
    EXPECT_TRUE(h.log.IsOpen());
    EXPECT_EQ(h.log.LogPath(), path);
    EXPECT_TRUE(h.log.IsLogging());
    Log(h, 2, T0() + seconds(10));
    ASSERT_NE(h.log.OwnTrackVessel(), nullptr);
    EXPECT_EQ(h.log.OwnTrackVessel()->rows->GetRecordCount(), 5);
    EXPECT_EQ(fs::file_size(junk), 26u);
    ASSERT_TRUE(h.log.Close(true));
}

// Each own vessel row has the vessel's particulars beside its logbook and
// track in the companion folder, the "hdr" record read back with Python's
// struct: tag, length, draft, beam, speed, sixteen deviations, name.
TEST(VesselLogbook, EachOwnRowHasTheVesselsParticulars)
{
    brine_test::TempFolder dir;
    Harness h(dir.Path());
    COwnVessel ship;
    ship.headerTag = "BVSL";
    ship.name = "Kittiwake";
    ship.length = 24.5;
    ship.draft = 2.25;
    ship.beam = 6.0;
    ship.speed = 9.5;
    ship.deviation[1] = -1.5;
    ship.deviation[15] = 2.0;
    h.log.Services().particulars = [&ship] { return std::optional<COwnVessel>(ship); };
    ASSERT_TRUE(h.log.Open((dir / "Particulars").string()));
    ASSERT_TRUE(h.log.StartVoyage("PS-0901", "Ada"));
    Log(h, 1, T0());
    ship.name = "Kittiwake II";   // renamed before the next voyage
    ASSERT_TRUE(h.log.EndVoyage());
    ASSERT_TRUE(h.log.StartVoyage("PS-0902", "Bo"));
    ASSERT_TRUE(h.log.Close(true));
    const std::string read = brine_test::Python(dir.Path(), R"(
import struct, sys, dbfread
base = sys.argv[1]
for r in dbfread.DBF(base + '.dbf'):
    data = open(base + '.X/%08d.hdr' % r['UNIQUE'], 'rb').read()
    tag = data[0:4].decode()
    length, draft, beam, speed = struct.unpack_from('<4d', data, 4)
    deviation = struct.unpack_from('<16d', data, 36)
    (n,) = struct.unpack_from('<H', data, 164)
    print(len(data), tag, length, draft, beam, speed, deviation[1], deviation[15],
          data[166:166 + n].decode(), 166 + n == len(data))
)",
                                                (dir / "Particulars").string());
    EXPECT_EQ(read, "175 BVSL 24.5 2.25 6.0 9.5 -1.5 2.0 Kittiwake True\n"
                    "178 BVSL 24.5 2.25 6.0 9.5 -1.5 2.0 Kittiwake II True\n");
}

// The navigation cycle runs on while the log's save question and the save dialog wait for the
// user. What it reports meanwhile is written once the question is answered, at the time and
// place it came, into the log then open: before the voyage while the log was logging, into the
// voyage's first rows when logging was off; nothing when logging stays off.
TEST(VesselLogbook, EventsRaisedWhileTheSaveQuestionIsOpenAreWrittenOnceItIsAnswered)
{
    struct RaisingPrompt final : platform::CPrompt {
        std::function<void()> whileOpen;
        PromptAnswer answer = PromptAnswer::No;
        PromptAnswer Ask(std::string_view, std::string_view, platform::PromptIcon,
                         platform::PromptButtons) override
        {
            if (whileOpen)
                whileOpen();
            return answer;
        }
    } prompt;
    brine_test::TempFolder dir;
    brine_test::FakeClock clock;
    std::shared_ptr<const CNavSnapshot> current;
    std::function<void()> inDialog;
    std::optional<std::string> savePath;
    CVesselLogServices services;
    services.prompt = &prompt;
    services.chooseSavePath = [&](const std::string&, const std::string&) {
        if (inDialog)
            inDialog();
        return savePath;
    };
    services.currentSnapshot = [&] { return current; };
    CVesselLogbook log(clock, services);
    log.SetFolder(dir.Path());
    // Each noted row of the open log, read from its files, as "table|note|stored time|latitude";
    // a table for each append, numbered in order.
    const auto rows = [&] {
        std::vector<fs::path> tables;
        for (const auto& e : fs::directory_iterator(log.LogPath() + ".X"))
            if (e.path().extension() == ".dbf")
                tables.push_back(e.path());
        std::sort(tables.begin(), tables.end());
        std::vector<std::string> out;
        for (const fs::path& t : tables) {
            db::CDBLog table;
            table.SetFilePath(fs::path(t).replace_extension().string());
            EXPECT_TRUE(table.Open(true)) << t;
            table.SelectUniqueTag();
            for (bool ok = table.GoTop(); ok; ok = table.SkipForward()) {
                char lat[16];
                std::snprintf(lat, sizeof lat, "%.3f", table.m_position.GetLatitude());
                if (!table.m_note.empty())
                    out.push_back(t.stem().string() + "|" + table.m_note + "|" +
                                  table.m_time.ToStorageText() + "|" + lat);
            }
        }
        return out;
    };

    // Logging on: an arrival during the question, an off-track change in the save dialog.
    ASSERT_TRUE(log.Open(""));
    log.SetLogging(true);
    current = std::make_shared<CNavSnapshot>(At(47.9, -122.6, T0()));
    ASSERT_TRUE(log.WriteLogRecord(*current));
    prompt.answer = PromptAnswer::Yes;
    prompt.whileOpen = [&] {
        EXPECT_TRUE(log.IsHoldingEvents());
        EXPECT_FALSE(log.IsLogging());
        current = std::make_shared<CNavSnapshot>(At(48.1, -122.7, T0() + seconds(20)));
        clock.SetUtc(T0() + seconds(20));
        log.LogEvent("Arrival circle entered - Wpt 1 - Point Wilson", -1);
        current = std::make_shared<CNavSnapshot>(At(48.2, -122.7, T0() + seconds(40)));
    };
    // Each held row keeps the clock's time of its event, not that of the answer.
    inDialog = [&] {
        clock.SetUtc(T0() + seconds(40));
        log.LogEvent("Vessel outside off-track limit for the active route", -1);
        clock.SetUtc(T0() + minutes(2));
    };
    savePath = (dir / "Passage").string();
    ASSERT_TRUE(log.StartVoyage("PS-1", "Ada"));
    EXPECT_EQ(log.LogPath(), (dir / "Passage").string());
    EXPECT_FALSE(log.IsHoldingEvents());
    EXPECT_EQ(rows(), (std::vector<std::string>{
                          "00000001|Arrival circle entered - Wpt 1 - Point Wilson|20240601 "
                          "160020|48.100",
                          "00000001|Vessel outside off-track limit for the active route|20240601 "
                          "160040|48.200"}));

    // Logging off before a voyage on a new temporary log: the event opens the voyage's rows.
    ASSERT_TRUE(log.EndVoyage());
    ASSERT_TRUE(log.Open(""));
    ASSERT_TRUE(log.IsTemporary());
    log.SetLogging(false);
    prompt.answer = PromptAnswer::No;
    inDialog = nullptr;
    prompt.whileOpen = [&] {
        current = std::make_shared<CNavSnapshot>(At(47.7, -122.4, T0() + minutes(5)));
        clock.SetUtc(T0() + minutes(5));
        log.LogEvent("EPFS reception lost.", kEventEpfs);
        clock.SetUtc(T0() + minutes(6));
    };
    ASSERT_TRUE(log.StartVoyage("PS-2", "Bo"));
    EXPECT_EQ(rows(),
              (std::vector<std::string>{"00000001|EPFS reception lost.|20240601 160500|47.700"}));

    // Logging off and the question cancelled: the event is let go, not written later.
    ASSERT_TRUE(log.EndVoyage());
    const std::size_t before = rows().size();
    prompt.answer = PromptAnswer::Cancel;
    prompt.whileOpen = [&] { log.LogEvent("Perpendicular passed - Wpt 3 - No name", -1); };
    EXPECT_EQ(log.SaveAs(true), LogSaveResult::Cancelled);
    EXPECT_FALSE(log.IsHoldingEvents());
    log.SetLogging(true);
    log.LogEvent("Watch handed over", kEventManual);
    const auto after = rows();
    ASSERT_EQ(after.size(), before + 1);
    EXPECT_NE(after.back().find("Watch handed over"), std::string::npos);
}

// An older ".log" opened a second time: the overwrite question reaches the
// user. No keeps the converted log as it is, the message naming the index
// that is there (not the older name with ".dbf" added) and a temporary log
// open instead; Yes backs the index up and converts the older log again.
TEST(VesselLogbook, AnOlderLogOpenedAgainAsksBeforeItsConvertedLogIsReplaced)
{
    brine_test::TempFolder dir;
    const std::string made = brine_test::Python(dir.Path(), R"(
import os, sys, dbf
base = sys.argv[1]
t = dbf.Table(base + '.dbf', 'TIME C(5); DATE C(8); LAT C(10); LNG C(10); DTM C(3); COG C(6); '
              'SOG C(6); TYPE C(12); NOTE M', dbf_type='db3', codepage='cp1252')
t.open(dbf.READ_WRITE)
t.append(('13:45', '24/12/98', '47.6', '-122.4', '-1', '123.5', '12.25', 'sys dr', 'Off Alki'))
t.close()
os.rename(base + '.dbf', base + '.log')
os.rename(base + '.dbt', base + '.lom')
)",
                                                (dir / "nine").string());
    ASSERT_EQ(made, "");
    const std::string older = (dir / "nine.log").string();
    Harness h(dir.Path());
    ASSERT_TRUE(h.log.Open(older)) << (h.warnings.empty() ? "" : h.warnings.back());
    EXPECT_EQ(h.log.LogPath(), (dir / "nine").string());
    ASSERT_TRUE(h.log.Close(true));
    const auto converted = brine_test::Snapshot(dir.Path());

    h.prompt.Expect(PromptAnswer::No, "Do you want to overwrite it?");
    h.prompt.Expect(PromptAnswer::Ok);
    EXPECT_TRUE(h.log.Open(older));
    EXPECT_TRUE(h.prompt.Done());
    EXPECT_EQ(h.prompt.AskedPrompts().back().text.rfind(
                  "Unable to Open Log database : " + (dir / "nine.dbf").string() + "\n", 0),
              0u)
        << h.prompt.AskedPrompts().back().text;
    EXPECT_EQ(h.prompt.AskedPrompts().back().icon, platform::PromptIcon::Stop);
    EXPECT_TRUE(h.log.IsTemporary());
    ASSERT_TRUE(h.log.Close(true));
    for (const auto& [name, bytes] : converted)
        EXPECT_EQ(brine_test::Snapshot(dir.Path())[name], bytes) << name << " changed";
    EXPECT_FALSE(fs::exists(dir / "~OldLogs.Backup"));

    h.prompt.Expect(PromptAnswer::Yes, "Do you want to overwrite it?");
    ASSERT_TRUE(h.log.Open(older)) << h.warnings.back();
    EXPECT_TRUE(h.prompt.Done());
    EXPECT_EQ(h.log.LogPath(), (dir / "nine").string());
    ASSERT_EQ(h.log.Vessels().size(), 1u);
    EXPECT_EQ(h.log.Vessels()[0]->rows->GetRecordCount(), 1);
    EXPECT_EQ(brine_test::Snapshot(dir / "~OldLogs.Backup")["nine.dbf"], converted.at("nine.dbf"));
    ASSERT_TRUE(h.log.Close(true));
}

namespace {

void PutLe32(std::string& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(char((v >> (8 * i)) & 0xFF));
}

}   // namespace

// A position log of the older kind taken over as a vessel log brings its
// older track archive (old.log) beside it: the archive becomes the track of
// vessel 1, once, and a conversion cut short is made whole at the next open.
TEST(VesselLogbook, AnOlderTrackArchiveBecomesTheFirstVesselsTrackWhole)
{
    brine_test::TempFolder dir;
    {
        db::CDBLog older;
        older.SetFilePath(dir / "old");
        ASSERT_TRUE(older.Open());
        older.m_note = "before conversion";
        ASSERT_TRUE(older.AppendNew() && older.Close());
    }
    const std::int32_t lats[] = {476062000, 476100000, -339000000};
    const std::int32_t lons[] = {-1223321000, -1223400000, 1512500000};
    std::string archive;
    PutLe32(archive, 3);
    for (int i = 0; i < 3; ++i) {
        PutLe32(archive, std::uint32_t(lats[i]));
        PutLe32(archive, std::uint32_t(lons[i]));
        archive.append(8, '\x55');   // not used
        PutLe32(archive, i == 2 ? 17u : 0xFFFFu);
        PutLe32(archive, std::uint32_t(1717257600 + 60 * i));   // 2024-06-01 16:00 UTC on
    }
    std::ofstream(dir / "old.log", std::ios::binary) << archive;

    const auto expectTrack = [&](Harness& h) {
        ASSERT_FALSE(h.log.Vessels().empty());
        CTrackFile& track = h.log.Vessels().front()->track;
        ASSERT_EQ(h.log.Vessels().front()->unique, 1);
        ASSERT_EQ(track.RecordCount(), 3u);
        for (std::uint64_t i = 0; i < 3; ++i) {
            const auto fix = track.Read(i);
            ASSERT_TRUE(fix);
            EXPECT_DOUBLE_EQ(fix->latitude, lats[i] * 1e-7);
            EXPECT_DOUBLE_EQ(fix->longitude, lons[i] * 1e-7);
            EXPECT_EQ(fix->datum, i == 2 ? 17 : 0xFFFF);
            EXPECT_EQ(fix->utc, T0() + minutes(i));
            EXPECT_EQ(fix->cog, kUnsetTrackValue);
            EXPECT_EQ(fix->depth, kUnsetTrackValue);
            EXPECT_EQ(fix->fixType, 0);
        }
        EXPECT_FALSE(fs::exists(dir / "old.X/~new-00000001.trc"));
    };
    Harness h(dir.Path());
    ASSERT_TRUE(h.log.Open((dir / "old").string())) << h.log.LastError();
    ASSERT_FALSE(h.log.IsTemporary());
    expectTrack(h);
    ASSERT_TRUE(h.log.Close(true));

    // Opened again: converted once only.
    ASSERT_TRUE(h.log.Open((dir / "old").string()));
    expectTrack(h);
    ASSERT_TRUE(h.log.Close(true));

    // Killed while the track was being made: its part copy is left and no
    // track; the next open makes the whole track.
    fs::remove(dir / "old.X/00000001.trc");
    std::ofstream(dir / "old.X/~new-00000001.trc", std::ios::binary) << archive.substr(0, 50);
    ASSERT_TRUE(h.log.Open((dir / "old").string()));
    expectTrack(h);
    ASSERT_TRUE(h.log.Close(true));
    EXPECT_TRUE(h.prompt.Done());
}

// A track file that cannot be opened is told in a box with the stop icon.
TEST(VesselLogbook, ATrackFileThatCannotBeOpenedIsToldWithTheStopIcon)
{
    brine_test::TempFolder dir;
    Harness h(dir.Path());
    ASSERT_TRUE(h.log.Open((dir / "named").string()));
    h.log.SetLogging(true);
    Log(h, 1, T0());
    ASSERT_TRUE(h.log.Close(true));
    fs::remove(dir / "named.X/00000001.trc");
    fs::create_directory(dir / "named.X/00000001.trc");   // no file can be opened there
    h.prompt.Expect(PromptAnswer::Ok,
                    "Unable to open Track File:\n\n" + (dir / "named.X/00000001.trc").string());
    ASSERT_TRUE(h.log.Open((dir / "named").string()));
    EXPECT_TRUE(h.prompt.Done());
    ASSERT_EQ(h.prompt.AskedPrompts().size(), 1u);
    EXPECT_EQ(h.prompt.AskedPrompts()[0].text,
              "Unable to open Track File:\n\n" + (dir / "named.X/00000001.trc").string());
    EXPECT_EQ(h.prompt.AskedPrompts()[0].icon, platform::PromptIcon::Stop);
    ASSERT_TRUE(h.log.Close(true));
}

// The voyage dialog shows the voyage id and watch officer of the own
// vessel's row, at the start of the next voyage as at the end of this one.
TEST(VesselLogbook, TheVoyageDialogShowsTheOwnRowsVoyage)
{
    brine_test::TempFolder dir;
    Harness h(dir.Path());
    ASSERT_TRUE(h.log.Open((dir / "named").string()));
    EXPECT_EQ(h.log.VoyageRowVessel(), nullptr);
    ASSERT_TRUE(h.log.StartVoyage("V-17", "Mate"));
    ASSERT_NE(h.log.VoyageRowVessel(), nullptr);
    EXPECT_EQ(h.log.VoyageRowVessel()->voyageId, "V-17");
    ASSERT_TRUE(h.log.EndVoyage());
    ASSERT_NE(h.log.VoyageRowVessel(), nullptr);
    EXPECT_EQ(h.log.VoyageRowVessel()->watchOfficer, "Mate");
    ASSERT_TRUE(h.log.Close(true));
}

// A track file that could not be opened is tried again with the next point:
// the points kept meanwhile go in once it opens.
TEST(VesselLogbook, ATrackFileThatCouldNotBeOpenedIsTriedAgainAtTheNextPoint)
{
    brine_test::TempFolder dir;
    Harness h(dir.Path());
    fs::create_directories(dir / "named.X/00000001.trc");   // no file can be opened there
    ASSERT_TRUE(h.log.Open((dir / "named").string()));
    h.log.SetLogging(true);
    h.prompt.Expect(PromptAnswer::Ok, "Unable to open Track File");
    ASSERT_TRUE(h.log.WriteTrackPoint(At(47.9, -122.6, T0())));
    EXPECT_TRUE(h.prompt.Done());
    ASSERT_TRUE(h.log.WriteTrackPoint(At(47.91, -122.6, T0() + seconds(1))));
    EXPECT_EQ(h.log.KeptCount(), 2u);
    fs::remove(dir / "named.X/00000001.trc");
    ASSERT_TRUE(h.log.WriteTrackPoint(At(47.92, -122.6, T0() + seconds(2))));
    EXPECT_EQ(h.log.KeptCount(), 0u);
    ASSERT_NE(h.log.OwnVessel(), nullptr);
    EXPECT_EQ(h.log.OwnVessel()->track.RecordCount(), 3u);
    ASSERT_TRUE(h.log.Close(true));
}
