#pragma once
// The program's folder for a test that starts the application object: links
// in `folder` to what lies beside the built program (datum table, magnetic
// models, System folder), but none of the folders and files the program
// writes there (chartpoints, attachments, logs, plans, tides, routes, its
// temporary and station files), named to the program by BRINE_PROGRAM_FOLDER.
// What the program writes beside itself then stays in the test's folder, and
// the build's program folder stays as the build left it.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace brine_test {

inline bool IsWrittenBesideTheProgram(const std::string& name)
{
    for (const char* written :
         {"Chartpoints", "Attach", "Logs", "Plans", "Tides", "Routes", "Infopnts"})
        if (name == written)
            return true;
    return name.starts_with('~') || name.ends_with(".net");
}

// Makes `folder` a program folder of links as above and returns it: for
// tests that hand the main frame its program folder themselves.
inline std::filesystem::path LinkedProgramFolder(const std::filesystem::path& folder)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (const char* bin = std::getenv("BRINE_BIN_DIR"); bin && *bin) {
        for (const fs::directory_entry& e : fs::directory_iterator(bin, ec)) {
            const std::string name = e.path().filename().string();
            if (!IsWrittenBesideTheProgram(name))
                fs::create_symlink(fs::absolute(e.path()), folder / name, ec);
        }
    }
    return folder;
}

inline void UseOwnProgramFolder(const std::filesystem::path& folder)
{
    LinkedProgramFolder(folder);
    ::setenv("BRINE_PROGRAM_FOLDER", folder.c_str(), 1);
}

}   // namespace brine_test
