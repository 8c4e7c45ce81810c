#include "nmea/NMEADevice.h"
#include "app/FrameSettings.h"
#include "nmea/BoundedLock.h"
#include "platform/Ascii.h"

#include <cctype>
#include <chrono>
#include <cstdio>

namespace nmea {

namespace {
constexpr auto kQueueLockWait = std::chrono::milliseconds(5);

DeviceSideObserver& SideObserver()
{
    static DeviceSideObserver observer;
    return observer;
}

void ReportSide(const CNMEADevice& device, PortChannel channel, bool opened)
{
    if (SideObserver())
        SideObserver()(device.GetName(), channel, opened);
}
}   // namespace

void SetDeviceSideObserver(DeviceSideObserver observer)
{
    SideObserver() = std::move(observer);
}

std::uint8_t ResolveStoredPort(const CPortDirectory& ports, std::uint8_t stored)
{
    if (stored == 0 || ports.IsPortAvailable(stored))
        return stored;
    return ports.GetFirstPortNumber();
}

CNMEADevice::CNMEADevice(CPortDirectory& ports) : m_ports(ports) { }

CNMEADevice::~CNMEADevice()
{
    // Only the base's state is left here; the workers were stopped by the
    // concrete device. Whatever is still attached leaves its port now.
    CloseSide(PortChannel::Receive, true);
    CloseSide(PortChannel::Transmit, true);
}

void CNMEADevice::CloseAll()
{
    CloseReceive();
    CloseTransmit();
}

bool CNMEADevice::OpenReceive()
{
    return OpenSide(PortChannel::Receive);
}
bool CNMEADevice::OpenTransmit()
{
    return OpenSide(PortChannel::Transmit);
}
void CNMEADevice::CloseReceive()
{
    CloseSide(PortChannel::Receive, true);
}
void CNMEADevice::CloseTransmit()
{
    CloseSide(PortChannel::Transmit, true);
}

bool CNMEADevice::OpenSide(PortChannel channel)
{
    Side& side = Of(channel);
    if (side.open)
        return true;
    const std::uint8_t number =
        channel == PortChannel::Receive ? GetReceivePort() : GetTransmitPort();
    CPort* port = number == 0 ? nullptr : m_ports.FindPort(number);
    if (port == nullptr || !port->AttachUser(channel, *this, GetName()))
        return false;
    {
        std::lock_guard lock(m_sideLock);
        side.port = port;
        side.open = true;
        side.enabled = true;
    }
    const bool started =
        channel == PortChannel::Receive ? StartReceiveThread() : StartTransmitThread();
    if (!started) {
        // Without its worker the side would take lines nobody empties: undo it all.
        CloseSide(channel, true);
        return false;
    }
    ReportSide(*this, channel, true);
    return true;
}

void CNMEADevice::CloseSide(PortChannel channel, bool join)
{
    Side& side = Of(channel);
    CPort* port = nullptr;
    {
        std::lock_guard lock(m_sideLock);
        side.enabled = false;
        side.open = false;
        port = side.port;
        side.port = nullptr;
    }
    if (join && side.worker.joinable()) {
        side.worker.request_stop();
        side.work.notify_all();
        side.worker.join();
    }
    if (port != nullptr) {
        port->DetachUser(channel, *this);
        ReportSide(*this, channel, false);
    }
}

void CNMEADevice::ReleaseReceive()
{
    CloseSide(PortChannel::Receive, false);
}
void CNMEADevice::ReleaseTransmit()
{
    CloseSide(PortChannel::Transmit, false);
}

bool CNMEADevice::RunReceiveWorker(std::function<void(std::stop_token)> work)
{
    return RunWorker(m_receive, PortChannel::Receive, std::move(work));
}

bool CNMEADevice::RunTransmitWorker(std::function<void(std::stop_token)> work)
{
    return RunWorker(m_transmit, PortChannel::Transmit, std::move(work));
}

bool CNMEADevice::RunWorker(Side& side, PortChannel channel,
                            std::function<void(std::stop_token)> work)
{
    if (side.worker.joinable()) {   // a worker that ended by itself is collected first
        side.worker.request_stop();
        side.work.notify_all();
        side.worker.join();
    }
    try {
        side.worker = std::jthread([this, channel, work = std::move(work)](std::stop_token stop) {
            app::LowerWorkerPriority();
            try {
                work(stop);
            } catch (...) {
                if (channel == PortChannel::Receive)
                    ReleaseReceive();
                else
                    ReleaseTransmit();
            }
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

bool CNMEADevice::TakeReceived(std::stop_token stop, std::string& line)
{
    std::unique_lock lock(m_receive.lock);
    m_receive.work.wait(lock, stop, [&] { return !m_receive.queue.empty(); });
    if (stop.stop_requested() || m_receive.queue.empty())
        return false;
    line = std::move(m_receive.queue.back());
    m_receive.queue.pop_back();
    return true;
}

bool CNMEADevice::TakeReceivedUntil(std::stop_token stop,
                                    std::chrono::steady_clock::time_point deadline,
                                    std::string& line)
{
    std::unique_lock lock(m_receive.lock);
    m_receive.work.wait_until(lock, stop, deadline, [&] { return !m_receive.queue.empty(); });
    if (stop.stop_requested() || m_receive.queue.empty())
        return false;
    line = std::move(m_receive.queue.back());
    m_receive.queue.pop_back();
    return true;
}

bool CNMEADevice::TakeAllReceived(std::stop_token stop, std::vector<std::string>& lines)
{
    lines.clear();
    std::unique_lock lock(m_receive.lock);
    m_receive.work.wait(lock, stop, [&] { return !m_receive.queue.empty(); });
    if (stop.stop_requested())
        return false;
    while (!m_receive.queue.empty()) {
        lines.push_back(std::move(m_receive.queue.back()));
        m_receive.queue.pop_back();
    }
    return true;
}

void CNMEADevice::QueueReceived(std::string_view line)
{
    if (!LockWithin(m_receive.lock, kQueueLockWait)) {
        ++m_lostBusy;
        return;
    }
    bool wasEmpty = false;
    {
        std::lock_guard lock(m_receive.lock, std::adopt_lock);
        wasEmpty = m_receive.queue.empty();
        m_receive.queue.emplace_front(line);
        if (m_receive.queue.size() > kReceiveQueueLimit) {
            m_receive.queue.pop_back();
            ++m_lostFull;
        }
    }
    // A worker only ever waits on an empty queue.
    if (wasEmpty)
        m_receive.work.notify_all();
}

bool CNMEADevice::TakeOutput(std::string& line)
{
    if (!LockWithin(m_transmit.lock, kQueueLockWait))
        return false;
    {
        std::lock_guard lock(m_transmit.lock, std::adopt_lock);
        if (m_transmit.queue.empty())
            return false;
        line = std::move(m_transmit.queue.back());
        m_transmit.queue.pop_back();
    }
    // A worker holding lines back until the queue has room goes on.
    m_transmit.work.notify_all();
    return true;
}

void CNMEADevice::PushTransmit(std::string line)
{
    {
        std::lock_guard lock(m_transmit.lock);
        m_transmit.queue.push_front(std::move(line));
        if (m_transmit.queue.size() > kTransmitQueueLimit)
            m_transmit.queue.pop_back();
    }
    CPort* port = nullptr;
    {
        std::lock_guard lock(m_sideLock);
        port = m_transmit.port;
    }
    if (port != nullptr)
        port->WakeWriter();
}

void CNMEADevice::NotifyTransmitWorker()
{
    m_transmit.work.notify_all();
}

void CNMEADevice::SetTransmitEnabled(bool enabled)
{
    {
        std::lock_guard lock(m_transmit.lock);
        m_transmit.enabled = enabled;
    }
    m_transmit.work.notify_all();
}

bool CNMEADevice::CanTransmitNow() const
{
    if (!m_transmit.open)
        return false;
    const std::uint8_t number = GetTransmitPort();
    const CPort* port = number == 0 ? nullptr : m_ports.FindPort(number);
    return port != nullptr && port->GetCondition().connected;
}

bool CNMEADevice::IsReceiving() const
{
    if (!m_receive.open)
        return false;
    const std::uint8_t number = GetReceivePort();
    const CPort* port = number == 0 ? nullptr : m_ports.FindPort(number);
    return port != nullptr && port->GetCondition().instrumentSeen;
}

std::size_t CNMEADevice::ReceiveQueueSize() const
{
    std::lock_guard lock(m_receive.lock);
    return m_receive.queue.size();
}

std::size_t CNMEADevice::TransmitQueueSize() const
{
    std::lock_guard lock(m_transmit.lock);
    return m_transmit.queue.size();
}

bool CNMEADevice::AttachReceivePortRaw(CPort& port)
{
    return port.AttachUser(PortChannel::Receive, *this, GetName());
}

void CNMEADevice::DetachReceivePortRaw(CPort& port)
{
    port.DetachUser(PortChannel::Receive, *this);
}

void CNMEADevice::MarkReceiveOpen(bool open)
{
    m_receive.open = open;
    m_receive.enabled = open;
}

bool CNMEADevice::AcceptTalker(std::string_view line, const TalkerList& talkers)
{
    if (line.size() < 6 || line[0] != '$' || line[1] == 'P')
        return false;
    if (talkers.empty())
        return true;
    const std::string_view talker = line.substr(1, 2);
    for (const std::string& t : talkers)
        if (t == talker)
            return true;
    return false;
}

bool CNMEADevice::IsSentenceEnabled(std::string_view line, const SentenceList& sentences)
{
    if (line.size() < 6)
        return false;
    const std::string_view id = line.substr(3, 3);
    for (const NMEASentenceEntry& entry : sentences)
        if (platform::EqualNoCaseAscii(entry.id, id))
            return entry.enabled;
    return false;
}

std::string CNMEADevice::ChecksumSuffix(std::string_view text)
{
    unsigned sum = 0;
    for (std::size_t i = 1; i < text.size(); ++i)
        sum ^= static_cast<unsigned char>(text[i]);
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02X", sum & 0xFF);
    return std::string("*") + digits;
}

bool CNMEADevice::BuildSentence(bool addChecksum, std::string_view text)
{
    std::string line(text);
    if (addChecksum)
        line += ChecksumSuffix(text);
    line += "\r\n";
    return QueueOutput(std::move(line));
}

}   // namespace nmea
