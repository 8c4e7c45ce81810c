// Temporary logs of a program that was killed: children open a temporary
// log each, some write into it, and are killed (one stays running). The
// next start's open takes away the killed ones that hold nothing (no
// logbook row, no track point), keeps those that do, so a crashed
// session's rows can still be opened and saved, and never touches the log
// a running program holds, however empty.
#include "navigator/VesselLogbook.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "ChildProcess.h"
#include "FakeClock.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"

using namespace navigator;
using namespace std::chrono;
namespace fs = std::filesystem;

namespace {

enum class Fill { Nothing, OwnRowOnly, LogbookRow, TrackPoint };

// Opens a new temporary log in `folder`, fills it as asked, sends its path
// down `pipeFd` and waits to be killed.
int HoldTemporaryLog(const fs::path& folder, Fill fill, int pipeFd)
{
    brine_test::FakeClock clock;
    clock.SetUtc(sys_days{year{2026} / 3 / 1} + hours(9));
    CNavSnapshot at;
    at.position = geo::CPosition(47.6, -122.4, 0.0, -1);
    at.positionAvailable = true;
    at.fixTimeUtc = clock.UtcNow();
    CVesselLogbook log(clock, CVesselLogServices{});
    log.SetFolder(folder);
    if (!log.Open(""))
        return 2;
    if (fill != Fill::Nothing && !log.ContinueVoyage("V1", "Ada"))
        return 3;
    if (fill == Fill::LogbookRow && !log.WriteLogRecord(at))
        return 4;
    if (fill == Fill::TrackPoint && !log.WriteTrackPoint(at))
        return 5;
    const std::string path = log.LogPath() + "\n";
    if (::write(pipeFd, path.data(), path.size()) != static_cast<ssize_t>(path.size()))
        return 6;
    for (;;)
        ::pause();
}

struct Holder {
    pid_t pid = -1;
    std::string path;   // the log's path without extension
};

Holder StartHolder(const fs::path& folder, Fill fill)
{
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    Holder h;
    h.pid = brine_test::ForkChild([&] { return HoldTemporaryLog(folder, fill, fds[1]); });
    ::close(fds[1]);
    char c;
    while (::read(fds[0], &c, 1) == 1 && c != '\n')
        h.path += c;
    ::close(fds[0]);
    return h;
}

void Kill(Holder& h)
{
    ::kill(h.pid, SIGKILL);
    EXPECT_EQ(brine_test::WaitChild(h.pid), -SIGKILL) << h.path << ": the child failed on its own";
}

bool Whole(const std::string& path)
{
    return fs::exists(path + ".dbf") && fs::exists(path + ".tmp");
}

bool Gone(const std::string& path)
{
    for (const char* ext : {".dbf", ".dbt", ".mdx", ".tmp", ".X"})
        if (fs::exists(path + ext))
            return false;
    return true;
}

}   // namespace

TEST(TemporaryLogKill, EmptyLogsOfKilledProgramsGoAtTheNextStart)
{
    brine_test::TempFolder dir;
    Holder empty = StartHolder(dir.Path(), Fill::Nothing);
    Holder ownRow = StartHolder(dir.Path(), Fill::OwnRowOnly);
    Holder withRow = StartHolder(dir.Path(), Fill::LogbookRow);
    Holder withPoint = StartHolder(dir.Path(), Fill::TrackPoint);
    Holder running = StartHolder(dir.Path(), Fill::Nothing);
    for (const Holder* h : {&empty, &ownRow, &withRow, &withPoint, &running})
        ASSERT_TRUE(Whole(h->path)) << h->path;
    for (Holder* h : {&empty, &ownRow, &withRow, &withPoint})
        Kill(*h);

    // The next start opens a temporary log of its own.
    brine_test::FakeClock clock;
    CVesselLogbook next(clock, CVesselLogServices{});
    next.SetFolder(dir.Path());
    ASSERT_TRUE(next.Open("")) << next.LastError();
    EXPECT_TRUE(Gone(empty.path)) << "an empty log of a killed program stays";
    EXPECT_TRUE(Gone(ownRow.path)) << "a voyage row without a logbook row or point stays";
    EXPECT_TRUE(Whole(withRow.path)) << "a killed program's logbook row was deleted";
    EXPECT_TRUE(Whole(withPoint.path)) << "a killed program's track point was deleted";
    EXPECT_TRUE(Whole(running.path)) << "a running program's empty log was deleted";
    EXPECT_TRUE(Whole(next.LogPath())) << "the sweep took the log just made";

    // The log a killed program kept can be opened again and saved: the
    // sweep leaves it alone while it is open, and saving takes it away.
    brine_test::ScriptedPrompt prompt;
    prompt.Expect(platform::PromptAnswer::Yes, "continue to use this log");
    CVesselLogServices services;
    services.prompt = &prompt;
    CVesselLogbook reopened(clock, std::move(services));
    reopened.SetFolder(dir.Path());
    reopened.SetAppendToExisting(true);
    ASSERT_TRUE(reopened.Open(withRow.path + ".dbf")) << reopened.LastError();
    ASSERT_TRUE(reopened.OwnTrackVessel() != nullptr);
    Kill(running);
    ASSERT_TRUE(next.Open("")) << next.LastError();
    EXPECT_TRUE(Gone(running.path)) << "once its program was killed, the empty log goes";
    EXPECT_TRUE(Whole(withRow.path));
    ASSERT_TRUE(reopened.CopyTo((dir / "Kept").string()));
    EXPECT_TRUE(Gone(withRow.path)) << "a temporary log saved under a name stays behind";
    EXPECT_TRUE(fs::exists(dir / "Kept.dbf"));
}
