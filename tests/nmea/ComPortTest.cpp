// The serial port on pseudo-terminals made by socat: framing across reads,
// the line settings as stty sees them, an adapter pulled out and plugged back,
// a device held by another program, threads a step below their starter's
// priority, and threads that stop at once.

#include "nmea/ComPort.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "ChildProcess.h"
#include "FakePort.h"
#include "PtyPair.h"
#include "RecordingDevice.h"
#include "TempFolder.h"
#include "nmea/PortList.h"
#include "nmea/SerialDevice.h"

using namespace std::chrono_literals;
using nmea::CComPort;
using nmea::PortChannel;

namespace {

const char* kAdapter = "usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0";

class OnePort : public nmea::CPortDirectory {
public:
    explicit OnePort(std::vector<nmea::CPort*> ports) : m_ports(std::move(ports)) { }
    nmea::CPort* FindPort(std::uint8_t number) const override
    {
        for (nmea::CPort* port : m_ports)
            if (port->GetNumber() == number)
                return port;
        return nullptr;
    }
    std::uint8_t GetFirstPortNumber() const override { return m_ports.front()->GetNumber(); }

private:
    std::vector<nmea::CPort*> m_ports;
};

// What "stty -a" prints for the terminal open on `fd`; none when it fails.
std::optional<std::string> SttyOn(int fd)
{
    int out[2];
    if (::pipe(out) != 0)
        return std::nullopt;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fd, 0);
        ::dup2(out[1], 1);
        ::execlp("stty", "stty", "-a", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    std::string text;
    char buffer[1024];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    ::close(out[0]);
    return brine_test::WaitChild(pid) == 0 ? std::optional(text) : std::nullopt;
}

// Polls `condition` until it holds or `limit` passes; the time it took.
template <class Condition>
std::optional<std::chrono::milliseconds> TimeUntil(Condition condition,
                                                   std::chrono::milliseconds limit)
{
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < limit) {
        if (condition())
            return std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - start);
        std::this_thread::sleep_for(10ms);
    }
    return std::nullopt;
}

TEST(ComPort, FramesLinesAcrossReadsAndWritesThemOut)
{
    brine_test::TempFolder folder;
    brine_test::PtyPair pty(folder.Path(), kAdapter);
    ASSERT_TRUE(pty.Running());
    CComPort port(1, pty.Path().string());
    OnePort ports({&port});
    brine_test::RecordingDevice device(ports, 1, 1);
    ASSERT_TRUE(device.OpenReceive());
    ASSERT_TRUE(device.OpenTransmit());
    EXPECT_TRUE(port.GetCondition().connected);

    // Pieces written apart arrive in separate reads.
    for (const char* piece : {"noise$GPRMC,1", "23,A*00", "\r", "\n$GPGGA,1$GPGLL,2*00\r\n"}) {
        ASSERT_TRUE(pty.Send(piece));
        std::this_thread::sleep_for(20ms);
    }
    const std::string ninety = "$" + std::string(89, 'X');
    ASSERT_TRUE(pty.Send(ninety + "\r\n$GPZDA*00\r\n"));
    const auto lines = device.WaitLines(5, 3s);
    EXPECT_EQ(lines, (std::vector<std::string>{"$GPRMC,123,A*00\r\n", "$GPGGA,1", "$GPGLL,2*00\r\n",
                                               ninety.substr(0, 84), "$GPZDA*00\r\n"}));

    // Out: byte-exact, in order, one line after the other.
    ASSERT_TRUE(device.Send("$ECWPL,1*00\r\n"));
    ASSERT_TRUE(device.Send("$ECWPL,2*00\r\n"));
    EXPECT_EQ(pty.Receive(26, 3s), "$ECWPL,1*00\r\n$ECWPL,2*00\r\n");
}

