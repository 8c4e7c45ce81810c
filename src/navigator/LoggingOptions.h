#pragma once
// The "Position Logging" page of the navigator's options: how often a track
// point and a logbook row are written, whether logging is on, and the folder
// the vessel logs live in. Applying it sets the navigator's track-point
// interval ("VesselPlotFixFreq") and the GPS module's logbook-row interval
// ("LoggingPeriod"), switches logging, makes the folder with every missing
// level, and writes the settings; the cycle uses the new intervals from its
// next tick.

#include <functional>
#include <string>
#include <vector>

#include "app/OptionPages.h"

namespace nmea {
class CGPSModule;
}

namespace navigator {

class CNavigatorModule;

// Both intervals run from one second to six hours.
inline constexpr long kLoggingSpanMin = 1;
inline constexpr long kLoggingSpanMax = 6 * 3600;

struct CLoggingValues {
    long trackSeconds = 300;
    long logSeconds = 300;
    bool loggingOn = false;
    std::string folder;
    bool operator==(const CLoggingValues&) const = default;
};

// The values as the navigator and the GPS module hold them now.
CLoggingValues CurrentLoggingValues(const CNavigatorModule& nav, const nmea::CGPSModule& gps);

// Applies the values (already checked) and saves both modules' settings.
// Empty when all went in; else what failed (a new folder could not be made:
// the log keeps its folder, everything else is applied). The folder the log
// has already is made when missing, and left as it is when it cannot be.
std::string ApplyLoggingValues(CNavigatorModule& nav, nmea::CGPSModule& gps,
                               const CLoggingValues& values);

class CLoggingOptionsModel : public app::COptionPageModel {
public:
    using ApplyFn = std::function<void(const CLoggingValues&)>;
    CLoggingOptionsModel(const CLoggingValues& current, ApplyFn apply);

    std::string Title() const override { return "Position Logging"; }
    std::vector<app::CFieldError> Validate() const override;
    void Apply() override;

    CLoggingValues& Values() { return m_values; }
    // Logging as the module has it now: when it was switched elsewhere (the
    // menu) since the page last looked, the page takes it.
    bool FollowLogging(bool moduleOn);

private:
    CLoggingValues m_values;
    std::string m_shownFolder;
    bool m_lastLogging;
    ApplyFn m_apply;
};

}   // namespace navigator
