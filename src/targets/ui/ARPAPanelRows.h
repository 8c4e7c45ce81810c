#pragma once
// The "ARPA" card's rows: one per radar target, keyed by its number, written
// whole from ARPARowTexts when the module reports the target added or
// changed, removed with it, and selected with the module's selection.

#include <QPointer>
#include <functional>

#include "targets/ARPAModule.h"
#include "targets/ARPARows.h"
#include "targets/ui/TargetTrackingPanel.h"

namespace targets {

class CARPAPanelRows final : public CARPAObserver {
public:
    // `panel` gives the panel once it exists (it is made after the modules).
    CARPAPanelRows(CARPAModule& module, std::function<CTargetTrackingPanel*()> panel,
                   std::function<geo::CPositionFormat()> format, LocalTimeText local);
    ~CARPAPanelRows() override;

    void OnTargetAdded(const CTargetRecord& record) override { Write(record); }
    void OnTargetChanged(const CTargetRecord& record) override { Write(record); }
    void OnTargetRemoved(const CTargetRecord& record) override;
    void OnSelectionChanged(const CTargetRecord* record) override;

    // The user selected a row: its target becomes the module's selection.
    void RowSelected(int number);

private:
    CTargetTrackingPanel* Panel();
    void Write(const CTargetRecord& record);

    CARPAModule& m_module;
    std::function<CTargetTrackingPanel*()> m_findPanel;
    QPointer<CTargetTrackingPanel> m_panel;
    std::function<geo::CPositionFormat()> m_format;
    LocalTimeText m_local;
};

}   // namespace targets
