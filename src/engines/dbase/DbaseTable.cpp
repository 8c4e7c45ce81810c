#include "engines/dbase/DbaseTable.h"
#include "platform/Ascii.h"

#include "engines/dbase/KeyExpression.h"
#include "engines/dbase/TableFiles.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace dbase {

namespace {

bool HasExtension(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash) &&
           dot + 1 < path.size();
}

std::string Sibling(const std::string& base, const char* ext)
{
    std::string lower = base + "." + ext;
    if (::access(lower.c_str(), F_OK) == 0)
        return lower;
    std::string upper = base + "." + platform::AsciiUpperCopy(ext);
    if (::access(upper.c_str(), F_OK) == 0)
        return upper;
    return lower;
}

}   // namespace

// ------------------------------------------------------------------ engine

std::unique_ptr<CDbaseTable> CDbaseEngine::Open(const std::string& path)
{
    if (path.empty()) {
        SetError(kErrNoText, 1);
        return nullptr;
    }
    std::unique_ptr<CDbaseTable> table(new CDbaseTable(*this));
    std::string dbf = HasExtension(path) ? path : Sibling(path, "dbf");
    if (table->OpenFiles(dbf) != 0)
        return nullptr;
    return table;
}

std::unique_ptr<CDbaseTable> CDbaseEngine::Create(const std::string& path,
                                                  const std::vector<FieldSpec>& fields,
                                                  const std::vector<TagDefinition>& tags)
{
    if (path.empty()) {
        SetError(kErrNoText, 2);
        return nullptr;
    }
    const std::string base = HasExtension(path) ? path.substr(0, path.find_last_of('.')) : path;
    if (!WriteEmptyTable(base, fields)) {
        SetError(kErrCreate, 3);
        return nullptr;
    }
    ::unlink((base + ".mdx").c_str());
    const bool saveAuto = autoOpenIndex, saveRo = readOnly;
    autoOpenIndex = false;
    readOnly = false;
    auto table = Open(base + ".dbf");
    autoOpenIndex = saveAuto;
    readOnly = saveRo;
    if (!table)
        return nullptr;
    for (const TagDefinition& t : tags) {
        if (table->AddTag(t) != 0) {
            table->Close();
            table.reset();
            ::unlink((base + ".dbf").c_str());
            ::unlink((base + ".dbt").c_str());
            return nullptr;
        }
    }
    if (!tags.empty() && table->RebuildIndex() != 0)
        return nullptr;
    if (!tags.empty() && table->RecoverIndex() != 0)
        return nullptr;
    return table;
}

// ------------------------------------------------------------------ table

CDbaseTable::CDbaseTable(CDbaseEngine& engine) : m_engine(&engine)
{
    engine.Register(this);
}

CDbaseTable::~CDbaseTable()
{
    Close();
    // The engine lists the table from construction on; an engine stopped
    // before it (closing it) has let it go already.
    if (m_engine)
        m_engine->Unregister(this);
}

int CDbaseTable::Fail(int code, int location)
{
    return m_engine ? m_engine->SetError(code, location) : code;
}

