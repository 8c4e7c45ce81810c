// A station killed in the middle of editing: a child process makes random
// edits (insert, delete, drag, copy, reverse, leg type) and reports each
// after it was stored; SIGKILL at a random moment. Opened again, every
// reported edit is there, or the one in progress is (a waypoint being put
// in place may stand at the end or one further), ORDER runs 1..n and every
// link finds its waypoint; dbfread reads the tables.

#include "../chartpoints/ChartpointFakes.h"
#include "TempFolder.h"
#include "routes/RouteModule.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <random>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace routes;
namespace fs = std::filesystem;

namespace {

// Under the sanitizers a round costs several times as much; half the rounds
// still put kills inside every kind of edit.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kRounds = 50;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr int kRounds = 50;
#else
constexpr int kRounds = 100;
#endif
#else
constexpr int kRounds = 100;
#endif

class YesPrompt final : public platform::CPrompt {
public:
    platform::PromptAnswer Ask(std::string_view, std::string_view, platform::PromptIcon,
                               platform::PromptButtons) override
    {
        return platform::PromptAnswer::Yes;
    }
};

// Waypoints as whole 1e-5 degrees with their leg, one route per element.
using Route = std::vector<std::array<long, 3>>;
using Routes = std::vector<Route>;

long E5(double v)
{
    return std::lround(v * 1e5);
}

Route RouteOf(const CRouteState& state)
{
    Route out;
    for (const CWaypoint& wp : state.waypoints)
        out.push_back({E5(wp.m_position.GetLatitude()), E5(wp.m_position.GetLongitude()),
                       long(wp.m_legType)});
    return out;
}

// Every route as a fresh module reads it (putting a crashed one right).
Routes ReadAll(CRouteModule& module)
{
    Routes out;
    for (int n = 1; n <= module.RouteCount(); ++n) {
        module.SelectRoute(n);
        out.push_back(RouteOf(module.State()));
    }
    return out;
}

std::string Encode(const Routes& routes)
{
    std::ostringstream out;
    for (const Route& r : routes) {
        out << '|';
        for (const auto& w : r)
            out << w[0] << ',' << w[1] << ',' << w[2] << ';';
    }
    return out.str();
}

// The raw link tables: ORDER 1..n and each link's waypoint present.
::testing::AssertionResult LinksAreWhole(const fs::path& path)
{
    db::CDBRoute table;
    table.SetFilePath(path.string());
    if (!table.Open(true))
        return ::testing::AssertionFailure() << "the route table does not open";
    const long routes = table.IsEmpty() ? 0 : table.GetRecordCount();
    for (long r = 1; r <= routes; ++r) {
        table.GoOrdinal(r);
        db::CDBRoutePoints& links = table.Points();
        links.SelectTag("T_ORDER");
        const long count = links.IsEmpty() ? 0 : links.GetRecordCount();
        if (count > 0)
            links.GoTop();
        for (long n = 1; n <= count; ++n) {
            if (links.m_order != n)
                return ::testing::AssertionFailure()
                       << "route " << r << " link " << n << " has ORDER " << links.m_order;
            if (links.Waypoints().GetId() != links.m_pointId)
                return ::testing::AssertionFailure()
                       << "route " << r << " link " << n << " lost waypoint " << links.m_pointId;
            if (links.IsLast())
                break;
            links.SkipForward();
        }
    }
    return ::testing::AssertionSuccess();
}

// The child: random edits, each announced before and reported after.
[[noreturn]] void EditUntilKilled(const fs::path& folder, const fs::path& path, int writeFd,
                                  unsigned seed)
{
    brine_test::FolderSettings settings(folder);
    YesPrompt prompt;
    CRouteModule module(settings, prompt, folder);
    module.Initialise();
    module.OpenDatabase(path.string());
    module.OnEdit();
    std::mt19937 rng(seed);
    long nextLat = 4760000 + long(seed % 1000) * 100;
    const auto say = [writeFd](const std::string& line) {
        const std::string text = line + "\n";
        if (::write(writeFd, text.data(), text.size()) != ssize_t(text.size()))
            ::_exit(3);
    };
    for (;;) {
        const int count = int(module.State().waypoints.size());
        const int op = int(rng() % 6);
        const int at = count > 0 ? 1 + int(rng() % unsigned(count)) : 0;
        say("BEGIN " + std::to_string(op));
        bool ok = true;
        if (op == 0 || count < 3) {
            if (at > 0)
                module.SelectWaypoint(at);
            ok = module.AddWaypointAt(geo::CPosition(double(nextLat++) / 1e5, -122.4));
        } else if (op == 1) {
            ok = module.SelectWaypoint(at) && module.DeleteCurrentWaypoint();
        } else if (op == 2) {
            ok = module.MoveWaypoint(
                at, geo::CPosition(module.State().waypoints[at - 1].m_position.GetLatitude(),
                                   -122.0 - double(rng() % 5000) / 1e4));
        } else if (op == 3 || op == 4) {
            ok = module.RouteCount() >= 6 ? module.SelectRoute(1) : module.CopyRoute(op == 4);
        } else {
            ok = (at < count ? module.SelectWaypoint(at) : module.SelectWaypoint(1)) &&
                 module.SetLegType(rng() % 2);
        }
        if (!ok)
            ::_exit(4);
        const int route = module.RouteOrdinal();
        const int active = module.State().activeIndex;
        Routes all = ReadAll(module);
        module.SelectRoute(route);
        module.SelectWaypoint(active);
        say("DONE " + std::to_string(route) + " " + Encode(all));
    }
}

// What a kill in the middle of an insert may leave: the new waypoint at
// the end, or one place off, the others in their order.
bool IsInsertInProgress(const Route& seen, const Route& before)
{
    if (seen.size() != before.size() + 1)
        return false;
    for (std::size_t skip = 0; skip < seen.size(); ++skip) {
        Route rest = seen;
        rest.erase(rest.begin() + long(skip));
        if (rest == before)
            return true;
    }
    return false;
}

}   // namespace

