#include "nmea/NetworkPort.h"

#include "app/FrameSettings.h"
#include "nmea/NetworkMessaging.h"
#include "nmea/ReceivedLines.h"

namespace nmea {

CNetworkPort::CNetworkPort(CNetworkMessaging& messaging, CReceivedLines& received)
    : CPort(kNetworkPort), m_messaging(messaging), m_received(received)
{ }

CNetworkPort::~CNetworkPort()
{
    StopReceiveThread();
    StopTransmitThread();
}

bool CNetworkPort::Open()
{
    m_open = true;
    return true;
}

bool CNetworkPort::Close()
{
    m_open = false;
    return true;
}

bool CNetworkPort::StartReader()
{
    std::lock_guard lock(m_threadLock);
    if (!m_reader.joinable()) {
        m_reader = std::jthread([this](std::stop_token stop) {
            app::LowerWorkerPriority();
            std::string line;
            while (m_received.TakeOldest(stop, line))
                if (IsEnabled(PortChannel::Receive))
                    DeliverReceived(line);
        });
    }
    return true;
}

bool CNetworkPort::StartWriter()
{
    std::lock_guard lock(m_threadLock);
    if (!m_writer.joinable()) {
        m_writer = std::jthread([this](std::stop_token stop) {
            app::LowerWorkerPriority();
            // The whole line goes to the transmit history whether or not a
            // station is there to hear it: the window shows what the devices
            // sent on the network, not who was listening.
            const auto post = [this](std::string_view line) -> std::size_t {
                m_messaging.PostMessage(kStationSentence, std::string(line));
                return line.size();
            };
            while (!stop.stop_requested()) {
                WaitForOutput(stop, std::chrono::seconds(1));
                while (!stop.stop_requested() && IsEnabled(PortChannel::Transmit) &&
                       ServeTransmitDevices(post)) { }
            }
        });
    }
    return true;
}

void CNetworkPort::StopReceiveThread()
{
    std::lock_guard lock(m_threadLock);
    if (m_reader.joinable()) {
        m_reader.request_stop();   // wakes the wait on the received lines
        m_reader.join();
    }
}

void CNetworkPort::StopTransmitThread()
{
    std::lock_guard lock(m_threadLock);
    if (m_writer.joinable()) {
        m_writer.request_stop();
        m_writer.join();
    }
}

}   // namespace nmea
