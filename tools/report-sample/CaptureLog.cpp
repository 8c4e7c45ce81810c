#include "CaptureLog.h"
#include "ReportSample.h"
#include "SampleClock.h"

#include "navigator/PositionSource.h"
#include "navigator/VesselLogbook.h"
#include "nmea/NMEAMessageParser.h"
#include "nmea/NMEAValueIndex.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <vector>

namespace report_sample {

namespace {

namespace fs = std::filesystem;
using namespace std::chrono;

struct Voyage {
    std::string name;   // the capture's file title
    std::vector<navigator::CNavSnapshot> fixes;
};

// The position source's questions go unanswered: a capture is read, not sailed.
class QuietHost final : public navigator::CPositionSourceHost {
public:
    void SetNmeaCaution(bool) override { }
    void SetConfirmationWarning(bool, seconds) override { }
    void LogEvent(const std::string&, int) override { }
    void SetNextFixType(int) override { }
    void ForceTrackPoint() override { }
    void SourceChanged(bool) override { }
    void AskGpsConfiguration() override { }
    geo::CPosition OwnVesselPosition() const override { return {}; }
};

double ValueOrUnset(const nmea::CNMEADataValue* values, int index)
{
    return values[index].IsValid() ? values[index].GetDouble() : nmea::kNoValue;
}

// Every dated fix of one capture, as the navigation cycle would take it:
// the position source's position and time, the store's course and speeds.
// A capture whose time jumps back holds two recordings: a voyage each.
void ReadCapture(const fs::path& file, std::vector<Voyage>& voyages)
{
    Voyage voyage{file.stem().string(), {}};
    int part = 1;
    CSampleClock clock;
    nmea::CNMEAGPSParser parser(clock, 5);
    QuietHost host;
    navigator::CPositionSource source(clock, parser.FixRecord(), parser.Values(), host);
    std::ifstream in(file, std::ios::binary);
    std::uint64_t sequence = 0;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        parser.ParseLine(line);
        const std::uint64_t now = parser.FixRecord().Read().sequence;
        if (now == sequence)
            continue;
        sequence = now;
        const navigator::CAcquisition got = source.Refresh();
        clock.monotonic += seconds(1);   // each fix a step on, whatever its stamp says
        if (!got.acquired || !got.fixTimeUtc)
            continue;
        navigator::CNavSnapshot s;
        s.position = got.position;
        s.positionAvailable = s.positionAcquired = true;
        s.source = navigator::PositionSourceKind::NMEA;
        s.fixTimeUtc = got.fixTimeUtc;
        const nmea::CNMEADataValue* values = parser.Values();
        s.cog = ValueOrUnset(values, nmea::item::CourseOverGroundTrue);
        s.sog = ValueOrUnset(values, nmea::item::SpeedOverGroundKnots);
        s.heading = ValueOrUnset(values, nmea::item::HeadingTrue);
        s.speedThroughWater = ValueOrUnset(values, nmea::item::SpeedThroughWaterKnots);
        if (!voyage.fixes.empty() && *s.fixTimeUtc < *voyage.fixes.back().fixTimeUtc) {
            voyages.push_back(std::move(voyage));
            voyage = Voyage{file.stem().string() + "/" + std::to_string(++part), {}};
        }
        voyage.fixes.push_back(s);
    }
    if (!voyage.fixes.empty())
        voyages.push_back(std::move(voyage));
}

}   // namespace

bool WriteCaptureLog(const std::string& path, const fs::path& captures, std::string& error)
{
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(captures, ec))
        if (entry.path().extension() == ".nmea")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::vector<Voyage> voyages;
    for (const fs::path& file : files)
        ReadCapture(file, voyages);
    if (voyages.empty()) {
        error = "no capture in " + captures.string() + " has a dated fix";
        return false;
    }
    std::stable_sort(voyages.begin(), voyages.end(), [](const Voyage& a, const Voyage& b) {
        return *a.fixes.front().fixTimeUtc < *b.fixes.front().fixTimeUtc;
    });

    CSampleClock clock;
    auto current = std::make_shared<navigator::CNavSnapshot>();
    navigator::CVesselLogServices services;
    services.currentSnapshot = [&current] { return current; };
    services.particulars = [] { return std::optional<navigator::COwnVessel>(SampleVessel()); };
    // Not closed at the end: the last voyage stays under way.
    auto log = std::make_unique<navigator::CVesselLogbook>(clock, services);
    log->SetAppendToExisting(true);   // one vessel, a voyage per recording
    if (!log->Open(path)) {
        error = "cannot write " + path;
        return false;
    }
    bool mooredOnce = false;
    for (std::size_t n = 0; n < voyages.size(); ++n) {
        const Voyage& voyage = voyages[n];
        // Switched on: the time of the first fix, no position yet.
        current = std::make_shared<navigator::CNavSnapshot>();
        clock.Set(floor<seconds>(*voyage.fixes.front().fixTimeUtc));
        if (!log->StartVoyage(voyage.name, "SAMPLE")) {
            error = "the voyage of " + voyage.name + " could not start";
            return false;
        }
        log->LogEvent("Receiver on. SAMPLE", -1);
        sys_seconds lastRow{};
        for (const navigator::CNavSnapshot& fix : voyage.fixes) {
            current = std::make_shared<navigator::CNavSnapshot>(fix);
            clock.Set(*fix.fixTimeUtc);
            log->WriteTrackPoint(fix);
            if (const sys_seconds second = floor<seconds>(*fix.fixTimeUtc); second != lastRow) {
                log->WriteLogRecord(fix);
                lastRow = second;
            }
        }
        log->LogEvent("End of " + voyage.name, -1);
        if (n + 1 == voyages.size())
            break;
        // Once, where the next recording starts on a later day: moored at
        // 23:30 UTC with the receiver off.
        const sys_seconds last = floor<seconds>(*voyage.fixes.back().fixTimeUtc);
        sys_seconds moored = floor<days>(last) + hours(23) + minutes(30);
        if (moored <= last)
            moored += days(1);
        if (!mooredOnce && *voyages[n + 1].fixes.front().fixTimeUtc > moored) {
            mooredOnce = true;
            current = std::make_shared<navigator::CNavSnapshot>();
            clock.Set(moored);
            log->LogEvent("Moored, receiver off.", -1);
        }
        if (!log->EndVoyage()) {
            error = "the voyage of " + voyage.name + " could not end";
            return false;
        }
    }
    log.reset();
    return true;
}

}   // namespace report_sample
