#pragma once
// Panels of a raster chart: the main panel and its insets, each made of
// sub-panels that carry their own name, scale, datums, outlines and the
// polynomial transformations between positions and chart points (pixels of
// the high-resolution raster).

#include "charts/hcrf/HCRFFields.h"
#include "charts/hcrf/PanelLookups.h"
#include "geo/Clipping.h"
#include "geo/Position.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace charts::hcrf {

using CChartPoint = geo::IntPoint;

// One record of a notes file: a rectangle in chart points, a type and a flag.
struct CNoteRecord {
    std::int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    std::string type;
    bool flag = false;
};

// Notes after the identifier record, 26 bytes each; type "ZZ" is left out and
// trailing bytes short of a record are ignored.
std::vector<CNoteRecord> ReadNotes(ByteView notesFile);

// A cubic mapping between (longitude, latitude) in arc seconds and chart
// points, as stored: input origin, output offsets and 10 + 12 coefficients.
class CTransformBlock {
public:
    static constexpr std::size_t kNumbers = 26;
    static constexpr std::size_t kWidth = 23;

    void Parse(std::string_view record);
    // False for a block whose text holds no number at all: it converts nothing.
    bool IsPresent() const { return m_present; }

    // The outputs for input (u, v) before the origin is subtracted; the
    // output offsets are added.
    std::pair<double, double> Apply(double u, double v) const;

private:
    bool m_present = false;
    double m_x0 = 0, m_y0 = 0, m_e0 = 0, m_f0 = 0;
    std::array<double, 10> m_a{};
    std::array<double, 12> m_b{};
};

class CBasePanel {
public:
    virtual ~CBasePanel() = default;
};

class CSubPanel : public CBasePanel {
public:
    static constexpr std::size_t kRecords = 7;

    // Parses the sub-panel's seven records. Fails only when fewer are given.
    bool Parse(const std::vector<std::string_view>& records, const CPanelLookups& lookups);

    // Block 1: a position in the chart's datum to the nearest chart point;
    // nullopt when the block is missing or the position not valid.
    std::optional<CChartPoint> PositionToPoint(const geo::CPosition& position) const;
    // Block 2: a chart point to a position in the chart's datum; nullopt when
    // the block is missing.
    std::optional<geo::CPosition> PointToPosition(CChartPoint point) const;

    // Datum shifts through the polynomial blocks: 0 when shifted, 5 when a
    // step fails or the sub-panel has no polynomial shift (`out` = `in`).
    int ShiftToChartDatum(const geo::CPosition& in, geo::CPosition& out) const;
    int ShiftToWgs84(const geo::CPosition& in, geo::CPosition& out) const;

    bool ContainsPoint(CChartPoint point) const;
    // A position in WGS 84 is tested against the WGS 84 outline, any other
    // against the chart-datum outline; both also through the pixel outline.
    bool ContainsPosition(const geo::CPosition& position) const;
    // Whether the line between two positions touches the sub-panel: an end
    // lies in it or the line crosses its outline (chosen by datum as above).
    bool TouchesSegment(const geo::CPosition& a, const geo::CPosition& b) const;

    // The datum table row of the chart's datum; WGS 84 when the code is
    // unknown but the sub-panel shifts to WGS 84 by polynomial.
    std::uint16_t DatumIndex() const;

    const std::string& Name() const { return m_name; }
    const std::string& ProjectionCode() const { return m_projectionCode; }
    const std::string& ProjectionName() const { return m_projectionName; }
    long Scale() const { return m_scale; }
    std::string ScaleText() const { return "1:" + std::to_string(m_scale); }
    const std::string& HorizontalDatumCode() const { return m_horizontalDatumCode; }
    const std::string& HorizontalDatumName() const { return m_horizontalDatumName; }
    const std::string& DepthUnits() const { return m_depthUnits; }
    const std::string& SoundingDatumName() const { return m_soundingDatumName; }
    const std::string& HeightUnits() const { return m_heightUnits; }
    const std::string& HeightDatumName() const { return m_heightDatumName; }
    std::optional<double> LatitudeShift() const { return m_latShift; }
    std::optional<double> LongitudeShift() const { return m_lonShift; }
    bool HasPolynomialDatumShift() const { return m_polynomialShift; }
    bool HasDatumShift() const { return m_datumShiftValues; }

