#pragma once

#include <string>

namespace db {

// A temporary database a module made for itself: "~d" + unique characters in
// a data folder, held by its ".tmp" placeholder. Only its own files are ever
// deleted, by their base name: a shared data folder also holds other
// stations' temporaries.
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

private:
    std::string m_base;
    std::string m_placeholder;
};

}   // namespace db