TEST(ComPort, LineSettingsAsSttySeesThem)
{
    brine_test::TempFolder folder;
    brine_test::PtyPair pty(folder.Path(), kAdapter);
    ASSERT_TRUE(pty.Running());
    for (const bool autoConfigure : {true, false}) {
        int error = 0;
        // Set the pty to something else first, so the automatic settings show.
        // (A pty takes no character size or parity: those stay 8N1 anyway.)
        ASSERT_EQ(std::system(("stty -F " + pty.Path().string() +
                               " 9600 -clocal ixon icanon echo start ^A stop ^B")
                                  .c_str()),
                  0);
        auto device = nmea::CSerialDevice::Open(pty.Path().string(), autoConfigure, error);
        ASSERT_TRUE(device) << error;
        // stty on the descriptor we hold (its standard input), so the exclusive open is not in the
        // way.
        const auto out = SttyOn(device->Fd());
        ASSERT_TRUE(out);
        std::set<std::string> words;
        std::istringstream split(*out);
        for (std::string word; split >> word;)
            words.insert(word.back() == ';' ? word.substr(0, word.size() - 1) : word);
        for (const char* raw : {"-icanon", "-echo", "-isig", "-opost", "-icrnl"})
            EXPECT_TRUE(words.count(raw)) << raw << " in\n" << *out;
        // A read returns at once with what is there, whichever way the line is set.
        EXPECT_NE(out->find("min = 0; time = 0;"), std::string::npos) << *out;
        // Software flow control is a line setting: written off with XON and
        // XOFF as 17 and 19 when configuring, else left as the user set it.
        const std::vector<std::string> expected =
            autoConfigure ? std::vector<std::string>{"4800",     "cs8",    "-parenb", "-cstopb",
                                                     "-crtscts", "clocal", "-ixon",   "-ixoff"}
                          : std::vector<std::string>{"9600", "-clocal", "ixon"};
        for (const std::string& word : expected)
            EXPECT_TRUE(words.count(word)) << word << " in\n" << *out;
        const std::string characters =
            autoConfigure ? "start = ^Q; stop = ^S;" : "start = ^A; stop = ^B;";
        EXPECT_NE(out->find(characters), std::string::npos) << characters << " in\n" << *out;
    }
}

// What the instrument sent before the port opened is stale: it is thrown away,
// also when the line settings are left as they are.
TEST(ComPort, BytesWaitingBeforeTheOpenAreDiscarded)
{
    for (const bool autoConfigure : {true, false}) {
        brine_test::TempFolder folder;
        brine_test::PtyPair pty(folder.Path(), kAdapter);
        ASSERT_TRUE(pty.Running());
        ASSERT_TRUE(pty.Send("$GPRMC,stale*00\r\n$GPGLL,sta"));
        // socat passes them on to the program's side, where they wait to be read.
        std::this_thread::sleep_for(200ms);
        CComPort port(1, pty.Path().string(), nmea::CComPortOptions{autoConfigure});
        OnePort ports({&port});
        brine_test::RecordingDevice device(ports, 1, 0);
        ASSERT_TRUE(device.OpenReceive());
        ASSERT_TRUE(pty.Send("le*00\r\n$GPRMC,fresh*00\r\n"));
        EXPECT_EQ(device.WaitLines(2, 1s), (std::vector<std::string>{"$GPRMC,fresh*00\r\n"}))
            << (autoConfigure ? "configured" : "left as it was");
    }
}

// COM1 on a fresh pseudo-terminal pair, its settings left as the port makes them.
class ComPortOnPty : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(pty.Running()); }

    brine_test::TempFolder folder;
    brine_test::PtyPair pty{folder.Path(), kAdapter};
    CComPort port{1, pty.Path().string()};
    OnePort ports{{&port}};
};

