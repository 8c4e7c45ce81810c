#include "charts/hcrf/ChartPanel.h"

#include <algorithm>
#include <cmath>

namespace charts::hcrf {

namespace {

constexpr std::size_t kNotesStart = 48;
constexpr std::size_t kNoteSize = 26;
constexpr std::size_t kIdentifierBlock = 48;
constexpr std::size_t kOutlinePointWidth = 17;
// Characters that make a block's text hold numbers; a block without any of
// them converts nothing.
constexpr std::string_view kNumberCharacters = "+-123456780.E";

const char* const kUnitTexts[] = {"", "metres", "fathoms/feet", "fathoms/fractions", "fathoms", "feet"};

std::string UnitText(std::string_view record, std::size_t column)
{
    const std::string_view digit = FieldText(record, column, 1);
    if (digit.size() == 1 && digit[0] >= '1' && digit[0] <= '5')
        return kUnitTexts[digit[0] - '0'];
    return {};
}

std::optional<double> ShiftField(std::string_view record, std::size_t column)
{
    const std::string_view field = FieldText(record, column, 7);
    if (field.find("9999999") != std::string_view::npos)
        return std::nullopt;
    return FieldDouble(record, column, 7) / 60.0;
}

bool IsValidPosition(CGeoPoint p)
{
    return std::isfinite(p.lat) && std::isfinite(p.lon) && p.lat >= -90.0 && p.lat <= 90.0 &&
           p.lon >= -180.0 && p.lon <= 180.0;
}

template <class Point, class X, class Y>
bool InsidePolygon(const std::vector<Point>& polygon, double px, double py, X x, Y y)
{
    if (polygon.size() < 3)
        return false;
    double left = x(polygon[0]), right = left, top = y(polygon[0]), bottom = top;
    for (const auto& v : polygon) {
        left = std::min(left, double(x(v)));
        right = std::max(right, double(x(v)));
        top = std::min(top, double(y(v)));
        bottom = std::max(bottom, double(y(v)));
    }
    if (px < left || px > right || py < top || py > bottom)
        return false;
    bool inside = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const double xi = x(polygon[i]), yi = y(polygon[i]), xj = x(polygon[j]), yj = y(polygon[j]);
        if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi)
            inside = !inside;
    }
    return inside;
}

bool InsidePixels(const std::vector<CChartPoint>& outline, const CPixelRect& rect, CChartPoint p)
{
    if (outline.empty() || p.x < rect.left || p.x > rect.right || p.y < rect.top || p.y > rect.bottom)
        return false;
    return InsidePolygon(outline, double(p.x), double(p.y), [](const CChartPoint& v) { return double(v.x); },
                         [](const CChartPoint& v) { return double(v.y); });
}

bool InsidePositions(const std::vector<CGeoPoint>& outline, CGeoPoint p)
{
    return InsidePolygon(outline, p.lon, p.lat, [](const CGeoPoint& v) { return v.lon; },
                         [](const CGeoPoint& v) { return v.lat; });
}

CPixelRect Bounds(const std::vector<CChartPoint>& points)
{
    CPixelRect r;
    for (const auto& p : points) {
        r.left = std::min(r.left, p.x);
        r.top = std::min(r.top, p.y);
        r.right = std::max(r.right, p.x);
        r.bottom = std::max(r.bottom, p.y);
    }
    return r;
}

double RangeMinutes(const std::vector<CGeoPoint>& outline)
{
    if (outline.empty())
        return 0;
    const auto [lo, hi] = std::minmax_element(outline.begin(), outline.end(),
                                              [](const CGeoPoint& a, const CGeoPoint& b) { return a.lat < b.lat; });
    return (hi->lat - lo->lat) * 60.0;
}

void SetError(std::string* error, std::string text)
{
    if (error)
        *error = std::move(text);
}

}  // namespace

long RoundHalfTowardZero(double value)
{
    const double whole = std::trunc(value);
    const double fraction = value - whole;
    if (fraction > 0.5)
        return long(whole) + 1;
    if (fraction < -0.5)
        return long(whole) - 1;
    return long(whole);
}

