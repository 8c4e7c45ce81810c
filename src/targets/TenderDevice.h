#pragma once
// The tender transceiver: one port, polled channel by channel. For each
// channel in use the poll thread sends "ATX" and the channel's code byte
// (nothing on the station network port, 255), then listens until the
// channel's window ends; every reply is credited by the serial number it
// carries, whatever channel was polled, and handed on with that channel.
//
// The poll thread waits on the receive queue up to the window's end, in
// slices of at most 100 ms so that a pause or a stop acts within that time;
// with no channel in use, or while paused, it sleeps until woken.

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "nmea/NMEADevice.h"
#include "targets/TenderSettings.h"

namespace targets {

// What the poll thread reads of the tender settings, copied whole.
struct CTenderPollTable {
    std::array<CTenderChannel, kTenderChannels> channels;
    std::array<std::optional<std::uint8_t>, kTenderChannels> codes;
    std::array<bool, kTenderSentenceCount> sentences{true, true, true};
    std::chrono::milliseconds window{3000};
    std::uint8_t port = 0;

    static CTenderPollTable From(const CTenderSettings& settings);
    bool AnyPolled() const;
};

// The channel a reply belongs to: the first one in use, not simulated, whose
// serial number equals the line's (case-sensitive); none for a line longer
// than 82 characters, not starting with "$", not a tender line or of a kind
// switched off.
std::optional<int> CreditedChannel(const CTenderPollTable& table, std::string_view line);

// The poll command of a channel: "ATX" and the code byte.
std::string PollCommand(std::uint8_t code);

class CTenderTrackingDevice final : public nmea::CNMEADevice {
public:
    using LineSink = std::function<void(int channel, std::string_view line)>;
    static constexpr std::uint8_t kNetworkPort = 255;
    static constexpr std::chrono::milliseconds kSlice{100};

    CTenderTrackingDevice(nmea::CPortDirectory& ports, LineSink sink);
    ~CTenderTrackingDevice() override;

    std::string GetName() const override { return "Target Tracking"; }
    std::uint8_t GetReceivePort() const override;
    std::uint8_t GetTransmitPort() const override;
    // Opens the receive side (and the poll thread), and the same port's
    // transmit side unless it is the station network.
    bool OpenReceive() override;
    void CloseReceive() override;

    // The table the next channel is polled with.
    void SetTable(const CTenderPollTable& table);
    // Paused, the thread finishes no window and sends nothing.
    void SetPaused(bool paused);
    bool IsPaused() const;

    // Told on the poll thread when it fails and the receive side was released.
    std::function<void()> failed;

    // Counters for tests and the port dump.
    std::uint64_t PollsSent() const { return m_polls; }

protected:
    bool StartReceiveThread() override;
    bool StartTransmitThread() override;

private:
    void Poll(std::stop_token stop);
    // Waits until a channel is in use and nothing pauses polling; false on stop.
    bool WaitForWork(std::stop_token stop, CTenderPollTable& table);

    LineSink m_sink;
    mutable std::mutex m_tableLock;
    std::condition_variable_any m_wake;
    CTenderPollTable m_table;
    bool m_paused = false;
    std::atomic<std::uint64_t> m_polls{0};
};

}   // namespace targets
