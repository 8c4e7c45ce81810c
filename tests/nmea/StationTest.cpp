// Station messaging: the record deframer and the peer file on their own,
// then station processes on 127.0.0.2 and up sharing one folder, and a
// hostile peer written in Python.

#include "nmea/NetworkMessaging.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <thread>

#include "ChildProcess.h"
#include "PythonScript.h"
#include "TempFolder.h"
#include "platform/SettingsStore.h"

using namespace std::chrono_literals;

namespace {

std::string Record(std::uint32_t count, std::uint8_t type, std::string_view payload)
{
    std::string bytes;
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<char>((count >> shift) & 0xFF));
    bytes.push_back(static_cast<char>(type));
    return bytes + std::string(payload);
}

TEST(StationRecord, DeframerTrustsNothing)
{
    const std::string join = nmea::EncodeStationRecord(0, std::string("\x7f\x00\x00\x02", 4));
    const std::string line = nmea::EncodeStationRecord(7, "$GPGLL,1*00\r\n");
    const struct {
        const char* name;
        std::vector<std::string> chunks;
        std::vector<std::uint8_t> types;
        bool broken;
    } rows[] = {
        {"two records in one segment", {join + line}, {0, 7}, false},
        {"a record split over segments",
         {line.substr(0, 3), line.substr(3, 5), line.substr(8)},
         {7},
         false},
        {"the largest record", {Record(496, 2, std::string(495, 'p'))}, {2}, false},
        {"N = 0", {Record(0, 7, "")}, {}, true},
        {"N = 497", {Record(497, 7, std::string(496, 'p'))}, {}, true},
        {"N = 2^32 - 1", {Record(0xFFFFFFFF, 7, "")}, {}, true},
        {"a join of the wrong size", {line + Record(3, 0, "ab")}, {7}, true},
        {"a leave of the wrong size", {Record(9, 1, "12345678")}, {}, true},
        {"half a record", {line.substr(0, 10)}, {}, false},
    };
    for (const auto& r : rows) {
        nmea::CStationDeframer deframer;
        std::vector<std::uint8_t> types;
        auto state = nmea::CStationDeframer::State::Ok;
        for (const std::string& chunk : r.chunks)
            state = deframer.Feed(chunk,
                                  [&](const nmea::CStationMessage& m) { types.push_back(m.type); });
        EXPECT_EQ(types, r.types) << r.name;
        EXPECT_EQ(state == nmea::CStationDeframer::State::Broken, r.broken) << r.name;
    }
    nmea::CStationDeframer deframer;
    std::string payload;
    deframer.Feed(line, [&](const nmea::CStationMessage& m) { payload = m.payload; });
    EXPECT_EQ(payload, "$GPGLL,1*00\r\n");
}