// A device that falls behind keeps the newest 50 lines the port received and
// loses the oldest; the port's own history goes on.
TEST_F(ComPortOnPty, ADeviceThatFallsBehindKeepsTheNewestFiftyLines)
{
    brine_test::RecordingDevice device(ports, 1, 0);
    device.Hold();
    ASSERT_TRUE(device.OpenReceive());
    std::string burst;
    for (int i = 0; i < 60; ++i)
        burst += "$GPGLL," + std::to_string(i) + "*00\r\n";
    ASSERT_TRUE(pty.Send(burst));
    ASSERT_TRUE(TimeUntil(
        [&] { return port.GetHistory(PortChannel::Receive).back() == "$GPGLL,59*00"; }, 3s));
    device.LetGo();
    const auto lines = device.WaitLines(50, 2s);
    ASSERT_EQ(lines.size(), 50u);
    EXPECT_EQ(lines.front(), "$GPGLL,10*00\r\n");
    EXPECT_EQ(lines.back(), "$GPGLL,59*00\r\n");
    EXPECT_EQ(device.LostToFullQueue(), 10u);
}

// The device stays held while any device uses the port, and is let go (for
// another program to take) when the last one leaves.
TEST_F(ComPortOnPty, TheLastDeviceToLeaveLetsTheSerialDeviceGo)
{
    brine_test::RecordingDevice gps(ports, 1, 0, "GPS"), wind(ports, 1, 0, "Wind");
    ASSERT_TRUE(gps.OpenReceive());
    ASSERT_TRUE(wind.OpenReceive());
    const auto otherProgramOpens = [&] {
        int error = 0;
        return nmea::CSerialDevice::Open(pty.Path().string(), true, error) != nullptr;
    };
    EXPECT_FALSE(otherProgramOpens());

    gps.CloseReceive();
    EXPECT_TRUE(port.IsOpen());
    EXPECT_FALSE(otherProgramOpens());
    ASSERT_TRUE(pty.Send("$WIMWV,1*00\r\n"));
    EXPECT_EQ(wind.WaitLines(1, 2s).size(), 1u) << "the reader goes on for the other device";

    wind.CloseReceive();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(otherProgramOpens());
}

// On a line that takes nothing more, a write runs out of its budget or is
// stopped part-way: the transmit history holds exactly the bytes that went
// out, and what was not written is not tried again.
TEST_F(ComPortOnPty, TransmitHistoryHoldsOnlyWhatWasWritten)
{
    brine_test::RecordingDevice device(ports, 0, 1);
    ASSERT_TRUE(device.OpenTransmit());
    // More than the buffers on the way (the terminals' and socat's) hold.
    constexpr int kLines = 400;
    for (int i = 0; i < kLines; ++i) {
        char number[8];
        std::snprintf(number, sizeof number, "%03d", i);
        device.Send("$ECXXX," + std::string(number) + "," + std::string(290, 'Z') + "\r\n");
    }
    // Nobody reads the other end: the buffers fill and a write stalls.
    std::this_thread::sleep_for(2500ms);
    device.CloseTransmit();
    std::string received = pty.Receive(kLines * 301, 1500ms);
    std::erase_if(received, [](char c) { return c == '\r' || c == '\n'; });
    std::string recorded;
    std::size_t lines = 0;
    for (const std::string& line : port.GetHistory(PortChannel::Transmit))
        if (line.rfind("***", 0) != 0) {
            recorded += line;
            ++lines;
        }
    EXPECT_GT(received.size(), 0u);
    EXPECT_LT(lines, static_cast<std::size_t>(kLines)) << "the line never stalled";
    EXPECT_EQ(recorded.size(), received.size());
    EXPECT_TRUE(recorded == received) << "the history differs from what went out";
}

// A UART the tester hands over (BRINE_SCRATCH_UART, e.g. /dev/ttyS0), for
// what a pseudo-terminal cannot show: its character size, parity and modem
// lines, and output the driver holds back. Never taken unasked: a machine's
// serial line may be its console or another program's. One test at a time on
// this machine (every checkout's tests share the UART); its settings are put
// back afterwards. Tests skip without it.
class ScratchUart : public ::testing::Test {
protected:
    std::string path;   // the UART handed over

