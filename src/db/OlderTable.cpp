#include "db/OlderTable.h"
#include "platform/Ascii.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

namespace db {

namespace {

uint32_t Get16(const char* p)
{
    return uint32_t(uint8_t(p[0])) | uint32_t(uint8_t(p[1])) << 8;
}

uint32_t Get32(const char* p)
{
    return Get16(p) | Get16(p + 2) << 16;
}

bool ReadFile(const std::string& path, std::vector<char>& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

std::string Trimmed(std::string_view s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.remove_suffix(1);
    return std::string(s);
}

bool SameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return platform::AsciiUpper(x) == platform::AsciiUpper(y);
           });
}

}   // namespace

bool COlderTable::Refuse(const std::string& path, const std::string& fault)
{
    m_message = "The file " + path + " cannot be taken over: " + fault + ".";
    m_fields.clear();
    m_count = 0;
    return false;
}

bool COlderTable::Open(const std::string& dataPath, const std::string& memoPath)
{
    m_message.clear();
    m_fields.clear();
    m_count = 0;
    if (!ReadFile(dataPath, m_data))
        return Refuse(dataPath, "it cannot be read");
    if (m_data.size() < 32)
        return Refuse(dataPath, "it is not a dBASE table");
    const uint8_t version = uint8_t(m_data[0]);
    if ((version & 0x07) != 3 && (version & 0x07) != 4)
        return Refuse(dataPath, "it is not a dBASE III or IV table");
    const uint32_t count = Get32(&m_data[4]);
    m_headerLength = int(Get16(&m_data[8]));
    m_recordLength = int(Get16(&m_data[10]));
    if (m_headerLength < 33 || size_t(m_headerLength) > m_data.size() || m_recordLength < 2)
        return Refuse(dataPath, "its header is damaged");
    int offset = 1;
    size_t at = 32;
    for (; at + 32 <= size_t(m_headerLength) && m_data[at] != 0x0D; at += 32) {
        const char* d = &m_data[at];
        FieldInfo f;
        size_t len = 0;
        while (len < 11 && d[len] != 0)
            ++len;
        f.name = Trimmed(std::string_view(d, len));
        f.type = platform::AsciiUpper(d[11]);
        f.width = int(uint8_t(d[16]));
        if (f.type == 'C')
            f.width |= int(uint8_t(d[17])) << 8;
        f.offset = offset;
        offset += f.width;
        const bool widthOk =
            f.type == 'C'   ? f.width >= 1
            : f.type == 'D' ? f.width == 8
            : f.type == 'L' ? f.width == 1
            : f.type == 'M' ? f.width == 10
                            : (f.type == 'N' || f.type == 'F') && f.width >= 1 && f.width <= 20;
        if (f.name.empty() || !widthOk)
            return Refuse(dataPath, "its field descriptions are damaged");
        m_fields.push_back(f);
    }
    if (m_fields.empty())
        return Refuse(dataPath, "it has no fields");
    if (at >= size_t(m_headerLength) || m_data[at] != 0x0D || offset != m_recordLength)
        return Refuse(dataPath, "its field descriptions do not match its record length");
    const size_t whole = (m_data.size() - size_t(m_headerLength)) / size_t(m_recordLength);
    if (whole < count)
        return Refuse(dataPath, "it is shorter than its header says");
    m_warning.clear();
    if (whole > count) {
        // Records past the count (a writer that died before its header
        // write, or another program's count) are data all the same.
        m_warning = "The file " + dataPath + " counts " + std::to_string(count) +
                    " records in its header but holds " + std::to_string(whole) +
                    "; all of them were read.";
    }
    if (whole > size_t(INT32_MAX))
        return Refuse(dataPath, "it holds more records than can be read");
    m_count = int(whole);
    m_dbase4Memo = version != 0x83;   // dBASE III memo files keep 512-byte blocks
    const bool memo = std::any_of(m_fields.begin(), m_fields.end(),
                                  [](const FieldInfo& f) { return f.type == 'M'; });
    if (memo && !CheckMemos(memoPath)) {
        m_count = 0;
        m_fields.clear();
        return false;
    }
    return true;
}

