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
            panel->UpdateRow(CTargetTrackingPanel::kArpa, KeyOf(record),
                             std::vector<std::string>(texts.begin(), texts.end()));
            return;
        }
}

void CARPAPanelRows::OnPositionFormatChanged()
{
    CTargetTrackingPanel* panel = Panel();
    if (panel == nullptr)
        return;
    const geo::CPositionFormat format = m_format ? m_format() : geo::CPositionFormat{};
    for (const CTrackedTarget& t : m_module.Targets()) {
        const auto at = m_keys.find(t.record.get());
        if (at == m_keys.end())
            continue;
        const auto texts =
            ARPARowTexts(m_module.Store(), t, format, m_module.LastNavigation().utc, m_local);
        panel->UpdateCells(CTargetTrackingPanel::kArpa, at->second, kArpaLatitudeColumn,
                           {texts[kArpaLatitudeColumn], texts[kArpaLatitudeColumn + 1]});
    }
}

int CARPAPanelRows::KeyOf(const CTargetRecord& record)
{
    const auto [at, added] = m_keys.try_emplace(&record, m_nextKey);
    if (added)
        ++m_nextKey;
    return at->second;
}

void CARPAPanelRows::OnTargetRemoved(const CTargetRecord& record)
{
    const auto at = m_keys.find(&record);
    if (at == m_keys.end())
        return;
    if (CTargetTrackingPanel* panel = Panel())
        panel->RemoveRow(CTargetTrackingPanel::kArpa, at->second);
    m_keys.erase(at);
}

void CARPAPanelRows::OnSelectionChanged(const CTargetRecord* record)
{
    if (CTargetTrackingPanel* panel = Panel(); panel && record)
        if (const auto at = m_keys.find(record); at != m_keys.end())
            panel->SelectRow(CTargetTrackingPanel::kArpa, at->second);
}

void CARPAPanelRows::RowSelected(int key)
{
    for (const CTrackedTarget& t : m_module.Targets())
        if (const auto at = m_keys.find(t.record.get()); at != m_keys.end() && at->second == key) {
            m_module.SelectTarget(t.record.get());
            return;
        }
    m_module.SelectTarget(nullptr);
}

}   // namespace targets