    void SetUp() override
    {
        const char* named = std::getenv("BRINE_SCRATCH_UART");
        if (named == nullptr || *named == '\0')
            GTEST_SKIP() << "no UART handed over in BRINE_SCRATCH_UART";
        path = named;
        m_lock = ::open("/tmp/brine-uart-tests.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        ASSERT_GE(m_lock, 0);
        ::flock(m_lock, LOCK_EX);
        control = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (control < 0)
            GTEST_SKIP() << path << " cannot be opened";
        // A program using it (the program itself may take it as a port) is left alone.
        if (::flock(control, LOCK_EX | LOCK_NB) != 0) {
            ::close(control);
            control = -1;
            GTEST_SKIP() << path << " is in use by another program";
        }
        ::flock(control, LOCK_UN);
        ::tcgetattr(control, &m_saved);
    }
    void TearDown() override
    {
        if (control >= 0) {
            ::ioctl(control, TIOCMBIC, &kLoop);
            ::tcflush(control, TCIOFLUSH);
            ::tcsetattr(control, TCSANOW, &m_saved);
            ::close(control);
        }
        if (m_lock >= 0)
            ::close(m_lock);
    }
    // Raw at 4800 baud with `iflag` added.
    void SetLine(tcflag_t iflag)
    {
        termios tio = m_saved;
        ::cfmakeraw(&tio);
        ::cfsetspeed(&tio, B4800);
        tio.c_iflag |= iflag;
        tio.c_cflag |= CLOCAL | CREAD;
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        ::tcsetattr(control, TCSANOW, &tio);
    }
    // What is sent comes back in, and nothing leaves the machine.
    bool LoopBack()
    {
        if (::ioctl(control, TIOCMBIS, &kLoop) != 0)
            return false;
        ::tcflush(control, TCIOFLUSH);
        char c = 0;
        if (::write(control, "x", 1) != 1)
            return false;
        std::this_thread::sleep_for(100ms);
        return ::read(control, &c, 1) == 1 && c == 'x';
    }

    int control = -1;

private:
    static constexpr int kLoop = 0x8000;   // TIOCM_LOOP
    int m_lock = -1;
    termios m_saved{};
};

// The automatic line settings on a line set to 9600 7E2 with hardware and
// software flow control first; without them the line stays as it was.
TEST_F(ScratchUart, LineSettingsOfARealSerialLine)
{
    for (const bool autoConfigure : {true, false}) {
        ASSERT_EQ(
            std::system(("stty -F " + path +
                         " 9600 cs7 parenb -parodd cstopb crtscts ixon ixoff start ^A stop ^B")
                            .c_str()),
            0);
        int error = 0;
        const auto device = nmea::CSerialDevice::Open(path.c_str(), autoConfigure, error);
        ASSERT_TRUE(device) << error;
        termios tio{};
        ASSERT_EQ(::tcgetattr(device->Fd(), &tio), 0);
        int modem = 0;
        ASSERT_EQ(::ioctl(device->Fd(), TIOCMGET, &modem), 0);
        const auto has = [&](tcflag_t flags, tcflag_t bit) { return (flags & bit) != 0; };
        if (autoConfigure) {
            EXPECT_EQ(::cfgetispeed(&tio), B4800);
            EXPECT_EQ(::cfgetospeed(&tio), B4800);
            EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
            EXPECT_FALSE(has(tio.c_cflag, PARENB));
            EXPECT_FALSE(has(tio.c_cflag, CSTOPB));
            EXPECT_FALSE(has(tio.c_cflag, CRTSCTS));
            EXPECT_FALSE(has(tio.c_iflag, IXON) || has(tio.c_iflag, IXOFF));
            EXPECT_EQ(tio.c_cc[VSTART], 17);
            EXPECT_EQ(tio.c_cc[VSTOP], 19);
            EXPECT_TRUE(modem & TIOCM_DTR) << "DTR held on";
            EXPECT_FALSE(modem & TIOCM_RTS) << "RTS off";
        } else {
            EXPECT_EQ(::cfgetospeed(&tio), B9600);
            EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
            EXPECT_TRUE(has(tio.c_cflag, PARENB) && !has(tio.c_cflag, PARODD));
            EXPECT_TRUE(has(tio.c_cflag, CSTOPB));
            EXPECT_TRUE(has(tio.c_cflag, CRTSCTS));
            EXPECT_TRUE(has(tio.c_iflag, IXON) && has(tio.c_iflag, IXOFF));
            EXPECT_EQ(tio.c_cc[VSTART], 1);
        }
        // Raw and reads that return at once, whichever way.
        EXPECT_FALSE(has(tio.c_lflag, ICANON) || has(tio.c_lflag, ECHO));
        EXPECT_EQ(tio.c_cc[VMIN], 0);
        EXPECT_EQ(tio.c_cc[VTIME], 0);
    }
}

// An XOFF sent with software flow control on and looped back stops the
// line's output: the next sentence stays in the driver past its budget, and
// the one after must go out without it.
TEST_F(ScratchUart, OutputLeftUnsentIsPurgedBeforeTheNextSentence)
{
    SetLine(IXON);
    if (!LoopBack())
        GTEST_SKIP() << path << " does not loop back";
    std::vector<std::string> lines;
    {
        // The line as set above, flow control included.
        CComPort port(1, path, nmea::CComPortOptions{false});
        OnePort ports({&port});
        brine_test::RecordingDevice device(ports, 1, 1);
        EXPECT_TRUE(device.OpenReceive() && device.OpenTransmit());
        device.Send("\x13");   // comes back as XOFF: output stops
        std::this_thread::sleep_for(200ms);
        device.Send("$ECWPL,1*00\r\n");   // held in the driver past its budget
        std::this_thread::sleep_for(400ms);
        device.Send("$ECWPL,2*00\r\n");
        std::this_thread::sleep_for(400ms);
        // Flow control off lets the driver send what it holds.
        SetLine(0);
        lines = device.WaitLines(2, 1s);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"$ECWPL,2*00\r\n"}));
}

