#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

#include "chart/draw/ui/QtPainterBackend.h"

namespace {

int g_argc = 1;
char g_arg0[] = "chart_ui_PainterBackendTest";
char* g_argv[] = {g_arg0, nullptr};

}   // namespace

// The print preview records a page and plays it back whenever it repaints,
// long after the chart's buffer picture it was drawn from has gone or been
// reused: what was drawn must keep its own pixels.
TEST(QtPainterBackend, APreviewedPageKeepsThePixelsItWasDrawnWith)
{
    static auto* app = new QApplication(g_argc, g_argv);
    (void)app;
    constexpr int kSide = 64;
    std::vector<std::uint32_t> pixels(kSide * kSide, 0xFF0000FFu);   // blue
    QPrinter printer;
    QPrintPreviewWidget preview(&printer);
    QObject::connect(&preview, &QPrintPreviewWidget::paintRequested, [&](QPrinter* p) {
        QPainter painter(p);
        chart::CQtPainterBackend backend(painter);
        const chart::CPixelView source{pixels.data(), kSide, kSide, kSide};
        const QRect page = painter.viewport();
        backend.DrawPixels(source, {0, 0, kSide, kSide},
                           {0, 0, page.width() / 2, page.height() / 2});
    });
    preview.resize(600, 800);
    preview.show();
    preview.updatePreview();
    QApplication::processEvents();
    std::fill(pixels.begin(), pixels.end(), 0xFFFF0000u);   // the buffer is reused: red

    preview.fitToWidth();
    const QImage shot = preview.grab().toImage();
    int blue = 0, red = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QRgb c = shot.pixel(x, y);
            blue += qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60;
            red += qRed(c) > 200 && qBlue(c) < 60 && qGreen(c) < 60;
        }
    EXPECT_GT(blue, 1000);
    EXPECT_EQ(red, 0);
}
