#pragma once
// Models of the navigator's instrument pages "GPS" and "Autopilot": values,
// ranges, spin steps and the check before anything applies. The apply
// function reopens only the side whose port changed.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/OptionPages.h"

namespace nmea {

// One step of the autopilot rate's spin: whole seconds above one second,
// tenths below, never past 0.1 or 10.
double StepAutopilotRate(double seconds, bool up);

struct CAutopilotOptions {
    std::uint8_t transmitPort = 0;
    bool transmit = false;
    std::string rateText = "1.0";   // seconds between sentences, as typed
    bool operator==(const CAutopilotOptions&) const = default;
};

class CAutopilotOptionsModel : public app::COptionPageModel {
public:
    // `port` comes back as the port in use: "Off" when the chosen one would not open.
    using ApplyFn = std::function<void(std::uint8_t& port, bool transmit, double rate)>;
    CAutopilotOptionsModel(const CAutopilotOptions& current, bool switchEnabled, ApplyFn apply);

    std::string Title() const override { return "Autopilot"; }
    std::vector<app::CFieldError> Validate() const override;
    void Apply() override;

    CAutopilotOptions& Values() { return m_values; }
    bool SwitchEnabled() const { return m_switchEnabled; }
    void Spin(bool up);
    // The rate text read locale-free; NaN when it is no number.
    double Rate() const;

private:
    CAutopilotOptions m_values;
    bool m_switchEnabled;
    ApplyFn m_apply;
};

struct CGPSOptions {
    std::uint8_t receivePort = 0;
    std::uint8_t transmitPort = 0;
    int drDelaySeconds = 60;   // dead reckoning starts this long after a fix is lost
    int validSentenceSeconds = 5;
    bool operator==(const CGPSOptions&) const = default;
};

class CGPSOptionsModel : public app::COptionPageModel {
public:
    // `now` comes back with the ports in use: "Off" for a side that would not open.
    using ApplyFn = std::function<void(CGPSOptions& now, const CGPSOptions& before)>;
    CGPSOptionsModel(const CGPSOptions& current, ApplyFn apply);

    std::string Title() const override { return "GPS"; }
    std::vector<app::CFieldError> Validate() const override;
    void Apply() override;

    CGPSOptions& Values() { return m_values; }

private:
    CGPSOptions m_values;
    CGPSOptions m_applied;
    ApplyFn m_apply;
};

}   // namespace nmea
