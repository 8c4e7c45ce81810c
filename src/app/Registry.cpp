#include "app/Registry.h"

#include <charconv>
#include <cmath>

#include "app/StringUtils.h"
#include "platform/Ascii.h"

namespace app {

using platform::EqualNoCaseAscii;
using platform::SettingType;
using platform::SettingValue;

namespace {

constexpr std::string_view kTrue = "True";
constexpr std::string_view kFalse = "False";
constexpr std::array<std::string_view, 3> kPaletteNames = {"Day", "Dusk", "Night"};

// Key paths built by callers may carry a trailing backslash (the workspace key
// is joined with AddBackslash) or a doubled one; the store wants neither.
std::string NormaliseKey(std::string_view path)
{
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
        if (c == '\\' && (out.empty() || out.back() == '\\'))
            continue;
        out += c;
    }
    while (!out.empty() && out.back() == '\\')
        out.pop_back();
    return out;
}

std::string JoinKey(std::string_view parent, std::string_view child)
{
    std::string key(parent);
    key += '\\';
    key += child;
    return key;
}

// True when `inner` is `outer` itself or lies anywhere below it.
bool IsSameOrBelow(std::string_view inner, std::string_view outer)
{
    if (inner.size() < outer.size() || !EqualNoCaseAscii(inner.substr(0, outer.size()), outer))
        return false;
    return inner.size() == outer.size() || inner[outer.size()] == '\\';
}

std::string ThreeDigits(std::uint32_t v)
{
    char buf[4] = {char('0' + v / 100), char('0' + v / 10 % 10), char('0' + v % 10), 0};
    return buf;
}

// "ddd ddd ddd": three three-digit numbers 0..255 at fixed places.
// The blank-separated numbers of a text, each as the integer reader takes it
// (a token without a leading number gives 0); missing ones are 0.
std::array<int, 3> ThreeNumbers(std::string_view text)
{
    std::array<int, 3> numbers{};
    std::size_t n = 0;
    std::size_t at = 0;
    while (n < numbers.size() && at < text.size()) {
        const std::size_t blank = text.find(' ', at);
        const std::size_t end = blank == std::string_view::npos ? text.size() : blank;
        if (end > at)
            numbers[n++] = StringToInt(text.substr(at, end - at));
        at = end + 1;
    }
    return numbers;
}

std::string DoubleText(double value)
{
    std::string text = FormatDoubleTrimmed(value);
    if (!std::isfinite(value) || StringToDouble(text) == value)
        return text;
    std::array<char, 1700> buf;   // 309 integer digits, a sign, a point and 1280 decimals
    for (int decimals = 40; decimals <= 1280; decimals *= 2) {
        const auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), value,
                                             std::chars_format::fixed, decimals);
        if (ec != std::errc())
            break;
        std::string wide(buf.data(), end);
        while (wide.back() == '0')
            wide.pop_back();
        if (wide.back() == '.')
            wide += '0';
        if (StringToDouble(wide) == value)
            return wide;
    }
    return text;
}

}   // namespace

std::string FormatPaletteColours(const std::array<std::uint32_t, 3>& colours)
{
    std::string text;
    for (std::size_t i = 0; i < 3; ++i) {
        if (i)
            text += ", ";
        const std::uint32_t c = colours[i];
        text += kPaletteNames[i];
        text += " : ";
        text += ThreeDigits(c & 0xFF) + ' ' + ThreeDigits((c >> 8) & 0xFF) + ' ' +
                ThreeDigits((c >> 16) & 0xFF);
    }
    return text;
}

bool ParsePaletteColours(std::string_view text, std::array<std::uint32_t, 3>& colours)
{
    // Day, Dusk and Night in turn: the eleven characters two past the next
    // colon hold red, green and blue; the next colon looked for is past them.
    std::string_view rest = text;
    for (std::uint32_t& colour : colours) {
        const std::size_t colon = rest.find(':');
        const std::size_t from = colon == std::string_view::npos ? 1 : colon + 2;
        rest = from < rest.size() ? rest.substr(from) : std::string_view();
        const std::array<int, 3> rgb = ThreeNumbers(rest.substr(0, 11));
        colour = (static_cast<std::uint32_t>(rgb[0]) & 0xFF) |
                 (static_cast<std::uint32_t>(rgb[1]) & 0xFF) << 8 |
                 (static_cast<std::uint32_t>(rgb[2]) & 0xFF) << 16;
    }
    return true;
}

