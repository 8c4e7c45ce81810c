#include "charts/vector/LiveChartDraw.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/Colour.h"
#include "charts/vector/VectorChartDoc.h"
#include "platform/LocaleFreeNumbers.h"

namespace charts {

using vengine::VFeature;
using vengine::VGeom;

CLinearProjection::CLinearProjection(const geo::CPosition& nw, const geo::CPosition& se,
                                     const geo::IntRect& r, bool crossesDateLine)
    : m_crosses(crossesDateLine), m_north(nw.GetLatitude()), m_west(nw.GetLongitude()),
      m_south(se.GetLatitude()), m_east(se.GetLongitude()), m_left(r.left), m_top(r.top),
      m_width(double(r.right) - r.left), m_height(double(r.bottom) - r.top)
{
    m_wraps = m_crosses && m_west >= m_east;
    m_lonSpan = LongitudeSpan(m_west, m_east, crossesDateLine);
    m_latSpan = m_north - m_south;
    m_valid = nw.IsValid() && se.IsValid() && m_width != 0 && m_height != 0 && m_north != m_south &&
              m_east != m_west;
}

vengine::VBounds CLinearProjection::Area() const
{
    auto units = [](double deg) { return vengine::DegreesToUnits(deg); };
    if (m_crosses && m_west >= m_east)
        return {units(-180.0), units(m_south), units(180.0), units(m_north)};
    return {units(m_west), units(m_south), units(m_east), units(m_north)};
}

double CLinearProjection::DisplayScale() const
{
    if (!m_valid)
        return 0.0;
    const double metresPerPixel =
        std::fabs(m_north - m_south) * 60.0 * 1852.0 / std::fabs(m_height);
    return metresPerPixel / kNominalPixelMetres;
}

int DepthBandColour(double drval1)
{
    if (drval1 < 0)
        return kVcBrightGreen;
    if (drval1 < 5)
        return kVcMediumBlue;
    if (drval1 < 20)
        return kVcPaleBlue;
    return kVcWhite;
}

int MarkColour(std::string_view list)
{
    const auto comma = list.find(',');
    auto code = platform::ParseDouble(list.substr(0, comma));
    switch (code ? int(*code) : 0) {
    case 1: return kVcWhite;
    case 2: return kVcBlack;
    case 3: return kVcRed;
    case 4: return kVcGreen;
    case 5: return kVcBlue;
    case 6: return kVcLand;   // yellow: the nearest of the 16
    case 7: return kVcGrey;
    case 8: return kVcBrown;
    default: return kVcPurple;
    }
}

namespace {

class CFeaturePainter {
public:
    CFeaturePainter(chart::CXDC& dc, const CLinearProjection& p) : m_dc(dc), m_p(p) { }

    app::COLORREF Colour(int index) const
    {
        const chart::CPaletteTable* table = m_dc.GetPalette();
        const std::uint32_t pixel =
            table ? (*table)[std::size_t(index)] : CVectorChartDoc::kColours[std::size_t(index)];
        return app::PixelToColour(pixel);
    }

    // The area joins the fills drawn together by FillAreas; one with an
    // outline is outlined after them. Areas of one colour throughout get no
    // stroke: the depth areas share their edges, so the fills meet without
    // a gap, and stroking every edge cost a fifth of the drawing.
    void Area(const VFeature& f, int fill, int outline)
    {
        const std::size_t firstPoint = m_areaPoints.size(), firstRing = m_ringSizes.size();
        for (const auto& part : f.parts) {
            for (const auto& c : part.points)
                m_areaPoints.push_back(m_p.ToPoint(c.lon, c.lat));
            m_ringSizes.push_back(int(part.points.size()));
        }
        m_areas.push_back({std::uint32_t(f.parts.size()), Colour(fill)});
        if (outline >= 0)
            m_outlines.push_back(
                {firstPoint, m_areaPoints.size() - firstPoint, firstRing, f.parts.size(), outline});
    }

