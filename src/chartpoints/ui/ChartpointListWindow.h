#pragma once
// The chartpoint list window: every record of the open table in the current
// sort order, a block of rows fetched at a time. It follows the module's
// current record and moves it: a click or a focus key makes the row's record
// current, a heading click sorts the table by that column, a double click or
// Enter hands the current chartpoint to the route (when one takes it).

#include "app/ui/ListControls.h"
#include "chartpoints/Chartpoint.h"
#include "geo/Position.h"

#include <functional>

namespace chartpoints {
class CChartpointModule;
}

namespace chartpoints {

class CChartpointListWindow final : public app::CListFrame {
    Q_OBJECT
public:
    using AddToRoute = std::function<void(const chartpoints::CChartpoint&)>;

    // `format`: the program's position format, which the positions follow.
    CChartpointListWindow(chartpoints::CChartpointModule& module, AddToRoute addToRoute,
                          QWidget* parent = nullptr,
                          std::function<geo::CPositionFormat()> format = {});

    // The table was opened or closed: title, rows and selection anew.
    void Rebuild();
    // A change the module told of: 2 repaints, 3 re-reads the rows and selects
    // the current one, 4 also takes the new row count.
    void Update(int hint);
    // The row shown selected (the current record), -1 for none.
    int SelectedRow() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SelectCurrent();
    void GoToRow(int row);
    void AddCurrentToRoute();

    chartpoints::CChartpointModule& m_module;
    AddToRoute m_addToRoute;
};

}   // namespace chartpoints
