#include "engines/dbase/MdxWriter.h"

#include "engines/dbase/TableFiles.h"
#include "platform/Ascii.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dbase {

namespace {

constexpr int kBlock = 1024;
constexpr int kPage = 512;   // block numbers count 512-byte pages
constexpr int kTagTable = 544;
constexpr size_t kMaxTags = 47;
constexpr int kFilterOffset = 0x200;
constexpr size_t kOutBlocks = 256;   // written in runs of this many blocks

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
uint32_t Get32(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void PutToday(unsigned char* p)
{
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    ::localtime_r(&now, &tm);
    p[0] = uint8_t(tm.tm_year);
    p[1] = uint8_t(tm.tm_mon + 1);
    p[2] = uint8_t(tm.tm_mday);
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".")
           : slash == 0               ? std::string("/")
                                      : path.substr(0, slash);
}

void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}   // namespace

CMdxWriter::CMdxWriter(std::string path, std::string tableName, uint32_t stamp)
    : m_path(std::move(path)), m_tableName(std::move(tableName)), m_stamp(stamp)
{ }

CMdxWriter::~CMdxWriter()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_done && !m_tempName.empty())
        ::unlink(m_tempName.c_str());
}

bool CMdxWriter::Open()
{
    const std::string folder = FolderOf(m_path);
    m_fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0644);
    if (m_fd < 0) {
        std::string name = m_path + ".tmp-XXXXXX";
        m_fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (m_fd < 0)
            return m_ok = false;
        m_tempName = name;
    }
    m_head.assign(3 * kBlock, 0);
    m_nextPage = m_outPage = 3 * kBlock / kPage;
    return true;
}

uint32_t CMdxWriter::Append(const Block& b)
{
    const uint32_t page = m_nextPage;
    m_nextPage += kBlock / kPage;
    m_out.insert(m_out.end(), b.begin(), b.end());
    if (m_out.size() >= kOutBlocks * kBlock)
        Flush();
    return page;
}

bool CMdxWriter::Flush()
{
    if (!m_out.empty() && m_ok)
        m_ok = WriteAll(m_fd, m_out.data(), m_out.size(), off_t(m_outPage) * kPage);
    m_outPage += uint32_t(m_out.size() / kPage);
    m_out.clear();
    return m_ok;
}

bool CMdxWriter::BeginTag(const TagDefinition& definition, char keyType, int keyLength)
{
    const size_t t = m_tagPages.size();
    if (m_fd < 0 || t >= kMaxTags || keyLength < 1 || keyLength > 100)
        return m_ok = false;
    m_keyLength = keyLength;
    m_itemLength = (keyLength + 4 + 3) / 4 * 4;
    m_maxKeys = (kBlock - 12) / m_itemLength;
    m_leaf.fill(0);
    m_inLeaf = 0;
    m_anyLeaf = false;
    m_levels.clear();
    m_levelWritten.clear();

    // The tag header block: its place now, its bytes when the tree is done.
    Block th{};
    th[8] = 0x10;
    th[9] = uint8_t(keyType);
    Put16(th.data() + 12, uint32_t(keyLength));
    Put16(th.data() + 14, uint32_t(m_maxKeys));
    Put16(th.data() + 18, uint32_t(m_itemLength));
    th[23] = definition.unique ? 0x40 : 0;
    std::memcpy(th.data() + 24, definition.expression.data(),
                std::min<size_t>(definition.expression.size(), 219));
    std::memcpy(th.data() + kFilterOffset, definition.filter.data(),
                std::min<size_t>(definition.filter.size(), 219));
    m_tagPages.push_back(Append(Block{}));
    m_tagHeads.push_back(th);
    m_keyCounts.push_back(0);

    unsigned char* entry = m_head.data() + kTagTable + 32 * t;
    Put32(entry, m_tagPages.back());
    std::memcpy(entry + 4, definition.name.data(), std::min<size_t>(definition.name.size(), 10));
    entry[15] = uint8_t(0x10 | (definition.descending ? 0x08 : 0));
    entry[19] = 0x02;
    entry[20] = uint8_t(keyType);
    return m_ok;
}

bool CMdxWriter::Add(std::string_view stored, uint32_t recNo)
{
    if (m_inLeaf == uint32_t(m_maxKeys) && !EmitLeaf())
        return false;
    unsigned char* item = m_leaf.data() + 8 + size_t(m_inLeaf) * size_t(m_itemLength);
    Put32(item, recNo);
    std::memcpy(item + 4, stored.data(), std::min(stored.size(), size_t(m_keyLength)));
    m_lastKey.assign(stored.substr(0, size_t(m_keyLength)));
    ++m_inLeaf;
    ++m_keyCounts.back();
    return m_ok;
}

bool CMdxWriter::EmitLeaf()
{
    Put32(m_leaf.data(), m_inLeaf);
    const uint32_t page = Append(m_leaf);
    m_anyLeaf = true;
    m_leaf.fill(0);
    m_inLeaf = 0;
    return AddChild(0, {page, m_lastKey});
}

