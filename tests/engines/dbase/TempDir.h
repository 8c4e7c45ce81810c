#pragma once
// A fresh folder per test, removed afterwards.
#include <cstdlib>
#include <filesystem>
#include <string>

class CTempDir {
public:
    CTempDir()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "brine-dbase-XXXXXX").string();
        m_path = ::mkdtemp(tmpl.data());
    }
    ~CTempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    std::string operator/(const std::string& name) const { return (m_path / name).string(); }
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};
