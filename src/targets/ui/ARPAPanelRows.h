#pragma once
// The "ARPA" card's rows: one per radar target object, written whole from
// ARPARowTexts when the target joins and whenever a report came from it (or
// it was reported lost), its position cells again when the position format
// changes, removed with it, and selected with the module's
// selection. A lost target keeps its own row: a later target of the same
// number gets another.

#include <QPointer>
#include <functional>
#include <unordered_map>

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
    void OnTargetReported(const CTargetRecord& record) override { Write(record); }
    void OnTargetRemoved(const CTargetRecord& record) override;
    void OnSelectionChanged(const CTargetRecord* record) override;
    // Every row's latitude and longitude cells written again in the current
    // format; the other cells keep the texts of the target's last report.
    void OnPositionFormatChanged() override;

    // The user selected the row of `key` (-1: none): its target becomes the
    // module's selection.
    void RowSelected(int key);

private:
    CTargetTrackingPanel* Panel();
    void Write(const CTargetRecord& record);
    // The panel's key of a target's row, made when first asked.
    int KeyOf(const CTargetRecord& record);

    CARPAModule& m_module;
    std::function<CTargetTrackingPanel*()> m_findPanel;
    QPointer<CTargetTrackingPanel> m_panel;
    std::function<geo::CPositionFormat()> m_format;
    LocalTimeText m_local;
    std::unordered_map<const CTargetRecord*, int> m_keys;
    int m_nextKey = 1;
};

}   // namespace targets
