#include "nmea/GPSDevice.h"

#include "nmea/OutputSentences.h"

namespace nmea {

CGPSDevice::CGPSDevice(CPortDirectory& ports, const CInstrumentConfig& config,
                       CNMEAMessageParser& parser, std::function<int()> decimalPlaces)
    : CParsingDevice(ports, config, parser), m_decimalPlaces(std::move(decimalPlaces))
{ }

CGPSDevice::~CGPSDevice()
{
    CloseAll();
}

bool CGPSDevice::SendRoute(std::string_view total, std::string_view number, std::string_view mode,
                           std::string_view route, std::string_view waypoint, bool addChecksum)
{
    if (!CanTransmitNow())
        return false;
    return BuildSentence(addChecksum, ComposeRte(total, number, mode, route, waypoint));
}

bool CGPSDevice::SendWaypoint(const CUploadPoint& point, int namingMode, int number,
                              bool addChecksum)
{
    const auto identifier = WaypointIdentifier(namingMode, point.id, point.name, number);
    if (!identifier || !CanTransmitNow())
        return false;
    const int decimals = m_decimalPlaces ? m_decimalPlaces() : 2;
    return BuildSentence(addChecksum,
                         ComposeWpl(point.latitudeDeg, point.longitudeDeg, *identifier, decimals));
}

bool CGPSDevice::WaitForStagingRoom(std::chrono::milliseconds limit)
{
    std::unique_lock lock(TransmitLock());
    return m_stagingRoom.wait_for(lock, limit, [&] { return m_staging.size() < kStagingLimit; });
}

bool CGPSDevice::QueueOutput(std::string line)
{
    {
        std::lock_guard lock(TransmitLock());
        if (m_staging.size() >= kStagingLimit)
            return false;
        m_staging.push_front(std::move(line));
    }
    NotifyTransmitWorker();
    return true;
}

bool CGPSDevice::StartTransmitThread()
{
    return RunTransmitWorker([this](std::stop_token stop) {
        while (!stop.stop_requested()) {
            std::string line;
            {
                std::unique_lock lock(TransmitLock());
                // A line moves on only while the transmit queue has room: past
                // 500 lines the queue drops its oldest, and an upload would
                // lose waypoints whenever the port is slower than the staging.
                TransmitWork().wait(lock, stop, [&] {
                    return !m_staging.empty() && IsTransmitEnabled() &&
                           TransmitQueueSizeLocked() < kTransmitQueueLimit;
                });
                if (stop.stop_requested())
                    return;
                line = std::move(m_staging.back());
                m_staging.pop_back();
            }
            m_stagingRoom.notify_all();
            PushTransmit(std::move(line));
        }
    });
}

}   // namespace nmea
