#pragma once
// The Installation page of one raster chart service in the Chart Management
// Options sheet (Updates, Express, Custom...). Each button runs its
// operation with the page disabled, every raster chart window closed and the
// catalogue writable; the page is enabled again and the catalogue read-only
// whatever the operation did. The page changes nothing through the sheet's
// OK or Apply: its work is done when a button's operation ends.

#include "app/ui/ModuleUi.h"
#include "app/ui/PropertySheet.h"

namespace charts::hcrf {
class CHCRFModule;
}
class QPushButton;

namespace charts {

class CChartServicePage final : public app::CXPropertyPage {
    Q_OBJECT
public:
    CChartServicePage(charts::hcrf::CHCRFModule& service, QWidget* parent = nullptr);
    void UpdateButtons();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Run(bool updates);

    charts::hcrf::CHCRFModule& m_service;
    QPushButton* m_updates;
    QPushButton* m_express;
    QPushButton* m_custom;
};

// What a service gives the sheet: its page.
class CChartServicePagesUi final : public app::CModuleUi {
public:
    explicit CChartServicePagesUi(charts::hcrf::CHCRFModule& service) : m_service(service) { }
    std::vector<app::COptionPageFactory> OptionPages() override;

private:
    charts::hcrf::CHCRFModule& m_service;
};

}   // namespace charts
