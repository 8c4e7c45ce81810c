#pragma once
// The autopilot: keeps the newest "$ECAPB" sentence and re-sends it at the
// output rate on its transmit port while the route is being steered and
// position data exists. The pace runs on the monotonic clock, so a clock step
// or a counter wrap never stalls or floods the autopilot.

#include <chrono>
#include <deque>
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
    // newer sentences for the same waypoint carry it on until one with it has
    // gone out, so the output pace never drops the report, and the same
    // sentence sent again goes without it. A report never rides on a sentence
    // for another waypoint: the last sentence for its own waypoint goes out
    // first.
    bool BuildAPBSentence(const CApbFields& fields, bool addChecksum);
    // Seconds between sends, kept in 0.1..10.
    void SetOutputRate(double seconds);
    double GetOutputRate() const;
    std::string CurrentSentence() const;
    // Drops the current sentence: nothing goes out until the next is composed.
    void ForgetSentence();
    // Called on the output thread when it fails; the transmit side is let go
    // right after. Set before the transmit side first opens.
    void SetFailureHandler(std::function<void()> handler) { m_onFailure = std::move(handler); }
    // Wakes the output thread after the conditions behind `mayOutput` changed.
    void Poke() { NotifyTransmitWorker(); }

protected:
    bool QueueOutput(std::string line) override;
    bool StartTransmitThread() override;

private:
    void Output(std::stop_token stop);

    const CInstrumentConfig& m_config;
    std::function<bool()> m_mayOutput;
    std::function<void()> m_onFailure;
    std::atomic<std::int64_t> m_rateMicroseconds{2'000'000};
    // Guarded by the transmit lock: the current sentence, the same without
    // the reports it carries (sent again once they have gone), the sentences
    // holding reports for waypoints no longer steered for (sent first, in
    // order), and the reports held for `m_heldFor`.
    std::string m_current;
    std::string m_plain;
    std::deque<std::string> m_reports;
    std::string m_heldFor;
    bool m_arrivalHeld = false;
    bool m_perpendicularHeld = false;
};

}   // namespace nmea
