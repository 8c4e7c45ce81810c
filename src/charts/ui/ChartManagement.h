#pragma once
// The Chart Management Options sheet: one Installation page per raster
// chart service (Updates, Express, Custom...). Each button runs its
// operation with the page disabled, every raster chart window closed and the
// catalogue writable; the page is enabled again and the catalogue read-only
// whatever the operation did.

#include <QDialog>
#include <QWidget>

#include <vector>

namespace charts::hcrf {
class CHCRFModule;
}
class QPushButton;

class CChartServicePage final : public QWidget {
    Q_OBJECT
public:
    CChartServicePage(charts::hcrf::CHCRFModule& service, QWidget* parent);
    void UpdateButtons();

private:
    void Run(bool updates);

    charts::hcrf::CHCRFModule& m_service;
    QPushButton* m_updates;
    QPushButton* m_express;
    QPushButton* m_custom;
};

class CChartManagementSheet final : public QDialog {
    Q_OBJECT
public:
    CChartManagementSheet(const std::vector<charts::hcrf::CHCRFModule*>& services, QWidget* parent);
};
