#include "targets/ui/ARPAPanelRows.h"

namespace targets {

CARPAPanelRows::CARPAPanelRows(CARPAModule& module, std::function<CTargetTrackingPanel*()> panel,
                               std::function<geo::CPositionFormat()> format, LocalTimeText local)
    : m_module(module), m_findPanel(std::move(panel)), m_format(std::move(format)),
      m_local(std::move(local))
{
    m_module.AddObserver(this);
}

CARPAPanelRows::~CARPAPanelRows()
{
    m_module.RemoveObserver(this);
}

CTargetTrackingPanel* CARPAPanelRows::Panel()
{
    if (!m_panel && m_findPanel)
        m_panel = m_findPanel();
    return m_panel;
}

void CARPAPanelRows::Write(const CTargetRecord& record)
{
    CTargetTrackingPanel* panel = Panel();
    if (panel == nullptr)
        return;
    for (const CTrackedTarget& t : m_module.Targets())
        if (t.record.get() == &record) {
            const auto texts =
                ARPARowTexts(m_module.Store(), t, m_format ? m_format() : geo::CPositionFormat{},
                             m_module.LastNavigation().utc, m_local);
            panel->UpdateRow(CTargetTrackingPanel::kArpa, record.Number(),
                             std::vector<std::string>(texts.begin(), texts.end()));
            return;
        }
}

void CARPAPanelRows::OnTargetRemoved(const CTargetRecord& record)
{
    if (CTargetTrackingPanel* panel = Panel())
        panel->RemoveRow(CTargetTrackingPanel::kArpa, record.Number());
}

void CARPAPanelRows::OnSelectionChanged(const CTargetRecord* record)
{
    if (CTargetTrackingPanel* panel = Panel(); panel && record)
        panel->SelectRow(CTargetTrackingPanel::kArpa, record->Number());
}

void CARPAPanelRows::RowSelected(int number)
{
    for (const CTrackedTarget& t : m_module.Targets())
        if (t.record->Number() == number) {
            m_module.SelectTarget(t.record.get());
            return;
        }
    m_module.SelectTarget(nullptr);
}

}   // namespace targets
