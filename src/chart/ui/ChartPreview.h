#pragma once
// The print preview of a chart: Qt's preview in a window of its own, with
// Print (only when a printer is installed) and Close. The chart view paints
// its pages on `paintRequested`.

#include <QWidget>

class QAction;
class QPrinter;
class QPrintPreviewWidget;

namespace chart {

class CChartPreview final : public QWidget {
    Q_OBJECT
public:
    CChartPreview(QPrinter& printer, bool printerInstalled, QWidget* parent = nullptr);
    ~CChartPreview() override;

    QPrintPreviewWidget* Preview() const { return m_preview; }
    QAction* PrintAction() const { return m_print; }

signals:
    void paintRequested(QPrinter* printer);

private:
    QPrinter& m_printer;
    QPrintPreviewWidget* m_preview;
    QAction* m_print;
};

}   // namespace chart
