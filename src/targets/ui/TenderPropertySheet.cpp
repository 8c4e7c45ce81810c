#include "targets/ui/TenderPropertySheet.h"

#include "targets/TenderRows.h"

namespace targets {

CTenderPropertySheet::CTenderPropertySheet(CTenderTracking& tracking, QWidget* window,
                                           std::function<void()> applied, LocalTimeText local)
    : m_tracking(tracking),
      m_sheet({"Target Properties",
               "targetProperties",
               // The ARPA page's switches, "Depth" in place of "Label"; each
               // with an access key of its own ("Projected Path" has P).
               CTargetFieldsLayout{.tender = true,
                                   .markerSize = false,
                                   .saveText = "&Save Target",
                                   .numberText = "N&umber",
                                   .thirdText = "Dept&h",
                                   .nestedSwitches = false},
               {std::begin(kTenderSummaryLabels), std::end(kTenderSummaryLabels)}},
              window),
      m_applied(std::move(applied)), m_local(std::move(local))
{ }

CTender* CTenderPropertySheet::Tender() const
{
    CTender* t = m_tracking.Find(m_channel);
    const auto shown = m_record.lock();
    return t && shown && t->record == shown ? t : nullptr;
}

void CTenderPropertySheet::Show(int channel)
{
    m_sheet.Open();
    Point(channel);
}

void CTenderPropertySheet::Follow(int channel)
{
    // Shown without raising the sheet over the list the user is working in.
    if (m_sheet.IsOpen() && channel >= 0 && channel != m_channel)
        Point(channel);
}

void CTenderPropertySheet::Reload(int channel)
{
    if (m_sheet.IsOpen() && channel == m_channel)
        ShowConfiguration();
}

void CTenderPropertySheet::Point(int channel)
{
    const CTender* t = m_tracking.Find(channel);
    m_channel = t ? channel : -1;
    m_record = t ? t->record : nullptr;
    ShowConfiguration();
    ShowSummary();
}

void CTenderPropertySheet::Refresh()
{
    if (!m_sheet.IsOpen() || m_channel < 0)
        return;
    if (const CTender* t = Tender(); t == nullptr) {
        m_channel = -1;
        m_record.reset();
        ShowConfiguration();
    } else if (CTargetConfigurationPage* page = m_sheet.Configuration()) {
        page->SetClearPanicEnabled(t->manOverboard);
    }
    ShowSummary();
}

void CTenderPropertySheet::ShowConfiguration()
{
    CTargetConfigurationPage* page = m_sheet.Configuration();
    if (page == nullptr)
        return;
    const CTender* t = Tender();
    if (t == nullptr) {
        page->Show(nullptr, {});
        return;
    }
    const int channel = m_channel;
    page->Show(
        &t->properties,
        [this, channel, record = m_record](const chart::CTargetProperties& properties,
                                           bool clearPanic) {
            // A tender removed (or replaced on its channel) before Apply takes nothing.
            CTender* shown = m_tracking.Find(channel);
            const auto wanted = record.lock();
            if (shown == nullptr || !wanted || shown->record != wanted)
                return;
            shown->properties = properties;
            if (clearPanic)
                m_tracking.SetManOverboard(channel, false);
            if (m_applied)
                m_applied();
        },
        t->manOverboard);
}

void CTenderPropertySheet::ShowSummary()
{
    CTargetSummaryPage* page = m_sheet.Summary();
    if (page == nullptr)
        return;
    const CTender* t = Tender();
    if (t == nullptr) {
        page->Show(nullptr);
        return;
    }
    const std::string captured = t->captured && m_local ? m_local(*t->captured) : "";
    const auto texts = TenderSummaryTexts(*t, captured);
    const std::vector<std::string> fields(texts.begin(), texts.end());
    page->Show(&fields);
}

}   // namespace targets
