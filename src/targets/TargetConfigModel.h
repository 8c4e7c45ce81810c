#pragma once
// One target's Configuration page without windows: a copy of the shown
// target's display properties, "&Default", the range check of the projected
// path distance, and Apply, which hands the copy (and a pending "Clear
// Panic" of a tender) to whoever showed the target. With no target shown the
// copy holds the defaults and Apply does nothing.

#include <functional>
#include <string>
#include <vector>

#include "app/OptionPages.h"
#include "chart/overlays/OverlayProperties.h"

namespace targets {

// True when `properties` differ from the defaults ("&Default" is offered).
bool DiffersFromDefaults(const chart::CTargetProperties& properties);
// The defaults, "Save Target" off.
void ResetToDefaults(chart::CTargetProperties& properties);

class CTargetConfigModel final : public app::COptionPageModel {
public:
    // What Apply does with the page's copy; `clearPanic` when "&Clear Panic" was pressed.
    using ApplyTo = std::function<void(const chart::CTargetProperties&, bool clearPanic)>;

    std::string Title() const override { return "Configuration"; }
    std::vector<app::CFieldError> Validate() const override;
    void Apply() override;

    // Shows a target: its properties are copied. Null: none shown.
    void Show(const chart::CTargetProperties* properties, ApplyTo apply);
    bool HasTarget() const { return static_cast<bool>(m_apply); }
    chart::CTargetProperties& Values() { return m_values; }
    const chart::CTargetProperties& Values() const { return m_values; }
    bool Differs() const { return DiffersFromDefaults(m_values); }
    void Default() { ResetToDefaults(m_values); }
    // "&Clear Panic" pressed: asked for at the next Apply only.
    void RequestClearPanic() { m_clearPanic = HasTarget(); }
    bool ClearPanicRequested() const { return m_clearPanic; }

private:
    chart::CTargetProperties m_values;
    ApplyTo m_apply;
    bool m_clearPanic = false;
};

}   // namespace targets
