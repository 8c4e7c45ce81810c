// Folders, files, temporary files, drives and serial-port presence.
#include "app/StringUtils.h"
#include "app/SystemUtils.h"
#include "platform/Ascii.h"
#include "platform/Files.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <random>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <vector>

namespace app {

namespace fs = std::filesystem;

namespace {

char Fold(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

bool HasWildcards(const fs::path& p)
{
    return p.filename().string().find_first_of("*?") != std::string::npos;
}

fs::path FolderOf(const fs::path& maskPath)
{
    const fs::path parent = maskPath.parent_path();
    return parent.empty() ? fs::path(".") : parent;
}

fs::path WithoutTrailingSeparator(const fs::path& p)
{
    std::string s = p.string();
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

bool IsInside(const fs::path& inner, const fs::path& outer)
{
    auto o = outer.begin(), i = inner.begin();
    for (; o != outer.end(); ++o, ++i) {
        if (o->empty())
            continue;   // the empty element a trailing separator leaves
        if (i == inner.end() || *i != *o)
            return false;
    }
    return true;
}

std::optional<long> FileSystemType(const fs::path& path)
{
    const fs::path existing = app::GetExistingAncestor(path);
    if (existing.empty())
        return std::nullopt;
    struct statfs st { };
    if (::statfs(existing.c_str(), &st) != 0)
        return std::nullopt;
    return static_cast<long>(st.f_type);
}

// Octal escapes (\040 for a blank) of /proc/self/mounts fields.
std::string UnescapeMountField(std::string_view s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        const auto octal = [&](std::size_t k) { return s[k] >= '0' && s[k] <= '7'; };
        if (s[i] == '\\' && i + 3 < s.size() && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
            out +=
                static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

struct MountEntry {
    std::string device;
    std::string mountPoint;
    std::string type;
};

std::vector<MountEntry> ReadMounts()
{
    std::vector<MountEntry> mounts;
    std::ifstream in("/proc/self/mounts");
    std::string device, point, type, rest;
    while (in >> device >> point >> type) {
        std::getline(in, rest);
        mounts.push_back({UnescapeMountField(device), UnescapeMountField(point), type});
    }
    return mounts;
}

// udev writes unsafe characters of a label as \xNN.
std::string UnescapeUdevName(std::string_view s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x' &&
            platform::HexDigitValue(s[i + 2]) >= 0 && platform::HexDigitValue(s[i + 3]) >= 0) {
            out += static_cast<char>(platform::HexDigitValue(s[i + 2]) * 16 +
                                     platform::HexDigitValue(s[i + 3]));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::mt19937_64& Random()
{
    thread_local std::mt19937_64 gen{std::random_device{}()};
    return gen;
}

}   // namespace

// Wildcard match as the system's file masks work: '*' any run, '?' any one
// character, case ignored; "*.*" matches names without a dot too.
bool MatchFileMask(std::string_view name, std::string_view mask)
{
    if (mask == "*.*" || mask == "*")
        return true;
    size_t n = 0, m = 0, starM = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || Fold(mask[m]) == Fold(name[n]))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            starM = m++;
            starN = n;
        } else if (starM != std::string_view::npos) {
            m = starM + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

// ---- Drives and network folders ------------------------------------------------------------

bool IsNetworkDrive(const fs::path& path)
{
    const auto type = FileSystemType(path);
    if (!type)
        return false;
    switch (static_cast<unsigned long>(*type) & 0xFFFFFFFFul) {
    case 0x6969:   // NFS
    case 0x517B:   // SMB
    case 0xFF534D42:   // CIFS
    case 0xFE534D42:   // SMB2
    case 0x73757245:   // Coda
    case 0x5346414F:   // AFS
    case 0x01021997:   // 9P
    case 0x564C:   // NCP
        return true;
    default: return false;
    }
}

bool IsCdRomDrive(const fs::path& path)
{
    const auto type = FileSystemType(path);
    return type && (*type == 0x9660 || *type == 0x15013346);   // ISO 9660, UDF
}

bool IsUncPath(std::string_view path)
{
    return path.size() >= 2 &&
           ((path[0] == '\\' && path[1] == '\\') || (path[0] == '/' && path[1] == '/'));
}

bool IsNetworkPath(std::string_view path)
{
    return IsUncPath(path) || IsNetworkDrive(app::ToNativePath(path));
}

bool ConnectNetworkDrive(std::string_view path)
{
    return !IsUncPath(path) && IsNetworkDrive(app::ToNativePath(path));
}

std::string GetFirstCdRomRoot()
{
    for (const MountEntry& m : ReadMounts())
        if (m.type == "iso9660" || m.type == "udf")
            return m.mountPoint;
    return {};
}

bool GetVolumeLabel(const fs::path& path, std::string& label)
{
    if (path.empty())
        return false;
    std::error_code ec;
    const fs::path target = fs::weakly_canonical(fs::absolute(path, ec), ec);

    // The mount holding the path: the longest mount point it lies inside.
    const MountEntry* best = nullptr;
    const std::vector<MountEntry> mounts = ReadMounts();
    for (const MountEntry& m : mounts)
        if (IsInside(target, m.mountPoint) &&
            (!best || m.mountPoint.size() >= best->mountPoint.size()))
            best = &m;

    if (best && best->device.rfind("/dev/", 0) == 0) {
        const fs::path device = fs::weakly_canonical(best->device, ec);
        for (const auto& entry : fs::directory_iterator("/dev/disk/by-label", ec)) {
            std::error_code e2;
            if (fs::weakly_canonical(entry.path(), e2) == device && !e2) {
                label = UnescapeUdevName(entry.path().filename().string());
                return true;
            }
        }
    }
    label = WithoutTrailingSeparator(target).filename().string();
    return true;
}

// ---- Files and folders
// ------------------------------------------------------------------------------

fs::path ToNativePath(std::string_view storedPath)
{
    std::string s(storedPath);
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
}

bool FileExists(const fs::path& path)
{
    std::error_code ec;
    if (!HasWildcards(path))
        return !path.empty() && fs::exists(fs::symlink_status(path, ec));
    const std::string mask = path.filename().string();
    for (const auto& entry : fs::directory_iterator(FolderOf(path), ec))
        if (MatchFileMask(entry.path().filename().string(), mask))
            return true;
    return false;
}

bool FolderExists(const fs::path& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_directory(path, ec);
}

bool IsValidFolderPath(const fs::path& path)
{
    if (path.empty())
        return false;
    std::error_code ec;
    return !app::GetExistingAncestor(fs::absolute(path, ec)).empty();
}

bool IsFolderEmpty(const fs::path& folder)
{
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    return ec || it == fs::directory_iterator();
}

bool CreateFolderPath(const fs::path& path)
{
    if (path.empty())
        return false;
    std::error_code ec;
    fs::create_directories(path, ec);
    return FolderExists(WithoutTrailingSeparator(path));
}

fs::path GetExistingAncestor(const fs::path& path)
{
    fs::path p = WithoutTrailingSeparator(path);
    std::error_code ec;
    while (!p.empty()) {
        if (fs::is_directory(p, ec))
            return p;
        const fs::path parent = p.parent_path();
        if (parent == p)
            break;
        p = parent;
    }
    return {};
}

bool IsReadOnlyPath(const fs::path& path)
{
    if (path.empty())
        return true;
    const fs::path existing = GetExistingAncestor(path);
    return existing.empty() || ::access(existing.c_str(), W_OK) != 0;
}

std::string WhyNoFolderAt(const fs::path& path)
{
    std::error_code ec;
    const fs::path whole = WithoutTrailingSeparator(path);
    if (fs::exists(whole, ec))
        return fs::is_directory(whole, ec) ? std::string()
                                           : path.string() + " is a file, not a folder.";
    fs::path existing = whole.parent_path();
    while (!existing.empty() && !fs::exists(existing, ec) && existing != existing.parent_path())
        existing = existing.parent_path();
    if (existing.empty() || !fs::exists(existing, ec))
        return {};   // a relative path with nothing of it there yet: made below the current folder
    if (!fs::is_directory(existing, ec))
        return path.string() + " cannot be made there: " + existing.string() + " is a file.";
    if (::access(existing.c_str(), W_OK) != 0)
        return path.string() + " cannot be made there: " + existing.string() +
               " cannot be written.";
    return {};
}

bool DeleteFilesByMask(const fs::path& maskPath)
{
    const std::string mask = maskPath.filename().string();
    if (mask.empty())
        return false;
    std::error_code ec;
    bool all = true;
    std::vector<fs::path> doomed;
    for (const auto& entry : fs::directory_iterator(FolderOf(maskPath), ec)) {
        std::error_code e2;
        if (entry.is_regular_file(e2) && MatchFileMask(entry.path().filename().string(), mask))
            doomed.push_back(entry.path());
    }
    for (const fs::path& p : doomed) {
        std::error_code e2;
        if (!fs::remove(p, e2))
            all = false;
    }
    return all && !ec;
}

bool RenameFile(const fs::path& from, const fs::path& to)
{
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFolderTree(const fs::path& folder)
{
    return platform::RemoveTree(folder);
}

bool CopyFolderTree(const fs::path& from, const fs::path& to)
{
    return platform::CopyTree(from, to);
}

bool MoveFolder(const fs::path& from, const fs::path& to)
{
    std::error_code ec;
    const fs::path a = fs::weakly_canonical(fs::absolute(from, ec), ec);
    const fs::path b = fs::weakly_canonical(fs::absolute(to, ec), ec);
    if (a == b)
        return true;
    if (!FolderExists(a) || IsInside(a, b) || IsInside(b, a))
        return false;
    if (!platform::RemoveTree(b))
        return false;
    if (b.has_parent_path() && !CreateFolderPath(b.parent_path()))
        return false;
    return platform::MoveTree(a, b);
}

bool GetFileStatus(const fs::path& path, FileStatus& status)
{
    struct stat st { };
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return false;
    std::error_code ec;
    status.created = st.st_ctime;
    status.modified = st.st_mtime;
    status.accessed = st.st_atime;
    status.size = static_cast<std::uint64_t>(st.st_size);
    status.directory = S_ISDIR(st.st_mode);
    status.readOnly = (st.st_mode & 0222) == 0;
    status.fullName = fs::absolute(path, ec);
    return true;
}

int MakeTempFileName(const fs::path& folder, std::string_view prefix, fs::path& name)
{
    static const char kHex[] = "0123456789ABCDEF";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string file = "~" + std::string(prefix);
        std::uint64_t r = Random()();
        for (int i = 0; i < 6; ++i, r >>= 4)
            file += kHex[r & 15];
        file += ".tmp";
        const fs::path candidate = folder / file;
        const int fd = ::open(candidate.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            name = candidate;
            return 0;
        }
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

fs::path GetTempFileNameIn(const fs::path& folder, std::string_view prefix)
{
    fs::path name;
    return MakeTempFileName(folder, prefix, name) == 0 ? name : fs::path();
}

void DeleteTempFiles(const fs::path& folder)
{
    std::error_code ec;
    std::vector<fs::path> doomed;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        std::error_code e2;
        if (entry.is_regular_file(e2) &&
            app::ToLower(app::GetExtensionPart(entry.path().filename().string())) == "tmp")
            doomed.push_back(entry.path());
    }
    for (const fs::path& p : doomed)
        fs::remove(p, ec);
}

fs::path EnsureFolder(const fs::path& folder, const fs::path& fallback)
{
    for (const fs::path& candidate : {folder, fallback})
        if (!candidate.empty() && (FolderExists(candidate) || CreateFolderPath(candidate)))
            return candidate;
    return {};
}

std::uint64_t GetFolderSize(const fs::path& folder, std::string_view mask, bool recursive)
{
    std::uint64_t total = 0;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        std::error_code e2;
        const fs::file_status st = entry.symlink_status(e2);
        if (fs::is_regular_file(st)) {
            if (MatchFileMask(entry.path().filename().string(), mask))
                total += entry.file_size(e2);
        } else if (recursive && fs::is_directory(st)) {
            total += GetFolderSize(entry.path(), "*.*", true);
        }
    }
    return total;
}

// ---- Serial ports
// -----------------------------------------------------------------------------------------

bool IsComPortPresent(const fs::path& device)
{
    struct stat st { };
    if (device.empty() || ::stat(device.c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    // Non-blocking, so a modem line without carrier cannot hold the open.
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

}   // namespace app
