#pragma once
// "Custom Chart Management": for every catalogued chart of one service, where
// its chart data and its update data are kept, the disk or the chart medium.
// Eight rows show the list from the scroll bar's position; each row's two
// buttons flip its choices; four buttons set a whole column; Apply hands the
// choices to the service, which moves the charts.

#include "charts/hcrf/CustomChartList.h"

#include <QDialog>

#include <array>

namespace charts::hcrf {
class CHCRFModule;
}
class QLabel;
class QLineEdit;
class QScrollBar;
class QToolButton;

namespace charts {

class CARCSCustomDlg final : public QDialog {
    Q_OBJECT
public:
    CARCSCustomDlg(charts::hcrf::CHCRFModule& service, QWidget* parent);
    const charts::hcrf::CCustomChartList& List() const { return m_list; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct CRowWidgets {
        std::array<QLineEdit*, 5> fields{};
        QToolButton* chart = nullptr;
        QToolButton* updates = nullptr;
    };
    void FillRows();
    void ShowDetails(std::optional<std::size_t> entry);
    void Apply();

    charts::hcrf::CHCRFModule& m_service;
    charts::hcrf::CCustomChartList m_list;
    std::array<CRowWidgets, charts::hcrf::CCustomChartList::kRows> m_rows;
    QScrollBar* m_scroll;
    QLabel* m_details;
    bool m_applying = false;   // a row's field taking the keyboard chooses no row meanwhile
};

}   // namespace charts
