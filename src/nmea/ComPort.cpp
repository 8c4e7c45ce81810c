#include "nmea/ComPort.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

#include "app/FrameSettings.h"
#include "nmea/PortErrors.h"
#include "nmea/SerialDevice.h"

namespace nmea {

namespace {
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The write budget: 10 ms a byte.
constexpr milliseconds kPerByte{10};
// An idle reader still looks at its flags this often.
constexpr int kIdlePollMs = 1000;

// What an earlier write left in the driver (its line held by flow control
// past its budget) is stale by now and goes, so the instrument hears the new
// sentence whole. Only bytes the driver reports as unsent are purged: on a
// pseudo-terminal (a bridged or simulated instrument) the queue always reads
// empty, and a purge there would throw away what the other side has not yet
// read, the sentence written just before.
void DiscardStaleOutput(int fd)
{
    int queued = 0;
    if (::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0)
        ::tcflush(fd, TCOFLUSH);
}

int MillisUntil(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 60000));
}
}   // namespace

CComPort::CComPort(std::uint8_t number, std::string devicePath, CComPortOptions options)
    : CPort(number), m_path(std::move(devicePath)), m_options(options),
      m_autoConfigure(options.autoConfigure)
{ }

CComPort::~CComPort()
{
    StopReceiveThread();
    StopTransmitThread();
    Close();
}

std::string CComPort::GetDevicePath() const
{
    std::lock_guard lock(m_portLock);
    return m_path;
}

void CComPort::SetDevicePath(std::string devicePath)
{
    {
        std::lock_guard lock(m_portLock);
        if (devicePath == m_path)
            return;
        m_path = std::move(devicePath);
        // The threads see no device and take the new one at their next pass.
        m_device.reset();
        m_reason.clear();
        m_reasonError = 0;
        m_lastAttempt = {};
    }
    m_readerWake.Signal();
    m_writerWake.Signal();
    if (m_open)
        TryConnect(true);
}

bool CComPort::Open()
{
    if (GetDevicePath().empty())
        return false;
    m_open = true;
    TryConnect(true);
    return true;
}

bool CComPort::Close()
{
    std::lock_guard lock(m_portLock);
    m_open = false;
    m_device.reset();
    m_instrumentSeen = false;
    m_reason.clear();
    m_framer.Reset();
    return true;
}

std::shared_ptr<CSerialDevice> CComPort::Device() const
{
    std::lock_guard lock(m_portLock);
    return m_device;
}

CPortCondition CComPort::GetCondition() const
{
    std::lock_guard lock(m_portLock);
    CPortCondition condition;
    condition.open = m_open;
    condition.connected = m_open && m_device != nullptr;
    condition.instrumentSeen = m_open && m_instrumentSeen;
    if (m_open && !m_device)
        condition.reason = m_reason;
    return condition;
}

namespace {
// How long a repeated open error keeps its description before it is looked up again.
constexpr std::chrono::seconds kRedescribe{30};
}   // namespace

void CComPort::SetAutoConfigure(bool on)
{
    std::lock_guard lock(m_portLock);
    m_autoConfigure = on;
}

void CComPort::TryConnect(bool now)
{
    {
        std::lock_guard lock(m_portLock);
        if (!m_open || m_device)
            return;
        const auto time = Clock::now();
        if (!now && time - m_lastAttempt < m_options.retryInterval)
            return;
        m_lastAttempt = time;
        int error = 0;
        std::unique_ptr<CSerialDevice> device = CSerialDevice::Open(m_path, m_autoConfigure, error);
        if (!device) {
            if (error != m_reasonError || m_reason.empty() || time - m_reasonTime >= kRedescribe) {
                m_reason = DescribeOpenError(m_path, error);
                m_reasonError = error;
                m_reasonTime = time;
            }
            return;
        }
        m_device = std::move(device);
        m_instrumentSeen = true;
        m_reason.clear();
    }
    NoteConnection(GetName() + " connected");
}

void CComPort::LoseConnection(const std::shared_ptr<CSerialDevice>& device, int error)
{
    std::string reason;
    {
        std::lock_guard lock(m_portLock);
        if (m_device != device)   // the other thread saw it first
            return;
        m_device.reset();
        m_reasonError = error == 0 ? EIO : error;
        m_reason = DescribeOpenError(m_path, m_reasonError);
        m_reasonTime = Clock::now();
        // The next attempt waits a full interval: a device that just went away
        // is rarely back at once.
        m_lastAttempt = Clock::now();
        reason = m_reason;
    }
    CPortCondition condition;
    condition.reason = reason;
    NoteConnection(PortDisconnectedText(*this, condition));
}

// The dump windows of the channels in use tell what the message bar tells.
void CComPort::NoteConnection(const std::string& state)
{
    const std::string line = "***" + state + "***\r\n";
    for (const PortChannel channel : {PortChannel::Receive, PortChannel::Transmit})
        if (GetUsers(channel) > 0)
            AddSentence(channel, line);
}

