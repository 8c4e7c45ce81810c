#include "platform/SettingsTree.h"

#include "platform/Ascii.h"
#include "platform/CodePage.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <set>

namespace platform::settings {
namespace {

constexpr std::string_view kEndMarker = "#end";
constexpr char kHex[] = "0123456789abcdef";

// Which bytes a field escapes besides '%', control characters and bytes that
// are not well-formed UTF-8.
enum class Field { Section, Name, Text };

bool MustEscape(Field field, unsigned char c, bool first, bool last)
{
    if (c == '%' || c < 0x20 || c == 0x7F)
        return true;
    switch (field) {
    case Field::Section: return c == '[' || c == ']' || c == '\\';
    case Field::Name:
        // '=' ends the name; a leading '[', '#' or ';' would read as a
        // section or comment; edge spaces would not survive a text editor.
        return c == '=' || (first && (c == '[' || c == '#' || c == ';')) ||
               ((first || last) && c == ' ');
    case Field::Text: return last && c == ' ';
    }
    return false;
}

void AppendEscaped(std::string& out, std::string_view s, Field field)
{
    std::size_t pos = 0;
    while (pos < s.size()) {
        const std::size_t length = Utf8CharLength(s, pos);
        const auto c = static_cast<unsigned char>(s[pos]);
        if (length == 0 || (length == 1 && MustEscape(field, c, pos == 0, pos + 1 == s.size()))) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
            ++pos;
        } else {
            out.append(s.substr(pos, length));
            pos += length;
        }
    }
}

std::optional<std::string> Unescape(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        if (i + 2 >= s.size())
            return std::nullopt;
        const int hi = HexDigitValue(s[i + 1]);
        const int lo = HexDigitValue(s[i + 2]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return out;
}

void AppendHex(std::string& out, std::string_view bytes)
{
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        out += kHex[c >> 4];
        out += kHex[c & 0x0F];
    }
}

std::optional<std::string> ParseHex(std::string_view s)
{
    if (s.size() % 2 != 0)
        return std::nullopt;
    std::string out;
    out.reserve(s.size() / 2);
    for (std::size_t i = 0; i < s.size(); i += 2) {
        const int hi = HexDigitValue(s[i]);
        const int lo = HexDigitValue(s[i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
    }
    return out;
}

template <class Int>
std::optional<Int> ParseDecimal(std::string_view s)
{
    Int value{};
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty())
        return std::nullopt;
    return value;
}

std::string_view TrimBlanks(std::string_view s)
{
    const std::size_t first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// A dword as the program writes it (decimal) or as a hand edit may give it
// ("0x10", up to eight hex digits).
std::optional<std::uint32_t> ParseDword(std::string_view s)
{
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        std::uint32_t value = 0;
        const auto [end, ec] = std::from_chars(s.data() + 2, s.data() + s.size(), value, 16);
        if (ec != std::errc() || end != s.data() + s.size())
            return std::nullopt;
        return value;
    }
    return ParseDecimal<std::uint32_t>(s);
}

void WriteValue(std::string& out, const std::string& name, const SettingValue& value)
{
    AppendEscaped(out, name, Field::Name);
    out += '=';
    if (value.type == static_cast<std::uint32_t>(SettingType::String)) {
        out += "str:";
        AppendEscaped(out, value.data, Field::Text);
    } else if (value.type == static_cast<std::uint32_t>(SettingType::Dword) &&
               value.data.size() == 4) {
        std::uint32_t n = 0;
        for (int i = 3; i >= 0; --i)
            n = (n << 8) | static_cast<unsigned char>(value.data[i]);
        out += "dword:";
        out += std::to_string(n);
    } else if (value.type == static_cast<std::uint32_t>(SettingType::Binary)) {
        out += "bin:";
        AppendHex(out, value.data);
    } else {
        // Any other type code (or a number of odd length) is carried through as raw bytes.
        out += "hex(" + std::to_string(value.type) + "):";
        AppendHex(out, value.data);
    }
    out += '\n';
}

void WriteKey(std::string& out, const Key& key, std::string& path)
{
    const std::size_t mark = path.size();
    for (const auto& child : key.children) {
        if (mark)
            path += '\\';
        AppendEscaped(path, child->name, Field::Section);
        out += '[';
        out += path;
        out += "]\n";
        for (const auto& [name, value] : child->values)
            WriteValue(out, name, value);
        WriteKey(out, *child, path);
        path.resize(mark);
    }
}

std::optional<std::string> ParseValueData(std::string_view typeAndData, SettingValue& value)
{
    const std::size_t colon = typeAndData.find(':');
    if (colon == std::string_view::npos)
        return "no type before the value's data";
    const std::string type = FoldedName(TrimBlanks(typeAndData.substr(0, colon)));
    const std::string_view data = typeAndData.substr(colon + 1);
    if (type == "str") {
        auto text = Unescape(data);
        if (!text)
            return "a broken %-escape in the text";
        value = SettingValue::FromString(*text);
    } else if (type == "dword") {
        const auto n = ParseDword(TrimBlanks(data));
        if (!n)
            return "a number that is not a 32-bit unsigned decimal";
        value = SettingValue::FromDword(*n);
    } else if (type == "bin") {
        auto bytes = ParseHex(TrimBlanks(data));
        if (!bytes)
            return "binary data that is not pairs of hex digits";
        value = SettingValue::FromBinary(*bytes);
    } else if (type.size() > 5 && type.substr(0, 4) == "hex(" && type.back() == ')') {
        const auto code = ParseDecimal<std::uint32_t>(type.substr(4, type.size() - 5));
        auto bytes = ParseHex(data);
        if (!code || !bytes)
            return "a raw value with a bad type code or hex data";
        value = SettingValue{*code, std::move(*bytes)};
    } else {
        return "an unknown value type \"" + std::string(type) + "\"";
    }
    return std::nullopt;
}

void AppendFolded(std::string& out, std::string_view name)
{
    for (const char c : name)
        out += AsciiLower(c);
}

// One string per value, equal for every spelling of the same key and name.
std::string ValueId(const Change& change)
{
    std::string key;
    for (const auto part : SplitKeyPath(change.key)) {
        key += '\\';
        AppendFolded(key, part);
    }
    std::string id = std::to_string(key.size()) + ':' + key;
    AppendFolded(id, change.name);
    return id;
}

}   // namespace

std::string FoldedName(std::string_view name)
{
    std::string folded;
    folded.reserve(name.size());
    AppendFolded(folded, name);
    return folded;
}

bool SameName(std::string_view a, std::string_view b)
{
    return EqualNoCaseAscii(a, b);
}

std::vector<std::string_view> SplitKeyPath(std::string_view path)
{
    std::vector<std::string_view> parts;
    while (!path.empty()) {
        const std::size_t sep = path.find('\\');
        const std::string_view part = path.substr(0, sep);
        if (!part.empty())
            parts.push_back(part);
        if (sep == std::string_view::npos)
            break;
        path.remove_prefix(sep + 1);
    }
    return parts;
}

Key* Key::Child(std::string_view childName) const
{
    const auto it = childIndex.find(FoldedName(childName));
    return it == childIndex.end() ? nullptr : it->second;
}

Key& Key::ChildOrNew(std::string_view childName)
{
    std::string folded = FoldedName(childName);
    if (const auto it = childIndex.find(folded); it != childIndex.end())
        return *it->second;
    auto child = std::make_unique<Key>();
    child->name = std::string(childName);
    childIndex.emplace(std::move(folded), child.get());
    children.push_back(std::move(child));
    return *children.back();
}

bool Key::RemoveChild(std::string_view childName)
{
    const auto found = childIndex.find(FoldedName(childName));
    if (found == childIndex.end())
        return false;
    const Key* child = found->second;
    childIndex.erase(found);
    std::erase_if(children, [child](const auto& c) { return c.get() == child; });
    return true;
}

const SettingValue* Key::Value(std::string_view valueName) const
{
    for (const auto& [name, value] : values) {
        if (SameName(name, valueName))
            return &value;
    }
    return nullptr;
}

void Key::Set(std::string_view valueName, SettingValue value)
{
    for (auto& [name, existing] : values) {
        if (SameName(name, valueName)) {
            existing = std::move(value);
            return;
        }
    }
    values.emplace_back(std::string(valueName), std::move(value));
}

bool Key::RemoveValue(std::string_view valueName)
{
    const auto it = std::find_if(values.begin(), values.end(), [&](const auto& entry) {
        return SameName(entry.first, valueName);
    });
    if (it == values.end())
        return false;
    values.erase(it);
    return true;
}

std::unique_ptr<Key> Key::Clone() const
{
    auto copy = std::make_unique<Key>();
    copy->name = name;
    copy->values = values;
    for (const auto& child : children) {
        auto c = child->Clone();
        copy->childIndex.emplace(FoldedName(c->name), c.get());
        copy->children.push_back(std::move(c));
    }
    return copy;
}

std::size_t Key::CountKeys() const
{
    std::size_t count = children.size();
    for (const auto& child : children)
        count += child->CountKeys();
    return count;
}

Key* FindKey(const Key& root, std::string_view path)
{
    const Key* key = &root;
    for (const std::string_view part : SplitKeyPath(path)) {
        key = key->Child(part);
        if (!key)
            return nullptr;
    }
    return const_cast<Key*>(key);
}

Key& CreateKey(Key& root, std::string_view path)
{
    Key* key = &root;
    for (const std::string_view part : SplitKeyPath(path))
        key = &key->ChildOrNew(part);
    return *key;
}

void Apply(Key& root, const Change& change)
{
    switch (change.kind) {
    case Change::Kind::CreateKey: CreateKey(root, change.key); break;
    case Change::Kind::SetValue: CreateKey(root, change.key).Set(change.name, change.value); break;
    case Change::Kind::DeleteValue:
        if (Key* key = FindKey(root, change.key))
            key->RemoveValue(change.name);
        break;
    case Change::Kind::DeleteTree: {
        auto parts = SplitKeyPath(change.key);
        if (parts.empty())
            break;
        const std::string_view leaf = parts.back();
        parts.pop_back();
        Key* parent = &root;
        for (const auto part : parts) {
            parent = parent->Child(part);
            if (!parent)
                return;
        }
        parent->RemoveChild(leaf);
        break;
    }
    }
}

void CompactJournal(std::vector<Change>& journal)
{
    std::set<std::string> overwritten;
    std::vector<bool> keep(journal.size(), true);
    for (std::size_t i = journal.size(); i-- > 0;) {
        const Change& change = journal[i];
        if (change.kind != Change::Kind::SetValue)
            continue;
        if (!overwritten.insert(ValueId(change)).second)
            keep[i] = false;
    }
    std::size_t out = 0;
    for (std::size_t i = 0; i < journal.size(); ++i) {
        if (!keep[i])
            continue;
        if (out != i)   // a self-move would leave the entry's strings unspecified
            journal[out] = std::move(journal[i]);
        ++out;
    }
    journal.resize(out);
}

std::string WriteSettings(const Key& root)
{
    std::string out =
        "# Brinevane settings. Written by the program: edit only while it is closed.\n"
        "# [Key\\Path] opens a key; name=str:text, name=dword:number, name=bin:hex or\n"
        "# name=hex(type):hex set a value; %XX stands for the byte XX; #end closes the file.\n";
    for (const auto& [name, value] : root.values)
        WriteValue(out, name, value);
    std::string path;
    WriteKey(out, root, path);
    out += kEndMarker;
    out += '\n';
    return out;
}

std::optional<ParseError> ParseSettings(std::string_view text, Key& root)
{
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        text.remove_prefix(kByteOrderMark.size());
    Key* current = &root;
    std::size_t lineNumber = 0;
    bool ended = false;
    bool lineEnded = true;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t eol = text.find('\n');
        lineEnded = eol != std::string_view::npos;
        std::string_view line = text.substr(0, eol);
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        // The writer escapes blanks at the ends of names and texts, so blanks
        // found there come from an editor and mean nothing.
        line = TrimBlanks(line);

        if (ended) {
            if (line.empty())
                continue;
            return ParseError{lineNumber, "text after the closing \"#end\" line"};
        }
        if (line == kEndMarker) {
            ended = true;
            continue;
        }
        if (line.empty() || line.front() == '#' || line.front() == ';')
            continue;
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3)
                return ParseError{lineNumber, "a key line that is not [Key\\Path]"};
            current = &root;
            std::string_view path = line.substr(1, line.size() - 2);
            while (true) {
                const std::size_t sep = path.find('\\');
                const auto part = Unescape(path.substr(0, sep));
                if (!part || part->empty())
                    return ParseError{lineNumber, "an empty or badly escaped key name"};
                current = &current->ChildOrNew(*part);
                if (sep == std::string_view::npos)
                    break;
                path.remove_prefix(sep + 1);
            }
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            return ParseError{lineNumber, "a line that is neither a key, a value nor a comment"};
        const auto name = Unescape(TrimBlanks(line.substr(0, eq)));
        if (!name)
            return ParseError{lineNumber, "a badly escaped value name"};
        SettingValue value;
        if (auto problem = ParseValueData(TrimBlanks(line.substr(eq + 1)), value))
            return ParseError{lineNumber, *problem};
        current->Set(*name, std::move(value));
    }
    if (!ended)
        return ParseError{lineNumber + (lineEnded ? 1 : 0),
                          "the file ends early (no closing \"#end\" line)"};
    return std::nullopt;
}

}   // namespace platform::settings
