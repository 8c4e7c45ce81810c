#include "engines/dbase/KeyExpression.h"
#include "platform/Ascii.h"

#include "platform/LocaleFreeNumbers.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <endian.h>

namespace dbase {

struct CKeyExpression::Node {
    enum class Kind {
        Field,
        Str,
        Dtos,
        Left,
        Upper,
        Concat,
        Deleted,
        Not,
        And,
        Or,
        NumberLit,
        TextLit
    };
    Kind kind;
    char type = 'C';
    int length = 0;
    const FieldSlot* field = nullptr;
    FieldSlot fieldCopy{};
    int width = 10, decimals = 0;
    double number = 0;
    std::string text;
    std::vector<std::unique_ptr<Node>> args;
};

namespace {

using Node = CKeyExpression::Node;

class CParser {
public:
    CParser(std::string_view text, const std::vector<FieldSlot>& fields)
        : m_text(text), m_fields(fields)
    { }

    std::unique_ptr<Node> ParseAll()
    {
        auto node = ParseOr();
        SkipBlanks();
        if (!node || m_pos != m_text.size())
            return nullptr;
        return node;
    }

private:
    void SkipBlanks()
    {
        while (m_pos < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_pos])))
            ++m_pos;
    }
    bool Accept(std::string_view token)
    {
        SkipBlanks();
        if (m_text.size() - m_pos < token.size())
            return false;
        for (size_t i = 0; i < token.size(); ++i)
            if (platform::AsciiUpper(m_text[m_pos + i]) != token[i])
                return false;
        m_pos += token.size();
        return true;
    }
    std::string Identifier()
    {
        SkipBlanks();
        std::string id;
        while (m_pos < m_text.size() &&
               (std::isalnum(static_cast<unsigned char>(m_text[m_pos])) || m_text[m_pos] == '_'))
            id += platform::AsciiUpper(m_text[m_pos++]);
        return id;
    }

    std::unique_ptr<Node> ParseOr()
    {
        auto left = ParseAnd();
        while (left && Accept(".OR.")) {
            auto right = ParseAnd();
            if (!right || left->type != 'L' || right->type != 'L')
                return nullptr;
            left = Binary(Node::Kind::Or, std::move(left), std::move(right), 'L');
        }
        return left;
    }
    std::unique_ptr<Node> ParseAnd()
    {
        auto left = ParseNot();
        while (left && Accept(".AND.")) {
            auto right = ParseNot();
            if (!right || left->type != 'L' || right->type != 'L')
                return nullptr;
            left = Binary(Node::Kind::And, std::move(left), std::move(right), 'L');
        }
        return left;
    }
    std::unique_ptr<Node> ParseNot()
    {
        if (Accept(".NOT.")) {
            auto inner = ParseNot();
            if (!inner || inner->type != 'L')
                return nullptr;
            auto n = std::make_unique<Node>();
            n->kind = Node::Kind::Not;
            n->type = 'L';
            n->args.push_back(std::move(inner));
            return n;
        }
        return ParseConcat();
    }
    std::unique_ptr<Node> ParseConcat()
    {
        auto left = ParsePrimary();
        while (left && Accept("+")) {
            auto right = ParsePrimary();
            // Only texts join; dates in a joined key go through DTOS().
            if (!right || left->type != 'C' || right->type != 'C')
                return nullptr;
            const int length = left->length + right->length;
            left = Binary(Node::Kind::Concat, std::move(left), std::move(right), 'C');
            left->length = length;
        }
        return left;
    }
    static std::unique_ptr<Node> Binary(Node::Kind kind, std::unique_ptr<Node> a,
                                        std::unique_ptr<Node> b, char type)
    {
        auto n = std::make_unique<Node>();
        n->kind = kind;
        n->type = type;
        n->args.push_back(std::move(a));
        n->args.push_back(std::move(b));
        return n;
    }
    std::optional<double> NumberLiteral()
    {
        SkipBlanks();
        const size_t start = m_pos;
        if (m_pos < m_text.size() && (m_text[m_pos] == '-' || m_text[m_pos] == '+'))
            ++m_pos;
        while (m_pos < m_text.size() &&
               (std::isdigit(static_cast<unsigned char>(m_text[m_pos])) || m_text[m_pos] == '.'))
            ++m_pos;
        if (m_pos == start)
            return std::nullopt;
        return platform::CStrToDouble(std::string(m_text.substr(start, m_pos - start)).c_str(),
                                      nullptr);
    }
    std::unique_ptr<Node> ParsePrimary()
    {
        SkipBlanks();
        if (m_pos >= m_text.size())
            return nullptr;
        const char c = m_text[m_pos];
        if (c == '(') {
            ++m_pos;
            auto inner = ParseOr();
            return inner && Accept(")") ? std::move(inner) : nullptr;
        }
        if (c == '"' || c == '\'') {
            const size_t end = m_text.find(c, m_pos + 1);
            if (end == std::string_view::npos)
                return nullptr;
            auto n = std::make_unique<Node>();
            n->kind = Node::Kind::TextLit;
            n->text = std::string(m_text.substr(m_pos + 1, end - m_pos - 1));
            n->length = int(n->text.size());
            m_pos = end + 1;
            return n;
        }
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '.') {
            auto value = NumberLiteral();
            if (!value)
                return nullptr;
            auto n = std::make_unique<Node>();
            n->kind = Node::Kind::NumberLit;
            n->type = 'N';
            n->number = *value;
            return n;
        }
        const std::string id = Identifier();
        if (id.empty())
            return nullptr;
        if (Accept("("))
            return ParseCall(id);
        for (const FieldSlot& f : m_fields) {
            if (f.name == id) {
                auto n = std::make_unique<Node>();
                n->kind = Node::Kind::Field;
                n->fieldCopy = f;
                n->type = f.type == 'F' ? 'N' : f.type;
                if (n->type == 'M')
                    return nullptr;
                n->length = f.type == 'D' ? 8 : f.width;
                return n;
            }
        }
        return nullptr;
    }
    std::unique_ptr<Node> ParseCall(const std::string& name)
    {
        auto n = std::make_unique<Node>();
        if (name == "DELETED") {
            n->kind = Node::Kind::Deleted;
            n->type = 'L';
            return Accept(")") ? std::move(n) : nullptr;
        }
        auto arg = ParseOr();
        if (!arg)
            return nullptr;
        if (name == "STR") {
            if (arg->type != 'N')
                return nullptr;
            n->kind = Node::Kind::Str;
            n->width = 10;
            n->decimals = 0;
            if (Accept(",")) {
                auto w = NumberLiteral();
                if (!w || *w < 1 || *w > 20)
                    return nullptr;
                n->width = int(*w);
                if (Accept(",")) {
                    auto d = NumberLiteral();
                    if (!d || *d < 0 || *d > 15)
                        return nullptr;
                    n->decimals = int(*d);
                }
            }
            n->length = n->width;
        } else if (name == "DTOS") {
            if (arg->type != 'D')
                return nullptr;
            n->kind = Node::Kind::Dtos;
            n->length = 8;
        } else if (name == "LEFT") {
            if (arg->type != 'C' || !Accept(","))
                return nullptr;
            auto count = NumberLiteral();
            if (!count || *count < 1)
                return nullptr;
            n->kind = Node::Kind::Left;
            n->length =
                int(std::min(*count, double(arg->length)));   // compared before any conversion
        } else if (name == "UPPER") {
            if (arg->type != 'C')
                return nullptr;
            n->kind = Node::Kind::Upper;
            n->length = arg->length;
        } else {
            return nullptr;
        }
        n->type = 'C';
        n->args.push_back(std::move(arg));
        return Accept(")") ? std::move(n) : nullptr;
    }

    std::string_view m_text;
    size_t m_pos = 0;
    const std::vector<FieldSlot>& m_fields;
};

