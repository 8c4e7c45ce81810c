// The chartpoint module on fakes: database lifecycle with temporary
// databases, the record mapping read back by dbfread, zone limits, notices
// and the lock between two stations, deletes and the upload walk.
#include "chartpoints/ChartpointModule.h"
#include "chartpoints/SortOrders.h"

#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/Registry.h"
#include "app/WaitStatus.h"
#include "db/OwnTemporaryTable.h"
#include "geo/DatumInfo.h"
#include "platform/Files.h"

#include "../db/OuterTools.h"
#include "ChartpointFakes.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace chartpoints;
using platform::PromptAnswer;
namespace cmd = app::cmd;

namespace {

// Holds a file as a running program holds its temporary database's
// placeholder: open, with a lock on the whole of it.
class LiveHolder {
public:
    explicit LiveHolder(const fs::path& file) : m_fd(::open(file.c_str(), O_RDWR | O_CLOEXEC))
    {
        EXPECT_TRUE(m_lock.TryLock(m_fd.Get(), 0, 0, platform::LockKind::Exclusive)) << file;
    }

private:
    platform::CFileDescriptor m_fd;
    platform::CFileRangeLock m_lock;
};

class ChartpointModuleTest : public ::testing::Test {
protected:
    void SetUp() override { module = Make(prompt); }
    std::unique_ptr<CChartpointModule> Make(platform::CPrompt& p)
    {
        auto m = std::make_unique<CChartpointModule>(settings, p, dir.Path());
        EXPECT_TRUE(m->Initialise());
        m->LoadSettings();   // as the program's start does
        m->SetUi(&panel);
        return m;
    }
    fs::path Data() const { return dir / "Chartpoints"; }
    std::vector<std::string> DataFiles() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(Data()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // Adds a chartpoint in edit mode through the New command and the panel.
    void AddPoint(CChartpointModule& m, const std::string& name, double lat, double lon)
    {
        if (!m.IsEditMode())
            m.OnEdit();
        m.OnNew();
        panel.edited = m.Current();
        panel.edited.m_name = name;
        panel.edited.m_position = geo::CPosition(lat, lon, 0.0, geo::DatumIndexWGS84());
        panel.modified = true;
        ASSERT_TRUE(m.OnApply());
    }

    brine_test::TempFolder dir;
    brine_test::FolderSettings settings{dir.Path()};
    brine_test::ScriptedPrompt prompt;
    brine_test::FakePanel panel;
    std::unique_ptr<CChartpointModule> module;
};

TEST(ChartpointRecord, ClearEmptyAndZoneTimes)
{
    CChartpoint cp(geo::CPosition(47.5, -122.4, 0.0, 0));
    EXPECT_TRUE(cp.IsEmpty());   // the position does not count
    EXPECT_EQ(cp.m_zoneTime, "0");
    for (const char* zone : {"00", " 0"}) {
        cp.m_zoneTime = zone;
        EXPECT_FALSE(cp.IsEmpty()) << zone;
    }
    cp.Clear();
    cp.m_attachments[3] = "clip.avi";
    EXPECT_FALSE(cp.IsEmpty());
    CChartpoint copy;
    copy = cp;
    EXPECT_EQ(copy.m_attachments, cp.m_attachments);

    struct Row {
        const char* text;
        std::optional<int> zone;
    } rows[] = {{"-5", -5},
                {"+12", 12},
                {"-11", -11},
                {"+14", 14},   // the table holds zones the panel's field does not offer
                {"-12", -12},
                {"0x0A", 10},
                {"-0x0B", -11},
                {"0xF5", -11},   // a hexadecimal byte is the signed 8-bit value
                {"", 0},
                {" 3 ", 3},
                {"127", 127},
                {"-99", -99},
                // Refused: their low 8 bits, or the field's three characters,
                // would store another number.
                {"128", std::nullopt},
                {"200", std::nullopt},
                {"-100", std::nullopt},
                {"0x1F5", std::nullopt},
                {"5h", std::nullopt},
                {"x", std::nullopt},
                {"x5", std::nullopt}};
    for (const Row& r : rows)
        EXPECT_EQ(ParseZoneTime(r.text), r.zone) << r.text;
}

TEST(ChartpointSortOrders, NamesTagsAndIndexes)
{
    EXPECT_EQ(SortNameToTag("zone"), "T_ZONE");
    EXPECT_EQ(SortNameToTag("Colour"), "T_UNIQUE");
    EXPECT_EQ(SortTagToName("t_alt"), "Original Order");
    EXPECT_EQ(SortIndexOfTag("T_GROUP"), 7);
    EXPECT_EQ(SortIndexOfCommand(cmd::kChartpointSortZone), 8);
    EXPECT_EQ(SortIndexOfCommand(2191), -1);
}

TEST_F(ChartpointModuleTest, TemporaryDatabasesComeAndGoByTheirOwnName)
{
    // Another station's temporary files in the shared folder are not ours;
    // that station, running, holds its placeholder.
    std::ofstream(Data() / "~dABCDEF.tmp") << "";
    std::ofstream(Data() / "~dABCDEF.dbf") << "theirs";
    const LiveHolder theirs(Data() / "~dABCDEF.tmp");
    module->LoadSettings();
    module->OpenInitialDatabase();
    ASSERT_TRUE(module->Table().IsOpen());
    EXPECT_TRUE(module->IsTempDatabase());
    const std::string name = module->Table().GetName();
    EXPECT_EQ(name.substr(0, 2), "~d");
    EXPECT_TRUE(fs::exists(Data() / (name + ".tmp")));
    EXPECT_TRUE(fs::exists(Data() / (name + ".dbf")));

    // Empty: goes without a question.
    ASSERT_TRUE(module->CloseDatabase(false));
    EXPECT_EQ(DataFiles(), (std::vector<std::string>{"~dABCDEF.dbf", "~dABCDEF.tmp"}));

    // With a record: asks; Cancel keeps it open, No lets it go.
    ASSERT_TRUE(module->OpenDatabase({}));
    AddPoint(*module, "Point Wilson", 48.144, -122.755);
    prompt.Expect(PromptAnswer::Cancel, "Save Chartpoint database?");
    EXPECT_FALSE(module->CloseDatabase(false));
    EXPECT_TRUE(module->Table().IsOpen());
    EXPECT_EQ(module->Current().m_name, "Point Wilson");
    prompt.Expect(PromptAnswer::Cancel, "Save Chartpoint database?");
    EXPECT_EQ(module->QueryClose(prompt), PromptAnswer::Cancel);
    prompt.Expect(PromptAnswer::No, "Save Chartpoint database?");
    EXPECT_TRUE(module->CloseDatabase(false));
    EXPECT_EQ(DataFiles(), (std::vector<std::string>{"~dABCDEF.dbf", "~dABCDEF.tmp"}));

    // Yes saves it under the chosen name; the temporary files go.
    ASSERT_TRUE(module->OpenDatabase({}));
    AddPoint(*module, "Point No Point", 47.912, -122.526);
    panel.savePath = (Data() / "Sound.dbf").string();
    prompt.Expect(PromptAnswer::Yes, "Save Chartpoint database?");
    EXPECT_TRUE(module->CloseDatabase(false));
    EXPECT_EQ(panel.defaultName, "");
    EXPECT_EQ(DataFiles(), (std::vector<std::string>{"Sound.X", "Sound.dbf", "Sound.mdx",
                                                     "~dABCDEF.dbf", "~dABCDEF.tmp"}));
    EXPECT_TRUE(prompt.Done());
}

TEST_F(ChartpointModuleTest, TemporariesOfAKilledProgramAreRemovedAtTheNextStart)
{
    // A killed program's temporary database: placeholder, table, index and
    // companion folder, with nobody holding the placeholder.
    for (const char* file : {"~d5F72FA.tmp", "~d5F72FA.dbf", "~d5F72FA.mdx"})
        std::ofstream(Data() / file) << "";
    fs::create_directories(Data() / "~d5F72FA.X");
    // One whose table holds a record is the crashed session's work: kept.
    std::string header(32, '\0');
    header[0] = 3;
    header[4] = 1;
    header[8] = 33;
    std::ofstream(Data() / "~d0123AB.dbf", std::ios::binary) << header << "\r Lost Point\x1a";
    std::ofstream(Data() / "~d0123AB.tmp") << "";
    // A running station's, held; and names that only look alike.
    for (const char* file : {"~d6B15E3.tmp", "~d6B15E3.dbf", "~dNOTHEX.tmp", "~dNOTHEX.dbf",
                             "~d0A0B0C.dbf", "~d0A0B0C1.tmp"})
        std::ofstream(Data() / file) << "";
    const LiveHolder running(Data() / "~d6B15E3.tmp");
    // Part copies of a Save As and of a table copy that were killed; a copy
    // still going on holds its placeholder.
    fs::create_directories(Data() / "~xAb12Cd.X");
    for (const char* file : {"~xAb12Cd", "~xAb12Cd.X/MEMOS.dbf", "~cEf34Gh", "~cEf34Gh.dbf",
                             "~cEf34Gh.dbf.tmp-a1b2c3", "~xLive01"})
        std::ofstream(Data() / file) << "";
    const LiveHolder copying(Data() / "~xLive01");

    module->LoadSettings();
    module->OpenInitialDatabase();
    ASSERT_TRUE(module->IsTempDatabase());
    const std::string ours = module->Table().GetName();
    std::vector<std::string> left = DataFiles();
    std::erase_if(left, [&](const std::string& f) { return f.starts_with(ours); });
    EXPECT_EQ(left, (std::vector<std::string>{"~d0123AB.dbf", "~d0123AB.tmp", "~d0A0B0C.dbf",
                                              "~d0A0B0C1.tmp", "~d6B15E3.dbf", "~d6B15E3.tmp",
                                              "~dNOTHEX.dbf", "~dNOTHEX.tmp", "~xLive01"}));

    // Our own is held while open: a second program starting in the same
    // folder leaves it, and it goes when closed.
    auto second = Make(prompt);
    second->LoadSettings();
    second->OpenInitialDatabase();
    EXPECT_TRUE(fs::exists(Data() / (ours + ".dbf")));
    EXPECT_TRUE(fs::exists(Data() / (ours + ".tmp")));
    ASSERT_TRUE(module->CloseDatabase(false));
    EXPECT_FALSE(fs::exists(Data() / (ours + ".dbf")));
    EXPECT_FALSE(fs::exists(Data() / (ours + ".tmp")));
}

// The program told to end at a logout: no question, and a temporary database with records stays
// closed as a killed program leaves it (its placeholder free), so the next start keeps it for
// the user; an empty one goes as on any close.
TEST_F(ChartpointModuleTest, AnUnattendedCloseKeepsATemporaryWithRecordsForTheNextStart)
{
    module->LoadSettings();
    module->OpenInitialDatabase();
    ASSERT_TRUE(module->IsTempDatabase());
    const std::string kept = module->Table().GetName();
    AddPoint(*module, "Point Wilson", 48.144, -122.755);
    module->PrepareUnattendedClose();
    module->ShutDown();
    EXPECT_FALSE(module->Table().IsOpen());
    EXPECT_TRUE(prompt.AskedPrompts().empty());
    EXPECT_TRUE(fs::exists(Data() / (kept + ".dbf")));
    EXPECT_TRUE(platform::LockUnheldFile(Data() / (kept + ".tmp")).has_value())
        << "the placeholder is left unheld";

    // The next start opens a temporary of its own and leaves the kept one as it is.
    auto next = Make(prompt);
    next->LoadSettings();
    next->OpenInitialDatabase();
    ASSERT_TRUE(next->IsTempDatabase());
    EXPECT_NE(next->Table().GetName(), kept);
    EXPECT_TRUE(fs::exists(Data() / (kept + ".dbf")));
    EXPECT_EQ(db::COwnTemporaryTable::RecordCount((Data() / kept).string()), 1U);
    const std::string empty = next->Table().GetName();
    next->PrepareUnattendedClose();
    next->ShutDown();
    EXPECT_FALSE(fs::exists(Data() / (empty + ".dbf")));
    EXPECT_FALSE(fs::exists(Data() / (empty + ".tmp")));
    EXPECT_TRUE(prompt.AskedPrompts().empty());
}

TEST_F(ChartpointModuleTest, FailedOpenLeavesTheUsersFilesAndNamesThem)
{
    const fs::path user = dir / "mine";
    fs::create_directories(user);
    std::ofstream(user / "harbour.dbf", std::ios::binary) << "not a table at all";
    std::ofstream(user / "harbour.tmp", std::ios::binary) << "the user's own notes";
    const auto before = brine_test::Snapshot(user);

    prompt.Expect(PromptAnswer::Ok,
                  "Unable to open Chartpoint database : " + (user / "harbour").string() + ".dbf");
    EXPECT_TRUE(module->OpenDatabase((user / "harbour.dbf").string()));
    // That line only, with the stop icon.
    ASSERT_EQ(prompt.AskedPrompts().size(), 1u);
    EXPECT_EQ(prompt.AskedPrompts()[0].text,
              "Unable to open Chartpoint database : " + (user / "harbour").string() + ".dbf");
    EXPECT_EQ(prompt.AskedPrompts()[0].icon, platform::PromptIcon::Stop);
    EXPECT_TRUE(module->IsTempDatabase());   // the fallback
    EXPECT_EQ(brine_test::Snapshot(user), before);
    EXPECT_TRUE(module->CloseDatabase(false));
    EXPECT_EQ(brine_test::Snapshot(user), before);
    EXPECT_TRUE(prompt.Done());
}

// An older waypoint list with a row at latitude 95: the user is told which
// row of which file stayed behind, and the other rows are the database.
TEST_F(ChartpointModuleTest, AnOlderFilesRowOutOfRangeIsNamedAndLeftBehind)
{
    const fs::path user = dir / "older";
    fs::create_directories(user);
    const char* script = R"(
import sys, os, dbf
t = dbf.Table(sys.argv[1] + '.dbf', 'NAME C(25); LAT C(12); LNG C(12)', dbf_type='db3')
t.open(dbf.READ_WRITE)
t.append(('Marker', '47.5', '-122.4'))
t.append(('North of the pole', '95.5', '10'))
t.append(('Far east', '-33.5', '181'))
t.append(('Buoy', '47.75', '-122.5'))
t.close()
os.rename(sys.argv[1] + '.dbf', sys.argv[1] + '.wpt')
)";
    ASSERT_EQ(brine_test::Python(user, script, (user / "marks").string()), "");
    const std::string file = (user / "marks.wpt").string();
    prompt.Expect(PromptAnswer::Ok, "Rows 2, 3 of " + file + " were not taken over");
    ASSERT_TRUE(module->OpenDatabase(file));
    EXPECT_TRUE(prompt.Done());
    db::CDBChartPoint& table = module->Table();
    ASSERT_EQ(table.GetRecordCount(), 2);
    table.SelectUniqueTag();
    ASSERT_TRUE(table.GoTop());
    EXPECT_EQ(table.m_name, "Marker");
    ASSERT_TRUE(table.SkipForward());
    EXPECT_EQ(table.m_name, "Buoy");
    EXPECT_DOUBLE_EQ(table.m_position.GetLatitude(), 47.75);
    EXPECT_TRUE(module->CloseDatabase(false));

