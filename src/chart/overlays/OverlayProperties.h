#pragma once
// Display properties of the overlay kinds: whether a kind is drawn, its colour
// under each display palette, its symbol size and its label switches. They are
// kept in the settings store under the workspace key, the owning module's key
// and "OverlayProperties"; the owning modules load, save and hand them to the
// overlays that draw.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "app/DateTimeSpanEx.h"
#include "chart/draw/DrawTypes.h"
#include "chart/overlays/OverlayServices.h"

namespace app {
class CRegistry;
}

namespace app {
class CSettingsHome;
}

namespace chart {

// Symbol sizes: small, medium, large.
enum OverlaySize : std::int32_t { kSizeSmall = 0, kSizeMedium = 1, kSizeLarge = 2 };

// How one kind is stored and what it starts with: the value names of its
// colours and draw flag, whether it stores a size, its default colours, draw
// flag, size and label prefix. One row per kind, in OverlayProperties.cpp.
struct OverlayKindRow;

class CPointProperties {
public:
    virtual ~CPointProperties() = default;

    // The value name of the colour setting.
    std::string GetKeyName() const;
    // Read and write the kind's values under GetRegistryPath, then those of the
    // sub-properties it owns, each under its own path; a key that cannot be
    // opened changes nothing.
    void Load(const app::CSettingsHome& home);
    void Save(const app::CSettingsHome& home) const;
    // The kind's draw flag, size, colours and switches, and every owned
    // sub-property, back at their defaults.
    virtual void SetDefaults();
    // Owned sub-properties take the same path.
    void SetBaseKey(const std::string& path);

    void ApplyDefaultColours() { m_colours = m_defaultColours; }
    // Workspace key, base key and "OverlayProperties", backslash separated.
    std::string GetRegistryPath(const app::CSettingsHome& home) const;

    // Draw flag, size, label prefix and both colour sets; not the base key.
    void CopyFrom(const CPointProperties& other);
    bool operator==(const CPointProperties& other) const;

    const std::string& GetBaseKey() const { return m_baseKey; }
    std::int32_t GetSizeMode() const { return m_sizeMode; }
    void SetSizeMode(std::int32_t mode) { m_sizeMode = mode; }
    bool GetDraw() const { return m_draw; }
    void SetDraw(bool on) { m_draw = on; }
    const PaletteColours& GetDefaultColours() const { return m_defaultColours; }
    const PaletteColours& GetColours() const { return m_colours; }
    void SetColours(const PaletteColours& colours) { m_colours = colours; }
    // The colour of the active display palette.
    COLORREF GetColour() const { return ActiveColour(m_colours); }
    const std::string& GetLabelPrefix() const { return m_labelPrefix; }

protected:
    explicit CPointProperties(const OverlayKindRow& row);
    CPointProperties(const CPointProperties&) = default;
    CPointProperties& operator=(const CPointProperties&) = default;

    // One stored value: its name in the key and the member holding it. The
    // member's type says how it is stored: a flag as "True"/"False", a line
    // width and a symbol size as numbers, colours as the three palettes'
    // entries, a distance as a decimal, a time span as days and time.
    struct StoredValue {
        const char* name;
        std::variant<bool*, std::uint8_t*, std::int32_t*, PaletteColours*, double*,
                     app::CDateTimeSpanEx*>
            member;
    };
    // A label switch of the kind: its value name, the member and its default.
    struct Switch {
        const char* name;
        bool* member;
        bool initial;
    };
    // The kind's switches, stored after its draw flag and set by SetDefaults.
    virtual std::vector<Switch> Switches() { return {}; }
    // The kind's other own values, stored after its switches and before its colours.
    virtual void ListOwnValues(std::vector<StoredValue>&) { }
    // The sub-properties the kind owns, loaded, saved and set to their
    // defaults after it.
    virtual std::vector<CPointProperties*> OwnedProperties() { return {}; }
    // After a load, whether or not the key opened.
    virtual void AfterLoad() { }

    const OverlayKindRow& Row() const { return *m_row; }

private:
    // Every value of the kind in stored order: draw flag, own values, colours, size.
    std::vector<StoredValue> StoredValues();

    const OverlayKindRow* m_row;
    std::string m_baseKey;
    std::int32_t m_sizeMode = kSizeSmall;
    bool m_draw = true;
    PaletteColours m_defaultColours;
    PaletteColours m_colours;
    std::string m_labelPrefix;
};

// The ten kinds of line the overlays draw.
enum LineKind : std::int32_t {
    kLineSelectedRoute = 0,
    kLineAlternativeRoute,
    kLineVesselTrack,
    kLinePlannedTrack,
    kLineHeadingMarker,
    kLineSpeedAndDirectionVector,
    kLineArrivalCircle,
    kLineWaypointPerpendicular,
    kLineCrossTrackLimits,
    kLineTargetLine,
    kLineKindCount
};

class CLineProperties : public CPointProperties {
public:
    static constexpr std::uint8_t kMaximumWidth = 4;

