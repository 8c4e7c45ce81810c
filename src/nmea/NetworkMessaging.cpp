#include "nmea/NetworkMessaging.h"
#include "platform/Ascii.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

#include "platform/SettingsStore.h"

namespace nmea {

namespace {

using Clock = std::chrono::steady_clock;
// A peer that reads nothing while this much waits for it is dropped: it
// would otherwise hold every message posted from then on.
constexpr std::size_t kMaxPendingPerPeer = 1 << 20;

sockaddr_in SocketAddress(const Ipv4& address, std::uint16_t port)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    std::memcpy(&sa.sin_addr.s_addr, address.data(), 4);   // first octet first: network order
    return sa;
}

int NonBlockingSocket()
{
    return ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
}

std::string NetworkKey(const std::string& workspaceKey)
{
    return workspaceKey + "\\WorkSpace\\Network";
}

}   // namespace

struct CNetworkMessaging::Connection {
    int fd = -1;
    Ipv4 peer{};
    bool connecting = false;
    Clock::time_point deadline{};
    std::string pending;   // bytes not yet sent
    CStationDeframer deframer;

    ~Connection()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

std::optional<Ipv4> FirstNonLoopbackIpv4()
{
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return std::nullopt;
    std::optional<Ipv4> found;
    for (const ifaddrs* it = list; it != nullptr && !found; it = it->ifa_next) {
        if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_INET ||
            (it->ifa_flags & IFF_UP) == 0 || (it->ifa_flags & IFF_LOOPBACK) != 0)
            continue;
        Ipv4 address;
        std::memcpy(address.data(),
                    &reinterpret_cast<const sockaddr_in*>(it->ifa_addr)->sin_addr.s_addr, 4);
        found = address;
    }
    ::freeifaddrs(list);
    return found;
}

std::vector<Ipv4> LocalIpv4Addresses()
{
    std::vector<Ipv4> addresses;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return addresses;
    for (const ifaddrs* it = list; it != nullptr; it = it->ifa_next) {
        if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_INET ||
            (it->ifa_flags & IFF_UP) == 0)
            continue;
        Ipv4 address;
        std::memcpy(address.data(),
                    &reinterpret_cast<const sockaddr_in*>(it->ifa_addr)->sin_addr.s_addr, 4);
        if (std::find(addresses.begin(), addresses.end(), address) == addresses.end())
            addresses.push_back(address);
    }
    ::freeifaddrs(list);
    return addresses;
}

std::string LocalHostName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

std::optional<CSocketStart> StartSocketLayer()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return std::nullopt;
    ::close(fd);
    CSocketStart start;
    char name[kHostNameBuffer] = {};
    // A longer name fails (ENAMETOOLONG) rather than arriving cut short; the
    // last byte is checked too, for a C library that truncates silently.
    if (::gethostname(name, sizeof name) != 0 || name[sizeof name - 1] != '\0')
        return std::nullopt;
    start.hostName = name;
    const std::vector<Ipv4> addresses = LocalIpv4Addresses();
    if (addresses.empty())
        return std::nullopt;
    start.address = FirstNonLoopbackIpv4().value_or(addresses.front());
    return start;
}

bool IsLocalIpv4(const Ipv4& address)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const sockaddr_in where = SocketAddress(address, 0);
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&where), sizeof where) == 0;
    ::close(fd);
    return bound;
}

CNetworkMessaging::CNetworkMessaging(CStationOptions options)
    : m_options(std::move(options)), m_sharedFolder(m_options.applicationFolder.string())
{
    SetChosenAddress(m_options.ownAddress);
}

void CNetworkMessaging::SetChosenAddress(std::optional<Ipv4> address)
{
    if (IsStarted())
        return;   // the thread reads the own address: changed only while stopped
    m_chosen = address;
    m_own = m_chosen.value_or(FirstNonLoopbackIpv4().value_or(Ipv4{127, 0, 0, 1}));
}

CNetworkMessaging::~CNetworkMessaging()
{
    Stop();
}

void CNetworkMessaging::LoadSettings(platform::CSettingsStore& store,
                                     const std::string& workspaceKey)
{
    const std::string key = NetworkKey(workspaceKey);
    if (const auto folder = store.GetString(key, "FileFolder"))
        SetSharedFolder(*folder);
    if (const auto port = store.GetDword(key, "TCPPort"); port && *port > 0 && *port <= 65535)
        m_tcpPort = static_cast<std::uint16_t>(*port);
    // A stored address no longer this computer's (another machine's settings)
    // falls back to the automatic choice rather than a station that cannot listen.
    if (const auto text = store.GetString(key, "IPAddress")) {
        const std::optional<Ipv4> address = ParseIpv4(*text);
        SetChosenAddress(address && IsLocalIpv4(*address) ? address : std::nullopt);
    }
}

