#include "db/FieldInfoList.h"
#include "db/DBInterface.h"
#include "platform/Ascii.h"

#include "engines/dbase/DbaseTable.h"

#include <cctype>
#include <string>

int FieldInfoList::Add(std::string_view name, char type, int width, int decimals)
{
    if (!m_engine)
        return -1;
    dbase::FieldSpec f{dbase::StoredName(name), platform::AsciiUpper(type), uint16_t(width),
                       uint16_t(decimals)};
    const bool widthOk = width >= 1 && width <= 65535 && decimals >= 0 && decimals <= 255;
    const bool typeOk = f.type == 'C' || f.type == 'N' || f.type == 'F' || f.type == 'D' ||
                        f.type == 'L' || f.type == 'M';
    if (f.name.empty() || !widthOk || !typeOk) {
        m_engine->SetError(dbase::kErrField, 200);
        return -1;
    }
    m_entries.push_back(f);
    return 0;
}

namespace {

// A list made without an engine raises its errors on the process's default
// engine, where the table layer's error check finds them.
dbase::CDbaseEngine& ErrorEngine(dbase::CDbaseEngine* engine)
{
    return engine ? *engine : CDBInterface::SharedEngine();
}

}   // namespace

int FieldInfoList::FillFrom(dbase::CDbaseTable* table)
{
    if (!table) {
        ErrorEngine(m_engine).SetError(dbase::kErrMissing, 201);
        return -1;
    }
    m_entries = table->FieldSpecs();
    return 0;
}

int TagInfoList::Add(std::string_view name, std::string_view expression, std::string_view filter,
                     int unique, int descending)
{
    if (!m_engine) {
        ErrorEngine(m_engine).SetError(dbase::kErrMissing, 203);
        return -1;
    }
    dbase::TagDefinition t{dbase::StoredName(name), std::string(expression), std::string(filter),
                           unique != 0, descending != 0};
    if (t.name.empty() || t.expression.empty()) {
        m_engine->SetError(dbase::kErrTag, 202);
        return -1;
    }
    m_entries.push_back(t);
    return 0;
}
