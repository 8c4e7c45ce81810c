#pragma once
// The vessel module ("Vessel"): the folder of the vessel files, the vessel's
// name (which names its ".vsl" file there), the own-vessel circle and the
// display properties of the own-vessel symbol, heading marker and speed
// vector. It owns the own vessel's particulars and deviation card, read from
// the ".vsl" file when the settings load and written whenever the options
// change them.

#include <filesystem>
#include <functional>
#include <string>

#include "app/Module.h"
#include "chart/overlays/OverlayVessel.h"
#include "navigator/OwnVessel.h"
#include "navigator/VesselFiles.h"

namespace navigator {

// The own-vessel circle's radius range: what the options page and its spin
// let the user set, and what a stored radius is taken as at load, so that a
// radius set on the page comes back as it was set.
inline constexpr double kVesselCircleLeast = 0.02;   // nm
inline constexpr double kVesselCircleMost = 5.0;
inline constexpr double kVesselCircleFallback = 1.0;   // a stored radius outside the range

// One spin step of the circle's radius: 0.02 nm up to 1.0, 0.1 nm above it.
double StepVesselCircleRadius(double nm, bool up);

// The stored name reduced to a file title: folder and a ".vsl" extension
// dropped; nothing left gives "Default".
std::string VesselFileTitle(std::string_view stored);
// The file title of a vessel's name: path separators become '_'.
std::string VesselFileTitleForName(std::string_view name);

class CVesselModule : public app::CModule {
public:
    // `defaultFolder`: the data folder until the settings name another.
    CVesselModule(app::CSettingsHome& home, std::filesystem::path defaultFolder);

    bool Initialise() override;
    void LoadSettings() override;
    void SaveSettings() override;

    const COwnVessel& Vessel() const { return m_vessel; }
    const std::string& VesselName() const { return m_name; }
    std::filesystem::path VesselFilePath() const;
    bool WarningCircles() const { return m_warningCircles; }
    double WarningCirclesRadius() const { return m_warningCirclesRadius; }
    chart::COwnVesselStyle& Style() { return m_style; }
    const chart::COwnVesselStyle& Style() const { return m_style; }

    // What went wrong with the last read or write of the vessel file; empty when it held.
    const std::string& LastFileMessage() const { return m_fileMessage; }

    // The particulars page applied: the vessel takes name, length, draft,
    // speed and beam; the folder becomes the data folder (made when missing);
    // the vessel file is written. False (with LastFileMessage) when it could not be.
    bool ApplyParticulars(const COwnVessel& particulars, const std::string& folder);
    // The deviation page applied: the card is replaced and the file written.
    bool ApplyDeviation(const std::array<double, kDeviationPoints>& card);
    // The overlays page applied.
    void ApplyOverlays(const chart::COwnVesselStyle& style, bool circles, double radius);

    // Told after any change of the vessel or its display (the views redraw,
    // the passage plan takes the new card).
    std::function<void()> changed;
    // Told before the vessel's particulars change, with the old and the new record.
    std::function<void(const COwnVessel& before, const COwnVessel& after)> particularsChanging;

    CVesselFileWait fileWait;

private:
    bool UseFolder(const std::filesystem::path& folder);
    bool WriteVessel();
    void Changed() const
    {
        if (changed)
            changed();
    }

    std::filesystem::path m_defaultFolder;
    COwnVessel m_vessel;
    std::string m_name = "Default";
    bool m_warningCircles = true;
    double m_warningCirclesRadius = 0.5;
    chart::COwnVesselStyle m_style;
    std::string m_fileMessage;
};

}   // namespace navigator
