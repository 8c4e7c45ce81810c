#pragma once
// The chart window's view: draws the document into off-screen buffers in
// device pixels and copies the exposed part to the window. The chart image is
// redrawn only when the document or the window's size asks for it.

#include <QWidget>

#include <memory>
#include <optional>

#include "chart/BufferDC.h"
#include "geo/Clipping.h"

namespace app { class CDisplayPalettes; }
namespace chart {
class CChartDoc;
class CChartingModule;
}

class CChartView : public QWidget {
    Q_OBJECT
public:
    CChartView(chart::CChartDoc& doc, chart::CChartingModule* module, QWidget* parent = nullptr);
    ~CChartView() override;

    chart::CChartDoc& Doc() const { return m_doc; }
    // The client rectangle in device pixels: what the document maps onto.
    geo::IntRect ClientRect() const;
    double PixelRatio() const;
    // Widget coordinates to device pixels.
    geo::IntPoint ToDevice(QPoint p) const;
    std::optional<geo::IntPoint> CursorPoint() const;

    void InvalidateChart();
    void InvalidateOverlays();
    // The document's table of the active display palette into the buffers;
    // then a full redraw.
    void SelectDisplayPalette();
    // How many times the chart image was drawn (tests read it).
    int ChartDrawCount() const { return m_chartDraws; }

signals:
    void cursorMoved();
    void resized();

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    void DrawChartLayer();

    chart::CChartDoc& m_doc;
    chart::CChartingModule* m_module;
    std::unique_ptr<chart::CScreenBuffer> m_buffers;
    bool m_chartDirty = true;
    bool m_overlaysDirty = true;
    bool m_inPaint = false;
    int m_chartDraws = 0;
};