double OutlineCoordinate(std::string_view field)
{
    if (field.size() < 6)
        return 0;
    const std::string_view body = field.substr(1);
    const double degrees = double(FieldNumber(body, 0, body.size() - 5));
    const double thousandths = double(FieldNumber(body, body.size() - 5, 5));
    const double value = degrees + thousandths / 60000.0;
    return field[0] == '-' ? -value : value;
}

std::vector<CNoteRecord> ReadNotes(ByteView notesFile)
{
    std::vector<CNoteRecord> notes;
    for (std::size_t at = kNotesStart; at <= notesFile.size() && notesFile.size() - at >= kNoteSize; at += kNoteSize) {
        const std::string_view r = AsText(notesFile.subspan(at, kNoteSize));
        std::string type(FieldText(r, 20, 2));
        if (type.size() == 2 && std::toupper(static_cast<unsigned char>(type[0])) == 'Z' &&
            std::toupper(static_cast<unsigned char>(type[1])) == 'Z')
            continue;
        CNoteRecord note;
        note.x1 = long(FieldNumber(r, 0, 5));
        note.y2 = long(FieldNumber(r, 5, 5));
        note.x2 = long(FieldNumber(r, 10, 5));
        note.y1 = long(FieldNumber(r, 15, 5));
        note.type = std::move(type);
        note.flag = FieldText(r, 22, 1) == "1";
        notes.push_back(std::move(note));
    }
    return notes;
}

void CTransformBlock::Parse(std::string_view record)
{
    const std::string_view text = record.substr(0, std::min(record.size(), kNumbers * kWidth));
    m_present = text.find_first_of(kNumberCharacters) != std::string_view::npos;
    double n[kNumbers];
    for (std::size_t i = 0; i < kNumbers; ++i)
        n[i] = FieldDouble(text, i * kWidth, kWidth);
    m_x0 = n[0];
    m_y0 = n[1];
    m_e0 = n[2];
    m_f0 = n[3];
    std::copy_n(n + 4, 10, m_a.begin());
    std::copy_n(n + 14, 12, m_b.begin());
}

std::pair<double, double> CTransformBlock::Apply(double u, double v) const
{
    const double p = u - m_x0, q = v - m_y0;
    const double p2 = p * p, q2 = q * q, pq = p * q;
    const double first = m_a[0] + m_a[1] * p + m_a[2] * q + m_a[3] * p2 + m_a[4] * pq + m_a[5] * q2 +
                         m_a[6] * p2 * p + m_a[7] * p2 * q + m_a[8] * p * q2 + m_a[9] * q2 * q;
    const double second = m_b[0] + m_b[1] * p + m_b[2] * q + m_b[3] * p2 + m_b[4] * pq + m_b[5] * q2 +
                          m_b[6] * p2 * p + m_b[7] * p2 * q + m_b[8] * p * q2 + m_b[9] * q2 * q +
                          m_b[10] * q2 * q2 + m_b[11] * q2 * q2 * q;
    return {first + m_e0, second + m_f0};
}

