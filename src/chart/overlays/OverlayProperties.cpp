#include "chart/overlays/OverlayProperties.h"

#include "app/Module.h"
#include "app/Registry.h"

namespace chart {

namespace {

constexpr COLORREF Rgb(int r, int g, int b)
{
    return app::RGB(r, g, b);
}

constexpr COLORREF kBlack = Rgb(0, 0, 0);
constexpr COLORREF kWhite = Rgb(255, 255, 255);
constexpr COLORREF kGrey = Rgb(175, 175, 175);
constexpr COLORREF kRed = Rgb(255, 0, 0);
constexpr COLORREF kDarkRed = Rgb(127, 0, 0);
constexpr COLORREF kGreen = Rgb(0, 255, 0);
constexpr COLORREF kDarkGreen = Rgb(0, 127, 0);
constexpr COLORREF kBlue = Rgb(0, 127, 255);
constexpr COLORREF kNavy = Rgb(0, 0, 127);
constexpr COLORREF kOrange = kDefaultOverlayColour;

struct LineKindRow {
    const char* name;
    const char* drawValue;
    PaletteColours colours;
    bool pattern;
};

// Every kind starts one pixel wide and may be drawn up to four wide.
constexpr LineKindRow kLineKinds[kLineKindCount] = {
    {"SelectedRoute", "DrawSelectedRoute", {kRed, kRed, kDarkRed}, true},
    {"AlternativeRoute", "DrawAlternativeRoute", {kOrange, kOrange, kOrange}, true},
    {"VesselTrack", "DrawVesselTrack", {kBlack, kWhite, kGrey}, false},
    {"PlannedTrack", "DrawPlannedTrack", {kBlue, kBlue, kNavy}, false},
    {"HeadingMarker", "DrawHeadingMark", {kBlack, kWhite, kGrey}, false},
    {"SpeedAndDirectionVector", "DrawSpeedVect", {kBlack, kWhite, kGrey}, false},
    {"ArrivalCircle", "", {kRed, kRed, kDarkRed}, false},
    {"WaypointPerpendicular", "", {kRed, kRed, kDarkRed}, false},
    {"CrossTrackLimits", "", {kRed, kRed, kDarkRed}, false},
    {"TargetLine", "DrawVesselTrack", {kGreen, kGreen, kDarkGreen}, true},
};

const LineKindRow* RowOf(std::int32_t kind)
{
    return kind >= 0 && kind < kLineKindCount ? &kLineKinds[kind] : nullptr;
}

// The registry opened on the properties' key, or not open.
class PropertiesKey {
public:
    PropertiesKey(const CPointProperties& props, const CSettingsHome& home, bool write)
        : m_reg(home.GetStore())
    {
        const std::string path = props.GetRegistryPath(home);
        if (write)
            m_reg.OpenKeyForWrite(path);
        else
            m_reg.OpenKeyForRead(path);
    }
    ~PropertiesKey() { m_reg.Close(); }
    bool IsOpen() const { return m_reg.IsOpen(); }
    CRegistry& Reg() { return m_reg; }

private:
    CRegistry m_reg;
};

void ReadColours(const CRegistry& reg, const std::string& name, PaletteColours& colours)
{
    reg.ReadPaletteColours(name, colours);
}

}   // namespace

// ---- CPointProperties ---------------------------------------------------------------------

std::string CPointProperties::GetRegistryPath(const CSettingsHome& home) const
{
    std::string path = home.GetRegistryKey();
    if (!path.empty() && path.back() != '\\')
        path += '\\';
    path += m_baseKey;
    if (!path.empty() && path.back() != '\\')
        path += '\\';
    return path + "OverlayProperties";
}

void CPointProperties::Load(const CSettingsHome&) { }
void CPointProperties::Save(const CSettingsHome&) const { }

void CPointProperties::SetDefaults()
{
    m_draw = true;
    m_sizeMode = kSizeSmall;
    ApplyDefaultColours();
}

void CPointProperties::CopyFrom(const CPointProperties& other)
{
    m_draw = other.m_draw;
    m_sizeMode = other.m_sizeMode;
    m_labelPrefix = other.m_labelPrefix;
    m_defaultColours = other.m_defaultColours;
    m_colours = other.m_colours;
}

bool CPointProperties::operator==(const CPointProperties& other) const
{
    return m_draw == other.m_draw && m_sizeMode == other.m_sizeMode &&
           m_labelPrefix == other.m_labelPrefix && m_defaultColours == other.m_defaultColours &&
           m_colours == other.m_colours;
}

std::int32_t CPointProperties::ReadSizeMode(const CRegistry& reg, std::int32_t current)
{
    std::uint32_t value = 0;
    if (!reg.ReadDWord("OverlaySize", value))
        return current;
    // The size indexes the scaling table; anything else is small.
    return value <= kSizeLarge ? static_cast<std::int32_t>(value) : kSizeSmall;
}

// ---- CLineProperties ----------------------------------------------------------------------

CLineProperties::CLineProperties(std::int32_t kind) : m_kind(kind)
{
    SetDefaults();
}

std::string CLineProperties::GetKeyName() const
{
    const LineKindRow* row = RowOf(m_kind);
    return row ? row->name : "";
}

std::string CLineProperties::GetDrawValueName() const
{
    const LineKindRow* row = RowOf(m_kind);
    return row ? row->drawValue : "";
}

void CLineProperties::SetDefaults()
{
    CPointProperties::SetDefaults();
    if (const LineKindRow* row = RowOf(m_kind)) {
        SetDefaultColours(row->colours);
        m_pattern = row->pattern;
    }
    ApplyDefaultColours();
    m_width = m_minWidth = 1;
    m_maxWidth = kMaximumWidth;
}

void CLineProperties::ClampWidth()
{
    if (m_width < m_minWidth)
        m_width = m_minWidth;
    else if (m_width > m_maxWidth)
        m_width = m_maxWidth;
}

void CLineProperties::Load(const CSettingsHome& home)
{
    PropertiesKey key(*this, home, false);
    if (key.IsOpen()) {
        const CRegistry& reg = key.Reg();
        bool draw = GetDraw();
        if (reg.ReadBool(GetDrawValueName(), draw))
            SetDraw(draw);
        std::uint32_t width = 0;
        if (reg.ReadDWord("LineWidth", width))
            m_width = static_cast<std::uint8_t>(width > 255 ? 255 : width);
        PaletteColours colours = GetColours();
        ReadColours(reg, GetKeyName(), colours);
        SetColours(colours);
    }
    ClampWidth();
}

void CLineProperties::Save(const CSettingsHome& home) const
{
    PropertiesKey key(*this, home, true);
    if (!key.IsOpen())
        return;
    CRegistry& reg = key.Reg();
    reg.WriteBool(GetDrawValueName(), GetDraw());
    reg.WriteDWord("LineWidth", m_width);
    reg.WritePaletteColours(GetKeyName(), GetColours());
}

void CLineProperties::CopyFrom(const CLineProperties& other)
{
    CPointProperties::CopyFrom(other);
    m_kind = other.m_kind;
    m_width = other.m_width;
    m_minWidth = other.m_minWidth;
    m_maxWidth = other.m_maxWidth;
    m_pattern = other.m_pattern;
}

bool CLineProperties::operator==(const CLineProperties& other) const
{
    return CPointProperties::operator==(other) && m_kind == other.m_kind &&
           m_width == other.m_width && m_pattern == other.m_pattern;
}

// ---- Text labels --------------------------------------------------------------------------

COvrlyTextProperties::COvrlyTextProperties()
{
    // "Arial" is the program's sans family; the backend maps it to the desktop's.
    m_font.face = "Arial";
    m_font.height = 12;
    m_font.weight = 400;
    SetDefaults();
}

void COvrlyTextProperties::Load(const CSettingsHome& home)
{
    PropertiesKey key(*this, home, false);
    if (!key.IsOpen())
        return;
    PaletteColours colours = GetColours();
    ReadColours(key.Reg(), GetKeyName(), colours);
    SetColours(colours);
}

void COvrlyTextProperties::Save(const CSettingsHome& home) const
{
    PropertiesKey key(*this, home, true);
    if (key.IsOpen())
        key.Reg().WritePaletteColours(GetKeyName(), GetColours());
}

// ---- Chartpoints --------------------------------------------------------------------------

CChartpointProperties::CChartpointProperties()
{
    SetDefaultColours({kBlue, kBlue, kNavy});
    SetLabelPrefix("CP");
    SetDefaults();
}

void CChartpointProperties::SetDefaults()
{
    CPointProperties::SetDefaults();
    drawId = drawName = false;
}

void CChartpointProperties::SetBaseKey(const std::string& path)
{
    CPointProperties::SetBaseKey(path);
    m_text.SetBaseKey(path);
}

void CChartpointProperties::Load(const CSettingsHome& home)
{
    PropertiesKey key(*this, home, false);
    if (key.IsOpen()) {
        const CRegistry& reg = key.Reg();
        bool draw = GetDraw();
        reg.ReadBool("DrawChartpoints", draw);
        SetDraw(draw);
        reg.ReadBool("DrawID", drawId);
        reg.ReadBool("DrawName", drawName);
        PaletteColours colours = GetColours();
        ReadColours(reg, GetKeyName(), colours);
        SetColours(colours);
        SetSizeMode(ReadSizeMode(reg, GetSizeMode()));
    }
    m_text.Load(home);
}

void CChartpointProperties::Save(const CSettingsHome& home) const
{
    {
        PropertiesKey key(*this, home, true);
        if (key.IsOpen()) {
            CRegistry& reg = key.Reg();
            reg.WriteBool("DrawChartpoints", GetDraw());
            reg.WriteBool("DrawID", drawId);
            reg.WriteBool("DrawName", drawName);
            reg.WritePaletteColours(GetKeyName(), GetColours());
            reg.WriteDWord("OverlaySize", static_cast<std::uint32_t>(GetSizeMode()));
        }
    }
    m_text.Save(home);
}

// ---- Waypoints ----------------------------------------------------------------------------

CWaypointProperties::CWaypointProperties()
{
    SetLabelPrefix("W");
    SetDefaults();
}

void CWaypointProperties::SetDefaults()
{
    CPointProperties::SetDefaults();
    drawNumber = drawName = drawEta = false;
    m_line.SetDefaults();
    m_line.SetWidth(3);
    m_text.SetDefaults();
}

void CWaypointProperties::SetBaseKey(const std::string& path)
{
    CPointProperties::SetBaseKey(path);
    m_line.SetBaseKey(path);
    m_text.SetBaseKey(path);
}

void CWaypointProperties::Load(const CSettingsHome& home)
{
    {
        PropertiesKey key(*this, home, false);
        if (key.IsOpen()) {
            const CRegistry& reg = key.Reg();
            reg.ReadBool("DrawNumber", drawNumber);
            reg.ReadBool("DrawName", drawName);
            reg.ReadBool("DrawETA", drawEta);
            PaletteColours colours = GetColours();
            ReadColours(reg, GetKeyName(), colours);
            SetColours(colours);
            SetSizeMode(ReadSizeMode(reg, GetSizeMode()));
        }
    }
    m_line.Load(home);
    m_text.Load(home);
}

void CWaypointProperties::Save(const CSettingsHome& home) const
{
    {
        PropertiesKey key(*this, home, true);
        if (key.IsOpen()) {
            CRegistry& reg = key.Reg();
            reg.WriteBool("DrawNumber", drawNumber);
            reg.WriteBool("DrawName", drawName);
            reg.WriteBool("DrawETA", drawEta);
            reg.WritePaletteColours(GetKeyName(), GetColours());
            reg.WriteDWord("OverlaySize", static_cast<std::uint32_t>(GetSizeMode()));
        }
    }
    m_line.Save(home);
    m_text.Save(home);
}

// ---- Position fixes -----------------------------------------------------------------------

CPositionFixProperties::CPositionFixProperties()
{
    SetDefaults();
}

void CPositionFixProperties::SetDefaults()
{
    CPointProperties::SetDefaults();
    SetDraw(false);
    drawFixTimeAndSource = false;
    m_line.SetDefaults();
    m_line.SetWidth(2);
    m_text.SetDefaults();
}

void CPositionFixProperties::SetBaseKey(const std::string& path)
{
    CPointProperties::SetBaseKey(path);
    m_line.SetBaseKey(path);
    m_text.SetBaseKey(path);
}

void CPositionFixProperties::Load(const CSettingsHome& home)
{
    {
        PropertiesKey key(*this, home, false);
        if (key.IsOpen()) {
            const CRegistry& reg = key.Reg();
            bool draw = GetDraw();
            reg.ReadBool("DrawPositionMarker", draw);
            SetDraw(draw);
            reg.ReadBool("DrawFixTimeAndSource", drawFixTimeAndSource);
            PaletteColours colours = GetColours();
            ReadColours(reg, GetKeyName(), colours);
            SetColours(colours);
            SetSizeMode(ReadSizeMode(reg, GetSizeMode()));
        }
    }
    m_line.Load(home);
    m_text.Load(home);
}

void CPositionFixProperties::Save(const CSettingsHome& home) const
{
    {
        PropertiesKey key(*this, home, true);
        if (key.IsOpen()) {
            CRegistry& reg = key.Reg();
            reg.WriteBool("DrawPositionMarker", GetDraw());
            reg.WriteBool("DrawFixTimeAndSource", drawFixTimeAndSource);
            reg.WritePaletteColours(GetKeyName(), GetColours());
            reg.WriteDWord("OverlaySize", static_cast<std::uint32_t>(GetSizeMode()));
        }
    }
    m_line.Save(home);
    m_text.Save(home);
}

CARPAPositionFixProperties::CARPAPositionFixProperties()
{
    SetDefaultColours({kGreen, kGreen, kDarkGreen});
    SetDefaults();
}

void CARPAPositionFixProperties::SetDefaults()
{
    CPointProperties::SetDefaults();
    SetDraw(false);
}

void CARPAPositionFixProperties::Load(const CSettingsHome& home)
{
    PropertiesKey key(*this, home, false);
    if (!key.IsOpen())
        return;
    const CRegistry& reg = key.Reg();
    bool draw = GetDraw();
    reg.ReadBool("DrawPositionMarker", draw);
    SetDraw(draw);
    PaletteColours colours = GetColours();
    ReadColours(reg, GetKeyName(), colours);
    SetColours(colours);
    SetSizeMode(ReadSizeMode(reg, GetSizeMode()));
}

void CARPAPositionFixProperties::Save(const CSettingsHome& home) const
{
    PropertiesKey key(*this, home, true);
    if (!key.IsOpen())
        return;
    CRegistry& reg = key.Reg();
    reg.WriteBool("DrawPositionMarker", GetDraw());
    reg.WritePaletteColours(GetKeyName(), GetColours());
    reg.WriteDWord("OverlaySize", static_cast<std::uint32_t>(GetSizeMode()));
}

// ---- Targets ------------------------------------------------------------------------------

CTargetProperties::CTargetProperties()
{
    SetDefaultColours({kGreen, kGreen, kDarkGreen});
    SetDefaults();
}

CTargetProperties::CTargetProperties(const CTargetProperties& other) : CPointProperties()
{
    *this = other;
}

CTargetProperties& CTargetProperties::operator=(const CTargetProperties& other)
{
    if (this == &other)
        return *this;
    CPointProperties::CopyFrom(other);
    m_line.CopyFrom(other.m_line);
    m_text.CopyFrom(other.m_text);
    m_text.SetFont(other.m_text.GetFont());
    m_fix.CopyFrom(other.m_fix);
    drawName = other.drawName;
    drawNumber = other.drawNumber;
    drawLabel = other.drawLabel;
    drawDepth = other.drawDepth;
    drawTrack = other.drawTrack;
    drawProjectedPath = other.drawProjectedPath;
    limitTrackDisplay = other.limitTrackDisplay;
    spareFlag = other.spareFlag;
    projectedPathDistance = other.projectedPathDistance;
    projectedPathColours = other.projectedPathColours;
    loggingPeriod = other.loggingPeriod;
    trackTimeLimit = other.trackTimeLimit;
    return *this;
}

void CTargetProperties::SetDefaults()
{
    CPointProperties::SetDefaults();
    drawName = drawNumber = drawLabel = drawDepth = false;
    drawTrack = true;
    drawProjectedPath = limitTrackDisplay = false;
    projectedPathDistance = 10.0;
    projectedPathColours = {kGreen, kGreen, kDarkGreen};
    loggingPeriod = CDateTimeSpanEx(0, 0, 3, 0);
    trackTimeLimit = CDateTimeSpanEx(0, 0, 10, 0);
    m_line.SetDefaults();
    m_text.SetDefaults();
    m_fix.SetDefaults();
    m_line.SetWidth(3);
}

void CTargetProperties::SetBaseKey(const std::string& path)
{
    CPointProperties::SetBaseKey(path);
    m_line.SetBaseKey(path);
    m_text.SetBaseKey(path);
    m_fix.SetBaseKey(path);
}

void CTargetProperties::Load(const CSettingsHome& home)
{
    {
        PropertiesKey key(*this, home, false);
        if (key.IsOpen()) {
            const CRegistry& reg = key.Reg();
            bool draw = GetDraw();
            reg.ReadBool("DrawOverlays", draw);
            SetDraw(draw);
            reg.ReadBool("DrawNumber", drawNumber);
            reg.ReadBool("DrawName", drawName);
            reg.ReadBool("DrawLabel", drawLabel);
            reg.ReadBool("DrawDepth", drawDepth);
            reg.ReadBool("DrawTrack", drawTrack);
            reg.ReadBool("DrawProjectPath", drawProjectedPath);
            reg.ReadBool("LimitTrackDisplay", limitTrackDisplay);
            ReadColours(reg, "ProjectedPathColour", projectedPathColours);
            reg.ReadDouble("ProjectedPathDistance", projectedPathDistance);
            reg.ReadTimeSpan("LoggingPeriod", loggingPeriod);
            reg.ReadTimeSpan("TrackTimeLimit", trackTimeLimit);
            PaletteColours colours = GetColours();
            ReadColours(reg, GetKeyName(), colours);
            SetColours(colours);
        }
    }
    m_line.Load(home);
    m_text.Load(home);
    m_fix.Load(home);
}

void CTargetProperties::Save(const CSettingsHome& home) const
{
    {
        PropertiesKey key(*this, home, true);
        if (key.IsOpen()) {
            CRegistry& reg = key.Reg();
            reg.WriteBool("DrawOverlays", GetDraw());
            reg.WriteBool("DrawNumber", drawNumber);
            reg.WriteBool("DrawName", drawName);
            reg.WriteBool("DrawLabel", drawLabel);
            reg.WriteBool("DrawDepth", drawDepth);
            reg.WriteBool("DrawTrack", drawTrack);
            reg.WriteBool("DrawProjectPath", drawProjectedPath);
            reg.WriteBool("LimitTrackDisplay", limitTrackDisplay);
            reg.WritePaletteColours("ProjectedPathColour", projectedPathColours);
            reg.WriteDouble("ProjectedPathDistance", projectedPathDistance);
            reg.WriteTimeSpan("LoggingPeriod", loggingPeriod);
            reg.WriteTimeSpan("TrackTimeLimit", trackTimeLimit);
            reg.WritePaletteColours(GetKeyName(), GetColours());
        }
    }
    m_line.Save(home);
    m_text.Save(home);
    m_fix.Save(home);
}

bool CTargetProperties::operator!=(const CTargetProperties& other) const
{
    const bool same =
        CPointProperties::operator==(other) && projectedPathColours == other.projectedPathColours &&
        m_line == other.m_line && m_text.CPointProperties::operator==(other.m_text) &&
        m_fix.CPointProperties::operator==(other.m_fix) && drawName == other.drawName &&
        drawNumber == other.drawNumber && drawLabel == other.drawLabel &&
        drawDepth == other.drawDepth && drawTrack == other.drawTrack &&
        drawProjectedPath == other.drawProjectedPath &&
        limitTrackDisplay == other.limitTrackDisplay && spareFlag == other.spareFlag &&
        projectedPathDistance == other.projectedPathDistance &&
        loggingPeriod == other.loggingPeriod &&
        loggingPeriod.GetStatus() == other.loggingPeriod.GetStatus() &&
        trackTimeLimit == other.trackTimeLimit &&
        trackTimeLimit.GetStatus() == other.trackTimeLimit.GetStatus();
    return !same;
}

// ---- Own vessel ---------------------------------------------------------------------------

CVesselProperties::CVesselProperties()
{
    SetDefaultColours({kBlack, kWhite, kWhite});
    SetDefaults();
}

void CVesselProperties::SetDefaults()
{
    CPointProperties::SetDefaults();
    SetSizeMode(kSizeLarge);
}

void CVesselProperties::Load(const CSettingsHome& home)
{
    PropertiesKey key(*this, home, false);
    if (!key.IsOpen())
        return;
    const CRegistry& reg = key.Reg();
    PaletteColours colours = GetColours();
    ReadColours(reg, GetKeyName(), colours);
    SetColours(colours);
    SetSizeMode(ReadSizeMode(reg, GetSizeMode()));
}

void CVesselProperties::Save(const CSettingsHome& home) const
{
    PropertiesKey key(*this, home, true);
    if (!key.IsOpen())
        return;
    key.Reg().WritePaletteColours(GetKeyName(), GetColours());
    key.Reg().WriteDWord("OverlaySize", static_cast<std::uint32_t>(GetSizeMode()));
}

}   // namespace chart
