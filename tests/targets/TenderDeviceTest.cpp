// The tender transceiver on a pseudo-terminal (socat): the poll bytes of a
// channel, nothing sent on the station network port or with no channel in
// use, replies credited by their serial number whatever window they arrive
// in, the 82-character limit, pause and stop within their bounds, and an
// idle poll thread that costs next to nothing.
#include "targets/TenderDevice.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "../nmea/PtyPair.h"
#include "TempFolder.h"
#include "nmea/ComPort.h"

using namespace targets;
using namespace std::chrono_literals;

namespace {

class Ports : public nmea::CPortDirectory {
public:
    void Add(nmea::CPort* port) { m_ports.push_back(port); }
    nmea::CPort* FindPort(std::uint8_t number) const override
    {
        for (nmea::CPort* p : m_ports)
            if (p->GetNumber() == number)
                return p;
        return nullptr;
    }
    std::uint8_t GetFirstPortNumber() const override { return 1; }

private:
    std::vector<nmea::CPort*> m_ports;
};

// What the device handed on, waited for without sleeping.
class Sink {
public:
    void operator()(int channel, std::string_view line)
    {
        std::lock_guard lock(m_lock);
        m_got.emplace_back(channel, std::string(line));
        m_more.notify_all();
    }
    bool WaitFor(std::size_t count, std::chrono::milliseconds limit)
    {
        std::unique_lock lock(m_lock);
        return m_more.wait_for(lock, limit, [&] { return m_got.size() >= count; });
    }
    std::vector<std::pair<int, std::string>> Got()
    {
        std::lock_guard lock(m_lock);
        return m_got;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_more;
    std::vector<std::pair<int, std::string>> m_got;
};

CTenderPollTable Table(std::uint8_t port, std::chrono::milliseconds window)
{
    CTenderSettings settings;
    settings.receivePort = port;
    CTenderPollTable table = CTenderPollTable::From(settings);
    table.window = window;
    return table;
}

const std::string kRmc = "$PABX,1234,RMC,123519,A,4736.000,N,12224.000,W,3.5,90.0,071226,,";

class TenderDeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        pty = std::make_unique<brine_test::PtyPair>(dir.Path(), "usb-Tender_1");
        ASSERT_TRUE(pty->Running());
        port = std::make_unique<nmea::CComPort>(1, pty->Path().string());
        network = std::make_unique<nmea::CComPort>(CTenderTrackingDevice::kNetworkPort,
                                                   pty->Path().string());
        ports.Add(port.get());
        ports.Add(network.get());
        device = std::make_unique<CTenderTrackingDevice>(
            ports, [this](int c, std::string_view l) { sink(c, l); });
    }
    void TearDown() override
    {
        if (device)
            device->CloseReceive();
    }

    brine_test::TempFolder dir;
    std::unique_ptr<brine_test::PtyPair> pty;
    std::unique_ptr<nmea::CComPort> port, network;
    Ports ports;
    Sink sink;
    std::unique_ptr<CTenderTrackingDevice> device;
};

}   // namespace

TEST(TenderCredit, BySerialAndForm)
{
    CTenderPollTable table = Table(1, 3000ms);
    table.channels[1].valid = true;   // no serial: never matches
    table.channels[2] = {"Sim", true, "1234", true, false};   // simulated: never matches
    table.channels[4] = {"Five", true, "1234", false, false};
    table.channels[6] = {"Seven", true, "1234", false, false};   // the first match wins
    table.channels[8] = {"Off", false, "5678", false, false};
    EXPECT_EQ(CreditedChannel(table, kRmc), 4);
    EXPECT_EQ(CreditedChannel(table, kRmc + "\r\n"), 4);
    EXPECT_EQ(CreditedChannel(table, "$pabx,1234,rmc,,A"), 4);   // prefix and kind, any case
    EXPECT_EQ(CreditedChannel(table, "$PABX,5678,MOVB"), std::nullopt);   // channel not in use
    EXPECT_EQ(CreditedChannel(table, "$PABX,4321,MOVB"), std::nullopt);
    EXPECT_EQ(CreditedChannel(table, "PABX,1234,MOVB"), std::nullopt);
    std::string at82 = "$PABX,1234,DBT,";
    at82 += std::string(82 - at82.size(), '1');
    EXPECT_EQ(CreditedChannel(table, at82), 4);
    EXPECT_EQ(CreditedChannel(table, at82 + "1"), std::nullopt);
    // One checksum digit is the whole checksum (the XOR here is 4).
    EXPECT_EQ(CreditedChannel(table, "$PABX,1234,MOVB,1*4"), 4);
    EXPECT_EQ(CreditedChannel(table, "$PABX,1234,MOVB,1*5"), std::nullopt);
    table.sentences[kTenderMOVB] = false;
    EXPECT_EQ(CreditedChannel(table, "$PABX,1234,MOVB"), std::nullopt);
    EXPECT_EQ(PollCommand(0x0A), std::string("ATX\n"));
}

