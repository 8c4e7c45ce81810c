#include "charts/ui/ChartManagement.h"

#include "app/OptionPages.h"
#include "charts/hcrf/HCRFModule.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdlib>

namespace charts {

namespace {

// BRINE_REPORT_CHARTS logs the end of each run of the page's buttons: a
// scripted check waits for it before it presses on, where the windows alone
// cannot tell the end of a run from the moment between two of its progress
// windows.
void ReportRunEnded(const char* run, bool ok)
{
    if (std::getenv("BRINE_REPORT_CHARTS"))
        qInfo("Brinevane: chart management: %s ended%s", run, ok ? "" : " early");
}

// The page keeps no values of its own.
class CServicePageModel final : public app::COptionPageModel {
public:
    explicit CServicePageModel(std::string title) : m_title(std::move(title)) { }
    std::string Title() const override { return m_title; }
    std::vector<app::CFieldError> Validate() const override { return {}; }
    void Apply() override { }

private:
    std::string m_title;
};

}   // namespace

CChartServicePage::CChartServicePage(charts::hcrf::CHCRFModule& service, QWidget* parent)
    : app::CXPropertyPage(std::make_unique<CServicePageModel>(service.GetName()), parent),
      m_service(service)
{
    setObjectName(QString::fromStdString(service.GetName()));
    auto* box = new QGroupBox("Installation");
    auto* grid = new QGridLayout(box);
    m_updates = new QPushButton("&Updates");
    m_express = new QPushButton("&Express");
    m_custom = new QPushButton("&Custom...");
    m_updates->setObjectName("Updates");
    m_express->setObjectName("Express");
    m_custom->setObjectName("Custom");
    grid->addWidget(m_updates, 0, 0);
    grid->addWidget(new QLabel("Install chart updates"), 0, 1);
    grid->addWidget(m_express, 1, 0);
    grid->addWidget(new QLabel("Express chart installation"), 1, 1);
    grid->addWidget(m_custom, 2, 0);
    grid->addWidget(new QLabel("Custom management of charts"), 2, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(box);
    layout->addStretch();
    connect(m_updates, &QPushButton::clicked, this, [this] { Run(true); });
    connect(m_express, &QPushButton::clicked, this, [this] { Run(false); });
    connect(m_custom, &QPushButton::clicked, this, [this] {
        setEnabled(false);
        const bool ok = m_service.RunManaged(&charts::hcrf::CHCRFModule::OnCustom, false);
        setEnabled(true);
        UpdateButtons();
        ReportRunEnded("custom", ok);
    });
    UpdateButtons();
}

void CChartServicePage::showEvent(QShowEvent* event)
{
    app::CXPropertyPage::showEvent(event);
    UpdateButtons();
}

void CChartServicePage::UpdateButtons()
{
    m_updates->setEnabled(m_service.CanUpdate());
    m_express->setEnabled(m_service.CanInstall());
    m_custom->setEnabled(m_service.CanInstall());
}

void CChartServicePage::Run(bool updates)
{
    setEnabled(false);
    const bool ok = updates ? m_service.RunManaged(&charts::hcrf::CHCRFModule::OnUpdates, true)
                            : m_service.RunManaged(&charts::hcrf::CHCRFModule::OnExpress, false);
    setEnabled(true);
    UpdateButtons();
    ReportRunEnded(updates ? "updates" : "express", ok);
}

std::vector<app::COptionPageFactory> CChartServicePagesUi::OptionPages()
{
    charts::hcrf::CHCRFModule* service = &m_service;
    return {{service->GetName(),
             [service](QWidget* parent) { return new CChartServicePage(*service, parent); }}};
}

}   // namespace charts
