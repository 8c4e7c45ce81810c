#pragma once
// The ARPA module: the radar's targets on the chart. It owns the ARPA device
// (one receive port, a worker thread that parses TLL, TTM, TLB and RSD
// lines), the target store the handlers fill, the timer pass that ages the
// targets, the target display properties, the settings and three message-bar
// warnings. ARPA starts off; "Activate/Deactivate" opens and closes the port.
//
// Interface for the rest of the program (user-interface thread):
// - `SetNavigation`: where the own vessel comes from (the navigator's snapshot).
// - `SetVesselList`: the navigator's list, where new targets join.
// - `OnTimer(EverySecond)`: ages the targets, lays down track fixes, refreshes
//   positions and the radar cursor; `CheckTargetAges` runs whenever the
//   navigator's own-vessel cycle moved on.
// - `Targets()`: the tracked targets with their positions and tracks, what
//   the chart layer draws and the target panel lists.
// - `AddObserver`: windows (cards, pages, lists) hear of added, changed and
//   removed targets and of the selection through `CARPAObserver`.
// - `SelectTarget`, `RemoveTarget`, `ResetTargets`, `OnActivate`,
//   `OnRadarCursor`, `GetOptions`/`ApplyOptions` for menus, panel and pages.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Module.h"
#include "app/MsgBar.h"
#include "chart/overlays/OverlayProperties.h"
#include "nmea/InstrumentConfig.h"
#include "nmea/NMEAData.h"
#include "nmea/NMEAMessageParser.h"
#include "nmea/ParsingDevice.h"
#include "targets/ARPATargetPass.h"
#include "targets/ARPATargetStore.h"
#include "targets/RadarCursor.h"
#include "targets/TargetLogRows.h"
#include "targets/TargetMotion.h"

namespace targets {

class CARPADevice final : public nmea::CParsingDevice {
public:
    using CParsingDevice::CParsingDevice;
    ~CARPADevice() override { CloseAll(); }
    std::string GetName() const override { return "ARPA"; }
    std::uint8_t GetTransmitPort() const override { return 0; }
};

// The own vessel as the navigator knows it at one moment.
struct CNavigationState {
    COwnShip own;   // heading already chosen (navigator's, else the radar's)
    double navigatorHeading = 0.0;   // as the snapshot has it; kNoValue when unset
    bool ownFixReal = true;   // false while dead reckoning
    std::chrono::system_clock::time_point utc{};
    std::uint64_t cycle = 0;   // moves on after each own-vessel update
};

// Everything the ARPA options page edits.
struct CARPAModuleOptions {
    CARPAOptions pass;
    std::uint8_t receivePort = 1;
    std::uint8_t refreshSeconds = 5;
    std::int32_t overlaySize = 2;
    chart::CTargetProperties properties;
    // The targets in display order, first first: the first MaxTargets are drawn.
    std::vector<std::shared_ptr<const CTargetRecord>> displayOrder;
};

// Windows that show targets hear of changes here (user-interface thread).
class CARPAObserver {
public:
    virtual ~CARPAObserver() = default;
    virtual void OnTargetAdded(const CTargetRecord&) { }
    virtual void OnTargetChanged(const CTargetRecord&) { }
    // The target's list rows are written again: a report came from it, or it
    // was reported lost (between reports the rows keep their texts).
    virtual void OnTargetReported(const CTargetRecord&) { }
    // Its `current` flag changed in the pass.
    virtual void OnTargetCurrentChanged(const CTargetRecord&) { }
    // Called before the target leaves the list.
    virtual void OnTargetRemoved(const CTargetRecord&) { }
    virtual void OnSelectionChanged(const CTargetRecord*) { }
    // A target's own display properties changed (its page, Save, options applied).
    virtual void OnTargetPropertiesChanged(const CTargetRecord&) { }
    // The program's position format changed: positions shown are written again in it.
    virtual void OnPositionFormatChanged() { }
};

class CARPAModule : public app::CModule, public navigator::CTargetModuleCalls {
public:
    static constexpr const char* kTurnedOffText =
        "ARPA has been turned off.  Targets WILL NO LONGER be updated or drawn.";
    static constexpr const char* kWarningCircleText =
        "Your vessel has entered an ARPA Target(s) Warning circle";
    static constexpr const char* kDeadReckoningText =
        "One or more Targets position is being calculated from DR position.";