void CNetworkMessaging::SaveSettings(platform::CSettingsStore& store,
                                     const std::string& workspaceKey) const
{
    const std::string key = NetworkKey(workspaceKey);
    store.SetString(key, "FileFolder", GetSharedFolder());
    store.SetDword(key, "TCPPort", m_tcpPort);
    store.SetString(key, "IPAddress", m_chosen ? Ipv4Text(*m_chosen) : std::string());
}

void CNetworkMessaging::SetSharedFolder(const std::string& folder)
{
    std::lock_guard lock(m_folderLock);
    if (!platform::EqualNoCaseAscii(folder, m_sharedFolder))
        m_sharedFolder = folder;
}

std::string CNetworkMessaging::GetSharedFolder() const
{
    std::lock_guard lock(m_folderLock);
    return m_sharedFolder;
}

void CNetworkMessaging::Notice(std::string text)
{
    std::lock_guard lock(m_queueLock);
    m_notices.push_back(std::move(text));
}

std::vector<std::string> CNetworkMessaging::TakeNotices()
{
    std::lock_guard lock(m_queueLock);
    return std::exchange(m_notices, {});
}

bool CNetworkMessaging::Start()
{
    if (IsStarted())
        return true;
    if (!m_wake.IsValid())
        return false;
    const int fd = NonBlockingSocket();
    const int on = 1;
    // Stations that share a computer each listen on their own chosen address.
    const sockaddr_in where = SocketAddress(m_chosen ? m_own : Ipv4{0, 0, 0, 0}, m_tcpPort);
    if (fd < 0 || ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        ::bind(fd, reinterpret_cast<const sockaddr*>(&where), sizeof where) != 0 ||
        ::listen(fd, 5) != 0) {
        Notice("Station messaging cannot listen on TCP port " + std::to_string(m_tcpPort) + ": " +
               std::strerror(errno) + ".");
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    m_listen = fd;
    // Whatever was posted since the last flush goes to the peers of this start.
    {
        std::lock_guard lock(m_queueLock);
        m_running = true;
    }
    m_wake.Clear();
    m_thread = std::jthread([this](std::stop_token stop) { Run(stop); });
    return true;
}

bool CNetworkMessaging::Stop()
{
    if (!IsStarted())
        return true;
    m_thread.request_stop();
    m_wake.Signal();
    m_thread.join();
    {
        std::lock_guard lock(m_queueLock);
        m_running = false;
    }
    ::close(m_listen);
    m_listen = -1;
    std::lock_guard lock(m_countLock);
    m_counts = {};
    return true;
}

bool CNetworkMessaging::PostMessage(std::uint8_t type, std::string payload)
{
    if (payload.size() > kMaxPayload)
        return false;
    {
        std::lock_guard lock(m_queueLock);
        if (!m_running && m_outgoing.size() >= m_options.stoppedOutgoingLimit)
            m_outgoing.pop_front();
        m_outgoing.push_back(EncodeStationRecord(type, payload));
    }
    m_wake.Signal();
    return true;
}

void CNetworkMessaging::FlushOutgoing()
{
    {
        std::lock_guard lock(m_queueLock);
        if (!m_running) {
            m_outgoing.clear();   // no peer to send to
            return;
        }
    }
    m_wake.Signal();
}

std::deque<CStationMessage> CNetworkMessaging::TakeIncoming()
{
    std::deque<CStationMessage> taken;
    {
        std::lock_guard lock(m_queueLock);
        taken.swap(m_incoming);
    }
    if (!taken.empty())
        m_wake.Signal();   // reading may have paused on a full queue
    return taken;
}

CNetworkMessaging::CCounts CNetworkMessaging::Counts() const
{
    std::lock_guard lock(m_countLock);
    return m_counts;
}

void CNetworkMessaging::Connect(const Ipv4& peer, bool announce)
{
    if (peer == m_own)
        return;
    // A join from a peer we hold a connection to means it restarted: the old one is dead.
    std::erase_if(m_send, [&](const auto& c) { return c->peer == peer; });
    auto connection = std::make_unique<Connection>();
    connection->fd = NonBlockingSocket();
    connection->peer = peer;
    if (connection->fd < 0)
        return;
    const sockaddr_in where = SocketAddress(peer, m_tcpPort);
    if (m_chosen) {   // from the chosen address, as a station on its own computer would
        const sockaddr_in from = SocketAddress(m_own, 0);
        ::bind(connection->fd, reinterpret_cast<const sockaddr*>(&from), sizeof from);
    }
    if (::connect(connection->fd, reinterpret_cast<const sockaddr*>(&where), sizeof where) != 0 &&
        errno != EINPROGRESS)
        return;   // unreachable at once: left out silently
    connection->connecting = true;
    connection->deadline = Clock::now() + m_options.connectTimeout;
    // Only our own join announces us. A connection back to a station that
    // joined carries no join: that station would take it for a restart of
    // ours, connect again with its own join, and the two would go round for ever.
    if (announce)
        connection->pending =
            EncodeStationRecord(kStationJoin, std::string(m_own.begin(), m_own.end()));
    m_send.push_back(std::move(connection));
}

void CNetworkMessaging::Join()
{
    std::filesystem::path folder = GetSharedFolder();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder, ec))
        folder = m_options.applicationFolder;
    // A folder that cannot take files (a read-only program folder) holds no
    // station list: this station listens but joins no one, without a word.
    if (::access(folder.c_str(), W_OK) != 0)
        return;
    const CPeerFileResult result =
        JoinPeerFile(folder / kPeerFileName, m_own, m_options.peerFileTimeout);
    if (!result.ok) {
        Notice(result.error);
        return;
    }
    for (const Ipv4& peer : result.others)
        Connect(peer, true);
    std::lock_guard lock(m_countLock);
    m_counts.joined = true;
}

