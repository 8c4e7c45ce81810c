#include "chart/ui/ChartPreview.h"

#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QToolBar>
#include <QVBoxLayout>

namespace chart {

CChartPreview::CChartPreview(QPrinter& printer, bool printerInstalled, QWidget* parent)
    : QWidget(parent, Qt::Window), m_printer(printer)
{
    setObjectName("ChartPreview");
    setWindowTitle("Print Preview");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QToolBar(this);
    m_print = bar->addAction("Print...");
    // Without a printer there is nothing to print to.
    m_print->setVisible(printerInstalled);
    QAction* closeAction = bar->addAction("Close");
    m_preview = new QPrintPreviewWidget(&m_printer, this);
    layout->addWidget(bar);
    layout->addWidget(m_preview);
    connect(m_preview, &QPrintPreviewWidget::paintRequested, this, &CChartPreview::paintRequested);
    connect(m_print, &QAction::triggered, this, [this] {
        m_preview->print();
        QWidget::close();
    });
    connect(closeAction, &QAction::triggered, this, &QWidget::close);
    resize(800, 600);
}

CChartPreview::~CChartPreview() = default;

}   // namespace chart
