#pragma once
// The port numbered 255, "Network": its devices exchange sentences with the
// other stations instead of a serial line. The writer posts each sentence a
// transmit device sends as a station message of type 7; the reader hands
// the sentences other stations relayed to the receive devices, whole, as a
// serial reader would.

#include <atomic>
#include <mutex>
#include <thread>

#include "nmea/Port.h"

namespace nmea {

class CNetworkMessaging;
class CReceivedLines;

class CNetworkPort final : public CPort {
public:
    CNetworkPort(CNetworkMessaging& messaging, CReceivedLines& received);
    ~CNetworkPort() override;

    bool IsOpen() const override { return m_open; }
    bool Open() override;   // always succeeds, with or without other stations
    bool StartReader() override;
    bool StartWriter() override;
    bool Close() override;
    void StopReceiveThread() override;
    void StopTransmitThread() override;

private:
    CNetworkMessaging& m_messaging;
    CReceivedLines& m_received;
    std::atomic<bool> m_open{false};
    std::mutex m_threadLock;
    std::jthread m_reader;
    std::jthread m_writer;
};

}   // namespace nmea
