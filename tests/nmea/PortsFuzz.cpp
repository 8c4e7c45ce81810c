// Fuzzes the serial line framer: the input is cut into reads at points the
// first bytes choose, and every line must start with '$', hold at most 84
// characters and leave nothing unaccounted: the bytes of the lines plus the
// part line still pending never exceed what came in. Then the device filters
// and the output framing get each line.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "nmea/NMEADevice.h"
#include "nmea/SentenceFramer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::size_t step = 1 + data[0] % 40;   // read size
    const auto* bytes = reinterpret_cast<const char*>(data + 1);
    const std::size_t length = size - 1;
    nmea::CSentenceFramer framer;
    std::size_t delivered = 0;
    const nmea::SentenceList sentences = {{"RMC", "", true}, {"GGA", "", false}};
    const nmea::TalkerList talkers = {"GP", "II"};
    for (std::size_t at = 0; at < length; at += step) {
        framer.Feed(std::span<const char>(bytes + at, std::min(step, length - at)),
                    [&](std::string_view line) {
                        if (line.empty() || line.front() != '$' ||
                            line.size() > nmea::CSentenceFramer::kMaxLine)
                            std::abort();
                        delivered += line.size();
                        nmea::CNMEADevice::AcceptTalker(line, talkers);
                        nmea::CNMEADevice::IsSentenceEnabled(line, sentences);
                        if (nmea::CNMEADevice::ChecksumSuffix(line).size() != 3)
                            std::abort();
                    });
    }
    if (delivered + framer.Pending().size() > length)
        std::abort();
    return 0;
}
