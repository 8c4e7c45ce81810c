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

// Kinds that are not lines, after the line kinds in the table.
enum PointKind : std::int32_t {
    kChartpointKind = kLineKindCount,
    kWaypointKind,
    kPositionFixKind,
    kTargetFixKind,
    kTargetKind,
    kVesselKind,
    kTextKind,
    kUnknownLineKind,
    kKindCount
};

}   // namespace

struct OverlayKindRow {
    const char* colourValue;   // the value name of the colours
    // The value name of the draw flag: null when the kind does not store it,
    // empty for the line kinds kept in the key's default value.
    const char* drawValue;
    bool storesSize;   // under "OverlaySize"
    PaletteColours colours;
    bool draw;
    std::int32_t size;
    const char* labelPrefix;
    bool pattern;   // lines: drawn patterned
};

namespace {

// A line kind: drawn by default, no stored size, no label prefix.
constexpr OverlayKindRow LineKindRow(const char* colourValue, const char* drawValue,
                                     PaletteColours colours, bool pattern = false)
{
    return {colourValue, drawValue, false, colours, true, kSizeSmall, "", pattern};
}

// A point kind: never patterned.
constexpr OverlayKindRow PointKindRow(const char* colourValue, const char* drawValue,
                                      bool storesSize, PaletteColours colours, bool draw = true,
                                      std::int32_t size = kSizeSmall, const char* labelPrefix = "")
{
    return {colourValue, drawValue, storesSize, colours, draw, size, labelPrefix, false};
}

constexpr PaletteColours kRedLine{kRed, kRed, kDarkRed};
constexpr PaletteColours kOrangeAll{kOrange, kOrange, kOrange};
constexpr PaletteColours kGreenLine{kGreen, kGreen, kDarkGreen};
constexpr PaletteColours kBlackOnDay{kBlack, kWhite, kGrey};

// Every kind, indexed by LineKind and PointKind. Lines start one pixel wide and
// may be drawn up to four wide; they store no size.
constexpr OverlayKindRow kKinds[kKindCount] = {
    LineKindRow("SelectedRoute", "DrawSelectedRoute", kRedLine, true),
    LineKindRow("AlternativeRoute", "DrawAlternativeRoute", kOrangeAll, true),
    LineKindRow("VesselTrack", "DrawVesselTrack", kBlackOnDay),
    LineKindRow("PlannedTrack", "DrawPlannedTrack", {kBlue, kBlue, kNavy}),
    LineKindRow("HeadingMarker", "DrawHeadingMark", kBlackOnDay),
    LineKindRow("SpeedAndDirectionVector", "DrawSpeedVect", kBlackOnDay),
    LineKindRow("ArrivalCircle", "", kRedLine),
    LineKindRow("WaypointPerpendicular", "", kRedLine),
    LineKindRow("CrossTrackLimits", "", kRedLine),
    LineKindRow("TargetLine", "DrawVesselTrack", kGreenLine, true),
    // kChartpointKind ... kTextKind
    PointKindRow("Chartpoint", "DrawChartpoints", true, {kBlue, kBlue, kNavy}, true, kSizeSmall,
                 "CP"),
    PointKindRow("RouteWaypoint", nullptr, true, kOrangeAll, true, kSizeSmall, "W"),
    PointKindRow("PositionMarker", "DrawPositionMarker", true, kOrangeAll, false),
    PointKindRow("PositionMarker", "DrawPositionMarker", true, kGreenLine, false),
    PointKindRow("Target", "DrawOverlays", false, kGreenLine),
    PointKindRow("OwnVessel", nullptr, true, {kBlack, kWhite, kWhite}, true, kSizeLarge),
    PointKindRow("TextLabel", nullptr, false, kOrangeAll),
    // A line kind outside the table keeps its values under empty names.
    LineKindRow("", "", kOrangeAll),
};

const OverlayKindRow& LineRow(std::int32_t kind)
{
    return kKinds[kind >= 0 && kind < kLineKindCount ? kind : kUnknownLineKind];
}

// The registry opened on the properties' key, or not open.
class PropertiesKey {
public:
    PropertiesKey(const CPointProperties& props, const app::CSettingsHome& home, bool write)
        : m_reg(home.GetStore())
    {
        const std::string path = props.GetRegistryPath(home);
        if (write)
            m_reg.OpenKeyForWrite(path);
        else
            m_reg.OpenKeyForRead(path);
    }
    ~PropertiesKey() { m_reg.Close(); }
    PropertiesKey(const PropertiesKey&) = delete;
    PropertiesKey& operator=(const PropertiesKey&) = delete;
    bool IsOpen() const { return m_reg.IsOpen(); }
    app::CRegistry& Reg() { return m_reg; }

private:
    app::CRegistry m_reg;
};

// A value that is missing or does not read leaves the member as it was.
struct ReadInto {
    const app::CRegistry& reg;
    const char* name;

