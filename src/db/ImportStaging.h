#pragma once
// CImportStaging: a fresh, uniquely named folder inside a table's folder in
// which an import builds the complete table (data, memo, index, companion
// folder) before it takes the table's place. Until Commit the table and the
// older files are untouched; a failed import leaves nothing, a killed one only
// this folder, which the next import of the table removes (the folder's owner
// holds a lock on a file in it while it lives).

#include "platform/Files.h"

#include <string>
#include <vector>

namespace db {

// After an import has taken a table's place: removes every other file of
// the table in `folder` (its name in any case, any extension) that is not one
// of the new table's own files "<name>.dbf", "<name>.dbt" and "<name>.mdx",
// so no older file (a memo file the new layout lacks, names written on
// another system in upper case) is left to be found in place of the new one.
void RemoveOlderTableFiles(const std::string& folder, const std::string& name);

class CImportStaging {
public:
    CImportStaging(const std::string& folder, const std::string& name);
    ~CImportStaging();
    CImportStaging(const CImportStaging&) = delete;
    CImportStaging& operator=(const CImportStaging&) = delete;

    bool IsReady() const { return !m_path.empty(); }
    const std::string& Folder() const { return m_path; }
    // Where the staged table is built: the staging folder and the table's name.
    std::string TablePath() const { return m_path + "/" + m_name; }

    // Moves every staged entry of the table's name into the table's folder,
    // the data file last. What stood there steps aside first and comes back
    // when a move fails; on success it is removed. Should a file that stepped
    // aside fail to come back, the staging folder is kept (by this object and
    // by later imports alike) and `error` names it.
    bool Commit(std::string* error = nullptr);

private:
    std::string m_folder;
    std::string m_name;
    std::string m_path;
    platform::CFileDescriptor m_owner;
    platform::CFileRangeLock m_ownerLock;
};

}   // namespace db
