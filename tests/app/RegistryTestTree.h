#pragma once
// Helpers for tests that compare whole settings trees.

#include <map>
#include <string>

#include "platform/SettingsStore.h"

namespace registry_test {

// A key's whole content, values with their type codes and subkeys by name.
struct Tree {
    std::map<std::string, platform::SettingValue> values;
    std::map<std::string, Tree> keys;
    bool operator==(const Tree&) const = default;
};

inline Tree Snapshot(const platform::CSettingsStore& store, const std::string& key)
{
    Tree t;
    for (const std::string& name : store.ValueNames(key))
        t.values[name] = *store.GetValue(key, name);
    for (const std::string& sub : store.SubKeys(key))
        t.keys[sub] = Snapshot(store, key + "\\" + sub);
    return t;
}

// A value of a type this program never writes (a multi-string), as another
// program could leave in a copied tree.
inline platform::SettingValue OddValue()
{
    return {7, std::string("one\0two\0\0\xff", 10)};
}

}   // namespace registry_test
