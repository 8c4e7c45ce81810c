#pragma once
// Widths of texts measured before, by font and text. Measuring a text shapes
// it, which costs as much as drawing it, and charts measure the same
// soundings and labels on every redraw. Each thread keeps its own widths.

#include <QFont>
#include <QFontMetrics>
#include <QStaticText>

#include <string>
#include <string_view>

namespace chart {

class CTextWidthCache {
public:
    // The text's width in the metrics' font on its device, measured once.
    // `fontKey` names the font and device (FontKey) the metrics are for.
    static int Width(const std::string& fontKey, const QFontMetrics& metrics,
                     std::string_view text);
    // The text laid out once in the font `fontKey` names, ready to draw: laying
    // a text out shapes it, the larger part of drawing a short one.
    static const QStaticText& Layout(const std::string& fontKey, const QFont& font,
                                     std::string_view text);
    // A name for a font on a device of this resolution.
    static std::string FontKey(const QFont& font, int dpiX, int dpiY);
};

}   // namespace chart
