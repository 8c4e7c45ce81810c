// Two stations on one shared folder, each a chartpoint module with station
// messaging on its own loopback address (127.0.0.2 and 127.0.0.3): the one
// editing holds the table and is named to the other, whose Edit is off; its
// applied change reaches the other within 2 s at the same record; killed
// while editing, it leaves the table free to the other. Then a station killed
// at 100 random moments of editing: every change it reported is on disk, the
// memo and attachment tables hold rows for exactly the live chartpoints, as
// dbfread and Perl's XBase read them, and a new chartpoint starts clean.
#include "chartpoints/ChartpointModule.h"

#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "geo/DatumInfo.h"
#include "nmea/NetworkMessaging.h"
#include "platform/LocaleFreeNumbers.h"

#include "../db/OuterTools.h"
#include "ChartpointFakes.h"
#include "ChildProcess.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>

#include <charconv>
#include <map>
#include <random>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace chartpoints;
namespace cmd = app::cmd;

namespace {

// Answers every question Yes and keeps nothing.
class YesPrompt final : public platform::CPrompt {
public:
    platform::PromptAnswer Ask(std::string_view text, std::string_view, platform::PromptIcon,
                               platform::PromptButtons) override
    {
        last = std::string(text);
        return platform::PromptAnswer::Yes;
    }
    std::string last;
};

class MessagingLink final : public CStationLink {
public:
    explicit MessagingLink(nmea::CNetworkMessaging& m) : m_messaging(m) { }
    bool IsRunning() const override { return m_messaging.IsStarted(); }
    bool Post(std::uint8_t type, std::string payload) override
    {
        return m_messaging.PostMessage(type, std::move(payload));
    }

private:
    nmea::CNetworkMessaging& m_messaging;
};

// One station: its own settings, the shared program folder, messaging on
// its own address.
struct Station {
    Station(const fs::path& shared, const fs::path& own, const std::string& address,
            std::uint16_t port)
        : settings(own), messaging([&] {
              nmea::CStationOptions o;
              o.ownAddress = nmea::ParseIpv4(address);
              o.applicationFolder = shared;
              return o;
          }()),
          link(messaging)
    {
        messaging.SetChosenAddress(nmea::ParseIpv4(address));
        messaging.SetSharedFolder(shared.string());
        messaging.SetTcpPort(port);
        module = std::make_unique<CChartpointModule>(settings, prompt, shared);
        module->Initialise();
        module->SetUi(&panel);
        module->SetStationLink(&link);
    }
    ~Station()
    {
        module->CloseDatabase(true);
        messaging.Stop();
    }
    // The frame's timer pass: out what is queued, in what came.
    void Pass()
    {
        messaging.FlushOutgoing();
        for (const nmea::CStationMessage& m : messaging.TakeIncoming())
            if (m.type == CChartpointModule::kStationMessageType)
                module->OnNetworkMessage(m.payload, "the station at " + nmea::Ipv4Text(m.sender));
    }
    template <class Condition>
    bool PassUntil(Condition done, std::chrono::milliseconds limit)
    {
        const auto until = std::chrono::steady_clock::now() + limit;
        for (;;) {
            Pass();
            if (done())
                return true;
            if (std::chrono::steady_clock::now() > until)
                return false;
            std::this_thread::sleep_for(10ms);
        }
    }

    brine_test::FolderSettings settings;
    YesPrompt prompt;
    brine_test::FakePanel panel;
    nmea::CNetworkMessaging messaging;
    MessagingLink link;
    std::unique_ptr<CChartpointModule> module;
};

// A pipe's lines, read without blocking past a limit.
class LineReader {
public:
    explicit LineReader(int fd) : m_fd(fd) { }
    std::optional<std::string> Next(std::chrono::milliseconds limit)
    {
        const auto until = std::chrono::steady_clock::now() + limit;
        for (;;) {
            if (const auto end = m_pending.find('\n'); end != std::string::npos) {
                std::string line = m_pending.substr(0, end);
                m_pending.erase(0, end + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                until - std::chrono::steady_clock::now());
            // Polled at least once, so what is already in the pipe is read.
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, int(std::max<long long>(0, left.count()))) <= 0) {
                if (left.count() <= 0)
                    return std::nullopt;
                continue;
            }
            char buffer[4096];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0)
                return std::nullopt;
            m_pending.append(buffer, std::size_t(n));
        }
    }

private:
    int m_fd;
    std::string m_pending;
};

