#include "targets/ui/ARPALogWindow.h"

#include "targets/ARPARows.h"

namespace targets {

namespace {

class CARPAFixes final : public CTrackLogSource {
public:
    CARPAFixes(const CARPAModule& module, const CTargetRecord* record, LocalTimeText local)
        : m_module(module), m_record(record), m_local(std::move(local))
    { }
    const void* Target() const override { return m_module.FindTarget(m_record); }
    std::size_t FixCount() const override { return Track().size(); }
    std::chrono::system_clock::time_point FixTime(std::size_t row) const override
    {
        return Track()[row].time;
    }
    std::vector<std::string> FixTexts(std::size_t row,
                                      const geo::CPositionFormat& format) const override
    {
        const auto texts = ARPAFixTexts(Track()[row], format, m_local);
        return {texts.begin(), texts.end()};
    }

private:
    // Only asked while Target() is not null.
    const std::vector<CTargetTrackFix>& Track() const
    {
        return m_module.FindTarget(m_record)->track;
    }

    const CARPAModule& m_module;
    const CTargetRecord* m_record;
    LocalTimeText m_local;
};

}   // namespace

CARPALogWindow::CARPALogWindow(CARPAModule& module, QWidget* window, CTrackLogModel::Format format,
                               LocalTimeText local)
    : m_module(module), m_window(window), m_format(std::move(format)), m_local(std::move(local))
{
    m_module.AddObserver(this);
}

CARPALogWindow::~CARPALogWindow()
{
    m_module.RemoveObserver(this);
    Close();
}

void CARPALogWindow::Open()
{
    if (m_log) {
        m_log->raise();
        m_log->activateWindow();
        return;
    }
    m_log = new CTrackLogWindow(
        "TargetLog",
        std::make_unique<CTrackLogModel>(
            std::vector<const char*>(std::begin(kArpaLogHeaders), std::end(kArpaLogHeaders)),
            m_format),
        m_window);
    Show(m_module.Selected());
    m_log->show();
}

void CARPALogWindow::Close()
{
    if (m_log)
        m_log->close();
}

void CARPALogWindow::Show(const CTargetRecord* record)
{
    m_shown = m_module.FindTarget(record) ? record : nullptr;
    if (!m_log)
        return;
    m_log->Show(m_shown ? std::make_unique<CARPAFixes>(m_module, m_shown, m_local) : nullptr,
                ARPALogTitle(m_shown));
}

void CARPALogWindow::OnTargetChanged(const CTargetRecord& record)
{
    if (m_log && &record == m_shown)
        m_log->FixesAdded();
}

void CARPALogWindow::OnTargetRemoved(const CTargetRecord& record)
{
    if (&record == m_shown)
        Show(nullptr);
}

void CARPALogWindow::OnSelectionChanged(const CTargetRecord* record)
{
    if (record != m_shown)
        Show(record);
}

}   // namespace targets
