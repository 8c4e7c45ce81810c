#include "chart/draw/ui/TextWidthCache.h"

#include <unordered_map>

namespace chart {

namespace {

// Enough for the ID and name labels of tens of thousands of chartpoints in
// one paint (a table emptied whole every paint measures every label again);
// emptied whole when full, so a program that writes ever new texts keeps a
// bounded table.
constexpr std::size_t kMaxWidths = 32768;

// The font and the text as one key, in a buffer this thread reuses.
const std::string& CacheKey(const std::string& fontKey, std::string_view text)
{
    thread_local std::string key;
    key.assign(fontKey);
    key.push_back('\0');
    key.append(text);
    return key;
}

}   // namespace

int CTextWidthCache::Width(const std::string& fontKey, const QFontMetrics& metrics,
                           std::string_view text)
{
    thread_local std::unordered_map<std::string, int> widths;
    const std::string& key = CacheKey(fontKey, text);
    if (const auto found = widths.find(key); found != widths.end())
        return found->second;
    const int width =
        metrics.horizontalAdvance(QString::fromUtf8(text.data(), qsizetype(text.size())));
    if (widths.size() >= kMaxWidths)
        widths.clear();
    widths.emplace(key, width);
    return width;
}

const QStaticText& CTextWidthCache::Layout(const std::string& fontKey, const QFont& font,
                                           std::string_view text)
{
    thread_local std::unordered_map<std::string, QStaticText> layouts;
    const std::string& key = CacheKey(fontKey, text);
    if (const auto found = layouts.find(key); found != layouts.end())
        return found->second;
    if (layouts.size() >= kMaxWidths)
        layouts.clear();
    QStaticText layout(QString::fromUtf8(text.data(), qsizetype(text.size())));
    layout.setTextFormat(Qt::PlainText);
    layout.prepare(QTransform(), font);
    return layouts.emplace(key, std::move(layout)).first->second;
}

std::string CTextWidthCache::FontKey(const QFont& font, int dpiX, int dpiY)
{
    return font.key().toStdString() + '@' + std::to_string(dpiX) + 'x' + std::to_string(dpiY);
}

}   // namespace chart
