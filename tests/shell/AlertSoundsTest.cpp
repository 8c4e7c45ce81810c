// The alarm sounds in the program as it starts: every alarm and warning that sounds hands the
// player a wave file of its own from the Audio folder beside the program, and the file is there,
// a playable PCM wave, different from every other alarm's. The sample route is followed with a
// GPS on COM1: an arrival circle, a second arrival while the alarm list is open, a passed
// perpendicular; then a simulated tender's panic button on the message bar.
#include "shell/Brinevane.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "FirstStart.h"
#include "ScriptedPrompt.h"
#include "app/AlertSounds.h"
#include "geo/NavMaths.h"
#include "navigator/ui/NavigatorWindows.h"
#include "routes/RouteModule.h"
#include "shell/MainFrame.h"
#include "targets/ui/TenderWindows.h"

namespace {

// The player's log lines, "Brinevane: alert sound "<file>": <outcome>".
std::mutex g_linesMutex;
std::vector<std::string> g_soundLines;
QtMessageHandler g_previous = nullptr;

void KeepSoundLines(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    const std::string line = text.toStdString();
    if (line.rfind("Brinevane: alert sound \"", 0) == 0) {
        std::lock_guard lock(g_linesMutex);
        g_soundLines.push_back(line);
    }
    if (g_previous)
        g_previous(type, context, text);
}

// The files the player was asked for, in order.
std::vector<std::string> FilesAsked()
{
    std::lock_guard lock(g_linesMutex);
    std::vector<std::string> files;
    for (const std::string& line : g_soundLines) {
        const auto open = line.find('"');
        const auto close = line.find('"', open + 1);
        files.push_back(line.substr(open + 1, close - open - 1));
    }
    return files;
}

std::string Fix(const geo::CPosition& p)
{
    return brine_test::RmcAt(p.GetLatitude(), p.GetLongitude());
}

double BearingTo(const geo::CPosition& from, const geo::CPosition& to)
{
    double range = 0, bearing = 0;
    geo::RhumbRangeBearing(from, to, &range, &bearing, false);
    return bearing;
}

geo::CPosition Along(const geo::CPosition& from, double rangeNm, double bearing)
{
    geo::CPosition out;
    geo::PositionAtRangeBearing(from, rangeNm, bearing, &out);
    return out;
}

// A PCM wave file's sample bytes; empty when the file is no such wave.
std::string WaveSamples(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto le = [&](std::size_t at, int n) {
        std::uint32_t v = 0;
        for (int i = n - 1; i >= 0; --i)
            v = v << 8 | static_cast<unsigned char>(bytes[at + std::size_t(i)]);
        return v;
    };
    if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") != 0 ||
        bytes.compare(8, 8, "WAVEfmt ") != 0 || le(20, 2) != 1 /* PCM */ ||
        le(4, 4) != bytes.size() - 8 || bytes.compare(36, 4, "data") != 0 ||
        le(40, 4) != bytes.size() - 44)
        return {};
    return bytes.substr(44);
}

