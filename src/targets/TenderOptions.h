#pragma once
// The "Tender Tracking" options page without windows: a copy of the tender
// settings, the tenders' display properties and one simulation row per
// channel; the range checks; and Apply, which hands the copy to tender
// tracking in a fixed order (channel table with polling paused, display
// properties, port, refresh span, channel window, simulation, Clear Panic).

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/OptionPages.h"
#include "chart/overlays/OverlayProperties.h"
#include "targets/TenderSettings.h"

namespace targets {

class CTenderTracking;

// What the configuration card edits for one channel's simulation.
struct CTenderSimulationRow {
    CTargetPosition position;
    double course = 0.0;   // degrees true
    double speed = 0.0;   // knots
    double depth = 0.0;   // metres
    // On: a tracked tender goes on from where it is; off: it starts again at `position`.
    bool useChart = true;
    bool simulate = false;
    bool panic = false;
};

struct CTenderOptions {
    CTenderSettings settings;
    chart::CTargetProperties properties;
    std::array<CTenderSimulationRow, kTenderChannels> simulation{};
    // "Clear Panic": every tender's man-overboard flag cleared on apply.
    bool clearPanic = false;
};

// The options as tender tracking holds them now. A channel's simulation row
// starts where its simulation stands while it is simulated, else at `centre`
// (the middle of the active chart).
CTenderOptions TenderOptionsOf(CTenderTracking& tracking, const CTargetPosition& centre);

// Applies `options`; false when the port could not be opened again, with
// the reason. Tracking is then off and the port setting reads "Off".
bool ApplyTenderOptions(CTenderTracking& tracking, const CTenderOptions& options,
                        std::string* reason);

class CTenderOptionsModel final : public app::COptionPageModel {
public:
    // `current` reads the options from tracking; `apply` hands them over and
    // returns a failure text (empty on success).
    CTenderOptionsModel(std::function<CTenderOptions()> current,
                        std::function<std::string(const CTenderOptions&)> apply,
                        std::function<int()> manOverboardCount);

    std::string Title() const override { return "Tender Tracking"; }
    std::vector<app::CFieldError> Validate() const override;
    void Apply() override;

    CTenderOptions& Values() { return m_values; }
    const CTenderOptions& Values() const { return m_values; }
    // The failure of the last apply, for the page to show; empty when none.
    const std::string& Failure() const { return m_failure; }

    bool PropertiesDiffer() const;
    void DefaultProperties();
    // "&Clear Panic" is offered while a tender is in panic and no clear is asked yet.
    bool ClearPanicEnabled() const;

private:
    std::function<CTenderOptions()> m_current;
    std::function<std::string(const CTenderOptions&)> m_apply;
    std::function<int()> m_manOverboardCount;
    CTenderOptions m_values;
    std::string m_failure;
};

}   // namespace targets
