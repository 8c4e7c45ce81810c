#pragma once
// Station messaging: copies of the program on one local network tell each
// other about shared-database changes, log rows and track points, and relay
// instrument sentences. Each station listens on one TCP port, finds the
// others through the peer file in a shared folder, keeps one outgoing
// connection to each and accepts one from each.
//
// One thread does all the network work: it polls every socket, connects
// without blocking (all peers at once, each with a 2 s time-out), reads and
// checks records, and sends. Any thread may post; the frame's timer takes
// what came in. The incoming queue is bounded: when it is full the thread
// stops reading until it is taken, so a flood slows its sender, never the
// program. The user-interface thread never waits on a peer.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "nmea/PeerFile.h"
#include "nmea/StationRecord.h"
#include "nmea/WakeEvent.h"

namespace platform {
class CSettingsStore;
}

namespace nmea {

// The first IPv4 address of an interface that is up and not a loopback; the
// host name's address is often 127.0.1.1 and no use to other stations.
std::optional<Ipv4> FirstNonLoopbackIpv4();

// Every IPv4 address of an interface that is up, loopback included.
std::vector<Ipv4> LocalIpv4Addresses();
// This computer's host name; empty when the system gives none.
std::string LocalHostName();

// What start-up takes from the socket layer before any window exists.
struct CSocketStart {
    std::string hostName;   // as read into a buffer of 50 characters
    Ipv4 address{};   // the first non-loopback IPv4 address, else the first loopback one
};
inline constexpr std::size_t kHostNameBuffer = 50;
inline constexpr const char* kSocketStartFailedText = "Failed to Initialise sockets";

// Opens and closes an IPv4 socket, reads the host name and the host's first
// IPv4 address. Empty when any of the three fails: no socket can be had, the
// name does not fit the buffer, or no interface that is up has an IPv4 address.
std::optional<CSocketStart> StartSocketLayer();

// True when a socket can be bound to the address here: it is one of this
// computer's (any of 127.x.x.x counts).
bool IsLocalIpv4(const Ipv4& address);

struct CStationOptions {
    std::optional<Ipv4> ownAddress;   // the chosen address; otherwise FirstNonLoopbackIpv4
    std::chrono::milliseconds connectTimeout{2000};
    std::chrono::milliseconds peerFileTimeout{15000};
    std::size_t incomingLimit = 1000;
    // Messages posted while stopped wait for the next flush, which drops them;
    // past this many the oldest goes at once, should no flush come.
    std::size_t stoppedOutgoingLimit = 1000;
    std::filesystem::path applicationFolder = ".";   // the shared folder when none is usable
};

class CNetworkMessaging {
public:
    static constexpr std::uint16_t kDefaultTcpPort = 1024;

    explicit CNetworkMessaging(CStationOptions options = {});
    ~CNetworkMessaging();
    CNetworkMessaging(const CNetworkMessaging&) = delete;
    CNetworkMessaging& operator=(const CNetworkMessaging&) = delete;

    // "<workspace key>\WorkSpace\Network": "FileFolder", "TCPPort" and
    // "IPAddress" (empty: the first address of the network, any interface listened on).
    void LoadSettings(platform::CSettingsStore& store, const std::string& workspaceKey);
    void SaveSettings(platform::CSettingsStore& store, const std::string& workspaceKey) const;

    // Replaced only when it differs, without regard to case.
    void SetSharedFolder(const std::string& folder);
    std::string GetSharedFolder() const;
    void SetTcpPort(std::uint16_t port) { m_tcpPort = port; }
    std::uint16_t GetTcpPort() const { return m_tcpPort; }
    Ipv4 OwnAddress() const { return m_own; }
    // The address chosen for this station: it listens and connects from there
    // only, so stations on one computer each keep their own. None: the first
    // address of the network, listening on every interface. Set while stopped.
    void SetChosenAddress(std::optional<Ipv4> address);
    std::optional<Ipv4> ChosenAddress() const { return m_chosen; }

    // Listens and joins (the join runs on the messaging thread). False, with
    // the reason among the notices, when the port cannot be listened on.
    bool Start();
    // Leaves (peer file, leave records) and closes every connection.
    bool Stop();
    bool IsStarted() const { return m_thread.joinable(); }

    // Queues a message for every peer, started or not; false only for a
    // payload over 495 bytes, which no record can carry. Any thread.
    bool PostMessage(std::uint8_t type, std::string payload);
    // The frame's timer pass: queued messages go out now to the peers
    // connected or connecting; while stopped there are none and they are dropped.
    void FlushOutgoing();
    // The messages received since the last call, oldest first.
    std::deque<CStationMessage> TakeIncoming();
    // Problems worth telling the user (peer file locked, port in use).
    std::vector<std::string> TakeNotices();

    struct CCounts {
        std::size_t sending = 0;   // connected outgoing connections
        std::size_t connecting = 0;   // outgoing connections not yet up
        std::size_t receiving = 0;   // accepted connections
        bool joined = false;
    };
    CCounts Counts() const;

private:
    struct Connection;
    void Run(std::stop_token stop);
    void Join();
    void Leave();
    // An outgoing connection to `peer`, opened with our join record when
    // `announce` (our own join), without it when connecting back to a joiner.
    void Connect(const Ipv4& peer, bool announce);
    void Notice(std::string text);

    const CStationOptions m_options;
    std::optional<Ipv4> m_chosen;
    Ipv4 m_own{};
    std::atomic<std::uint16_t> m_tcpPort{kDefaultTcpPort};
    mutable std::mutex m_folderLock;
    std::string m_sharedFolder;

    int m_listen = -1;
    CWakeEvent m_wake;
    std::jthread m_thread;
    bool m_running = false;   // under m_queueLock: the thread takes the outgoing queue

    mutable std::mutex m_queueLock;   // the three queues below
    std::deque<std::string> m_outgoing;   // encoded records
    std::deque<CStationMessage> m_incoming;
    std::vector<std::string> m_notices;

    // The messaging thread's own.
    std::vector<std::unique_ptr<Connection>> m_send;
    std::vector<std::unique_ptr<Connection>> m_receive;
    mutable std::mutex m_countLock;
    CCounts m_counts;
};

}   // namespace nmea
