#pragma once
// Panels of a raster chart: the main panel and its insets, each made of
// sub-panels that carry their own name, scale, datums, outlines and the
// polynomial transformations between positions and chart pixels.
//
// Positions here are plain latitude/longitude pairs in degrees; the chart
// document converts them to and from the program's position type.

#include "charts/hcrf/HCRFFields.h"
#include "charts/hcrf/PanelLookups.h"

#include <array>
#include <climits>
#include <optional>
#include <string>
#include <vector>

namespace charts::hcrf {

struct CGeoPoint {
    double lat = 0;   // degrees, north positive
    double lon = 0;   // degrees, east positive
};

struct CChartPoint {
    long x = 0, y = 0;
    bool operator==(const CChartPoint&) const = default;
};

struct CPixelRect {   // an empty outline leaves left/top at the largest value
    long left = LONG_MAX, top = LONG_MAX, right = LONG_MIN, bottom = LONG_MIN;
};

// One record of a notes file: a rectangle in chart points, a type and a flag.
struct CNoteRecord {
    long x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    std::string type;
    bool flag = false;
};

// Notes after the identifier record, 26 bytes each; type "ZZ" is left out and
// trailing bytes short of a record are ignored.
std::vector<CNoteRecord> ReadNotes(ByteView notesFile);

// The nearest integer, an exact half going toward zero (10.5 -> 10).
long RoundHalfTowardZero(double value);

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

    // Block 1 (chart datum) or block 3 (WGS 84); nullopt when the block is
    // missing or the position out of range.
    std::optional<CChartPoint> PositionToPoint(CGeoPoint position) const;
    // Block 2; nullopt when the block is missing.
    std::optional<CGeoPoint> PointToPosition(CChartPoint point) const;

    // Datum shifts through the polynomial blocks: 0 when shifted, 5 when a
    // step fails or the sub-panel has no polynomial shift (`out` = `in`).
    int ShiftToChartDatum(CGeoPoint in, CGeoPoint& out) const;
    int ShiftToWgs84(CGeoPoint in, CGeoPoint& out) const;

    bool ContainsPoint(CChartPoint point) const;
    bool ContainsPosition(CGeoPoint position, bool wgs84) const;

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

    const std::vector<CGeoPoint>& Outline() const { return m_outline; }
    const std::vector<CGeoPoint>& Wgs84Outline() const { return m_wgs84Outline; }
    const std::vector<CChartPoint>& PixelOutline() const { return m_pixelOutline; }
    const std::vector<CChartPoint>& SecondPixelOutline() const { return m_pixelOutline2; }
    const CPixelRect& PixelBounds() const { return m_pixelRect; }
    CChartPoint Origin() const { return {m_pixelRect.left, m_pixelRect.top}; }
    long OutlineHeight() const { return m_pixelOutline.empty() ? 0 : m_pixelRect.bottom - m_pixelRect.top; }
    double NorthSouthRangeMinutes() const { return m_nsRangeMinutes; }

private:
    std::optional<CChartPoint> ToPoint(const CTransformBlock& block, CGeoPoint position) const;
    std::optional<CGeoPoint> ToPosition(const CTransformBlock& block, CChartPoint point, bool wrap) const;

    std::string m_name, m_projectionCode, m_projectionName;
    long m_scale = 0;
    std::string m_horizontalDatumCode, m_horizontalDatumName;
    std::string m_depthUnits, m_soundingDatumName, m_heightUnits, m_heightDatumName;
    std::optional<double> m_latShift, m_lonShift;
    std::array<CTransformBlock, 4> m_blocks;
    bool m_polynomialShift = false;
    bool m_datumShiftValues = false;
    std::vector<CGeoPoint> m_outline, m_wgs84Outline;
    std::vector<CChartPoint> m_pixelOutline, m_pixelOutline2;
    CPixelRect m_pixelRect, m_pixelRect2;
    double m_nsRangeMinutes = 0;
};

class CPanel : public CBasePanel {
public:
    // Reads panel file `number` ("p" + two digits) and its notes file ("n" +
    // two digits) beside `chartFile`, then parses the sub-panels. `outline` is
    // the panel's outline from the catalogue. An enciphered panel (no decipher
    // stage here) is kept without sub-panels. False with a reason otherwise.
    bool Load(const std::filesystem::path& chartFile, unsigned number, std::vector<CGeoPoint> outline,
              const CPanelLookups& lookups, bool enciphered, std::string* error);
    bool Parse(ByteView panelFile, ByteView notesFile, unsigned number, std::vector<CGeoPoint> outline,
               const CPanelLookups& lookups, bool enciphered, std::string* error);

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
    bool ContainsPosition(CGeoPoint position, bool wgs84) const;
    std::optional<CChartPoint> PositionToPoint(CGeoPoint position) const;
    std::optional<CGeoPoint> PointToPosition(CChartPoint point) const;

    const std::vector<CGeoPoint>& Outline() const { return m_outline; }
    double NorthSouthRangeMinutes() const { return m_nsRangeMinutes; }
    const std::string& Text() const { return m_text; }

private:
    unsigned m_number = 0;
    std::string m_text;
    std::vector<CNoteRecord> m_notes;
    std::vector<CSubPanel> m_subPanels;
    std::size_t m_current = 0;
    std::vector<CGeoPoint> m_outline;
    double m_nsRangeMinutes = 0;
};

// Reads a catalogue-style outline coordinate: sign, whole degrees, then five
// digits of thousandths of a minute, `width` characters in all.
double OutlineCoordinate(std::string_view field);

}  // namespace charts::hcrf
