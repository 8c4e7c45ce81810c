#pragma once
// A settings home over a settings store the test owns, under the key "W":
// what a module or chart service reads and writes its settings through.

#include <string>

#include "app/Module.h"
#include "platform/SettingsStore.h"

namespace brine_test {

class StoreHome final : public app::CSettingsHome {
public:
    explicit StoreHome(platform::CSettingsStore& store) : m_store(store) { }
    platform::CSettingsStore& GetStore() const override { return m_store; }
    std::string GetRegistryKey() const override { return "W"; }

private:
    platform::CSettingsStore& m_store;
};

}   // namespace brine_test
