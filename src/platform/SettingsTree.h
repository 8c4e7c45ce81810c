#pragma once
// The settings store's in-memory tree and its text form. Internal to the
// platform library; the rest of the program uses CSettingsStore.

#include "platform/SettingsStore.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace platform::settings {

// Key and value names compare without regard to ASCII case and keep the case
// they were created with.
bool SameName(std::string_view a, std::string_view b);

// "A\\B\\\\C\\" -> {"A", "B", "C"}: empty components are skipped, so stray
// separators do not make nameless keys.
std::vector<std::string_view> SplitKeyPath(std::string_view path);

// The name every spelling of `name` shares (ASCII letters lower-cased).
std::string FoldedName(std::string_view name);

struct Key {
    std::string name;
    std::vector<std::pair<std::string, SettingValue>> values;   // in creation order
    // In creation order; add and remove only through the members below, which
    // keep the index in step.
    std::vector<std::unique_ptr<Key>> children;
    std::unordered_map<std::string, Key*> childIndex;   // folded name -> child

    Key* Child(std::string_view childName) const;
    Key& ChildOrNew(std::string_view childName);
    bool RemoveChild(std::string_view childName);

    const SettingValue* Value(std::string_view valueName) const;
    // Replaces the data of an existing value (keeping its name's case) or appends one.
    void Set(std::string_view valueName, SettingValue value);
    bool RemoveValue(std::string_view valueName);

    std::size_t CountKeys() const;
    // A deep copy.
    std::unique_ptr<Key> Clone() const;
};

// Walks `path` from `root`; nullptr when a level is missing.
Key* FindKey(const Key& root, std::string_view path);
// Walks `path`, creating the levels that are missing.
Key& CreateKey(Key& root, std::string_view path);

// One change made through this store since its last load or save. Save()
// replays these on whatever is on disk then, so changes other processes
// saved meanwhile survive unless this process changed the same thing.
struct Change {
    enum class Kind { CreateKey, SetValue, DeleteValue, DeleteTree } kind;
    std::string key;
    std::string name;
    SettingValue value;
};

// Carries out one change on a tree.
void Apply(Key& root, const Change& change);

// Drops every SetValue that a later SetValue of the same value (any
// spelling of its key and name) overwrites. Replaying what is left on any
// tree gives the same keys and values as replaying the whole journal.
void CompactJournal(std::vector<Change>& journal);

struct ParseError {
    std::size_t line = 0;   // 1-based; the line after the last for a file that ends early
    std::string reason;
};

// Reads the text form into `root` (which should be empty). On failure `root`
// holds whatever was read before the error and the error says what and where.
// Besides what WriteSettings writes it reads what a text editor leaves: a
// byte-order mark, blanks around a line and around '=', a last line without
// its line end, type words in any case and dword numbers in hex ("0x10").
std::optional<ParseError> ParseSettings(std::string_view text, Key& root);
std::string WriteSettings(const Key& root);

}   // namespace platform::settings
