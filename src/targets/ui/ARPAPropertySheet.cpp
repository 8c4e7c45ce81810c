#include "targets/ui/ARPAPropertySheet.h"

#include "targets/ARPARows.h"

namespace targets {

CARPAPropertySheet::CARPAPropertySheet(CARPAModule& module, QWidget* window)
    : m_module(module), m_sheet({"ARPA Properties",
                                 "arpaProperties",
                                 CTargetFieldsLayout{.nestedSwitches = false},
                                 {std::begin(kArpaSummaryLabels), std::end(kArpaSummaryLabels)}},
                                window)
{
    m_module.AddObserver(this);
}

CARPAPropertySheet::~CARPAPropertySheet()
{
    m_module.RemoveObserver(this);
}

void CARPAPropertySheet::Show(const CTargetRecord* record)
{
    m_sheet.Open();
    m_shown = m_module.FindTarget(record) ? record : nullptr;
    ShowConfiguration();
    ShowSummary();
}

void CARPAPropertySheet::ShowConfiguration()
{
    CTargetConfigurationPage* page = m_sheet.Configuration();
    if (page == nullptr)
        return;
    const CTrackedTarget* target = m_module.FindTarget(m_shown);
    if (target == nullptr) {
        page->Show(nullptr, {});
        return;
    }
    // The record is held, so a target removed before Apply is simply not found.
    std::weak_ptr<CTargetRecord> weak = target->record;
    page->Show(&m_module.TargetProperties(*target),
               [this, weak](const chart::CTargetProperties& properties, bool) {
                   if (const auto record = weak.lock())
                       m_module.SetTargetProperties(*record, properties);
               });
}

void CARPAPropertySheet::ShowSummary()
{
    CTargetSummaryPage* page = m_sheet.Summary();
    if (page == nullptr)
        return;
    const CTrackedTarget* target = m_module.FindTarget(m_shown);
    if (target == nullptr) {
        page->Show(nullptr);
        return;
    }
    const std::string captured = m_captured ? m_captured(*target->record) : "";
    // Under the target lock the status and the rest are of one report.
    std::vector<std::string> fields;
    m_module.Store().WithTargetLock([&] {
        const auto texts = ARPASummaryTexts(*target, captured);
        fields.assign(texts.begin(), texts.end());
    });
    page->Show(&fields);
}

void CARPAPropertySheet::OnTargetChanged(const CTargetRecord& record)
{
    if (&record == m_shown && m_sheet.IsOpen())
        ShowSummary();
}

void CARPAPropertySheet::OnTargetRemoved(const CTargetRecord& record)
{
    if (&record != m_shown)
        return;
    m_shown = nullptr;
    ShowConfiguration();
    ShowSummary();
}

void CARPAPropertySheet::OnSelectionChanged(const CTargetRecord* record)
{
    // Shown without raising the sheet over the list the user is working in.
    if (!m_sheet.IsOpen() || record == nullptr || record == m_shown)
        return;
    m_shown = m_module.FindTarget(record) ? record : nullptr;
    ShowConfiguration();
    ShowSummary();
}

void CARPAPropertySheet::OnTargetPropertiesChanged(const CTargetRecord& record)
{
    if (&record == m_shown && m_sheet.IsOpen())
        ShowConfiguration();
}

}   // namespace targets