void WriteLine(int fd, const std::string& line)
{
    const std::string text = line + "\n";
    [[maybe_unused]] const ssize_t n = ::write(fd, text.data(), text.size());
}

std::string Number(double value)
{
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, r.ptr);
}

double ToDouble(const std::string& text)
{
    return platform::ParseDouble(text).value_or(-999);
}

// The '|'-separated fields of a report, empty ones kept.
std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    for (;;) {
        const auto end = line.find('|', start);
        fields.push_back(line.substr(start, end - start));
        if (end == std::string::npos)
            return fields;
        start = end + 1;
    }
}

std::vector<std::string> Words(const std::string& line)
{
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

void MakeShared(const fs::path& shared, int count)
{
    brine_test::FolderSettings settings(shared / "maker");
    YesPrompt prompt;
    brine_test::FakePanel panel;
    CChartpointModule m(settings, prompt, shared);
    ASSERT_TRUE(m.Initialise());
    m.SetUi(&panel);
    ASSERT_TRUE(m.OpenDatabase((shared / "Chartpoints" / "Shared").string()));
    m.OnEdit();
    for (int i = 0; i < count; ++i) {
        m.OnNew();
        panel.edited = m.Current();
        panel.edited.m_name = "Mark " + std::to_string(i);
        panel.edited.m_position =
            geo::CPosition(47.6 + i * 0.01, -122.4 - i * 0.01, 0.0, geo::DatumIndexWGS84());
        panel.modified = true;
        ASSERT_TRUE(m.OnApply());
    }
    m.OnEdit();
    m.CloseDatabase(true);
}

std::uint16_t TestPort()
{
    return std::uint16_t(20000 + (::getpid() % 20000));
}

TEST(ChartpointStations, EditorNamedChangeFollowsKilledEditorFreesTheTable)
{
    brine_test::TempFolder dir;
    const fs::path shared = dir / "shared";
    fs::create_directories(shared / "a");
    fs::create_directories(shared / "b");
    MakeShared(shared, 3);
    const std::uint16_t port = TestPort();

    // Station A in a child, driven through a pipe.
    int toA[2], fromA[2];
    ASSERT_EQ(::pipe(toA), 0);
    ASSERT_EQ(::pipe(fromA), 0);
    const pid_t a = brine_test::ForkChild([&] {
        ::close(toA[1]);
        ::close(fromA[0]);
        Station s(shared, shared / "a", "127.0.0.2", port);
        if (!s.messaging.Start() ||
            !s.module->OpenDatabase((shared / "Chartpoints" / "Shared").string()))
            return 1;
        WriteLine(fromA[1], "ready");
        LineReader in(toA[0]);
        for (;;) {
            s.Pass();
            const auto line = in.Next(20ms);
            if (!line)
                continue;
            const auto w = Words(*line);
            if (w.empty())
                continue;
            if (w[0] == "edit") {
                s.module->OnEdit();
                WriteLine(fromA[1], s.module->IsEditMode() ? "editing" : "not editing");
            } else if (w[0] == "apply" && w.size() == 4) {
                s.panel.edited = s.module->Current();
                s.panel.edited.m_position =
                    geo::CPosition(ToDouble(w[1]), ToDouble(w[2]), 0.0, geo::DatumIndexWGS84());
                s.panel.edited.m_name = w[3];
                s.panel.modified = true;
                WriteLine(fromA[1], s.module->OnApply() ? "applied" : "refused");
            }
        }
    });
    ::close(toA[0]);
    ::close(fromA[1]);
    LineReader fromChild(fromA[0]);
    ASSERT_EQ(fromChild.Next(10s).value_or("nothing"), "ready");

    Station b(shared, shared / "b", "127.0.0.3", port);
    ASSERT_TRUE(b.messaging.Start());
    ASSERT_TRUE(b.module->OpenDatabase((shared / "Chartpoints" / "Shared").string()));
    CChartpointModule& mb = *b.module;
    // Both ways connected: B joined, and A connected back to it.
    ASSERT_TRUE(b.PassUntil(
        [&] {
            const auto c = b.messaging.Counts();
            return c.joined && c.sending >= 1 && c.receiving >= 1;
        },
        10s));
    const std::string firstName = mb.Current().m_name;

    // A edits: B's Edit goes off and B is told who holds the table.
    WriteLine(toA[1], "edit");
    ASSERT_EQ(fromChild.Next(5s).value_or("nothing"), "editing");
    EXPECT_TRUE(b.PassUntil([&] { return mb.IsLockedElsewhere(); }, 5s));
    EXPECT_FALSE(mb.CommandState(cmd::kChartpointEdit).enabled);
    EXPECT_NE(mb.LockHolder().find("127.0.0.2"), std::string::npos) << mb.LockHolder();
    mb.OnEdit();
    EXPECT_FALSE(mb.IsEditMode());
    EXPECT_NE(b.prompt.last.find("127.0.0.2"), std::string::npos) << b.prompt.last;

    // A applies: B shows it within 2 s, on the same record, at the same place.
    WriteLine(toA[1], "apply 47.61234 -122.45678 Renamed");
    ASSERT_EQ(fromChild.Next(5s).value_or("nothing"), "applied");
    const auto applied = std::chrono::steady_clock::now();
    EXPECT_TRUE(b.PassUntil([&] { return mb.Current().m_name == "Renamed"; }, 2s))
        << "still " << mb.Current().m_name << " (was " << firstName << ")";
    EXPECT_LE(std::chrono::steady_clock::now() - applied, 2s);
    EXPECT_NEAR(mb.Current().m_position.GetLatitude(), 47.61234, 1e-5);
    EXPECT_NEAR(mb.Current().m_position.GetLongitude(), -122.45678, 1e-5);

    // A killed while editing sends no notice; B's Edit finds the table free.
    ::kill(a, SIGKILL);
    EXPECT_EQ(brine_test::WaitChild(a), -SIGKILL);
    ::close(toA[1]);
    ::close(fromA[0]);
    EXPECT_TRUE(mb.CommandState(cmd::kChartpointEdit).enabled);
    mb.OnEdit();
    EXPECT_TRUE(mb.IsEditMode());
    EXPECT_FALSE(mb.IsLockedElsewhere());
}

// One chartpoint as the killed station reported it and as the table holds it.
struct Rec {
    std::string name, memo, picture;
    double lat = 0, lon = 0;
    bool operator==(const Rec& o) const
    {
        return name == o.name && memo == o.memo && picture == o.picture &&
               std::abs(lat - o.lat) < 1e-5 && std::abs(lon - o.lon) < 1e-5;
    }
};

std::string Describe(const Rec& r)
{
    return "'" + r.name + "' at " + Number(r.lat) + " " + Number(r.lon) + " memo '" + r.memo +
           "' picture '" + r.picture + "'";
}

std::string Report(long recNo, const CChartpoint& cp)
{
    // Fields may be empty (a chartpoint killed between New and Apply has no
    // name): '|' keeps their places.
    return "set|" + std::to_string(recNo) + "|" + cp.m_name + "|" +
           Number(cp.m_position.GetLatitude()) + "|" + Number(cp.m_position.GetLongitude()) + "|" +
           cp.m_memo + "|" + cp.m_attachments[0];
}

// The churning station: random edits, appends, deletes and moves, each
// reported once the module has returned from it (its hints sent).
int Churn(const fs::path& shared, int out, unsigned seed)
{
    brine_test::FolderSettings settings(shared / "churn");
    YesPrompt prompt;
    brine_test::FakePanel panel;
    CChartpointModule m(settings, prompt, shared);
    if (!m.Initialise())
        return 1;
    m.SetUi(&panel);
    if (!m.OpenDatabase((shared / "Chartpoints" / "Churn").string()))
        return 1;
    m.OnEdit();
    std::mt19937 random(seed);
    for (int step = 0;; ++step) {
        const long count = m.Table().GetRecordCount();
        const int op = count < 3 ? 0 : int(random() % 4);
        const std::string tag = std::to_string(seed) + "-" + std::to_string(step);
        if (op == 0) {   // append
            WriteLine(out, "begin|new");
            m.OnNew();
            panel.edited = m.Current();
            panel.edited.m_name = "N" + tag;
            panel.edited.m_memo = "memo" + tag;
            panel.edited.m_attachments[0] = "p" + tag + ".jpg";
            panel.edited.m_position =
                geo::CPosition(47.5 + (random() % 1000) * 1e-4, -122.5 + (random() % 1000) * 1e-4,
                               0.0, geo::DatumIndexWGS84());
            panel.modified = true;
            if (!m.OnApply())
                return 2;
            WriteLine(out, Report(m.Table().GetRecNo(), m.Current()));
            continue;
        }
        m.GoToRow(int(random() % std::uint32_t(count)));
        const long recNo = m.Table().GetRecNo();
        WriteLine(out, "begin|" + std::to_string(recNo));
        if (op == 1) {   // edit
            panel.edited = m.Current();
            panel.edited.m_name = "E" + tag;
            panel.edited.m_memo = "memo" + tag;
            panel.edited.m_attachments[0] = "q" + tag + ".pcx";
            panel.modified = true;
            if (!m.OnApply())
                return 3;
            WriteLine(out, Report(recNo, m.Current()));
        } else if (op == 2) {   // move
            if (!m.MoveCurrentTo(geo::CPosition(47.5 + (random() % 1000) * 1e-4,
                                                -122.5 + (random() % 1000) * 1e-4, 0.0,
                                                geo::DatumIndexWGS84())))
                return 4;
            WriteLine(out, Report(recNo, m.Current()));
        } else {   // delete
            m.OnDelete();
            WriteLine(out, "del|" + std::to_string(recNo));
        }
    }
}

// Every live chartpoint of the table by record number.
std::map<long, Rec> ReadTable(const fs::path& shared)
{
    std::map<long, Rec> recs;
    brine_test::FolderSettings settings(shared / "reader");
    YesPrompt prompt;
    brine_test::FakePanel panel;
    CChartpointModule m(settings, prompt, shared);
    EXPECT_TRUE(m.Initialise());
    m.SetUi(&panel);
    EXPECT_TRUE(m.OpenDatabase((shared / "Chartpoints" / "Churn").string()));
    if (m.IsDatabaseOpen()) {
        m.OnSelectFirst();
        for (;;) {
            const CChartpoint& cp = m.Current();
            recs[m.Table().GetRecNo()] = {cp.m_name, cp.m_memo, cp.m_attachments[0],
                                          cp.m_position.GetLatitude(),
                                          cp.m_position.GetLongitude()};
            if (m.IsAtLast())
                break;
            m.OnSelectNext();
        }
    }
    m.CloseDatabase(true);
    return recs;
}

// Live rows of the table and of its memo and attachment tables, and how many
// of those belong to no live chartpoint, as an outside reader counts them.
std::string OutsideCounts(const fs::path& dir, const fs::path& base, bool perl)
{
    if (!perl)
        return brine_test::Python(dir, R"(
import sys
from dbfread import DBF
base = sys.argv[1]
live = {r['UNIQUE'] for r in DBF(base + '.dbf')}
memos = [r['MASTER_ID'] for r in DBF(base + '.X/MEMOS.dbf')]
atts = [r['MASTER_ID'] for r in DBF(base + '.X/ATTCHMTS.dbf')]
print(len(live), len(memos), len(set(memos) - live), len(atts), len(set(atts) - live))
)",
                                  base.string());
    return brine_test::Perl(dir, R"(
use XBase;
my $base = $ARGV[0];
sub rows { my ($file, $field) = @_; my $t = new XBase $file or die XBase->errstr;
  my @v; for my $i (0 .. $t->last_record) { my ($del, $x) = $t->get_record($i, $field);
  push @v, $x unless $del; } $t->close; return @v; }
my %live = map { $_ => 1 } rows("$base.dbf", 'UNIQUE');
my @m = rows("$base.X/MEMOS.dbf", 'MASTER_ID');
my @a = rows("$base.X/ATTCHMTS.dbf", 'MASTER_ID');
my $mo = grep { !$live{$_} } @m; my $ao = grep { !$live{$_} } @a;
print scalar(keys %live), " ", scalar(@m), " $mo ", scalar(@a), " $ao\n";
)",
                            base.string());
}