    // Opened again, the taken-over table stands as it is and nothing is said.
    ASSERT_TRUE(module->OpenDatabase(file));
    EXPECT_EQ(module->Table().GetRecordCount(), 2);
    EXPECT_EQ(prompt.AskedPrompts().size(), 1u);
}

TEST_F(ChartpointModuleTest, RecordMapsToTheTablesAsDbfreadReadsThem)
{
    ASSERT_TRUE(module->OpenDatabase((Data() / "Sound").string()));
    module->OnEdit();
    module->OnNew();
    panel.edited = module->Current();
    panel.edited.m_name = "Kingston Ferry Términal";
    panel.edited.m_id = "KFT";
    panel.edited.m_area = "Appletree Cove";
    panel.edited.m_type = "Ferry";
    panel.edited.m_zoneTime = "-5";
    panel.edited.m_memo = "Line one\r\nLigne deux: côte, naïve – “quotes”";
    panel.edited.m_attachments = {"a.jpg", "b.bmp", "c.pcx", "d.avi"};
    panel.edited.m_position = geo::CPosition(47.79667, -122.49417, 0.0, geo::DatumIndexWGS84());
    panel.modified = true;
    ASSERT_TRUE(module->OnApply());
    EXPECT_FALSE(panel.modified);
    EXPECT_EQ(module->Current().m_zoneTime, "-5");

    // A zone out of range is refused with the field named; nothing changes.
    panel.edited.m_zoneTime = "200";
    panel.modified = true;
    prompt.Expect(PromptAnswer::Ok, "ZT (zone time)");
    EXPECT_FALSE(module->OnApply());
    EXPECT_EQ(module->Current().m_zoneTime, "-5");
    module->OnEdit();   // leaving edit mode drops the unapplied text
    EXPECT_EQ(panel.shown.m_zoneTime, "-5");
    module->CloseDatabase(false);

    const std::string out = brine_test::Python(dir.Path(), R"(
import sys
from dbfread import DBF
base = sys.argv[1]
for r in DBF(base + '.dbf', encoding='cp1252'):
    print('ZONE', r['ZONE'], 'NAME', r['NAME'])
for r in DBF(base + '.X/MEMOS.dbf', encoding='cp1252'):
    print('MEMO', r['TYPE'], repr(r['DATA']))
for r in DBF(base + '.X/ATTCHMTS.dbf', encoding='cp1252'):
    print('ATT', r['TYPE'], r['DATA'])
)",
                                               (Data() / "Sound").string());
    EXPECT_NE(out.find("ZONE -5 NAME Kingston Ferry Términal"), std::string::npos) << out;
    EXPECT_NE(out.find("MEMO 000 'Line one\\r\\nLigne deux: côte, naïve – “quotes”'"),
              std::string::npos)
        << out;
    for (const char* row : {"ATT 000 a.jpg", "ATT 001 b.bmp", "ATT 002 c.pcx", "ATT 003 d.avi"})
        EXPECT_NE(out.find(row), std::string::npos) << out;
    EXPECT_TRUE(prompt.Done());
}

