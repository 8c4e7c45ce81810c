#include "engines/report/ReportTable.h"

#include "platform/Ascii.h"

namespace report {

CReportTable::CReportTable(std::vector<ReportField> fields) : m_fields(std::move(fields))
{
    m_cells.resize(m_fields.size());
}

int CReportTable::FieldIndex(std::string_view name) const
{
    for (std::size_t i = 0; i < m_fields.size(); ++i)
        if (platform::EqualNoCaseAscii(m_fields[i].name, name))
            return static_cast<int>(i);
    return -1;
}

}   // namespace report
