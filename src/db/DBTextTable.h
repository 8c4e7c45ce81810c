#pragma once
// CDBTextTable: the part every table class of the system shares on top of the
// table layer. The engine keeps bytes; the program's texts are UTF-8. Texts go
// to the files in Windows-1252 (a few report columns in code page 437), and a
// text the code page cannot hold is refused before anything is written, with
// the field named in GetMessage(). Dates are written as an empty date and time
// when the value is not valid, since other dBASE readers refuse anything else
// in a date field; an older "-1" still reads as not valid.
//
// Failures return false and leave a message text for the calling module to show.

#include "app/DateTimeEx.h"
#include "db/DBInterface.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace db {

enum class CodePage { Windows1252, Oem437 };

// True when every character of `text` (UTF-8) exists in the code page.
bool CanEncode(std::string_view text, CodePage page = CodePage::Windows1252);
std::string Encode(std::string_view text, CodePage page = CodePage::Windows1252);
std::string Decode(std::string_view bytes, CodePage page = CodePage::Windows1252);

// A record id as the companion keys hold it: 8 characters, blanks on the left.
std::string IdKey(long id);
// A record id as table names hold it: 8 digits with leading zeros.
std::string IdName(long id);

// `path` with each missing component replaced by the entry of its parent that
// matches without regard to case; components that match nothing stay as given.
std::filesystem::path ResolveNoCase(const std::filesystem::path& path);
// A number from stored text, locale-free; blanks around it are ignored and
// text that is not a number gives 0.
double NumberFromText(std::string_view text);
// The path without its extension (the folder part is left alone).
std::string WithoutExtension(const std::string& path);
// The extension of a path without the dot, empty when there is none.
std::string ExtensionOf(const std::string& path);

// True when two table paths (without extension) name the same files.
bool SamePath(const std::string& a, const std::string& b);

class CDBTextTable : public CDBInterface {
public:
    // On the default engine, or on the engine given (a worker thread's own).
    using CDBInterface::CDBInterface;

    const std::string& GetMessage() const { return m_message; }

    // Whether the current members can all be stored; the first field that
    // cannot goes to `field`.
    bool CanStore(std::string* field = nullptr) const;

    bool Open(bool readOnly = false, bool recreate = false) override;
    bool AppendNew() override;
    bool Update() override;
    bool Seek(const std::string& key) override;
    bool SeekNext(const std::string& key) override;
    bool CopyTo(const std::string& path) override;
    bool MoveTo(const std::string& path) override;

    // The folder beside the table that holds the tables it owns: its path
    // with the extension "X", found without case when it exists.
    std::string CompanionFolder() const;

protected:
    struct TextMember {
        std::string_view field;
        const std::string* text;
        CodePage page = CodePage::Windows1252;
    };
    // The texts the current record would store, with their fields.
    virtual void ListTexts(std::vector<TextMember>& out) const { (void)out; }
    // Texts of owned tables, checked with this table's own.
    virtual bool CompanionsCanStore(std::string* field) const
    {
        (void)field;
        return true;
    }

    // Trailing blanks removed, decoded.
    std::string Text(std::string_view field, CodePage page = CodePage::Windows1252) const;
    // Encoded and cut to the field's width in stored bytes.
    bool PutText(std::string_view field, const std::string& text,
                 CodePage page = CodePage::Windows1252);
    double Number(std::string_view field) const { return Field(field).AsDouble(); }
    long Integer(std::string_view field) const { return Field(field).AsLong(); }
    bool PutInteger(std::string_view field, long long value, int digits, bool zeros = false);
    bool PutDouble(std::string_view field, double value, int width, int decimals);
    app::CDateTimeEx DateTime(std::string_view dateField, std::string_view timeField) const;
    bool PutDateTime(std::string_view dateField, std::string_view timeField,
                     const app::CDateTimeEx& value);

    // Points the table at the files on disk whose name matches without case.
    void FindFilesNoCase();
    bool Fail(std::string message);
    void ClearMessage() { m_message.clear(); }

    std::string m_message;
};

}   // namespace db
