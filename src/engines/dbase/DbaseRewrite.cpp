// CDbaseTable: pack and memo compress, which write the table afresh beside
// the old one and put it in place by rename, so a crash at any moment leaves
// the old table or the new one, whole.
//
// The new files are written under temporary names ("<file>~new") and synced;
// then a mark ("<data file>~swap") is written and synced, which says every
// temporary is complete; then each temporary is renamed over its original
// and the mark removed. An open that finds the mark finishes the renames; one
// that finds temporaries without it removes them (the rewrite never got as
// far as the mark). A rewrite needs the table alone: every handle shares the
// open lock while it has the table open, and a pack or memo compress that
// cannot take it alone is refused.
#include "engines/dbase/DbaseTable.h"

#include "engines/dbase/KeyExpression.h"
#include "engines/dbase/TableFiles.h"
#include "platform/Files.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace dbase {

namespace fs = std::filesystem;

namespace {

std::string Temporary(const std::string& file)
{
    return file + "~new";
}

std::string SwapMark(const std::string& dbfPath)
{
    return dbfPath + "~swap";
}

bool Exists(const std::string& path)
{
    return ::access(path.c_str(), F_OK) == 0;
}

std::string Folder(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

bool SyncAndClose(int fd)
{
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
}

bool SetLock(int fd, short type, off_t start, off_t len)
{
    struct flock fl { };
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = start;
    fl.l_len = len;
    return ::fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

uint32_t BlockNumberOf(std::string_view text)
{
    const double d = ParseNumber(text);
    return d >= 1 && d < 4294967295.0 ? uint32_t(d) : 0;
}

// "<pid>-<n>" of a process that no longer runs.
bool IsDeadProcessMark(const std::string& tail)
{
    const size_t dash = tail.find('-');
    if (dash == 0 || dash == std::string::npos || tail.find_first_not_of("0123456789") != dash)
        return false;
    const long pid = std::strtol(tail.c_str(), nullptr, 10);
    return pid > 0 && pid != ::getpid() && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

}   // namespace

bool FinishRewrite(const std::vector<std::string>& files, std::string* done)
{
    // files[0] is the data file; the mark beside it tells the temporaries
    // are whole.
    const std::string mark = SwapMark(files.front());
    const bool marked = Exists(mark);
    bool any = false;
    for (const std::string& f : files) {
        const std::string temp = Temporary(f);
        if (!Exists(temp))
            continue;
        any = true;
        if (marked)
            ::rename(temp.c_str(), f.c_str());
        else
            ::unlink(temp.c_str());
    }
    if (marked) {
        platform::SyncFolder(Folder(mark));
        ::unlink(mark.c_str());
        any = true;
    }
    // A kill while a temporary or the mark was being written leaves the
    // platform's own temporary beside it ("<name>.tmp-XXXXXX"). Only a
    // rewrite, which holds the table alone, makes these.
    std::vector<std::string> prefixes = {fs::path(mark).filename().string() + ".tmp-"};
    for (const std::string& f : files)
        prefixes.push_back(fs::path(Temporary(f)).filename().string() + ".tmp-");
    // A rebuilt index is named "<index>.tmp-<pid>-<n>" a moment before it
    // replaces the old one: a process killed in that moment leaves it. Only
    // a dead process's is removed; a live one may be about to rename its own.
    std::vector<std::string> named;
    for (const std::string& f : files)
        named.push_back(fs::path(f).filename().string() + ".tmp-");
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(Folder(mark), ec)) {
        const std::string name = e.path().filename().string();
        for (const std::string& p : prefixes)
            if (name.compare(0, p.size(), p) == 0 && fs::remove(e.path(), ec))
                any = true;
        for (const std::string& p : named)
            if (name.compare(0, p.size(), p) == 0 && IsDeadProcessMark(name.substr(p.size())))
                fs::remove(e.path(), ec);
    }
    if (any && done)
        *done = marked ? "a pack or memo compress cut short after its files were written was "
                         "finished"
                       : "the files of a pack or memo compress cut short were removed; the table "
                         "is as it was before";
    return any;
}

int CDbaseTable::BeginRewrite(int location, bool& took, bool alone)
{
    if (m_readOnly)
        return Fail(kErrWrite, location);
    took = !m_tableLocked;
    if (took && Lock() != 0)
        return Fail(kErrLockRefused, location + 1);
    // Alone: no other handle, here or elsewhere, has the table open, so
    // none is left reading files that are no longer the table's.
    if (alone && LockRange(kOpenLock, 1, false) != 0) {
        if (took)
            Unlock();
        return Fail(kErrShared, location + 2);
    }
    const int rc = Flush();
    if (rc != 0) {
        if (alone)
            LockRange(kOpenLock, 1, false, F_RDLCK);
        if (took)
            Unlock();   // a failed flush must not leave the table locked
    }
    return rc;
}

int CDbaseTable::StartRewrite(int& newFd)
{
    // The new data file starts as a copy of the header; it carries this
    // handle's locks from the start, so whoever opens it once it is in
    // place sees them.
    struct stat st { };
    ::fstat(m_fd, &st);
    const std::string temp = Temporary(m_dbfPath);
    newFd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, st.st_mode & 07777);
    if (newFd < 0)
        return Fail(kErrCreate, 160);
    std::vector<char> header(m_headerLength);
    bool ok = ReadAll(m_fd, header.data(), header.size(), 0) &&
              WriteAll(newFd, header.data(), header.size(), 0);
    ok = ok && SetLock(newFd, F_RDLCK, kOpenLock, 1) && SetLock(newFd, F_RDLCK, kPresenceLock, 1) &&
         (!m_tableLocked || SetLock(newFd, F_WRLCK, kLockBase, kLockSpan));
    if (!ok) {
        ::close(newFd);
        newFd = -1;
        ::unlink(temp.c_str());
        return Fail(kErrWrite, 161);
    }
    return 0;
}

int CDbaseTable::CommitRewrite(int newFd, int32_t count, const std::vector<std::string>& files)
{
    // The new data file's end mark and header, synced with everything else
    // before the mark says the set is whole.
    const char eof = 0x1A;
    bool ok = WriteAll(newFd, &eof, 1, m_headerLength + off_t(count) * m_recordLength) &&
              WriteDbfCounts(newFd, uint32_t(count), m_counter + 1, m_headerMiddle) &&
              ::fsync(newFd) == 0;
    ok = ok && platform::WriteFileAtomically(SwapMark(m_dbfPath), "", nullptr, 0644);
    if (!ok) {
        ::close(newFd);
        FinishRewrite(files, nullptr);   // no mark: the temporaries go
        return Fail(kErrWrite, 162);
    }
    FinishRewrite(files, nullptr);   // the mark: the temporaries take their places
    // This handle goes on with the new files; its locks on the old ones go
    // with the old descriptor.
    ::close(m_fd);
    m_fd = newFd;
    MapHeader();
    m_counter = m_counter + 1;
    m_recCount = count;
    m_headerCount = uint32_t(count);
    m_records.Reset(m_fd, m_headerLength, m_recordLength, m_engine->recordCacheBytes);
    m_recordLocks.clear();
    m_appendLocked = false;
    m_sharedHeld = false;
    return 0;
}

int CDbaseTable::Pack()
{
    bool took = false;
    if (int rc = BeginRewrite(100, took, true); rc != 0)
        return rc;
    int newFd = -1;
    int rc = StartRewrite(newFd);
    // Live records copied in large reads and writes.
    const int32_t chunk = int32_t(std::max<size_t>((size_t(1) << 20) / m_recordLength, 1));
    std::vector<char> buf, kept;
    int32_t count = 0;
    for (int32_t first = 1; rc == 0 && first <= m_recCount; first += chunk) {
        const int32_t n = std::min(chunk, m_recCount - first + 1);
        buf.resize(size_t(n) * m_recordLength);
        if (!ReadAll(m_fd, buf.data(), buf.size(),
                     m_headerLength + off_t(first - 1) * m_recordLength)) {
            rc = Fail(kErrRead, 101);
            break;
        }
        kept.clear();
        for (int32_t i = 0; i < n; ++i) {
            const char* rec = buf.data() + size_t(i) * m_recordLength;
            if (rec[0] != '*')
                kept.insert(kept.end(), rec, rec + m_recordLength);
        }
        if (!kept.empty() && !WriteAll(newFd, kept.data(), kept.size(),
                                       m_headerLength + off_t(count) * m_recordLength))
            rc = Fail(kErrWrite, 102);
        count += int32_t(kept.size() / m_recordLength);
    }
    std::vector<std::string> files = {m_dbfPath};
    const bool indexed = m_index && !m_tags.empty();
    if (indexed) {
        files.push_back(m_mdxPath);
        if (rc == 0)
            rc = WriteIndexFrom(newFd, count, Temporary(m_mdxPath));
    }
    if (rc == 0) {
        rc = CommitRewrite(newFd, count, files);
    } else if (newFd >= 0) {
        ::close(newFd);
        FinishRewrite(files, nullptr);
    }
    if (rc == 0 && indexed) {
        m_index.reset();
        m_cursor.Reset();
        rc = UseIndexFile();
        if (rc == 0 && LockHeader() == 0) {
            m_index->MutableHeader().clean = false;   // a writer has it open
            m_index->WriteHeader();
            UnlockHeader();
        }
    }
    LockRange(kOpenLock, 1, false, F_RDLCK);
    if (took)
        Unlock();
    if (rc == 0)
        Top();
    return rc;
}

int CDbaseTable::MemoCompress()
{
    if (m_memoFd < 0)
        return 0;
    bool took = false;
    if (int rc = BeginRewrite(110, took, true); rc != 0)
        return rc;
    int newFd = -1;
    int rc = StartRewrite(newFd);
    // The memo file afresh: its header block, then each record's memos one
    // after another in record order.
    struct stat st { };
    ::fstat(m_memoFd, &st);
    const std::string memoTemp = Temporary(m_dbtPath);
    const int memoFd = rc == 0 ? ::open(memoTemp.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC,
                                        st.st_mode & 07777)
                               : -1;
    if (rc == 0 && memoFd < 0)
        rc = Fail(kErrCreate, 111);
    const size_t headBytes = size_t(std::max(m_memoBlockSize, 512));
    std::vector<char> head(headBytes, '\0');
    if (rc == 0 &&
        (!ReadAll(m_memoFd, head.data(), std::min<size_t>(headBytes, size_t(st.st_size)), 0) ||
         !WriteAll(memoFd, head.data(), head.size(), 0)))
        rc = Fail(kErrWrite, 112);
    const bool older = m_version != 0x8B;
    uint32_t next = uint32_t((headBytes + size_t(m_memoBlockSize) - 1) / size_t(m_memoBlockSize));
    std::vector<char> rec(m_recordLength);
    for (int32_t r = 1; rc == 0 && r <= m_recCount; ++r) {
        const char* stored = RecordAt(r);
        if (!stored) {
            rc = Fail(kErrRead, 113);
            break;
        }
        std::memcpy(rec.data(), stored, m_recordLength);
        for (auto& f : m_fields) {
            if (f->Type() != 'M')
                continue;
            char* field = rec.data() + f->m_offset;
            const uint32_t block = BlockNumberOf(std::string_view(field, 10));
            const std::string text =
                block ? ReadMemoText(m_memoFd, m_memoBlockSize, block) : std::string();
            char text10[16];
            if (text.empty()) {
                std::memset(text10, ' ', 10);
            } else {
                if (!WriteMemoText(memoFd, m_memoBlockSize, next, text, older)) {
                    rc = Fail(kErrWrite, 114);
                    break;
                }
                std::snprintf(text10, sizeof text10, "%10u", next);
                next += BlocksFor(text.size() + 2, m_memoBlockSize);
            }
            std::memcpy(field, text10, 10);
        }
        if (rc == 0 && !WriteAll(newFd, rec.data(), rec.size(),
                                 m_headerLength + off_t(r - 1) * m_recordLength))
            rc = Fail(kErrWrite, 115);
    }
    if (rc == 0 && (!WriteNextFreeBlock(memoFd, next) ||
                    ::ftruncate(memoFd, off_t(next) * m_memoBlockSize) != 0))
        rc = Fail(kErrWrite, 116);
    if (memoFd >= 0 && !SyncAndClose(memoFd) && rc == 0)
        rc = Fail(kErrWrite, 117);
    const std::vector<std::string> files = {m_dbfPath, m_dbtPath};
    if (rc == 0) {
        rc = CommitRewrite(newFd, m_recCount, files);
    } else if (newFd >= 0) {
        ::close(newFd);
        FinishRewrite(files, nullptr);
    }
    if (rc == 0) {
        const int reopened = ::open(m_dbtPath.c_str(), O_RDWR | O_CLOEXEC);
        if (reopened < 0) {
            rc = Fail(kErrMemo, 118);
        } else {
            ::close(m_memoFd);
            m_memoFd = reopened;
        }
    }
    LockRange(kOpenLock, 1, false, F_RDLCK);
    if (m_recNo >= 1 && m_recNo <= m_recCount && !m_changed)
        LoadRecord(m_recNo);
    if (took)
        Unlock();
    return rc;
}

}   // namespace dbase
