// Received sentences through a serial port: batches of 40 capture lines
// written into a pseudo-terminal and timed until the GPS store holds the last
// of them, through the port's reader thread, the device's queue and its
// worker. BM_PortBatches_Reference reads the same batches from the same kind
// of terminal on one thread that frames and parses as it reads: the floor
// the threads and queues are held against. BM_PortSingleLine is the latency
// of one sentence from the wire to the store.

#include <benchmark/benchmark.h>
#include <poll.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "PtyPair.h"
#include "nmea/ComPort.h"
#include "nmea/InstrumentConfig.h"
#include "nmea/NMEAMessageParser.h"
#include "nmea/ParsingDevice.h"
#include "nmea/SentenceFramer.h"
#include "nmea/SerialDevice.h"

namespace {

constexpr std::size_t kBatch = 40;

// Every capture line a GPS device parses (starts with '$', fits 82
// characters with its line end), as the instrument sends it.
const std::vector<std::string>& Lines()
{
    static const std::vector<std::string> lines = [] {
        std::vector<std::string> out;
        for (int n = 1; n <= 8; ++n) {
            std::ifstream in(std::string(BRINE_NMEA_CAPTURES) + "/capture-0" + std::to_string(n) +
                             ".nmea");
            for (std::string line; std::getline(in, line);) {
                while (!line.empty() && line.back() == '\r')
                    line.pop_back();
                if (line.size() >= 7 && line[0] == '$' && line.size() + 2 <= 82 &&
                    line.find('$', 1) == std::string::npos)
                    out.push_back(line + "\r\n");
            }
        }
        return out;
    }();
    return lines;
}

std::string Batch(std::size_t index)
{
    const auto& lines = Lines();
    std::string bytes;
    for (std::size_t i = 0; i < kBatch; ++i)
        bytes += lines[(index * kBatch + i) % lines.size()];
    return bytes;
}

struct Folder {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("brine-bench-" + std::to_string(::getpid()));
    Folder() { std::filesystem::create_directories(path); }
    ~Folder() { std::filesystem::remove_all(path); }
};

class OnePort : public nmea::CPortDirectory {
public:
    explicit OnePort(nmea::CPort& port) : m_port(port) { }
    nmea::CPort* FindPort(std::uint8_t number) const override
    {
        return number == 1 ? &m_port : nullptr;
    }
    std::uint8_t GetFirstPortNumber() const override { return 1; }

private:
    nmea::CPort& m_port;
};

class GpsDevice : public nmea::CParsingDevice {
public:
    using CParsingDevice::CParsingDevice;
    ~GpsDevice() override { CloseAll(); }
    std::string GetName() const override { return "GPS"; }
};

struct PortRig {
    Folder folder;
    brine_test::PtyPair pty{folder.path, "usb-bench"};
    nmea::CComPort port{1, pty.Path().string()};
    OnePort ports{port};
    platform::CSystemClock clock;
    nmea::CNMEAGPSParser parser{clock, 5};
    nmea::CInstrumentConfig config;
    GpsDevice device{ports, config, parser};

    PortRig()
    {
        config.receivePort = 1;
        config.SetSentences({{"GGA", "", true},
                             {"GLL", "", true},
                             {"GSA", "", true},
                             {"GSV", "", true},
                             {"RMC", "", true},
                             {"VTG", "", true},
                             {"ZDA", "", true},
                             {"HDT", "", true},
                             {"DBT", "", true},
                             {"MWV", "", true},
                             {"XTE", "", true},
                             {"RMB", "", true},
                             {"DTM", "", true},
                             {"VHW", "", true},
                             {"BOD", "", true},
                             {"WPL", "", true}});
        device.OpenReceive();
    }
    // Lines of `bytes` the device will parse.
    std::size_t Accepted(const std::string& bytes) const
    {
        std::size_t n = 0;
        for (std::size_t at = 0; at < bytes.size();) {
            const std::size_t end = bytes.find('\n', at) + 1;
            if (device.IsSentenceAccepted(std::string_view(bytes).substr(at, end - at)))
                ++n;
            at = end;
        }
        return n;
    }
    void WaitParsed(std::uint64_t target)
    {
        while (device.ParsedLines() < target)
            std::this_thread::yield();
    }
};

void BM_PortBatches(benchmark::State& state)
{
    PortRig rig;
    std::size_t index = 0;
    std::uint64_t target = rig.device.ParsedLines();
    for (auto _ : state) {
        const std::string bytes = Batch(index++);
        target += rig.Accepted(bytes);
        rig.pty.Send(bytes);
        rig.WaitParsed(target);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kBatch));
}
BENCHMARK(BM_PortBatches)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_PortBatches_Reference(benchmark::State& state)
{
    Folder folder;
    brine_test::PtyPair pty(folder.path, "usb-bench");
    int error = 0;
    auto device = nmea::CSerialDevice::Open(pty.Path().string(), true, error);
    platform::CSystemClock clock;
    nmea::CNMEAGPSParser parser(clock, 5);
    nmea::CSentenceFramer framer;
    std::size_t index = 0;
    char buffer[512];
    for (auto _ : state) {
        const std::string bytes = Batch(index++);
        pty.Send(bytes);
        std::size_t lines = 0;
        while (lines < kBatch) {
            pollfd p{device->Fd(), POLLIN, 0};
            ::poll(&p, 1, 1000);
            const ssize_t n = ::read(device->Fd(), buffer, sizeof buffer);
            if (n <= 0)
                continue;
            framer.Feed(std::span<const char>(buffer, static_cast<std::size_t>(n)),
                        [&](std::string_view line) {
                            ++lines;
                            while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
                                line.remove_suffix(1);
                            parser.ParseLine(line);
                        });
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kBatch));
}
BENCHMARK(BM_PortBatches_Reference)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_PortSingleLine(benchmark::State& state)
{
    PortRig rig;
    const std::string line = "$GPGLL,4916.45,N,12311.12,W,225444,A*31\r\n";
    std::uint64_t target = rig.device.ParsedLines();
    for (auto _ : state) {
        rig.pty.Send(line);
        rig.WaitParsed(++target);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_PortSingleLine)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}   // namespace

BENCHMARK_MAIN();
