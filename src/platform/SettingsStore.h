#pragma once
// The program's settings tree: keys with typed values, kept in one readable
// text file. It stands where the system registry stood, so it offers what the
// registry layer above it needs and nothing more.
//
// Key paths use backslashes ("Default\\Navigator\\GPS") and, like registry
// keys and value names, compare without case while keeping the case they were
// created with.
//
// Concurrency: one CSettingsStore per process. Save() takes an exclusive lock
// on the file, re-reads what other processes saved meanwhile, applies only
// this process's own changes since its last load or save, and replaces the
// file atomically (temp file, fsync, rename). Two processes saving in turn
// therefore lose neither's keys, and a writer killed mid-save leaves the
// previous file intact.
//
// The file is UTF-8 text, one entry a line:
//   # comment                   (also "; comment"; blank lines are skipped)
//   [Default\Navigator\GPS]     opens a key; every key has its line, parents
//                               before children, siblings in creation order
//   Port=str:/dev/ttyUSB0       a String value
//   Baud=dword:4800             a Dword, in decimal
//   Mask=bin:00ff10             Binary, two hex digits a byte
//   Odd=hex(7):0a00             any other type code, or a Dword whose data is
//                               not 4 bytes, as raw hex
//   #end                        the last line: a file without it was cut short
// Values before the first key line belong to the root. "%XX" stands for the
// byte XX in key names, value names and text; the writer uses it for '%',
// control characters (so newlines stay on one line), bytes that are not
// well-formed UTF-8, '[', ']' and '\' in key names, '=' in value names, a
// value name's leading '[', '#' or ';', and spaces at either end of a name or
// at the end of a text. Any name and any bytes therefore round-trip; an empty
// value name (the key's default value) is a line starting with '='.
//
// The lock is an flock() on "<file>.lock" beside the file (the file itself
// is replaced on every save, so it cannot carry the lock). A writer killed
// mid-save leaves "<file>.tmp-XXXXXX", which the next save removes. A file
// that is a symbolic link is replaced where it points.
//
// A file that does not read (an unknown line, a bad escape, a missing "#end")
// is renamed to "<file>.damaged-YYYYmmddTHHMMSS" (UTC) and reported, never
// emptied in place; the newest few such copies are kept. Every member is safe
// to call from any thread; Save does its file work without holding the lock
// that readers and writers of values take.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Type codes are the registry's own, so a value copied as raw bytes with its
// type keeps its meaning.
enum class SettingType : std::uint32_t {
    None = 0,
    String = 1,   // text, UTF-8
    Binary = 3,   // raw bytes
    Dword = 4,   // 32-bit unsigned, little-endian in `data`
};

struct SettingValue {
    std::uint32_t type = 0;   // a SettingType, or any other code carried through untouched
    std::string data;   // raw bytes: text for String, 4 bytes for Dword

    static SettingValue FromString(std::string_view text);
    static SettingValue FromDword(std::uint32_t value);
    static SettingValue FromBinary(std::string_view bytes);
    bool operator==(const SettingValue&) const = default;
};

enum class LoadStatus {
    Ok,   // read, or no file yet (an empty tree)
    SetAside,   // the file was damaged: renamed to `SetAsidePath()`, the tree starts empty
    Failed,   // could not be read at all (permissions, I/O); the tree is empty, nothing moved
};

class CSettingsStore {
public:
    // $XDG_CONFIG_HOME/Quorwick/Brinevane/settings.conf ($HOME/.config when unset).
    static std::filesystem::path DefaultPath();

    explicit CSettingsStore(std::filesystem::path file);
    ~CSettingsStore();
    CSettingsStore(const CSettingsStore&) = delete;
    CSettingsStore& operator=(const CSettingsStore&) = delete;

    // How long Load and Save wait for another program's lock on the file
    // before they give up and report it.
    static constexpr std::chrono::milliseconds kDefaultLockTimeout{3000};
    // Damaged files set aside and kept; older copies are removed.
    static constexpr std::size_t kSetAsideCopiesKept = 3;

    LoadStatus Load();
    // False when the file could not be written (the lock stayed taken past
    // the timeout, a full disk...): the changes stay and the next save
    // writes them.
    bool Save();
    std::string LastError() const;
    std::filesystem::path SetAsidePath() const;
    const std::filesystem::path& FilePath() const;
    void SetLockTimeout(std::chrono::milliseconds timeout);
    // Called after every change, on the thread that made it and under the
    // store's lock: it may only take note (set a flag, wake a thread),
    // never call the store.
    void SetChangeListener(std::function<void()> listener);
    bool HasUnsavedChanges() const;
    // Keeps any save or load from starting while the returned lock lives, so
    // a group of changes (a key deleted and written again) reaches the file
    // whole or not at all, whatever a saving thread does meanwhile. The
    // holding thread must not save or load before it lets go.
    [[nodiscard]] std::unique_lock<std::mutex> HoldSaves();

    bool KeyExists(std::string_view key) const;
    bool CreateKey(std::string_view key);   // creates missing levels
    std::vector<std::string> SubKeys(std::string_view key) const;   // in creation order
    std::vector<std::string> ValueNames(std::string_view key) const;   // in creation order

    std::optional<SettingValue> GetValue(std::string_view key, std::string_view name) const;
    void SetValue(std::string_view key, std::string_view name,
                  SettingValue value);   // creates the key
    bool DeleteValue(std::string_view key, std::string_view name);
    bool DeleteTree(std::string_view key);   // the key, its values and subkeys
                                             // (never the root: false for "")

    // The typed getters give nothing when the value is absent or of another type.
    std::optional<std::string> GetString(std::string_view key, std::string_view name) const;
    std::optional<std::uint32_t> GetDword(std::string_view key, std::string_view name) const;
    std::optional<std::string> GetBinary(std::string_view key, std::string_view name) const;
    void SetString(std::string_view key, std::string_view name, std::string_view text);
    void SetDword(std::string_view key, std::string_view name, std::uint32_t value);
    void SetBinary(std::string_view key, std::string_view name, std::string_view bytes);

private:
    struct Impl;
    std::filesystem::path m_file;
    std::unique_ptr<Impl> m_impl;   // tree, change journal, mutex
};

}   // namespace platform
