#include "charts/ui/LiveChartPages.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/OptionPages.h"
#include "charts/vector/LiveChartFolderModel.h"
#include "charts/vector/LiveChartService.h"

namespace charts {

namespace {

// The page keeps no values of its own.
class CLiveChartPageModel final : public app::COptionPageModel {
public:
    std::string Title() const override { return "LIVECHART"; }
    std::vector<app::CFieldError> Validate() const override { return {}; }
    void Apply() override { }
};

}   // namespace

CLiveChartManagementPage::CLiveChartManagementPage(charts::CLiveChartService& service,
                                                   std::function<void()> update, QWidget* parent)
    : app::CXPropertyPage(std::make_unique<CLiveChartPageModel>(), parent), m_service(service),
      m_update(std::move(update))
{
    setObjectName("LIVECHART");
    auto* box = new QGroupBox("Management");
    auto* grid = new QGridLayout(box);
    m_button = new QPushButton("&Update Folio");
    m_button->setObjectName("UpdateFolio");
    // The text, then the button that does it.
    grid->addWidget(new QLabel("Update the Folio"), 0, 0);
    grid->addWidget(m_button, 0, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(box);
    layout->addStretch();
    connect(m_button, &QPushButton::clicked, this, [this] {
        if (m_update)
            m_update();
    });
    UpdateButtons();
}

void CLiveChartManagementPage::showEvent(QShowEvent* event)
{
    app::CXPropertyPage::showEvent(event);
    UpdateButtons();
}

void CLiveChartManagementPage::UpdateButtons()
{
    // Cells copied in but not yet imported are work for the update too.
    m_button->setEnabled(m_service.HasChartsOrCells());
}

CLiveChartFolderPage::CLiveChartFolderPage(std::unique_ptr<charts::CLiveChartFolderModel> model,
                                           QWidget* parent)
    : CXPropertyPage(std::move(model), parent)
{
    setObjectName("LIVECHART");
    auto* box = new QGroupBox("Chart folder");
    m_folder = new QLineEdit;
    m_folder->setObjectName("liveChartFolder");
    m_folder->setMinimumWidth(360);
    auto* browse = new QPushButton("&Browse...");
    auto* row = new QHBoxLayout(box);
    row->addWidget(m_folder, 1);
    row->addWidget(browse);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(box);
    layout->addStretch();
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString dir =
            QFileDialog::getExistingDirectory(this, "Select chart folder", m_folder->text());
        if (!dir.isEmpty())
            m_folder->setText(dir);
    });
}

charts::CLiveChartFolderModel& CLiveChartFolderPage::M() const
{
    return static_cast<charts::CLiveChartFolderModel&>(Model());
}

std::optional<app::CFieldError> CLiveChartFolderPage::ControlsToModel()
{
    M().Folder() = m_folder->text().trimmed().toStdString();
    return std::nullopt;
}

void CLiveChartFolderPage::ModelToControls()
{
    m_folder->setText(QString::fromStdString(M().Folder()));
}

std::vector<app::COptionPageFactory> CLiveChartPagesUi::ChartOptionPages()
{
    charts::CLiveChartService* service = &m_service;
    auto changed = m_folderChanged;
    return {{"LIVECHART", [service, changed](QWidget* parent) {
                 return new CLiveChartFolderPage(std::make_unique<charts::CLiveChartFolderModel>(
                                                     service->Folder().string(), changed),
                                                 parent);
             }}};
}

std::vector<app::COptionPageFactory> CLiveChartPagesUi::OptionPages()
{
    charts::CLiveChartService* service = &m_service;
    auto update = m_update;
    return {{"LIVECHART", [service, update](QWidget* parent) {
                 return new CLiveChartManagementPage(*service, update, parent);
             }}};
}

}   // namespace charts
