// Fuzzes what a station reads from others: the record deframer over reads cut
// where the first byte says (no record may exceed 500 bytes or carry a join
// or leave that is not an address; nothing may be kept beyond one record),
// and the peer file's records and address text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "nmea/PeerFile.h"
#include "nmea/StationRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::size_t step = 1 + data[0] % 64;
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);

    nmea::CStationDeframer deframer;
    for (std::size_t at = 0; at < input.size(); at += step) {
        const auto chunk = input.substr(at, step);
        const auto state = deframer.Feed(
            std::span<const char>(chunk.data(), chunk.size()), [](const nmea::CStationMessage& m) {
                if (m.payload.size() > nmea::kMaxPayload)
                    std::abort();
                if ((m.type == nmea::kStationJoin || m.type == nmea::kStationLeave) &&
                    m.payload.size() != 4)
                    std::abort();
                // What a station sends back is what it read.
                const std::string again = nmea::EncodeStationRecord(m.type, m.payload);
                if (again.size() != 5 + m.payload.size())
                    std::abort();
            });
        if (state == nmea::CStationDeframer::State::Broken)
            break;
        if (deframer.Pending() > nmea::kMaxRecord + step)
            std::abort();
    }

    for (const nmea::Ipv4& address : nmea::ParsePeerFile(input)) {
        const std::string record = nmea::FormatPeerRecord(address);
        if (record.size() != nmea::kPeerRecordSize ||
            nmea::ParseIpv4(record.substr(0, 15)) != address)
            std::abort();
    }
    return 0;
}