TEST_F(ChartpointModuleTest, SaveAsOntoItsOwnNameKeepsEverything)
{
    ASSERT_TRUE(module->OpenDatabase((Data() / "Sound").string()));
    AddPoint(*module, "West Point", 47.662, -122.436);
    AddPoint(*module, "Alki Point", 47.576, -122.420);
    panel.savePath = (Data() / "sound.dbf").string();
    EXPECT_EQ(module->QuerySaveDatabase(false), PromptAnswer::Yes);
    EXPECT_EQ(panel.defaultName, "Sound.dbf");
    EXPECT_EQ(module->Table().GetRecordCount(), 2);
    EXPECT_EQ(module->Current().m_name, "Alki Point");
    module->OnSelectFirst();
    EXPECT_EQ(module->Current().m_name, "West Point");
}

TEST_F(ChartpointModuleTest, SaveAsKeepsTheSortOrderAndTheRecordThePanelShows)
{
    // A database of the user's and the program's own temporary one, each
    // sorted by name and saved under a new name: the copy is shown in the
    // same order at the same chartpoint, and Apply rewrites that chartpoint.
    for (const bool temporary : {false, true}) {
        ASSERT_TRUE(module->OpenDatabase(temporary ? std::string() : (Data() / "Sound").string()));
        AddPoint(*module, "Charlie", 47.1, -122.1);
        AddPoint(*module, "Alpha", 47.2, -122.2);
        AddPoint(*module, "Bravo", 47.3, -122.3);
        module->SortBy(1);
        module->OnSelectFirst();
        module->OnSelectNext();
        ASSERT_EQ(module->Current().m_name, "Bravo");
        const std::string copy = temporary ? "Saved" : "Copy";
        panel.savePath = (Data() / (copy + ".dbf")).string();
        EXPECT_EQ(module->QuerySaveDatabase(false), PromptAnswer::Yes) << copy;
        EXPECT_EQ(module->Table().GetName(), copy);
        EXPECT_EQ(module->Table().GetTagName(), "T_NAME") << copy;
        EXPECT_EQ(module->Table().m_name, "Bravo") << copy;
        EXPECT_EQ(module->Current().m_name, "Bravo") << copy;
        EXPECT_EQ(panel.shown.m_name, "Bravo") << copy;

        if (!module->IsEditMode())
            module->OnEdit();
        panel.edited = module->Current();
        panel.edited.m_area = "Kitsap";
        panel.modified = true;
        ASSERT_TRUE(module->OnApply());
        module->SortBy(0);
        std::vector<std::string> rows;
        for (bool more = module->Table().GoTop(); more; more = module->Table().SkipForward())
            rows.push_back(module->Table().m_name + "/" + module->Table().m_area);
        EXPECT_EQ(rows, (std::vector<std::string>{"Charlie/", "Alpha/", "Bravo/Kitsap"})) << copy;
        if (module->IsEditMode())
            module->OnEdit();
    }
}

