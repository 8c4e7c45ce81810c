#pragma once

#include <cstdint>
#include <functional>
#include <optional>
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
    // Takes over the placeholder of the temporary set at `base` (one the last
    // session left, opened again) and holds it as Make does; false when it
    // has none or a running program holds it.
    bool Hold(const std::string& base);
    // The base path while one is held; empty when none.
    const std::string& BasePath() const { return m_base; }
    bool IsAt(const std::string& path) const { return !m_base.empty() && path == m_base; }
    // The table moved to a name of its own: the placeholder goes and nothing
    // is held any more.
    void Release();
    // The program ends with the set's records still wanted: the placeholder
    // stays, unlocked, as a program that was killed leaves it, so the next
    // start keeps the set for the user to open and save.
    void LeaveForNextStart();
    // Deletes the held table's data, memo and index files, its companion
    // folder and its placeholder.
    void Delete();

    // Deletes the temporary databases in `folder` whose placeholder no live
    // program holds (their owner was killed or crashed) and whose table holds
    // no record; one with records is left for the user to open and save.
    // Returns how many were deleted.
    static int RemoveLeftovers(const std::string& folder);
    // As above, with what a set holds told by `keep` (given the base path):
    // a set it keeps stays.
    static int RemoveLeftovers(const std::string& folder,
                               const std::function<bool(const std::string& base)>& keep);
    // The records the table at `base` holds, as its header counts them or
    // more when record bytes follow beyond that count; 0 for a table never
    // written, none when it cannot be read.
    static std::optional<std::uint64_t> RecordCount(const std::string& base);

private:
    std::string m_base;
    std::string m_placeholder;
    platform::CFileDescriptor m_held;   // open and locked whole while held
};

}   // namespace db