bool CComPort::StartReader()
{
    std::lock_guard lock(m_threadLock);
    if (m_reader.joinable())
        return true;
    if (!m_readerWake.IsValid())
        return false;
    m_readerWake.Clear();
    try {
        m_reader = std::jthread([this](std::stop_token stop) {
            app::LowerWorkerPriority();
            ReadLoop(stop);
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

bool CComPort::StartWriter()
{
    std::lock_guard lock(m_threadLock);
    if (m_writer.joinable())
        return true;
    if (!m_writerWake.IsValid())
        return false;
    m_writerWake.Clear();
    try {
        m_writer = std::jthread([this](std::stop_token stop) {
            app::LowerWorkerPriority();
            WriteLoop(stop);
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void CComPort::StopReceiveThread()
{
    std::lock_guard lock(m_threadLock);
    if (!m_reader.joinable())
        return;
    m_reader.request_stop();
    m_readerWake.Signal();
    m_reader.join();
}

void CComPort::StopTransmitThread()
{
    std::lock_guard lock(m_threadLock);
    if (!m_writer.joinable())
        return;
    m_writer.request_stop();   // wakes the condition wait through the stop token
    m_writerWake.Signal();   // and a write waiting in poll()
    m_writer.join();
}

void CComPort::ReadLoop(std::stop_token stop)
{
    std::array<char, 4096> buffer;
    std::shared_ptr<CSerialDevice> device;
    while (!stop.stop_requested()) {
        device = Device();
        if (!device) {
            m_framer.Reset();
            TryConnect(false);
            if (Device())
                continue;
            pollfd wake{m_readerWake.Fd(), POLLIN, 0};
            if (::poll(&wake, 1, static_cast<int>(m_options.retryInterval.count())) > 0)
                m_readerWake.Clear();
            continue;
        }
        pollfd fds[2] = {{device->Fd(), POLLIN, 0}, {m_readerWake.Fd(), POLLIN, 0}};
        const int ready = ::poll(fds, 2, kIdlePollMs);
        if (ready < 0 && errno != EINTR) {
            LoseConnection(device, errno);
            continue;
        }
        if (ready <= 0)
            continue;
        if (fds[1].revents != 0) {
            m_readerWake.Clear();
            continue;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            const ssize_t n = ::read(device->Fd(), buffer.data(), buffer.size());
            if (n > 0) {
                if (IsEnabled(PortChannel::Receive))
                    m_framer.Feed(std::span<const char>(buffer.data(), static_cast<std::size_t>(n)),
                                  [this](std::string_view line) { DeliverReceived(line); });
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            LoseConnection(device, n == 0 ? EIO : errno);
            continue;
        }
        if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
            LoseConnection(device, EIO);
    }
}

void CComPort::WriteLoop(std::stop_token stop)
{
    const auto send = [&](std::string_view line) { return WriteSentence(line, stop); };
    while (!stop.stop_requested()) {
        const bool connected = Device() != nullptr;
        WaitForOutput(stop, connected ? milliseconds(kIdlePollMs) : m_options.retryInterval);
        if (stop.stop_requested())
            break;
        if (!connected)
            TryConnect(false);
        if (!IsEnabled(PortChannel::Transmit))
            continue;
        while (!stop.stop_requested() && ServeTransmitDevices(send)) { }
    }
}

std::size_t CComPort::WriteSentence(std::string_view text, std::stop_token stop)
{
    if (text.empty())
        return 0;
    const std::shared_ptr<CSerialDevice> device = Device();
    if (!device)
        return 0;
    const int fd = device->Fd();
    DiscardStaleOutput(fd);
    const auto deadline = Clock::now() + kPerByte * static_cast<int>(text.size());
    std::size_t done = 0;
    while (done < text.size() && !stop.stop_requested()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            LoseConnection(device, errno);
            return done;
        }
        // The driver's queue is full (flow control or a slow line): wait for
        // room, for the stop, or for the budget to run out.
        const int wait = MillisUntil(deadline);
        if (wait == 0)
            return done;
        pollfd fds[2] = {{fd, POLLOUT, 0}, {m_writerWake.Fd(), POLLIN, 0}};
        if (::poll(fds, 2, wait) > 0 && (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            LoseConnection(device, EIO);
            return done;
        }
    }
    // Wait for the driver to send it, without tcdrain's unbounded hang when
    // flow control holds the line: a byte at 4800 baud takes about 2 ms.
    int queued = 0;
    while (!stop.stop_requested() && ::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0) {
        const int wait = std::min(MillisUntil(deadline), std::max(1, queued * 2));
        if (wait == 0)
            break;
        pollfd wake{m_writerWake.Fd(), POLLIN, 0};
        ::poll(&wake, 1, wait);
    }
    return done;
}

}   // namespace nmea
