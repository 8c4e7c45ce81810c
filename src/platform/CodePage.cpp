#include "platform/CodePage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

namespace platform {
namespace {

using UpperHalf = std::array<char16_t, 128>;   // characters of bytes 0x80..0xFF

constexpr UpperHalf kCp1252 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,   // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,   // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,   // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,   // 98
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,   // A0
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,   // A8
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,   // B0
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,   // B8
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,   // C0
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,   // C8
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,   // D0
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,   // D8
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,   // E0
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,   // E8
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,   // F0
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,   // F8
};

constexpr UpperHalf kCp437 = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,   // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,   // 88
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,   // 90
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,   // 98
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,   // A0
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,   // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,   // B0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,   // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,   // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,   // C8
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,   // D0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,   // D8
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,   // E0
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,   // E8
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,   // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,   // F8
};

// Character -> byte for the upper half, sorted by character for a binary search.
using ReverseTable = std::array<std::pair<char16_t, unsigned char>, 128>;

constexpr ReverseTable MakeReverse(const UpperHalf& forward)
{
    ReverseTable reverse{};
    for (std::size_t i = 0; i < forward.size(); ++i)
        reverse[i] = {forward[i], static_cast<unsigned char>(0x80 + i)};
    std::sort(reverse.begin(), reverse.end());
    return reverse;
}

constexpr ReverseTable kCp1252Reverse = MakeReverse(kCp1252);
constexpr ReverseTable kCp437Reverse = MakeReverse(kCp437);

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

constexpr char32_t kInvalid = 0xFFFFFFFF;

// Decodes one character at `pos` and advances past it. A malformed sequence
// yields kInvalid and advances past its longest valid-looking prefix (at least
// one byte), so the caller replaces it with exactly one '?'.
char32_t NextChar(std::string_view s, std::size_t& pos)
{
    const auto b0 = static_cast<unsigned char>(s[pos]);
    if (b0 < 0x80) {
        ++pos;
        return b0;
    }
    int length = 0;
    char32_t c = 0;
    char32_t lowest = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2, c = b0 & 0x1F, lowest = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3, c = b0 & 0x0F, lowest = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4, c = b0 & 0x07, lowest = 0x10000;
    } else {
        ++pos;
        return kInvalid;
    }
    std::size_t i = pos + 1;
    for (int k = 1; k < length; ++k, ++i) {
        if (i >= s.size())
            break;
        const auto b = static_cast<unsigned char>(s[i]);
        if ((b & 0xC0) != 0x80)
            break;
        c = (c << 6) | (b & 0x3F);
        // Refuse overlong, surrogate and out-of-range forms as soon as the
        // second byte shows them, so the bad sequence is one '?' wide.
        if (k == 1) {
            if ((b0 == 0xE0 && b < 0xA0) || (b0 == 0xED && b > 0x9F) || (b0 == 0xF0 && b < 0x90) ||
                (b0 == 0xF4 && b > 0x8F))
                break;
        }
        if (k == length - 1) {
            pos = i + 1;
            return c >= lowest ? c : kInvalid;
        }
    }
    pos = std::max(i, pos + 1);
    return kInvalid;
}

std::string Decode(std::string_view bytes, const UpperHalf& table)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80)
            out += ch;
        else
            AppendUtf8(out, table[b - 0x80]);
    }
    return out;
}

std::string Encode(std::string_view text, const ReverseTable& reverse)
{
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char32_t c = NextChar(text, pos);
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        char result = '?';
        if (c <= 0xFFFF) {
            const auto key = static_cast<char16_t>(c);
            const auto it =
                std::lower_bound(reverse.begin(), reverse.end(), key,
                                 [](const auto& entry, char16_t k) { return entry.first < k; });
            if (it != reverse.end() && it->first == key)
                result = static_cast<char>(it->second);
        }
        out += result;
    }
    return out;
}

}   // namespace

std::string Cp1252ToUtf8(std::string_view bytes)
{
    return Decode(bytes, kCp1252);
}
std::string Utf8ToCp1252(std::string_view text)
{
    return Encode(text, kCp1252Reverse);
}
std::string Cp437ToUtf8(std::string_view bytes)
{
    return Decode(bytes, kCp437);
}
std::string Utf8ToCp437(std::string_view text)
{
    return Encode(text, kCp437Reverse);
}

bool IsValidUtf8(std::string_view text)
{
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (NextChar(text, pos) == kInvalid)
            return false;
    }
    return true;
}

std::size_t Utf8CharLength(std::string_view text, std::size_t pos)
{
    if (pos >= text.size())
        return 0;
    std::size_t next = pos;
    return NextChar(text, next) == kInvalid ? 0 : next - pos;
}

}   // namespace platform