TEST_F(TenderDeviceTest, PollsChannelFiveAndCreditsRepliesBySerial)
{
    CTenderPollTable table = Table(1, 1000ms);
    table.channels[4] = {"Five", true, "1234", false, false};
    table.channels[1] = {"Two", true, "5678", false, false};
    device->SetTable(table);
    ASSERT_TRUE(device->OpenReceive());
    // Channel 2 first (code 04), then channel 5 (code 0A), each with its window.
    const std::string polls = pty->Receive(8, 3000ms);
    ASSERT_EQ(polls.size(), 8u);
    EXPECT_EQ(polls.substr(0, 4), std::string("ATX\x04", 4));
    EXPECT_EQ(polls.substr(4, 4), std::string("\x41\x54\x58\x0A", 4));
    // During channel 5's window, a reply of channel 2's tender is credited to channel 2.
    ASSERT_TRUE(pty->Send("$PABX,5678,MOVB\r\n"));
    ASSERT_TRUE(pty->Send(kRmc + "\r\n"));
    ASSERT_TRUE(pty->Send("$PABX,9999,MOVB\r\n"));
    ASSERT_TRUE(sink.WaitFor(2, 3000ms));
    std::this_thread::sleep_for(200ms);
    const auto got = sink.Got();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].first, 1);
    EXPECT_EQ(got[1].first, 4);
    EXPECT_EQ(got[1].second.rfind(kRmc, 0), 0u);
}

TEST_F(TenderDeviceTest, NothingSentOnTheNetworkPortRepliesStillRead)
{
    CTenderPollTable table = Table(CTenderTrackingDevice::kNetworkPort, 500ms);
    table.channels[4] = {"Five", true, "1234", false, false};
    device->SetTable(table);
    ASSERT_TRUE(device->OpenReceive());
    ASSERT_TRUE(pty->Send(kRmc + "\r\n"));
    ASSERT_TRUE(sink.WaitFor(1, 3000ms));
    EXPECT_EQ(pty->Receive(1, 1500ms), "");
    EXPECT_EQ(device->PollsSent(), 0u);
}

TEST_F(TenderDeviceTest, NoChannelInUseSendsNothingPauseAndStopAreQuick)
{
    device->SetTable(Table(1, 3000ms));
    ASSERT_TRUE(device->OpenReceive());
    EXPECT_EQ(pty->Receive(1, 1000ms), "");

    CTenderPollTable table = Table(1, 3000ms);
    table.channels[4] = {"Five", true, "1234", false, false};
    device->SetTable(table);
    EXPECT_EQ(pty->Receive(4, 2000ms), std::string("ATX\n"));
    // Paused, the thread takes no line; resumed, it takes the waiting one.
    device->SetPaused(true);
    std::this_thread::sleep_for(CTenderTrackingDevice::kSlice + 50ms);
    ASSERT_TRUE(pty->Send(kRmc + "\r\n"));
    EXPECT_FALSE(sink.WaitFor(1, 500ms));
    device->SetPaused(false);
    EXPECT_TRUE(sink.WaitFor(1, 2000ms));

    const auto t0 = std::chrono::steady_clock::now();
    device->CloseReceive();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 1s);
    EXPECT_FALSE(device->IsReceiveOpen());
}

// Seventeen channels in use and none answering: the poll thread waits, it does not spin.
TEST_F(TenderDeviceTest, SilentChannelsCostUnderOnePercentOfACore)
{
    CTenderPollTable table = Table(1, 1000ms);
    for (int i = 0; i < kTenderChannels; ++i)
        table.channels[std::size_t(i)] = {"T", true, "1000", false, false};
    device->SetTable(table);
    ASSERT_TRUE(device->OpenReceive());
    // The process's time less this thread's: what the device's threads used,
    // without the reads of the polls below, which wake every 50 ms and on a
    // loaded machine cost this thread more than the whole budget.
    auto cpu = [] {
        auto of = [](int who) {
            rusage u{};
            ::getrusage(who, &u);
            return std::chrono::microseconds(u.ru_utime.tv_sec * 1000000L + u.ru_utime.tv_usec +
                                             u.ru_stime.tv_sec * 1000000L + u.ru_stime.tv_usec);
        };
        return of(RUSAGE_SELF) - of(RUSAGE_THREAD);
    };
    const auto c0 = cpu();
    const auto t0 = std::chrono::steady_clock::now();
    pty->Receive(1000, 3000ms);   // drains the polls meanwhile
    const auto used = cpu() - c0;
    const auto wall = std::chrono::steady_clock::now() - t0;
    EXPECT_LT(double(used.count()),
              0.01 * double(std::chrono::duration_cast<std::chrono::microseconds>(wall).count()))
        << used.count() << " us of CPU in " << std::chrono::duration<double>(wall).count() << " s";
    EXPECT_GE(device->PollsSent(), 2u);
}