// A Save As whose copy is made but does not open (damaged as the copy ends):
// the user is told, and the database that was open stays open at the same
// order and chartpoint, and takes edits.
TEST_F(ChartpointModuleTest, SaveAsWhoseCopyDoesNotOpenKeepsTheDatabaseOpen)
{
    ASSERT_TRUE(module->OpenDatabase((Data() / "Sound").string()));
    AddPoint(*module, "Charlie", 47.1, -122.1);
    AddPoint(*module, "Alpha", 47.2, -122.2);
    AddPoint(*module, "Bravo", 47.3, -122.3);
    module->SortBy(1);
    module->OnSelectFirst();
    module->OnSelectNext();
    ASSERT_EQ(module->Current().m_name, "Bravo");

    const fs::path copy = Data() / "Copy";
    struct Reset {
        ~Reset() { platform::SetRenameFaultHook({}); }
    } reset;
    // The companion folder's rename is the copy's last step: the table file
    // already copied is spoilt as it is made.
    platform::SetRenameFaultHook([&](const fs::path&, const fs::path& to) {
        if (to == fs::path(copy.string() + ".X"))
            std::ofstream(copy.string() + ".dbf", std::ios::binary | std::ios::trunc)
                << "not a table at all";
        return 0;
    });
    panel.savePath = copy.string() + ".dbf";
    prompt.Expect(PromptAnswer::Ok,
                  "Unable to open Chartpoint database : " + copy.string() + ".dbf");
    EXPECT_EQ(module->QuerySaveDatabase(false), PromptAnswer::Cancel);
    EXPECT_TRUE(prompt.Done());
    ASSERT_TRUE(module->Table().IsOpen());
    EXPECT_EQ(module->Table().GetName(), "Sound");
    EXPECT_EQ(module->Table().GetTagName(), "T_NAME");
    EXPECT_EQ(module->Table().GetRecordCount(), 3);
    EXPECT_EQ(module->Current().m_name, "Bravo");
    EXPECT_EQ(panel.shown.m_name, "Bravo");

    module->OnEdit();
    ASSERT_TRUE(module->IsEditMode());
    panel.edited = module->Current();
    panel.edited.m_area = "Kitsap";
    panel.modified = true;
    ASSERT_TRUE(module->OnApply());
    module->CloseDatabase(true);
    ASSERT_TRUE(module->OpenDatabase((Data() / "Sound").string()));
    std::vector<std::string> rows;
    for (bool more = module->Table().GoTop(); more; more = module->Table().SkipForward())
        rows.push_back(module->Table().m_name + "/" + module->Table().m_area);
    EXPECT_EQ(rows, (std::vector<std::string>{"Charlie/", "Alpha/", "Bravo/Kitsap"}));
}

