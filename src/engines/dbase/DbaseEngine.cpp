#include "engines/dbase/DbaseEngine.h"
#include "platform/Ascii.h"

#include "engines/dbase/DbaseTable.h"

#include <algorithm>
#include <cctype>

namespace dbase {

std::string StoredName(std::string_view name)
{
    std::string n(name.substr(0, 10));
    for (char& c : n)
        c = platform::AsciiUpper(c);
    while (!n.empty() && n.back() == ' ')
        n.pop_back();
    return n;
}

std::string ErrorText(int code)
{
    switch (code) {
    case kSuccess: return "success";
    case kAfter: return "no exact match; positioned on the next key";
    case kEof: return "end of file";
    case kBof: return "beginning of file";
    case kLocked: return "locked by another user";
    case kNoTag: return "no such tag";
    case kErrMissing: return "no such table, record or field";
    case kErrNoText: return "a name or text is missing";
    case kErrLockRefused: return "the change needs a lock that another user holds";
    case kErrShared:
        return "the table is open elsewhere (another window or station); a pack or memo compress "
               "needs it alone";
    case kErrCreate: return "the table cannot be created";
    case kErrOpen: return "the file cannot be opened";
    case kErrRead: return "the file cannot be read";
    case kErrWrite: return "the file cannot be written";
    case kErrData: return "the data file is not a dBASE table";
    case kErrField: return "a field description is not valid";
    case kErrTag: return "a tag description is not valid, or no tag is selected";
    case kErrExpression: return "a key or filter expression is not understood";
    case kErrMemo: return "the memo file is missing or cannot be read";
    default: return "error " + std::to_string(code);
    }
}

CDbaseEngine::CDbaseEngine() = default;

CDbaseEngine::~CDbaseEngine()
{
    // Tables may outlive the engine (a caller still holds one): closed here,
    // they no longer reach back to it.
    CloseAll();
    for (CDbaseTable* t : m_tables)
        t->m_engine = nullptr;
}

int CDbaseEngine::SetError(int code, int location)
{
    if (m_error >= 0) {
        m_error = code;
        m_errorLocation = location;
    }
    return code;
}

void CDbaseEngine::CloseAll()
{
    // Every table the engine made, open or closed (closing an open one
    // writes what it holds; a closed one has nothing to do).
    const std::vector<CDbaseTable*> tables = m_tables;
    for (CDbaseTable* t : tables)
        t->Close();
}

void CDbaseEngine::Register(CDbaseTable* table)
{
    m_tables.push_back(table);
}

void CDbaseEngine::Unregister(CDbaseTable* table)
{
    m_tables.erase(std::remove(m_tables.begin(), m_tables.end(), table), m_tables.end());
}

}   // namespace dbase
