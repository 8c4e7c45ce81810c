#include "targets/TenderDevice.h"

#include "platform/Ascii.h"

namespace targets {

CTenderPollTable CTenderPollTable::From(const CTenderSettings& settings)
{
    CTenderPollTable table;
    table.channels = settings.channels;
    for (int i = 0; i < kTenderChannels; ++i)
        table.codes[std::size_t(i)] = ChannelCodeByte(settings.codes[std::size_t(i)]);
    table.sentences = settings.sentences;
    table.window = settings.channelDuration;
    table.port = settings.receivePort;
    return table;
}

bool CTenderPollTable::AnyPolled() const
{
    for (const CTenderChannel& c : channels)
        if (c.valid)
            return true;
    return false;
}

std::optional<int> CreditedChannel(const CTenderPollTable& table, std::string_view line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    if (line.empty() || line.front() != '$' || line.size() > kTenderLineMax)
        return std::nullopt;
    const auto parts = SplitTenderLine(line);
    if (!parts)
        return std::nullopt;
    static constexpr const char* kKinds[kTenderSentenceCount] = {"RMC", "DBT", "MOVB"};
    bool enabled = false;
    for (int k = 0; k < kTenderSentenceCount; ++k)
        if (platform::EqualNoCaseAscii(parts->kind, kKinds[k]))
            enabled = table.sentences[std::size_t(k)];
    if (!enabled)
        return std::nullopt;
    for (int i = 0; i < kTenderChannels; ++i) {
        const CTenderChannel& c = table.channels[std::size_t(i)];
        if (c.valid && !c.simulate && !c.serial.empty() && c.serial == parts->serial)
            return i;
    }
    return std::nullopt;
}

std::string PollCommand(std::uint8_t code)
{
    return std::string("ATX") + static_cast<char>(code);
}

CTenderTrackingDevice::CTenderTrackingDevice(nmea::CPortDirectory& ports, LineSink sink)
    : nmea::CNMEADevice(ports), m_sink(std::move(sink))
{ }

CTenderTrackingDevice::~CTenderTrackingDevice()
{
    CloseReceive();
}

std::uint8_t CTenderTrackingDevice::GetReceivePort() const
{
    std::lock_guard lock(m_tableLock);
    return m_table.port;
}

std::uint8_t CTenderTrackingDevice::GetTransmitPort() const
{
    const std::uint8_t port = GetReceivePort();
    return port == kNetworkPort ? 0 : port;
}

bool CTenderTrackingDevice::OpenReceive()
{
    if (GetTransmitPort() != 0 && !OpenTransmit())
        return false;
    if (!nmea::CNMEADevice::OpenReceive()) {
        CloseTransmit();
        return false;
    }
    return true;
}

void CTenderTrackingDevice::CloseReceive()
{
    nmea::CNMEADevice::CloseReceive();
    CloseTransmit();
}

void CTenderTrackingDevice::SetTable(const CTenderPollTable& table)
{
    {
        std::lock_guard lock(m_tableLock);
        m_table = table;
    }
    m_wake.notify_all();
}

void CTenderTrackingDevice::SetPaused(bool paused)
{
    {
        std::lock_guard lock(m_tableLock);
        m_paused = paused;
    }
    m_wake.notify_all();
}

bool CTenderTrackingDevice::IsPaused() const
{
    std::lock_guard lock(m_tableLock);
    return m_paused;
}

bool CTenderTrackingDevice::StartTransmitThread()
{
    // The poll commands go straight onto the transmit queue; the worker only
    // keeps the side open until it is closed.
    return RunTransmitWorker([this](std::stop_token stop) {
        std::mutex idle;
        std::unique_lock lock(idle);
        std::condition_variable_any never;
        never.wait(lock, stop, [] { return false; });
    });
}

bool CTenderTrackingDevice::StartReceiveThread()
{
    return RunReceiveWorker([this](std::stop_token stop) {
        try {
            Poll(stop);
        } catch (...) {
            // The port's transmit side served only the polls: it is left too.
            CloseTransmit();
            if (failed)
                failed();
            throw;   // the base releases the receive side
        }
    });
}

bool CTenderTrackingDevice::WaitForWork(std::stop_token stop, CTenderPollTable& table)
{
    std::unique_lock lock(m_tableLock);
    m_wake.wait(lock, stop, [&] { return !m_paused && m_table.AnyPolled(); });
    if (stop.stop_requested())
        return false;
    table = m_table;
    return true;
}

void CTenderTrackingDevice::Poll(std::stop_token stop)
{
    using clock = std::chrono::steady_clock;
    CTenderPollTable table;
    while (!stop.stop_requested() && IsReceiveOpen()) {
        if (!WaitForWork(stop, table))
            return;
        for (int i = 0; i < kTenderChannels && !stop.stop_requested() && !IsPaused(); ++i) {
            {
                // Options applied between windows reach the next channel.
                std::lock_guard lock(m_tableLock);
                table = m_table;
            }
            const CTenderChannel& channel = table.channels[std::size_t(i)];
            if (!channel.valid)
                continue;
            const auto code = table.codes[std::size_t(i)];
            if (table.port != kNetworkPort && code) {
                PushTransmit(PollCommand(*code));
                ++m_polls;
            }
            const auto end = clock::now() + table.window;
            std::string line;
            while (!stop.stop_requested() && !IsPaused()) {
                const auto now = clock::now();
                if (now > end)
                    break;
                if (!TakeReceivedUntil(stop, std::min(end, now + kSlice), line))
                    continue;
                if (const auto credited = CreditedChannel(table, line); credited && m_sink)
                    m_sink(*credited, line);
            }
        }
    }
}

}   // namespace targets