bool COlderTable::CheckMemos(const std::string& memoPath)
{
    if (memoPath.empty() || !ReadFile(memoPath, m_memo))
        return Refuse(memoPath.empty() ? std::string("(memo file)") : memoPath,
                      "the memo file is missing");
    if (m_memo.size() < 512)
        return Refuse(memoPath, "it is not a memo file");
    m_blockSize = 512;
    if (m_dbase4Memo) {
        const uint32_t size = Get16(&m_memo[20]);
        if (size >= 64 && size <= 32768 && size % 64 == 0)
            m_blockSize = int(size);
    }
    for (int r = 0; r < m_count; ++r) {
        for (const FieldInfo& f : m_fields) {
            if (f.type != 'M')
                continue;
            std::string text;
            const std::string ref = Trimmed(std::string_view(
                &m_data[size_t(m_headerLength) + size_t(r) * m_recordLength + f.offset],
                size_t(f.width)));
            std::string digits = ref;
            digits.erase(0, digits.find_first_not_of(' '));
            if (digits.empty())
                continue;
            if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 9)
                return Refuse(memoPath,
                              "record " + std::to_string(r + 1) + " has a damaged memo reference");
            const uint32_t block = uint32_t(std::stoul(digits));
            if (block != 0 && !MemoAt(block, text))
                return Refuse(memoPath,
                              "record " + std::to_string(r + 1) + " points outside the memo file");
        }
    }
    return true;
}

bool COlderTable::MemoAt(uint32_t block, std::string& text) const
{
    const uint64_t start = uint64_t(block) * uint64_t(m_blockSize);
    if (start >= m_memo.size())
        return false;
    const char* p = &m_memo[size_t(start)];
    const size_t avail = m_memo.size() - size_t(start);
    if (avail >= 8 && uint8_t(p[0]) == 0xFF && uint8_t(p[1]) == 0xFF && p[2] == 0x08 &&
        p[3] == 0x00) {
        // dBASE IV block: the length counts the eight bytes of its own header.
        const uint32_t length = Get32(p + 4);
        if (length < 8 || length - 8 > avail - 8)
            return false;
        text.assign(p + 8, length - 8);
        return true;
    }
    // dBASE III block: the text runs to the end-of-text mark.
    const char* end = std::find(p, p + avail, char(0x1A));
    text.assign(p, size_t(end - p));
    return true;
}

bool COlderTable::ReadFields(const std::string& dataPath,
                             std::vector<std::pair<std::string, char>>& fields)
{
    fields.clear();
    std::ifstream in(dataPath, std::ios::binary);
    char head[32];
    if (!in.read(head, 32))
        return false;
    const size_t headerLength = Get16(head + 8);
    std::vector<char> desc(headerLength > 32 ? headerLength - 32 : 0);
    if (!in.read(desc.data(), std::streamsize(desc.size())))
        return false;
    for (size_t at = 0; at + 32 <= desc.size() && desc[at] != 0x0D; at += 32) {
        size_t len = 0;
        while (len < 11 && desc[at + len] != 0)
            ++len;
        std::string name = Trimmed(std::string_view(&desc[at], len));
        for (char& c : name)
            c = platform::AsciiUpper(c);
        fields.emplace_back(name, platform::AsciiUpper(desc[at + 11]));
    }
    return !fields.empty();
}

int COlderTable::FieldIndex(std::string_view name) const
{
    for (size_t i = 0; i < m_fields.size(); ++i)
        if (SameName(m_fields[i].name, name))
            return int(i);
    return -1;
}

bool COlderTable::Deleted(int record) const
{
    if (record < 0 || record >= m_count)
        return true;
    return m_data[size_t(m_headerLength) + size_t(record) * m_recordLength] == '*';
}

std::string COlderTable::Text(int record, std::string_view name) const
{
    const int i = FieldIndex(name);
    if (i < 0 || record < 0 || record >= m_count)
        return {};
    const FieldInfo& f = m_fields[size_t(i)];
    const std::string bytes = Trimmed(std::string_view(
        &m_data[size_t(m_headerLength) + size_t(record) * m_recordLength + f.offset],
        size_t(f.width)));
    if (f.type != 'M')
        return bytes;
    std::string digits = bytes;
    digits.erase(0, digits.find_first_not_of(' '));
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos ||
        digits.size() > 9)
        return {};
    const uint32_t block = uint32_t(std::stoul(digits));
    std::string text;
    if (block == 0 || !MemoAt(block, text))
        return {};
    return Trimmed(text);
}

}   // namespace db
