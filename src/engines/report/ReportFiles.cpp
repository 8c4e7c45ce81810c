#include "engines/report/ReportFiles.h"

#include <QStandardPaths>

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <signal.h>
#include <system_error>
#include <unistd.h>

namespace report {

namespace fs = std::filesystem;

fs::path ReportCacheRoot()
{
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return fs::path(cache.toStdString()) / "Quorwick" / "Brinevane" / "reports";
}

fs::path ProcessReportFolder()
{
    const fs::path folder = ReportCacheRoot() / std::to_string(::getpid());
    std::error_code ec;
    fs::create_directories(folder, ec);
    return folder;
}

int RemoveDeadReportFolders(const fs::path& root)
{
    int removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        long pid = 0;
        const auto [ptr, err] = std::from_chars(name.data(), name.data() + name.size(), pid);
        if (err != std::errc() || ptr != name.data() + name.size() || pid <= 0)
            continue;   // not one of ours
        // Gone when no process has the id; one we may not signal still runs.
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue;
        std::error_code removeError;
        if (fs::remove_all(it->path(), removeError) != static_cast<std::uintmax_t>(-1))
            ++removed;
    }
    return removed;
}

bool CReportTempName::Take(const fs::path& folder, std::string& error)
{
    Remove();
    std::error_code ec;
    fs::create_directories(folder, ec);
    static unsigned counter = 0;
    for (int tries = 0; tries < 1000; ++tries) {
        const unsigned n = (static_cast<unsigned>(::getpid()) + ++counter) % 100000;
        const fs::path marker = folder / ("~r" + std::to_string(n) + ".tmp");
        const int fd = ::open(marker.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            m_base = fs::path(marker).replace_extension();
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    error = "No report file could be made in " + folder.string() + ".";
    return false;
}

void CReportTempName::Remove()
{
    if (m_base.empty())
        return;
    // Every file of the base name with another extension, then the marker.
    std::error_code ec;
    const fs::path marker = fs::path(m_base).concat(".tmp");
    const std::string stem = m_base.filename().string();
    for (fs::directory_iterator it(m_base.parent_path(), ec), end; !ec && it != end;
         it.increment(ec)) {
        const fs::path& p = it->path();
        if (p.stem().string() == stem && p != marker) {
            std::error_code removeError;
            fs::remove(p, removeError);
        }
    }
    fs::remove(marker, ec);
    m_base.clear();
}

}   // namespace report
