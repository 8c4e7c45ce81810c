#include "app/DisplayPaletteModule.h"

#include "app/CommandIds.h"
#include "app/CommandTable.h"

namespace app {

CDisplayPaletteModule::CDisplayPaletteModule(CSettingsHome& settings, CDisplayPalettes& palettes,
                                             ApplyCallback apply)
    : CModule(settings), m_palettes(palettes), m_apply(std::move(apply))
{
    SetModuleName("DisplayPalettes");
}

void CDisplayPaletteModule::SelectPalette(int palette)
{
    m_palettes.SetActive(palette);
    if (m_apply)
        m_apply();
}

void CDisplayPaletteModule::RegisterCommands(CCommandTable& commands)
{
    struct Command {
        unsigned id;
        int palette;
    };
    const Command table[] = {{cmd::kPaletteDay, CDisplayPalettes::kDay},
                             {cmd::kPaletteDayKey, CDisplayPalettes::kDay},
                             {cmd::kPaletteDusk, CDisplayPalettes::kDusk},
                             {cmd::kPaletteNight, CDisplayPalettes::kNight}};
    for (const Command& c : table)
        commands.Add(
            this, c.id, [this, p = c.palette](unsigned) { SelectPalette(p); },
            [this, p = c.palette](CCmdUI& ui) {
                ui.Enable(true);
                ui.SetCheck(m_palettes.GetActive() == p ? 1 : 0);
            });
}

void CDisplayPaletteModule::LoadSettings()
{
    m_palettes.Load(Settings().GetStore(), Settings().GetRegistryKey());
    if (m_apply)
        m_apply();
}

void CDisplayPaletteModule::SaveSettings()
{
    m_palettes.Save(Settings().GetStore(), Settings().GetRegistryKey());
}

}   // namespace app
