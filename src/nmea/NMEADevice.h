#pragma once
// Base of every instrument device (GPS, autopilot, wind, repeater, and the
// target devices): a receive side and a transmit side, each attached to one
// port by number, each with a queue of sentence lines under its own lock and a
// worker thread of the concrete device that empties or fills the queue.
//
// Port readers push received lines into the receive queue (newest at the
// head, 50 at most); port writers take the oldest line of the transmit queue
// and send it only when the device's talker and sentence filters accept it.
//
// Sides are opened and closed on the user-interface thread. A worker that ends
// with an exception releases its own side without waiting for itself. A
// concrete device calls CloseAll() in its own destructor, before the members
// its workers use are gone; the base destructor repeats it as a safety net so
// a device never stays attached to a port after it is destroyed.

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
#include <thread>
#include <vector>

#include "nmea/Port.h"

namespace nmea {

// One sentence a module accepts: its three-letter id, the description shown
// on the options page and whether it is enabled.
struct NMEASentenceEntry {
    std::string id;
    std::string description;
    bool enabled = true;
};
using SentenceList = std::vector<NMEASentenceEntry>;
using TalkerList = std::vector<std::string>;

// Where devices find ports by number: the program's port list, or a test's.
class CPortDirectory {
public:
    virtual ~CPortDirectory() = default;
    // The port with that number (1..12, 255), or none.
    virtual CPort* FindPort(std::uint8_t number) const = 0;
    bool IsPortAvailable(std::uint8_t number) const { return FindPort(number) != nullptr; }
    // The first serial port of the list; 0 when there is none.
    virtual std::uint8_t GetFirstPortNumber() const = 0;
};

// A stored port number as loaded: 0 stays off, an existing port stays, any
// other number falls back to the first port of the list (or off).
std::uint8_t ResolveStoredPort(const CPortDirectory& ports, std::uint8_t stored);

// Told of every device side that opens or closes: the device's name, the
// side, and whether it opened. Lets a check follow the order in which the
// program starts and stops its instruments; none by default.
using DeviceSideObserver =
    std::function<void(const std::string& device, PortChannel channel, bool opened)>;
void SetDeviceSideObserver(DeviceSideObserver observer);

class CNMEADevice {
public:
    static constexpr std::size_t kReceiveQueueLimit = 50;
    static constexpr std::size_t kTransmitQueueLimit = 500;

    explicit CNMEADevice(CPortDirectory& ports);
    virtual ~CNMEADevice();
    CNMEADevice(const CNMEADevice&) = delete;
    CNMEADevice& operator=(const CNMEADevice&) = delete;

    virtual std::string GetName() const { return {}; }
    virtual std::uint8_t GetReceivePort() const { return 0; }
    virtual std::uint8_t GetTransmitPort() const { return 0; }

    // Attach a side to its port and start its worker. False, with the side
    // closed and nothing left attached, when the port number is 0, names no
    // port, the port will not open, its thread will not start, or the
    // device's worker will not start.
    virtual bool OpenReceive();
    virtual bool OpenTransmit();
    // Detach a side and stop its worker (joined; workers see the stop at once).
    virtual void CloseReceive();
    virtual void CloseTransmit();
    void CloseAll();

    // The talker rule: "$" plus two talker letters that are not a proprietary
    // "P"; an empty list accepts every talker, otherwise an exact match.
    static bool AcceptTalker(std::string_view line, const TalkerList& talkers);
    // The sentence rule: the id after the talker, compared without case with
    // each entry in order, the first match's enabled flag decides; an empty
    // list or no match refuses.
    static bool IsSentenceEnabled(std::string_view line, const SentenceList& sentences);
    virtual bool TalkerFilter(std::string_view /*line*/) const { return true; }
    virtual bool SentenceFilter(std::string_view /*line*/) const { return true; }
    bool IsSentenceAccepted(std::string_view line) const
    {
        return TalkerFilter(line) && SentenceFilter(line);
    }

    // Appends "*" and the checksum when asked, then the line end, and hands
    // the sentence to QueueOutput.
    bool BuildSentence(bool addChecksum, std::string_view text);
    // "*" and two upper-case hex digits: XOR of everything after the '$'.
    static std::string ChecksumSuffix(std::string_view text);

    // Port readers: the line at the head of the receive queue. Waits at most
    // 5 ms for the lock, else the line is lost for this device.
    void QueueReceived(std::string_view line);
    // Port writers: the oldest line of the transmit queue; false when empty
    // or the lock stayed busy for 5 ms.
    bool TakeOutput(std::string& line);

