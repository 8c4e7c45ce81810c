#include "platform/SettingsStore.h"

#include "platform/Files.h"
#include "platform/SettingsTree.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <system_error>
#include <thread>
#include <utility>

namespace fs = std::filesystem;

namespace platform {
namespace {

using settings::Change;
using settings::Key;

// A process that keeps setting the same values and seldom saves would grow
// its journal without end, so past this many entries the superseded ones go.
constexpr std::size_t kFirstCompaction = 4096;

std::string ErrnoText(int error)
{
    return std::error_code(error, std::generic_category()).message();
}

std::string Quoted(const fs::path& path)
{
    return "\"" + path.string() + "\"";
}

struct ReadResult {
    enum class State { Read, Missing, Failed } state;
    std::string text;
    int error = 0;
};

ReadResult ReadWholeFile(const fs::path& path)
{
    CFileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.IsOpen())
        return {
            errno == ENOENT ? ReadResult::State::Missing : ReadResult::State::Failed, {}, errno};
    std::string text;
    char buffer[65536];
    while (true) {
        const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return {ReadResult::State::Failed, {}, errno};
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return {ReadResult::State::Read, std::move(text), 0};
}

// Holds the side lock file "<settings>.lock" exclusively. The settings file
// itself is replaced by rename, so a lock on it would guard a file that no
// longer has the name; the side file stays put. The wait is bounded: flock
// has no timed form, so a held lock is tried again every few milliseconds
// until the deadline, and the caller reports and tries again later rather
// than hang its window behind another program.
class CSaveLock {
public:
    bool Acquire(const fs::path& settingsFile, std::chrono::milliseconds timeout,
                 std::string& error)
    {
        const fs::path lockPath = settingsFile.string() + ".lock";
        m_fd = CFileDescriptor(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
        if (!m_fd.IsOpen()) {
            error = "Cannot open the lock file " + Quoted(lockPath) + ": " + ErrnoText(errno);
            return false;
        }
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (::flock(m_fd.Get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno == EINTR)
                continue;
            if (errno != EWOULDBLOCK) {
                error = "Cannot lock " + Quoted(lockPath) + ": " + ErrnoText(errno);
                return false;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                error = "The settings file " + Quoted(settingsFile) +
                        " is locked by another program; tried for " +
                        std::to_string(timeout.count()) + " ms";
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }

private:
    CFileDescriptor m_fd;   // closing it releases the lock, also when the process dies
};

// A set-aside copy's place in time: its UTC stamp and its number within
// that second ("<file>.damaged-20240131T235959" is 1, "...-2" is 2).
std::pair<std::string, long> SetAsideOrder(const std::string& suffix)
{
    const std::size_t dash = suffix.find('-');
    if (dash == std::string::npos)
        return {suffix, 1};
    return {suffix.substr(0, dash), std::strtol(suffix.c_str() + dash + 1, nullptr, 10)};
}

// The set-aside copies of `file`, oldest first.
std::vector<fs::path> SetAsideCopies(const fs::path& file)
{
    const std::string prefix = file.filename().string() + ".damaged-";
    std::vector<std::pair<std::pair<std::string, long>, fs::path>> found;
    std::error_code ec;
    for (fs::directory_iterator it(file.parent_path(), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(prefix, 0) == 0)
            found.emplace_back(SetAsideOrder(name.substr(prefix.size())), it->path());
    }
    std::sort(found.begin(), found.end());
    std::vector<fs::path> copies;
    for (auto& entry : found)
        copies.push_back(std::move(entry.second));
    return copies;
}

// "<file>.damaged-20240131T235959", numbered on from the newest copy of the
// same second should there be one, so a newer copy never sorts older.
fs::path SetAsideName(const fs::path& file)
{
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%S", &utc);
    const std::string base = file.string() + ".damaged-" + stamp;
    long number = 0;
    const std::string prefix = file.filename().string() + ".damaged-";
    for (const fs::path& copy : SetAsideCopies(file)) {
        const auto [copyStamp, n] = SetAsideOrder(copy.filename().string().substr(prefix.size()));
        if (copyStamp == stamp)
            number = std::max(number, n);
    }
    return number == 0 ? fs::path(base) : fs::path(base + "-" + std::to_string(number + 1));
}

// A settings file that is a symbolic link (kept with the user's other
// configuration elsewhere) is read, locked and replaced where it points, so
// saving does not turn the link into a plain file.
fs::path ResolveLinks(const fs::path& file)
{
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(file, ec)))
        return file;
    const fs::path target = fs::weakly_canonical(file, ec);
    return ec ? file : target;
}

// Keeps the newest `keep` set-aside copies of `file` and removes the rest.
void PruneSetAsideCopies(const fs::path& file, std::size_t keep)
{
    const std::vector<fs::path> copies = SetAsideCopies(file);
    std::error_code ec;
    for (std::size_t i = 0; i + keep < copies.size(); ++i)
        fs::remove(copies[i], ec);
}

void RemoveStaleTemps(const fs::path& file)
{
    // Only the holder of the save lock writes temp files, so any found now
    // were left by a writer that died mid-save.
    const std::string prefix = file.filename().string() + ".tmp-";
    std::error_code ec;
    for (fs::directory_iterator it(file.parent_path(), ec), end; !ec && it != end;
         it.increment(ec)) {
        if (it->path().filename().string().rfind(prefix, 0) == 0)
            fs::remove(it->path(), ec);
    }
}

}   // namespace

struct CSettingsStore::Impl {
    mutable std::mutex mutex;   // the tree, the journal and the reports
    std::mutex saveMutex;   // one load or save at a time
    Key root;
    std::vector<Change> journal;
    std::size_t compactAt = kFirstCompaction;   // journal length that triggers compaction
    bool saving = false;   // a save holds journal positions: no compaction meanwhile
    std::string lastError;
    fs::path setAside;
    std::chrono::milliseconds lockTimeout = CSettingsStore::kDefaultLockTimeout;
    std::function<void()> onChange;

