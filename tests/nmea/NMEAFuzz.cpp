// Fuzzes sentence intake: every line of the input goes through the
// dispatcher as received (checksum and all), through Dispatch directly so the
// parsers are reached without a matching checksum, and through one parser
// chosen by the line's first byte; the splitter also gets arbitrary
// field-type strings. Lines taken in one pass are checked against the
// separate checksum and a plain copy. Seeded with the real captures.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "nmea/NMEAMessageParser.h"
#include "nmea/NMEASentenceTable.h"
#include "platform/Clock.h"

namespace {

void ReadAllSlots(const nmea::CNMEAMessage& m)
{
    volatile double sink = 0;
    for (int k = 0; k <= 21; ++k)
        sink = sink + m.Char(k).value_or(0) + m.Number(k).value_or(0) + m.Int(k).value_or(0) +
               double(m.Text(k).value_or("").size());
}

// A line taken in one pass (copy, checksum and field index together) must
// answer as the separate checksum does and then hold the fields of a plain
// copy of the sentence.
void OnePassAgrees(std::string_view line)
{
    static nmea::CNMEAMessage onePass, plain;
    if (!line.empty() && line.front() == '$')
        line.remove_prefix(1);
    const bool taken = onePass.SetCheckedLine(nmea::sentence::RMC, line);
    if (taken != nmea::NmeaChecksumOk(line))
        __builtin_trap();
    if (!taken)
        return;
    plain.SetSentence(nmea::sentence::RMC, line.size() > 2 ? line.substr(2) : std::string_view{});
    if (onePass.SentenceText() != plain.SentenceText())
        __builtin_trap();
    for (int k = 1; k <= 60; ++k)
        if (onePass.GetField(k) != plain.GetField(k))
            __builtin_trap();
}

void OneLine(std::string_view line)
{
    static const platform::CSystemClock clock;
    static nmea::CNMEAGPSParser gps(clock, 5), wind(clock, 5), arpa(clock, 5);
    static std::atomic<bool> ignoreWarnings{false};
    [[maybe_unused]] static const bool routed = [] {
        gps.SetStores({gps.Values(), wind.Values(), arpa.Values()});
        gps.SetIgnoreWarningFlags(&ignoreWarnings);
        return true;
    }();
    ignoreWarnings = !line.empty() && (line.back() & 1);
    OnePassAgrees(line);
    gps.ParseLine(line);
    gps.Dispatch(line);
    if (line.empty())
        return;

    const auto selector = static_cast<unsigned char>(line.front());
    const std::string_view rest = line.substr(1);
    nmea::CNMEAMessage& m = gps.Message();
    const int index = selector % static_cast<int>(nmea::kSentenceCount);
    m.SetSentence(index, std::string(nmea::NmeaSentenceId(index)) + "," + std::string(rest));
    m.Parse();
    ReadAllSlots(m);
    m.SetNextFieldNumber(selector);
    m.Split(rest.substr(0, 64));
    ReadAllSlots(m);
    (void)m.GetField(selector);
    (void)nmea::NmeaParseNumber(rest);
    (void)nmea::NmeaParseInt(rest);
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Seed inputs are whole captures; past their first fifty lines they only
    // repeat themselves, and a capped input keeps the runs fast.
    const std::string_view input(reinterpret_cast<const char*>(data), size < 4096 ? size : 4096);
    OneLine(input);   // the whole input as one line, however long
    for (std::size_t start = 0, end = 0; start < input.size(); start = end + 1) {
        end = std::min(input.find('\n', start), input.size());
        OneLine(input.substr(start, end - start));
    }
    return 0;
}