    // The areas so far filled in the order given, from the top of the view
    // down, all of them together; then the outlines.
    void FillAreas()
    {
        m_dc.FillAreas(m_areaPoints, m_ringSizes, m_areas);
        m_dc.SelectBrush(chart::Brush{chart::BrushStyle::Hollow, 0});
        for (const auto& o : m_outlines) {
            m_dc.SelectPen(Colour(o.colour));
            m_dc.PolyPolygon(std::span(m_areaPoints).subspan(o.firstPoint, o.points),
                             std::span(m_ringSizes).subspan(o.firstRing, o.rings));
        }
        m_areaPoints.clear();
        m_ringSizes.clear();
        m_areas.clear();
        m_outlines.clear();
    }

    void Outline(const VFeature& f, int colour, chart::PenStyle style = chart::PenStyle::Solid,
                 int width = 1)
    {
        m_dc.SelectPen(Colour(colour), style, width);
        for (const auto& part : f.parts) {
            m_points.clear();
            for (const auto& c : part.points)
                m_points.push_back(m_p.ToPoint(c.lon, c.lat));
            m_dc.Polyline(m_points);
        }
    }

    bool At(const VFeature& f, geo::IntPoint& p) const
    {
        if (f.parts.empty() || f.parts[0].points.empty())
            return false;
        const auto& c = f.parts[0].points[0];
        p = m_p.ToPoint(c.lon, c.lat);
        return true;
    }

    void Sounding(const VFeature& f)
    {
        geo::IntPoint p;
        const std::string* depth = f.Attribute("DEPTH");
        if (!At(f, p) || !depth)
            return;
        // A chart repeats a few hundred depths; each is written out once.
        auto known = m_soundingTexts.find(*depth);
        if (known == m_soundingTexts.end()) {
            const auto value = platform::ParseDouble(*depth);
            std::string text;
            if (value)
                text = *value < 31 && std::fabs(*value - std::trunc(*value)) >= 0.05
                           ? platform::FormatC("%.1f", *value)
                           : platform::FormatC("%.0f", std::trunc(*value));
            known = m_soundingTexts.emplace(*depth, std::move(text)).first;
        }
        const std::string& text = known->second;
        if (text.empty())
            return;
        m_dc.SetTextColor(Colour(kVcGrey));
        m_dc.SetBkMode(chart::BkMode::Transparent);
        const auto size = m_dc.GetTextExtent(text);
        m_dc.TextOut(p.x - size.cx / 2, p.y - size.cy / 2, text);
    }

    void Mark(const VFeature& f, bool buoy)
    {
        geo::IntPoint p;
        if (!At(f, p))
            return;
        const std::string* colour = f.Attribute("COLOUR");
        m_dc.SelectPen(Colour(kVcBlack));
        m_dc.SelectBrush(Colour(colour ? MarkColour(*colour) : kVcPurple));
        if (buoy)
            m_dc.Ellipse(p.x - 5, p.y - 5, p.x + 6, p.y + 6);
        else
            m_dc.Rectangle(p.x - 3, p.y - 8, p.x + 4, p.y + 1);
    }

    void Light(const VFeature& f)
    {
        geo::IntPoint p;
        if (!At(f, p))
            return;
        // A one-pixel outline round a flare one pixel larger each way: what a
        // two-pixel pen gives, without stroking a wide pen's round joins.
        m_dc.SelectPen(Colour(kVcMagenta));
        m_dc.SelectBrush(Colour(kVcMagenta));
        const std::array<geo::IntPoint, 3> flare = {geo::IntPoint{p.x - 1, p.y + 1},
                                                    geo::IntPoint{p.x + 5, p.y - 15},
                                                    geo::IntPoint{p.x + 11, p.y - 12}};
        m_dc.Polygon(flare);
    }

