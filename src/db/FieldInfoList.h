#pragma once
// The lists that describe a table's structure when it is created: fields in
// declaration order and tags of the production index.

#include "engines/dbase/DbaseEngine.h"

#include <string_view>
#include <vector>

namespace dbase {
class CDbaseTable;
}

class FieldInfoList {
public:
    explicit FieldInfoList(dbase::CDbaseEngine* engine) : m_engine(engine) { }

    // Appends one field; the name is upper-cased, cut to 10 characters and
    // stripped of trailing blanks. 0 on success; -1 when the description is
    // refused (the engine's error code is then negative) and nothing is added.
    int Add(std::string_view name, char type, int width, int decimals);
    // One entry per field of an open table; raises -970 for a missing table.
    int FillFrom(dbase::CDbaseTable* table);
    void Free() { m_entries.clear(); }

    size_t Count() const { return m_entries.size(); }
    const std::vector<dbase::FieldSpec>& Entries() const { return m_entries; }

private:
    dbase::CDbaseEngine* m_engine;
    std::vector<dbase::FieldSpec> m_entries;
};

class TagInfoList {
public:
    explicit TagInfoList(dbase::CDbaseEngine* engine) : m_engine(engine) { }

    // Appends one tag; 0 on success, -1 when refused (no engine: -970).
    int Add(std::string_view name, std::string_view expression, std::string_view filter,
            int unique = 0, int descending = 0);
    void Free() { m_entries.clear(); }

    size_t Count() const { return m_entries.size(); }
    const std::vector<dbase::TagDefinition>& Entries() const { return m_entries; }

private:
    dbase::CDbaseEngine* m_engine;
    std::vector<dbase::TagDefinition> m_entries;
};
