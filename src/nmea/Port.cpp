#include "nmea/Port.h"
#include "nmea/BoundedLock.h"

#include <algorithm>
#include <string>
#include <vector>

#include "nmea/NMEADevice.h"

namespace nmea {

CPort::CPort(std::uint8_t number) : m_number(number) { }

CPort::~CPort() = default;

std::string CPort::PortName(std::uint8_t number)
{
    return number == kNetworkPort ? std::string("Network") : "COM" + std::to_string(number);
}

std::string PortDisconnectedText(const CPort& port, const CPortCondition& condition)
{
    return port.GetName() + " disconnected: " +
           (condition.reason.empty() ? std::string("the instrument does not answer.")
                                     : condition.reason);
}

CPortCondition CPort::GetCondition() const
{
    CPortCondition condition;
    condition.open = IsOpen();
    condition.connected = condition.open;
    condition.instrumentSeen = condition.open;
    return condition;
}

void CPort::AttachDevice(PortChannel channel, CNMEADevice& device)
{
    Channel& ch = Of(channel);
    std::lock_guard lock(ch.deviceLock);
    ch.devices.push_back(&device);
}

void CPort::DetachDevice(PortChannel channel, CNMEADevice& device)
{
    Channel& ch = Of(channel);
    std::lock_guard lock(ch.deviceLock);
    const auto it = std::find(ch.devices.begin(), ch.devices.end(), &device);
    if (it != ch.devices.end())
        ch.devices.erase(it);
}

std::size_t CPort::DeviceCount(PortChannel channel) const
{
    const Channel& ch = Of(channel);
    std::lock_guard lock(ch.deviceLock);
    return ch.devices.size();
}

void CPort::AdjustUsers(PortChannel channel, int delta)
{
    Channel& ch = Of(channel);
    const int now = ch.users.fetch_add(delta) + delta;
    if (now < 0)
        ch.users = 0;
}

int CPort::GetUsers(PortChannel channel) const
{
    return Of(channel).users;
}

bool CPort::AttachUser(PortChannel channel, CNMEADevice& device, std::string_view deviceName)
{
    std::lock_guard lock(m_useLock);
    if (!EnsureOpen())
        return false;
    Channel& ch = Of(channel);
    ch.running = true;
    ch.enabled = true;
    const bool started = channel == PortChannel::Receive ? StartReader() : StartWriter();
    if (!started) {
        if (ch.users == 0) {
            ch.running = false;
            ch.enabled = false;
        }
        CloseIfUnused();
        return false;
    }
    AdjustUsers(channel, +1);
    AttachDevice(channel, device);
    {
        std::lock_guard history(ch.historyLock);
        ch.waiting.emplace_back(&device, std::string(deviceName));
    }
    // Open is all that is known yet: nothing has been received or sent. A
    // port whose instrument is not there says so, as the message bar does.
    const CPortCondition condition = GetCondition();
    const std::string state = !condition.connected ? PortDisconnectedText(*this, condition)
                              : channel == PortChannel::Receive
                                  ? GetName() + " open, waiting for data"
                                  : GetName() + " open for sending";
    AddSentence(channel, "***" + std::string(deviceName) + ": " + state + "***\r\n");
    return true;
}

void CPort::DetachUser(PortChannel channel, CNMEADevice& device)
{
    std::lock_guard lock(m_useLock);
    DetachDevice(channel, device);
    AdjustUsers(channel, -1);
    Channel& ch = Of(channel);
    {
        std::lock_guard history(ch.historyLock);
        std::erase_if(ch.waiting, [&](const auto& w) { return w.first == &device; });
    }
    if (ch.users == 0) {
        ch.running = false;
        if (channel == PortChannel::Receive)
            StopReceiveThread();
        else
            StopTransmitThread();
    }
    CloseIfUnused();
}

bool CPort::EnsureOpen()
{
    return IsOpen() || Open();
}

bool CPort::CloseIfUnused()
{
    if (!IsOpen() || m_receive.users > 0 || m_transmit.users > 0)
        return true;
    m_receive.enabled = false;
    m_transmit.enabled = false;
    return Close();
}

void CPort::SetRunning(PortChannel channel, bool running)
{
    Of(channel).running = running;
}
void CPort::SetEnabled(PortChannel channel, bool enabled)
{
    Of(channel).enabled = enabled;
}
bool CPort::IsEnabled(PortChannel channel) const
{
    return Of(channel).enabled;
}

void CPort::AddSentence(PortChannel channel, std::string_view line)
{
    if (line.empty())
        return;
    std::string copy;
    copy.reserve(line.size());
    for (const char c : line)
        if (c != '\r' && c != '\n')
            copy.push_back(c);
    Channel& ch = Of(channel);
    {
        std::lock_guard lock(ch.historyLock);
        ch.history.push_back(std::move(copy));
        if (ch.history.size() > kHistoryLimit)
            ch.history.pop_front();
    }
    // A window being opened or closed holds the lock: its repaint is skipped,
    // the port's thread never waits on a window.
    if (LockWithin(ch.viewLock, std::chrono::milliseconds(5))) {
        std::lock_guard lock(ch.viewLock, std::adopt_lock);
        if (ch.listener)
            ch.listener();
    }
}

std::vector<std::string> CPort::GetHistory(PortChannel channel) const
{
    const Channel& ch = Of(channel);
    std::lock_guard lock(ch.historyLock);
    return {ch.history.begin(), ch.history.end()};
}

std::size_t CPort::CopyHistory(PortChannel channel, std::size_t first, std::size_t count,
                               std::vector<std::string>& lines) const
{
    lines.clear();
    const Channel& ch = Of(channel);
    std::lock_guard lock(ch.historyLock);
    const std::size_t total = ch.history.size();
    for (std::size_t i = first; i < total && i - first < count; ++i)
        lines.push_back(ch.history[i]);
    return total;
}

void CPort::SetHistoryListener(PortChannel channel, std::function<void()> listener)
{
    Channel& ch = Of(channel);
    std::lock_guard lock(ch.viewLock);
    ch.listener = std::move(listener);
}

void CPort::WakeWriter()
{
    {
        std::lock_guard lock(m_outputLock);
        m_outputPending = true;
    }
    m_outputReady.notify_all();
}

bool CPort::WaitForOutput(std::stop_token stop, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_outputLock);
    m_outputReady.wait_for(lock, stop, timeout, [&] { return m_outputPending; });
    const bool pending = m_outputPending && !stop.stop_requested();
    m_outputPending = false;
    return pending;
}