TEST(ChartpointKill, EveryReportedChangeSurvivesAHundredKills)
{
    brine_test::TempFolder dir;
    const fs::path shared = dir / "shared";
    fs::create_directories(shared);
    std::map<long, Rec> expected = ReadTable(shared);   // creates the empty table
    std::mt19937 random(20261207);
    for (int kill = 0; kill < 100; ++kill) {
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const unsigned seed = unsigned(random());
        const pid_t child = brine_test::ForkChild([&] {
            ::close(pipeFds[0]);
            return Churn(shared, pipeFds[1], seed);
        });
        ::close(pipeFds[1]);
        LineReader reports(pipeFds[0]);
        const auto runFor = std::chrono::milliseconds(20 + random() % 180);
        const auto until = std::chrono::steady_clock::now() + runFor;
        std::string inFlight;   // "new", a record number, or empty
        while (std::chrono::steady_clock::now() < until) {
            const auto line = reports.Next(5ms);
            if (!line)
                continue;
            const auto w = Fields(*line);
            if (w.size() >= 2 && w[0] == "begin") {
                inFlight = w[1];
            } else if (w.size() == 7 && w[0] == "set") {
                expected[std::stol(w[1])] = {w[2], w[5], w[6], ToDouble(w[3]), ToDouble(w[4])};
                inFlight.clear();
            } else if (w.size() == 2 && w[0] == "del") {
                expected.erase(std::stol(w[1]));
                inFlight.clear();
            }
        }
        ::kill(child, SIGKILL);
        const int status = brine_test::WaitChild(child);
        ASSERT_EQ(status, -SIGKILL) << "the station ended by itself at kill " << kill;
        // Reports written before the kill still in the pipe count too.
        while (const auto line = reports.Next(0ms)) {
            const auto w = Fields(*line);
            if (w.size() >= 2 && w[0] == "begin")
                inFlight = w[1];
            else if (w.size() == 7 && w[0] == "set") {
                expected[std::stol(w[1])] = {w[2], w[5], w[6], ToDouble(w[3]), ToDouble(w[4])};
                inFlight.clear();
            } else if (w.size() == 2 && w[0] == "del") {
                expected.erase(std::stol(w[1]));
                inFlight.clear();
            }
        }
        ::close(pipeFds[0]);

        const std::map<long, Rec> actual = ReadTable(shared);
        for (const auto& [recNo, rec] : expected) {
            if (inFlight == std::to_string(recNo))
                continue;   // the change under way may or may not have landed
            const auto it = actual.find(recNo);
            ASSERT_TRUE(it != actual.end()) << "kill " << kill << ": record " << recNo << " lost";
            EXPECT_TRUE(it->second == rec)
                << "kill " << kill << ": record " << recNo << " holds " << Describe(it->second)
                << " instead of " << Describe(rec);
        }
        int extra = 0;
        for (const auto& [recNo, rec] : actual)
            if (!expected.count(recNo))
                ++extra;
        EXPECT_LE(extra, inFlight == "new" ? 1 : 0) << "kill " << kill;
        expected = actual;   // the next run goes on from what is on disk
        if (kill % 25 == 24) {
            for (bool perl : {false, true}) {
                const auto w =
                    Words(OutsideCounts(dir.Path(), shared / "Chartpoints" / "Churn", perl));
                ASSERT_EQ(w.size(), 5u) << (perl ? "XBase" : "dbfread");
                // A kill between New and Apply leaves a chartpoint with no
                // memo and no picture yet: it has no rows.
                std::size_t memos = 0, pictures = 0;
                for (const auto& [recNo, rec] : actual) {
                    memos += rec.memo.empty() ? 0 : 1;
                    pictures += rec.picture.empty() ? 0 : 1;
                }
                EXPECT_EQ(w[0], std::to_string(actual.size()));
                EXPECT_EQ(w[1], std::to_string(memos)) << "memo rows";
                EXPECT_EQ(w[2], "0") << "memo rows of deleted chartpoints";
                EXPECT_EQ(w[3], std::to_string(pictures)) << "attachment rows";
                EXPECT_EQ(w[4], "0") << "attachment rows of deleted chartpoints";
            }
        }
    }

    // A new chartpoint never shows a deleted one's memo or pictures.
    brine_test::FolderSettings settings(shared / "last");
    YesPrompt prompt;
    brine_test::FakePanel panel;
    CChartpointModule m(settings, prompt, shared);
    ASSERT_TRUE(m.Initialise());
    m.SetUi(&panel);
    ASSERT_TRUE(m.OpenDatabase((shared / "Chartpoints" / "Churn").string()));
    m.OnEdit();
    for (int i = 0; i < 5 && m.IsDatabaseOpen(); ++i)
        m.OnDelete();
    m.OnNew();
    EXPECT_EQ(m.Current().m_memo, "");
    EXPECT_EQ(m.Current().m_attachments[0], "");
    m.CloseDatabase(true);
    m.OpenDatabase((shared / "Chartpoints" / "Churn").string());
    m.OnSelectLast();
    EXPECT_EQ(m.Current().m_memo, "");
    EXPECT_EQ(m.Current().m_attachments[0], "");
}

}   // namespace