void CNetworkMessaging::Leave()
{
    std::filesystem::path folder = GetSharedFolder();
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
        folder = m_options.applicationFolder;
    // A folder that cannot take files holds no record of ours: nothing to say.
    if (::access(folder.c_str(), W_OK) == 0) {
        const CPeerFileResult result =
            LeavePeerFile(folder / kPeerFileName, m_own, m_options.peerFileTimeout);
        if (!result.ok)
            Notice(result.error);
    }
    // The leave record goes out with whatever each peer is still owed; a
    // peer that cannot take it at once loses it, as it would lose us anyway.
    const std::string leave =
        EncodeStationRecord(kStationLeave, std::string(m_own.begin(), m_own.end()));
    for (const auto& c : m_send) {
        if (c->connecting)
            continue;
        c->pending += leave;
        while (!c->pending.empty()) {
            const ssize_t n = ::send(c->fd, c->pending.data(), c->pending.size(), MSG_NOSIGNAL);
            if (n <= 0)
                break;
            c->pending.erase(0, static_cast<std::size_t>(n));
        }
    }
    m_send.clear();
    m_receive.clear();
}

void CNetworkMessaging::Run(std::stop_token stop)
{
    Join();
    std::vector<pollfd> fds;
    std::array<char, 4096> buffer;
    while (!stop.stop_requested()) {
        bool incomingFull = false;
        {
            // Every queued message goes to every peer, connected or about to be.
            std::lock_guard lock(m_queueLock);
            for (const std::string& record : m_outgoing)
                for (const auto& c : m_send)
                    c->pending += record;
            m_outgoing.clear();
            incomingFull = m_incoming.size() >= m_options.incomingLimit;
        }
        std::erase_if(m_send, [](const auto& c) { return c->pending.size() > kMaxPendingPerPeer; });

        fds.clear();
        fds.push_back({m_wake.Fd(), POLLIN, 0});
        fds.push_back({m_listen, POLLIN, 0});
        for (const auto& c : m_send)
            fds.push_back(
                {c->fd,
                 static_cast<short>(POLLIN | (c->connecting || !c->pending.empty() ? POLLOUT : 0)),
                 0});
        for (const auto& c : m_receive)
            fds.push_back({c->fd, static_cast<short>(incomingFull ? 0 : POLLIN), 0});
        int timeout = 1000;
        const auto now = Clock::now();
        for (const auto& c : m_send)
            if (c->connecting)
                timeout = std::min<int>(
                    timeout,
                    static_cast<int>(std::max<long long>(
                        0, std::chrono::duration_cast<std::chrono::milliseconds>(c->deadline - now)
                                   .count() +
                               1)));
        {
            std::lock_guard lock(m_countLock);
            m_counts.sending = static_cast<std::size_t>(std::count_if(
                m_send.begin(), m_send.end(), [](const auto& c) { return !c->connecting; }));
            m_counts.connecting = m_send.size() - m_counts.sending;
            m_counts.receiving = m_receive.size();
        }
        if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR)
            break;
        if (fds[0].revents != 0)
            m_wake.Clear();
        if (stop.stop_requested())
            break;

        // New connections join the list after this pass: the poll entries
        // below line up with the connections polled.
        std::vector<std::unique_ptr<Connection>> accepted;
        if ((fds[1].revents & POLLIN) != 0) {
            sockaddr_in from{};
            socklen_t fromSize = sizeof from;
            for (int fd; (fd = ::accept4(m_listen, reinterpret_cast<sockaddr*>(&from), &fromSize,
                                         SOCK_NONBLOCK | SOCK_CLOEXEC)) >= 0;
                 fromSize = sizeof from) {
                accepted.push_back(std::make_unique<Connection>());
                accepted.back()->fd = fd;
                // Stations connect from their chosen address: it names the sender.
                std::memcpy(accepted.back()->peer.data(), &from.sin_addr.s_addr, 4);
            }
        }

        // Outgoing connections: finish connecting, send what is owed, notice a close.
        std::size_t at = 2;
        const auto later = Clock::now();
        std::vector<Connection*> dead;
        for (const auto& c : m_send) {
            const short revents = fds[at++].revents;
            if (c->connecting) {
                if ((revents & (POLLOUT | POLLERR | POLLHUP)) == 0) {
                    if (later >= c->deadline)
                        dead.push_back(c.get());
                    continue;
                }
                int error = 0;
                socklen_t length = sizeof error;
                ::getsockopt(c->fd, SOL_SOCKET, SO_ERROR, &error, &length);
                if (error != 0) {
                    dead.push_back(c.get());
                    continue;
                }
                c->connecting = false;
            }
            if ((revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                // Peers never send on this connection: anything here is its end.
                const ssize_t n = ::recv(c->fd, buffer.data(), buffer.size(), 0);
                if (n <= 0 && !(n < 0 && (errno == EAGAIN || errno == EINTR))) {
                    dead.push_back(c.get());
                    continue;
                }
            }
            while (!c->pending.empty()) {
                const ssize_t n = ::send(c->fd, c->pending.data(), c->pending.size(), MSG_NOSIGNAL);
                if (n > 0) {
                    c->pending.erase(0, static_cast<std::size_t>(n));
                    continue;
                }
                if (n < 0 && (errno == EAGAIN || errno == EINTR))
                    break;
                dead.push_back(c.get());
                break;
            }
        }

        // Accepted connections: records in, a broken or closed one dropped.
        std::vector<Ipv4> joined, left;
        for (const auto& c : m_receive) {
            const short revents = fds[at++].revents;
            if (revents == 0)
                continue;
            const ssize_t n = ::recv(c->fd, buffer.data(), buffer.size(), 0);
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            if (n <= 0) {
                dead.push_back(c.get());
                continue;
            }
            const auto state = c->deframer.Feed(
                std::span<const char>(buffer.data(), static_cast<std::size_t>(n)),
                [&](const CStationMessage& message) {
                    Ipv4 address{};
                    if (message.type == kStationJoin || message.type == kStationLeave)
                        std::memcpy(address.data(), message.payload.data(), 4);
                    if (message.type == kStationJoin)
                        joined.push_back(address);
                    else if (message.type == kStationLeave)
                        left.push_back(address);
                    else {
                        std::lock_guard lock(m_queueLock);
                        m_incoming.push_back(message);
                        m_incoming.back().sender = c->peer;
                    }
                });
            if (state == CStationDeframer::State::Broken) {
                // Whatever sent it is no station of ours (or a broken one):
                // the user hears of it once, and the records before it stand.
                Notice("Station messaging: " + Ipv4Text(c->peer) +
                       " sent data that is not a station record; its connection was closed.");
                dead.push_back(c.get());
            }
        }
        const auto isDead = [&](const auto& c) {
            return std::find(dead.begin(), dead.end(), c.get()) != dead.end();
        };
        std::erase_if(m_send, isDead);
        std::erase_if(m_receive, isDead);
        for (auto& connection : accepted)
            m_receive.insert(m_receive.begin(), std::move(connection));
        for (const Ipv4& peer : left)
            std::erase_if(m_send, [&](const auto& c) { return c->peer == peer; });
        // A joiner is not told of us again: it connected to us in its own
        // join, and a join back would make it reconnect, and so on for ever.
        for (const Ipv4& peer : joined)
            Connect(peer, false);
    }
    Leave();
}

}   // namespace nmea
