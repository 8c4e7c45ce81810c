#pragma once
// dBASE key and filter expressions as the tables use them: field names,
// STR( n, w, d ), DTOS( d ), LEFT( c, n ), UPPER( c ), "+" joining texts,
// DELETED() and .NOT. / .AND. / .OR. for filters. Parsed once when a tag is
// opened; evaluated against a raw record image (deletion flag first).

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dbase {

struct FieldSpec;

struct FieldSlot {
    std::string name;
    char type;
    int width;
    int decimals;
    int offset;   // in the record, counting the deletion flag byte
};

class CKeyExpression {
public:
    // nullptr when the text is not understood or names a missing field.
    static std::shared_ptr<CKeyExpression> Parse(std::string_view text,
                                                 const std::vector<FieldSlot>& fields);

    // 'C' text, 'N' number, 'D' date, 'L' logical.
    char Type() const;
    // Width of a text result (texts are padded or cut to it).
    int Length() const;

    std::string EvalText(const char* record) const;   // 'C' and 'D' ("YYYYMMDD")
    double EvalNumber(const char* record) const;   // 'N'
    bool EvalLogical(const char* record) const;   // 'L'

    struct Node;
    ~CKeyExpression();
    CKeyExpression(std::unique_ptr<Node> root);

private:
    std::unique_ptr<Node> m_root;
};

// Number as dBASE writes it into a field: right-aligned in `width` with
// `decimals`, asterisks when it cannot fit.
std::string FormatNumber(double value, int width, int decimals);
// Field text to a number; blanks give 0.
double ParseNumber(std::string_view text);

// Julian day number of a "YYYYMMDD" date, as dBASE IV keeps date keys;
// nullopt for blanks or nonsense.
std::optional<double> JulianDay(std::string_view yyyymmdd);
std::string DateOfJulianDay(double jd);

// Sortable 8-byte form of a double: memcmp order equals numeric order.
std::string SortableDouble(double value);
// The same eight bytes into `out`, for comparisons that keep no string.
void SortableDoubleInto(double value, char* out);
double DoubleFromSortable(std::string_view bytes);

// The 12-byte packed-decimal key dBASE IV stores for numeric tags.
std::string BcdKey(double value);
double BcdKeyValue(std::string_view key);

}   // namespace dbase