bool ParseIntPair(std::string_view text, std::pair<int, int>& xy)
{
    // x is the text before the first comma, y the text after it up to the
    // next one (none: 0), each as the integer reader takes it.
    const std::size_t comma = text.find(',');
    xy.first = StringToInt(text.substr(0, comma));
    if (comma == std::string_view::npos) {
        xy.second = 0;
        return true;
    }
    const std::string_view second = text.substr(comma + 1);
    xy.second = StringToInt(second.substr(0, second.find(',')));
    return true;
}

CRegistry::CRegistry(platform::CSettingsStore& store) : m_store(store) { }

bool CRegistry::OpenKeyForWrite(std::string_view keyPath)
{
    Close();
    std::string key = NormaliseKey(keyPath);
    if (key.empty() || !m_store.CreateKey(key))
        return false;
    m_keyPath = std::move(key);
    m_open = true;
    return true;
}

bool CRegistry::OpenKeyForRead(std::string_view keyPath)
{
    Close();
    std::string key = NormaliseKey(keyPath);
    if (key.empty() || !m_store.KeyExists(key))
        return false;
    m_keyPath = std::move(key);
    m_open = true;
    return true;
}

void CRegistry::Close()
{
    m_open = false;
    m_keyPath.clear();
}

// ---- Writers ----------------------------------------------------------------

bool CRegistry::WriteString(std::string_view name, std::string_view text)
{
    if (!m_open)
        return false;
    m_store.SetString(m_keyPath, name, text);
    return true;
}

bool CRegistry::WriteDWord(std::string_view name, std::uint32_t value)
{
    if (!m_open)
        return false;
    m_store.SetDword(m_keyPath, name, value);
    return true;
}

bool CRegistry::WriteByte(std::string_view name, std::uint8_t value)
{
    return WriteDWord(name, value);
}