    void operator()(bool* flag) const { reg.ReadBool(name, *flag); }
    void operator()(std::uint8_t* width) const
    {
        std::uint32_t value = 0;
        if (reg.ReadDWord(name, value))
            *width = static_cast<std::uint8_t>(value > 255 ? 255 : value);
    }
    void operator()(std::int32_t* size) const
    {
        // The size indexes the scaling table; anything else is small.
        std::uint32_t value = 0;
        if (reg.ReadDWord(name, value))
            *size = value <= kSizeLarge ? static_cast<std::int32_t>(value) : kSizeSmall;
    }
    void operator()(PaletteColours* colours) const { reg.ReadPaletteColours(name, *colours); }
    void operator()(double* number) const { reg.ReadDouble(name, *number); }
    void operator()(app::CDateTimeSpanEx* span) const { reg.ReadTimeSpan(name, *span); }
};

struct WriteFrom {
    app::CRegistry& reg;
    const char* name;

    void operator()(const bool* flag) const { reg.WriteBool(name, *flag); }
    void operator()(const std::uint8_t* width) const { reg.WriteDWord(name, *width); }
    void operator()(const std::int32_t* size) const
    {
        reg.WriteDWord(name, static_cast<std::uint32_t>(*size));
    }
    void operator()(const PaletteColours* colours) const
    {
        reg.WritePaletteColours(name, *colours);
    }
    void operator()(const double* number) const { reg.WriteDouble(name, *number); }
    void operator()(const app::CDateTimeSpanEx* span) const { reg.WriteTimeSpan(name, *span); }
};

}   // namespace

// ---- CPointProperties ---------------------------------------------------------------------

CPointProperties::CPointProperties(const OverlayKindRow& row)
    : m_row(&row), m_defaultColours(row.colours), m_colours(row.colours),
      m_labelPrefix(row.labelPrefix)
{
    CPointProperties::SetDefaults();
}

std::string CPointProperties::GetKeyName() const
{
    return m_row->colourValue;
}

std::string CPointProperties::GetRegistryPath(const app::CSettingsHome& home) const
{
    std::string path = home.GetRegistryKey();
    if (!path.empty() && path.back() != '\\')
        path += '\\';
    path += m_baseKey;
    if (!path.empty() && path.back() != '\\')
        path += '\\';
    return path + "OverlayProperties";
}

std::vector<CPointProperties::StoredValue> CPointProperties::StoredValues()
{
    std::vector<StoredValue> values;
    if (m_row->drawValue)
        values.push_back({m_row->drawValue, &m_draw});
    for (const Switch& s : Switches())
        values.push_back({s.name, s.member});
    ListOwnValues(values);
    values.push_back({m_row->colourValue, &m_colours});
    if (m_row->storesSize)
        values.push_back({"OverlaySize", &m_sizeMode});
    return values;
}

void CPointProperties::Load(const app::CSettingsHome& home)
{
    {
        PropertiesKey key(*this, home, false);
        if (key.IsOpen()) {
            for (const StoredValue& value : StoredValues())
                std::visit(ReadInto{key.Reg(), value.name}, value.member);
        }
    }
    AfterLoad();
    for (CPointProperties* owned : OwnedProperties())
        owned->Load(home);
}

