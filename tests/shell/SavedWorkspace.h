// The settings lines of the workspace "Default" as the run script makes it
// before a first start: listed, current and recent, its layout showing the
// status bar and the Chart Info panel. Settings are read only from the
// workspace reopened at start, so a test's own settings go below it.
#pragma once

#include <string>

namespace brine_test {

inline std::string SavedDefaultWorkspace()
{
    return "[Software\\Quorwick\\Brinevane]\nWorkspace1=str:Default\n"
           "CurrentWorkspace=str:Default\nRecentWorkspace1=str:Default\n"
           "[Software\\Quorwick\\Brinevane\\Default\\WorkState_v1_1\\Bars\\Bar0]\n"
           "ClassName=str:CXStatusBar\nBarID=str:59393\nVisible=str:True\n"
           "[Software\\Quorwick\\Brinevane\\Default\\WorkState_v1_1\\Bars\\Bar1]\n"
           "ClassName=str:CSidePanel\nBarID=str:256\nVisible=str:True\nRight=str:True\n";
}

}   // namespace brine_test