TEST(ComPort, UnpluggedAdapterDisconnectsAndComesBack)
{
    brine_test::TempFolder folder;
    auto pty = std::make_unique<brine_test::PtyPair>(folder.Path(), kAdapter);
    ASSERT_TRUE(pty->Running());
    const std::string path = pty->Path().string();
    CComPort port(1, path);
    OnePort ports({&port});
    brine_test::RecordingDevice device(ports, 1, 0);
    ASSERT_TRUE(device.OpenReceive());
    ASSERT_TRUE(pty->Send("$GPGLL,1*00\r\n"));
    ASSERT_EQ(device.WaitLines(1, 2s).size(), 1u);

    pty->Kill();
    const auto lost = TimeUntil([&] { return !port.GetCondition().connected; }, 3s);
    ASSERT_TRUE(lost) << "still connected";
    EXPECT_LT(*lost, 2s);
    EXPECT_EQ(port.GetCondition().reason, path + " stopped answering (unplugged?).");
    EXPECT_TRUE(
        TimeUntil([&] { return port.GetCondition().reason == path + " is not connected."; }, 3s))
        << "retried while the link is gone: " << port.GetCondition().reason;
    EXPECT_TRUE(device.IsReceiveOpen()) << "devices stay attached while the adapter is away";

    pty = std::make_unique<brine_test::PtyPair>(folder.Path(), kAdapter);
    const auto back = TimeUntil([&] { return port.GetCondition().connected; }, 6s);
    ASSERT_TRUE(back) << port.GetCondition().reason;
    EXPECT_LT(*back, 5s);
    ASSERT_TRUE(pty->Send("$GPGLL,2*00\r\n"));
    const auto lines = device.WaitLines(2, 2s);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "$GPGLL,2*00\r\n");
}