TEST_F(ChartpointModuleTest, SettingsNameTheDatabaseOrderAndRecordToOpenNextTime)
{
    const std::string key = "Software\\Test\\Default\\Chartpoint";
    auto stored = [&](const char* name) {
        app::CRegistry reg(settings.GetStore());
        std::string text = "(none)";
        if (reg.OpenKeyForRead(key))
            reg.ReadString(name, text);
        return text;
    };
    auto store = [&](const char* name, const std::string& text) {
        app::CRegistry reg(settings.GetStore());
        ASSERT_TRUE(reg.OpenKeyForWrite(key));
        reg.WriteString(name, text);
    };
    ASSERT_TRUE(module->OpenDatabase((Data() / "Sound").string()));
    AddPoint(*module, "Charlie", 47.1, -122.1);
    AddPoint(*module, "Alpha", 47.2, -122.2);
    AddPoint(*module, "Bravo", 47.3, -122.3);
    module->SortBy(SortIndexOfTag("T_NAME"));
    module->OnSelectFirst();
    module->OnSelectNext();
    module->SaveSettings();
    EXPECT_EQ(stored("InitialDatabase"), "Sound");
    EXPECT_EQ(stored("InitialIndex"), "Name");
    EXPECT_EQ(stored("InitialRecord"), "2");
    module->OnEdit();
    module.reset();

    // The next start opens that database in that order at that chartpoint; a
    // folder and extension in the stored name are dropped.
    store("InitialDatabase", "/elsewhere/Sound.dbf");
    module = Make(prompt);
    module->OpenInitialDatabase();
    EXPECT_EQ(module->Table().GetName(), "Sound");
    EXPECT_EQ(module->Table().GetTagName(), "T_NAME");
    EXPECT_EQ(module->Current().m_name, "Bravo");
    module.reset();

    // An order of no known name opens in the original order.
    store("InitialIndex", "Colour");
    store("InitialRecord", "1");
    module = Make(prompt);
    module->OpenInitialDatabase();
    EXPECT_EQ(module->Table().GetTagName(), "T_UNIQUE");
    EXPECT_EQ(module->Current().m_name, "Charlie");

    // A temporary database is never named for the next start.
    ASSERT_TRUE(module->OpenDatabase({}));
    AddPoint(*module, "Delta", 47.4, -122.4);
    AddPoint(*module, "Echo", 47.5, -122.5);
    module->SaveSettings();
    EXPECT_EQ(stored("InitialDatabase"), "");
    EXPECT_EQ(stored("InitialIndex"), "Original Order");
    EXPECT_EQ(stored("InitialRecord"), "1");
    prompt.Expect(PromptAnswer::No, "Save Chartpoint database?");
    EXPECT_TRUE(module->CloseDatabase(false));
    EXPECT_TRUE(prompt.Done());
}

