// Sentence intake speed: complete GPS sentences (RMC, GGA, GLL, VTG, ZDA, in
// the order and mix the real captures have them) from the received line to
// the stored values.
//
// BM_ParseGpsSentences_Reference does the same work the way a first attempt
// would: a vector of strings per sentence and strtod on each field.
//
// BM_IntakeFromBuffer runs the whole intake of a port: the 2,284 RMC, GGA,
// GLL, VTG and ZDA lines of the captures as one received byte stream, read in
// serial-sized chunks, framed, checked and parsed into the stored values.
// BM_IntakeFromBuffer_Reference does the least any parser must with the same
// bytes: find the lines, check the checksum, split on commas and convert every
// numeric field with std::from_chars.

#include <benchmark/benchmark.h>

#include <array>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "nmea/NMEAMessageParser.h"
#include "nmea/SentenceFramer.h"
#include "platform/Clock.h"

namespace {

// Every RMC, GGA, GLL, VTG and ZDA line of the captures, in their order,
// without its line end.
const std::vector<std::string>& CaptureLines()
{
    static const std::vector<std::string> lines = [] {
        std::vector<std::string> out;
        for (int n = 1; n <= 8; ++n) {
            char name[64];
            std::snprintf(name, sizeof name, "%s/capture-%02d.nmea", BRINE_NMEA_CAPTURES, n);
            std::ifstream in(name, std::ios::binary);
            std::string line;
            while (std::getline(in, line)) {
                while (!line.empty() && line.back() == '\r')
                    line.pop_back();
                if (line.size() < 7 || line[0] != '$')
                    continue;
                const std::string id = line.substr(3, 3);
                if (id == "RMC" || id == "GGA" || id == "GLL" || id == "VTG" || id == "ZDA")
                    out.push_back(line);
            }
        }
        return out;
    }();
    return lines;
}

const std::vector<std::string>& GpsLines()
{
    static const std::vector<std::string> lines = [] {
        std::vector<std::string> out;
        const platform::CSystemClock clock;
        nmea::CNMEAGPSParser check(clock, 5);
        for (const std::string& line : CaptureLines())
            // Complete sentences only: those that pass and store something.
            if (check.ParseLine(line) && check.Message().WrittenCount() > 0)
                out.push_back(line + "\r\n");
        return out;
    }();
    return lines;
}

void BM_ParseGpsSentences(benchmark::State& state)
{
    const auto& lines = GpsLines();
    if (lines.empty()) {
        state.SkipWithError("no capture lines found");
        return;
    }
    const platform::CSystemClock clock;
    nmea::CNMEAGPSParser parser(clock, 5);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(parser.ParseLine(lines[i]));
        if (++i == lines.size())
            i = 0;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    state.counters["lines"] = static_cast<double>(lines.size());
}

// A straightforward parser: checksum, split into strings, convert, store.
struct ReferenceStore {
    double values[160] = {};
};

bool ReferenceParse(const std::string& line, ReferenceStore& store)
{
    const auto star = line.rfind('*');
    if (star == std::string::npos)
        return false;
    unsigned sum = 0;
    for (std::size_t i = 1; i < star; ++i)
        sum ^= static_cast<unsigned char>(line[i]);
    if (std::strtoul(line.substr(star + 1, 2).c_str(), nullptr, 16) != sum)
        return false;
    std::vector<std::string> fields;
    std::stringstream ss(line.substr(1, star - 1));
    std::string field;
    while (std::getline(ss, field, ','))
        fields.push_back(field);
    const std::string id = fields[0].substr(2);
    auto num = [&](std::size_t k) {
        return k < fields.size() ? std::strtod(fields[k].c_str(), nullptr) : 0.0;
    };
    if (id == "RMC") {
        store.values[91] = num(1);
        store.values[58] = num(3);
        store.values[59] = num(5);
        store.values[51] = num(7);
        store.values[49] = num(8);
        store.values[97] = num(9);
    } else if (id == "GLL") {
        store.values[58] = num(1);
        store.values[59] = num(3);
        store.values[91] = num(5);
    } else if (id == "GGA") {
        store.values[91] = num(1);
    } else if (id == "VTG") {
        store.values[49] = num(1);
        store.values[51] = num(5);
    } else if (id == "ZDA") {
        store.values[149] = num(1);
        store.values[150] = num(2);
    }
    return true;
}

void BM_ParseGpsSentences_Reference(benchmark::State& state)
{
    const auto& lines = GpsLines();
    if (lines.empty()) {
        state.SkipWithError("no capture lines found");
        return;
    }
    ReferenceStore store;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReferenceParse(lines[i], store));
        if (++i == lines.size())
            i = 0;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

// Every line of the five kinds, complete or not, as the port receives them.
const std::string& CaptureStream()
{
    static const std::string stream = [] {
        std::string out;
        for (const std::string& line : CaptureLines())
            out += line + "\r\n";
        return out;
    }();
    return stream;
}

std::int64_t LinesIn(const std::string& stream)
{
    std::int64_t lines = 0;
    for (const char c : stream)
        lines += c == '\n' ? 1 : 0;
    return lines;
}

// A serial port's reads come in small pieces; 64 bytes is a typical read.
constexpr std::size_t kChunk = 64;

void BM_IntakeFromBuffer(benchmark::State& state)
{
    const std::string& stream = CaptureStream();
    if (stream.empty()) {
        state.SkipWithError("no capture lines found");
        return;
    }
    const platform::CSystemClock clock;
    nmea::CNMEAGPSParser parser(clock, 5);
    nmea::CSentenceFramer framer;
    std::int64_t parsed = 0;
    for (auto _ : state) {
        for (std::size_t at = 0; at < stream.size(); at += kChunk) {
            const std::size_t n = std::min(kChunk, stream.size() - at);
            framer.Feed(std::span<const char>(stream.data() + at, n),
                        [&](std::string_view line) { parsed += parser.ParseLine(line) ? 1 : 0; });
        }
    }
    benchmark::DoNotOptimize(parsed);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * LinesIn(stream));
}