    const std::vector<geo::CPosition>& Outline() const { return m_outline; }
    const std::vector<geo::CPosition>& Wgs84Outline() const { return m_wgs84Outline; }
    const geo::IntPolygon& PixelOutline() const { return m_pixelOutline; }
    const geo::IntPolygon& SecondPixelOutline() const { return m_pixelOutline2; }
    const geo::IntRect& PixelBounds() const { return m_pixelRect; }
    CChartPoint Origin() const { return {m_pixelRect.left, m_pixelRect.top}; }
    long OutlineHeight() const
    {
        return m_pixelOutline.empty() ? 0 : m_pixelRect.bottom - m_pixelRect.top;
    }
    double NorthSouthRangeMinutes() const { return m_nsRangeMinutes; }

private:
    std::optional<CChartPoint> ToPoint(const CTransformBlock& block,
                                       const geo::CPosition& position) const;
    std::optional<geo::CPosition> ToPosition(const CTransformBlock& block, CChartPoint point,
                                             bool wrap, std::uint16_t datum) const;

    std::string m_name, m_projectionCode, m_projectionName;
    long m_scale = 0;
    std::string m_horizontalDatumCode, m_horizontalDatumName;
    std::string m_depthUnits, m_soundingDatumName, m_heightUnits, m_heightDatumName;
    std::optional<double> m_latShift, m_lonShift;
    std::array<CTransformBlock, 4> m_blocks;
    bool m_polynomialShift = false;
    bool m_datumShiftValues = false;
    std::vector<geo::CPosition> m_outline, m_wgs84Outline;
    geo::IntPolygon m_outlineMicro, m_wgs84OutlineMicro;   // micro-degrees, for the polygon test
    geo::IntPolygon m_pixelOutline, m_pixelOutline2;
    geo::IntRect m_pixelRect, m_pixelRect2;
    double m_nsRangeMinutes = 0;
};

class CPanel : public CBasePanel {
public:
    // Reads panel file `number` ("p" + two digits) and its notes file ("n" +
    // two digits) beside `chartFile`, then parses the sub-panels. `outline` is
    // the panel's outline from the catalogue. An enciphered panel (no decipher
    // stage here) is kept without sub-panels. False with a reason otherwise.
    bool Load(const std::filesystem::path& chartFile, unsigned number,
              std::vector<geo::CPosition> outline, const CPanelLookups& lookups, bool enciphered,
              std::string* error);
    bool Parse(ByteView panelFile, ByteView notesFile, unsigned number,
               std::vector<geo::CPosition> outline, const CPanelLookups& lookups, bool enciphered,
               std::string* error);

    unsigned Number() const { return m_number; }
    const std::vector<CNoteRecord>& Notes() const { return m_notes; }
    std::size_t SubPanelCount() const { return m_subPanels.size(); }
    const CSubPanel& SubPanel(std::size_t i) const { return m_subPanels.at(i); }
    const CSubPanel* Current() const;
    std::size_t CurrentIndex() const { return m_current; }
    // Selects sub-panel `i` and returns the previous index; an index out of
    // range changes nothing.
    std::size_t SelectSubPanel(std::size_t i);

    bool ContainsPoint(CChartPoint point) const;
    bool ContainsPosition(const geo::CPosition& position) const;
    std::optional<CChartPoint> PositionToPoint(const geo::CPosition& position) const;
    std::optional<geo::CPosition> PointToPosition(CChartPoint point) const;

    const std::vector<geo::CPosition>& Outline() const { return m_outline; }
    double NorthSouthRangeMinutes() const { return m_nsRangeMinutes; }
    const std::string& Text() const { return m_text; }

private:
    unsigned m_number = 0;
    std::string m_text;
    std::vector<CNoteRecord> m_notes;
    std::vector<CSubPanel> m_subPanels;
    std::size_t m_current = 0;
    std::vector<geo::CPosition> m_outline;
    double m_nsRangeMinutes = 0;
};

// Reads a catalogue-style outline coordinate: sign, whole degrees, then five
// digits of thousandths of a minute, `width` characters in all.
double OutlineCoordinate(std::string_view field);

}   // namespace charts::hcrf
