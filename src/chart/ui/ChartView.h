#pragma once
// The chart window's view: paints through the pipeline's three buffers in
// device pixels and copies the exposed part with one drawImage, so at 200 %
// the chart is sharp; forwards mouse, wheel and keys to the chart: the zoom
// rectangle, range and bearing, panning, and zoom commands posted to the
// frame so their enabled state is honoured.

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/PostedMessageQueue.h"
#include "chart/ChartViewPipeline.h"
#include "chart/draw/BufferDC.h"
#include "geo/Clipping.h"

namespace chart {
class CChartDoc;
class CChartingModule;
class COwnVesselLayer;
}   // namespace chart

namespace app {
class CPostedMessagePump;
}
class QPrinter;
class QMenu;

namespace chart {

// What the view needs of the program.
struct CChartViewServices {
    // Runs a command after the current event, when its update handler enables it.
    std::function<void(unsigned)> postCommand;
    // The application-wide range-and-bearing mode.
    std::function<bool()> rangeBearingMode;
    // The measurement's label for the range-bearing bar.
    std::function<void(const std::string&)> showRangeBearingLabel;
    // The chart's own properties: what Properties opens over nothing else.
    std::function<void()> showChartProperties;
    // The magnetic variation at a position now, as the right-click menu shows
    // it; empty when there is no model.
    std::function<std::string(const geo::CPosition&)> variationAt;
    // The main frame's active side panel: only its entries open the
    // right-click menu.
    std::function<const QWidget*()> activeSidePanel;
};

class CChartView;

// The parts of the right-click menu extensions fill, in the menu's order:
// the active side panel's entries, the chart's "Information" submenu, the
// tidal stream, the charts at the vessel's or the pointer's position. The
// variation lies between the second and the third, Properties comes last.
enum class MenuSection {
    SidePanel,
    Information,
    TidalStream,
    ChartsAtPosition,
};

// Who answers Properties first when several things lie under the point:
// the view asks extensions in this order, the first answer wins.
enum class PropertiesOrder {
    Chartpoints,
    RouteWaypoints,
    PositionFixes,   // the own track's markers, then radar targets', then tenders'
    ARPAFixes,
    TenderFixes,
    OwnVessel,
    Targets,
    Other,
};

// What draws in and answers on every chart view besides the chart itself
// (the chartpoints): told of each view as it is made and as it goes, offered
// left presses before the view's own zoom rectangle, the right-click menu and
// Properties.
class CChartViewExtension {
public:
    // Opens the properties of the extension's object under a point.
    using PropertiesCall = std::function<void()>;

    virtual ~CChartViewExtension() = default;
    virtual void ViewCreated(CChartView& view) = 0;
    virtual void ViewDestroyed(CChartView& view) = 0;
    // True when the extension takes the press and the moves and release after it.
    virtual bool Press(CChartView& /*view*/, geo::IntPoint /*p*/) { return false; }
    virtual void DragTo(CChartView& /*view*/, geo::IntPoint /*p*/) { }
    virtual void Release(CChartView& /*view*/, geo::IntPoint /*p*/) { }
    // True when the extension took the double-click.
    virtual bool DoubleClick(CChartView& /*view*/, geo::IntPoint /*p*/) { return false; }
    // `onChart`: the right-clicked point lies on the chart, not in the
    // blank area beside it.
    virtual void AddContextMenu(CChartView& /*view*/, QMenu& /*menu*/, geo::IntPoint /*p*/,
                                MenuSection /*section*/, bool /*onChart*/)
    { }
    // The side panel the extension's SidePanel entries belong to: they join
    // the menu only while it is the frame's active side panel.
    virtual const QWidget* SidePanel() const { return nullptr; }
    // The Delete key in a chart view, offered to the extension whose side
    // panel is the frame's active one: it deletes its selected object (with
    // its module's confirmation). True when it took the key.
    virtual bool DeleteSelected(CChartView& /*view*/) { return false; }
    // The hit test of Properties: a call that opens the properties of what the
    // extension has under p, or an empty one when it has nothing there. Only
    // the winning call runs.
    virtual PropertiesCall PropertiesAt(CChartView& /*view*/, geo::IntPoint /*p*/) { return {}; }
    virtual PropertiesOrder PropertiesRank() const { return PropertiesOrder::Other; }
};

class CChartView : public QWidget {
    Q_OBJECT
public:
    // The view's own messages, posted to itself through its queue.
    static constexpr unsigned kMsgZoomToDragRect = 0x502;   // a finished drag rectangle