struct LeanStore {
    std::array<double, 24> fields{};
    std::int64_t lines = 0;
};

bool LeanParse(std::string_view line, LeanStore& store)
{
    const std::size_t star = line.rfind('*');
    if (line.size() < 2 || star == std::string_view::npos || star + 3 > line.size())
        return false;
    unsigned sum = 0;
    for (std::size_t i = 1; i < star; ++i)
        sum ^= static_cast<unsigned char>(line[i]);
    unsigned given = 0;
    const auto [hexEnd, hexError] =
        std::from_chars(line.data() + star + 1, line.data() + star + 3, given, 16);
    if (hexError != std::errc() || given != sum)
        return false;
    std::size_t field = 0;
    std::size_t begin = 1;
    while (begin <= star && field < store.fields.size()) {
        std::size_t end = begin;
        while (end < star && line[end] != ',')
            ++end;
        const char first = begin < end ? line[begin] : ',';
        if ((first >= '0' && first <= '9') || first == '-' || first == '.')
            std::from_chars(line.data() + begin, line.data() + end, store.fields[field]);
        ++field;
        begin = end + 1;
    }
    ++store.lines;
    return true;
}

void BM_IntakeFromBuffer_Reference(benchmark::State& state)
{
    const std::string& stream = CaptureStream();
    if (stream.empty()) {
        state.SkipWithError("no capture lines found");
        return;
    }
    LeanStore store;
    std::string pending;
    pending.reserve(128);
    for (auto _ : state) {
        for (std::size_t at = 0; at < stream.size(); at += kChunk) {
            const std::size_t n = std::min(kChunk, stream.size() - at);
            std::string_view bytes(stream.data() + at, n);
            while (!bytes.empty()) {
                const std::size_t newline = bytes.find('\n');
                if (newline == std::string_view::npos) {
                    pending.append(bytes);
                    break;
                }
                pending.append(bytes.substr(0, newline + 1));
                bytes.remove_prefix(newline + 1);
                const std::size_t dollar = pending.find('$');
                if (dollar != std::string::npos)
                    LeanParse(std::string_view(pending).substr(dollar), store);
                pending.clear();
            }
        }
    }
    benchmark::DoNotOptimize(store);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * LinesIn(stream));
}

}   // namespace

BENCHMARK(BM_IntakeFromBuffer);
BENCHMARK(BM_IntakeFromBuffer_Reference);
BENCHMARK(BM_ParseGpsSentences);
BENCHMARK(BM_ParseGpsSentences_Reference);
BENCHMARK_MAIN();
