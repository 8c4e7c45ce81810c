#include "charts/ui/ChartManagement.h"

#include "charts/hcrf/HCRFModule.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

CChartServicePage::CChartServicePage(charts::hcrf::CHCRFModule& service, QWidget* parent)
    : QWidget(parent), m_service(service)
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
    UpdateButtons();
}

void CChartServicePage::UpdateButtons()
{
    m_updates->setEnabled(m_service.CanUpdate());
    m_express->setEnabled(m_service.CanInstall());
    // Custom management of single charts is not offered yet.
    m_custom->setEnabled(false);
}

void CChartServicePage::Run(bool updates)
{
    setEnabled(false);
    if (updates)
        m_service.RunManaged(&charts::hcrf::CHCRFModule::OnUpdates, true);
    else
        m_service.RunManaged(&charts::hcrf::CHCRFModule::OnExpress, false);
    setEnabled(true);
    UpdateButtons();
}

CChartManagementSheet::CChartManagementSheet(
    const std::vector<charts::hcrf::CHCRFModule*>& services, QWidget* parent)
    : QDialog(parent)
{
    setObjectName("ChartManagementOptions");
    setWindowTitle("Chart Management Options");
    auto* tabs = new QTabWidget;
    for (charts::hcrf::CHCRFModule* service : services)
        tabs->addTab(new CChartServicePage(*service, tabs),
                     QString::fromStdString(service->GetName()));
    connect(tabs, &QTabWidget::currentChanged, this, [tabs](int i) {
        if (auto* page = qobject_cast<CChartServicePage*>(tabs->widget(i)))
            page->UpdateButtons();
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
}
