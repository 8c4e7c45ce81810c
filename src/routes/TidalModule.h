#pragma once
// The tidal module: the tidal display settings shared by the atlas and the
// tidal stream window, the tidal-model module, and whether tidal data is
// available. It is also the arrows' settings source: VectorLen pixels per
// knot, capped at the atlas spacing in use, labels by Speed and Height.

#include "app/DateTimeEx.h"
#include "app/Module.h"
#include "chart/overlays/OverlayServices.h"
#include "routes/TidalModelModule.h"

#include <memory>

namespace routes {

struct CTidalDisplaySettings {
    int startTimeMethod = 0;   // 0 now, 1 the plan card's departure, 2 the stored time
    bool automaticSpacing = true;
    bool rateAndDirection = true;   // "Speed"
    bool elevation = false;   // "Height"
    double spacing = 12.0;   // nm, user defined
    double lastAutomaticSpacing = 12.0;   // nm, not stored
    int vectorLength = 20;   // pixels per knot
    app::CDateTimeEx startTime = app::CDateTimeEx::GetCurrentTime();

    static constexpr int kMinVectorLength = 5, kMaxVectorLength = 100;
    static constexpr double kMinSpacing = 0.1, kMaxSpacing = 600.0;

    // Missing values leave their fields; values out of range are brought in.
    void Load(const app::CRegistry& key);
    void Save(app::CRegistry& key) const;
    // The spacing the atlas draws at now, nm.
    double SpacingInUse() const { return automaticSpacing ? lastAutomaticSpacing : spacing; }
};

class CTidalModule : public app::CModule, public chart::CTidalSettingsSource {
public:
    CTidalModule(app::CSettingsHome& settings, std::string programFolder);
    ~CTidalModule() override;

    bool Initialise() override;
    bool Terminate() override;
    void LoadSettings() override;
    void SaveSettings() override;
    // Data available = the library accepts the folder and at least one model loads.
    bool CheckAvailability() override;

    bool IsDataAvailable() const { return m_dataAvailable; }
    CTidalDisplaySettings& DisplaySettings() { return m_display; }
    const CTidalDisplaySettings& DisplaySettings() const { return m_display; }
    CTidalModelModule& Models() { return *m_models; }

    // chart::CTidalSettingsSource
    chart::CTidalSettings GetTidalSettings() const override;

private:
    CTidalDisplaySettings m_display;
    std::unique_ptr<CTidalModelModule> m_models;
    bool m_dataAvailable = false;
};

// Seconds since 1970 UTC of a local time, and back (the tz database decides).
std::int64_t LocalToUtcSeconds(const app::CDateTimeEx& local);
app::CDateTimeEx UtcSecondsToLocal(std::int64_t utc);

}   // namespace routes
