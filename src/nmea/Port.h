#pragma once
// A port carries sentences between the instruments and the devices attached
// to it. It has a receive channel and a transmit channel; each keeps the
// devices attached to it, a count of its users, the last 500 lines that went
// through it and the flags of its thread (the port's reader or writer).
//
// The serial ports and the network port fill the virtual operations. Ports
// live for the whole run; devices attach and detach on the user-interface
// thread while the port's threads walk the device lists under the channel's
// device lock.
//
// Lock order: a channel's device lock, then a device's queue lock (taken with
// a 5 ms try-lock, so a busy device loses a line and never stalls the port).

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace nmea {

class CNMEADevice;

enum class PortChannel : std::uint8_t { Receive, Transmit };

// What a port's instrument link looks like right now, for the message bar.
struct CPortCondition {
    bool open = false;   // a device uses the port
    bool connected = false;   // the device node is there and held
    // The instrument has been connected since the port opened: a port that
    // lost it later still belongs to a receiving instrument (its silence is
    // a loss of data), one that never had it receives nothing.
    bool instrumentSeen = false;
    std::string reason;   // why an open port is not connected
};

class CPort;

// "COM1 disconnected: " and why: the message bar's line and the dump
// windows' of a port that has lost its instrument.
std::string PortDisconnectedText(const CPort& port, const CPortCondition& condition);

class CPort {
public:
    static constexpr std::uint8_t kNetworkPort = 255;
    static constexpr std::uint8_t kLastSerialPort = 12;
    static constexpr std::size_t kHistoryLimit = 500;

    explicit CPort(std::uint8_t number);
    virtual ~CPort();
    CPort(const CPort&) = delete;
    CPort& operator=(const CPort&) = delete;

    std::uint8_t GetNumber() const { return m_number; }
    // "COM1".."COM12", "Network" for 255.
    std::string GetName() const { return PortName(m_number); }
    static std::string PortName(std::uint8_t number);

    virtual bool IsOpen() const { return false; }
    virtual bool Open() { return false; }
    // Start the channel's thread unless it runs; true when it runs.
    virtual bool StartReader() { return false; }
    virtual bool StartWriter() { return false; }
    virtual bool Close() { return false; }
    // Ask the channel's thread to stop, wake it and join it.
    virtual void StopReceiveThread() { }
    virtual void StopTransmitThread() { }
    virtual CPortCondition GetCondition() const;

    void AttachDevice(PortChannel channel, CNMEADevice& device);
    void DetachDevice(PortChannel channel, CNMEADevice& device);
    std::size_t DeviceCount(PortChannel channel) const;
    void AdjustUsers(PortChannel channel, int delta);
    int GetUsers(PortChannel channel) const;

    // A device's side joins the channel: the port opened when needed, the
    // channel's thread started, one user more, the device attached and an
    // "open, waiting for data" (or "open for sending") line in the history;
    // the first data that passes then puts "***<device> CONNECTED***" before
    // it, once for each device that was waiting. False, with nothing
    // changed but a port opened and closed again, when the port will not open or the thread will
    // not start.
    bool AttachUser(PortChannel channel, CNMEADevice& device, std::string_view deviceName);
    // The reverse: detached, one user less, the thread stopped when it was the
    // channel's last user, the port closed when neither channel has one.
    void DetachUser(PortChannel channel, CNMEADevice& device);

    // True when open; otherwise the result of Open.
    bool EnsureOpen();
    // Closes the port when neither channel has users; true when it stays open
    // because of them, or was closed, or was not open.
    bool CloseIfUnused();

    void SetRunning(PortChannel channel, bool running);
    void SetEnabled(PortChannel channel, bool enabled);
    bool IsEnabled(PortChannel channel) const;

    // The channel's history: line ends removed, empty lines ignored, the
    // newest 500 kept.
    void AddSentence(PortChannel channel, std::string_view line);
    std::vector<std::string> GetHistory(PortChannel channel) const;
    // Copies at most `count` lines from `first` (0 the oldest) into `lines`
    // under the history lock; returns the number of lines the history holds.
    std::size_t CopyHistory(PortChannel channel, std::size_t first, std::size_t count,
                            std::vector<std::string>& lines) const;
    // Called on the port's thread after the history changed; a window hands it
    // on to its own thread. Skipped when the listener is being replaced.
    void SetHistoryListener(PortChannel channel, std::function<void()> listener);

    // Devices call this after queueing a line for output.
    void WakeWriter();

    // Gives a received line to every attached receive device, then records it.
    void DeliverReceived(std::string_view line);

protected:
    // One pass of the writer: the oldest queued line of each transmit device
    // that its filters accept goes to `send`, which answers how many bytes
    // left. True when any device had a line.
    bool ServeTransmitDevices(const std::function<std::size_t(std::string_view)>& send);
    // Waits until a device queued output, the stop is requested or `timeout`
    // passes; true when there is output to serve.
    bool WaitForOutput(std::stop_token stop, std::chrono::milliseconds timeout);
    // Data is passing: each device still waiting is told in the history as connected.
    void AnnounceConnected(PortChannel channel);

private:
    struct Channel {
        std::atomic<int> users{0};
        std::atomic<bool> running{false};
        std::atomic<bool> enabled{false};
        mutable std::mutex historyLock;
        std::deque<std::string> history;
        // Devices attached that no data has passed for yet (under historyLock).
        std::vector<std::pair<const CNMEADevice*, std::string>> waiting;
        mutable std::mutex deviceLock;
        std::vector<CNMEADevice*> devices;
        std::timed_mutex viewLock;
        std::function<void()> listener;
    };
    Channel& Of(PortChannel channel)
    {
        return channel == PortChannel::Receive ? m_receive : m_transmit;
    }
    const Channel& Of(PortChannel channel) const
    {
        return channel == PortChannel::Receive ? m_receive : m_transmit;
    }

    const std::uint8_t m_number;
    std::mutex m_useLock;   // attach and detach of users, from any thread
    Channel m_receive;
    Channel m_transmit;
    std::mutex m_outputLock;
    std::condition_variable_any m_outputReady;
    bool m_outputPending = false;
};

}   // namespace nmea