TEST(ComPort, MissingAndBusyDevicesAreDisconnectedWithTheirReason)
{
    brine_test::TempFolder folder;
    // A port whose adapter was never plugged in is still a port.
    const std::string missing = (folder.Path() / "usb-none").string();
    CComPort absent(2, missing);
    EXPECT_TRUE(absent.Open());
    EXPECT_FALSE(absent.GetCondition().connected);
    EXPECT_EQ(absent.GetCondition().reason, missing + " is not connected.");

    brine_test::PtyPair pty(folder.Path(), kAdapter);
    ASSERT_TRUE(pty.Running());
    brine_test::Turn held, done;
    const pid_t holder = brine_test::ForkChild([&] {
        int error = 0;
        auto device = nmea::CSerialDevice::Open(pty.Path().string(), true, error);
        held.Post();
        done.Wait();
        return device ? 0 : 1;
    });
    ASSERT_TRUE(held.Wait());
    CComPort port(1, pty.Path().string());
    EXPECT_TRUE(port.Open());
    const auto condition = port.GetCondition();
    EXPECT_FALSE(condition.connected);
    EXPECT_NE(condition.reason.find("is in use by another program"), std::string::npos)
        << condition.reason;
    EXPECT_NE(condition.reason.find("process " + std::to_string(holder)), std::string::npos)
        << condition.reason;
    done.Post();
    EXPECT_EQ(brine_test::WaitChild(holder), 0);
    port.Close();
}

// The nice value of every thread of this process, by thread id.
std::map<int, int> ThreadNices()
{
    std::map<int, int> nices;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream stat(task.path() / "stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const auto close = text.rfind(')');
        if (close == std::string::npos)
            continue;
        // After the name: state, then fields 4 to 19; the nice value is field 19.
        std::istringstream fields(text.substr(close + 2));
        std::string field;
        for (int i = 3; i <= 19 && fields >> field; ++i)
            if (i == 19)
                nices[std::stoi(task.path().filename().string())] = std::stoi(field);
    }
    return nices;
}

// The port's reader and writer and the device's worker run one priority step (nice 5) below
// the thread that opened them, so a busy instrument never slows the window thread.
TEST(ComPort, ItsThreadsRunAStepBelowTheThreadThatStartedThem)
{
    brine_test::TempFolder folder;
    brine_test::PtyPair pty(folder.Path(), kAdapter);
    ASSERT_TRUE(pty.Running());
    CComPort port(1, pty.Path().string());
    OnePort ports({&port});
    brine_test::RecordingDevice device(ports, 1, 1);
    const std::map<int, int> before = ThreadNices();
    int openerNice = 0;
    bool opened = false;
    std::thread opener([&] {
        // Raising one's own nice value needs no privilege.
        const auto tid = static_cast<id_t>(::gettid());
        openerNice = std::min(::getpriority(PRIO_PROCESS, tid) + 2, 14);
        ::setpriority(PRIO_PROCESS, tid, openerNice);
        opened = device.OpenReceive() && device.OpenTransmit();
    });
    opener.join();
    ASSERT_TRUE(opened);
    std::this_thread::sleep_for(200ms);
    int lowered = 0;
    for (const auto& [tid, nice] : ThreadNices()) {
        if (before.count(tid) != 0)
            continue;
        EXPECT_EQ(nice, openerNice + 5) << "thread " << tid;
        lowered += nice == openerNice + 5 ? 1 : 0;
    }
    EXPECT_GE(lowered, 3) << "the port's reader and writer and the device's receive worker";
    device.CloseAll();
}

TEST(ComPort, ThreadsStopWithinASecondEvenMidWrite)
{
    brine_test::TempFolder folder;
    brine_test::PtyPair pty(folder.Path(), kAdapter);
    ASSERT_TRUE(pty.Running());
    CComPort port(1, pty.Path().string());
    OnePort ports({&port});
    brine_test::RecordingDevice device(ports, 1, 1);
    ASSERT_TRUE(device.OpenReceive());
    ASSERT_TRUE(device.OpenTransmit());
    // Nobody reads the peer: the pty's buffers fill and writes wait for room.
    const std::string line = "$ECXXX," + std::string(70, 'Z') + "\r\n";
    for (int i = 0; i < 400; ++i)
        device.Send(line);
    std::this_thread::sleep_for(300ms);
    const auto start = std::chrono::steady_clock::now();
    device.CloseAll();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, 1s);
    std::cout << "stop mid-write: "
              << std::chrono::duration_cast<std::chrono::microseconds>(took).count() << " us\n";
    EXPECT_FALSE(port.IsOpen());
}