    bool IsReceiveOpen() const { return m_receive.open; }
    bool IsTransmitOpen() const { return m_transmit.open; }
    bool IsReceiveEnabled() const { return m_receive.enabled; }
    bool IsTransmitEnabled() const { return m_transmit.enabled; }
    // The autopilot's status flag: its worker sends only while it is set.
    void SetTransmitEnabled(bool enabled);
    // The transmit side is open and its port has the instrument connected.
    bool CanTransmitNow() const;
    // The receive side is open on a port that has had its instrument since
    // it opened: a port kept open while its device node is missing or held
    // by another program receives nothing; one whose instrument went away
    // later is an instrument gone quiet.
    bool IsReceiving() const;
    std::size_t ReceiveQueueSize() const;
    // Received lines lost: the queue was full (the oldest went), or its lock
    // stayed busy for 5 ms (the new one went).
    std::uint64_t LostToFullQueue() const { return m_lostFull; }
    std::uint64_t LostToBusyLock() const { return m_lostBusy; }
    std::size_t TransmitQueueSize() const;

protected:
    // The concrete device's side has something to add: a line to compose or
    // forward. Default: nothing.
    virtual bool QueueOutput(std::string /*line*/) { return false; }
    // Start the concrete device's workers (with RunReceiveWorker /
    // RunTransmitWorker); false when there is none or it did not start.
    virtual bool StartReceiveThread() { return false; }
    virtual bool StartTransmitThread() { return false; }

    bool RunReceiveWorker(std::function<void(std::stop_token)> work);
    bool RunTransmitWorker(std::function<void(std::stop_token)> work);
    // Receive workers: the oldest received line; waits until one comes or the
    // stop is requested (then false).
    bool TakeReceived(std::stop_token stop, std::string& line);
    // As TakeReceived, but gives up at `deadline`: false on a stop or when no line came.
    bool TakeReceivedUntil(std::stop_token stop, std::chrono::steady_clock::time_point deadline,
                           std::string& line);
    // Every received line at once, oldest first (a worker that keeps up
    // takes one wake-up per burst, not one per line); false when stopping.
    bool TakeAllReceived(std::stop_token stop, std::vector<std::string>& lines);
    // Adds at the head of the transmit queue (the oldest beyond 500 dropped)
    // and wakes the port's writer.
    void PushTransmit(std::string line);
    // Wakes the transmit worker (it waits on TransmitWork()).
    void NotifyTransmitWorker();
    std::timed_mutex& TransmitLock() const { return m_transmit.lock; }
    std::timed_mutex& ReceiveLock() const { return m_receive.lock; }
    // The transmit queue's length; the caller holds TransmitLock().
    std::size_t TransmitQueueSizeLocked() const { return m_transmit.queue.size(); }
    std::condition_variable_any& TransmitWork() { return m_transmit.work; }

    // Attach and detach one port to the receive side without workers: the
    // repeater reads several ports at once.
    bool AttachReceivePortRaw(CPort& port);
    void DetachReceivePortRaw(CPort& port);
    void MarkReceiveOpen(bool open);

    // Release a side from its own worker after a failure: detach without
    // waiting for the worker (it is ending).
    void ReleaseReceive();
    void ReleaseTransmit();

    CPortDirectory& Ports() const { return m_ports; }

private:
    struct Side {
        std::deque<std::string> queue;   // newest at the head
        mutable std::timed_mutex lock;   // guards queue
        std::condition_variable_any work;   // a worker waits here
        std::jthread worker;
        std::atomic<bool> open{false};
        std::atomic<bool> enabled{false};
        CPort* port = nullptr;   // while attached; guarded by m_sideLock
    };
    bool OpenSide(PortChannel channel);
    void CloseSide(PortChannel channel, bool join);
    Side& Of(PortChannel channel)
    {
        return channel == PortChannel::Receive ? m_receive : m_transmit;
    }
    bool RunWorker(Side& side, PortChannel channel, std::function<void(std::stop_token)> work);

    CPortDirectory& m_ports;
    std::atomic<std::uint64_t> m_lostFull{0};
    std::atomic<std::uint64_t> m_lostBusy{0};
    std::mutex m_sideLock;   // open/close/release of either side
    Side m_receive;
    Side m_transmit;
};

}   // namespace nmea
