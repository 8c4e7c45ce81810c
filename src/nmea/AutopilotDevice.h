#pragma once
// The autopilot: keeps the newest "$ECAPB" sentence and re-sends it at the
// output rate on its transmit port while the route is being steered and
// position data exists. The pace runs on the monotonic clock, so a clock step
// or a counter wrap never stalls or floods the autopilot.

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "nmea/InstrumentConfig.h"
#include "nmea/NMEADevice.h"
#include "nmea/OutputSentences.h"

namespace nmea {

class CAutopilotDevice final : public CNMEADevice {
public:
    static constexpr double kMinRateSeconds = 0.1;
    static constexpr double kMaxRateSeconds = 10.0;

    // `mayOutput` answers whether autopilot support is on and position data
    // exists (GPS input running or dead reckoning); asked on the output thread.
    CAutopilotDevice(CPortDirectory& ports, const CInstrumentConfig& config,
                     std::function<bool()> mayOutput);
    ~CAutopilotDevice() override;

    std::string GetName() const override { return "Autopilot"; }
    std::uint8_t GetTransmitPort() const override { return m_config.transmitPort; }
    bool TalkerFilter(std::string_view line) const override { return m_config.AcceptTalker(line); }
    bool SentenceFilter(std::string_view line) const override
    {
        return m_config.IsSentenceEnabled(line);
    }

    // Composes the sentence and makes it the current one. An arrival or a
    // passed perpendicular is reported for one navigation update only; the
    // newer sentences carry it on until a sentence with it has gone out, so
    // the output pace never drops the report.
    bool BuildAPBSentence(const CApbFields& fields, bool addChecksum);
    // Seconds between sends, kept in 0.1..10.
    void SetOutputRate(double seconds);
    double GetOutputRate() const;
    std::string CurrentSentence() const;
    // Drops the current sentence: nothing goes out until the next is composed.
    void ForgetSentence();
    // Wakes the output thread after the conditions behind `mayOutput` changed.
    void Poke() { NotifyTransmitWorker(); }

protected:
    bool QueueOutput(std::string line) override;
    bool StartTransmitThread() override;

private:
    const CInstrumentConfig& m_config;
    std::function<bool()> m_mayOutput;
    std::atomic<std::int64_t> m_rateMicroseconds{2'000'000};
    // Guarded by the transmit lock: the current sentence and the number of
    // the composition it came from; for each report not yet sent, the
    // composition that first carried it (0: none held).
    std::string m_current;
    std::uint64_t m_composed = 0;
    std::uint64_t m_currentComposition = 0;
    std::uint64_t m_arrivalSince = 0;
    std::uint64_t m_perpendicularSince = 0;
};

}   // namespace nmea