bool CSubPanel::Parse(const std::vector<std::string_view>& records, const CPanelLookups& lookups)
{
    if (records.size() < kRecords)
        return false;
    const std::string_view r = records[0];
    m_name = std::string(Trimmed(FieldText(r, 2, 100)));
    m_projectionCode = std::string(FieldText(r, 102, 2));
    m_projectionName = lookups.projections.Find(m_projectionCode);
    m_scale = long(std::min<std::uint64_t>(FieldNumber(r, 159, 8), LONG_MAX));
    m_horizontalDatumCode = std::string(FieldText(r, 215, 3));
    m_horizontalDatumName = lookups.horizontalDatums.Find(m_horizontalDatumCode);
    m_depthUnits = UnitText(r, 219);
    m_soundingDatumName = lookups.verticalDatums.Find(FieldText(r, 220, 2));
    m_heightUnits = UnitText(r, 222);
    m_heightDatumName = lookups.verticalDatums.Find(FieldText(r, 223, 2));
    m_latShift = ShiftField(r, 225);
    m_lonShift = ShiftField(r, 232);
    m_datumShiftValues = m_latShift.has_value() && m_lonShift.has_value();

    for (std::size_t i = 0; i < 4; ++i)
        m_blocks[i].Parse(records[1 + i]);
    m_polynomialShift = m_blocks[2].IsPresent() && m_blocks[3].IsPresent();

    m_outline.clear();
    const std::string_view outline = records[5];
    for (std::size_t at = 0; at + kOutlinePointWidth <= outline.size(); at += kOutlinePointWidth)
        m_outline.push_back({OutlineCoordinate(outline.substr(at, 8)), OutlineCoordinate(outline.substr(at + 8, 9))});
    m_nsRangeMinutes = RangeMinutes(m_outline);

    m_pixelOutline.clear();
    m_pixelOutline2.clear();
    bool crosses180 = false;
    for (std::size_t i = 0; i < m_outline.size(); ++i) {
        if (auto p = ToPoint(m_blocks[0], m_outline[i]))
            m_pixelOutline.push_back(*p);
        if (i > 0 && std::fabs(m_outline[i].lon - m_outline[i - 1].lon) > 180.0)
            crosses180 = true;
    }
    if (crosses180) {
        // The same outline with its western longitudes carried on past 180
        // degrees east, for the part of the chart beyond the meridian.
        for (const auto& v : m_outline) {
            const double lon = v.lon < 0 ? v.lon + 360.0 : v.lon;
            const auto [x, y] = m_blocks[0].Apply(lon * 3600.0, v.lat * 3600.0);
            m_pixelOutline2.push_back({RoundHalfTowardZero(x), RoundHalfTowardZero(y)});
        }
    }
    m_pixelRect = Bounds(m_pixelOutline);
    m_pixelRect2 = Bounds(m_pixelOutline2);

    m_wgs84Outline.clear();
    for (const auto& v : m_outline) {
        CGeoPoint shifted = v;
        if (m_polynomialShift)
            ShiftToWgs84(v, shifted);
        m_wgs84Outline.push_back(shifted);
    }
    return true;
}

std::optional<CChartPoint> CSubPanel::ToPoint(const CTransformBlock& block, CGeoPoint position) const
{
    if (!block.IsPresent() || !IsValidPosition(position))
        return std::nullopt;
    const auto [x, y] = block.Apply(position.lon * 3600.0, position.lat * 3600.0);
    if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > 1e15 || std::fabs(y) > 1e15)
        return std::nullopt;
    return CChartPoint{RoundHalfTowardZero(x), RoundHalfTowardZero(y)};
}

std::optional<CGeoPoint> CSubPanel::ToPosition(const CTransformBlock& block, CChartPoint point, bool wrap) const
{
    if (!block.IsPresent())
        return std::nullopt;
    const auto [lon3600, lat3600] = block.Apply(double(point.x), double(point.y));
    CGeoPoint position{lat3600 / 3600.0, lon3600 / 3600.0};
    if (wrap) {
        // Rounding in the polynomial may carry a chart edge on the meridian a
        // hair past it.
        if (position.lon < -180.0 && position.lon > -180.001)
            position.lon = -180.0;
        else if (position.lon > 180.0 && position.lon < 180.001)
            position.lon = 180.0;
    }
    return position;
}

std::optional<CChartPoint> CSubPanel::PositionToPoint(CGeoPoint position) const
{
    return ToPoint(m_blocks[0], position);
}

std::optional<CGeoPoint> CSubPanel::PointToPosition(CChartPoint point) const
{
    return ToPosition(m_blocks[1], point, true);
}

int CSubPanel::ShiftToChartDatum(CGeoPoint in, CGeoPoint& out) const
{
    out = in;
    if (!m_polynomialShift)
        return 5;
    const auto point = ToPoint(m_blocks[2], in);
    const auto position = point ? ToPosition(m_blocks[1], *point, true) : std::nullopt;
    if (!position)
        return 5;
    out = *position;
    return 0;
}

int CSubPanel::ShiftToWgs84(CGeoPoint in, CGeoPoint& out) const
{
    out = in;
    if (!m_polynomialShift)
        return 5;
    const auto point = ToPoint(m_blocks[0], in);
    const auto position = point ? ToPosition(m_blocks[3], *point, false) : std::nullopt;
    if (!position)
        return 5;
    out = *position;
    return 0;
}

bool CSubPanel::ContainsPoint(CChartPoint point) const
{
    return InsidePixels(m_pixelOutline, m_pixelRect, point) || InsidePixels(m_pixelOutline2, m_pixelRect2, point);
}

