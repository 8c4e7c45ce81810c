// The program told to end by a logout or a system shutdown (SIGTERM), a closed terminal
// (SIGHUP) or Ctrl+C (SIGINT) while it logs the GPS: it closes as File > Exit closes, without a
// question (a window left waiting for an answer is closed unanswered first), and its event loop
// ends with status 0 within a few seconds. The temporary log with its rows stays for the next
// start to offer, every table and production index closed cleanly (opened again, nothing to
// repair), the last event in it as Python's dbfread reads it, and the vessel's row ended. A
// second signal while the first is handled ends the program at once.
#include <QDialog>
#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>

#include <sys/types.h>
#include <unistd.h>

#include "FirstStart.h"
#include "PythonScript.h"
#include "engines/dbase/DbaseEngine.h"
#include "engines/dbase/DbaseTable.h"
#include "navigator/VesselLogbook.h"
#include "navigator/ui/NavigatorWindows.h"
#include "shell/TerminationSignals.h"

namespace {

namespace fs = std::filesystem;

// What an open for writing reports about a table: empty when it was closed cleanly.
std::string OpenWarnings(const std::string& base)
{
    dbase::CDbaseEngine engine;
    auto table = engine.Open(base);
    if (!table)
        return "cannot be opened";
    std::string warnings;
    for (const std::string& w : table->OpenWarnings())
        warnings += w + "\n";
    return warnings;
}

class TerminationSignal : public ::testing::TestWithParam<int> { };

TEST_P(TerminationSignal, ClosesAsExitDoesWithoutAQuestionAndKeepsTheLog)
{
    const int signo = GetParam();
    {
        brine_test::FirstStartProgram program;
        ASSERT_TRUE(program.started);
        shell::CMainFrame& frame = program.Frame();
        navigator::CVesselLogbook& log = frame.Navigator()->Logbook();
        for (int i = 0; i < 12; ++i) {
            if (i % 4 == 0)
                program.home.Send(brine_test::WithChecksum(
                    "GPRMC,120000,A,4739.720,N,12226.160,W,6.0,048.8,070126,,"));
            QTest::qWait(250);
        }
        ASSERT_TRUE(log.IsOpen());
        ASSERT_TRUE(log.IsTemporary());
        log.LogEvent("Abeam the breakwater", -1);
        const std::string path = log.LogPath();
        const std::size_t asked = program.prompt.AskedPrompts().size();
        // Nobody at the screen: any window left waiting for an answer would hold the close.
        brine_test::AnswerDialogs() = false;

        // The program's main event loop, a window of it waiting for an answer, and the signal
        // from outside.
        int answered = -1;
        QTimer::singleShot(0, &frame, [&frame, &answered, signo] {
            QDialog waiting(&frame);
            QTimer::singleShot(100, [signo] { ::kill(::getpid(), signo); });
            answered = waiting.exec();
        });
        QTimer::singleShot(10000, [] { QCoreApplication::exit(99); });
        QElapsedTimer took;
        took.start();
        EXPECT_EQ(QCoreApplication::exec(), 0);
        std::printf("closed on %s in %lld ms\n", shell::CTerminationSignals::SignalName(signo),
                    static_cast<long long>(took.elapsed()));
        EXPECT_LT(took.elapsed(), 3000);
        brine_test::AnswerDialogs() = true;
        EXPECT_EQ(answered, QDialog::Rejected) << "closed unanswered, before the frame";
        EXPECT_FALSE(frame.isVisible());
        EXPECT_EQ(program.prompt.AskedPrompts().size(), asked) << "a question was asked";

        // The temporary log stays, as the next start's question about it expects, with its
        // placeholder free for that start to take.
        ASSERT_TRUE(fs::exists(path + ".dbf"));
        EXPECT_TRUE(fs::exists(path + ".tmp"));
        const auto index = brine_test::RunPython("import dbfread\npath = '" + path + "'\n" + R"(
for r in dbfread.DBF(path + '.dbf', encoding='cp1252'):
    print(r['UNIQUE'], r['ENDDATE'] is not None and r['ENDTIME'].strip() != '')
)");
        ASSERT_TRUE(index.has_value());
        EXPECT_EQ(*index, "1 True\n") << "the vessel's row is ended";
        const auto notes = brine_test::RunPython("import dbfread\npath = '" + path + "'\n" + R"(
rows = list(dbfread.DBF(path + '.X/00000001.dbf', encoding='cp1252'))
print([r['NOTE'] for r in rows if r['NOTE']])
)");
        ASSERT_TRUE(notes.has_value());
        EXPECT_EQ(*notes, "['Abeam the breakwater']\n");
        EXPECT_EQ(OpenWarnings(path), "");
        EXPECT_EQ(OpenWarnings(path + ".X/00000001"), "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    LogoutShutdownHangupInterrupt, TerminationSignal, ::testing::Values(SIGTERM, SIGHUP, SIGINT),
    [](const ::testing::TestParamInfo<int>& info) {
        return std::string(shell::CTerminationSignals::SignalName(info.param)).substr(3);
    });

TEST(TerminationSignalDeathTest, ASecondSignalWhileClosingEndsAtOnce)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            shell::CTerminationSignals handlers;
            if (!handlers.IsInstalled())
                std::_Exit(3);
            ::raise(SIGTERM);   // noted; the close would begin in the event loop
            ::raise(SIGHUP);
            std::_Exit(0);
        },
        ::testing::KilledBySignal(SIGHUP), "");
}

}   // namespace
