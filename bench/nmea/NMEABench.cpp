// Sentence intake speed: complete GPS sentences (RMC, GGA, GLL, VTG, ZDA, in
// the order and mix the real captures have them) from the received line to
// the stored values.
//
// BM_ParseGpsSentences_Reference does the same work the way a first attempt
// would: a vector of strings per sentence and strtod on each field.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "nmea/NMEAMessageParser.h"
#include "platform/Clock.h"

namespace {

const std::vector<std::string>& GpsLines()
{
    static const std::vector<std::string> lines = [] {
        std::vector<std::string> out;
        const platform::CSystemClock clock;
        nmea::CNMEAGPSParser check(clock, 5);
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
                if (id != "RMC" && id != "GGA" && id != "GLL" && id != "VTG" && id != "ZDA")
                    continue;
                // Complete sentences only: those that pass and store something.
                if (check.ParseLine(line) && check.Message().WrittenCount() > 0)
                    out.push_back(line + "\r\n");
            }
        }
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

}   // namespace

BENCHMARK(BM_ParseGpsSentences);
BENCHMARK(BM_ParseGpsSentences_Reference);
BENCHMARK_MAIN();
