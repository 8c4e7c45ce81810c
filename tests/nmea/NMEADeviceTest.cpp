#include "nmea/NMEADevice.h"

#include <gtest/gtest.h>

#include <thread>

#include "FakePort.h"
#include "RecordingDevice.h"

using nmea::CNMEADevice;
using nmea::PortChannel;
using namespace std::chrono_literals;

namespace {

TEST(NMEADevice, TalkerAndSentenceRules)
{
    const nmea::SentenceList rmcOnly = {{"RMC", "", true}, {"GGA", "", false}};
    struct Row {
        const char* line;
        nmea::TalkerList talkers;
        nmea::SentenceList sentences;
        bool talker, sentence;
    } rows[] = {
        {"$GPRMC,1", {"GP"}, rmcOnly, true, true},
        {"$gpRMC,1", {"GP"}, rmcOnly, false, true},   // talkers compare with case
        {"$GPrmc,1", {"GP"}, rmcOnly, true, true},   // ids without
        {"$GPGGA,1", {}, rmcOnly, true, false},   // the first match decides: disabled
        {"$GPGLL,1", {}, rmcOnly, true, false},   // no match
        {"$PABXY,1", {}, rmcOnly, false, false},   // proprietary never passes a talker filter
        {"$GPRM", {}, rmcOnly, false, false},   // 5 characters
        {"$GPRMC,1", {}, {}, true, false},   // an empty list enables nothing
        {"$IIRMC,1", {"WI", "II"}, rmcOnly, true, true},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(CNMEADevice::AcceptTalker(r.line, r.talkers), r.talker) << r.line;
        EXPECT_EQ(CNMEADevice::IsSentenceEnabled(r.line, r.sentences), r.sentence) << r.line;
    }
}

TEST(NMEADevice, BuildSentenceAddsChecksumAndLineEnd)
{
    brine_test::FakePorts ports;
    brine_test::RecordingDevice device(ports, 0, 0);
    std::string line;
    ASSERT_TRUE(device.BuildSentence(true, "$GPGLL,4916.45,N,12311.12,W,225444,A"));
    ASSERT_TRUE(device.TakeOutput(line));
    EXPECT_EQ(line, "$GPGLL,4916.45,N,12311.12,W,225444,A*31\r\n");
    ASSERT_TRUE(device.BuildSentence(false, "$ECAPB"));
    ASSERT_TRUE(device.TakeOutput(line));
    EXPECT_EQ(line, "$ECAPB\r\n");
}

TEST(NMEADevice, ReceiveQueueKeepsTheNewestFifty)
{
    brine_test::FakePorts ports;
    ports.Add(1);
    brine_test::RecordingDevice device(ports, 1, 0);
    for (int i = 0; i < 51; ++i)
        device.QueueReceived("$L" + std::to_string(i));
    EXPECT_EQ(device.ReceiveQueueSize(), 50u);
    ASSERT_TRUE(device.OpenReceive());
    const auto lines = device.WaitLines(50, 2s);
    ASSERT_EQ(lines.size(), 50u);
    EXPECT_EQ(lines.front(), "$L1");   // oldest first, the very first dropped
    EXPECT_EQ(lines.back(), "$L50");
}

// A device busy with its queue for longer than 5 ms loses the line, and the
// port's reader goes on to the next device instead of waiting for it.
TEST(NMEADevice, ABusyReceiveQueueLosesTheLineWithoutHoldingUpThePort)
{
    struct BusyDevice : brine_test::RecordingDevice {
        using RecordingDevice::ReceiveLock;
        using RecordingDevice::RecordingDevice;
    };
    brine_test::FakePorts ports;
    BusyDevice device(ports, 1, 0);
    {
        std::lock_guard busy(device.ReceiveLock());
        std::thread reader([&] {
            const auto start = std::chrono::steady_clock::now();
            device.QueueReceived("$GPRMC,1");
            EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
        });
        reader.join();
    }
    EXPECT_EQ(device.LostToBusyLock(), 1u);
    EXPECT_EQ(device.ReceiveQueueSize(), 0u);
    device.QueueReceived("$GPRMC,2");
    EXPECT_EQ(device.ReceiveQueueSize(), 1u);
}

TEST(NMEADevice, TransmitQueueKeepsTheNewest500)
{
    brine_test::FakePorts ports;
    brine_test::RecordingDevice device(ports, 0, 0);
    for (int i = 0; i < 501; ++i)
        device.Send("$L" + std::to_string(i));
    EXPECT_EQ(device.TransmitQueueSize(), 500u);
    std::string line;
    ASSERT_TRUE(device.TakeOutput(line));
    EXPECT_EQ(line, "$L1");   // oldest first, the very first dropped
}

TEST(NMEADevice, PortOpensForTheFirstUserAndClosesAfterTheLast)
{
    brine_test::FakePorts ports;
    brine_test::FakePort& port = ports.Add(3);
    brine_test::RecordingDevice gps(ports, 3, 3, "GPS"), wind(ports, 3, 0, "Wind");
    ASSERT_TRUE(gps.OpenReceive());
    ASSERT_TRUE(gps.OpenTransmit());
    ASSERT_TRUE(wind.OpenReceive());
    EXPECT_EQ(port.openCalls, 1);
    EXPECT_EQ(port.GetUsers(PortChannel::Receive), 2);
    // Before any byte the sentence window says only that the port is open and waits.
    EXPECT_EQ(port.GetHistory(PortChannel::Receive),
              (std::vector<std::string>{"***GPS: COM3 open, waiting for data***",
                                        "***Wind: COM3 open, waiting for data***"}));
    EXPECT_EQ(port.GetHistory(PortChannel::Transmit),
              (std::vector<std::string>{"***GPS: COM3 open for sending***"}));

    port.Receive("$GPRMC,1\r\n");
    EXPECT_EQ(gps.WaitLines(1, 2s).size(), 1u);
    EXPECT_EQ(wind.WaitLines(1, 2s).size(), 1u);
    // Data has come: each device is told as connected, once, before the first sentence.
    port.Receive("$GPRMC,2\r\n");
    EXPECT_EQ(gps.WaitLines(2, 2s).size(), 2u);
    EXPECT_EQ(
        port.GetHistory(PortChannel::Receive),
        (std::vector<std::string>{"***GPS: COM3 open, waiting for data***",
                                  "***Wind: COM3 open, waiting for data***", "***GPS CONNECTED***",
                                  "***Wind CONNECTED***", "$GPRMC,1", "$GPRMC,2"}));

    gps.CloseReceive();   // the reader goes on for the wind
    EXPECT_TRUE(port.readerRunning);
    wind.CloseReceive();   // the last receive user: reader stops, the transmit side keeps the port
    EXPECT_FALSE(port.readerRunning);
    EXPECT_TRUE(port.IsOpen());
    gps.CloseTransmit();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.writerRunning);
    EXPECT_EQ(port.DeviceCount(PortChannel::Receive) + port.DeviceCount(PortChannel::Transmit), 0u);
}

