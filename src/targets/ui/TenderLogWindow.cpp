#include "targets/ui/TenderLogWindow.h"

namespace targets {

namespace {

class CTenderFixes final : public CTrackLogSource {
public:
    CTenderFixes(CTenderLogModel::Source source, LocalTimeText local)
        : m_source(std::move(source)), m_local(std::move(local))
    { }
    const void* Target() const override { return m_source ? m_source() : nullptr; }
    std::size_t FixCount() const override { return Tender().track.size(); }
    std::chrono::system_clock::time_point FixTime(std::size_t row) const override
    {
        return Tender().track[row].utc;
    }
    std::vector<std::string> FixTexts(std::size_t row,
                                      const geo::CPositionFormat& format) const override
    {
        const auto texts = TenderFixTexts(Tender().track[row], format, m_local);
        return {texts.begin(), texts.end()};
    }

private:
    // Only asked while Target() is not null.
    const CTender& Tender() const { return *m_source(); }

    CTenderLogModel::Source m_source;
    LocalTimeText m_local;
};

}   // namespace

CTenderLogModel::CTenderLogModel(Format format, LocalTimeText local, QObject* parent)
    : CTrackLogModel({std::begin(kTenderLogHeaders), std::end(kTenderLogHeaders)},
                     std::move(format), parent),
      m_local(std::move(local))
{ }

void CTenderLogModel::SetTender(Source source)
{
    SetSource(source ? std::make_unique<CTenderFixes>(std::move(source), m_local) : nullptr);
}

CTenderLogWindow::CTenderLogWindow(CTrackLogModel::Format format, LocalTimeText local,
                                   QWidget* parent)
    : CTrackLogWindow("TenderTargetLog",
                      std::make_unique<CTenderLogModel>(std::move(format), std::move(local)),
                      parent)
{
    SetTender({});
}

void CTenderLogWindow::SetTender(CTenderLogModel::Source source)
{
    const CTender* tender = source ? source() : nullptr;
    M().SetTender(std::move(source));
    m_named = tender != nullptr;
    setWindowTitle(QString::fromStdString(TenderLogTitle(tender)));
}

void CTenderLogWindow::FixesAdded()
{
    CTrackLogWindow::FixesAdded();
    if (m_named && !M().Showing())
        SetTender({});
}

}   // namespace targets
