#include "chart/draw/AreaFill.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace chart {

namespace {

constexpr std::int64_t kOne = 1 << 16;   // 1.0 in 16.16 fixed point

// A run of one pixel value, four pixels to a store where the processor has
// them (the runs of a chart's areas are tens of pixels long); a run's last
// four are stored over what the loop left, so no pixel-by-pixel tail.
void FillRun(std::uint32_t* p, std::uint32_t* end, std::uint32_t pixel)
{
#if defined(__SSE2__)
    if (end - p >= 4) {
        const __m128i four = _mm_set1_epi32(int(pixel));
        for (; end - p > 4; p += 4)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p), four);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(end - 4), four);
        return;
    }
#endif
    for (; p < end; ++p)
        *p = pixel;
}

}   // namespace

void CAreaFiller::AddChains(std::span<const IntPoint> ring, std::uint32_t area, int top, int bottom)
{
    const std::size_t n = ring.size();
    // Which way an edge goes: down 1, up -1, level 0.
    const auto way = [&](std::size_t i) {
        const int dy = ring[i + 1 < n ? i + 1 : 0].y - ring[i].y;
        return (dy > 0) - (dy < 0);
    };
    // Start at an edge going the other way from the last one before it that
    // goes anywhere, so no run goes over the ring's end.
    int last = 0;
    for (std::size_t i = n; i-- > 0 && last == 0;)
        last = way(i);
    if (last == 0)
        return;   // a ring on one row crosses none
    std::size_t first = 0;
    for (; first < n; ++first) {
        const int w = way(first);
        if (w != 0 && w != last)
            break;
        if (w != 0)
            last = w;
    }
    if (first == n)
        return;
    // Runs of edges one way (level ones within them), each ending at the
    // end of its last edge that goes that way.
    std::size_t runStart = first, runEnd = first;
    int runWay = way(first);
    const auto emit = [&](std::size_t from, std::size_t to, int w) {
        // The run's points from `from` to `to` round the ring, top first.
        const std::size_t count = (to + n - from) % n + 1;
        const std::size_t base = m_points.size();
        for (std::size_t k = 0; k < count; ++k)
            m_points.push_back(ring[(w > 0 ? from + k : to + n - k) % n]);
        Chain c;
        c.at = std::uint32_t(base);
        c.last = std::uint32_t(base + count - 1);
        c.area = area;
        const int chainTop = m_points[base].y, chainBottom = m_points[c.last].y;
        c.top = std::max(chainTop, top);
        if (c.top >= std::min(chainBottom, bottom) || !EdgeAt(c, c.top)) {
            m_points.resize(base);
            return;
        }
        m_found.push_back(c);
        ++m_rowStarts[std::size_t(c.top - top) + 1];
    };
    // Back at the first edge, the last run ends too.
    for (std::size_t k = 1; k <= n; ++k) {
        const std::size_t i = (first + k) % n;
        const int w = way(i);
        if (w == 0)
            continue;
        if (w == runWay) {
            runEnd = i;
            continue;
        }
        emit(runStart, (runEnd + 1) % n, runWay);
        runStart = runEnd = i;
        runWay = w;
    }
}

bool CAreaFiller::EdgeAt(Chain& c, int y) const
{
    while (c.at < c.last && m_points[c.at + 1].y <= y)
        ++c.at;
    if (c.at >= c.last)
        return false;
    const IntPoint a = m_points[c.at], b = m_points[c.at + 1];
    // The step per row is truncated to 16.16 and the crossing taken at the
    // rows' middles, as the painter does.
    const double slope = double(std::int64_t(b.x) - a.x) / double(std::int64_t(b.y) - a.y);
    c.step = std::int64_t(slope * double(kOne));
    c.x = std::int64_t(a.x) * kOne + (c.step >> 1) + c.step * (std::int64_t(y) - a.y);
    c.edgeBottom = b.y;
    return true;
}

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

    // Every chain that crosses the middle of a row inside the clip, counted
    // by its first such row.
    m_points.clear();
    m_found.clear();
    m_pixels.clear();
    for (const AreaFill& a : areas)
        m_pixels.push_back(app::ColourToPixel(a.colour));
    m_rowStarts.assign(std::size_t(bottom - top) + 1, 0);
    std::size_t ring = 0, at = 0;
    for (std::uint32_t area = 0; area < areas.size(); ++area) {
        for (std::uint32_t r = 0; r < areas[area].rings; ++r, ++ring) {
            const std::size_t n = std::size_t(ringSizes[ring]);
            if (n >= 3)
                AddChains(points.subspan(at, n), area, top, bottom);
            at += n;
        }
    }
    if (m_found.empty())
        return true;
    for (std::size_t r = 1; r < m_rowStarts.size(); ++r)
        m_rowStarts[r] += m_rowStarts[r - 1];
    m_chains.resize(m_found.size());
    for (const Chain& c : m_found)
        m_chains[m_rowStarts[std::size_t(c.top - top)]++] = c;

    // The pixel a run starts or ends at: the first whose middle lies to the
    // right of the crossing (a crossing through a middle takes that pixel
    // into the run that ends there), kept within the clip.
    const auto keyOf = [left, right](const Chain& e) {
        const std::int64_t px = std::clamp<std::int64_t>((e.x + kOne / 2) >> 16, left, right);
        return (std::uint64_t(e.area) << 32) | std::uint64_t(px - left);
    };
    m_row.clear();
    std::size_t next = 0;
    int y = top;
    while (y < bottom) {
        if (m_row.empty()) {
            if (next == m_chains.size())
                break;
            y = m_chains[next].top;   // nothing to fill down to there
        }
        for (; next < m_chains.size() && m_chains[next].top == y; ++next)
            m_row.push_back({keyOf(m_chains[next]), std::uint32_t(next)});
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
            Chain& chain = m_chains[c.chain];
            if (y < chain.edgeBottom)
                chain.x += chain.step;
            else if (!EdgeAt(chain, y))
                continue;
            m_row[kept++] = {keyOf(chain), c.chain};
        }
        m_row.resize(kept);
    }
    return true;
}

}   // namespace chart
