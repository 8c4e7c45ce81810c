#include "charts/hcrf/ChartPanel.h"
#include "platform/Ascii.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "geo/DatumInfo.h"
#include "geo/NavMaths.h"

namespace charts::hcrf {

namespace {

constexpr std::size_t kNotesStart = 48;
constexpr std::size_t kNoteSize = 26;
constexpr std::size_t kIdentifierBlock = 48;
constexpr std::size_t kOutlinePointWidth = 17;
// Characters that make a block's text hold numbers; a block without any of
// them converts nothing.
constexpr std::string_view kNumberCharacters = "+-123456780.E";

const char* const kUnitTexts[] = {"",        "metres", "fathoms/feet", "fathoms/fractions",
                                  "fathoms", "feet"};

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

bool InsidePixels(const geo::IntPolygon& outline, const geo::IntRect& rect, CChartPoint p)
{
    return geo::PointInPolygon(p, outline, &rect);
}

double RangeMinutes(const std::vector<geo::CPosition>& outline)
{
    if (outline.empty())
        return 0;
    const auto [lo, hi] =
        std::minmax_element(outline.begin(), outline.end(), [](const auto& a, const auto& b) {
            return a.GetLatitude() < b.GetLatitude();
        });
    return (hi->GetLatitude() - lo->GetLatitude()) * 60.0;
}

geo::IntPolygon MicroDegrees(const std::vector<geo::CPosition>& outline)
{
    geo::IntPolygon polygon;
    geo::AppendPolygonPoints(outline, &polygon);
    return polygon;
}

// Chart points are 32-bit; a polynomial fed a far-off position must not wrap.
std::optional<std::int32_t> ToPixel(double v)
{
    if (!(std::fabs(v) < 2147483647.0))
        return std::nullopt;
    return geo::RoundToInt(v);
}

void SetError(std::string* error, std::string text)
{
    if (error)
        *error = std::move(text);
}

}   // namespace

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
    for (std::size_t at = kNotesStart; at <= notesFile.size() && notesFile.size() - at >= kNoteSize;
         at += kNoteSize) {
        const std::string_view r = AsText(notesFile.subspan(at, kNoteSize));
        std::string type(FieldText(r, 20, 2));
        if (type.size() == 2 && platform::AsciiUpper(type[0]) == 'Z' &&
            platform::AsciiUpper(type[1]) == 'Z')
            continue;
        CNoteRecord note;
        note.x1 = std::int32_t(FieldNumber(r, 0, 5));
        note.y2 = std::int32_t(FieldNumber(r, 5, 5));
        note.x2 = std::int32_t(FieldNumber(r, 10, 5));
        note.y1 = std::int32_t(FieldNumber(r, 15, 5));
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
    const double first = m_a[0] + m_a[1] * p + m_a[2] * q + m_a[3] * p2 + m_a[4] * pq +
                         m_a[5] * q2 + m_a[6] * p2 * p + m_a[7] * p2 * q + m_a[8] * p * q2 +
                         m_a[9] * q2 * q;
    const double second = m_b[0] + m_b[1] * p + m_b[2] * q + m_b[3] * p2 + m_b[4] * pq +
                          m_b[5] * q2 + m_b[6] * p2 * p + m_b[7] * p2 * q + m_b[8] * p * q2 +
                          m_b[9] * q2 * q + m_b[10] * q2 * q2 + m_b[11] * q2 * q2 * q;
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
    m_scale = long(FieldNumber(r, 159, 8));   // eight digits at most
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

    // Outline points are in the chart's datum; the datum table may be loaded
    // after the chart, so the row is looked up here and again when asked.
    const std::uint16_t datum = DatumIndex();
    m_outline.clear();
    const std::string_view outline = records[5];
    for (std::size_t at = 0; at + kOutlinePointWidth <= outline.size(); at += kOutlinePointWidth)
        m_outline.emplace_back(OutlineCoordinate(outline.substr(at, 8)),
                               OutlineCoordinate(outline.substr(at + 8, 9)), 0.0,
                               std::int16_t(datum));
    m_nsRangeMinutes = RangeMinutes(m_outline);

    m_pixelOutline.clear();
    m_pixelOutline2.clear();
    bool crosses180 = false;
    for (std::size_t i = 0; i < m_outline.size(); ++i) {
        if (auto p = ToPoint(m_blocks[0], m_outline[i]))
            m_pixelOutline.push_back(*p);
        if (i > 0 &&
            std::fabs(m_outline[i].GetLongitude() - m_outline[i - 1].GetLongitude()) > 180.0)
            crosses180 = true;
    }
    if (crosses180 && m_blocks[0].IsPresent()) {
        // The same outline with its western longitudes carried on past 180
        // degrees east, for the part of the chart beyond the meridian.
        for (const auto& v : m_outline) {
            const double lon = v.GetLongitude() < 0 ? v.GetLongitude() + 360.0 : v.GetLongitude();
            const auto [x, y] = m_blocks[0].Apply(lon * 3600.0, v.GetLatitude() * 3600.0);
            const auto px = ToPixel(x), py = ToPixel(y);
            if (px && py)
                m_pixelOutline2.push_back({*px, *py});
        }
    }
    m_pixelRect = geo::PolygonBounds(m_pixelOutline);
    m_pixelRect2 = geo::PolygonBounds(m_pixelOutline2);

    m_wgs84Outline.clear();
    for (const auto& v : m_outline) {
        geo::CPosition shifted(v.GetLatitude(), v.GetLongitude(), 0.0, -1);
        if (m_polynomialShift)
            ShiftToWgs84(v, shifted);
        m_wgs84Outline.push_back(shifted);
    }
    m_outlineMicro = MicroDegrees(m_outline);
    m_wgs84OutlineMicro = MicroDegrees(m_wgs84Outline);
    return true;
}

std::uint16_t CSubPanel::DatumIndex() const
{
    const std::uint16_t index = geo::CDatumInfo::FindByCode(m_horizontalDatumCode);
    if (index == geo::DatumIndexFallback() && m_polynomialShift)
        return geo::DatumIndexWGS84();
    return index;
}

std::optional<CChartPoint> CSubPanel::ToPoint(const CTransformBlock& block,
                                              const geo::CPosition& position) const
{
    if (!block.IsPresent() || !position.IsValid())
        return std::nullopt;
    const auto [x, y] =
        block.Apply(position.GetLongitude() * 3600.0, position.GetLatitude() * 3600.0);
    const auto px = ToPixel(x), py = ToPixel(y);
    if (!px || !py)
        return std::nullopt;
    return CChartPoint{*px, *py};
}

std::optional<geo::CPosition> CSubPanel::ToPosition(const CTransformBlock& block, CChartPoint point,
                                                    bool wrap, std::uint16_t datum) const
{
    if (!block.IsPresent())
        return std::nullopt;
    const auto [lon3600, lat3600] = block.Apply(double(point.x), double(point.y));
    double lon = lon3600 / 3600.0;
    if (wrap) {
        // Rounding in the polynomial may carry a chart edge on the meridian a
        // hair past it.
        if (lon < -180.0 && lon > -180.001)
            lon = -180.0;
        else if (lon > 180.0 && lon < 180.001)
            lon = 180.0;
    }
    // A position is made valid only inside the angles' ranges, so a chart
    // point far off the chart gives an invalid position, never a wrapped one.
    geo::CPosition position(lat3600 / 3600.0, lon, 0.0, std::int16_t(datum));
    return position;
}

std::optional<CChartPoint> CSubPanel::PositionToPoint(const geo::CPosition& position) const
{
    return ToPoint(m_blocks[0], position);
}

std::optional<geo::CPosition> CSubPanel::PointToPosition(CChartPoint point) const
{
    return ToPosition(m_blocks[1], point, true, DatumIndex());
}

int CSubPanel::ShiftToChartDatum(const geo::CPosition& in, geo::CPosition& out) const
{
    out = in;
    if (!m_polynomialShift)
        return 5;
    const auto point = ToPoint(m_blocks[2], in);
    const auto position =
        point ? ToPosition(m_blocks[1], *point, true, DatumIndex()) : std::nullopt;
    if (!position || !position->IsValid())
        return 5;
    out = *position;
    return 0;
}

int CSubPanel::ShiftToWgs84(const geo::CPosition& in, geo::CPosition& out) const
{
    out = in;
    if (!m_polynomialShift)
        return 5;
    const auto point = ToPoint(m_blocks[0], in);
    const auto position =
        point ? ToPosition(m_blocks[3], *point, false, geo::DatumIndexWGS84()) : std::nullopt;
    if (!position || !position->IsValid())
        return 5;
    out = *position;
    return 0;
}

bool CSubPanel::ContainsPoint(CChartPoint point) const
{
    return InsidePixels(m_pixelOutline, m_pixelRect, point) ||
           InsidePixels(m_pixelOutline2, m_pixelRect2, point);
}

bool CSubPanel::ContainsPosition(const geo::CPosition& position) const
{
    if (!position.IsValid())
        return false;
    const bool wgs84 = geo::ResolveDatum(position.GetDatum()) == geo::DatumIndexWGS84();
    if (geo::PointInPolygon(geo::PositionToIntPosition(position),
                            wgs84 ? m_wgs84OutlineMicro : m_outlineMicro))
        return true;
    const auto point = ToPoint(m_blocks[wgs84 && m_polynomialShift ? 2 : 0], position);
    return point && ContainsPoint(*point);
}

bool CSubPanel::TouchesSegment(const geo::CPosition& a, const geo::CPosition& b) const
{
    if (ContainsPosition(a) || ContainsPosition(b))
        return true;
    if (!a.IsValid() || !b.IsValid())
        return false;
    const bool wgs84 = geo::ResolveDatum(a.GetDatum()) == geo::DatumIndexWGS84();
    const geo::IntPolygon& outline = wgs84 ? m_wgs84OutlineMicro : m_outlineMicro;
    const geo::IntPoint p = geo::PositionToIntPosition(a), q = geo::PositionToIntPosition(b);
    for (std::size_t i = 0; i < outline.size() && outline.size() >= 2; ++i)
        if (geo::SegmentsCross(outline[i], outline[(i + 1) % outline.size()], p, q))
            return true;
    return false;
}

bool CPanel::Load(const std::filesystem::path& chartFile, unsigned number,
                  std::vector<geo::CPosition> outline, const CPanelLookups& lookups,
                  bool enciphered, std::string* error)
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

bool CPanel::Parse(ByteView panelFile, ByteView notesFile, unsigned number,
                   std::vector<geo::CPosition> outline, const CPanelLookups& lookups,
                   bool enciphered, std::string* error)
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

    const auto idEnd =
        FindTerminator(panelFile.first(std::min(panelFile.size(), kIdentifierBlock)), 0);
    const std::size_t start =
        idEnd ? *idEnd + kTerminatorSize : std::min(panelFile.size(), kIdentifierBlock);
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
        const std::vector<std::string_view> mine(
            records.begin() + std::ptrdiff_t(j * CSubPanel::kRecords),
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
    return std::any_of(m_subPanels.begin(), m_subPanels.end(),
                       [&](const CSubPanel& s) { return s.ContainsPoint(point); });
}

bool CPanel::ContainsPosition(const geo::CPosition& position) const
{
    return std::any_of(m_subPanels.begin(), m_subPanels.end(),
                       [&](const CSubPanel& s) { return s.ContainsPosition(position); });
}

std::optional<CChartPoint> CPanel::PositionToPoint(const geo::CPosition& position) const
{
    const CSubPanel* s = Current();
    return s ? s->PositionToPoint(position) : std::nullopt;
}

std::optional<geo::CPosition> CPanel::PointToPosition(CChartPoint point) const
{
    const CSubPanel* s = Current();
    return s ? s->PointToPosition(point) : std::nullopt;
}

}   // namespace charts::hcrf
