#include "chart/overlays/TidalVector.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/StringUtils.h"
#include "chart/ChartDoc.h"
#include "geo/NavMaths.h"

namespace chart {

namespace {

constexpr COLORREF kTidalColours[3][3] = {
    {app::RGB(0, 0, 0), app::RGB(255, 255, 255), app::RGB(175, 175, 175)},
    {app::RGB(0, 127, 255), app::RGB(0, 127, 255), app::RGB(0, 127, 255)},
    {app::RGB(255, 0, 0), app::RGB(255, 0, 0), app::RGB(255, 0, 0)},
};

// Magenta-like pixels: the colours water areas are tinted with.
bool IsTintPixel(COLORREF c)
{
    const unsigned r = app::GetRValue(c), g = app::GetGValue(c), b = app::GetBValue(c);
    return (r != 0 && b != 0 && g == 0) || (r >= 240 && b >= 240 && g < 192);
}

// Pixel coordinates of any finite size, kept where an int holds them.
int Truncate(double v)
{
    return std::isfinite(v) ? static_cast<int>(std::clamp(v, -1e9, 1e9)) : 0;
}

}   // namespace

CTidalVector::CTidalVector(CChartDoc* owner, const CTidalSettingsSource* settings)
    : CChartObject(owner), m_settings(settings)
{ }

CChartObject* CTidalVector::HitTest(const IntRect&)
{
    if (m_firstHit) {
        m_firstHit = false;
        return nullptr;
    }
    return this;
}

void CTidalVector::SetVector(const geo::CPosition& position, double direction, double rate,
                             double height, double lengthFactor, double extra1, double extra2,
                             double extra3)
{
    m_direction = direction;
    m_rate = rate;
    m_height = height;
    m_lengthFactor = lengthFactor;
    m_extra[0] = extra1;
    m_extra[1] = extra2;
    m_extra[2] = extra3;
    SetPosition(position);
}

void CTidalVector::DrawOnChart(CXDC* dc, int mode)
{
    if (std::isfinite(m_rate))
        m_rate = std::fabs(m_rate);
    if (dc && m_owner)
        m_owner->DrawChartObject(*dc, *this, mode);
}

bool CTidalVector::IsDrawableAt(const CXDC& dc, IntPoint p) const
{
    // One look at the memory the context draws into, not a call per pixel.
    const CPixelView memory = dc.Memory();
    const IntPoint samples[5] = {
        {p.x - 1, p.y + 1}, {p.x + 1, p.y + 1}, {p.x + 1, p.y - 1}, {p.x - 1, p.y - 1}, {p.x, p.y}};
    COLORREF colours[5];
    for (int i = 0; i < 5; ++i) {
        const IntPoint s = samples[i];
        if (!memory.IsValid() || s.x < 0 || s.y < 0 || s.x >= memory.width || s.y >= memory.height)
            colours[i] = CLR_INVALID;
        else
            colours[i] = app::PixelToColour(memory.Row(s.y)[s.x]);
    }
    for (COLORREF c : colours) {
        if (c != CLR_INVALID && m_owner && m_owner->IsColourInSecondClass(c))
            return true;
    }
    for (COLORREF c : colours) {
        if (c != CLR_INVALID && m_owner && m_owner->IsColourInFirstClass(c))
            return false;
    }
    if (m_colourKind != kTidalPlain)
        return false;
    int tinted = 0;
    for (COLORREF c : colours) {
        if (c != CLR_INVALID && IsTintPixel(c))
            ++tinted;
    }
    return tinted > 3;
}

void CTidalVector::DrawOn(CXDC& dc, IntPoint p, int mode)
{
    const Rop2 oldRop = mode == kTidalInvert ? dc.SetROP2(Rop2::NotXorPen) : dc.GetROP2();
    const CTidalSettings settings = m_settings ? m_settings->GetTidalSettings() : CTidalSettings{};
    m_drawn = IsDrawableAt(dc, p) && std::isfinite(m_rate);
    if (m_drawn) {
        double direction = m_direction;
        double length = 0;
        if (std::fabs(direction) < 1e7) {
            if (m_rate < 0) {
                m_rate = -m_rate;
                direction = -direction;
            }
            direction = std::fmod(direction, 360.0);
            if (direction < 0)
                direction += 360.0;
            length = m_lengthFactor == 0 ? m_rate * 10.0 : m_lengthFactor * m_rate;
            length = length * settings.arrowScale * 0.1;
            // No longer than the cap distance measured northwards on screen.
            geo::IntPoint chartPoint;
            m_owner->ClientToChartPoint(p, chartPoint);
            geo::CPosition here;
            if (m_owner->PointToPosition(chartPoint, here) && here.IsValid() &&
                std::isfinite(settings.capDistance)) {
                const double offset = std::trunc(settings.capDistance * 16666.7) * 1e-6;
                geo::CPosition north;
                geo::IntPoint q;
                if (north.Set(here.GetLatitude() + offset, here.GetLongitude(), 0.0,
                              here.GetDatum()) &&
                    m_owner->PositionToPoint(north, q)) {
                    m_owner->ChartToClientPoint(q, q);
                    if (q.y != p.y)
                        length = std::min(length, static_cast<double>(std::abs(q.y - p.y)));
                }
            }
        }
        if (!std::isfinite(length) || length < 0)
            length = 0;
        m_length = length;
        const int palette = ActivePaletteIndex();
        const int kind = m_colourKind >= 0 && m_colourKind <= 2 ? m_colourKind : 0;
        m_penColour = kTidalColours[kind][palette];
        const int width = std::max(1, Truncate(std::min(m_rate, 64.0)));
        CSelPen pen(dc, m_penColour, PenStyle::Solid, width);
        const double d = geo::DegToRad(direction);
        const IntPoint tip{Truncate(p.x + std::sin(d) * length),
                           Truncate(p.y - std::cos(d) * length)};
        if (std::abs(tip.x - p.x) >= 1 || std::abs(tip.y - p.y) >= 1) {
            m_headLength = length > 15 ? 10.0 : length * 0.5;
            const double h = m_headLength;
            const IntPoint barb1{Truncate(tip.x - std::sin(d + 0.4) * h),
                                 Truncate(tip.y + std::cos(d + 0.4) * h)};
            const IntPoint barb2{Truncate(tip.x - std::sin(d - 0.4) * h),
                                 Truncate(tip.y + std::cos(d - 0.4) * h)};
            ExtendBounds(p.x, p.y, true);
            ExtendBounds(tip.x, tip.y, false);
            ExtendBounds(barb1.x, barb1.y, false);
            ExtendBounds(barb2.x, barb2.y, false);
            dc.MoveTo(p);
            dc.LineTo(tip);
            dc.LineTo(barb1);
            dc.DrawLine(tip, barb2.x, barb2.y);
        }
        if (mode == kTidalBoxedLabel)
            DrawRateHeightLabel(dc, p);
        else if (settings.showRate || settings.showHeight)
            DrawRateLabel(dc, p, direction);
    }
    dc.SetROP2(oldRop);
}

Font CTidalVector::LabelFont(const CXDC& dc) const
{
    Font font;
    font.face = "System";
    font.height = 12 * dc.GetDeviceCaps(DeviceCap::LogPixelsY) / 72;
    font.weight = 500;
    return font;
}

void CTidalVector::DrawRateHeightLabel(CXDC& dc, IntPoint p)
{
    const std::string text =
        app::FormatDouble(m_rate, 1, 1) + "kn, " + app::FormatDouble(m_height, 1, 1) + "m";
    CSelFont font(dc, LabelFont(dc));
    const IntSize extent = dc.GetTextExtent(text);
    {
        CSelPen pen(dc, m_penColour);
        CSelStock brush(dc, StockObject::WhiteBrush);
        dc.Rectangle(p.x - 2, p.y - 2, p.x + extent.cx + 2, p.y + extent.cy + 2);
    }
    const COLORREF oldText = dc.SetTextColor(m_penColour);
    const BkMode oldMode = dc.SetBkMode(BkMode::Transparent);
    dc.TextOut(p.x, p.y, text);
    dc.SetBkMode(oldMode);
    dc.SetTextColor(oldText);
}

void CTidalVector::DrawRateLabel(CXDC& dc, IntPoint p, double direction)
{
    const CTidalSettings settings = m_settings ? m_settings->GetTidalSettings() : CTidalSettings{};
    Font font;
    font.face = "Arial";
    font.height = 12;
    font.italic = true;
    const double up = std::sin(geo::DegToRad(direction)) > 0 ? 90.0 : 270.0;
    font.escapement = Truncate((up - direction) * 10.0);
    CSelFont sel(dc, font);
    const COLORREF oldText = dc.SetTextColor(m_penColour);
    const BkMode oldMode = dc.SetBkMode(BkMode::Transparent);
    const int lineHeight = dc.GetTextExtent("X").cy;
    if (settings.showRate)
        dc.TextOut(p.x, p.y, app::FormatDouble(m_rate, 1, 1));
    if (settings.showHeight)
        dc.TextOut(p.x, p.y - lineHeight, app::FormatDouble(m_height, 1, 1));
    dc.SetBkMode(oldMode);
    dc.SetTextColor(oldText);
}

}   // namespace chart