void CPointProperties::Save(const app::CSettingsHome& home) const
{
    // The lists name members to read from; saving changes none of them.
    auto& self = const_cast<CPointProperties&>(*this);
    {
        PropertiesKey key(*this, home, true);
        if (key.IsOpen()) {
            for (const StoredValue& value : self.StoredValues())
                std::visit(
                    [&](auto* member) {
                        WriteFrom{key.Reg(), value.name}(member);
                    },
                    value.member);
        }
    }
    for (const CPointProperties* owned : self.OwnedProperties())
        owned->Save(home);
}

void CPointProperties::SetBaseKey(const std::string& path)
{
    m_baseKey = path;
    for (CPointProperties* owned : OwnedProperties())
        owned->SetBaseKey(path);
}

void CPointProperties::SetDefaults()
{
    m_draw = m_row->draw;
    m_sizeMode = m_row->size;
    ApplyDefaultColours();
    for (const Switch& s : Switches())
        *s.member = s.initial;
    for (CPointProperties* owned : OwnedProperties())
        owned->SetDefaults();
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

// ---- CLineProperties ----------------------------------------------------------------------

CLineProperties::CLineProperties(std::int32_t kind) : CPointProperties(LineRow(kind)), m_kind(kind)
{
    SetDefaults();
}

std::string CLineProperties::GetDrawValueName() const
{
    return Row().drawValue;
}

void CLineProperties::SetDefaults()
{
    CPointProperties::SetDefaults();
    m_pattern = Row().pattern;
    m_width = m_minWidth = 1;
    m_maxWidth = kMaximumWidth;
}

void CLineProperties::ListOwnValues(std::vector<StoredValue>& values)
{
    values.push_back({"LineWidth", &m_width});
}

void CLineProperties::AfterLoad()
{
    if (m_width < m_minWidth)
        m_width = m_minWidth;
    else if (m_width > m_maxWidth)
        m_width = m_maxWidth;
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

COvrlyTextProperties::COvrlyTextProperties() : CPointProperties(kKinds[kTextKind])
{
    // "Arial" is the program's sans family; the backend maps it to the desktop's.
    m_font.face = "Arial";
    m_font.height = 12;
    m_font.weight = 400;
}

// ---- Chartpoints --------------------------------------------------------------------------

CChartpointProperties::CChartpointProperties() : CPointProperties(kKinds[kChartpointKind])
{
    SetDefaults();
}

std::vector<CPointProperties::Switch> CChartpointProperties::Switches()
{
    return {{"DrawID", &drawId, false}, {"DrawName", &drawName, false}};
}

// ---- Kinds owning a line and a label ------------------------------------------------------

CLineAndTextOwner::CLineAndTextOwner(const OverlayKindRow& row, std::int32_t lineKind,
                                     std::uint8_t lineWidth)
    : CPointProperties(row), m_line(lineKind), m_lineWidth(lineWidth)
{ }

void CLineAndTextOwner::SetDefaults()
{
    CPointProperties::SetDefaults();
    m_line.SetWidth(m_lineWidth);
}

// ---- Waypoints ----------------------------------------------------------------------------

CWaypointProperties::CWaypointProperties()
    : CLineAndTextOwner(kKinds[kWaypointKind], kLineSelectedRoute, 3)
{
    SetDefaults();
}

std::vector<CPointProperties::Switch> CWaypointProperties::Switches()
{
    return {{"DrawNumber", &drawNumber, false},
            {"DrawName", &drawName, false},
            {"DrawETA", &drawEta, false}};
}

// ---- Position fixes -----------------------------------------------------------------------

CPositionFixProperties::CPositionFixProperties()
    : CLineAndTextOwner(kKinds[kPositionFixKind], kLineVesselTrack, 2)
{
    SetDefaults();
}

std::vector<CPointProperties::Switch> CPositionFixProperties::Switches()
{
    return {{"DrawFixTimeAndSource", &drawFixTimeAndSource, false}};
}

CARPAPositionFixProperties::CARPAPositionFixProperties() : CPointProperties(kKinds[kTargetFixKind])
{ }

// ---- Targets ------------------------------------------------------------------------------

CTargetProperties::CTargetProperties() : CLineAndTextOwner(kKinds[kTargetKind], kLineTargetLine, 3)
{
    SetDefaults();
}

CTargetProperties::CTargetProperties(const CTargetProperties& other)
    : CLineAndTextOwner(kKinds[kTargetKind], kLineTargetLine, 3)
{
    *this = other;
}

std::vector<CPointProperties*> CTargetProperties::OwnedProperties()
{
    std::vector<CPointProperties*> owned = CLineAndTextOwner::OwnedProperties();
    owned.push_back(&m_fix);
    return owned;
}

CTargetProperties& CTargetProperties::operator=(const CTargetProperties& other)
{
    if (this == &other)
        return *this;
    CPointProperties::CopyFrom(other);
    Line().CopyFrom(other.Line());
    Text().CopyFrom(other.Text());
    Text().SetFont(other.Text().GetFont());
    m_fix.CopyFrom(other.m_fix);
    drawName = other.drawName;
    drawNumber = other.drawNumber;
    drawLabel = other.drawLabel;
    drawDepth = other.drawDepth;
    drawTrack = other.drawTrack;
    drawProjectedPath = other.drawProjectedPath;
    limitTrackDisplay = other.limitTrackDisplay;
    saveTarget = other.saveTarget;
    projectedPathDistance = other.projectedPathDistance;
    projectedPathColours = other.projectedPathColours;
    loggingPeriod = other.loggingPeriod;
    trackTimeLimit = other.trackTimeLimit;
    return *this;
}

void CTargetProperties::SetDefaults()
{
    CLineAndTextOwner::SetDefaults();
    projectedPathDistance = 10.0;
    projectedPathColours = {kGreen, kGreen, kDarkGreen};
    loggingPeriod = app::CDateTimeSpanEx(0, 0, 3, 0);
    trackTimeLimit = app::CDateTimeSpanEx(0, 0, 10, 0);
}

std::vector<CPointProperties::Switch> CTargetProperties::Switches()
{
    return {{"DrawNumber", &drawNumber, false},
            {"DrawName", &drawName, false},
            {"DrawLabel", &drawLabel, false},
            {"DrawDepth", &drawDepth, false},
            {"DrawTrack", &drawTrack, true},
            {"DrawProjectPath", &drawProjectedPath, false},
            {"LimitTrackDisplay", &limitTrackDisplay, false}};
}

void CTargetProperties::ListOwnValues(std::vector<StoredValue>& values)
{
    values.push_back({"ProjectedPathColour", &projectedPathColours});
    values.push_back({"ProjectedPathDistance", &projectedPathDistance});
    values.push_back({"LoggingPeriod", &loggingPeriod});
    values.push_back({"TrackTimeLimit", &trackTimeLimit});
}

bool CTargetProperties::operator!=(const CTargetProperties& other) const
{
    const bool same =
        CPointProperties::operator==(other) && projectedPathColours == other.projectedPathColours &&
        Line() == other.Line() && Text().CPointProperties::operator==(other.Text()) &&
        m_fix.CPointProperties::operator==(other.m_fix) && drawName == other.drawName &&
        drawNumber == other.drawNumber && drawLabel == other.drawLabel &&
        drawDepth == other.drawDepth && drawTrack == other.drawTrack &&
        drawProjectedPath == other.drawProjectedPath &&
        limitTrackDisplay == other.limitTrackDisplay && saveTarget == other.saveTarget &&
        projectedPathDistance == other.projectedPathDistance &&
        loggingPeriod == other.loggingPeriod &&
        loggingPeriod.GetStatus() == other.loggingPeriod.GetStatus() &&
        trackTimeLimit == other.trackTimeLimit &&
        trackTimeLimit.GetStatus() == other.trackTimeLimit.GetStatus();
    return !same;
}

// ---- Own vessel ---------------------------------------------------------------------------

CVesselProperties::CVesselProperties() : CPointProperties(kKinds[kVesselKind]) { }

}   // namespace chart
