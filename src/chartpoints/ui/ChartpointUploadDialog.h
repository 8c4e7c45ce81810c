#pragma once
// "Upload Chartpoints to Navigator": the chartpoints of the open table in its
// current order, of which the user picks some; how each waypoint is named
// (number from a start, name or ID) and whether sentences carry a checksum.
// Upload hands the picked rows to the module, which sends them to the GPS
// and says how many went when it stops short.

#include "chartpoints/UploadChoice.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace chartpoints {
class CChartpointModule;
}

namespace chartpoints {

class CChartpointUploadDialog final : public QDialog {
    Q_OBJECT
public:
    CChartpointUploadDialog(chartpoints::CChartpointModule& module, QWidget* parent = nullptr);

    // Rows chosen (from 0, ascending).
    std::vector<int> SelectedRows() const;
    // The count the last upload sent; -1 before one ran or when it was declined.
    int SentCount() const { return m_sent; }

private:
    void FillRows();
    void UpdateButtons();
    void ShowChoice();
    void OnUpload();

    chartpoints::CChartpointModule& m_module;
    chartpoints::CUploadChoice m_choice;
    int m_sent = -1;
    QListWidget* m_rows = nullptr;
    QPushButton* m_all = nullptr;
    QPushButton* m_none = nullptr;
    QPushButton* m_upload = nullptr;
    QCheckBox* m_number = nullptr;
    QCheckBox* m_name = nullptr;
    QCheckBox* m_id = nullptr;
    QCheckBox* m_checksum = nullptr;
    QLineEdit* m_start = nullptr;
};

}   // namespace chartpoints
