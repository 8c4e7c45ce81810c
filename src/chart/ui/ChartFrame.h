#pragma once
// One chart window in the main frame's MDI area: the chart view with its
// scroll bars and the window's own message bar. It never closes itself: a
// close posts its document's identity to the main frame, which closes the
// document; the window goes when the document does.

#include <QMdiSubWindow>
#include <QPointer>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/MsgBar.h"
#include "chart/ChartWindow.h"

namespace app {
class CMsgBarWnd;
}
class QMainWindow;
class QScrollBar;
namespace app {
class CPostedMessageQueue;
}
namespace platform {
class CClock;
}

namespace chart {

class CChartDocument;
class CChartView;

class CChartingModule;

// What a chart frame needs of the program.
struct CChartFrameServices {
    chart::CChartingModule* module = nullptr;
    app::CPostedMessageQueue* frameMessages = nullptr;
    const platform::CClock* clock = nullptr;
    app::CAlertSound* sound = nullptr;
    std::filesystem::path audioFolder;
    // Commands posted by the view, the range-and-bearing mode and its bar.
    std::function<void(unsigned)> postCommand;
    std::function<bool()> rangeBearingMode;
    std::function<void(const std::string&)> showRangeBearingLabel;
    // The chart's own properties, when Properties finds nothing under the point.
    std::function<void()> showChartProperties;
    std::function<std::string(const geo::CPosition&)> variationAt;
    std::function<const QWidget*()> activeSidePanel;
};

class CChartFrame final : public QMdiSubWindow, public chart::CChartWindow {
    Q_OBJECT
public:
    CChartFrame(int state, CChartDocument& document, const CChartFrameServices& services,
                QWidget* parent = nullptr);
    ~CChartFrame() override;

    CChartDocument& Document() const;
    CChartView* View() const { return m_view; }
    app::CMsgBarWnd* MsgBarWnd() const { return m_msgBarWnd; }
    // Scroll bars follow the chart's position after it moved.
    void SyncScrollBars();
    // A chart has no size of its own: three fifths of the window area (at
    // least 320x240), the size a new chart window opens at and the one
    // Window > Cascade gives it.
    QSize sizeHint() const override;

    // chart::CChartWindow
    int GetState() const override { return m_state; }
    chart::CChartDoc* GetChartDoc() const override;
    app::CMsgBar* GetMsgBar() const override { return m_msgBar.get(); }
    void SetTitle(const std::string& title) override;
    geo::IntRect GetClientRect() const override;
    void InvalidateChart() override;
    void InvalidateOverlays() override;
    void InvalidateView() override;
    void UpdateView() override;
    void SelectDisplayPalette() override;
    void ClearViewOverlays() override;
    chart::CWindowPlacement GetPlacement() const override;
    void SetPlacement(const chart::CWindowPlacement& placement) override;
    void ActivateFrame() override;
    std::optional<geo::IntPoint> GetCursorClientPoint() const override;

protected:
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    // A scroll-bar action: the arrows and the bar beside the thumb pan by the
    // small and large pan steps; a moved thumb takes the chart to its place.
    void OnScrollAction(QScrollBar* bar, int action);
    // The vessel's chart window is never left minimised: it is restored
    // (to maximised when it was maximised before) once the event is done.
    void RestoreIfMinimised();

    int m_state;
    QPointer<CChartDocument> m_document;
    CChartFrameServices m_services;
    bool m_documentClosed = false;
    std::unique_ptr<app::CMsgBar> m_msgBar;
    QMainWindow* m_inner = nullptr;
    app::CMsgBarWnd* m_msgBarWnd = nullptr;
    CChartView* m_view = nullptr;
    QScrollBar* m_hScroll = nullptr;
    QScrollBar* m_vScroll = nullptr;
    bool m_restorePending = false;
    bool m_maximisedBeforeMinimised = false;
};

}   // namespace chart