bool CRegistry::WriteBinary(std::string_view name, const std::vector<std::uint8_t>& bytes)
{
    if (!m_open)
        return false;
    m_store.SetBinary(m_keyPath, name,
                      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    return true;
}

bool CRegistry::WriteDouble(std::string_view name, double value)
{
    return WriteString(name, DoubleText(value));
}

bool CRegistry::WriteBool(std::string_view name, bool value)
{
    return WriteString(name, value ? kTrue : kFalse);
}

bool CRegistry::WriteLong(std::string_view name, long value)
{
    return WriteString(name, LongToString(value));
}

bool CRegistry::WriteIntPair(std::string_view name, std::pair<int, int> xy)
{
    return WriteString(name, IntToString(xy.first) + "," + IntToString(xy.second));
}

bool CRegistry::WritePaletteColours(std::string_view name,
                                    const std::array<std::uint32_t, 3>& colours)
{
    return WriteString(name, FormatPaletteColours(colours));
}

// ---- Readers ----------------------------------------------------------------

bool CRegistry::ReadText(std::string_view name, std::string& text) const
{
    if (!m_open)
        return false;
    std::optional<std::string> v = m_store.GetString(m_keyPath, name);
    if (!v)
        return false;
    text = std::move(*v);
    return true;
}

bool CRegistry::ReadString(std::string_view name, std::string& text) const
{
    return ReadText(name, text);
}

bool CRegistry::ReadDWord(std::string_view name, std::uint32_t& value) const
{
    if (!m_open)
        return false;
    const std::optional<std::uint32_t> v = m_store.GetDword(m_keyPath, name);
    if (!v)
        return false;
    value = *v;
    return true;
}

bool CRegistry::ReadByte(std::string_view name, std::uint8_t& value) const
{
    std::uint32_t dword = 0;
    if (!ReadDWord(name, dword))
        return false;
    value = static_cast<std::uint8_t>(dword & 0xFF);
    return true;
}

bool CRegistry::ReadBinary(std::string_view name, std::vector<std::uint8_t>& bytes) const
{
    if (!m_open)
        return false;
    const std::optional<std::string> v = m_store.GetBinary(m_keyPath, name);
    if (!v)
        return false;
    bytes.assign(v->begin(), v->end());
    return true;
}

bool CRegistry::ReadDouble(std::string_view name, double& value) const
{
    std::string text;
    if (!ReadText(name, text))
        return false;
    value = StringToDouble(text);
    return true;
}

bool CRegistry::ReadBool(std::string_view name, bool& value) const
{
    std::string text;
    if (!ReadText(name, text))
        return false;
    value = EqualNoCaseAscii(text, kTrue);
    return true;
}

bool CRegistry::ReadLong(std::string_view name, long& value) const
{
    std::string text;
    if (!ReadText(name, text))
        return false;
    value = StringToLong(text);
    return true;
}

bool CRegistry::ReadIntPair(std::string_view name, std::pair<int, int>& xy) const
{
    std::string text;
    return ReadText(name, text) && ParseIntPair(text, xy);
}

bool CRegistry::ReadPaletteColours(std::string_view name,
                                   std::array<std::uint32_t, 3>& colours) const
{
    std::string text;
    return ReadText(name, text) && ParsePaletteColours(text, colours);
}

// ---- Whole trees --------------------------------------------------------------

namespace {

bool CopyTree(platform::CSettingsStore& store, const std::string& from, const std::string& to)
{
    if (!store.KeyExists(from) || !store.CreateKey(to))
        return false;
    // Raw bytes with their type code: a value of a type this program never
    // writes is carried over as it is rather than stopping the copy.
    for (const std::string& name : store.ValueNames(from)) {
        if (std::optional<SettingValue> v = store.GetValue(from, name))
            store.SetValue(to, name, std::move(*v));
    }
    bool ok = true;
    for (const std::string& sub : store.SubKeys(from))
        ok = CopyTree(store, JoinKey(from, sub), JoinKey(to, sub)) && ok;
    return ok;
}

bool FindInTree(const platform::CSettingsStore& store, const std::string& key,
                std::string_view name, std::string_view text, std::string& found)
{
    for (const std::string& sub : store.SubKeys(key))
        if (FindInTree(store, JoinKey(key, sub), name, text, found))
            return true;
    for (const std::string& valueName : store.ValueNames(key)) {
        const std::optional<SettingValue> v = store.GetValue(key, valueName);
        if (!v || v->type != static_cast<std::uint32_t>(SettingType::String))
            continue;
        const bool nameMatches = name.empty() || EqualNoCaseAscii(valueName, name);
        const bool match = text.empty() ? EqualNoCaseAscii(valueName, name)
                                        : EqualNoCaseAscii(v->data, text) && nameMatches;
        if (match) {
            found = key;
            return true;
        }
    }
    return false;
}

}   // namespace

bool CRegistry::CopyKeyTree(std::string_view destPath)
{
    const std::string dest = NormaliseKey(destPath);
    if (!m_open || dest.empty() || IsSameOrBelow(dest, m_keyPath))
        return false;
    return CopyTree(m_store, m_keyPath, dest);
}

bool CRegistry::MoveKeyTree(std::string_view destPath)
{
    if (!CopyKeyTree(destPath))
        return false;
    const bool deleted = m_store.DeleteTree(m_keyPath);
    Close();
    return deleted;
}

bool CRegistry::FindKeyWithValue(std::string_view keyPath, std::string_view name,
                                 std::string_view text, std::string& foundPath) const
{
    const std::string key = NormaliseKey(keyPath);
    if (key.empty() || !m_store.KeyExists(key))
        return false;
    return FindInTree(m_store, key, name, text, foundPath);
}

}   // namespace app
