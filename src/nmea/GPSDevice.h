#pragma once
// The GPS receiver: parses what its receive port brings into the GPS
// module's store, and sends route and waypoint uploads ("$ECRTE",
// "$ECWPL") through its transmit port. Uploads are staged and moved to the
// transmit queue by the device's transmit worker.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <string>

#include "nmea/ParsingDevice.h"

namespace nmea {

// One point of an upload.
struct CUploadPoint {
    double latitudeDeg = 0;
    double longitudeDeg = 0;
    std::string id;
    std::string name;
};

class CGPSDevice final : public CParsingDevice {
public:
    static constexpr std::size_t kStagingLimit = 500;

    // `decimalPlaces` gives the "DecimalPlaces" setting when a waypoint is composed.
    CGPSDevice(CPortDirectory& ports, const CInstrumentConfig& config, CNMEAMessageParser& parser,
               std::function<int()> decimalPlaces);
    ~CGPSDevice() override;

    std::string GetName() const override { return "GPS"; }

    // False when the transmit side is closed or its port disconnected: the
    // upload would never leave, and the caller must say so.
    bool SendRoute(std::string_view total, std::string_view number, std::string_view mode,
                   std::string_view route, std::string_view waypoint, bool addChecksum);
    // False also for a naming mode above 4.
    bool SendWaypoint(const CUploadPoint& point, int namingMode, int number, bool addChecksum);
    // Waits until the staging list has room for another line (the transmit
    // worker moves lines on as the port drains), at most `limit`; false when
    // it still has none. Long uploads feed the staging this way.
    bool WaitForStagingRoom(std::chrono::milliseconds limit);

protected:
    bool QueueOutput(std::string line) override;
    bool StartTransmitThread() override;

private:
    std::function<int()> m_decimalPlaces;
    std::deque<std::string> m_staging;   // newest at the head; guarded by the transmit lock
    std::condition_variable_any m_stagingRoom;   // a staged line moved on
};

}   // namespace nmea