TEST(ComPort, FourIdlePortsCostAlmostNoCpu)
{
    brine_test::TempFolder folder;
    std::vector<std::unique_ptr<brine_test::PtyPair>> ptys;
    std::vector<std::unique_ptr<CComPort>> owned;
    std::vector<nmea::CPort*> raw;
    for (int i = 1; i <= 4; ++i) {
        ptys.push_back(
            std::make_unique<brine_test::PtyPair>(folder.Path(), "usb-idle-" + std::to_string(i)));
        ASSERT_TRUE(ptys.back()->Running());
        owned.push_back(
            std::make_unique<CComPort>(static_cast<std::uint8_t>(i), ptys.back()->Path().string()));
        raw.push_back(owned.back().get());
    }
    OnePort ports(raw);
    std::vector<std::unique_ptr<brine_test::RecordingDevice>> devices;
    for (int i = 1; i <= 4; ++i) {
        devices.push_back(std::make_unique<brine_test::RecordingDevice>(ports, i, i));
        ASSERT_TRUE(devices.back()->OpenReceive());
        ASSERT_TRUE(devices.back()->OpenTransmit());
    }
    const auto cpu = [] {
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    };
    // Three seconds in the suite; BRINE_IDLE_SECONDS=10 for the longer look.
    const char* seconds = std::getenv("BRINE_IDLE_SECONDS");
    const auto idle = std::chrono::seconds(seconds ? std::atoi(seconds) : 3);
    const auto before = cpu();
    std::this_thread::sleep_for(idle);
    const auto used = cpu() - before;
    // Under 1% of a core.
    EXPECT_LT(used, std::chrono::duration_cast<std::chrono::microseconds>(idle) / 100);
    std::cout << "idle " << idle.count() << " s, four ports: "
              << std::chrono::duration_cast<std::chrono::microseconds>(used).count()
              << " us of CPU\n";
    const auto start = std::chrono::steady_clock::now();
    devices.clear();
    std::cout << "four ports' threads stopped and joined in "
              << std::chrono::duration_cast<std::chrono::microseconds>(
                     std::chrono::steady_clock::now() - start)
                     .count()
              << " us\n";
}

TEST(PortList, FirstStartAssignsStableNamesThenPortsThatOpen)
{
    brine_test::TempFolder folder;
    const auto byId = folder.Path() / "by-id";
    const auto dev = folder.Path() / "dev";
    std::filesystem::create_directories(byId);
    std::filesystem::create_directories(dev);
    for (const char* name : {"usb-FTDI_b-port0", "usb-FTDI_a-port0"})
        std::ofstream(byId / name).put('x');
    for (const char* name : {"ttyS10", "ttyS2", "ttyS1", "ttySX", "ttyUSB0"})
        std::ofstream(dev / name).put('x');
    nmea::CSerialScan scan{byId, dev,
                           [](const std::filesystem::path& p) { return p.filename() != "ttyS2"; }};
    const nmea::PortPaths paths = nmea::DefaultPortPaths(scan);
    EXPECT_EQ(paths[0], (byId / "usb-FTDI_a-port0").string());
    EXPECT_EQ(paths[1], (byId / "usb-FTDI_b-port0").string());
    EXPECT_EQ(paths[2], (dev / "ttyS1").string());
    EXPECT_EQ(paths[3], (dev / "ttyS10").string());
    EXPECT_EQ(paths[4], "");

    // A port with a path exists whether its device is there or not; one without does not.
    nmea::PortPaths typed;
    typed[2] = "/dev/no-such-adapter";
    nmea::CPortList list(typed, {});
    EXPECT_EQ(list.FindPort(1), nullptr);
    ASSERT_NE(list.FindPort(3), nullptr);
    EXPECT_EQ(list.GetFirstPortNumber(), 3);
    EXPECT_EQ(nmea::ResolveStoredPort(list, 3), 3);
    EXPECT_EQ(nmea::ResolveStoredPort(list, 7), 3);
    EXPECT_EQ(nmea::ResolveStoredPort(list, 0), 0);
}

