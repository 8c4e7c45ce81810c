// The Network port on its own station: it opens with no other station about,
// hands each relayed sentence to every device listening on it, and shows in
// its transmit history what its devices sent, whether a station hears it or not.

#include "nmea/NetworkPort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "RecordingDevice.h"
#include "nmea/NetworkMessaging.h"
#include "nmea/ReceivedLines.h"

using namespace std::chrono_literals;
using nmea::CPort;
using nmea::PortChannel;

namespace {

struct NetworkOnly : nmea::CPortDirectory {
    nmea::CNetworkMessaging messaging;   // never started: no station about
    nmea::CReceivedLines received;
    nmea::CNetworkPort port{messaging, received};
    CPort* FindPort(std::uint8_t number) const override
    {
        return number == CPort::kNetworkPort ? const_cast<nmea::CNetworkPort*>(&port) : nullptr;
    }
    std::uint8_t GetFirstPortNumber() const override { return 0; }
};

// Waits until the channel's history holds `line`.
bool HistoryShows(const CPort& port, PortChannel channel, const std::string& line)
{
    for (const auto until = std::chrono::steady_clock::now() + 5s;
         std::chrono::steady_clock::now() < until; std::this_thread::sleep_for(5ms)) {
        const auto history = port.GetHistory(channel);
        if (std::find(history.begin(), history.end(), line) != history.end())
            return true;
    }
    return false;
}

TEST(NetworkPort, OpensAloneAndHandsRelayedSentencesToEveryNetworkDevice)
{
    NetworkOnly ports;
    CPort& port = ports.port;
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(port.Open());
    EXPECT_TRUE(port.IsOpen());
    EXPECT_TRUE(port.Close());
    EXPECT_FALSE(port.IsOpen());

    brine_test::RecordingDevice gps(ports, CPort::kNetworkPort, 0, "GPS");
    brine_test::RecordingDevice wind(ports, CPort::kNetworkPort, 0, "Wind");
    ASSERT_TRUE(gps.OpenReceive());
    ASSERT_TRUE(wind.OpenReceive());
    EXPECT_TRUE(port.IsOpen());

    const std::string rmc =
        "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n";
    ports.received.Add(rmc);
    EXPECT_EQ(gps.WaitLines(1, 5s), std::vector<std::string>{rmc});
    EXPECT_EQ(wind.WaitLines(1, 5s), std::vector<std::string>{rmc});
    EXPECT_TRUE(HistoryShows(port, PortChannel::Receive, rmc.substr(0, rmc.size() - 2)));

    gps.CloseReceive();   // the reader goes on for the wind
    ports.received.Add("$WIMWV,045.0,R,12.5,N,A*1D\r\n");
    EXPECT_EQ(wind.WaitLines(2, 5s).size(), 2u);
    EXPECT_EQ(gps.Lines().size(), 1u);
    wind.CloseReceive();
    EXPECT_FALSE(port.IsOpen());
}

TEST(NetworkPort, TransmitHistoryShowsWhatTheFiltersLetThrough)
{
    NetworkOnly ports;
    brine_test::RecordingDevice repeater(ports, 0, CPort::kNetworkPort, "Repeater");
    repeater.Refuse("RTE");
    ASSERT_TRUE(repeater.OpenTransmit());
    ASSERT_TRUE(repeater.Send("$ECRTE,1,1,c,R1,WP1*00\r\n"));
    ASSERT_TRUE(repeater.Send("$ECWPL,4807.038,N,01131.000,E,WP1*00\r\n"));
    // With no station to hear it the sentence is still on its way out, and shows.
    EXPECT_TRUE(
        HistoryShows(ports.port, PortChannel::Transmit, "$ECWPL,4807.038,N,01131.000,E,WP1*00"));
    for (const std::string& line : ports.port.GetHistory(PortChannel::Transmit))
        EXPECT_EQ(line.find("RTE"), std::string::npos) << line;
    repeater.CloseTransmit();
    EXPECT_FALSE(ports.port.IsOpen());
}

}   // namespace
