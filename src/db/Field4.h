#pragma once
// One field of a table's current record, read and written as text or as a
// number. Errors go into the shared engine's error code: -970 for a missing
// field, -935 for a missing text, -50 when the record cannot be locked.
//
// Reads return the field at its full width in a text of their own (a memo's
// whole text), so two reads never overwrite each other and wide fields are
// not cut short.

#include <limits>
#include <string>
#include <string_view>

namespace dbase {
class CDbaseEngine;
class CDbaseTable;
class CDbaseField;
}   // namespace dbase

// The unset double of the program; stored records hold it as -99.99.
inline constexpr double kUnsetDouble = std::numeric_limits<double>::max();
inline constexpr double kUnsetStored = -99.99;

class Field4 {
public:
    // `engine` takes the error of a field that is not there (no table, no such field).
    Field4(dbase::CDbaseEngine& engine, dbase::CDbaseTable* table, std::string_view name);
    Field4(dbase::CDbaseEngine& engine, dbase::CDbaseTable* table, int number);

    bool IsValid() const { return m_field != nullptr; }
    int Len() const;

    // Text cut to the width and padded with blanks (a memo takes it whole).
    int Assign(const char* text);
    int Assign(std::string_view text);
    // Right-aligned in `digits` characters with blanks, or leading zeros.
    int AssignLong(long long value, int digits, bool zeros = false);
    // Right-aligned with `decimals`; asterisks when it does not fit; the unset
    // double is stored as -99.99, never as its digits.
    int AssignDouble(double value, int width, int decimals);

    std::string Str() const;   // full width
    std::string Trimmed() const;   // trailing blanks and zero bytes removed
    std::string Upper() const;   // trimmed and upper-cased
    double AsDouble() const;
    long AsLong() const;

private:
    int Missing() const;
    dbase::CDbaseEngine* m_engine;
    dbase::CDbaseField* m_field = nullptr;
};
