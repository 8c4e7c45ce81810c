#include "db/DBTextTable.h"
#include "platform/Ascii.h"

#include "engines/dbase/DbaseTable.h"
#include "platform/CodePage.h"
#include "platform/Files.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace fs = std::filesystem;

namespace db {

bool CanEncode(std::string_view text, CodePage page)
{
    return platform::IsValidUtf8(text) && Decode(Encode(text, page), page) == text;
}

std::string Encode(std::string_view text, CodePage page)
{
    return page == CodePage::Oem437 ? platform::Utf8ToCp437(text) : platform::Utf8ToCp1252(text);
}

std::string Decode(std::string_view bytes, CodePage page)
{
    return page == CodePage::Oem437 ? platform::Cp437ToUtf8(bytes) : platform::Cp1252ToUtf8(bytes);
}

std::string IdKey(long id)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%8ld", id);
    return buf;
}

std::string IdName(long id)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%08ld", id);
    return buf;
}

double NumberFromText(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '+'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.remove_suffix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && std::isfinite(value) ? value : 0.0;
}

std::string WithoutExtension(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        return path.substr(0, dot);
    return path;
}

std::string ExtensionOf(const std::string& path)
{
    const std::string base = WithoutExtension(path);
    return base.size() < path.size() ? path.substr(base.size() + 1) : std::string();
}

fs::path ResolveNoCase(const fs::path& path)
{
    std::error_code ec;
    if (path.empty() || fs::exists(path, ec))
        return path;
    fs::path result;
    for (const fs::path& part : path) {
        fs::path next = result / part;
        if (!result.empty() && !fs::exists(next, ec)) {
            if (auto found = platform::FindNoCase(result, part.string()))
                next = *found;
        }
        result = next;
    }
    return result;
}

bool SamePath(const std::string& a, const std::string& b)
{
    std::error_code ec;
    const fs::path ca = fs::weakly_canonical(fs::absolute(a, ec), ec);
    const fs::path cb = fs::weakly_canonical(fs::absolute(b, ec), ec);
    const std::string sa = ca.string(), sb = cb.string();
    return platform::EqualNoCaseAscii(sa, sb);
}

// ------------------------------------------------------------------ checks

bool CDBTextTable::CanStore(std::string* field) const
{
    std::vector<TextMember> texts;
    ListTexts(texts);
    for (const TextMember& t : texts) {
        if (!CanEncode(*t.text, t.page)) {
            if (field)
                *field = std::string(t.field);
            return false;
        }
    }
    return CompanionsCanStore(field);
}

bool CDBTextTable::Fail(std::string message)
{
    m_message = std::move(message);
    return false;
}

bool CDBTextTable::AppendNew()
{
    ClearMessage();
    std::string field;
    if (!CanStore(&field))
        return Fail("The text of " + field + " has characters the table cannot hold.");
    if (!CDBInterface::AppendNew())
        return Fail(m_message.empty() ? "The record could not be added to " + GetFilePath() + "."
                                      : m_message);
    return true;
}

bool CDBTextTable::Update()
{
    ClearMessage();
    std::string field;
    if (!CanStore(&field))
        return Fail("The text of " + field + " has characters the table cannot hold.");
    if (!CDBInterface::Update())
        return Fail(m_message.empty() ? "The record could not be written to " + GetFilePath() + "."
                                      : m_message);
    return true;
}

bool CDBTextTable::Seek(const std::string& key)
{
    return CDBInterface::Seek(Encode(key));
}

bool CDBTextTable::SeekNext(const std::string& key)
{
    return CDBInterface::SeekNext(Encode(key));
}

bool CDBTextTable::CopyTo(const std::string& path)
{
    if (SamePath(path, GetFilePath()))
        return true;
    return CDBInterface::CopyTo(path);
}

bool CDBTextTable::MoveTo(const std::string& path)
{
    const std::string target = WithoutExtension(path);
    if (SamePath(target, GetFilePath()))
        return true;
    return CDBInterface::MoveTo(target);
}

// ------------------------------------------------------------------ files

void CDBTextTable::FindFilesNoCase()
{
    const std::string folder = GetFolder();
    if (!folder.empty()) {
        const std::string resolved = ResolveNoCase(folder).string();
        if (resolved != folder)
            SetFolder(resolved);
    }
    std::error_code ec;
    if (fs::exists(GetFilePath() + ".dbf", ec))
        return;
    const fs::path where = GetFolder().empty() ? fs::path(".") : fs::path(GetFolder());
    if (auto found = platform::FindNoCase(where, GetName() + ".dbf"))
        CDBInterface::SetName(found->stem().string());
}

std::string CDBTextTable::CompanionFolder() const
{
    const std::string plain = GetFilePath() + ".X";
    std::error_code ec;
    if (fs::exists(plain, ec))
        return plain;
    const fs::path found = ResolveNoCase(plain);
    return fs::exists(found, ec) ? found.string() : plain;
}

bool CDBTextTable::Open(bool readOnly, bool recreate)
{
    ClearMessage();
    FindFilesNoCase();
    if (!CDBInterface::Open(readOnly, recreate))
        return Fail("The table " + GetFilePath() + " could not be opened.");
    // What the engine found wrong and put right (or read anyway) on open.
    if (Table())
        for (const std::string& warning : Table()->OpenWarnings())
            m_message += (m_message.empty() ? "The table " + GetFilePath() + ": " : "; ") + warning;
    if (!m_message.empty())
        m_message += ".";
    return true;
}

// ------------------------------------------------------------------ fields

std::string CDBTextTable::Text(std::string_view field, CodePage page) const
{
    return Decode(Field(field).Trimmed(), page);
}

bool CDBTextTable::PutText(std::string_view field, const std::string& text, CodePage page)
{
    Field4 f = Field(field);
    std::string bytes = Encode(text, page);
    if (f.IsValid() && bytes.size() > size_t(f.Len()) && Table() &&
        Table()->Field(field)->Type() != 'M')
        bytes.resize(size_t(f.Len()));
    return f.Assign(bytes) == 0;
}

bool CDBTextTable::PutInteger(std::string_view field, long long value, int digits, bool zeros)
{
    return Field(field).AssignLong(value, digits, zeros) == 0;
}

bool CDBTextTable::PutDouble(std::string_view field, double value, int width, int decimals)
{
    return Field(field).AssignDouble(value, width, decimals) == 0;
}

app::CDateTimeEx CDBTextTable::DateTime(std::string_view dateField,
                                        std::string_view timeField) const
{
    const std::string date = Field(dateField).Trimmed();
    const std::string time = Field(timeField).Trimmed();
    app::CDateTimeEx value;
    if (date.empty() || date == "-1" || time == "-1" || date.size() != 8 || time.size() != 6 ||
        !app::CDateTimeEx::FromStorageText(date + " " + time, value)) {
        value = app::CDateTimeEx();
        value.SetStatus(app::CDateTimeEx::invalid);
    }
    return value;
}

bool CDBTextTable::PutDateTime(std::string_view dateField, std::string_view timeField,
                               const app::CDateTimeEx& value)
{
    if (!value.IsValid())
        return Field(dateField).Assign("") == 0 && Field(timeField).Assign("") == 0;
    return Field(dateField).Assign(value.ToStorageDate()) == 0 &&
           Field(timeField).Assign(value.ToStorageTime()) == 0;
}

}   // namespace db