// Port 255 is the network port: none until station messaging gives the list
// one, then found and available. A list with no serial port has no first
// port (0), and a number past COM12 names none.
TEST(PortList, TheNetworkPortAndAListWithoutSerialPorts)
{
    nmea::CPortList list(nmea::PortPaths{}, {});
    EXPECT_EQ(list.GetFirstPortNumber(), 0);
    EXPECT_EQ(list.FindPort(nmea::CPort::kNetworkPort), nullptr);
    EXPECT_FALSE(list.IsPortAvailable(nmea::CPort::kNetworkPort));
    EXPECT_FALSE(list.IsPortAvailable(1));

    auto network = std::make_unique<brine_test::FakePort>(nmea::CPort::kNetworkPort);
    nmea::CPort* given = network.get();
    list.SetNetworkPort(std::move(network));
    EXPECT_EQ(list.FindPort(nmea::CPort::kNetworkPort), given);
    EXPECT_TRUE(list.IsPortAvailable(nmea::CPort::kNetworkPort));
    EXPECT_EQ(list.GetFirstPortNumber(), 0) << "the network port is no serial port";
    EXPECT_EQ(nmea::ResolveStoredPort(list, 4), 0);

    nmea::PortPaths paths;
    paths[11] = "/dev/no-such-adapter";
    list.SetPaths(paths, {});
    EXPECT_EQ(list.GetFirstPortNumber(), 12);
    EXPECT_TRUE(list.IsPortAvailable(12));
    EXPECT_EQ(list.FindPort(13), nullptr);
    EXPECT_EQ(list.FindPort(0), nullptr);
}

// A path changed on the System page is used at once: the port in use goes
// over to the new device without its users closing, a new path makes its
// port, and an emptied one takes the port out of the list.
TEST(PortList, ChangedPathsTakeEffectAtOnce)
{
    brine_test::TempFolder folder;
    brine_test::PtyPair first(folder.Path(), "usb-GPS_old");
    brine_test::PtyPair second(folder.Path(), "usb-GPS_new");
    ASSERT_TRUE(first.Running());
    ASSERT_TRUE(second.Running());
    nmea::PortPaths paths;
    paths[0] = first.Path().string();
    nmea::CPortList list(paths, {});
    nmea::CPort* com1 = list.FindPort(1);
    ASSERT_NE(com1, nullptr);
    brine_test::RecordingDevice gps(list, 1, 0, "GPS");
    ASSERT_TRUE(gps.OpenReceive());
    ASSERT_TRUE(first.Send("$GPRMC,1*00\r\n"));
    ASSERT_EQ(gps.WaitLines(1, 3s).size(), 1u);

    paths[0] = second.Path().string();
    paths[2] = (folder.Path() / "usb-AIS").string();
    list.SetPaths(paths, {});
    EXPECT_EQ(list.FindPort(1), com1) << "the same port, its users kept";
    EXPECT_EQ(static_cast<CComPort*>(com1)->GetDevicePath(), second.Path().string());
    ASSERT_NE(list.FindPort(3), nullptr);
    EXPECT_EQ(static_cast<CComPort*>(list.FindPort(3))->GetDevicePath(),
              (folder.Path() / "usb-AIS").string());
    EXPECT_TRUE(TimeUntil([&] { return com1->GetCondition().connected; }, 3s));
    ASSERT_TRUE(first.Send("$GPRMC,old*00\r\n"));
    ASSERT_TRUE(second.Send("$GPRMC,new*00\r\n"));
    const auto lines = gps.WaitLines(2, 3s);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "$GPRMC,new*00\r\n");
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(gps.WaitLines(3, 100ms).size(), 2u) << "nothing more from the old device";
    // The port's receive history, which its dump window shows, goes on with the new device.
    const auto history = com1->GetHistory(nmea::PortChannel::Receive);
    ASSERT_FALSE(history.empty());
    EXPECT_EQ(history.back(), "$GPRMC,new*00");

    paths[2].clear();
    list.SetPaths(paths, {});
    EXPECT_EQ(list.FindPort(3), nullptr);
    gps.CloseReceive();
}

}   // namespace
