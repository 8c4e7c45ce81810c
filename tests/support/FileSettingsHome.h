#pragma once
// Settings kept in one file of their own, under the key "W": for tests of a
// service that reads and writes its settings through a settings home.

#include "app/Module.h"
#include "platform/SettingsStore.h"

#include <filesystem>
#include <string>

namespace brine_test {

class FileSettingsHome final : public app::CSettingsHome {
public:
    explicit FileSettingsHome(const std::filesystem::path& file) : m_store(file) { }

    platform::CSettingsStore& GetStore() const override { return m_store; }
    std::string GetRegistryKey() const override { return "W"; }

private:
    mutable platform::CSettingsStore m_store;
};

}   // namespace brine_test
