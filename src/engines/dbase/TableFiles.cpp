#include "engines/dbase/TableFiles.h"
#include "platform/Ascii.h"

#include "platform/Files.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace dbase {

namespace {

constexpr int kMdxBlock = 1024;   // bytes per index block
constexpr int kMdxPage = 512;   // index block numbers count 512-byte pages
constexpr int kMdxTagTable = 544;   // tag table after the file header
constexpr int kMdxMaxTags = 47;
constexpr int kFilterOffset = 0x200;   // filter text in the tag header block
constexpr uint32_t kMaxMemoLength = 64u * 1024 * 1024;   // longer memos are taken for damage

void Put16(unsigned char* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void Put32(unsigned char* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}
uint32_t Get16(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}
uint32_t Get32(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}   // namespace

namespace {

// Moves the whole range with pread or pwrite, continuing after short
// transfers and interrupted calls; false on an error or an early end of file.
template <class Transfer, class Pointer>
bool WholeRange(Transfer transfer, int fd, Pointer p, size_t size, off_t at)
{
    while (size > 0) {
        const ssize_t n = transfer(fd, p, size, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= size_t(n);
        at += n;
    }
    return true;
}

}   // namespace

bool ReadAll(int fd, void* data, size_t size, off_t at)
{
    return WholeRange(::pread, fd, static_cast<char*>(data), size, at);
}

namespace {
std::atomic<uint64_t> g_writesBegun{0};
}

bool WriteAll(int fd, const void* data, size_t size, off_t at)
{
    g_writesBegun.fetch_add(1, std::memory_order_relaxed);
    return WholeRange(::pwrite, fd, static_cast<const char*>(data), size, at);
}

uint64_t WritesBegun()
{
    return g_writesBegun.load(std::memory_order_relaxed);
}

namespace {

void PutToday(unsigned char* p)
{
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    ::localtime_r(&now, &tm);
    p[0] = uint8_t(tm.tm_year);
    p[1] = uint8_t(tm.tm_mon + 1);
    p[2] = uint8_t(tm.tm_mday);
}

std::string BaseName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.resize(dot);
    return name;
}

}   // namespace

bool ValidFieldSpec(const FieldSpec& f)
{
    if (f.name.empty() || f.name.size() > 10)
        return false;
    for (char c : f.name)
        if (!(std::isupper(static_cast<unsigned char>(c)) ||
              std::isdigit(static_cast<unsigned char>(c)) || c == '_'))
            return false;
    switch (f.type) {
    case 'C': return f.width >= 1;
    case 'N':
    case 'F':
        return f.width >= 1 && f.width <= 20 && (f.decimals == 0 || f.decimals + 2 <= f.width);
    case 'D': return f.width == 8;
    case 'L': return f.width == 1;
    case 'M': return f.width == 10;
    default: return false;
    }
}

bool ReadDbfHeader(int fd, DbfHeader& h, std::vector<FieldSpec>& fields)
{
    unsigned char head[32];
    if (!ReadAll(fd, head, 32, 0))
        return false;
    h.version = head[0];
    h.recordCount = Get32(head + 4);
    h.headerLength = uint16_t(Get16(head + 8));
    h.recordLength = uint16_t(Get16(head + 10));
    h.counter = Get32(head + 16);
    h.hasMdx = head[28] != 0;
    h.codePage = head[29];
    if (h.headerLength < 33 || h.recordLength < 1)
        return false;
    std::vector<unsigned char> desc(h.headerLength - 32u);
    if (!ReadAll(fd, desc.data(), desc.size(), 32))
        return false;
    fields.clear();
    for (size_t at = 0; at + 32 <= desc.size() && desc[at] != 0x0D; at += 32) {
        const unsigned char* d = desc.data() + at;
        FieldSpec f;
        size_t len = 0;
        while (len < 11 && d[len] != 0)
            ++len;
        f.name.assign(reinterpret_cast<const char*>(d), len);
        while (!f.name.empty() && f.name.back() == ' ')
            f.name.pop_back();
        for (char& c : f.name)
            c = platform::AsciiUpper(c);
        f.type = platform::AsciiUpper(char(d[11]));
        f.width = d[16];
        f.decimals = d[17];
        if (f.type == 'C') {   // wide text keeps its high byte in the decimals byte
            f.width = uint16_t(d[16] | d[17] << 8);
            f.decimals = 0;
        }
        fields.push_back(f);
    }
    return !fields.empty();
}

bool WriteDbfCounts(int fd, uint32_t recordCount, uint32_t counter, const unsigned char* bytes8to15)
{
    if (bytes8to15) {
        unsigned char head[20];
        PutToday(head + 1);
        Put32(head + 4, recordCount);
        std::memcpy(head + 8, bytes8to15, 8);
        Put32(head + 16, counter);
        return WriteAll(fd, head + 1, 19, 1);
    }
    unsigned char buf[16];
    PutToday(buf + 1);
    Put32(buf + 4, recordCount);
    if (!WriteAll(fd, buf + 1, 7, 1))
        return false;
    Put32(buf, counter);
    return WriteAll(fd, buf, 4, 16);
}

bool WriteEmptyTable(const std::string& base, const std::vector<FieldSpec>& fields,
                     const std::vector<std::string>& indexedFields, bool hasMdx)
{
    if (fields.empty() || fields.size() > 255)
        return false;
    bool memo = false;
    uint32_t recordLength = 1;
    for (const FieldSpec& f : fields) {
        if (!ValidFieldSpec(f))
            return false;
        memo = memo || f.type == 'M';
        recordLength += f.width;
    }
    if (recordLength > 65535)
        return false;
    const uint32_t headerLength = 32 + 32 * uint32_t(fields.size()) + 1;
    std::vector<unsigned char> buf(headerLength + 1, 0);
    buf[0] = memo ? 0x8B : 0x03;
    PutToday(&buf[1]);
    Put16(&buf[8], headerLength);
    Put16(&buf[10], recordLength);
    buf[28] = hasMdx ? 1 : 0;
    buf[29] = 0x03;   // Windows ANSI (code page 1252)
    for (size_t i = 0; i < fields.size(); ++i) {
        unsigned char* d = &buf[32 + 32 * i];
        std::memcpy(d, fields[i].name.data(), fields[i].name.size());
        d[11] = uint8_t(fields[i].type);
        d[16] = uint8_t(fields[i].width & 0xFF);
        d[17] = fields[i].type == 'C' ? uint8_t(fields[i].width >> 8) : uint8_t(fields[i].decimals);
        d[31] = std::find(indexedFields.begin(), indexedFields.end(), fields[i].name) !=
                indexedFields.end();
    }
    buf[headerLength - 1] = 0x0D;
    buf[headerLength] = 0x1A;
    // The memo file first, then the data file whole under its name: a crash
    // part way leaves no table (a memo file alone is written over by the
    // next create), never a data file whose memo file is missing.
    // (Not synced, as no other create is: a rename is enough against a crash
    // of the process.)
    if (memo && !WriteEmptyMemoFile(base + ".dbt", BaseName(base)))
        return false;
    const std::string dbf = base + ".dbf";
    // Locked while it is written, so a sweep of what killed writes left
    // (platform::RemoveLeftoverTempFiles) passes it by.
    const std::filesystem::path dbfPath(dbf);
    const std::filesystem::path folder =
        dbfPath.parent_path().empty() ? std::filesystem::path(".") : dbfPath.parent_path();
    auto made = platform::CreateLockedTempFile(folder, dbfPath.filename().string() + ".tmp-");
    if (!made)
        return false;
    const std::string temp = made->path.string();
    const platform::CFileDescriptor held(::dup(made->fd.Get()));
    const int fd = made->fd.Release();
    bool ok = WriteAll(fd, buf.data(), buf.size(), 0) && ::fchmod(fd, 0644) == 0;
    ok = ::close(fd) == 0 && ok && ::rename(temp.c_str(), dbf.c_str()) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

// ------------------------------------------------------------------ memos

bool WriteEmptyMemoFile(const std::string& path, const std::string& tableName)
{
    unsigned char head[512] = {};
    Put32(head, 1);
    for (size_t i = 0; i < 8 && i < tableName.size(); ++i)
        head[8 + i] = uint8_t(platform::AsciiUpper(tableName[i]));
    head[18] = 0x02;
    head[19] = 0x01;
    Put16(head + 20, 512);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = WriteAll(fd, head, sizeof head, 0);
    ::close(fd);
    return ok;
}

int ReadMemoBlockSize(int memoFd, uint8_t version)
{
    if (version != 0x8B)
        return 512;
    unsigned char head[22];
    if (!ReadAll(memoFd, head, sizeof head, 0))
        return 512;
    const uint32_t size = Get16(head + 20);
    return size >= 64 && size % 64 == 0 ? int(size) : 512;
}

// The 8-byte block header counts in the stored length; two 0x1F bytes after
// the text (outside the length) end it for readers that scan for a mark.
uint32_t BlocksFor(size_t textLength, int blockSize)
{
    return uint32_t((textLength + 10 + blockSize - 1) / blockSize);
}

std::string ReadMemoText(int memoFd, int blockSize, uint32_t block)
{
    if (block == 0 || memoFd < 0)
        return {};
    const off_t at = off_t(block) * blockSize;
    unsigned char head[8];
    if (!ReadAll(memoFd, head, 8, at))
        return {};
    if (head[0] == 0xFF && head[1] == 0xFF && head[2] == 0x08 && head[3] == 0x00) {
        const uint32_t length = Get32(head + 4);
        if (length < 8 || length > kMaxMemoLength)
            return {};
        std::string text(length - 8, '\0');
        if (!ReadAll(memoFd, text.data(), text.size(), at + 8))
            return {};
        return text;
    }
    // The older layout: text up to an end-of-file mark.
    std::string text;
    char buf[512];
    off_t pos = at;
    for (;;) {
        const ssize_t n = ::pread(memoFd, buf, sizeof buf, pos);
        if (n <= 0)
            return text;
        const void* eom = std::memchr(buf, 0x1A, size_t(n));
        if (eom) {
            text.append(buf, size_t(static_cast<const char*>(eom) - buf));
            return text;
        }
        text.append(buf, size_t(n));
        pos += n;
        if (text.size() > kMaxMemoLength)
            return text;
    }
}

uint32_t MemoBlocks(int memoFd, int blockSize, uint32_t block)
{
    unsigned char head[8];
    if (block == 0 || !ReadAll(memoFd, head, 8, off_t(block) * blockSize))
        return 0;
    // A damaged length (below its own header, or beyond any memo we read)
    // counts as unknown, so the blocks are never taken for reuse.
    const uint32_t length = Get32(head + 4);
    if (head[0] == 0xFF && head[1] == 0xFF && head[2] == 0x08 && head[3] == 0x00 && length >= 8 &&
        length <= kMaxMemoLength)
        return BlocksFor(length - 8, blockSize);
    return 0;
}

bool WriteMemoText(int memoFd, int blockSize, uint32_t block, const std::string& text,
                   bool olderLayout)
{
    if (olderLayout) {   // text and two end-of-file marks, as the older memo files keep it
        std::string buf = text + "\x1a\x1a";
        buf.resize((buf.size() + size_t(blockSize) - 1) / size_t(blockSize) * size_t(blockSize),
                   '\0');
        return WriteAll(memoFd, buf.data(), buf.size(), off_t(block) * blockSize);
    }
    const uint32_t blocks = BlocksFor(text.size(), blockSize);
    std::string buf(size_t(blocks) * blockSize, '\0');
    buf[0] = char(0xFF);
    buf[1] = char(0xFF);
    buf[2] = 0x08;
    buf[3] = 0x00;
    Put32(reinterpret_cast<unsigned char*>(buf.data()) + 4, uint32_t(text.size() + 8));
    std::memcpy(buf.data() + 8, text.data(), text.size());
    buf[8 + text.size()] = 0x1F;
    buf[9 + text.size()] = 0x1F;
    return WriteAll(memoFd, buf.data(), buf.size(), off_t(block) * blockSize);
}

uint32_t ReadNextFreeBlock(int memoFd, int blockSize)
{
    // New memos go past every block the file holds, whatever a damaged
    // header says, so they never land on another record's memo.
    unsigned char head[4];
    const uint32_t stored = ReadAll(memoFd, head, 4, 0) ? Get32(head) : 0;
    const off_t size = ::lseek(memoFd, 0, SEEK_END);
    const uint64_t held =
        size > 0 ? (uint64_t(size) + uint64_t(blockSize) - 1) / uint64_t(blockSize) : 1;
    return uint32_t(std::min<uint64_t>(std::max<uint64_t>({stored, held, 1}), UINT32_MAX));
}

bool WriteNextFreeBlock(int memoFd, uint32_t block)
{
    unsigned char head[4];
    Put32(head, block);
    return WriteAll(memoFd, head, 4, 0);
}

// ------------------------------------------------------------------ index

bool ReadMdx(const std::string& path, MdxInfo& info)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    unsigned char head[kMdxTagTable];
    bool ok = ReadAll(fd, head, sizeof head, 0) && head[0] == 2 && Get16(head + 22) == kMdxBlock;
    const uint32_t used = ok ? Get16(head + 28) : 0;
    ok = ok && used <= kMdxMaxTags;
    if (ok)
        info.stamp = Get32(head + 48);
    for (uint32_t i = 0; ok && i < used; ++i) {
        unsigned char entry[32];
        unsigned char tagHead[kMdxBlock];
        ok = ReadAll(fd, entry, 32, kMdxTagTable + 32 * off_t(i)) &&
             ReadAll(fd, tagHead, kMdxBlock, off_t(Get32(entry)) * kMdxPage);
        if (!ok)
            break;
        TagDefinition t;
        t.name.assign(reinterpret_cast<const char*>(entry + 4),
                      strnlen(reinterpret_cast<const char*>(entry + 4), 11));
        t.expression.assign(reinterpret_cast<const char*>(tagHead + 24),
                            strnlen(reinterpret_cast<const char*>(tagHead + 24), 220));
        t.filter.assign(reinterpret_cast<const char*>(tagHead + kFilterOffset),
                        strnlen(reinterpret_cast<const char*>(tagHead + kFilterOffset), 220));
        t.unique = tagHead[23] != 0;
        t.descending = (entry[15] & 0x08) != 0;
        ok = !t.name.empty() && !t.expression.empty();
        info.tags.push_back(t);
    }
    ::close(fd);
    return ok;
}

}   // namespace dbase
