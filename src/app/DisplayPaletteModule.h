#pragma once
// The Day, Dusk and Night commands and the palettes' place in the workspace.
// The module holds the program's one CDisplayPalettes (owned by the
// application); choosing a palette or loading a workspace runs the apply
// callback, which the window layer fills with ApplyDisplayPalette.

#include <functional>

#include "app/DisplayPalettes.h"
#include "app/Module.h"

namespace app {

class CDisplayPaletteModule final : public CModule {
public:
    using ApplyCallback = std::function<void()>;

    CDisplayPaletteModule(CSettingsHome& settings, CDisplayPalettes& palettes, ApplyCallback apply);

    void RegisterCommands(CCommandTable& commands) override;
    // Reads the stored palettes of the workspace, then applies them.
    void LoadSettings() override;
    void SaveSettings() override;

    void SelectPalette(int palette);
    CDisplayPalettes& Palettes() { return m_palettes; }

private:
    CDisplayPalettes& m_palettes;
    ApplyCallback m_apply;
};

}   // namespace app
