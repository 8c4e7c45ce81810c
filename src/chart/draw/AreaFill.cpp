#include "chart/draw/AreaFill.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace chart {

namespace {

constexpr std::int64_t kOne = 1 << 16;   // 1.0 in 16.16 fixed point

// A run of one pixel value, four pixels to a store where the processor has
// them (the runs of a chart's areas are tens of pixels long).
void FillRun(std::uint32_t* p, std::uint32_t* end, std::uint32_t pixel)
{
#if defined(__SSE2__)
    const __m128i four = _mm_set1_epi32(int(pixel));
    for (; end - p >= 4; p += 4)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), four);
#endif
    for (; p < end; ++p)
        *p = pixel;
}

}   // namespace

bool CAreaFiller::Fill(const CPixelView& dest, const IntRect& clip,
                       std::span<const IntPoint> points, std::span<const int> ringSizes,
                       std::span<const AreaFill> areas)
{
    // The sizes are checked against what is given before anything is read.
    std::size_t ringCount = 0, pointCount = 0;
    for (const AreaFill& a : areas)
        ringCount += a.rings;
    if (ringCount > ringSizes.size())
        return false;
    for (std::size_t r = 0; r < ringCount; ++r) {
        if (ringSizes[r] < 0)
            return false;
        pointCount += std::size_t(ringSizes[r]);
    }
    if (pointCount > points.size())
        return false;

    const int left = std::max(clip.left, 0), right = std::min(clip.right, dest.width);
    const int top = std::max(clip.top, 0), bottom = std::min(clip.bottom, dest.height);
    if (!dest.IsValid() || left >= right || top >= bottom)
        return true;

    // Every edge that crosses the middle of a row inside the clip, counted
    // by its first such row. An edge from y0 to y1 crosses the rows whose
    // middles lie in [y0, y1); a level edge crosses none.
    m_found.clear();
    m_pixels.clear();
    for (const AreaFill& a : areas)
        m_pixels.push_back(app::ColourToPixel(a.colour));
    m_rowStarts.assign(std::size_t(bottom - top) + 1, 0);
    std::size_t ring = 0, at = 0;
    for (std::uint32_t area = 0; area < areas.size(); ++area) {
        for (std::uint32_t r = 0; r < areas[area].rings; ++r, ++ring) {
            const std::size_t n = std::size_t(ringSizes[ring]);
            const std::span<const IntPoint> ringPoints = points.subspan(at, n);
            at += n;
            if (n < 3)
                continue;
            for (std::size_t i = 0; i < n; ++i) {
                IntPoint a = ringPoints[i], b = ringPoints[i + 1 < n ? i + 1 : 0];
                if (a.y == b.y)
                    continue;
                if (a.y > b.y)
                    std::swap(a, b);
                Edge e;
                e.top = std::max(a.y, top);
                e.bottom = std::min(b.y, bottom);
                if (e.top >= e.bottom)
                    continue;
                // The step per row is truncated to 16.16 and the crossing
                // taken at the rows' middles, as the painter does.
                const double slope =
                    double(std::int64_t(b.x) - a.x) / double(std::int64_t(b.y) - a.y);
                e.step = std::int64_t(slope * double(kOne));
                e.x =
                    std::int64_t(a.x) * kOne + (e.step >> 1) + e.step * (std::int64_t(e.top) - a.y);
                e.area = area;
                m_found.push_back(e);
                ++m_rowStarts[std::size_t(e.top - top) + 1];
            }
        }
    }
    if (m_found.empty())
        return true;
    for (std::size_t r = 1; r < m_rowStarts.size(); ++r)
        m_rowStarts[r] += m_rowStarts[r - 1];
    m_edges.resize(m_found.size());
    for (const Edge& e : m_found)
        m_edges[m_rowStarts[std::size_t(e.top - top)]++] = e;

    // The pixel a run starts or ends at: the first whose middle lies to the
    // right of the crossing (a crossing through a middle takes that pixel
    // into the run that ends there), kept within the clip.
    const auto keyOf = [left, right](const Edge& e) {
        const std::int64_t px = std::clamp<std::int64_t>((e.x + kOne / 2) >> 16, left, right);
        return (std::uint64_t(e.area) << 32) | std::uint64_t(px - left);
    };
    m_row.clear();
    std::size_t next = 0;
    int y = top;
    while (y < bottom) {
        if (m_row.empty()) {
            if (next == m_edges.size())
                break;
            y = m_edges[next].top;   // nothing to fill down to there
        }
        for (; next < m_edges.size() && m_edges[next].top == y; ++next)
            m_row.push_back({keyOf(m_edges[next]), std::uint32_t(next)});
        // By area, then left to right: the crossings move little from row to
        // row, so an insertion sort has almost nothing to move.
        for (std::size_t i = 1; i < m_row.size(); ++i) {
            if (m_row[i - 1].key <= m_row[i].key)
                continue;
            const Crossing c = m_row[i];
            std::size_t j = i;
            for (; j > 0 && m_row[j - 1].key > c.key; --j)
                m_row[j] = m_row[j - 1];
            m_row[j] = c;
        }
        // A closed ring crosses a row's middle an even number of times, so
        // an area's crossings pair up, left to right, into runs.
        std::uint32_t* row = dest.Row(y) + left;
        for (std::size_t i = 0; i + 1 < m_row.size();) {
            const std::uint64_t from = m_row[i].key, to = m_row[i + 1].key;
            if (from >> 32 != to >> 32) {
                ++i;
                continue;
            }
            FillRun(row + std::uint32_t(from), row + std::uint32_t(to),
                    m_pixels[std::size_t(from >> 32)]);
            i += 2;
        }
        ++y;
        std::size_t kept = 0;
        for (const Crossing& c : m_row) {
            Edge& e = m_edges[c.edge];
            if (e.bottom <= y)
                continue;
            e.x += e.step;
            m_row[kept++] = {keyOf(e), c.edge};
        }
        m_row.resize(kept);
    }
    return true;
}

}   // namespace chart