    CChartView(chart::CChartDoc& doc, chart::CChartingModule* module, QWidget* parent = nullptr);
    ~CChartView() override;

    void SetServices(CChartViewServices services) { m_services = std::move(services); }
    chart::CChartDoc& Doc() const { return m_doc; }
    chart::CChartViewPipeline& Pipeline() { return m_pipeline; }
    // The client rectangle in device pixels: what the document maps onto.
    geo::IntRect ClientRect() const;
    double PixelRatio() const;
    geo::IntPoint ToDevice(QPointF p) const;
    std::optional<geo::IntPoint> CursorPoint() const;

    void InvalidateChart();
    void InvalidateOverlays();
    // The document's table of the active display palette goes into the
    // buffers; then a full redraw.
    void SelectDisplayPalette();
    void ClearRangeBearing();
    // Properties of what lies under p (the extensions in their order), else
    // the chart's own.
    void ShowProperties(geo::IntPoint p);
    // The right-click menu at p, built in its order (not shown).
    void BuildContextMenu(QMenu& menu, geo::IntPoint p);
    // The magnetic variation at a client point as the right-click menu shows
    // it: "Not Available" off the chart or without a model.
    std::string VariationText(geo::IntPoint p);
    // Where the pointer last was on the view (moved, clicked or right-clicked).
    geo::IntPoint LastPoint() const { return m_lastPoint; }
    // The position under the last left press; not valid after a press off the chart.
    const geo::CPosition& CursorPosition() const { return m_cursorPosition; }
    // Paints into the buffers only (for printing): false when nothing could be drawn.
    bool RenderBuffers();
    chart::CScreenBuffer* Buffers() const { return m_buffers.get(); }
    // One page: the header (chart number and title, then the datum) in the
    // sans font, then buffer 3 scaled into the rest of the page. False when
    // there is nothing to print.
    bool Print(QPrinter& printer);
    // The drag rectangle finished: the chart zooms to it (message 0x502
    // through the view's queue, so the button release finishes first; a
    // double-click before it is handled cancels it).
    void ZoomToDragRect();
    app::CPostedMessageQueue& Messages() { return m_messages; }
    int PaintCount() const { return m_paints; }

    // Extensions join every view there is and every view made later.
    static void AddExtension(CChartViewExtension* extension);
    static void RemoveExtension(CChartViewExtension* extension);

signals:
    void cursorMoved();
    // The chart layer is to be drawn again: it may have moved or changed zoom.
    void chartInvalidated();
    void resized();

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    static QImage ImageOf(const chart::CBufferDC& buffer);
    void ButtonDown(geo::IntPoint p, bool shift);
    void Move(geo::IntPoint p);
    void ButtonUp(geo::IntPoint p);
    // A left press takes the position under it, or none off the chart.
    void TakeCursorPosition(geo::IntPoint p);
    // A double click (or the keyboard's): a route pick first, else the
    // charts at the position under the last press.
    void DoubleClick(geo::IntPoint p);
    void MovePointer(int dx, int dy);
    bool IsInActiveFrame() const;
    void Post(unsigned command);
    bool RangeBearingMode() const
    {
        return m_services.rangeBearingMode && m_services.rangeBearingMode();
    }
    void ShowLabel(const std::string& text);
    int ActivePalette() const;

    chart::CChartDoc& m_doc;
    chart::CChartingModule* m_module;
    CChartViewServices m_services;
    chart::CChartViewPipeline m_pipeline;
    std::unique_ptr<chart::CScreenBuffer> m_buffers;
    std::unique_ptr<chart::COwnVesselLayer> m_ownVessel;
    geo::IntPoint m_lastPoint;
    geo::CPosition m_cursorPosition;
    std::optional<geo::IntPoint> m_keyboardPoint;   // where warping the pointer is refused
    bool m_zoomPending = false;
    app::CPostedMessageQueue m_messages;
    std::unique_ptr<app::CPostedMessagePump> m_pump;
    int m_wheel = 0;
    int m_paints = 0;
    geo::IntRect m_viewSize{};   // the client size last given to the document
    CChartViewExtension* m_pressTaker = nullptr;   // the extension that took the left press
    static std::vector<CChartView*>& Views();
    static std::vector<CChartViewExtension*>& Extensions();
};

}   // namespace chart