bool CSubPanel::ContainsPosition(CGeoPoint position, bool wgs84) const
{
    if (InsidePositions(wgs84 ? m_wgs84Outline : m_outline, position))
        return true;
    const auto point = ToPoint(m_blocks[wgs84 && m_polynomialShift ? 2 : 0], position);
    return point && ContainsPoint(*point);
}

bool CPanel::Load(const std::filesystem::path& chartFile, unsigned number, std::vector<CGeoPoint> outline,
                  const CPanelLookups& lookups, bool enciphered, std::string* error)
{
    char ext[8];
    std::snprintf(ext, sizeof ext, "p%02u", number % 100);
    const auto panelPath = SiblingFile(chartFile, ext);
    ext[0] = 'n';
    const auto notesPath = SiblingFile(chartFile, ext);
    const auto panel = ReadWholeFile(panelPath);
    if (!panel) {
        SetError(error, "cannot read panel file " + panelPath.string());
        return false;
    }
    const auto notes = ReadWholeFile(notesPath);
    if (!notes) {
        SetError(error, "cannot read notes file " + notesPath.string());
        return false;
    }
    return Parse(*panel, *notes, number, std::move(outline), lookups, enciphered, error);
}

bool CPanel::Parse(ByteView panelFile, ByteView notesFile, unsigned number, std::vector<CGeoPoint> outline,
                   const CPanelLookups& lookups, bool enciphered, std::string* error)
{
    m_number = number;
    m_text = std::string(AsText(panelFile));
    m_notes = ReadNotes(notesFile);
    m_outline = std::move(outline);
    m_nsRangeMinutes = RangeMinutes(m_outline);
    m_subPanels.clear();
    m_current = 0;
    if (enciphered)
        return true;   // no decipher stage: the panel stands without sub-panels

    const auto idEnd = FindTerminator(panelFile.first(std::min(panelFile.size(), kIdentifierBlock)), 0);
    const std::size_t start = idEnd ? *idEnd + kTerminatorSize : std::min(panelFile.size(), kIdentifierBlock);
    const std::vector<std::string_view> records = SplitRecords(panelFile, start);
    if (records.empty()) {
        SetError(error, "panel file " + std::to_string(number) + " holds no sub-panel records");
        return false;
    }
    const std::size_t count = std::size_t(FieldNumber(records[0], 1, 1));
    if (records.size() < count * CSubPanel::kRecords) {
        SetError(error, "panel file " + std::to_string(number) + " is too short for its " +
                            std::to_string(count) + " sub-panels");
        return false;
    }
    m_subPanels.resize(count);
    for (std::size_t j = 0; j < count; ++j) {
        const std::vector<std::string_view> mine(records.begin() + std::ptrdiff_t(j * CSubPanel::kRecords),
                                                 records.begin() + std::ptrdiff_t((j + 1) * CSubPanel::kRecords));
        m_subPanels[j].Parse(mine, lookups);
    }
    return true;
}

const CSubPanel* CPanel::Current() const
{
    return m_current < m_subPanels.size() ? &m_subPanels[m_current] : nullptr;
}

std::size_t CPanel::SelectSubPanel(std::size_t i)
{
    const std::size_t previous = m_current;
    if (i < m_subPanels.size())
        m_current = i;
    return previous;
}

bool CPanel::ContainsPoint(CChartPoint point) const
{
    return std::any_of(m_subPanels.begin(), m_subPanels.end(), [&](const CSubPanel& s) { return s.ContainsPoint(point); });
}

bool CPanel::ContainsPosition(CGeoPoint position, bool wgs84) const
{
    return std::any_of(m_subPanels.begin(), m_subPanels.end(),
                       [&](const CSubPanel& s) { return s.ContainsPosition(position, wgs84); });
}

std::optional<CChartPoint> CPanel::PositionToPoint(CGeoPoint position) const
{
    const CSubPanel* s = Current();
    return s ? s->PositionToPoint(position) : std::nullopt;
}

std::optional<CGeoPoint> CPanel::PointToPosition(CChartPoint point) const
{
    const CSubPanel* s = Current();
    return s ? s->PointToPosition(point) : std::nullopt;
}

}  // namespace charts::hcrf