std::string EvalTextNode(const Node& n, const char* record);
double EvalNumberNode(const Node& n, const char* record);

bool EvalLogicalNode(const Node& n, const char* record)
{
    switch (n.kind) {
    case Node::Kind::Deleted: return record[0] == '*';
    case Node::Kind::Not: return !EvalLogicalNode(*n.args[0], record);
    case Node::Kind::And:
        return EvalLogicalNode(*n.args[0], record) && EvalLogicalNode(*n.args[1], record);
    case Node::Kind::Or:
        return EvalLogicalNode(*n.args[0], record) || EvalLogicalNode(*n.args[1], record);
    case Node::Kind::Field: {
        const char c = record[n.fieldCopy.offset];
        return c == 'T' || c == 't' || c == 'Y' || c == 'y';
    }
    default: return false;
    }
}

double EvalNumberNode(const Node& n, const char* record)
{
    if (n.kind == Node::Kind::NumberLit)
        return n.number;
    if (n.kind == Node::Kind::Field)
        return ParseNumber(
            std::string_view(record + n.fieldCopy.offset, size_t(n.fieldCopy.width)));
    return 0;
}

std::string EvalTextNode(const Node& n, const char* record)
{
    switch (n.kind) {
    case Node::Kind::Field: return std::string(record + n.fieldCopy.offset, size_t(n.length));
    case Node::Kind::TextLit: return n.text;
    case Node::Kind::Str:
        return FormatNumber(EvalNumberNode(*n.args[0], record), n.width, n.decimals);
    case Node::Kind::Dtos: return EvalTextNode(*n.args[0], record);
    case Node::Kind::Left: return EvalTextNode(*n.args[0], record).substr(0, size_t(n.length));
    case Node::Kind::Upper: {
        std::string s = EvalTextNode(*n.args[0], record);
        for (char& c : s)
            c = platform::AsciiUpper(c);
        return s;
    }
    case Node::Kind::Concat:
        return EvalTextNode(*n.args[0], record) + EvalTextNode(*n.args[1], record);
    default: return {};
    }
}

}   // namespace

