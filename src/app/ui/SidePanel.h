#pragma once
// Base of the docking side panels (chart information, chartpoint, route,
// monitor, target tracking). The main frame shows one of them at a time and
// talks to whichever is active through the virtual operations below; each
// panel belongs to the module that owns its data.

#include <QDockWidget>
#include <QPoint>
#include <QString>

namespace app {
class CCommandTable;
}
// Chart objects and views are only pointed at here; panels that hit-test
// include their definitions from the chart library.
namespace chart {
class CChartObject;
class CChartView;
}   // namespace chart
class QMainWindow;
class QMenu;

namespace app {

class CSidePanel : public QDockWidget {
    Q_OBJECT
public:
    explicit CSidePanel(QWidget* parent = nullptr);
    ~CSidePanel() override;

    // Docks the panel on the frame's right side under `barId` and runs
    // InitPanel. The frame shows it when it becomes the active panel.
    bool Create(unsigned barId, QMainWindow* frame);
    unsigned BarId() const { return m_barId; }

    // The panel interface; the base does nothing, hits nothing, handles nothing.
    virtual void InitPanel();   // base: hides the panel
    virtual void DestroyPanel() { }
    virtual void UpdatePanelControls(app::CCommandTable& /*commands*/, bool /*disableIfNoHandler*/)
    { }
    virtual void OnSysColourChange() { }
    virtual void OnChartMouseEvent1(QPoint /*clientPoint*/) { }
    virtual void OnChartMouseEvent2(QPoint /*clientPoint*/) { }
    virtual chart::CChartObject* HitTest(QPoint /*point*/, chart::CChartView* /*view*/)
    {
        return nullptr;
    }
    virtual bool ShowProperties(chart::CChartObject* /*object*/) { return false; }
    virtual chart::CChartObject* HitTestActiveChart(QPoint /*point*/) { return nullptr; }
    virtual bool DeleteSelected() { return false; }
    virtual bool ShowContextMenu(QMenu& /*menu*/, bool /*onChart*/) { return false; }
    virtual QString GetTitle() const { return {}; }   // matched against "OperationalMode"
    virtual void SaveCurrentItem(QPoint /*clientPoint*/) { }
    virtual bool GetPanelFlag() const { return true; }

    // Which side the panel docks on: right (true) or left.
    void SetAlignment(bool right);
    // The side it is docked on now (the user may have dragged it across);
    // while floating, the side it was given last.
    bool IsRightAligned() const;

    // Edit controls of a panel carry their control id in the "controlId"
    // property; anything else (a button, a missing id) reports no change.
    bool IsEditModified(int controlId) const;
    void SetEditModified(int controlId, bool modified);

signals:
    void contextMenuAt(QPoint globalPos);

protected:
    void contextMenuEvent(QContextMenuEvent* e) override;
    // A control of the panel that is disabled or hidden while it holds the
    // keyboard (Apply once the edits are stored, another card chosen, the
    // panel itself hidden when another takes its place) hands it to the
    // panel's next control that can take it, or lets it go, never to a widget
    // of the window area: that would bring a chart window hidden behind the
    // one in front to the front. Tab and Backtab move on as usual.
    bool focusNextPrevChild(bool next) override;

private:
    QWidget* FindControl(int controlId) const;

    QMainWindow* m_frame = nullptr;
    unsigned m_barId = 0;
    bool m_right = true;
};

}   // namespace app