    CARPAModule(app::CSettingsHome& settings, nmea::CPortDirectory& ports,
                const platform::CClock& clock, app::CMsgBar* bar);
    ~CARPAModule() override;

    bool Initialise() override;
    bool Terminate() override;
    void LoadSettings() override;
    void SaveSettings() override;
    void RegisterCommands(app::CCommandTable& commands) override;
    void OnTimer(app::TimerCadence cadence) override;
    void ShutDown() override;

    void SetNavigation(std::function<CNavigationState()> navigation)
    {
        m_navigation = std::move(navigation);
    }
    void SetRedraw(std::function<void()> redraw) { m_redraw = std::move(redraw); }
    void SetGoTo(std::function<void(const CTargetPosition&)> goTo) { m_goTo = std::move(goTo); }
    // The navigator's vessel list: new targets queue there and join it on the
    // navigator's pass, which then runs this module's pass (the frame's timer
    // no longer does). Until set, the module keeps a list of its own.
    void SetVesselList(std::shared_ptr<navigator::CVesselList> vessels);
    // Where targets get their vessel-log rows; none: no rows.
    void SetLogRows(CTargetLogRows* rows) { m_logRows = rows; }
    void AddObserver(CARPAObserver* observer);
    void RemoveObserver(CARPAObserver* observer);
    // Tells the windows that the program's position format changed (Tools >
    // Options applied), so their position texts follow at once.
    void PositionFormatChanged();

    // Switches ARPA on or off. On follows the outcome: a port that will not
    // open leaves ARPA off and the reason is returned (and shown on the bar).
    std::string OnActivate();
    // Puts a port's failure on the message bar (replacing the last one) until
    // it is cleared or a minute has passed.
    void ShowPortFailure(const std::string& text);
    bool IsOn() const { return m_arpaOn; }
    void OnRadarCursor();
    bool IsCursorShown() const { return m_cursorShown; }
    // The radar cursor as the record holds it; none while its flag is clear.
    std::optional<CRadarCursor> Cursor() const
    {
        if (m_radarData.flag == 0)
            return std::nullopt;
        return CRadarCursor{m_radarData.numbers[0], m_radarData.numbers[1]};
    }
    const nmea::CRadarData& RadarData() const { return m_radarData; }

    // One pass: adopt, age, fix, position (the timer calls it each second).
    void TimerPass();
    // navigator::CTargetModuleCalls
    void TargetPass() override { TimerPass(); }
    void CheckTargetAges(bool ownFixReal) override;
    void SelectTarget(const CTargetRecord* record);
    const CTargetRecord* Selected() const { return m_selected.get(); }
    void RemoveTarget(const CTargetRecord& record);
    void ResetTargets() override;
    // The listed target of a record; null once it has left the list.
    const CTrackedTarget* FindTarget(const CTargetRecord* record) const;
    const CTrackedTarget* SelectedTarget() const { return FindTarget(m_selected.get()); }
    // A target's own display properties (the module's until it has its own).
    const chart::CTargetProperties& TargetProperties(const CTrackedTarget& target) const
    {
        return target.properties ? *target.properties : m_properties;
    }
    // A target's Configuration page applied: the target takes these properties
    // (its track fixes then follow their "Position marker every").
    void SetTargetProperties(const CTargetRecord& record,
                             const chart::CTargetProperties& properties);
    // "Current Target > Save": flips the selected target's "Save Target".
    void ToggleSaveTarget();
    // Moves on whenever any target's display properties change.
    std::uint64_t PropertiesGeneration() const { return m_propertiesGeneration; }