TEST(ChartpointStart, ChartpointsOfTheOlderFolderMoveOnceIntoAnEmptyDataFolder)
{
    for (const bool dataHasFiles : {false, true}) {
        brine_test::TempFolder dir;
        brine_test::FolderSettings settings{dir.Path()};
        brine_test::ScriptedPrompt prompt;
        fs::create_directories(dir / "Infopnts");
        std::ofstream(dir / "Infopnts" / "Old.ipt") << "old";
        if (dataHasFiles) {
            fs::create_directories(dir / "Chartpoints");
            std::ofstream(dir / "Chartpoints" / "New.dbf") << "new";
        }
        CChartpointModule module(settings, prompt, dir.Path());
        ASSERT_TRUE(module.Initialise());
        EXPECT_EQ(fs::exists(dir / "Chartpoints" / "Old.ipt"), !dataHasFiles);
        EXPECT_EQ(fs::exists(dir / "Infopnts" / "Old.ipt"), dataHasFiles);
        EXPECT_TRUE(fs::is_directory(dir / "Attach"));
    }
}

TEST_F(ChartpointModuleTest, ViewsAreToldOfOpenCurrentAndCloseInOrder)
{
    struct Recorder final : CChartpointListener {
        void OnChartpointChange(const CChartpointChange& change, db::CDBChartPoint&) override
        {
            hints.push_back(change.hint);
        }
        std::vector<int> hints;
    } views;
    module->AddListener(&views);
    ASSERT_TRUE(module->OpenDatabase((Data() / "Sound").string()));
    EXPECT_EQ(views.hints, (std::vector<int>{kHintOpened, kHintCurrent}));
    views.hints.clear();
    EXPECT_TRUE(module->CloseDatabase(true));
    EXPECT_TRUE(views.hints.empty());
    ASSERT_TRUE(module->OpenDatabase((Data() / "Sound").string()));
    views.hints.clear();
    EXPECT_TRUE(module->CloseDatabase(false));
    EXPECT_EQ(views.hints, (std::vector<int>{kHintClosed}));
    module->RemoveListener(&views);
}

// A new current record only moves the selections: the combo selects it and
// the open list selects its row, neither reads its rows again; an open
// reads both anew.
TEST_F(ChartpointModuleTest, ANewCurrentRecordMovesTheSelectionsAndAnOpenRebuilds)
{
    panel.listOpen = true;
    ASSERT_TRUE(module->OpenDatabase((Data() / "Sound").string()));
    EXPECT_EQ(panel.listRebuilds, 1);
    EXPECT_EQ(panel.comboRefills, 1);
    AddPoint(*module, "West Point", 47.662, -122.436);
    AddPoint(*module, "Alki Point", 47.576, -122.420);
    const int rebuilds = panel.listRebuilds;
    const int refills = panel.comboRefills;
    panel.listHints.clear();
    panel.comboSelects = 0;
    module->OnSelectFirst();
    EXPECT_EQ(panel.shown.m_name, "West Point");
    EXPECT_EQ(panel.comboSelects, 1);
    EXPECT_EQ(panel.listHints, (std::vector<int>{kHintCurrent}));
    EXPECT_EQ(panel.listRebuilds, rebuilds);
    EXPECT_EQ(panel.comboRefills, refills);
    // A delete or an append sets the list's row count; other changes select the row.
    panel.listHints.clear();
    panel.edited = module->Current();
    panel.edited.m_area = "Magnolia";
    panel.modified = true;
    ASSERT_TRUE(module->OnApply());
    module->OnNew();
    EXPECT_EQ(panel.listHints, (std::vector<int>{kHintApplied, kHintApplied, kHintDeleted}));
}

