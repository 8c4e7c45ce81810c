#include "app/StringUtils.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <shared_mutex>

namespace app {

namespace {

struct StringTable {
    std::shared_mutex mutex;
    std::map<unsigned, std::string> texts;
};

StringTable& Table()
{
    static StringTable table;
    return table;
}

bool IsDelimiter(char c, std::string_view delimiters)
{
    return delimiters.find(c) != std::string_view::npos;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Case change of one UTF-8 text: ASCII letters, and the two-byte Latin-1
// letters U+00C0..U+00DE <-> U+00E0..U+00FE (the multiplication and division
// signs excepted), which covers the accented letters of the code pages the
// program's files use.
std::string ChangeCase(std::string_view text, bool upper)
{
    std::string out(text);
    for (size_t i = 0; i < out.size(); ++i) {
        auto c = static_cast<unsigned char>(out[i]);
        if (c < 0x80) {
            if (upper && c >= 'a' && c <= 'z')
                out[i] = static_cast<char>(c - 32);
            else if (!upper && c >= 'A' && c <= 'Z')
                out[i] = static_cast<char>(c + 32);
        } else if (c == 0xC3 && i + 1 < out.size()) {
            auto d = static_cast<unsigned char>(out[i + 1]);
            if (upper && d >= 0xA0 && d <= 0xBE && d != 0xB7)
                out[i + 1] = static_cast<char>(d - 0x20);
            else if (!upper && d >= 0x80 && d <= 0x9E && d != 0x97)
                out[i + 1] = static_cast<char>(d + 0x20);
            ++i;
        }
    }
    return out;
}

}   // namespace

// ---- String table ------------------------------------------------------------

std::string LoadResString(unsigned id)
{
    StringTable& t = Table();
    std::shared_lock lock(t.mutex);
    auto it = t.texts.find(id);
    return it == t.texts.end() ? std::string() : it->second;
}

void SetResString(unsigned id, std::string_view text)
{
    StringTable& t = Table();
    std::unique_lock lock(t.mutex);
    t.texts[id] = std::string(text);
}

void SetResStrings(std::initializer_list<std::pair<unsigned, std::string_view>> texts)
{
    StringTable& t = Table();
    std::unique_lock lock(t.mutex);
    for (const auto& [id, text] : texts)
        t.texts[id] = std::string(text);
}

// ---- Text and case -------------------------------------------------------------

std::string MidString(std::string_view text, int start, int count)
{
    const int len = static_cast<int>(text.size());
    start = std::clamp(start, 0, len);
    count = std::clamp(count, 0, len - start);
    return std::string(text.substr(start, count));
}

int GetStringLength(std::string_view text)
{
    return static_cast<int>(text.size());
}

void DeleteChars(std::string& text, int index, int count)
{
    const int len = static_cast<int>(text.size());
    index = std::clamp(index, 0, len);
    count = std::clamp(count, 0, len - index);
    text.erase(index, count);
}

std::string ToUpper(std::string_view text)
{
    return ChangeCase(text, true);
}

std::string ToLower(std::string_view text)
{
    return ChangeCase(text, false);
}

void LowerCaseList(CStringList& list)
{
    for (std::string& s : list)
        s = ToLower(s);
}

unsigned ByteToUInt(std::uint8_t value)
{
    return value;
}

int DigitValue(char c)
{
    return c - '0';
}

// ---- Filling and trimming ------------------------------------------------------

std::string PadRight(std::string_view text, char fill, int width)
{
    std::string out(text);
    if (static_cast<int>(out.size()) < width)
        out.append(width - out.size(), fill);
    return out;
}

std::string PadRightBlanks(std::string_view text, int width)
{
    return PadRight(text, ' ', width);
}

std::string PadLeft(std::string_view text, char fill, int width)
{
    if (static_cast<int>(text.size()) >= width)
        return std::string(text);
    return std::string(width - text.size(), fill).append(text);
}

std::string PadLeftZeros(std::string_view text, int width)
{
    return PadLeft(text, '0', width);
}

std::string PadLeftBlanks(std::string_view text, int width)
{
    return PadLeft(text, ' ', width);
}

std::string TrimLeftBlanks(std::string_view text)
{
    size_t b = 0;
    while (b < text.size() && IsBlank(text[b]))
        ++b;
    return std::string(text.substr(b));
}

std::string TrimRightBlanks(std::string_view text)
{
    size_t e = text.size();
    while (e > 0 && IsBlank(text[e - 1]))
        --e;
    return std::string(text.substr(0, e));
}

std::string TrimBlanks(std::string_view text)
{
    return TrimLeftBlanks(TrimRightBlanks(text));
}

// ---- Tokens and fields ---------------------------------------------------------

int CountTokens(std::string_view text, std::string_view delimiters)
{
    int count = 0;
    bool inToken = false;
    for (char c : text) {
        const bool delim = IsDelimiter(c, delimiters);
        if (!delim && !inToken)
            ++count;
        inToken = !delim;
    }
    return count;
}

std::string GetToken(int n, std::string_view text, std::string_view delimiters)
{
    if (n < 1)
        return {};
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsDelimiter(text[i], delimiters))
            ++i;
        if (i == text.size())
            break;
        size_t e = i;
        while (e < text.size() && !IsDelimiter(text[e], delimiters))
            ++e;
        if (--n == 0)
            return std::string(text.substr(i, e - i));
        i = e;
    }
    return {};
}

std::string GetField(int n, std::string_view text, std::string_view delimiters)
{
    if (n < 1)
        return {};
    size_t start = 0;
    for (int field = 1;; ++field) {
        size_t e = start;
        while (e < text.size() && !IsDelimiter(text[e], delimiters))
            ++e;
        if (field == n)
            return std::string(text.substr(start, e - start));
        if (e == text.size())
            return {};
        start = e + 1;
    }
}

int SplitFields(std::string_view text, std::string_view delimiters, CStringList& out)
{
    int added = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t e = start;
        while (e < text.size() && !IsDelimiter(text[e], delimiters))
            ++e;
        if (e == start)
            break;
        out.emplace_back(text.substr(start, e - start));
        ++added;
        start = e + 1;
    }
    return added;
}

CStringList SplitCommandLine(std::string_view commandLine)
{
    // Fields 1, 2, ... up to the first empty one, as stored lists are read: a
    // line that begins with a delimiter, or has two in a row, stops there.
    CStringList words;
    SplitFields(commandLine, " /,-", words);
    LowerCaseList(words);
    return words;
}

// ---- Error exception ------------------------------------------------------------

void ThrowError()
{
    throw true;
}

void ThrowIfTrue(std::uint8_t flag)
{
    if (flag != 0)
        ThrowError();
}

void ThrowIfNonZero(std::uint32_t value)
{
    if (value != 0)
        ThrowError();
}

std::string GetVersionText()
{
    return "6.0";
}

}   // namespace app