// Polls on the real threads and port: each channel in use gets its window of
// the channel duration in channel order, so a round of two channels lasts two
// windows, and a channel not in use costs no time. The times are counted in
// windows from the moment the receive side opened, before the first poll
// could go: a poll read late (the reader waits its turn on a loaded machine)
// then never makes the next one look early.
TEST_F(TenderDeviceTest, EachChannelInUseIsPolledOnceItsWindowInChannelOrder)
{
    constexpr auto kWindow = 400ms;
    CTenderPollTable table = Table(1, kWindow);
    table.channels[1] = {"Two", true, "5678", false, false};
    table.channels[2] = {"Off", false, "9999", false, false};
    table.channels[4] = {"Five", true, "1234", false, false};
    device->SetTable(table);
    const auto opened = std::chrono::steady_clock::now();
    ASSERT_TRUE(device->OpenReceive());
    std::vector<std::chrono::milliseconds> after;
    std::string codes;
    for (int i = 0; i < 5; ++i) {
        const std::string poll = pty->Receive(4, 2000ms);
        after.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - opened));
        ASSERT_EQ(poll.size(), 4u) << i;
        EXPECT_EQ(poll.substr(0, 3), "ATX");
        codes += poll[3];
    }
    EXPECT_EQ(codes, std::string("\x04\x0A\x04\x0A\x04", 5));
    // Poll i goes out when i windows have ended, never sooner.
    for (std::size_t i = 1; i < after.size(); ++i)
        EXPECT_GE(after[i], i * kWindow) << i;
    // The fifth poll comes after four windows: had the channel not in use
    // taken a window of its own, two more would have passed.
    EXPECT_LT(after.back(), 5 * kWindow);
}

// A poll thread that fails releases the receive side, leaves the transmit
// side it opened for the polls, and says so.
TEST_F(TenderDeviceTest, APollThreadThatFailsReleasesThePort)
{
    std::atomic<int> failures = 0;
    device = std::make_unique<CTenderTrackingDevice>(
        ports, [](int, std::string_view) { throw std::runtime_error("parser"); });
    device->failed = [&failures] { ++failures; };
    CTenderPollTable table = Table(1, 500ms);
    table.channels[4] = {"Five", true, "1234", false, false};
    device->SetTable(table);
    ASSERT_TRUE(device->OpenReceive());
    ASSERT_TRUE(device->IsTransmitOpen());
    ASSERT_TRUE(pty->Send(kRmc + "\r\n"));
    for (int i = 0; i < 300 && device->IsReceiveOpen(); ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(failures, 1);
    EXPECT_FALSE(device->IsReceiveOpen());
    EXPECT_FALSE(device->IsTransmitOpen());
}

// The receive port is the transmit port too: open, the device is one of its
// transmit users and the port's transmit history shows the device connected
// and each poll as sent; closed, it is no user of either side.
TEST_F(TenderDeviceTest, ThePollsGoOutOnTheReceivePortAndInItsHistory)
{
    CTenderPollTable table = Table(1, 300ms);
    table.channels[1] = {"Two", true, "1234", false, false};
    device->SetTable(table);
    EXPECT_EQ(device->GetName(), "Target Tracking");
    ASSERT_TRUE(device->OpenReceive());
    EXPECT_EQ(device->GetTransmitPort(), 1);
    EXPECT_EQ(port->GetUsers(nmea::PortChannel::Transmit), 1);
    EXPECT_EQ(port->GetUsers(nmea::PortChannel::Receive), 1);
    ASSERT_EQ(pty->Receive(8, 2000ms), PollCommand(0x04) + PollCommand(0x04));
    bool connected = false;
    int polls = 0;
    for (const std::string& line : port->GetHistory(nmea::PortChannel::Transmit)) {
        connected = connected || line.find("***Target Tracking CONNECTED***") == 0;
        polls += line == "ATX\x04";
    }
    EXPECT_TRUE(connected);
    EXPECT_GE(polls, 1);
    device->CloseReceive();
    EXPECT_EQ(port->GetUsers(nmea::PortChannel::Transmit), 0);
    EXPECT_EQ(port->GetUsers(nmea::PortChannel::Receive), 0);
}