bool CMdxWriter::AddChild(size_t level, Child child)
{
    if (m_levels.size() <= level) {
        m_levels.resize(level + 1);
        m_levelWritten.resize(level + 1, false);
    }
    m_levels[level].push_back(std::move(child));
    if (m_levels[level].size() == size_t(m_maxKeys) + 1)
        return EmitBranch(level);
    return m_ok;
}

bool CMdxWriter::EmitBranch(size_t level)
{
    // Each entry points to a child and carries its last key; the last child
    // sits in the pointer after the entries.
    std::vector<Child> children = std::move(m_levels[level]);
    m_levels[level].clear();
    m_levelWritten[level] = true;
    Block b{};
    const size_t n = children.size();
    Put32(b.data(), uint32_t(n - 1));
    for (size_t i = 0; i + 1 < n; ++i) {
        unsigned char* item = b.data() + 8 + i * size_t(m_itemLength);
        Put32(item, children[i].page);
        std::memcpy(item + 4, children[i].lastKey.data(),
                    std::min(children[i].lastKey.size(), size_t(m_keyLength)));
    }
    Put32(b.data() + 8 + (n - 1) * size_t(m_itemLength), children[n - 1].page);
    const uint32_t page = Append(b);
    return AddChild(level + 1, {page, children[n - 1].lastKey});
}

bool CMdxWriter::EndTag()
{
    if (m_inLeaf > 0 || !m_anyLeaf)
        EmitLeaf();
    // Up the levels: the top one holding a single child that no branch of
    // its level was written before is the root; every other level's
    // unfinished branch is written, as a full tree built level by level
    // would have it.
    uint32_t root = 0;
    for (size_t level = 0; m_ok && level < m_levels.size(); ++level) {
        const bool top = level + 1 == m_levels.size();
        if (top && !m_levelWritten[level] && m_levels[level].size() == 1) {
            root = m_levels[level].front().page;
            break;
        }
        if (!m_levels[level].empty())
            EmitBranch(level);
    }
    Put32(m_tagHeads.back().data(), root);
    return m_ok;
}

bool CMdxWriter::Finish(uint32_t coverage)
{
    if (!Flush())
        return false;
    const uint32_t pages = m_nextPage;
    unsigned char* head = m_head.data();
    head[0] = 2;
    PutToday(head + 1);
    const std::string name = m_tableName.substr(0, 16);
    for (size_t i = 0; i < name.size(); ++i)
        head[4 + i] = uint8_t(platform::AsciiUpper(name[i]));
    Put16(head + 20, kBlock / kPage);
    Put16(head + 22, kBlock);
    head[24] = 1;
    head[25] = 48;
    head[26] = 32;
    Put16(head + 28, uint32_t(m_tagPages.size()));
    Put32(head + 32, pages);
    Put32(head + 36, pages);
    PutToday(head + 44);
    Put32(head + 48, m_stamp);
    // Our state in the reserved bytes (see CIndexFile): marker, coverage,
    // closed cleanly, change counter 2 (even: no change under way), each
    // tag's key count.
    std::memcpy(head + 52, "IXC1", 4);
    Put32(head + 56, coverage);
    head[60] = 1;
    Put32(head + 64, 2);
    for (size_t t = 0; t < m_keyCounts.size(); ++t)
        Put32(head + 96 + 4 * t, m_keyCounts[t]);
    for (size_t t = 0; t < m_tagHeads.size() && m_ok; ++t) {
        Put32(m_tagHeads[t].data() + 4, pages);
        m_ok = WriteAll(m_fd, m_tagHeads[t].data(), kBlock, off_t(m_tagPages[t]) * kPage);
    }
    m_ok = m_ok && WriteAll(m_fd, head, m_head.size(), 0) && ::fsync(m_fd) == 0;
    if (!m_ok)
        return false;
    struct stat old { };
    ::fchmod(m_fd, ::stat(m_path.c_str(), &old) == 0 ? old.st_mode & 07777 : 0644);
    if (m_tempName.empty()) {
        // Named at last: under a temporary name, then over the old file.
        char proc[64];
        std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", m_fd);
        for (int attempt = 0; m_tempName.empty() && attempt < 100; ++attempt) {
            char suffix[32];
            std::snprintf(suffix, sizeof suffix, ".tmp-%d-%d", int(::getpid()), attempt);
            const std::string name = m_path + suffix;
            if (::linkat(AT_FDCWD, proc, AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
                m_tempName = name;
            else if (errno != EEXIST)
                return m_ok = false;
        }
        if (m_tempName.empty())
            return m_ok = false;
    }
    if (::rename(m_tempName.c_str(), m_path.c_str()) != 0)
        return m_ok = false;
    m_done = true;
    SyncFolder(FolderOf(m_path));
    return true;
}

}   // namespace dbase
