#pragma once
// The model of the position entry field: a fixed layout of latitude,
// longitude and altitude fields described by a format string, edited field
// by field. Every change is checked at once; a change that makes the text
// invalid is refused with a short message and the previous text stays.
//
// Format characters: D M S latitude degrees, minutes, seconds; N its
// hemisphere; d m s E the same for longitude; H altitude; C the datum name
// (last in the format); a backslash takes the next character literally; any
// other character is a literal. A field written as two runs split by
// literals ("MM'MM") holds a decimal number whose fraction is the second run.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace geo {

enum class EntryField : std::uint8_t {
    Literal = 0,
    LatDeg = 1,
    LatMin = 2,
    LatSec = 3,
    LonDeg = 4,
    LonMin = 5,
    LonSec = 6,
    LatHem = 7,
    LonHem = 8,
    Altitude = 9,
    Datum = 18,
};

// The texts of the fields, as read from the entry.
struct CEntryParts {
    std::string latDeg, latMin, latSec, latHem;
    std::string lonDeg, lonMin, lonSec, lonHem;
    std::string altitude;
};

struct CEntryPosition {
    double latitude = 0.0;
    double longitude = 0.0;
    double altitude = 0.0;
    int datum = -1;   // an index of the datum list given to the entry; -1 none
};

class CPositionEntry {
public:
    static constexpr std::size_t kMaxUndo = 15;
    // Two latitude degree digits, minutes with two decimals, the hemisphere;
    // the same for longitude with three degree digits; five altitude digits.
    static constexpr std::string_view kDefaultFormat = "DD\u00B0MM'MMN ddd\u00B0mm'mmE HHHHH\\m";

    CPositionEntry();

    // Degrees plus minutes / 60 plus seconds / 3600, empty parts counting 0;
    // negative unless the hemisphere is empty, "N", "E" or "+" (any case).
    static double PartsToDegrees(std::string_view degrees, std::string_view minutes,
                                 std::string_view seconds, std::string_view hemisphere);

    // False (the format kept) when a degree, minute or second field is one
    // position wide, longitude degrees are narrower than three, a field has
    // more than two runs or over nine digits (six decimals), a hemisphere is
    // not one position or the datum is not last.
    bool SetFormat(std::string_view format);
    // Pads numbers with blanks instead of zeros.
    void SetBlankPadding(bool blanks) { m_blankPad = blanks; }
    // Lets the altitude take a sign.
    void SetSignedAltitude(bool on) { m_signedAltitude = on; }
    void SetDatums(std::vector<std::string> names, int current);
    // The datum list in its order: indices of the names given to SetDatums.
    // SetPosition moves the position's datum to the end.
    const std::vector<int>& DatumOrder() const { return m_datumOrder; }
    // Where a datum stands in that order, -1 when it is not in it.
    int DatumPlace(int datum) const;

    // Shows the position, makes it the last shown (Reset returns to it) and
    // starts the undo list afresh. False when it does not fit the fields.
    bool SetPosition(const CEntryPosition& position);
    // The entry's position; an empty latitude or longitude keeps the last shown value.
    std::optional<CEntryPosition> GetPosition() const;

    std::string Text() const;   // UTF-8
    std::size_t Length() const { return m_text.size(); }
    EntryField FieldAt(std::size_t pos) const;
    // The positions [first, last) of the selected field.
    std::pair<std::size_t, std::size_t> SelectedRange() const;
    EntryField SelectedField() const { return m_field; }

    // Splits the text into its parts and checks them; nullopt when all hold,
    // otherwise the message for the user ("Minutes run from 0 to 59").
    std::optional<std::string> ParseText() const;
    CEntryParts Parts() const;

    // Selects the field at or after `pos` (the last field past the end). The
    // current text is checked first; when it is invalid it is put back to
    // the last good text and the message returned.
    std::optional<std::string> SelectFieldAt(std::size_t pos);
    std::optional<std::string> SelectNextField(bool forward);
    // Types into the selected field: the first character after a selection
    // replaces the field's content, further ones shift in from the right.
    std::optional<std::string> Type(char32_t ch);
    // One step of the selected field: numbers by one, hemispheres toggle,
    // the datum moves along its list (stopping at the ends).
    std::optional<std::string> Spin(bool up);
    // Types `text` from the selected field on, skipping the layout's
    // literals; the whole paste is refused when any of it does not fit.
    std::optional<std::string> Paste(std::string_view text);
    // Clears the positions [first, last) (Backspace, Delete, Cut): the
    // whole text goes back to the last position shown; a part has its
    // characters blanked, the datum and the layout's literals kept, and the
    // field at `first` is selected. A text that no longer reads is kept as
    // it was and the message returned.
    std::optional<std::string> Clear(std::size_t first, std::size_t last);
    // Back to the last position shown.
    void Reset();

    bool CanUndo() const { return m_undoPos + 1 < m_undo.size(); }
    bool CanRedo() const { return m_undoPos > 0; }
    void Undo();
    void Redo();
    std::size_t UndoDepth() const { return m_undo.size(); }
    bool IsModified() const { return m_modified; }

private:
    struct Run {
        std::size_t first = 0;
        std::size_t length = 0;
    };
    struct FieldLayout {
        EntryField field = EntryField::Literal;
        std::vector<Run> runs;   // one or two
    };

    const FieldLayout* Layout(EntryField field) const;
    std::string FieldText(const FieldLayout& layout, std::u32string_view text) const;
    std::string FieldText(EntryField field) const;
    bool WriteNumber(std::u32string& text, EntryField field, double value) const;
    bool WriteAngle(std::u32string& text, double degrees, EntryField deg, EntryField min,
                    EntryField sec, EntryField hem, char32_t plus, char32_t minus) const;
    bool WriteDigits(std::u32string& text, const FieldLayout& layout, std::string digits) const;
    std::string Digits(const FieldLayout& layout) const;
    std::optional<std::string> Check(std::u32string candidate);
    void PushUndo();
    std::u32string DatumText() const;

    std::u32string m_text;
    std::vector<EntryField> m_codes;   // one per character of the layout
    std::vector<FieldLayout> m_fields;   // in layout order
    EntryField m_field = EntryField::Literal;
    bool m_fresh = true;
    bool m_blankPad = false;
    bool m_signedAltitude = true;
    bool m_modified = false;
    CEntryPosition m_last;
    std::vector<std::string> m_datums;
    std::vector<int> m_datumOrder;
    int m_datum = -1;
    std::vector<std::u32string> m_undo;   // most recent first
    std::size_t m_undoPos = 0;
};

// The plain degree entries beside it: the compass deviation entries (a
// signed decimal with an optional E or W) and the zone time (a whole number
// of hours from -11 to +12). Each returns nullopt for text that may stand,
// otherwise the message.
std::optional<std::string> CheckDegreeText(std::string_view text, bool allowEastWest);
// The entry format of a latitude and a longitude written as the program writes
// positions: "DD°MM.MM'N ddd°mm.mm'E" with as many decimals as it shows, or
// with seconds ("DD°MM'SS.SS\"N ...") when it shows seconds. UTF-8.
std::string EntryFormatOf(std::uint8_t decimalPlaces, bool degMinSec);
std::optional<std::string> CheckZoneTime(std::string_view text);

}   // namespace geo