    void Point(const VFeature& f)
    {
        geo::IntPoint p;
        if (!At(f, p))
            return;
        m_dc.SelectPen(Colour(kVcGrey));
        m_dc.SelectBrush(Colour(kVcGrey));
        m_dc.Ellipse(p.x - 2, p.y - 2, p.x + 3, p.y + 3);
    }

private:
    chart::CXDC& m_dc;
    const CLinearProjection& m_p;
    std::vector<geo::IntPoint> m_points;
    // Areas waiting for FillAreas: their points, ring sizes and colours, and
    // where the ones to be outlined lie among them.
    struct AreaOutline {
        std::size_t firstPoint, points, firstRing, rings;
        int colour;
    };
    std::vector<geo::IntPoint> m_areaPoints;
    std::vector<int> m_ringSizes;
    std::vector<chart::AreaFill> m_areas;
    std::vector<AreaOutline> m_outlines;
    std::unordered_map<std::string, std::string> m_soundingTexts;   // DEPTH as stored -> as shown
};

bool StartsWith(std::string_view s, std::string_view prefix)
{
    return s.substr(0, prefix.size()) == prefix;
}

// Drawing passes, lowest first.
enum Pass { kAreas, kLand, kPlainAreas, kLines, kSoundings, kMarks, kPassCount };

Pass PassOf(std::string_view cls, VGeom geom)
{
    if (cls == "DEPARE" || cls == "DRGARE" || cls == "UNSARE")
        return kAreas;
    if (cls == "LNDARE" && geom == VGeom::Area)
        return kLand;
    if (geom == VGeom::Area)
        return kPlainAreas;
    if (geom == VGeom::Line)
        return kLines;
    if (cls == "SOUNDG")
        return kSoundings;
    return kMarks;
}

}   // namespace

void DrawVectorChart(chart::CXDC& dc, const vengine::CVChartView& chart,
                     const CLinearProjection& projection, double displayScale)
{
    // The shown features sorted into their passes by class and geometry
    // (both read without decoding), so each is decoded once. Features not
    // shown at this scale are left out by the lookup itself.
    std::array<std::vector<std::uint32_t>, kPassCount> passes;
    for (auto i : chart.FeaturesIn(projection.Area(), displayScale)) {
        const auto cls = chart.ClassOf(i);
        if (!StartsWith(cls, "M_"))
            passes[PassOf(cls, chart.GeomOf(i))].push_back(i);
    }
    VFeature f;
    CFeaturePainter painter(dc, projection);
    for (int pass = 0; pass < kPassCount; ++pass) {
        // Depth areas and land are filled together once both are read.
        if (pass == kPlainAreas)
            painter.FillAreas();
        for (auto i : passes[std::size_t(pass)]) {
            const auto cls = chart.ClassOf(i);
            if (!chart.ReadFeature(i, f))
                continue;
            switch (pass) {
            case kAreas: {
                const std::string* d1 = f.Attribute("DRVAL1");
                auto v = d1 ? platform::ParseDouble(*d1) : std::nullopt;
                painter.Area(f, cls == "UNSARE" ? kVcGrey : DepthBandColour(v ? *v : 0.0), -1);
                break;
            }
            case kLand: painter.Area(f, kVcLand, kVcBrown); break;
            case kPlainAreas:
                if (cls == "CTNARE" || cls == "RESARE")
                    painter.Outline(f, kVcMagenta, chart::PenStyle::Dash);
                else
                    painter.Outline(f, kVcGrey);
                break;
            case kLines:
                if (cls == "COALNE" || cls == "SLCONS")
                    painter.Outline(f, kVcBlack, chart::PenStyle::Solid, 1);
                else if (cls == "DEPCNT")
                    painter.Outline(f, kVcGrey);
                else
                    painter.Outline(f, kVcGrey, chart::PenStyle::Dot);
                break;
            case kSoundings: painter.Sounding(f); break;
            case kMarks:
                if (cls == "LIGHTS")
                    painter.Light(f);
                else if (StartsWith(cls, "BOY"))
                    painter.Mark(f, true);
                else if (StartsWith(cls, "BCN"))
                    painter.Mark(f, false);
                else
                    painter.Point(f);
                break;
            default: break;
            }
        }
    }
}

}   // namespace charts
