// The navigator steering an autopilot through its link, as the program joins
// them, read at the far end of the autopilot's port (a socat pty) as an
// autopilot reads it: each line framed with "*", the XOR of its bytes and
// CR LF, and pynmea2 with the checksum checked. The navigation update that
// enters a waypoint's arrival circle and advances tells the autopilot of the
// arrival with that waypoint, once; the next waypoint follows without it.

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "../nmea/PtyPair.h"
#include "FakeClock.h"
#include "NavigatorFakes.h"
#include "PythonScript.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "navigator/AutopilotLink.h"
#include "nmea/AutopilotModule.h"
#include "nmea/PortList.h"

using namespace std::chrono_literals;

namespace {

// "" when the line is framed as an autopilot expects, else what is wrong.
std::string FramingFault(const std::string& line)
{
    if (line.size() < 6 || line[0] != '$')
        return "no '$' at the start";
    if (line.compare(line.size() - 2, 2, "\r\n") != 0)
        return "no CR LF at the end";
    const std::size_t star = line.size() - 5;
    if (line[star] != '*')
        return "no '*' and two digits before the line end";
    unsigned sum = 0;
    for (std::size_t i = 1; i < star; ++i)
        sum ^= static_cast<unsigned char>(line[i]);
    char expected[3];
    std::snprintf(expected, sizeof expected, "%02X", sum);
    if (line.compare(star + 1, 2, expected) != 0)
        return "checksum " + line.substr(star + 1, 2) + ", not " + expected;
    return {};
}

struct LinkRig {
    brine_test::TempFolder folder;
    brine_test::PtyPair pty{folder.Path(), "usb-autopilot"};
    brine_test::FakeClock clock;
    navtest::MemorySettings settings;
    navtest::FakeGps gps{clock};
    navigator::CNavigatorModule nav{settings, clock, &gps};
    navtest::FakeRoute route;
    brine_test::ScriptedPrompt prompt;
    std::unique_ptr<nmea::CPortList> ports;
    std::unique_ptr<nmea::CAutopilotModule> autopilot;
    std::unique_ptr<navigator::CAutopilotLink> link;
    std::string received;

    LinkRig()
    {
        nmea::PortPaths paths{};
        paths[0] = pty.Path().string();
        ports = std::make_unique<nmea::CPortList>(paths, nmea::CComPortOptions{});
        autopilot = std::make_unique<nmea::CAutopilotModule>(settings, *ports, prompt);
        autopilot->Initialise();
        link = std::make_unique<navigator::CAutopilotLink>(nav, *autopilot);
        nav.SetRoute(&route);
    }
    ~LinkRig()
    {
        link.reset();
        autopilot->Terminate();
    }
    // One navigation update with the vessel at `lat`, heading south.
    void UpdateAt(double lat, double lon)
    {
        clock.Advance(1s);
        gps.parser.ParseLine(navtest::Rmc(lat, lon, 8.0, 180.0));
        nav.NavigationTimerPass();
        nav.PanelQueue().Drain([&](const app::CPostedMessage& m) { nav.OnMonitorMessage(m); });
    }
    // Reads the port until a line naming `waypoint` has come (at most 5 s).
    bool ReadUntilWaypoint(const std::string& waypoint)
    {
        const auto until = std::chrono::steady_clock::now() + 5s;
        while (std::chrono::steady_clock::now() < until) {
            received += pty.Receive(1, 50ms);
            for (const std::string& line : Lines())
                if (Field(line, 10) == waypoint)
                    return true;
        }
        return false;
    }
    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines;
        for (std::size_t start = 0, end; (end = received.find('\n', start)) != std::string::npos;
             start = end + 1)
            lines.push_back(received.substr(start, end + 1 - start));
        return lines;
    }
    static std::string Field(const std::string& line, std::size_t index)
    {
        std::stringstream in(line.substr(0, line.find('*')));
        std::string field;
        for (std::size_t i = 0; i <= index; ++i)
            if (!std::getline(in, field, ','))
                return {};
        return field;
    }
};

TEST(AutopilotLink, ArrivalGoesWithTheWaypointReachedInFramedLines)
{
    LinkRig rig;
    ASSERT_TRUE(rig.pty.Running());
    rig.route.Add(47.80, -122.44);
    rig.route.Add(47.70, -122.44);
    rig.route.Add(47.60, -122.44);
    rig.route.active = 2;
    rig.route.settings.arrivalCircleEntryOn = true;
    rig.route.settings.arrivalCircleRadius = 0.5;
    rig.route.settings.autoWptAdvanceOn = true;
    rig.prompt.Expect(platform::PromptAnswer::Ok, "switching Autopilot on");
    rig.autopilot->ApplyOptions(1, true, 0.1);
    ASSERT_TRUE(rig.autopilot->IsAutopilotOn());

    // Three miles short of waypoint 2: steering for it.
    rig.UpdateAt(47.75, -122.44);
    ASSERT_TRUE(rig.ReadUntilWaypoint("2")) << rig.received;
    // Inside its arrival circle: the route advances to waypoint 3.
    rig.UpdateAt(47.7045, -122.44);
    ASSERT_EQ(rig.route.active, 3);
    ASSERT_TRUE(rig.ReadUntilWaypoint("3")) << rig.received;
    rig.UpdateAt(47.69, -122.44);
    rig.received += rig.pty.Receive(1 << 12, 400ms);

    const std::vector<std::string> lines = rig.Lines();
    ASSERT_GE(lines.size(), 3u);
    std::vector<std::string> arrivals;
    for (const std::string& line : lines) {
        EXPECT_EQ(FramingFault(line), "") << line;
        // Every bearing is true, and the destination is the waypoint's number.
        for (std::size_t field : {9u, 12u, 14u})
            EXPECT_EQ(LinkRig::Field(line, field), "T") << field << ": " << line;
        const std::string destination = LinkRig::Field(line, 10);
        EXPECT_TRUE(destination == "2" || destination == "3") << line;
        if (LinkRig::Field(line, 6) == "A")
            arrivals.push_back(LinkRig::Field(line, 10));
    }
    EXPECT_EQ(arrivals, std::vector<std::string>{"2"})
        << "the arrival goes once, with the waypoint whose circle was entered\n"
        << rig.received;

    // An autopilot's reading, checksums checked.
    std::string quoted;
    for (const std::string& line : lines)
        quoted += line.substr(0, line.size() - 2) + "\n";
    const auto out = brine_test::RunPython("import pynmea2\n"
                                           "for line in '''" +
                                           quoted +
                                           "'''.split():\n"
                                           "    m = pynmea2.parse(line, check=True)\n"
                                           "    print(m.dest_waypoint_id, m.arr_circle_entered)\n");
    ASSERT_TRUE(out) << "pynmea2 refused a line: " << quoted;
    EXPECT_NE(out->find("2 A\n"), std::string::npos) << *out;
    EXPECT_EQ(out->find("3 A\n"), std::string::npos) << *out;
}

}   // namespace
