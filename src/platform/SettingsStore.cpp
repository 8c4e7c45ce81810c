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
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace platform {
namespace {

using settings::Change;
using settings::Key;

// A process that keeps setting the same values and seldom saves would grow
// its journal without end, so past this many entries the superseded ones go.
constexpr std::size_t kFirstCompaction = 4096;

std::string ErrnoText(int error) { return std::error_code(error, std::generic_category()).message(); }

std::string Quoted(const fs::path& path) { return "\"" + path.string() + "\""; }

struct ReadResult {
    enum class State { Read, Missing, Failed } state;
    std::string text;
    int error = 0;
};

ReadResult ReadWholeFile(const fs::path& path)
{
    CFileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.IsOpen())
        return {errno == ENOENT ? ReadResult::State::Missing : ReadResult::State::Failed, {}, errno};
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

bool WriteAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool SyncFolder(const fs::path& folder)
{
    CFileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.IsOpen() && ::fsync(fd.Get()) == 0;
}

// Holds the side lock file "<settings>.lock" exclusively. The settings file
// itself is replaced by rename, so a lock on it would guard a file that no
// longer has the name; the side file stays put.
class CSaveLock {
public:
    bool Acquire(const fs::path& settingsFile, std::string& error)
    {
        const fs::path lockPath = settingsFile.string() + ".lock";
        m_fd = CFileDescriptor(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
        if (!m_fd.IsOpen()) {
            error = "Cannot open the lock file " + Quoted(lockPath) + ": " + ErrnoText(errno);
            return false;
        }
        int rc;
        do {
            rc = ::flock(m_fd.Get(), LOCK_EX);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            error = "Cannot lock " + Quoted(lockPath) + ": " + ErrnoText(errno);
            return false;
        }
        return true;
    }

private:
    CFileDescriptor m_fd;   // closing it releases the lock, also when the process dies
};

// "<file>.damaged-20240131T235959", with "-2", "-3"... should that name exist.
fs::path SetAsideName(const fs::path& file)
{
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%S", &utc);
    const std::string base = file.string() + ".damaged-" + stamp;
    fs::path candidate = base;
    std::error_code ec;
    for (int n = 2; fs::exists(fs::symlink_status(candidate, ec)); ++n)
        candidate = base + "-" + std::to_string(n);
    return candidate;
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

void RemoveStaleTemps(const fs::path& file)
{
    // Only the holder of the save lock writes temp files, so any found now
    // were left by a writer that died mid-save.
    const std::string prefix = file.filename().string() + ".tmp-";
    std::error_code ec;
    for (fs::directory_iterator it(file.parent_path(), ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().filename().string().rfind(prefix, 0) == 0)
            fs::remove(it->path(), ec);
    }
}

}  // namespace

struct CSettingsStore::Impl {
    mutable std::mutex mutex;
    Key root;
    std::vector<Change> journal;
    std::size_t compactAt = kFirstCompaction;   // journal length that triggers compaction
    std::string lastError;
    fs::path setAside;

    void Record(Change change)
    {
        journal.push_back(std::move(change));
        if (journal.size() >= compactAt) {
            settings::CompactJournal(journal);
            compactAt = std::max(kFirstCompaction, 2 * journal.size());
        }
    }

    // Renames a damaged file aside and records why. False when even the
    // rename failed; the file then stays where it is, untouched.
    bool SetAside(const fs::path& file, const settings::ParseError& damage)
    {
        const fs::path target = SetAsideName(file);
        std::error_code ec;
        fs::rename(file, target, ec);
        const std::string what = "The settings file " + Quoted(file) + " is damaged at line " +
                                 std::to_string(damage.line) + ": " + damage.reason;
        if (ec) {
            lastError = what + "; it could not be set aside: " + ec.message();
            return false;
        }
        SyncFolder(file.parent_path());
        setAside = target;
        lastError = what + ". It was set aside as " + Quoted(target) + ".";
        return true;
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

CSettingsStore::CSettingsStore(fs::path file) : m_file(std::move(file)), m_impl(std::make_unique<Impl>()) {}

CSettingsStore::~CSettingsStore() = default;

LoadStatus CSettingsStore::Load()
{
    std::lock_guard guard(m_impl->mutex);
    Impl& d = *m_impl;
    const fs::path file = ResolveLinks(m_file);
    d.root = Key{};
    d.journal.clear();
    d.lastError.clear();
    d.setAside.clear();

    // Without a folder there is no file yet, and nothing to lock.
    std::error_code ec;
    if (!fs::is_directory(file.parent_path().empty() ? "." : file.parent_path(), ec))
        return LoadStatus::Ok;

    // The lock keeps a saving process from putting a new file in place
    // between reading a damaged one and renaming it aside.
    CSaveLock lock;
    std::string lockError;
    const bool locked = lock.Acquire(file, lockError);

    ReadResult read = ReadWholeFile(file);
    if (read.state == ReadResult::State::Missing)
        return LoadStatus::Ok;
    if (read.state == ReadResult::State::Failed) {
        d.lastError = "Cannot read the settings file " + Quoted(file) + ": " + ErrnoText(read.error);
        return LoadStatus::Failed;
    }
    Key loaded;
    if (const auto damage = settings::ParseSettings(read.text, loaded)) {
        if (!locked) {
            d.lastError = "The settings file " + Quoted(file) + " is damaged at line " +
                          std::to_string(damage->line) + " (" + damage->reason +
                          "), and it was left in place: " + lockError;
            return LoadStatus::Failed;
        }
        return d.SetAside(file, *damage) ? LoadStatus::SetAside : LoadStatus::Failed;
    }
    d.root = std::move(loaded);
    return LoadStatus::Ok;
}

bool CSettingsStore::Save()
{
    std::lock_guard guard(m_impl->mutex);
    Impl& d = *m_impl;
    d.lastError.clear();
    const fs::path file = ResolveLinks(m_file);

    const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        d.lastError = "Cannot create the settings folder " + Quoted(folder) + ": " + ec.message();
        return false;
    }
    CSaveLock lock;
    if (!lock.Acquire(file, d.lastError))
        return false;

    // Start from what is on disk now, so other processes' saves are kept.
    Key merged;
    const Key* toWrite = &merged;
    ReadResult read = ReadWholeFile(file);
    if (read.state == ReadResult::State::Failed) {
        d.lastError = "Cannot read the settings file " + Quoted(file) +
                      " before saving: " + ErrnoText(read.error);
        return false;
    }
    if (read.state == ReadResult::State::Read) {
        if (const auto damage = settings::ParseSettings(read.text, merged)) {
            // Damaged on disk since we read it: keep it aside and write the
            // whole tree this process knows.
            if (!d.SetAside(file, *damage))
                return false;
            toWrite = &d.root;
        }
    }
    if (toWrite == &merged) {
        for (const Change& change : d.journal)
            settings::Apply(merged, change);
    }
    const std::string text = settings::WriteSettings(*toWrite);
    const std::string asideNote = d.lastError;

    RemoveStaleTemps(file);
    std::string error;
    auto temp = CreateTempFile(folder, file.filename().string() + ".tmp-", &error);
    if (!temp) {
        d.lastError = error;
        return false;
    }
    auto fail = [&](const char* what, const fs::path& path) {
        const int code = errno;
        d.lastError = what + Quoted(path) + ": " + ErrnoText(code);
        if (!asideNote.empty())
            d.lastError = asideNote + " " + d.lastError;
        fs::remove(temp->path, ec);
        return false;
    };
    if (!WriteAll(temp->fd.Get(), text))
        return fail("Cannot write ", temp->path);
    if (::fsync(temp->fd.Get()) != 0)
        return fail("Cannot flush ", temp->path);
    // Keep the permissions of the file being replaced; a new one gets the
    // user-only mode the temp file was created with.
    struct stat old {};
    if (::stat(file.c_str(), &old) == 0)
        ::fchmod(temp->fd.Get(), old.st_mode & 07777);
    temp->fd.Close();
    if (::rename(temp->path.c_str(), file.c_str()) != 0)
        return fail("Cannot replace ", file);
    SyncFolder(folder);

    if (toWrite == &merged)
        d.root = std::move(merged);
    d.journal.clear();
    return true;
}

const std::string& CSettingsStore::LastError() const { return m_impl->lastError; }
const fs::path& CSettingsStore::SetAsidePath() const { return m_impl->setAside; }
const fs::path& CSettingsStore::FilePath() const { return m_file; }

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

std::optional<SettingValue> CSettingsStore::GetValue(std::string_view key, std::string_view name) const
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

std::optional<std::string> CSettingsStore::GetString(std::string_view key, std::string_view name) const
{
    auto value = GetValue(key, name);
    if (!value || value->type != static_cast<std::uint32_t>(SettingType::String))
        return std::nullopt;
    return std::move(value->data);
}

std::optional<std::uint32_t> CSettingsStore::GetDword(std::string_view key, std::string_view name) const
{
    const auto value = GetValue(key, name);
    if (!value || value->type != static_cast<std::uint32_t>(SettingType::Dword) || value->data.size() != 4)
        return std::nullopt;
    std::uint32_t n = 0;
    for (int i = 3; i >= 0; --i)
        n = (n << 8) | static_cast<unsigned char>(value->data[i]);
    return n;
}

std::optional<std::string> CSettingsStore::GetBinary(std::string_view key, std::string_view name) const
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

}  // namespace platform