TEST(PeerFile, JoinAndLeaveKeepOtherStations)
{
    brine_test::TempFolder folder;
    const auto file = folder.Path() / std::string(nmea::kPeerFileName);
    const nmea::Ipv4 a{192, 168, 1, 20}, b{10, 0, 0, 8}, own{10, 0, 0, 9};
    EXPECT_EQ(nmea::FormatPeerRecord(a), "192.168.001.020\n");
    EXPECT_EQ(nmea::ParseIpv4("010.000.000.008"), b) << "zero-padded octets are decimal";
    EXPECT_FALSE(nmea::ParseIpv4("10.0.0.256"));
    EXPECT_FALSE(nmea::ParseIpv4("10.0.0"));

    auto first = nmea::JoinPeerFile(file, own);   // the first station: no file yet
    ASSERT_TRUE(first.ok) << first.error;
    EXPECT_TRUE(first.others.empty());
    // Others joined (one written in a form this station cannot read), and a
    // copy of ours was left by a crash.
    const std::string unreadable = "10.0.0.7       \n";
    std::ofstream(file, std::ios::app)
        << nmea::FormatPeerRecord(a) << unreadable << nmea::FormatPeerRecord(b);
    const auto again = nmea::JoinPeerFile(file, own);
    ASSERT_TRUE(again.ok);
    EXPECT_EQ(again.others, (std::vector<nmea::Ipv4>{a, b}));
    auto read = [&] {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_EQ(read(), nmea::FormatPeerRecord(a) + unreadable + nmea::FormatPeerRecord(b) +
                          nmea::FormatPeerRecord(own));

    const auto left = nmea::LeavePeerFile(file, own);
    ASSERT_TRUE(left.ok);
    EXPECT_EQ(read(), nmea::FormatPeerRecord(a) + unreadable + nmea::FormatPeerRecord(b))
        << "every other record is kept as it was";

    // Another station holds the lock: the change waits, then gives up with a message.
    const int held = ::open(file.c_str(), O_RDWR);
    flock whole{};
    whole.l_type = F_WRLCK;
    ASSERT_EQ(::fcntl(held, F_OFD_SETLK, &whole), 0);
    const auto start = std::chrono::steady_clock::now();
    const auto blocked = nmea::JoinPeerFile(file, own, 300ms);
    EXPECT_FALSE(blocked.ok);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
    EXPECT_NE(blocked.error.find("stayed locked by another station"), std::string::npos)
        << blocked.error;
    ::close(held);
    EXPECT_TRUE(nmea::JoinPeerFile(file, own, 300ms).ok);
}

// The shared folder and the port live under the workspace's Network key; the
// folder is replaced only by one that differs in more than case.
TEST(Stations, SettingsAndSharedFolder)
{
    brine_test::TempFolder folder;
    nmea::CStationOptions options;
    options.applicationFolder = folder.Path() / "program";
    nmea::CNetworkMessaging messaging(options);
    EXPECT_EQ(messaging.GetSharedFolder(), (folder.Path() / "program").string())
        << "the program folder by default";
    EXPECT_EQ(messaging.GetTcpPort(), 1024);

    messaging.SetSharedFolder("/srv/Stations");
    messaging.SetSharedFolder("/SRV/stations");
    EXPECT_EQ(messaging.GetSharedFolder(), "/srv/Stations");
    messaging.SetSharedFolder("/srv/other");
    EXPECT_EQ(messaging.GetSharedFolder(), "/srv/other");

    platform::CSettingsStore store(folder.Path() / "settings.conf");
    const std::string key = "Software\\Maker\\Program\\Default\\WorkSpace\\Network";
    messaging.SetTcpPort(40123);
    messaging.SaveSettings(store, "Software\\Maker\\Program\\Default");
    EXPECT_EQ(store.GetString(key, "FileFolder"), "/srv/other");
    EXPECT_EQ(store.GetDword(key, "TCPPort"), 40123u);

    nmea::CNetworkMessaging loaded(options);
    loaded.LoadSettings(store, "Software\\Maker\\Program\\Default");
    EXPECT_EQ(loaded.GetSharedFolder(), "/srv/other");
    EXPECT_EQ(loaded.GetTcpPort(), 40123);
    // A port no socket can have leaves the one in use.
    store.SetDword(key, "TCPPort", 70000);
    loaded.LoadSettings(store, "Software\\Maker\\Program\\Default");
    EXPECT_EQ(loaded.GetTcpPort(), 40123);
}

// One station process, driven through its standard input and output.
class Station {
public:
    Station(const std::string& address, const std::filesystem::path& folder, int port)
        : m_address(address)
    {
        // A station that died fails the test through its output and exit
        // code, not by killing this process on the next command it is sent.
        ::signal(SIGPIPE, SIG_IGN);
        int in[2], out[2];
        EXPECT_EQ(::pipe2(in, O_CLOEXEC), 0);
        EXPECT_EQ(::pipe2(out, O_CLOEXEC), 0);
        const char* bin = std::getenv("BRINE_BIN_DIR");
        const std::string program = std::string(bin ? bin : ".") + "/brine_station_peer";
        const std::string portText = std::to_string(port);
        m_pid = ::fork();
        if (m_pid == 0) {
            // The station itself must survive peers that close on it.
            ::signal(SIGPIPE, SIG_DFL);
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::execl(program.c_str(), program.c_str(), address.c_str(), folder.c_str(),
                    portText.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        m_in = in[1];
        m_out = out[0];
    }
    ~Station()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            brine_test::WaitChild(m_pid);
        }
        ::close(m_in);
        ::close(m_out);
    }

    const std::string& Address() const { return m_address; }
    std::string Output() const
    {
        std::string all;
        for (const std::string& line : m_lines)
            all += line + "\n";
        return all + m_pending;
    }
    void Send(const std::string& command)
    {
        EXPECT_GT(::write(m_in, (command + "\n").data(), command.size() + 1), 0);
    }

    // The first output line starting with `prefix` (consumed), within `limit`.
    std::optional<std::string> WaitLine(const std::string& prefix,
                                        std::chrono::milliseconds limit = 5s)
    {
        const auto until = std::chrono::steady_clock::now() + limit;
        for (;;) {
            for (auto it = m_lines.begin(); it != m_lines.end(); ++it)
                if (it->rfind(prefix, 0) == 0) {
                    std::string line = *it;
                    m_lines.erase(it);
                    return line;
                }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                until - std::chrono::steady_clock::now());
            if (left <= 0ms)
                return std::nullopt;
            pollfd p{m_out, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
                continue;
            char buffer[65536];
            const ssize_t n = ::read(m_out, buffer, sizeof buffer);
            if (n <= 0)
                return std::nullopt;
            m_pending.append(buffer, static_cast<std::size_t>(n));
            for (std::size_t end; (end = m_pending.find('\n')) != std::string::npos;
                 m_pending.erase(0, end + 1))
                m_lines.push_back(m_pending.substr(0, end));
        }
    }
    // Waits until "counts" answers `expected` (sending, connecting, receiving, joined).
    bool WaitCounts(const std::string& expected, std::chrono::milliseconds limit = 5s)
    {
        const auto until = std::chrono::steady_clock::now() + limit;
        std::string last;
        while (std::chrono::steady_clock::now() < until) {
            Send("counts");
            if (auto line = WaitLine("counts", 1s)) {
                last = *line;
                if (line->rfind("counts " + expected, 0) == 0)
                    return true;
            }
            std::this_thread::sleep_for(20ms);
        }
        ADD_FAILURE() << m_address << ": " << last << " instead of " << expected;
        return false;
    }
    void Kill()
    {
        ::kill(m_pid, SIGKILL);
        brine_test::WaitChild(m_pid);
        m_pid = 0;
    }
    int Quit()
    {
        Send("quit");
        WaitLine("left");
        const int code = brine_test::WaitChild(m_pid);
        m_pid = 0;
        return code;
    }

private:
    std::string m_address;
    pid_t m_pid = 0;
    int m_in = -1, m_out = -1;
    std::string m_pending;
    std::vector<std::string> m_lines;
};

template <class Condition>
bool WaitForText(Condition condition, std::chrono::milliseconds limit = 5s)
{
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// A port below the system's range for outgoing connections (so none of them
// can take it meanwhile) that every test address can listen on now.
int TestPort()
{
    static unsigned seed =
        static_cast<unsigned>(::getpid()) * 7919u +
        static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 100; ++attempt) {
        seed = seed * 1103515245u + 12345u;
        const int port = 10000 + static_cast<int>((seed >> 8) % 22000);
        bool free = true;
        for (std::uint32_t host = 2; host <= 6 && free; ++host) {
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in where{};
            where.sin_family = AF_INET;
            where.sin_port = htons(static_cast<std::uint16_t>(port));
            where.sin_addr.s_addr = htonl(0x7F000000u + host);
            free = ::bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) == 0;
            ::close(fd);
        }
        if (free)
            return port;
    }
    ADD_FAILURE() << "no free port";
    return 0;
}

