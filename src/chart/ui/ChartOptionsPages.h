#pragma once
// The chart option pages over their models: "General" and "Overlays" of
// Chart Options, "General" of Chart Management; and the two sheets as the
// Chart menu opens them.

#include <functional>

#include "app/ui/PropertySheet.h"
#include "chart/ChartOptions.h"

namespace app {
class CSpinEdit;
}
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
namespace app {
class CDisplayPalettes;
class CPostedMessageQueue;
}   // namespace app
namespace chart {
class CChartingModule;
}

namespace chart {

class CDisplayOptionsPage : public app::CXPropertyPage {
    Q_OBJECT
public:
    explicit CDisplayOptionsPage(std::unique_ptr<chart::CDisplayOptionsModel> model,
                                 QWidget* parent = nullptr);
    chart::CDisplayOptionsModel& M() const;
    std::optional<app::CFieldError> ControlsToModel() override;
    void ModelToControls() override;

private:
    app::CSpinEdit* m_maxCharts;
    app::CSpinEdit* m_small;
    app::CSpinEdit* m_large;
    app::CSpinEdit* m_lineWidth;
};

class CViewDisplayPage : public app::CXPropertyPage {
    Q_OBJECT
public:
    // `activePalette` says which of Day, Dusk and Night the program shows now.
    CViewDisplayPage(std::unique_ptr<chart::COverlayOptionsModel> model,
                     std::function<int()> activePalette, QWidget* parent = nullptr);
    chart::COverlayOptionsModel& M() const;
    std::optional<app::CFieldError> ControlsToModel() override;
    void ModelToControls() override;
    void UpdateControls() override;

private:
    void ShowColour();
    void PickColour();

    std::function<int()> m_activePalette;
    QCheckBox* m_boundaries;
    QCheckBox* m_grid;
    QCheckBox* m_updates;
    QPushButton* m_colour;
    QComboBox* m_width;
};

class CChartManagementPage : public app::CXPropertyPage {
    Q_OBJECT
public:
    explicit CChartManagementPage(std::unique_ptr<chart::CChartFoldersModel> model,
                                  QWidget* parent = nullptr);
    chart::CChartFoldersModel& M() const;
    std::optional<app::CFieldError> ControlsToModel() override;
    void ModelToControls() override;

private:
    QLineEdit* m_charts;
    QLineEdit* m_source;
};

// Chart > Options... and Chart > Management...: modeless, one of each. F1 on
// any of their pages runs `help` (the program's manual).
void OpenChartOptionsSheet(chart::CChartingModule& charting, const app::CDisplayPalettes* palettes,
                           QWidget* frame, app::CPostedMessageQueue* frameQueue,
                           std::function<void()> help = {});
// Whether the frame's Chart Options sheet is open (Chart > Options... is
// grey while it is).
bool IsChartOptionsSheetOpen(QWidget* frame);
void OpenChartManagementSheet(chart::CChartingModule& charting, QWidget* frame,
                              app::CPostedMessageQueue* frameQueue,
                              std::function<void()> help = {});
// Takes new chart folders, showing the steps: every chart closes, the
// folio's items go, both folders are set and the folio is built again.
void ReloadChartFolders(chart::CChartingModule& charting, const chart::CChartFolders& folders,
                        QWidget* parent);

}   // namespace chart