CKeyExpression::CKeyExpression(std::unique_ptr<Node> root) : m_root(std::move(root)) { }
CKeyExpression::~CKeyExpression() = default;

std::shared_ptr<CKeyExpression> CKeyExpression::Parse(std::string_view text,
                                                      const std::vector<FieldSlot>& fields)
{
    CParser parser(text, fields);
    auto root = parser.ParseAll();
    if (!root)
        return nullptr;
    return std::make_shared<CKeyExpression>(std::move(root));
}

char CKeyExpression::Type() const
{
    return m_root->type;
}
int CKeyExpression::Length() const
{
    return m_root->length;
}

std::string CKeyExpression::EvalText(const char* record) const
{
    std::string s = EvalTextNode(*m_root, record);
    s.resize(size_t(m_root->length), ' ');
    return s;
}
double CKeyExpression::EvalNumber(const char* record) const
{
    return EvalNumberNode(*m_root, record);
}
bool CKeyExpression::EvalLogical(const char* record) const
{
    return EvalLogicalNode(*m_root, record);
}

namespace {

// A finite value with `decimals` digits after the point, as "%.*f" writes it
// (std::to_chars gives the same digits, without printf's locale switch: a
// log writes several numbers per fix).
std::string FormatFixed(double value, int decimals)
{
    char buf[400];
    if (decimals >= 0) {
        const auto r =
            std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
        if (r.ec == std::errc())
            return std::string(buf, r.ptr);
    }
    return platform::FormatC("%.*f", decimals, value);
}

}   // namespace

std::string FormatNumber(double value, int width, int decimals)
{
    if (width <= 0)
        return {};
    if (!std::isfinite(value))
        return std::string(size_t(width), '*');
    std::string s = FormatFixed(value, decimals);
    if (int(s.size()) < width)
        s.insert(0, size_t(width) - s.size(), ' ');
    if (s.empty() || int(s.size()) > width)
        return std::string(size_t(width), '*');
    // "-0.00" reads oddly and sorts apart from "0.00"; dBASE writes zero unsigned.
    if (s.find_first_not_of(" -0.") == std::string::npos && s.find('-') != std::string::npos) {
        s.erase(s.find('-'), 1);
        s.insert(s.begin(), ' ');
    }
    return s;
}

double ParseNumber(std::string_view text)
{
    char buf[64];
    size_t n = 0;
    for (char c : text) {
        if (c == ' ' || c == '\0')
            continue;
        if (n + 1 >= sizeof buf)
            break;
        buf[n++] = c == ',' ? '.' : c;
    }
    buf[n] = 0;
    if (n == 0 || buf[0] == '*')
        return 0;
    // The common field text in one pass; anything else (a leading "+",
    // trailing text) the way the C library reads it.
    double value = 0;
    const auto [end, ec] = std::from_chars(buf, buf + n, value);
    if (ec == std::errc() && end == buf + n)
        return value;
    return platform::CStrToDouble(buf, nullptr);
}

std::optional<double> JulianDay(std::string_view d)
{
    if (d.size() < 8)
        return std::nullopt;
    int v[8];
    for (int i = 0; i < 8; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(d[size_t(i)])))
            return std::nullopt;
        v[i] = d[size_t(i)] - '0';
    }
    const int y = v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3];
    const int m = v[4] * 10 + v[5];
    const int day = v[6] * 10 + v[7];
    if (m < 1 || m > 12 || day < 1 || day > 31)
        return std::nullopt;
    // Gregorian calendar to Julian day number.
    const int a = (14 - m) / 12;
    const long long yy = y + 4800 - a;
    const long long mm = m + 12 * a - 3;
    const long long jdn =
        day + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
    return double(jdn);
}

