#include "db/Field4.h"
#include "platform/Ascii.h"

#include "engines/dbase/DbaseEngine.h"
#include "engines/dbase/DbaseTable.h"

#include <cctype>
#include <cmath>

Field4::Field4(dbase::CDbaseEngine& engine, dbase::CDbaseTable* table, std::string_view name)
    : m_engine(&engine)
{
    if (table)
        m_field = table->Field(name);
    if (!m_field)
        Missing();
}

Field4::Field4(dbase::CDbaseEngine& engine, dbase::CDbaseTable* table, int number)
    : m_engine(&engine)
{
    if (table)
        m_field = table->Field(number);
    if (!m_field)
        Missing();
}

int Field4::Missing() const
{
    return m_engine->SetError(dbase::kErrMissing, 300);
}

int Field4::Len() const
{
    return m_field ? m_field->Width() : 0;
}

int Field4::Assign(const char* text)
{
    if (!text)
        return m_engine->SetError(dbase::kErrNoText, 301);
    return Assign(std::string_view(text));
}

int Field4::Assign(std::string_view text)
{
    if (!m_field)
        return Missing();
    return m_field->Assign(text);
}

int Field4::AssignLong(long long value, int digits, bool zeros)
{
    if (!m_field)
        return Missing();
    return m_field->AssignLong(value, digits, zeros);
}

int Field4::AssignDouble(double value, int width, int decimals)
{
    if (!m_field)
        return Missing();
    if (value == kUnsetDouble || std::isnan(value))
        value = kUnsetStored;
    return m_field->AssignDouble(value, width, decimals);
}

std::string Field4::Str() const
{
    if (!m_field) {
        Missing();
        return {};
    }
    return m_field->Text();
}

std::string Field4::Trimmed() const
{
    std::string s = Str();
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.pop_back();
    return s;
}

std::string Field4::Upper() const
{
    std::string s = Trimmed();
    for (char& c : s)
        c = platform::AsciiUpper(c);
    return s;
}

double Field4::AsDouble() const
{
    if (!m_field) {
        Missing();
        return 0;
    }
    return m_field->AsDouble();
}

long Field4::AsLong() const
{
    const double d = AsDouble();
    // Asterisks and damaged text read as 0; nothing out of range reaches the cast.
    return std::isfinite(d) && std::fabs(d) < 2e9 ? long(std::llround(d)) : 0;
}