// Opening, moving, adding, deleting and sorting run under the wait state;
// the delete question is asked before it.
TEST_F(ChartpointModuleTest, DatabaseWorkRunsUnderTheWaitState)
{
    struct Recorder final : CChartpointListener {
        void OnChartpointChange(const CChartpointChange& change, db::CDBChartPoint&) override
        {
            waiting.push_back(std::to_string(change.hint) + ":" +
                              (app::CWaitStatus::Depth() > 0 ? "wait" : "no"));
        }
        std::vector<std::string> waiting;
    } views;
    struct DepthPrompt final : platform::CPrompt {
        platform::PromptAnswer Ask(std::string_view, std::string_view, platform::PromptIcon,
                                   platform::PromptButtons) override
        {
            depth = app::CWaitStatus::Depth();
            return PromptAnswer::Yes;
        }
        int depth = -1;
    } askDepth;
    auto m = Make(askDepth);
    m->AddListener(&views);
    ASSERT_TRUE(m->OpenDatabase((Data() / "Waits").string()));
    m->OnEdit();
    m->OnNew();
    ASSERT_TRUE(m->AddChartpointAt(geo::CPosition(47.5, -122.4)));
    m->OnSelectFirst();
    m->OnSelectLast();
    m->OnDelete();
    EXPECT_EQ(askDepth.depth, 0);
    EXPECT_EQ(views.waiting, (std::vector<std::string>{"1:wait", "2:wait", "6:wait", "6:wait",
                                                       "2:wait", "2:wait", "4:wait", "2:wait"}));
    panel.refillWaitDepth = -1;
    m->SortBy(8);
    EXPECT_GT(panel.refillWaitDepth, 0);
    EXPECT_EQ(app::CWaitStatus::Depth(), 0);
    m->RemoveListener(&views);
}

TEST_F(ChartpointModuleTest, EnableRulesOnEmptyAndOneRecordTables)
{
    const auto enabled = [&](unsigned id) { return module->CommandState(id).enabled; };
    ASSERT_TRUE(module->OpenDatabase((Data() / "Rules").string()));
    EXPECT_TRUE(enabled(cmd::kChartpointEdit));
    EXPECT_FALSE(enabled(cmd::kChartpointNew));
    module->OnEdit();
    EXPECT_TRUE(enabled(cmd::kChartpointNew));
    for (unsigned id : {cmd::kChartpointDelete, cmd::kChartpointLocked, cmd::kChartpointSortZone,
                        cmd::kChartpointFirst, cmd::kChartpointLast})
        EXPECT_FALSE(enabled(id)) << id;
    EXPECT_FALSE(module->CanApply());

    AddPoint(*module, "Point Wilson", 48.144, -122.755);
    for (unsigned id : {cmd::kChartpointDelete, cmd::kChartpointLocked, cmd::kChartpointSortZone})
        EXPECT_TRUE(enabled(id)) << id;
    for (unsigned id : {cmd::kChartpointFirst, cmd::kChartpointPrevious, cmd::kChartpointNext,
                        cmd::kChartpointLast})
        EXPECT_FALSE(enabled(id)) << id;   // one record is first and last

    // Sort by zone keeps the same record current and checks the command.
    AddPoint(*module, "Alki Point", 47.576, -122.420);
    app::CCommandTable table;
    module->RegisterCommands(table);
    EXPECT_TRUE(table.Execute(cmd::kChartpointSortZone));
    EXPECT_EQ(module->Current().m_name, "Alki Point");
    EXPECT_EQ(table.Update(cmd::kChartpointSortZone).check, 1);
    EXPECT_EQ(table.Update(cmd::kChartpointSortName).check, 0);
}

TEST_F(ChartpointModuleTest, DeleteAsksAndANewPointShowsNoOldMemo)
{
    ASSERT_TRUE(module->OpenDatabase((Data() / "Del").string()));
    AddPoint(*module, "Point Wilson", 48.144, -122.755);
    panel.edited = module->Current();
    panel.edited.m_memo = "Light on a white tower";
    panel.edited.m_attachments[0] = "tower.jpg";
    panel.modified = true;
    ASSERT_TRUE(module->OnApply());

    prompt.Expect(PromptAnswer::No, "Do you really want to delete this Chartpoint");
    module->OnDelete();
    EXPECT_EQ(module->Table().GetRecordCount(), 1);
    prompt.Expect(PromptAnswer::Yes, "Do you really want to delete this Chartpoint");
    module->OnDelete();
    EXPECT_EQ(module->Table().GetRecordCount(), 0);
    EXPECT_TRUE(module->Current().IsEmpty());

    module->OnNew();
    EXPECT_EQ(module->Current().m_memo, "");
    EXPECT_EQ(module->Current().m_attachments[0], "");
    module->CloseDatabase(true);
    module->OpenDatabase((Data() / "Del").string());
    EXPECT_EQ(module->Current().m_memo, "");
    EXPECT_TRUE(prompt.Done());
}

