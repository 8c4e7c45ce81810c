#include "db/OwnTemporaryTable.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>

#include "app/SystemUtils.h"

namespace fs = std::filesystem;

namespace db {

namespace {

// "~d" + six hexadecimal digits + ".tmp": the placeholders MakeTempFileName
// makes for us, and nothing else.
bool IsPlaceholderName(const std::string& name)
{
    if (name.size() != 12 || name.compare(0, 2, "~d") != 0 || name.compare(8, 4, ".tmp") != 0)
        return false;
    for (std::size_t i = 2; i < 8; ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

// Opens the placeholder and locks it whole; false when another open file
// (a live owner) holds it, or it is no longer the file of that name.
bool HoldPlaceholder(const fs::path& path, platform::CFileDescriptor& fd)
{
    auto held = platform::LockUnheldFile(path);
    if (!held)
        return false;
    fd = std::move(*held);
    return true;
}

// Whether the table at `base` holds no record (or was never written).
bool HoldsNoRecords(const std::string& base)
{
    const auto count = COwnTemporaryTable::RecordCount(base);
    return count && *count == 0;
}

void DeleteTableFiles(const std::string& base)
{
    std::error_code ec;
    for (const char* ext : {".dbf", ".dbt", ".mdx", ".DBF", ".DBT", ".MDX"})
        fs::remove(base + ext, ec);
    fs::remove_all(base + ".X", ec);
}

}   // namespace

bool COwnTemporaryTable::Make(const std::string& folder, std::string& path)
{
    // Made again in the rare case that another program's sweep took the new
    // placeholder in the moment before it was locked (the sweep deletes it).
    for (int attempt = 0; attempt < 5; ++attempt) {
        fs::path placeholder;
        if (app::MakeTempFileName(folder, "d", placeholder) != 0)
            return false;
        platform::CFileDescriptor fd;
        if (!HoldPlaceholder(placeholder, fd))
            continue;
        Release();
        m_held = std::move(fd);
        m_placeholder = placeholder.string();
        m_base = (placeholder.parent_path() / placeholder.stem()).string();
        path = m_base;
        return true;
    }
    return false;
}

void COwnTemporaryTable::Release()
{
    std::error_code ec;
    if (!m_placeholder.empty())
        fs::remove(m_placeholder, ec);
    m_held.Close();   // its lock goes with it
    m_base.clear();
    m_placeholder.clear();
}

void COwnTemporaryTable::LeaveForNextStart()
{
    m_held.Close();
    m_base.clear();
    m_placeholder.clear();
}

void COwnTemporaryTable::Delete()
{
    if (m_base.empty())
        return;
    DeleteTableFiles(m_base);
    Release();
}

bool COwnTemporaryTable::Hold(const std::string& base)
{
    if (IsAt(base))
        return true;
    const fs::path placeholder = base + ".tmp";
    if (!IsPlaceholderName(placeholder.filename().string()))
        return false;
    // A set whose placeholder went (its log started afresh under the same
    // name) gets it back, so a kill from now on is told as for a new one.
    const platform::CFileDescriptor made(
        ::open(placeholder.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644));
    platform::CFileDescriptor fd;
    if (!HoldPlaceholder(placeholder, fd))
        return false;
    Release();
    m_held = std::move(fd);
    m_placeholder = placeholder.string();
    m_base = base;
    return true;
}

std::optional<std::uint64_t> COwnTemporaryTable::RecordCount(const std::string& base)
{
    std::uint64_t most = 0;
    for (const char* ext : {".dbf", ".DBF"}) {
        std::error_code ec;
        const std::uintmax_t size = fs::file_size(base + ext, ec);
        if (ec)
            continue;
        unsigned char header[12] = {};
        const platform::CFileDescriptor fd(::open((base + ext).c_str(), O_RDONLY | O_CLOEXEC));
        if (!fd.IsOpen())
            return std::nullopt;
        const ssize_t got = ::pread(fd.Get(), header, sizeof header, 0);
        if (got < 0)
            return std::nullopt;
        if (got < static_cast<ssize_t>(sizeof header))
            continue;   // too short to be a table: nothing in it
        const std::uint32_t count = header[4] | (header[5] << 8U) | (header[6] << 16U) |
                                    (static_cast<std::uint32_t>(header[7]) << 24U);
        const std::uint32_t headerLength = header[8] | (header[9] << 8U);
        const std::uint32_t recordLength = header[10] | (header[11] << 8U);
        // Records written whose count the header does not show yet (a
        // writer killed between the two) count too.
        std::uint64_t written = 0;
        if (size > headerLength + 1U)
            written = recordLength > 0
                          ? std::max<std::uint64_t>(1, (size - headerLength) / recordLength)
                          : 1;
        most = std::max({most, std::uint64_t(count), written});
    }
    return most;
}

int COwnTemporaryTable::RemoveLeftovers(const std::string& folder)
{
    return RemoveLeftovers(folder, [](const std::string& base) { return !HoldsNoRecords(base); });
}

int COwnTemporaryTable::RemoveLeftovers(const std::string& folder,
                                        const std::function<bool(const std::string&)>& keep)
{
    int removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path placeholder = it->path();
        if (!IsPlaceholderName(placeholder.filename().string()))
            continue;
        platform::CFileDescriptor fd;
        const std::string base = (placeholder.parent_path() / placeholder.stem()).string();
        if (!HoldPlaceholder(placeholder, fd) || keep(base))
            continue;
        // The placeholder goes last, still locked, so no other sweep or
        // owner meets a half-deleted set under a free name.
        DeleteTableFiles(base);
        if (::unlink(placeholder.c_str()) == 0)
            ++removed;
    }
    return removed;
}

}   // namespace db
