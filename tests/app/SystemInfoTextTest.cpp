// The System Information text names the libraries the process has really loaded.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>

#include "app/SystemInfoText.h"

namespace {

TEST(SystemInfoText, ListsTheLoadedLibrariesByTheirRealFiles)
{
    const auto libraries = app::LoadedLibraries();
    const auto has = [&](const std::string& part) {
        return std::any_of(libraries.begin(), libraries.end(),
                           [&](const std::string& l) { return l.find(part) != std::string::npos; });
    };
    EXPECT_TRUE(has("libc.so"));
    EXPECT_TRUE(has("libstdc++.so.6."));   // the link followed to the versioned file
    // A library loaded now is listed from now on.
    void* z = dlopen("libz.so.1", RTLD_NOW);
    ASSERT_NE(z, nullptr);
    const auto after = app::LoadedLibraries();
    EXPECT_TRUE(std::any_of(after.begin(), after.end(), [](const std::string& l) {
        return l.find("libz.so") != std::string::npos;
    }));
    dlclose(z);

    const std::string text =
        app::OperatingSystemText("6.4.2", {"Brinevane V6.0", "dBASE engine V6.4"});
    EXPECT_NE(text.find("Libraries in use :\n"), std::string::npos);
    // The program's own layers follow the toolkit, before the shared libraries.
    EXPECT_NE(text.find("  Qt V6.4.2\n  Brinevane V6.0\n  dBASE engine V6.4\n  "),
              std::string::npos);
    EXPECT_NE(text.find("Total Memory "), std::string::npos);
}

}   // namespace