void CPort::AnnounceConnected(PortChannel channel)
{
    Channel& ch = Of(channel);
    std::vector<std::pair<const CNMEADevice*, std::string>> waiting;
    {
        std::lock_guard lock(ch.historyLock);
        waiting.swap(ch.waiting);
    }
    for (const auto& w : waiting)
        AddSentence(channel, "***" + w.second + " CONNECTED***");
}

void CPort::DeliverReceived(std::string_view line)
{
    AnnounceConnected(PortChannel::Receive);
    {
        std::lock_guard lock(m_receive.deviceLock);
        for (CNMEADevice* device : m_receive.devices)
            device->QueueReceived(line);
    }
    AddSentence(PortChannel::Receive, line);
}

bool CPort::ServeTransmitDevices(const std::function<std::size_t(std::string_view)>& send)
{
    // Each device's next line is taken under the lock and written after it:
    // a write waiting for room on a stalled line must not keep a device that
    // is closing (and so detaching) waiting behind it.
    bool any = false;
    std::vector<std::string> lines;
    {
        std::lock_guard lock(m_transmit.deviceLock);
        for (CNMEADevice* device : m_transmit.devices) {
            std::string line;
            if (!device->TakeOutput(line))
                continue;
            any = true;
            if (device->IsSentenceAccepted(line))
                lines.push_back(std::move(line));
        }
    }
    if (!lines.empty())
        AnnounceConnected(PortChannel::Transmit);
    for (const std::string& line : lines) {
        const std::size_t written = std::min(send(line), line.size());
        AddSentence(PortChannel::Transmit, std::string_view(line).substr(0, written));
    }
    return any;
}

}   // namespace nmea
