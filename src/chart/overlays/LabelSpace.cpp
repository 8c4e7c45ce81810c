#include "chart/overlays/LabelSpace.h"

namespace chart {

namespace {

int CellOf(int coordinate, int size)
{
    // Rounded down for negative coordinates too.
    return coordinate >= 0 ? coordinate / size : -((-coordinate + size - 1) / size);
}

std::int64_t Key(int column, int row)
{
    return (std::int64_t(column) << 32) ^ std::int64_t(std::uint32_t(row));
}

bool Overlap(const IntRect& a, const IntRect& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}   // namespace

bool CLabelSpace::IsTaken(IntPoint p) const
{
    const auto it = m_cells.find(Key(CellOf(p.x, kCellWidth), CellOf(p.y, kCellHeight)));
    if (it == m_cells.end())
        return false;
    for (const IntRect& r : it->second)
        if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom)
            return true;
    return false;
}

bool CLabelSpace::Claim(const IntRect& rect)
{
    if (rect.right <= rect.left || rect.bottom <= rect.top)
        return true;
    const int c0 = CellOf(rect.left, kCellWidth), c1 = CellOf(rect.right - 1, kCellWidth);
    const int r0 = CellOf(rect.top, kCellHeight), r1 = CellOf(rect.bottom - 1, kCellHeight);
    for (int c = c0; c <= c1; ++c)
        for (int r = r0; r <= r1; ++r) {
            const auto it = m_cells.find(Key(c, r));
            if (it == m_cells.end())
                continue;
            for (const IntRect& taken : it->second)
                if (Overlap(rect, taken))
                    return false;
        }
    for (int c = c0; c <= c1; ++c)
        for (int r = r0; r <= r1; ++r)
            m_cells[Key(c, r)].push_back(rect);
    return true;
}

}   // namespace chart