    void Record(Change change)
    {
        journal.push_back(std::move(change));
        if (!saving && journal.size() >= compactAt) {
            settings::CompactJournal(journal);
            compactAt = std::max(kFirstCompaction, 2 * journal.size());
        }
        if (onChange)
            onChange();
    }

    // Renames a damaged file aside. Returns the report and, when the rename
    // worked, the copy's path; an empty path means the file stays where it
    // is, untouched.
    static std::pair<std::string, fs::path> SetAside(const fs::path& file,
                                                     const settings::ParseError& damage)
    {
        const fs::path target = SetAsideName(file);
        std::error_code ec;
        fs::rename(file, target, ec);
        const std::string what = "The settings file " + Quoted(file) + " is damaged at line " +
                                 std::to_string(damage.line) + ": " + damage.reason;
        if (ec)
            return {what + "; it could not be set aside: " + ec.message(), {}};
        SyncFolder(file.parent_path());
        PruneSetAsideCopies(file, CSettingsStore::kSetAsideCopiesKept);
        return {what + ". It was set aside as " + Quoted(target) + ".", target};
    }
};

fs::path CSettingsStore::DefaultPath()
{
    fs::path base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg && fs::path(xdg).is_absolute()) {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!(home && *home)) {
            const passwd* pw = ::getpwuid(::getuid());
            home = pw ? pw->pw_dir : "/tmp";
        }
        base = fs::path(home) / ".config";
    }
    return base / "Quorwick" / "Brinevane" / "settings.conf";
}

CSettingsStore::CSettingsStore(fs::path file)
    : m_file(std::move(file)), m_impl(std::make_unique<Impl>())
{ }

CSettingsStore::~CSettingsStore() = default;

LoadStatus CSettingsStore::Load()
{
    Impl& d = *m_impl;
    std::lock_guard saving(d.saveMutex);
    const fs::path file = ResolveLinks(m_file);
    std::chrono::milliseconds timeout;
    {
        std::lock_guard guard(d.mutex);
        d.root = Key{};
        d.journal.clear();
        d.lastError.clear();
        d.setAside.clear();
        timeout = d.lockTimeout;
    }
    auto report = [&d](LoadStatus status, std::string error, fs::path aside = {}) {
        std::lock_guard guard(d.mutex);
        d.lastError = std::move(error);
        d.setAside = std::move(aside);
        return status;
    };

    // Without a folder there is no file yet, and nothing to lock.
    std::error_code ec;
    if (!fs::is_directory(file.parent_path().empty() ? "." : file.parent_path(), ec))
        return LoadStatus::Ok;

    // The lock keeps a saving process from putting a new file in place
    // between reading a damaged one and renaming it aside. Reading needs no
    // lock (files are replaced whole), so a lock held too long only stops
    // the setting aside.
    CSaveLock lock;
    std::string lockError;
    const bool locked = lock.Acquire(file, timeout, lockError);

    ReadResult read = ReadWholeFile(file);
    if (read.state == ReadResult::State::Missing)
        return report(LoadStatus::Ok, locked ? std::string() : lockError);
    if (read.state == ReadResult::State::Failed)
        return report(LoadStatus::Failed, "Cannot read the settings file " + Quoted(file) + ": " +
                                              ErrnoText(read.error));
    Key loaded;
    if (const auto damage = settings::ParseSettings(read.text, loaded)) {
        if (!locked)
            return report(LoadStatus::Failed,
                          "The settings file " + Quoted(file) + " is damaged at line " +
                              std::to_string(damage->line) + " (" + damage->reason +
                              "), and it was left in place: " + lockError);
        auto [error, aside] = Impl::SetAside(file, *damage);
        const LoadStatus status = aside.empty() ? LoadStatus::Failed : LoadStatus::SetAside;
        return report(status, std::move(error), std::move(aside));
    }
    std::lock_guard guard(d.mutex);
    d.root = std::move(loaded);
    d.lastError = locked ? std::string() : lockError;
    return LoadStatus::Ok;
}

