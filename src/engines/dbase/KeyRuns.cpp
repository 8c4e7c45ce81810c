#include "engines/dbase/KeyRuns.h"

#include "engines/dbase/TableFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <queue>
#include <unistd.h>

namespace dbase {

namespace {

// An unnamed file in `folder`; where the file system cannot make one, a named
// one removed at once, which leaves the same nothing behind.
int UnnamedFile(const std::string& folder)
{
    const std::string where = folder.empty() ? std::string(".") : folder;
    int fd = ::open(where.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0)
        return fd;
    std::string name = where + "/.sort-XXXXXX";
    fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0)
        ::unlink(name.c_str());
    return fd;
}

}   // namespace

CKeyRuns::CKeyRuns(size_t entryBytes, size_t memoryBytes, std::string folder)
    : m_entryBytes(std::max<size_t>(entryBytes, 1)),
      m_limit(std::max<size_t>(memoryBytes / (m_entryBytes + sizeof(uint32_t)), 64)),
      m_folder(std::move(folder))
{ }

CKeyRuns::~CKeyRuns()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool CKeyRuns::Add(const unsigned char* entry)
{
    if (m_load.size() / m_entryBytes >= m_limit && !WriteRun())
        return false;
    if (m_load.empty())
        m_load.reserve(m_limit * m_entryBytes);   // no doubling past the budget
    m_load.insert(m_load.end(), entry, entry + m_entryBytes);
    ++m_count;
    return true;
}

std::vector<uint32_t> CKeyRuns::SortedLoad() const
{
    const size_t n = m_load.size() / m_entryBytes;
    std::vector<uint32_t> order(n);
    for (size_t i = 0; i < n; ++i)
        order[i] = uint32_t(i);
    const unsigned char* base = m_load.data();
    const size_t width = m_entryBytes;
    auto before = [base, width](uint32_t a, uint32_t b) {
        return std::memcmp(base + size_t(a) * width, base + size_t(b) * width, width) < 0;
    };
    // A log's keys often come in order already: then there is nothing to do.
    if (!std::is_sorted(order.begin(), order.end(), before))
        std::sort(order.begin(), order.end(), before);
    return order;
}

bool CKeyRuns::WriteRun()
{
    if (m_fd < 0 && (m_fd = UnnamedFile(m_folder)) < 0)
        return false;
    const std::vector<uint32_t> order = SortedLoad();
    std::vector<unsigned char> out;
    out.reserve(std::min<size_t>(order.size(), 4096) * m_entryBytes);
    Run run{m_end, order.size()};
    for (size_t i = 0; i < order.size(); ++i) {
        const unsigned char* e = m_load.data() + size_t(order[i]) * m_entryBytes;
        out.insert(out.end(), e, e + m_entryBytes);
        if (out.size() >= 4096 * m_entryBytes || i + 1 == order.size()) {
            if (!WriteAll(m_fd, out.data(), out.size(), m_end))
                return false;
            m_end += off_t(out.size());
            out.clear();
        }
    }
    m_runs.push_back(run);
    m_load.clear();
    return true;
}

bool CKeyRuns::Drain(const std::function<bool(const unsigned char*)>& take)
{
    if (m_runs.empty()) {
        // Everything fitted in memory: no file at all.
        for (uint32_t i : SortedLoad())
            if (!take(m_load.data() + size_t(i) * m_entryBytes))
                return false;
        m_load.clear();
        m_load.shrink_to_fit();
        return true;
    }
    if (!m_load.empty() && !WriteRun())
        return false;
    m_load.clear();
    m_load.shrink_to_fit();

    // Each run is read through its own window; the windows share the budget.
    struct Cursor {
        std::vector<unsigned char> window;
        size_t at = 0, held = 0;   // entries: taken from the window, in it
        off_t next = 0;   // where the run continues in the file
        size_t left = 0;   // entries of the run not yet read into a window
    };
    const size_t perWindow = std::max<size_t>(m_limit / m_runs.size(), 64);
    std::vector<Cursor> cursors(m_runs.size());
    auto refill = [&](Cursor& c) {
        const size_t n = std::min(perWindow, c.left);
        c.window.resize(n * m_entryBytes);
        if (n > 0 && !ReadAll(m_fd, c.window.data(), c.window.size(), c.next))
            return false;
        c.next += off_t(n * m_entryBytes);
        c.left -= n;
        c.at = 0;
        c.held = n;
        return true;
    };
    auto current = [&](const Cursor& c) { return c.window.data() + c.at * m_entryBytes; };
    auto later = [&](size_t a, size_t b) {
        return std::memcmp(current(cursors[a]), current(cursors[b]), m_entryBytes) > 0;
    };
    std::priority_queue<size_t, std::vector<size_t>, decltype(later)> heap(later);
    for (size_t i = 0; i < m_runs.size(); ++i) {
        cursors[i].next = m_runs[i].at;
        cursors[i].left = m_runs[i].count;
        if (!refill(cursors[i]))
            return false;
        if (cursors[i].held > 0)
            heap.push(i);
    }
    while (!heap.empty()) {
        const size_t i = heap.top();
        heap.pop();
        Cursor& c = cursors[i];
        if (!take(current(c)))
            return false;
        if (++c.at == c.held && !refill(c))
            return false;
        if (c.at < c.held)
            heap.push(i);
    }
    return true;
}

}   // namespace dbase
