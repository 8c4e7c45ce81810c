#include "db/ImportStaging.h"

#include "platform/Files.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace db {

CImportStaging::CImportStaging(const std::string& folder, const std::string& name)
    : m_folder(folder.empty() ? std::string(".") : folder), m_name(name)
{
    std::string pattern = m_folder + "/.import-" + name + "-XXXXXX";
    if (::mkdtemp(pattern.data()))
        m_path = pattern;
}

CImportStaging::~CImportStaging()
{
    if (!m_path.empty())
        platform::RemoveTree(m_path);
}

bool CImportStaging::Commit(std::string* error)
{
    if (m_path.empty())
        return false;
    std::vector<std::string> staged;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(m_path, ec)) {
        const std::string entry = e.path().filename().string();
        if (entry.rfind(m_name + ".", 0) == 0)
            staged.push_back(entry);
    }
    // The data file goes last: until it is in place the table is as before.
    std::stable_partition(staged.begin(), staged.end(),
                          [&](const std::string& e) { return e != m_name + ".dbf"; });
    const std::string aside = m_path + "/.replaced";
    fs::create_directory(aside, ec);
    std::vector<std::string> movedAside, movedIn;
    bool ok = !ec;
    for (const std::string& entry : staged) {
        if (!ok)
            break;
        const fs::path target = fs::path(m_folder) / entry;
        if (fs::exists(fs::symlink_status(target, ec))) {
            fs::rename(target, fs::path(aside) / entry, ec);
            if (ec) {
                ok = false;
                break;
            }
            movedAside.push_back(entry);
        }
        fs::rename(fs::path(m_path) / entry, target, ec);
        if (ec) {
            ok = false;
            break;
        }
        movedIn.push_back(entry);
    }
    if (!ok) {
        if (error)
            *error = ec.message();
        std::error_code ignored;
        for (const std::string& entry : movedIn)
            fs::rename(fs::path(m_folder) / entry, fs::path(m_path) / entry, ignored);
        for (const std::string& entry : movedAside)
            fs::rename(fs::path(aside) / entry, fs::path(m_folder) / entry, ignored);
        return false;
    }
    return true;
}

}  // namespace db