TEST(AlertSounds, EveryAlarmHandsThePlayerAWaveFileOfItsOwn)
{
    g_previous = qInstallMessageHandler(KeepSoundLines);
    const brine_test::FirstStartProgram program(false, true);   // the sample route current
    ASSERT_TRUE(program.started);
    const brine_test::FirstStartHome& home = program.home;
    ASSERT_GE(home.master, 0);
    shell::CMainFrame& frame = program.Frame();
    // Audio alerts start off on a machine without a sound output (a test
    // machine often has none): switched on as the System page does, so each
    // alarm hands the player its file, which logs "no audio output" then.
    frame.SetAudioAlerts(true);
    ASSERT_TRUE(frame.AudioAlerts());
    auto* routes = brine_test::FindModule<routes::CRouteModule>(frame);
    ASSERT_NE(routes, nullptr);
    navigator::CActiveRoute& route = routes->Views();
    for (int i = 0; i < 30 && !route.HasRoute(); ++i)
        QTest::qWait(100);
    ASSERT_TRUE(route.HasRoute());
    ASSERT_GE(route.WaypointCount(), 5);
    const navigator::CRouteMonitoringSettings monitoring = route.Settings();
    ASSERT_TRUE(monitoring.arrivalCircleEntryOn && monitoring.passingPerpendicularOn &&
                monitoring.autoWptAdvanceOn);
    const double radius = monitoring.arrivalCircleRadius;

    // The program's folder is the test's own, its System folder the build's.
    const std::filesystem::path audio =
        std::filesystem::path(std::getenv("BRINE_PROGRAM_FOLDER")) / "System" / "Audio";
    const auto fileOf = [&](std::string_view name) {
        return (audio / (std::string(name) + ".wav")).string();
    };
    // Fixes at `p` until the player is asked for `name`'s file (or ten seconds pass).
    const auto sailUntilHeard = [&](const geo::CPosition& p, std::string_view name) {
        for (int i = 0; i < 100; ++i) {
            const auto files = FilesAsked();
            if (!files.empty() && files.back() == fileOf(name))
                return true;
            home.Send(Fix(p));
            QTest::qWait(100);
        }
        return false;
    };
    // A point on the active leg, inside the arrival circle, short of the perpendicular.
    const auto shortOfActive = [&] {
        const int active = route.ActiveIndex();
        const geo::CPosition to = route.Waypoint(active).position;
        const geo::CPosition from = route.Waypoint(active > 1 ? active - 1 : active + 1).position;
        return Along(to, radius / 2, BearingTo(to, from));
    };

    // The first arrival circle: the arrival sound; the route moves on.
    const int first = route.ActiveIndex();
    ASSERT_GE(first, 1);
    EXPECT_TRUE(sailUntilHeard(shortOfActive(), app::sounds::kArrivalCircle));
    for (int i = 0; i < 30 && route.ActiveIndex() == first; ++i)
        QTest::qWait(100);
    ASSERT_EQ(route.ActiveIndex(), first + 1);
    // The next one while the list is still open: the sound of several alarms.
    EXPECT_TRUE(sailUntilHeard(shortOfActive(), app::sounds::kMultipleArrivals));
    for (int i = 0; i < 30 && route.ActiveIndex() == first + 1; ++i)
        QTest::qWait(100);
    ASSERT_EQ(route.ActiveIndex(), first + 2);

    // OK empties the list; the next waypoint's perpendicular passed well clear of its circle.
    auto* alarms = frame.findChild<QDialog*>("WaypointAlarms");
    ASSERT_NE(alarms, nullptr);
    alarms->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    QTest::qWait(200);
    const int active = route.ActiveIndex();
    const geo::CPosition to = route.Waypoint(active).position;
    const double leg = BearingTo(route.Waypoint(active - 1).position, to);
    const geo::CPosition beyond = Along(Along(to, 0.05, leg), std::max(0.3, 3 * radius), leg + 90);
    EXPECT_TRUE(sailUntilHeard(beyond, app::sounds::kPerpendicular));

    // A simulated tender's panic button: the message bar's warning sounds.
    auto* tenders = brine_test::FindModule<targets::CTenderWindows>(frame);
    ASSERT_NE(tenders, nullptr);
    tenders->Tracking().Settings().channels[0].valid = true;
    tenders->Tracking().SetSimulation(0, true, true, false, {47.70, -122.44}, 90.0, 3.0, 10.0);
    EXPECT_TRUE(sailUntilHeard(beyond, app::sounds::kTenderPanic));

    // Every file asked for lies in the Audio folder beside the program, one for each sound
    // the program has, each a playable wave, no two alike.
    const std::vector<std::string> asked = FilesAsked();
    std::map<std::string, std::string> samples;
    for (std::string_view name : app::sounds::kAll) {
        EXPECT_NE(std::find(asked.begin(), asked.end(), fileOf(name)), asked.end())
            << "never asked for: " << name;
        samples[std::string(name)] = WaveSamples(fileOf(name));
        EXPECT_GT(samples[std::string(name)].size(), 22050u / 2)
            << fileOf(name) << " is missing, no PCM wave, or shorter than a quarter second";
    }
    for (const std::string& file : asked)
        EXPECT_EQ(std::filesystem::path(file).parent_path(), audio) << file;
    std::set<std::string> distinct;
    for (const auto& [name, bytes] : samples)
        distinct.insert(bytes);
    EXPECT_EQ(distinct.size(), samples.size()) << "two alarms sound alike";
    {
        std::lock_guard lock(g_linesMutex);
        for (const std::string& line : g_soundLines)
            EXPECT_EQ(line.find("no such file"), std::string::npos) << line;
    }

    qInstallMessageHandler(g_previous);
}

}   // namespace