TEST_F(ChartpointModuleTest, NoticesAndTheLockBetweenStations)
{
    brine_test::RecordingStation linkA, linkB;
    brine_test::ScriptedPrompt promptB;
    brine_test::FakePanel panelB;
    auto stationB = Make(promptB);
    stationB->SetUi(&panelB);
    module->SetStationLink(&linkA);
    stationB->SetStationLink(&linkB);
    ASSERT_TRUE(module->OpenDatabase((Data() / "Shared").string()));
    AddPoint(*module, "Point Wilson", 48.144, -122.755);
    ASSERT_TRUE(module->IsEditMode());
    EXPECT_EQ(linkA.posts.front(), "2:13:Shared");
    ASSERT_TRUE(stationB->OpenDatabase((Data() / "Shared").string()));
    EXPECT_TRUE(stationB->IsLockedElsewhere());

    // Short, foreign and unknown notices do nothing.
    for (std::string notice :
         {std::string(), std::string("\x0d"), std::string("\x0dOther"), std::string("\x10Shared")})
        stationB->OnNetworkMessage(notice, "Station A");
    stationB->OnNetworkMessage(std::string("\x0dshared"), "Station A");
    EXPECT_FALSE(stationB->CommandState(cmd::kChartpointEdit).enabled);

    // Forced past the disabled command, B stays out and is told who holds it.
    promptB.Expect(PromptAnswer::Ok, "is being edited by Station A");
    stationB->OnEdit();
    EXPECT_FALSE(stationB->IsEditMode());

    // A applies a change: B follows at the same record.
    panel.edited = module->Current();
    panel.edited.m_name = "Point Wilson Light";
    panel.modified = true;
    ASSERT_TRUE(module->OnApply());
    EXPECT_EQ(linkA.posts.back(), "2:15:Shared");
    EXPECT_TRUE(stationB->Table().IsLockedElsewhere());
    // Sent as a C string, with its terminating zero.
    stationB->OnNetworkMessage(std::string("\x0fShared\0", 8), "Station A");
    EXPECT_EQ(stationB->Current().m_name, "Point Wilson Light");

    // A goes without a word (killed): B's Edit asks the lock itself.
    module->Table().Close();
    EXPECT_TRUE(stationB->CommandState(cmd::kChartpointEdit).enabled);
    stationB->OnEdit();
    EXPECT_TRUE(stationB->IsEditMode());
    EXPECT_EQ(linkB.posts.back(), "2:13:Shared");
    EXPECT_TRUE(prompt.Done());
    EXPECT_TRUE(promptB.Done());
}

TEST_F(ChartpointModuleTest, UploadSendsTheChosenRowsAndSaysWhyItStopped)
{
    brine_test::FakeTransmitter tx;
    module->SetTransmitter(&tx);
    ASSERT_TRUE(module->OpenDatabase((Data() / "Up").string()));
    for (int i = 0; i < 7; ++i)
        AddPoint(*module, "P" + std::to_string(i), 47.5 + i * 0.01, -122.4);
    EXPECT_EQ(module->UploadChartpoints(3, {5, 2}, 10, true), 2);
    EXPECT_EQ(tx.sent, (std::vector<std::string>{"10 P2 * m3", "11 P5 * m3"}));

    // A full staging queue is waited for, not given up on.
    tx.sent.clear();
    tx.limit = 3;
    EXPECT_EQ(module->UploadChartpoints(1, {0, 1, 2, 3, 4, 5, 6}, 1, false), 7);
    EXPECT_EQ(tx.waits, 2);

    // A refusal stops and says how far it got.
    tx.sent.clear();
    tx.limit = 1 << 30;
    tx.refuseAfter = 2;
    std::string message;
    EXPECT_EQ(module->UploadChartpoints(1, {0, 1, 2, 3}, 1, false, &message), 2);
    EXPECT_NE(message.find("2 of 4 Chartpoints sent"), std::string::npos) << message;
    tx.open = false;
    EXPECT_EQ(module->UploadChartpoints(1, {0, 1}, 1, false, &message), 0);
    EXPECT_NE(message.find("0 of 2"), std::string::npos) << message;
}

TEST_F(ChartpointModuleTest, AttachmentsAreCopiedInUnderAFreeName)
{
    const fs::path outside = dir / "camera";
    fs::create_directories(outside);
    std::ofstream(outside / "tower.jpg") << "new picture";
    std::ofstream(dir / "Attach" / "tower.jpg") << "old picture";
    std::string message;
    EXPECT_EQ(module->ImportAttachment((outside / "tower.jpg").string(), &message), "tower-1.jpg");
    EXPECT_EQ(module->ImportAttachment((outside / "tower.jpg").string(), &message), "tower-2.jpg");
    std::ifstream old(dir / "Attach" / "tower.jpg");
    std::string kept;
    std::getline(old, kept);
    EXPECT_EQ(kept, "old picture");
    EXPECT_EQ(module->ImportAttachment((dir / "Attach" / "tower.jpg").string(), &message),
              "tower.jpg");
    EXPECT_EQ(module->ImportAttachment((outside / "none.jpg").string(), &message), "");
    EXPECT_NE(message.find("none.jpg"), std::string::npos);
}

}   // namespace