std::string PeerFileText(const std::filesystem::path& folder)
{
    std::ifstream in(folder / std::string(nmea::kPeerFileName), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Python's view of the peer file: every record well formed, the addresses in order.
std::string PythonPeers(const std::filesystem::path& folder)
{
    const auto out = brine_test::RunPython(
        "import re\n"
        "data = open(r'" +
        (folder / std::string(nmea::kPeerFileName)).string() +
        "', 'rb').read()\n"
        "assert len(data) % 16 == 0, len(data)\n"
        "recs = [data[i:i + 16].decode('ascii') for i in range(0, len(data), 16)]\n"
        "assert all(re.fullmatch(r'\\d{3}\\.\\d{3}\\.\\d{3}\\.\\d{3}\\n', r) for r in recs), recs\n"
        "print(' '.join('.'.join(str(int(o)) for o in r[:15].split('.')) for r in recs))\n");
    return out ? brine_test::SplitLines(*out).at(0) : "python refused the file";
}

TEST(Stations, FourStationsRelayLeaveAndSurviveACrash)
{
    brine_test::TempFolder folder;
    const int port = TestPort();
    std::vector<std::unique_ptr<Station>> stations;
    for (int i = 2; i <= 5; ++i) {
        stations.push_back(
            std::make_unique<Station>("127.0.0." + std::to_string(i), folder.Path(), port));
        ASSERT_TRUE(stations.back()->WaitLine("joined")) << stations.back()->Output();
    }
    // One send and one receive connection per pair.
    for (auto& s : stations)
        ASSERT_TRUE(s->WaitCounts("3 0 3 1"));
    EXPECT_EQ(PythonPeers(folder.Path()), "127.0.0.2 127.0.0.3 127.0.0.4 127.0.0.5");

    // A relayed sentence arrives byte-exact at every other station.
    stations[1]->Send("line $GPGLL,4916.45,N,12311.12,W,225444,A*31");
    for (std::size_t i : {0u, 2u, 3u}) {
        const auto got = stations[i]->WaitLine("msg 7 ");
        ASSERT_TRUE(got) << stations[i]->Address();
        EXPECT_EQ(*got, "msg 7 $GPGLL,4916.45,N,12311.12,W,225444,A*31\r");
    }
    EXPECT_FALSE(stations[1]->WaitLine("msg 7", 200ms)) << "nothing comes back to the sender";

    // Leaving removes the record; the others drop both connections to it.
    EXPECT_EQ(stations[3]->Quit(), 0);
    EXPECT_EQ(PythonPeers(folder.Path()), "127.0.0.2 127.0.0.3 127.0.0.4");
    for (std::size_t i : {0u, 1u, 2u})
        EXPECT_TRUE(stations[i]->WaitCounts("2 0 2 1"));

    // A station killed while it joins: the others' records stay, its own is left behind.
    stations[3] = std::make_unique<Station>("127.0.0.5", folder.Path(), port);
    ASSERT_TRUE(WaitForText(
        [&] { return PeerFileText(folder.Path()).find("127.000.000.005") != std::string::npos; }));
    stations[3]->Kill();
    EXPECT_EQ(PythonPeers(folder.Path()), "127.0.0.2 127.0.0.3 127.0.0.4 127.0.0.5");
    // The next joiner tries the dead one once and joins the living.
    const auto start = std::chrono::steady_clock::now();
    Station sixth("127.0.0.6", folder.Path(), port);
    ASSERT_TRUE(sixth.WaitLine("joined"));
    EXPECT_TRUE(sixth.WaitCounts("3 0 3 1", 4s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3500ms) << "one connect time-out at most";
}

TEST(Stations, HostilePeerNeverStopsAStation)
{
    brine_test::TempFolder folder;
    const int port = TestPort();
    Station a("127.0.0.2", folder.Path(), port), b("127.0.0.3", folder.Path(), port);
    ASSERT_TRUE(a.WaitLine("joined"));
    ASSERT_TRUE(b.WaitLine("joined"));
    ASSERT_TRUE(a.WaitCounts("1 0 1 1"));

    std::jthread hostile([&] {
        const auto out = brine_test::RunPython(
            "import socket, struct, time\n"
            "def peer():\n"
            "    s = socket.create_connection(('127.0.0.2', " +
            std::to_string(port) +
            "))\n"
            "    return s\n"
            "def closed(s):\n"
            "    s.settimeout(2)\n"
            "    try:\n"
            "        return s.recv(1) == b''\n"
            "    except ConnectionResetError:\n"
            "        return True\n"
            "results = []\n"
            "for bad in [struct.pack('<IB', 0, 7), struct.pack('<IB', 2**32 - 1, 7), "
            "struct.pack('<IB', 3, 0) + b'ab']:\n"
            "    s = peer(); s.sendall(bad); results.append(closed(s)); s.close()\n"
            "half = peer(); half.sendall(struct.pack('<IB', 40, 7) + b'half')   # then silence\n"
            "flood = peer()\n"
            "record = struct.pack('<IB', 101, 9) + b'f' * 100\n"
            "end = time.time() + 1.0\n"
            "sent = 0\n"
            "flood.settimeout(0.05)\n"
            "while time.time() < end:\n"
            "    try:\n"
            "        flood.send(record * 50); sent += 50\n"
            "    except socket.timeout:\n"
            "        pass\n"
            "print(*results, sent)\n"
            "half.close(); flood.close()\n");
        ASSERT_TRUE(out);
        EXPECT_EQ(out->substr(0, 15), "True True True ") << *out;
    });
    // While the hostile peer works, B's sentences still reach A.
    for (int i = 0; i < 5; ++i) {
        b.Send("line $IIMWV," + std::to_string(i));
        const auto got = a.WaitLine("msg 7 $IIMWV," + std::to_string(i), 3s);
        EXPECT_TRUE(got) << "sentence " << i;
        std::this_thread::sleep_for(150ms);
    }
    hostile.join();
    // The user is told what the station did with it, naming where it came from.
    const auto told = a.WaitLine("notice Station messaging: 127.0.0.1 sent data that is not a "
                                 "station record; its connection was closed.",
                                 3s);
    EXPECT_TRUE(told) << "no notice of the refused data";
    a.Send("line $GPZDA,after");
    EXPECT_TRUE(b.WaitLine("msg 7 $GPZDA,after", 3s));
    EXPECT_TRUE(a.WaitCounts("1 0 1 1")) << "the hostile connections are gone";
    EXPECT_EQ(a.Quit(), 0);
    EXPECT_EQ(b.Quit(), 0);
    EXPECT_EQ(PeerFileText(folder.Path()), "");
}

TEST(Stations, OwnAddressIsNotLoopback)
{
    if (const auto own = nmea::FirstNonLoopbackIpv4())
        EXPECT_NE((*own)[0], 127);
    nmea::CNetworkMessaging messaging;
    EXPECT_TRUE(messaging.PostMessage(7, "x")) << "queued while stopped";
    nmea::CStationOptions options;
    options.ownAddress = nmea::Ipv4{127, 0, 0, 9};
    brine_test::TempFolder folder;
    options.applicationFolder = folder.Path();
    nmea::CNetworkMessaging alone(options);
    alone.SetTcpPort(static_cast<std::uint16_t>(TestPort()));
    ASSERT_TRUE(alone.Start());
    EXPECT_FALSE(alone.PostMessage(7, std::string(496, 'x'))) << "a payload over 495 bytes";
    EXPECT_TRUE(alone.PostMessage(7, std::string(495, 'x')));
    alone.FlushOutgoing();   // nobody to send to: dropped
    EXPECT_TRUE(alone.Stop());
}

// Posting never depends on the station being started: what is posted waits
// for the next timer pass, which sends it to the peers of that moment, none
// while stopped. A station restarted between two passes (options applied,
// refresh) sends what was posted meanwhile.
TEST(Stations, PostedWhileStoppedGoesOutOnlyIfStartedBeforeTheNextFlush)
{
    brine_test::TempFolder shared;
    const auto port = static_cast<std::uint16_t>(TestPort());
    const auto station = [&](std::uint8_t host) {
        nmea::CStationOptions options;
        options.ownAddress = nmea::Ipv4{127, 0, 0, host};
        options.applicationFolder = shared.Path();
        options.stoppedOutgoingLimit = 2;
        auto messaging = std::make_unique<nmea::CNetworkMessaging>(options);
        messaging->SetSharedFolder(shared.Path().string());
        messaging->SetTcpPort(port);
        return messaging;
    };
    const auto a = station(2), b = station(3);
    ASSERT_TRUE(b->Start());
    ASSERT_TRUE(WaitForText([&] { return b->Counts().joined; })) << "b in the peer file first";

    EXPECT_TRUE(a->PostMessage(nmea::kStationLogRow, "dropped by the flush"));
    a->FlushOutgoing();
    for (const char* text : {"pushed out by the limit", "first", "second"})
        EXPECT_TRUE(a->PostMessage(nmea::kStationLogRow, text)) << text;
    ASSERT_TRUE(a->Start());
    a->FlushOutgoing();

    std::vector<std::string> received;
    ASSERT_TRUE(WaitForText([&] {
        for (nmea::CStationMessage& m : b->TakeIncoming())
            received.push_back(m.payload);
        return received.size() >= 2;
    }));
    std::this_thread::sleep_for(200ms);
    for (nmea::CStationMessage& m : b->TakeIncoming())
        received.push_back(m.payload);
    EXPECT_EQ(received, (std::vector<std::string>{"first", "second"}));

    // Started, the limit does not apply: nothing waits long enough to need it.
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(a->PostMessage(nmea::kStationLogRow, std::to_string(i)));
    a->FlushOutgoing();
    received.clear();
    EXPECT_TRUE(WaitForText([&] {
        for (nmea::CStationMessage& m : b->TakeIncoming())
            received.push_back(m.payload);
        return received.size() >= 5;
    }));
    EXPECT_EQ(received, (std::vector<std::string>{"0", "1", "2", "3", "4"}));
    a->Stop();
    b->Stop();
}

TEST(Stations, AFloodWaitsInTheSendersBuffersNotInTheIncomingQueue)
{
    // A station taking at most 50 records, flooded by a peer with 2,000
    // records of 105 bytes while nobody takes any: it stops reading when the
    // queue is full, so the queue holds the limit plus what one receive of
    // 4,096 bytes (and a partial record before it) brought, and the rest
    // waits in the peer's and the kernel's buffers.
    brine_test::TempFolder folder;
    const int port = TestPort();
    constexpr std::size_t kLimit = 50;
    constexpr int kRecords = 2000;
    constexpr std::size_t kPayload = 100;
    const std::size_t oneReceive = (4096 + 4 + kPayload) / (5 + kPayload);
    nmea::CStationOptions quiet;
    quiet.ownAddress = nmea::Ipv4{127, 0, 0, 2};
    quiet.applicationFolder = folder.Path();
    quiet.incomingLimit = kLimit;
    nmea::CStationOptions loud = quiet;
    loud.ownAddress = nmea::Ipv4{127, 0, 0, 3};
    loud.incomingLimit = 1000;
    nmea::CNetworkMessaging receiver(quiet), sender(loud);
    for (nmea::CNetworkMessaging* station : {&receiver, &sender}) {
        station->SetSharedFolder(folder.Path().string());
        station->SetTcpPort(static_cast<std::uint16_t>(port));
        ASSERT_TRUE(station->Start());
    }
    ASSERT_TRUE(WaitForText([&] {
        const auto r = receiver.Counts(), s = sender.Counts();
        return r.joined && s.joined && r.receiving == 1 && s.sending == 1 && r.sending == 1;
    })) << "the two stations never connected";

    for (int i = 0; i < kRecords; ++i) {
        std::string payload = std::to_string(i);
        payload.resize(kPayload, '.');
        ASSERT_TRUE(sender.PostMessage(nmea::kStationSentence, payload));
    }
    sender.FlushOutgoing();
    // Over loopback the whole flood would be in within milliseconds if the
    // station kept reading.
    std::this_thread::sleep_for(1s);
    std::vector<int> seen;
    const auto take = [&] {
        auto batch = receiver.TakeIncoming();
        for (const nmea::CStationMessage& m : batch) {
            EXPECT_EQ(m.type, nmea::kStationSentence);
            EXPECT_EQ(m.payload.size(), kPayload);
            seen.push_back(std::stoi(m.payload));
        }
        return batch.size();
    };
    const std::size_t first = take();
    EXPECT_GE(first, kLimit) << "the queue filled to its limit";
    EXPECT_LE(first, kLimit + oneReceive) << "the queue never holds more than the limit and "
                                             "one receive";
    // Taken, the rest arrive: every record once, in the order sent (which
    // also holds only while the two stations keep their one connection each
    // way rather than reconnecting).
    const auto until = std::chrono::steady_clock::now() + 20s;
    while (seen.size() < static_cast<std::size_t>(kRecords) &&
           std::chrono::steady_clock::now() < until) {
        EXPECT_LE(take(), kLimit + oneReceive);
        std::this_thread::sleep_for(2ms);
    }
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(kRecords));
    for (int i = 0; i < kRecords; ++i)
        ASSERT_EQ(seen[static_cast<std::size_t>(i)], i) << "record " << i;
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(take(), 0u) << "nothing doubled";
    EXPECT_TRUE(sender.Stop());
    EXPECT_TRUE(receiver.Stop());
}

}   // namespace