bool CSettingsStore::Save()
{
    Impl& d = *m_impl;
    std::lock_guard saving(d.saveMutex);
    // The changes to write are taken under the tree's lock; the file work
    // runs without it, so other threads read and change settings meanwhile.
    // What they change then stays in the journal for the next save.
    std::vector<Change> pending;
    std::chrono::milliseconds timeout;
    {
        std::lock_guard guard(d.mutex);
        pending = d.journal;
        d.saving = true;
        timeout = d.lockTimeout;
    }
    std::size_t taken = pending.size();
    std::string asideNote;
    fs::path asidePath;
    auto finish = [&](bool ok, std::string error, Key* written) {
        std::lock_guard guard(d.mutex);
        d.saving = false;
        d.lastError =
            asideNote.empty() ? std::move(error) : asideNote + (error.empty() ? "" : " " + error);
        if (!asidePath.empty())
            d.setAside = asidePath;
        if (ok) {
            for (std::size_t i = taken; i < d.journal.size(); ++i)
                settings::Apply(*written, d.journal[i]);
            d.root = std::move(*written);
            d.journal.erase(d.journal.begin(),
                            d.journal.begin() + static_cast<std::ptrdiff_t>(taken));
        }
        return ok;
    };

    const fs::path file = ResolveLinks(m_file);
    const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec)
        return finish(false,
                      "Cannot create the settings folder " + Quoted(folder) + ": " + ec.message(),
                      nullptr);
    CSaveLock lock;
    std::string lockError;
    if (!lock.Acquire(file, timeout, lockError))
        return finish(false, lockError, nullptr);

    // Start from what is on disk now, so other processes' saves are kept.
    Key merged;
    ReadResult read = ReadWholeFile(file);
    if (read.state == ReadResult::State::Failed)
        return finish(false,
                      "Cannot read the settings file " + Quoted(file) +
                          " before saving: " + ErrnoText(read.error),
                      nullptr);
    bool damaged = false;
    if (read.state == ReadResult::State::Read) {
        if (const auto damage = settings::ParseSettings(read.text, merged)) {
            // Damaged on disk since we read it: keep it aside and write the
            // whole tree this process knows.
            auto [note, aside] = Impl::SetAside(file, *damage);
            asideNote = std::move(note);
            if (aside.empty())
                return finish(false, {}, nullptr);
            asidePath = std::move(aside);
            damaged = true;
        }
    }
    if (damaged) {
        std::lock_guard guard(d.mutex);
        merged = std::move(*d.root.Clone());
        taken = d.journal.size();
    } else {
        for (const Change& change : pending)
            settings::Apply(merged, change);
    }
    const std::string text = settings::WriteSettings(merged);

    RemoveStaleTemps(file);
    std::string error;
    if (!WriteFileAtomically(file, text, &error))
        return finish(false, error, nullptr);
    return finish(true, {}, &merged);
}

std::string CSettingsStore::LastError() const
{
    std::lock_guard guard(m_impl->mutex);
    return m_impl->lastError;
}

fs::path CSettingsStore::SetAsidePath() const
{
    std::lock_guard guard(m_impl->mutex);
    return m_impl->setAside;
}

const fs::path& CSettingsStore::FilePath() const
{
    return m_file;
}

void CSettingsStore::SetLockTimeout(std::chrono::milliseconds timeout)
{
    std::lock_guard guard(m_impl->mutex);
    m_impl->lockTimeout = timeout;
}

void CSettingsStore::SetChangeListener(std::function<void()> listener)
{
    std::lock_guard guard(m_impl->mutex);
    m_impl->onChange = std::move(listener);
}