TEST(RouteKill, EveryReportedEditSurvivesASigkill)
{
    // A killed process leaves its writes in the page cache, so memory-backed
    // files show the same as a disk's; they spare the hundred rounds the
    // tables' fdatasync after every edit.
    std::error_code ec;
    if (!std::getenv("TMPDIR") && fs::is_directory("/dev/shm", ec))
        ::setenv("TMPDIR", "/dev/shm", 1);
    brine_test::TempFolder dir;
    const fs::path folder = dir.Path();
    const fs::path path = folder / "Routes" / "killed";
    {
        brine_test::FolderSettings settings(folder);
        YesPrompt prompt;
        CRouteModule module(settings, prompt, folder);
        ASSERT_TRUE(module.Initialise());
        db::CDBRoute table;
        table.SetFilePath(path.string());
        ASSERT_TRUE(table.Open());
        table.Close();
        ASSERT_TRUE(module.OpenDatabase(path.string()));
        module.OnEdit();
        ASSERT_TRUE(module.NewRoute());
        for (int i = 0; i < 4; ++i)
            ASSERT_TRUE(module.AddWaypointAt(geo::CPosition(47.7 - i * 0.05, -122.45)));
        module.Terminate();
    }
    std::mt19937 rng(2027);
    int midEdit = 0;
    for (int round = 0; round < kRounds; ++round) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(fds[0]);
            EditUntilKilled(folder, path, fds[1], unsigned(round) + 1);
        }
        ::close(fds[1]);
        FILE* in = ::fdopen(fds[0], "r");
        // Read a random number of reports, then kill at a random moment.
        const int reports = 1 + int(rng() % 6);
        std::string last, begun;
        char line[1 << 16];
        int seenReports = 0;
        while (seenReports < reports && std::fgets(line, sizeof line, in)) {
            std::string text(line);
            if (text.rfind("DONE ", 0) == 0) {
                last = text.substr(5);
                begun.clear();
                ++seenReports;
            } else {
                begun = text;
            }
        }
        ::usleep(useconds_t(rng() % 20000));
        ::kill(child, SIGKILL);
        // Reports written before the kill still count.
        while (std::fgets(line, sizeof line, in)) {
            std::string text(line);
            if (text.rfind("DONE ", 0) == 0) {
                last = text.substr(5);
                begun.clear();
            } else {
                begun = text;
            }
        }
        std::fclose(in);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the editing child ended by itself: " << status;
        ASSERT_FALSE(last.empty());
        if (!last.empty() && last.back() == '\n')
            last.pop_back();

        brine_test::FolderSettings settings(folder);
        YesPrompt prompt;
        CRouteModule module(settings, prompt, folder);
        ASSERT_TRUE(module.Initialise());
        ASSERT_TRUE(module.OpenDatabase(path.string()));
        const Routes seen = ReadAll(module);
        module.Terminate();
        ASSERT_TRUE(LinksAreWhole(path)) << "round " << round;
        const std::string seenText = Encode(seen);
        const std::string reported = last.substr(last.find(' ') + 1);
        if (seenText == reported)
            continue;
        // Not what was reported: only the edit in progress may differ.
        ASSERT_FALSE(begun.empty()) << "round " << round << ": a reported edit is missing\n"
                                    << reported << "\n"
                                    << seenText;
        ++midEdit;
        // One '|' before each route; a route without waypoints is an empty part.
        Routes before;
        std::vector<std::string> parts;
        for (std::size_t at = reported.find('|'); at != std::string::npos;) {
            const std::size_t next = reported.find('|', at + 1);
            parts.push_back(reported.substr(at + 1, next == std::string::npos ? std::string::npos
                                                                              : next - at - 1));
            at = next;
        }
        for (const std::string& part : parts) {
            Route r;
            std::istringstream points(part);
            std::string point;
            while (std::getline(points, point, ';')) {
                std::array<long, 3> w{};
                std::sscanf(point.c_str(), "%ld,%ld,%ld", &w[0], &w[1], &w[2]);
                r.push_back(w);
            }
            before.push_back(r);
        }
        const int route = std::stoi(last.substr(0, last.find(' '))) - 1;
        const int op = std::stoi(begun.substr(6));
        bool explained = false;
        if (seen.size() == before.size()) {
            // One route changed: the one being edited.
            int differing = 0;
            for (std::size_t r = 0; r < seen.size(); ++r)
                differing += seen[r] != before[r];
            const Route& now = seen[std::size_t(route)];
            const Route& was = before[std::size_t(route)];
            explained =
                differing == 1 && (IsInsertInProgress(now, was) || now.size() + 1 == was.size() ||
                                   (now.size() == was.size() && (op == 2 || op == 5)));
        } else if (seen.size() == before.size() + 1 && (op == 3 || op == 4)) {
            // A copy being written: a new route, its waypoints so far.
            explained = std::equal(before.begin(), before.end(), seen.begin()) &&
                        seen.back().size() <= before[std::size_t(route)].size();
        }
        EXPECT_TRUE(explained) << "round " << round << " op " << op << " route " << route + 1
                               << " routes " << before.size() << " seen " << seen.size() << "\n"
                               << reported << "\n"
                               << seenText;
    }
    // Some kills fell in the middle of an edit.
    RecordProperty("killed_mid_edit", midEdit);

    // dbfread, a reader nobody here wrote, reads the three tables.
    if (std::system("/usr/bin/python3 -c 'import dbfread' 2>/dev/null") == 0) {
        const std::string command = "/usr/bin/python3 -c \"import dbfread,glob,sys\n"
                                    "fs=glob.glob(sys.argv[1]+'.dbf')+glob.glob(sys.argv[1]+'.X/"
                                    "*.dbf')+glob.glob(sys.argv[1]+'.X/*/*.dbf')\n"
                                    "assert len(fs)>=3\n"
                                    "[list(dbfread.DBF(f)) for f in fs]\" " +
                                    path.string();
        EXPECT_EQ(std::system(command.c_str()), 0);
    }
}
