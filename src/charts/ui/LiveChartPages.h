#pragma once
// The vector charts' pages. Chart Management Options: "Update the Folio" with
// its "&Update Folio" button, disabled while the chart folder holds neither
// ".b" files nor cells; the button runs the program's folio update (progress,
// Cancel, message) and the page changes nothing through the sheet's OK or
// Apply. Chart Options: the chart folder, with a Browse button.

#include <functional>
#include <memory>
#include <string>

#include "app/ui/ModuleUi.h"
#include "app/ui/PropertySheet.h"

namespace charts {
class CLiveChartFolderModel;
class CLiveChartService;
}   // namespace charts
class QLineEdit;
class QPushButton;

namespace charts {

class CLiveChartManagementPage final : public app::CXPropertyPage {
    Q_OBJECT
public:
    CLiveChartManagementPage(charts::CLiveChartService& service, std::function<void()> update,
                             QWidget* parent = nullptr);
    void UpdateButtons();

protected:
    void showEvent(QShowEvent* event) override;

private:
    charts::CLiveChartService& m_service;
    std::function<void()> m_update;
    QPushButton* m_button;
};

class CLiveChartFolderPage final : public app::CXPropertyPage {
    Q_OBJECT
public:
    explicit CLiveChartFolderPage(std::unique_ptr<charts::CLiveChartFolderModel> model,
                                  QWidget* parent = nullptr);
    charts::CLiveChartFolderModel& M() const;
    std::optional<app::CFieldError> ControlsToModel() override;
    void ModelToControls() override;

private:
    QLineEdit* m_folder;
};

// What the vector chart service gives the sheets: the management page and the
// chart folder page. `update` runs the program's folio update; `folderChanged`
// takes the page's folder at each OK or Apply of the Chart Options sheet.
class CLiveChartPagesUi final : public app::CModuleUi {
public:
    CLiveChartPagesUi(charts::CLiveChartService& service, std::function<void()> update,
                      std::function<void(const std::string&)> folderChanged)
        : m_service(service), m_update(std::move(update)), m_folderChanged(std::move(folderChanged))
    { }
    std::vector<app::COptionPageFactory> OptionPages() override;
    std::vector<app::COptionPageFactory> ChartOptionPages() override;

private:
    charts::CLiveChartService& m_service;
    std::function<void()> m_update;
    std::function<void(const std::string&)> m_folderChanged;
};

}   // namespace charts
