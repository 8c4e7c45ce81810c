#pragma once

#include <string>

#include "platform/Files.h"

namespace db {

// A temporary database a module made for itself: "~d" + unique characters in
// a data folder, held by its ".tmp" placeholder. The placeholder stays open
// and locked while the module holds the database, so a program that was
// killed is told from one still running: the next start removes the empty
// ones the killed one left (RemoveLeftovers). Only such sets are ever deleted, by
// their base name: a shared data folder also holds other stations'
// temporaries, which their live owners hold locked.
class COwnTemporaryTable {
public:
    // Makes a new placeholder in `folder`; true with the database's base path
    // (no extension) in `path`.
    bool Make(const std::string& folder, std::string& path);
    // The base path while one is held; empty when none.
    const std::string& BasePath() const { return m_base; }
    bool IsAt(const std::string& path) const { return !m_base.empty() && path == m_base; }
    // The table moved to a name of its own: the placeholder goes and nothing
    // is held any more.
    void Release();
    // Deletes the held table's data, memo and index files, its companion
    // folder and its placeholder.
    void Delete();

    // Deletes the temporary databases in `folder` whose placeholder no live
    // program holds (their owner was killed or crashed) and whose table holds
    // no record; one with records is left for the user to open and save.
    // Returns how many were deleted.
    static int RemoveLeftovers(const std::string& folder);

private:
    std::string m_base;
    std::string m_placeholder;
    platform::CFileDescriptor m_held;
    platform::CFileRangeLock m_lock;
};

}   // namespace db
