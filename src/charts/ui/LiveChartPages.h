#pragma once
// The vector charts' page of the Chart Management Options sheet: "Update the
// Folio" with its "&Update Folio" button, disabled while the chart folder holds
// neither ".b" files nor cells. The button runs the program's folio update (progress, Cancel,
// message); the page changes nothing through the sheet's OK or Apply.

#include <functional>

#include "app/ui/ModuleUi.h"
#include "app/ui/PropertySheet.h"

namespace charts {
class CLiveChartService;
}
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

// What the vector chart service gives the sheet: its page.
class CLiveChartPagesUi final : public app::CModuleUi {
public:
    CLiveChartPagesUi(charts::CLiveChartService& service, std::function<void()> update)
        : m_service(service), m_update(std::move(update))
    { }
    std::vector<app::COptionPageFactory> OptionPages() override;

private:
    charts::CLiveChartService& m_service;
    std::function<void()> m_update;
};

}   // namespace charts