std::unique_lock<std::mutex> CSettingsStore::HoldSaves()
{
    return std::unique_lock(m_impl->saveMutex);
}

bool CSettingsStore::HasUnsavedChanges() const
{
    std::lock_guard guard(m_impl->mutex);
    return !m_impl->journal.empty();
}

bool CSettingsStore::KeyExists(std::string_view key) const
{
    std::lock_guard guard(m_impl->mutex);
    return settings::FindKey(m_impl->root, key) != nullptr;
}

bool CSettingsStore::CreateKey(std::string_view key)
{
    std::lock_guard guard(m_impl->mutex);
    if (settings::SplitKeyPath(key).empty())
        return true;   // the root always exists
    settings::CreateKey(m_impl->root, key);
    m_impl->Record({Change::Kind::CreateKey, std::string(key), {}, {}});
    return true;
}

std::vector<std::string> CSettingsStore::SubKeys(std::string_view key) const
{
    std::lock_guard guard(m_impl->mutex);
    std::vector<std::string> names;
    if (const Key* found = settings::FindKey(m_impl->root, key)) {
        for (const auto& child : found->children)
            names.push_back(child->name);
    }
    return names;
}

std::vector<std::string> CSettingsStore::ValueNames(std::string_view key) const
{
    std::lock_guard guard(m_impl->mutex);
    std::vector<std::string> names;
    if (const Key* found = settings::FindKey(m_impl->root, key)) {
        for (const auto& entry : found->values)
            names.push_back(entry.first);
    }
    return names;
}

std::optional<SettingValue> CSettingsStore::GetValue(std::string_view key,
                                                     std::string_view name) const
{
    std::lock_guard guard(m_impl->mutex);
    if (const Key* found = settings::FindKey(m_impl->root, key)) {
        if (const SettingValue* value = found->Value(name))
            return *value;
    }
    return std::nullopt;
}

void CSettingsStore::SetValue(std::string_view key, std::string_view name, SettingValue value)
{
    std::lock_guard guard(m_impl->mutex);
    settings::CreateKey(m_impl->root, key).Set(name, value);
    m_impl->Record({Change::Kind::SetValue, std::string(key), std::string(name), std::move(value)});
}

bool CSettingsStore::DeleteValue(std::string_view key, std::string_view name)
{
    std::lock_guard guard(m_impl->mutex);
    Key* found = settings::FindKey(m_impl->root, key);
    if (!found || !found->RemoveValue(name))
        return false;
    m_impl->Record({Change::Kind::DeleteValue, std::string(key), std::string(name), {}});
    return true;
}

bool CSettingsStore::DeleteTree(std::string_view key)
{
    std::lock_guard guard(m_impl->mutex);
    Change change{Change::Kind::DeleteTree, std::string(key), {}, {}};
    if (settings::SplitKeyPath(key).empty() || !settings::FindKey(m_impl->root, key))
        return false;
    settings::Apply(m_impl->root, change);
    m_impl->Record(std::move(change));
    return true;
}

std::optional<std::string> CSettingsStore::GetString(std::string_view key,
                                                     std::string_view name) const
{
    auto value = GetValue(key, name);
    if (!value || value->type != static_cast<std::uint32_t>(SettingType::String))
        return std::nullopt;
    return std::move(value->data);
}

std::optional<std::uint32_t> CSettingsStore::GetDword(std::string_view key,
                                                      std::string_view name) const
{
    const auto value = GetValue(key, name);
    if (!value || value->type != static_cast<std::uint32_t>(SettingType::Dword) ||
        value->data.size() != 4)
        return std::nullopt;
    std::uint32_t n = 0;
    for (int i = 3; i >= 0; --i)
        n = (n << 8) | static_cast<unsigned char>(value->data[i]);
    return n;
}

std::optional<std::string> CSettingsStore::GetBinary(std::string_view key,
                                                     std::string_view name) const
{
    auto value = GetValue(key, name);
    if (!value || value->type != static_cast<std::uint32_t>(SettingType::Binary))
        return std::nullopt;
    return std::move(value->data);
}

void CSettingsStore::SetString(std::string_view key, std::string_view name, std::string_view text)
{
    SetValue(key, name, SettingValue::FromString(text));
}

void CSettingsStore::SetDword(std::string_view key, std::string_view name, std::uint32_t value)
{
    SetValue(key, name, SettingValue::FromDword(value));
}

void CSettingsStore::SetBinary(std::string_view key, std::string_view name, std::string_view bytes)
{
    SetValue(key, name, SettingValue::FromBinary(bytes));
}

}   // namespace platform
