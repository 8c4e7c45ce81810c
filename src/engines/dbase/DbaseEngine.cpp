#include "engines/dbase/DbaseEngine.h"

#include "engines/dbase/DbaseTable.h"

#include <algorithm>
#include <cctype>

namespace dbase {

std::string StoredName(std::string_view name)
{
    std::string n(name.substr(0, 10));
    for (char& c : n)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    while (!n.empty() && n.back() == ' ')
        n.pop_back();
    return n;
}

CDbaseEngine::CDbaseEngine() = default;

CDbaseEngine::~CDbaseEngine() { CloseAll(); }

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
    // Close() unregisters, so walk a copy.
    const std::vector<CDbaseTable*> tables = m_tables;
    for (CDbaseTable* t : tables)
        t->Close();
}

void CDbaseEngine::Register(CDbaseTable* table) { m_tables.push_back(table); }

void CDbaseEngine::Unregister(CDbaseTable* table)
{
    m_tables.erase(std::remove(m_tables.begin(), m_tables.end(), table), m_tables.end());
}

}  // namespace dbase
