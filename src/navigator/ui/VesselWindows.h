#pragma once
// The vessel module with its window: "Vessel > Options..." opens the
// modeless "Vessel Options" sheet (General, Deviation, Overlays), disabled
// while the sheet is open; a vessel file that cannot be read or written is
// reported in a message box.

#include <QPointer>

#include "app/ui/ModuleUi.h"
#include "app/ui/PropertySheet.h"
#include "navigator/VesselModule.h"
#include "platform/Prompt.h"

namespace navigator {

class CVesselWindows final : public CVesselModule, public app::CModuleUi {
public:
    CVesselWindows(app::CSettingsHome& home, std::filesystem::path defaultFolder,
                   platform::CPrompt& prompt);
    ~CVesselWindows() override;

    app::CModuleUi* Ui() override { return this; }
    bool CreateSidePanels(app::CModuleHost& host, std::vector<app::CSidePanel*>& panels) override;
    void RegisterCommands(app::CCommandTable& commands) override;
    void LoadSettings() override;
    void CloseWorkspaceWindows() override;

    void OpenOptions();
    bool IsOptionsOpen() const { return !m_sheet.isNull(); }
    app::CModelessPropertySheet* OptionsSheet() const { return m_sheet.data(); }

private:
    void ReportFile();

    platform::CPrompt& m_prompt;
    QWidget* m_window = nullptr;
    QPointer<app::CModelessPropertySheet> m_sheet;
};

}   // namespace navigator