int CDbaseTable::OpenFiles(const std::string& dbfPath)
{
    m_dbfPath = dbfPath;
    m_path = dbfPath.substr(0, dbfPath.find_last_of('.'));
    m_readOnly = m_engine->readOnly;
    m_dbtPath = Sibling(m_path, "dbt");
    m_mdxPath = Sibling(m_path, "mdx");
    // The open lock, shared with every other handle, keeps a pack from
    // replacing the files under this one. A pack that was under way when
    // the file was opened has put new files in place since: they are
    // opened instead. A pack a crash cut short is finished or undone first.
    for (int attempt = 0;; ++attempt) {
        m_fd = ::open(dbfPath.c_str(), (m_readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
        if (m_fd < 0)
            return Fail(kErrOpen, 10);
        if (LockRange(kOpenLock, 1, true, F_RDLCK, std::max(m_engine->lockWaitMs, 30000)) != 0)
            return Fail(kErrLockRefused, 12);
        std::string done;
        if (FinishRewrite({m_dbfPath, m_dbtPath, m_mdxPath}, &done))
            m_warnings.push_back(done);
        struct stat mine {
        }, named{};
        if ((::fstat(m_fd, &mine) == 0 && ::stat(dbfPath.c_str(), &named) == 0 &&
             mine.st_ino == named.st_ino && mine.st_dev == named.st_dev) ||
            attempt == 20)
            break;
        ::close(m_fd);
        m_fd = -1;
    }
    if (int rc = LoadHeader(); rc != 0)
        return rc;
    MapHeader();
    for (auto& f : m_fields) {
        if (f->Type() == 'M') {
            m_memoFd = ::open(m_dbtPath.c_str(), (m_readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
            if (m_memoFd < 0)
                return Fail(kErrMemo, 11);
            m_memoBlockSize = ReadMemoBlockSize(m_memoFd, m_version);
            break;
        }
    }
    if (int rc = RepairRecordCount(); rc != 0)
        return rc;
    m_records.Reset(m_fd, m_headerLength, m_recordLength, m_engine->recordCacheBytes);
    if (m_engine->autoOpenIndex && ::access(m_mdxPath.c_str(), F_OK) == 0) {
        if (int rc = OpenIndex(true); rc != 0)
            return rc;
    }
    m_record.assign(m_recordLength, ' ');
    m_pendingMemo.assign(m_fields.size(), std::nullopt);
    m_recNo = 0;
    m_eof = m_bof = true;
    // The data header and the index header were read one after the other
    // without the header lock, so a writer elsewhere may have come between
    // them, and a move that finds the index unchanged trusts the record count.
    // One locked look makes the two agree before the first move.
    if (int rc = BeginRead(); rc != 0)
        return rc;
    EndRead();
    return 0;
}

void CDbaseTable::MapHeader()
{
    if (m_headMap)
        ::munmap(const_cast<unsigned char*>(m_headMap), 4096);
    void* map = ::mmap(nullptr, 4096, PROT_READ, MAP_SHARED, m_fd, 0);
    m_headMap = map == MAP_FAILED ? nullptr : static_cast<const unsigned char*>(map);
}

int CDbaseTable::LoadHeader()
{
    DbfHeader h;
    std::vector<FieldSpec> fieldDefs;
    if (!ReadDbfHeader(m_fd, h, fieldDefs))
        return Fail(kErrData, 20);
    m_version = h.version;
    m_codePage = h.codePage;
    m_headerLength = h.headerLength;
    m_recordLength = h.recordLength;
    m_recCount =
        int32_t(std::min<uint32_t>(h.recordCount, 0x7FFFFFFF));   // LoadAll cuts it to the file
    m_counter = h.counter;
    m_headerCount = h.recordCount;
    if (!ReadAll(m_fd, m_headerMiddle, 8, 8))
        return Fail(kErrData, 24);
    m_fields.clear();
    int offset = 1;
    for (size_t i = 0; i < fieldDefs.size(); ++i) {
        auto f = std::make_unique<CDbaseField>();
        f->m_table = this;
        f->m_spec = fieldDefs[i];
        f->m_number = int(i + 1);
        f->m_offset = offset;
        offset += fieldDefs[i].width;
        m_fields.push_back(std::move(f));
    }
    if (offset != m_recordLength)
        return Fail(kErrData, 21);
    return 0;
}

int32_t CDbaseTable::WholeRecordsInFile() const
{
    const off_t size = ::lseek(m_fd, 0, SEEK_END);
    return int32_t(std::min<off_t>(
        size > m_headerLength ? (size - m_headerLength) / m_recordLength : 0, 0x7FFFFFFF));
}

int CDbaseTable::RepairRecordCount()
{
    if (WholeRecordsInFile() == m_recCount)
        return 0;
    // The count and the file are compared again under the header lock, so a
    // writer elsewhere between its record and its header is never taken for
    // damage.
    const bool locked =
        m_readOnly ? LockRange(kHeaderLock, 1, true, F_RDLCK) == 0 : LockHeader() == 0;
    if (!locked)
        return Fail(kErrLockRefused, 22);
    int rc = 0;
    DbfHeader h;
    std::vector<FieldSpec> fields;
    if (ReadDbfHeader(m_fd, h, fields)) {
        m_headerCount = h.recordCount;
        m_recCount = int32_t(std::min<uint32_t>(h.recordCount, 0x7FFFFFFF));
        m_counter = h.counter;
    }
    const int32_t avail = WholeRecordsInFile();
    if (avail < m_recCount) {
        // More counted than the file holds (outside damage, or a writer of
        // another kind) would let appends land past a gap: the file's own
        // count is taken.
        m_warnings.push_back("the header counts " + std::to_string(m_headerCount) +
                             " records; the file holds " + std::to_string(avail) +
                             (m_readOnly ? ", which are read" : ", the header now says so"));
        m_recCount = avail;
    } else if (avail > m_recCount) {
        // Whole records past the count (a crash between an append and its
        // header write, or another program's count) are kept, never written
        // over: the count is raised to them and the index catches up.
        m_warnings.push_back("the header counts " + std::to_string(m_headerCount) +
                             " records; the file holds " + std::to_string(avail) +
                             " whole records" +
                             (m_readOnly ? ", all of which are read" : ", the header now says so"));
        m_recCount = avail;
    }
    if (!m_readOnly && int64_t(m_headerCount) != m_recCount) {
        if (WriteDbfCounts(m_fd, uint32_t(m_recCount), m_counter + 1))
            ++m_counter;
        else
            rc = Fail(kErrWrite, 23);
    }
    if (m_readOnly)
        UnlockRange(kHeaderLock, 1);
    else
        UnlockHeader();
    return rc;
}

int CDbaseTable::AdoptRecordsPastCount()
{
    // Under the header lock: whole records past the count belong to an append
    // that died before its header write (or to a count lowered elsewhere).
    const int32_t held = WholeRecordsInFile();
    if (held <= m_recCount)
        return 0;
    if (!WriteDbfCounts(m_fd, uint32_t(held), m_counter + 1, m_headerMiddle))
        return Fail(kErrWrite, 25);
    ++m_counter;
    m_recCount = held;
    return 0;
}

int CDbaseTable::Close()
{
    if (m_fd < 0)
        return 0;
    int rc = 0;
    if (!m_readOnly) {
        rc = Flush();
        if (rc == 0)
            rc = SyncIfDue(true);   // what a clean mark claims is on the disk first
        // The last writer to close marks the index clean (it covers the data
        // and holds no unfinished change); while others have it open it stays
        // marked in use.
        if (m_index && LockRange(kPresenceLock, 1, false) == 0 && LockHeader() == 0) {
            Refresh();
            if (!NeedsRepair()) {
                m_index->MutableHeader().clean = true;
                m_index->WriteHeader();
            }
            UnlockHeader();
        }
        UnlockRange(kLockBase, kLockSpan);
        UnlockRange(kPresenceLock, 1);
    }
    m_index.reset();
    if (m_headMap)
        ::munmap(const_cast<unsigned char*>(m_headMap), 4096);
    m_headMap = nullptr;
    ::close(m_fd);
    m_fd = -1;
    if (m_memoFd >= 0)
        ::close(m_memoFd);
    m_memoFd = -1;
    m_tableLocked = m_appendLocked = false;
    m_recordLocks.clear();
    return rc;
}

// ------------------------------------------------------------------ fields

CDbaseField* CDbaseTable::Field(int number)
{
    if (number < 1 || number > int(m_fields.size()))
        return nullptr;
    return m_fields[size_t(number - 1)].get();
}

CDbaseField* CDbaseTable::Field(std::string_view name)
{
    std::string n = platform::AsciiUpperCopy(name);
    while (!n.empty() && n.back() == ' ')
        n.pop_back();
    for (auto& f : m_fields)
        if (f->Name() == n)
            return f.get();
    return nullptr;
}

std::vector<FieldSpec> CDbaseTable::FieldSpecs() const
{
    std::vector<FieldSpec> r;
    for (auto& f : m_fields)
        r.push_back(f->m_spec);
    return r;
}

std::string_view CDbaseField::Bytes() const
{
    return std::string_view(m_table->m_record.data() + m_offset, size_t(m_spec.width));
}

std::string CDbaseField::Text() const
{
    if (m_spec.type == 'M') {
        const auto& pending = m_table->m_pendingMemo[size_t(m_number - 1)];
        if (pending)
            return *pending;
        return m_table->ReadMemo(Bytes());
    }
    return std::string(Bytes());
}

double CDbaseField::AsDouble() const
{
    return ParseNumber(Bytes());
}

bool CDbaseField::MemoDangling() const
{
    if (m_spec.type != 'M')
        return false;
    const double block = ParseNumber(Bytes());
    if (block < 1)
        return false;   // no memo
    if (m_table->m_memoFd < 0)
        return true;
    const off_t size = ::lseek(m_table->m_memoFd, 0, SEEK_END);
    return block * m_table->m_memoBlockSize >= double(size);
}

std::string CDbaseField::MemoProblem() const
{
    if (m_spec.type != 'M')
        return {};
    const double block = ParseNumber(Bytes());
    if (block < 1)
        return {};
    const CDbaseTable& t = *m_table;
    const off_t size = t.m_memoFd >= 0 ? ::lseek(t.m_memoFd, 0, SEEK_END) : 0;
    if (t.m_memoFd < 0 || block * t.m_memoBlockSize >= double(size))
        return "points at block " + std::to_string(uint64_t(block)) +
               ", which the memo file does not hold";
    unsigned char head[8];
    if (!ReadAll(t.m_memoFd, head, 8, off_t(block) * t.m_memoBlockSize))
        return "cannot be read";
    if (head[0] == 0xFF && head[1] == 0xFF && head[2] == 0x08 && head[3] == 0x00) {
        const uint64_t length = uint64_t(head[4]) | uint64_t(head[5]) << 8 |
                                uint64_t(head[6]) << 16 | uint64_t(head[7]) << 24;
        if (length < 8 || length > uint64_t(64) << 20 ||
            off_t(block) * t.m_memoBlockSize + off_t(length) > size)
            return "at block " + std::to_string(uint64_t(block)) + " gives a length of " +
                   std::to_string(length) + " bytes, which no memo there has";
    }
    return {};
}

int CDbaseField::Assign(std::string_view text)
{
    CDbaseTable& t = *m_table;
    if (t.m_readOnly)
        return t.Fail(kErrWrite, 40);
    if (!t.m_appending) {
        if (t.m_recNo < 1 || t.m_recNo > t.m_recCount)
            return t.Fail(kErrMissing, 41);
        if (t.m_engine->lockEnforce && !t.m_tableLocked && !t.m_recordLocks.count(t.m_recNo)) {
            if (t.LockRecord(t.m_recNo) != 0)
                return t.Fail(kErrLockRefused, 42);
        }
    }
    if (m_spec.type == 'M') {
        t.m_pendingMemo[size_t(m_number - 1)] = std::string(text);
    } else {
        char* dst = t.m_record.data() + m_offset;
        const size_t n = std::min(text.size(), size_t(m_spec.width));
        std::memcpy(dst, text.data(), n);
        std::memset(dst + n, ' ', size_t(m_spec.width) - n);
    }
    t.m_changed = true;
    return 0;
}

int CDbaseField::AssignLong(long long value, int digits, bool zeros)
{
    if (digits <= 0)
        digits = m_spec.width;
    char buf[32];
    std::string s(buf, std::to_chars(buf, buf + sizeof buf, value).ptr);
    // As "%0*lld" or "%*lld" pads: zeros after the sign, or blanks before it.
    if (int(s.size()) < digits) {
        const size_t pad = size_t(digits) - s.size();
        if (zeros)
            s.insert(value < 0 ? 1 : 0, pad, '0');
        else
            s.insert(0, pad, ' ');
    }
    if (int(s.size()) > m_spec.width)
        s.assign(size_t(m_spec.width), '*');
    else
        s.insert(0, size_t(m_spec.width) - s.size(), ' ');
    return Assign(s);
}

int CDbaseField::AssignDouble(double value, int width, int decimals)
{
    if (width <= 0 || width > m_spec.width)
        width = m_spec.width;
    std::string s = FormatNumber(value, width, decimals);
    s.insert(0, size_t(m_spec.width) - s.size(), ' ');
    return Assign(s);
}

}   // namespace dbase