    CARPAModuleOptions GetOptions() const;
    // Stores the page's values; a changed port reopens while ARPA is on. The
    // text says why a port would not open (ARPA is then off); else empty.
    std::string ApplyOptions(const CARPAModuleOptions& options);
    // The display order numbers 1.. given in the order of `order`.
    void SetDisplayOrder(const std::vector<std::shared_ptr<const CTargetRecord>>& order);

    CTargetsView<const CTrackedTarget> Targets() const { return m_pass.Targets(); }
    bool IsShown(const CTrackedTarget& target) const { return m_pass.IsShown(target); }
    const chart::CTargetProperties& Properties() const { return m_properties; }
    std::int32_t OverlaySize() const { return m_overlaySize; }
    const CARPAOptions& PassOptions() const { return m_pass.Options(); }
    int InsideCount() const { return m_pass.InsideCount(); }
    bool OwnFixReal() const { return m_pass.OwnFixReal(); }
    const CNavigationState& LastNavigation() const { return m_nav; }

    CARPADevice& Device() { return *m_device; }
    nmea::CInstrumentConfig& Config() { return m_config; }
    nmea::CNMEAGPSParser& Parser() { return m_parser; }
    const nmea::CNMEAGPSParser& Parser() const { return m_parser; }
    CARPATargetStore& Store() { return m_store; }
    std::uint8_t RefreshSeconds() const { return m_refreshSeconds; }
    app::MsgHandle TurnedOffMessage() const { return m_msgTurnedOff; }
    app::MsgHandle WarningCircleMessage() const { return m_msgInside; }
    app::MsgHandle DeadReckoningMessage() const { return m_msgDr; }
    app::MsgHandle PortFailureMessage() const { return m_msgPortFailure; }

private:
    void SetRefreshTime(std::uint8_t seconds);
    // A target has joined the navigator's list: it takes its place in the
    // display order, the module's properties and a vessel-log row.
    void OnTargetJoined(const navigator::CVesselList::Entry& vessel);
    void GiveModuleProperties(CTrackedTarget& target);
    // Writes the target's last report time into its vessel-log row, once.
    void EndLogRow(CTrackedTarget& target);
    void UpdatePositions();
    void AddTrackFix(CTrackedTarget& target, std::chrono::system_clock::time_point when);
    void UpdateRadarCursor();
    void UpdateWarnings();
    void Redraw();
    template <class F>
    void Notify(F f);

    nmea::CPortDirectory& m_ports;
    const platform::CClock& m_clock;
    app::CMsgBar* m_bar;
    nmea::CInstrumentConfig m_config;
    nmea::CNMEAGPSParser m_parser;
    CARPATargetStore m_store;
    CARPATargetPass m_pass;
    std::unique_ptr<CARPADevice> m_device;
    chart::CTargetProperties m_properties;
    std::uint8_t m_refreshSeconds = 5;
    std::int32_t m_overlaySize = 2;
    bool m_arpaOn = false;
    bool m_inToggle = false;
    bool m_cursorShown = false;
    bool m_passFromNavigator = false;
    std::uint64_t m_propertiesGeneration = 0;
    // The radar cursor: range (nm), true bearing, and a valid flag.
    nmea::CRadarData m_radarData;
    std::shared_ptr<CTargetRecord> m_selected;
    CNavigationState m_nav;
    std::uint64_t m_lastCycle = 0;
    std::function<CNavigationState()> m_navigation;
    std::function<void()> m_redraw;
    std::function<void(const CTargetPosition&)> m_goTo;
    CTargetLogRows* m_logRows = nullptr;
    std::vector<CARPAObserver*> m_observers;
    app::MsgHandle m_msgTurnedOff{};
    app::MsgHandle m_msgInside{};
    app::MsgHandle m_msgDr{};
    app::MsgHandle m_msgPortFailure{};
};

}   // namespace targets
