#include "db/OwnTemporaryTable.h"

#include <filesystem>

#include "app/SystemUtils.h"

namespace fs = std::filesystem;

namespace db {

bool COwnTemporaryTable::Make(const std::string& folder, std::string& path)
{
    fs::path placeholder;
    if (app::MakeTempFileName(folder, "d", placeholder) != 0)
        return false;
    m_placeholder = placeholder.string();
    m_base = (placeholder.parent_path() / placeholder.stem()).string();
    path = m_base;
    return true;
}

void COwnTemporaryTable::Release()
{
    std::error_code ec;
    if (!m_placeholder.empty())
        fs::remove(m_placeholder, ec);
    m_base.clear();
    m_placeholder.clear();
}

void COwnTemporaryTable::Delete()
{
    if (m_base.empty())
        return;
    std::error_code ec;
    for (const char* ext : {".dbf", ".dbt", ".mdx", ".DBF", ".DBT", ".MDX"})
        fs::remove(m_base + ext, ec);
    fs::remove_all(m_base + ".X", ec);
    Release();
}

}   // namespace db
