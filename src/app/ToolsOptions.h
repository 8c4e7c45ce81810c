#pragma once
// The models of the Tools Options pages "Workspace" and "System". Each holds
// a copy of the frame's values, checks them and hands them back through the
// apply function the frame gives; the frame stores them and acts on what changed.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/DisplayPalettes.h"
#include "app/OptionPages.h"

namespace app {

inline constexpr int kMaxDecimalPlaces = 4;
// A stored "DecimalPlaces" outside 0-4 (hand-edited, or written by a build
// that applied refused values) is brought into range when read.
std::uint8_t ClampDecimalPlaces(long long stored);

struct CWorkspaceOptions {
    int palette = 0;   // 0 Day, 1 Dusk, 2 Night
    bool applyToDesktop = false;
    int decimalPlaces = 2;
    bool degMinSec = true;
    bool showSidePanel = true;
    bool sidePanelRight = true;
    bool showStatusBar = true;
    bool reloadDocs = false;
    bool reloadWorkspace = false;
    bool autoSaveWorkspace = false;
    bool confirmExit = true;
    // The page's copy of the palettes: Edit and Default change it, the
    // program's palettes take it only when the page applies.
    CDisplayPalettes palettes;
    bool operator==(const CWorkspaceOptions&) const = default;
};

class CWorkspaceOptionsModel : public COptionPageModel {
public:
    using ApplyFn = std::function<void(const CWorkspaceOptions&)>;
    CWorkspaceOptionsModel(const CWorkspaceOptions& current, ApplyFn apply);

    std::string Title() const override { return "Workspace"; }
    std::vector<CFieldError> Validate() const override;
    void Apply() override;

    CWorkspaceOptions& Values() { return m_values; }
    const CWorkspaceOptions& Values() const { return m_values; }
    // Palette colours can be edited, reset and put on the desktop only for
    // Dusk and Night; Day is the system's own.
    bool PaletteEditable() const { return m_values.palette == 1 || m_values.palette == 2; }
    // "Default": the selected Dusk or Night palette back to its built-in colours.
    void RestoreDefaultColours()
    {
        if (PaletteEditable())
            m_values.palettes.ExpandDefaults(m_values.palette);
    }

private:
    CWorkspaceOptions m_values;
    ApplyFn m_apply;
};

inline constexpr int kSerialPortCount = 12;

struct CSystemOptions {
    bool audioAlerts = true;
    bool autoConfigurePorts = true;
    int priorityBoost = 0;   // 0 none .. 2 full
    std::array<std::string, kSerialPortCount> portPaths;   // [0] is COM1
    bool operator==(const CSystemOptions&) const = default;
};

class CSystemOptionsModel : public COptionPageModel {
public:
    using ApplyFn = std::function<void(const CSystemOptions&)>;
    // Asked each time the page's controls are brought up to date: whether the
    // frame has a serial port now (an Apply that clears every path leaves none).
    using PortsFn = std::function<bool()>;
    // `hasAudio`: the machine has a sound output.
    CSystemOptionsModel(const CSystemOptions& current, bool hasAudio, PortsFn hasSerialPorts,
                        ApplyFn apply);

    std::string Title() const override { return "System"; }
    std::vector<CFieldError> Validate() const override;
    void Apply() override;

    CSystemOptions& Values() { return m_values; }
    const CSystemOptions& Values() const { return m_values; }
    bool AudioEnabled() const { return m_hasAudio; }
    bool AutoConfigureEnabled() const { return m_hasSerialPorts && m_hasSerialPorts(); }
    static std::string PortField(int index) { return "com" + std::to_string(index + 1); }

private:
    CSystemOptions m_values;
    bool m_hasAudio;
    PortsFn m_hasSerialPorts;
    ApplyFn m_apply;
};

}   // namespace app
