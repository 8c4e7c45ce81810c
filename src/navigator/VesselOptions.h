#pragma once
// The "Vessel Options" sheet's pages: "General" (the own vessel's particulars
// and the folder of the vessel files), "Deviation" (the compass deviation
// card) and "Overlays" (symbol size, colours, the own-vessel circle). Each
// edits copies; OK hands them to the vessel module.

#include <array>
#include <functional>
#include <string>

#include "app/OptionPages.h"
#include "chart/overlays/OverlayVessel.h"
#include "navigator/DeviationEntries.h"
#include "navigator/OwnVessel.h"

namespace navigator {

inline constexpr std::size_t kVesselNameLength = 25;

// A card entry as the page shows it: the magnitude with one decimal and the
// side, "2.5E" for 2.5 and for 0, "1.0W" for -1.
std::string FormatDeviationEntry(double degrees);

class CVesselGeneralModel : public app::COptionPageModel {
public:
    using ApplyFn = std::function<void(const COwnVessel& particulars, const std::string& folder)>;
    CVesselGeneralModel(const COwnVessel& vessel, const std::string& folder, ApplyFn apply);

    std::string Title() const override { return "General"; }
    std::vector<app::CFieldError> Validate() const override;
    void Apply() override;

    std::string name;
    std::string length, draft, beam, speed;   // one decimal
    std::string folder;

private:
    ApplyFn m_apply;
};

class CDeviationModel : public app::COptionPageModel {
public:
    using ApplyFn = std::function<void(const std::array<double, kDeviationPoints>&)>;
    CDeviationModel(const std::array<double, kDeviationPoints>& card, ApplyFn apply);

    std::string Title() const override { return "Deviation"; }
    // Every entry is checked before any is stored: the first bad one is named.
    std::vector<app::CFieldError> Validate() const override;
    void Apply() override;

    std::array<std::string, kDeviationPoints> entries;

private:
    ApplyFn m_apply;
};

class CVesselOverlayModel : public app::COptionPageModel {
public:
    using ApplyFn =
        std::function<void(const chart::COwnVesselStyle& style, bool circles, double radius)>;
    CVesselOverlayModel(const chart::COwnVesselStyle& style, bool circles, double radius,
                        ApplyFn apply);

    std::string Title() const override { return "Overlays"; }
    std::vector<app::CFieldError> Validate() const override;
    void Apply() override;

    chart::COwnVesselStyle style;
    bool circles = false;
    std::string radiusText;   // two decimals

    bool RadiusEnabled() const { return circles; }
    void SpinRadius(bool up);

private:
    ApplyFn m_apply;
};

}   // namespace navigator