std::string DateOfJulianDay(double jd)
{
    const long long j = (long long)std::llround(jd);
    if (j <= 0)
        return std::string(8, ' ');
    long long a = j + 32044;
    long long b = (4 * a + 3) / 146097;
    long long c = a - 146097 * b / 4;
    long long d = (4 * c + 3) / 1461;
    long long e = c - 1461 * d / 4;
    long long m = (5 * e + 2) / 153;
    const long long day = e - (153 * m + 2) / 5 + 1;
    const long long month = m + 3 - 12 * (m / 10);
    const long long year = 100 * b + d - 4800 + m / 10;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", int(year % 10000), int(month), int(day));
    return buf;
}

void SortableDoubleInto(double value, char* out)
{
    if (value == 0)
        value = 0;   // -0 and +0 are one key
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    bits = htobe64((bits & 0x8000000000000000ull) ? ~bits : bits | 0x8000000000000000ull);
    std::memcpy(out, &bits, 8);
}

std::string SortableDouble(double value)
{
    std::string s(8, '\0');
    SortableDoubleInto(value, s.data());
    return s;
}

double DoubleFromSortable(std::string_view s)
{
    uint64_t bits = 0;
    for (int i = 0; i < 8 && size_t(i) < s.size(); ++i)
        bits = (bits << 8) | static_cast<unsigned char>(s[size_t(i)]);
    bits = (bits & 0x8000000000000000ull) ? bits & ~0x8000000000000000ull : ~bits;
    double value;
    std::memcpy(&value, &bits, 8);
    return value;
}

// Byte 0: 0x34 plus the count of digits before the decimal point (less than
// 0x34 for leading zeros after it); byte 1: significant digit count shifted
// left by two, low bit set, high bit for a negative number; bytes 2-11: up to
// twenty digits, two per byte, first digit in the high nibble.
std::string BcdKey(double value)
{
    std::string key(12, '\0');
    // A whole number (most keys: counts, codes) is its integer's digits; the
    // fixed form would only add zeros after the point, which are dropped.
    const double magnitude = std::fabs(value);
    std::string text;
    if (magnitude < 1e15 && magnitude == std::trunc(magnitude)) {
        char whole[24];
        text.assign(whole, std::to_chars(whole, whole + sizeof whole, uint64_t(magnitude)).ptr);
    } else {
        text = FormatFixed(magnitude, 9);
    }
    const char* buf = text.c_str();
    std::string digits;
    int intDigits = 0;
    bool seenPoint = false;
    for (const char* p = buf; *p; ++p) {
        if (*p == '.') {
            seenPoint = true;
            continue;
        }
        digits += *p;
        if (!seenPoint)
            ++intDigits;
    }
    const size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) {
        key[0] = 0x34;
        key[1] = 0x01;
        return key;
    }
    digits.erase(0, first);
    intDigits -= int(first);
    while (!digits.empty() && digits.back() == '0')
        digits.pop_back();
    if (digits.size() > 20)
        digits.resize(20);
    key[0] = char(0x34 + intDigits);
    key[1] = char((int(digits.size()) << 2) | 0x01 | (value < 0 ? 0x80 : 0));
    for (size_t i = 0; i < digits.size(); ++i) {
        const int d = digits[i] - '0';
        key[2 + i / 2] =
            char(static_cast<unsigned char>(key[2 + i / 2]) | (i % 2 == 0 ? d << 4 : d));
    }
    return key;
}

double BcdKeyValue(std::string_view key)
{
    if (key.size() < 12)
        return 0;
    // The digit count comes from the file: never more than the 20 digits
    // the ten packed bytes after the two leading ones hold.
    const int count = std::min((static_cast<unsigned char>(key[1]) & 0x7F) >> 2, 20);
    const int intDigits = static_cast<unsigned char>(key[0]) - 0x34;
    double value = 0;
    for (int i = 0; i < count; ++i) {
        const unsigned char b = static_cast<unsigned char>(key[size_t(2 + i / 2)]);
        value = value * 10 + (i % 2 == 0 ? b >> 4 : b & 0x0F);
    }
    // Powers of ten up to 1e22 are exact doubles, as pow gives them; the
    // table spares the call for whole numbers, the usual numeric keys.
    static constexpr double kExact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const int exponent = intDigits - count;
    value *= exponent >= 0 && exponent <= 22 ? kExact[exponent] : std::pow(10.0, exponent);
    return (static_cast<unsigned char>(key[1]) & 0x80) ? -value : value;
}

}   // namespace dbase