TEST(NMEADevice, FailedOpenLeavesNothingBehind)
{
    brine_test::FakePorts ports;
    brine_test::FakePort& refusing = ports.Add(1);
    refusing.opens = false;
    brine_test::FakePort& noReader = ports.Add(2);
    noReader.readerStarts = false;
    brine_test::FakePort& good = ports.Add(4);

    const struct {
        std::uint8_t port;
        bool workerFails;
        const char* why;
    } rows[] = {{0, false, "port off"},
                {9, false, "no such port"},
                {1, false, "port will not open"},
                {2, false, "reader will not start"},
                {4, true, "device worker will not start"}};
    for (const auto& r : rows) {
        brine_test::RecordingDevice device(ports, r.port, 0);
        device.failWorkerStart = r.workerFails;
        EXPECT_FALSE(device.OpenReceive()) << r.why;
        EXPECT_FALSE(device.IsReceiveOpen()) << r.why;
    }
    for (brine_test::FakePort* port : {&refusing, &noReader, &good}) {
        EXPECT_FALSE(port->IsOpen()) << port->GetName();
        EXPECT_EQ(port->GetUsers(PortChannel::Receive), 0) << port->GetName();
        EXPECT_EQ(port->DeviceCount(PortChannel::Receive), 0u) << port->GetName();
    }
}

TEST(NMEADevice, DestroyedDeviceLeavesItsPorts)
{
    brine_test::FakePorts ports;
    brine_test::FakePort& port = ports.Add(1);
    {
        brine_test::RecordingDevice device(ports, 1, 1);
        ASSERT_TRUE(device.OpenReceive());
        ASSERT_TRUE(device.OpenTransmit());
        ASSERT_TRUE(device.Send("$GPXXX\r\n"));
    }
    EXPECT_EQ(port.DeviceCount(PortChannel::Receive) + port.DeviceCount(PortChannel::Transmit), 0u);
    EXPECT_FALSE(port.IsOpen());
    port.Receive("$GPRMC\r\n");   // nobody to hand it to, and no dangling pointer to try
    EXPECT_TRUE(port.ServeOnce().empty());
}

TEST(NMEADevice, WriterSendsOnlyWhatTheFiltersAccept)
{
    brine_test::FakePorts ports;
    brine_test::FakePort& port = ports.Add(1);
    brine_test::RecordingDevice device(ports, 0, 1);
    device.Refuse("RTE");
    ASSERT_TRUE(device.OpenTransmit());
    device.Send("$ECWPL,1\r\n");
    device.Send("$ECRTE,1\r\n");
    device.Send("$ECWPL,2\r\n");
    std::vector<std::string> sent;
    for (int pass = 0; pass < 3; ++pass)
        for (auto& line : port.ServeOnce())
            sent.push_back(line);
    EXPECT_EQ(sent, (std::vector<std::string>{"$ECWPL,1\r\n", "$ECWPL,2\r\n"}));
    EXPECT_EQ(port.GetHistory(PortChannel::Transmit).back(), "$ECWPL,2");
}

TEST(Port, HistoryKeepsTheNewest500WithoutLineEnds)
{
    brine_test::FakePort port(5);
    port.AddSentence(PortChannel::Receive, "");
    for (int i = 0; i < 501; ++i)
        port.AddSentence(PortChannel::Receive, "$L" + std::to_string(i) + "\r\n");
    const auto history = port.GetHistory(PortChannel::Receive);
    ASSERT_EQ(history.size(), 500u);
    EXPECT_EQ(history.front(), "$L1");
    EXPECT_EQ(history.back(), "$L500");
    EXPECT_EQ(nmea::CPort::PortName(255), "Network");
    EXPECT_EQ(nmea::CPort::PortName(12), "COM12");
}

}   // namespace