    explicit CLineProperties(std::int32_t kind);
    // The value name of the draw flag; empty for the kinds stored in the
    // key's default value.
    std::string GetDrawValueName() const;
    void SetDefaults() override;

    void CopyFrom(const CLineProperties& other);
    bool operator==(const CLineProperties& other) const;

    std::int32_t GetKind() const { return m_kind; }
    std::uint8_t GetWidth() const { return m_width; }
    void SetWidth(std::uint8_t width) { m_width = width; }
    std::uint8_t GetMinimumWidth() const { return m_minWidth; }
    // The widest a loaded width is kept to: 4 unless the owner offers more
    // (the own vessel's track line offers 1 to 20); defaults bring back 4.
    std::uint8_t GetMaximumWidth() const { return m_maxWidth; }
    void SetMaximumWidth(std::uint8_t width) { m_maxWidth = width; }
    // The selected route draws its legs patterned when set.
    bool GetPatternFlag() const { return m_pattern; }

protected:
    void ListOwnValues(std::vector<StoredValue>& values) override;
    void AfterLoad() override;

private:
    std::int32_t m_kind;
    std::uint8_t m_width = 1;
    std::uint8_t m_minWidth = 1;
    std::uint8_t m_maxWidth = kMaximumWidth;
    bool m_pattern = false;
};

class COvrlyTextProperties : public CPointProperties {
public:
    COvrlyTextProperties();
    // Not stored: 12 pixels high, normal weight, the sans family.
    const Font& GetFont() const { return m_font; }
    void SetFont(const Font& font) { m_font = font; }

private:
    Font m_font;
};

class CChartpointProperties : public CPointProperties {
public:
    CChartpointProperties();

    COvrlyTextProperties& Text() { return m_text; }
    const COvrlyTextProperties& Text() const { return m_text; }
    bool drawId = false;
    bool drawName = false;

protected:
    std::vector<Switch> Switches() override;
    std::vector<CPointProperties*> OwnedProperties() override { return {&m_text}; }

private:
    COvrlyTextProperties m_text;
};

// A point kind that owns a line and a text label, each stored under its own
// value names: waypoints, position fixes and targets. Its line starts at a
// width of the kind's own.
class CLineAndTextOwner : public CPointProperties {
public:
    void SetDefaults() override;

    CLineProperties& Line() { return m_line; }
    const CLineProperties& Line() const { return m_line; }
    COvrlyTextProperties& Text() { return m_text; }
    const COvrlyTextProperties& Text() const { return m_text; }

protected:
    CLineAndTextOwner(const OverlayKindRow& row, std::int32_t lineKind, std::uint8_t lineWidth);
    CLineAndTextOwner(const CLineAndTextOwner&) = default;
    CLineAndTextOwner& operator=(const CLineAndTextOwner&) = default;
    std::vector<CPointProperties*> OwnedProperties() override { return {&m_line, &m_text}; }

private:
    CLineProperties m_line;
    COvrlyTextProperties m_text;
    std::uint8_t m_lineWidth;
};

class CWaypointProperties : public CLineAndTextOwner {
public:
    CWaypointProperties();

    bool drawNumber = false;
    bool drawName = false;
    bool drawEta = false;

protected:
    std::vector<Switch> Switches() override;
};

class CPositionFixProperties : public CLineAndTextOwner {
public:
    CPositionFixProperties();

    bool drawFixTimeAndSource = false;

protected:
    std::vector<Switch> Switches() override;
};

class CARPAPositionFixProperties : public CPointProperties {
public:
    CARPAPositionFixProperties();
};

class CTargetProperties : public CLineAndTextOwner {
public:
    CTargetProperties();
    CTargetProperties(const CTargetProperties& other);
    CTargetProperties& operator=(const CTargetProperties& other);
    void SetDefaults() override;

    // True when anything the options pages can change differs.
    bool operator!=(const CTargetProperties& other) const;

    CARPAPositionFixProperties& FixMarker() { return m_fix; }
    const CARPAPositionFixProperties& FixMarker() const { return m_fix; }

    bool drawName = false;
    bool drawNumber = false;
    bool drawLabel = false;
    bool drawDepth = false;
    bool drawTrack = true;
    bool drawProjectedPath = false;
    bool limitTrackDisplay = false;
    // "Save Target": a per-target switch the menus tick; copied and compared,
    // never stored with the settings.
    bool saveTarget = false;
    double projectedPathDistance = 10.0;   // nautical miles
    PaletteColours projectedPathColours{};
    app::CDateTimeSpanEx loggingPeriod;
    app::CDateTimeSpanEx trackTimeLimit;

protected:
    std::vector<Switch> Switches() override;
    void ListOwnValues(std::vector<StoredValue>& values) override;
    std::vector<CPointProperties*> OwnedProperties() override;

private:
    CARPAPositionFixProperties m_fix;
};

class CVesselProperties : public CPointProperties {
public:
    CVesselProperties();
};

}   // namespace chart
