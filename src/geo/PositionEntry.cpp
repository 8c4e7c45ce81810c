#include "geo/PositionEntry.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace geo {

namespace {

std::u32string Decode(std::string_view s)
{
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0 || (extra > 0 && i + static_cast<std::size_t>(extra) >= s.size())) {
            out.push_back(U'\uFFFD');   // a stray byte stands for itself as a replacement
            ++i;
            continue;
        }
        char32_t cp = extra == 0 ? c : (c & (0x3F >> extra));
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            const auto b = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            ok = ok && (b >> 6) == 2;
            cp = (cp << 6) | (b & 0x3F);
        }
        out.push_back(ok ? cp : U'\uFFFD');
        i += ok ? static_cast<std::size_t>(extra) + 1 : 1;
    }
    return out;
}

std::string Encode(std::u32string_view s)
{
    std::string out;
    for (char32_t c : s) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

char32_t Upper(char32_t c)
{
    return (c >= U'a' && c <= U'z') ? c - 32 : c;
}
bool IsDigit(char32_t c)
{
    return c >= U'0' && c <= U'9';
}
bool IsAlnum(char32_t c)
{
    return IsDigit(c) || (Upper(c) >= U'A' && Upper(c) <= U'Z');
}

bool IsNumeric(EntryField f)
{
    return f != EntryField::Literal && f != EntryField::LatHem && f != EntryField::LonHem &&
           f != EntryField::Datum;
}

// A decimal read locale-free; nullopt when the text is not wholly a number.
std::optional<double> ReadNumber(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    if (text.front() == '+')
        text.remove_prefix(1);
    double v = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::string FixedText(double value, int decimals)
{
    char buf[64];
    const auto [end, ec] =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    return ec == std::errc() ? std::string(buf, end) : std::string();
}

bool SameIgnoringCase(std::u32string_view a, std::u32string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char32_t x, char32_t y) { return Upper(x) == Upper(y); });
}

}   // namespace

CPositionEntry::CPositionEntry()
{
    SetFormat(kDefaultFormat);
}

double CPositionEntry::PartsToDegrees(std::string_view degrees, std::string_view minutes,
                                      std::string_view seconds, std::string_view hemisphere)
{
    const double d = ReadNumber(degrees).value_or(0.0);
    const double m = ReadNumber(minutes).value_or(0.0);
    const double s = ReadNumber(seconds).value_or(0.0);
    const double value = d + m / 60.0 + s / 3600.0;
    const bool positive = hemisphere.empty() || hemisphere == "N" || hemisphere == "n" ||
                          hemisphere == "E" || hemisphere == "e" || hemisphere == "+";
    return positive ? value : -value;
}

bool CPositionEntry::SetFormat(std::string_view format)
{
    const std::u32string fmt = Decode(format);
    std::u32string text;
    std::vector<EntryField> codes;
    bool hasDatum = false;
    for (std::size_t i = 0; i < fmt.size(); ++i) {
        char32_t c = fmt[i];
        EntryField f = EntryField::Literal;
        if (c == U'\\') {
            if (++i >= fmt.size())
                break;
            c = fmt[i];
        } else {
            switch (c) {
            case U'D': f = EntryField::LatDeg; break;
            case U'M': f = EntryField::LatMin; break;
            case U'S': f = EntryField::LatSec; break;
            case U'N': f = EntryField::LatHem; break;
            case U'd': f = EntryField::LonDeg; break;
            case U'm': f = EntryField::LonMin; break;
            case U's': f = EntryField::LonSec; break;
            case U'E': f = EntryField::LonHem; break;
            case U'H': f = EntryField::Altitude; break;
            case U'C': f = EntryField::Datum; break;
            default: break;
            }
        }
        if (hasDatum)
            return false;   // nothing may follow the datum name
        if (f == EntryField::Datum) {
            hasDatum = true;
            continue;
        }
        codes.push_back(f);
        text.push_back(f == EntryField::Literal  ? c
                       : f == EntryField::LatHem ? U'N'
                       : f == EntryField::LonHem ? U'E'
                                                 : U'0');
    }

    std::vector<FieldLayout> fields;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        if (codes[i] == EntryField::Literal)
            continue;
        auto it = std::find_if(fields.begin(), fields.end(),
                               [&](const FieldLayout& l) { return l.field == codes[i]; });
        if (it == fields.end()) {
            fields.push_back({codes[i], {}});
            it = fields.end() - 1;
        }
        if (!it->runs.empty() && it->runs.back().first + it->runs.back().length == i)
            ++it->runs.back().length;
        else
            it->runs.push_back({i, 1});
    }
    for (const FieldLayout& l : fields) {
        std::size_t width = 0;
        for (const Run& r : l.runs)
            width += r.length;
        const bool hemisphere = l.field == EntryField::LatHem || l.field == EntryField::LonHem;
        if (l.runs.size() > 2 || (hemisphere && width != 1))
            return false;
        // Nine digits hold any angle or altitude to a few decimals; wider
        // fields would overflow the whole-number arithmetic of the carry.
        if (width > 9 || (l.runs.size() == 2 && l.runs[1].length > 6))
            return false;
        if (l.field != EntryField::Altitude && !hemisphere && width == 1)
            return false;
        if (l.field == EntryField::LonDeg && width < 3)
            return false;
    }
    if (hasDatum)
        fields.push_back({EntryField::Datum, {{codes.size(), 0}}});

    m_codes = std::move(codes);
    m_fields = std::move(fields);
    m_text = std::move(text);
    m_field = m_fields.empty() ? EntryField::Literal : m_fields.front().field;
    m_fresh = true;
    SetPosition(m_last);
    return true;
}

void CPositionEntry::SetDatums(std::vector<std::string> names, int current)
{
    m_datums = std::move(names);
    m_datumOrder.resize(m_datums.size());
    for (std::size_t i = 0; i < m_datumOrder.size(); ++i)
        m_datumOrder[i] = static_cast<int>(i);
    m_datum = m_datums.empty() ? -1 : std::clamp(current, 0, static_cast<int>(m_datums.size()) - 1);
    m_last.datum = m_datum;
}

int CPositionEntry::DatumPlace(int datum) const
{
    const auto it = std::find(m_datumOrder.begin(), m_datumOrder.end(), datum);
    return it == m_datumOrder.end() ? -1 : static_cast<int>(it - m_datumOrder.begin());
}

const CPositionEntry::FieldLayout* CPositionEntry::Layout(EntryField field) const
{
    for (const FieldLayout& l : m_fields)
        if (l.field == field)
            return &l;
    return nullptr;
}

std::u32string CPositionEntry::DatumText() const
{
    if (!Layout(EntryField::Datum) || m_datum < 0)
        return {};
    return Decode(m_datums[static_cast<std::size_t>(m_datum)]);
}

std::string CPositionEntry::Text() const
{
    return Encode(m_text + DatumText());
}

EntryField CPositionEntry::FieldAt(std::size_t pos) const
{
    if (pos < m_codes.size())
        return m_codes[pos];
    return Layout(EntryField::Datum) ? EntryField::Datum : EntryField::Literal;
}

std::pair<std::size_t, std::size_t> CPositionEntry::SelectedRange() const
{
    const FieldLayout* l = Layout(m_field);
    if (!l)
        return {0, 0};
    if (m_field == EntryField::Datum)
        return {m_text.size(), m_text.size() + DatumText().size()};
    return {l->runs.front().first, l->runs.back().first + l->runs.back().length};
}

std::string CPositionEntry::FieldText(const FieldLayout& layout, std::u32string_view text) const
{
    auto runText = [&](const Run& r, bool fraction) {
        std::u32string s(text.substr(r.first, r.length));
        if (fraction) {
            // Digits shift in from the right, so blanks in a fraction are its leading zeros.
            std::replace(s.begin(), s.end(), U' ', U'0');
            return s;
        }
        const auto a = s.find_first_not_of(U' ');
        const auto b = s.find_last_not_of(U' ');
        return a == std::u32string::npos ? std::u32string() : s.substr(a, b - a + 1);
    };
    std::u32string whole = runText(layout.runs[0], false);
    if (layout.runs.size() == 2) {
        const std::u32string fraction = runText(layout.runs[1], true);
        if (whole.empty() && fraction.find_first_not_of(U'0') == std::u32string::npos)
            return {};   // a field of blanks is an empty field
        whole = (whole.empty() || whole == U"-" ? whole + U"0" : whole) + U"." + fraction;
    }
    return Encode(whole);
}

std::string CPositionEntry::FieldText(EntryField field) const
{
    const FieldLayout* l = Layout(field);
    return l ? FieldText(*l, m_text) : std::string();
}

CEntryParts CPositionEntry::Parts() const
{
    return {FieldText(EntryField::LatDeg),  FieldText(EntryField::LatMin),
            FieldText(EntryField::LatSec),  FieldText(EntryField::LatHem),
            FieldText(EntryField::LonDeg),  FieldText(EntryField::LonMin),
            FieldText(EntryField::LonSec),  FieldText(EntryField::LonHem),
            FieldText(EntryField::Altitude)};
}

std::optional<std::string> CPositionEntry::ParseText() const
{
    const CEntryParts p = Parts();
    auto number = [](const std::string& s, bool signedOk) -> std::optional<double> {
        if (s.empty())
            return 0.0;
        for (std::size_t i = 0; i < s.size(); ++i)
            if (!(IsDigit(static_cast<unsigned char>(s[i])) || s[i] == '.' ||
                  (signedOk && i == 0 && (s[i] == '-' || s[i] == '+'))))
                return std::nullopt;
        return ReadNumber(s);
    };
    const struct {
        const std::string& text;
        double limit;   // exclusive for minutes and seconds, inclusive for degrees
        bool degrees;
        const char* message;
    } checks[] = {
        {p.latDeg, 90, true, "Latitude is at most 90\u00B0"},
        {p.latMin, 60, false, "Minutes run from 0 to 59"},
        {p.latSec, 60, false, "Seconds run from 0 to 59"},
        {p.lonDeg, 180, true, "Longitude is at most 180\u00B0"},
        {p.lonMin, 60, false, "Minutes run from 0 to 59"},
        {p.lonSec, 60, false, "Seconds run from 0 to 59"},
    };
    for (const auto& c : checks) {
        const auto v = number(c.text, false);
        if (!v)
            return std::string("Only digits go in this field");
        if (c.degrees ? *v > c.limit : *v >= c.limit)
            return std::string(c.message);
    }
    if (!p.latHem.empty() && p.latHem != "N" && p.latHem != "S" && p.latHem != "n" &&
        p.latHem != "s")
        return std::string("Latitude is N or S");
    if (!p.lonHem.empty() && p.lonHem != "E" && p.lonHem != "W" && p.lonHem != "e" &&
        p.lonHem != "w")
        return std::string("Longitude is E or W");
    const auto altitude = number(p.altitude, true);
    if (!altitude)
        return std::string("The altitude is a number of metres");
    if (*altitude < -9999.0 || *altitude > 99999.0)
        return std::string("Altitude runs from -9999 to 99999 m");
    if (std::fabs(PartsToDegrees(p.latDeg, p.latMin, p.latSec, p.latHem)) > 90.0)
        return std::string("Latitude is at most 90\u00B0");
    if (std::fabs(PartsToDegrees(p.lonDeg, p.lonMin, p.lonSec, p.lonHem)) > 180.0)
        return std::string("Longitude is at most 180\u00B0");
    return std::nullopt;
}

bool CPositionEntry::WriteDigits(std::u32string& text, const FieldLayout& layout,
                                 std::string digits) const
{
    std::size_t width = 0;
    for (const Run& r : layout.runs)
        width += r.length;
    std::string sign;
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
        sign = digits.substr(0, 1) == "-" ? "-" : "";
        digits.erase(0, 1);
    }
    if (digits.size() + sign.size() > width)
        return false;
    const char pad = m_blankPad ? ' ' : '0';
    std::string cells = sign + std::string(width - digits.size() - sign.size(), pad) + digits;
    if (!sign.empty() && m_blankPad) {
        // The sign goes just in front of the digits.
        cells = std::string(width - digits.size() - 1, ' ') + "-" + digits;
    }
    std::size_t k = 0;
    for (const Run& r : layout.runs)
        for (std::size_t i = 0; i < r.length; ++i)
            text[r.first + i] = static_cast<unsigned char>(cells[k++]);
    return true;
}

bool CPositionEntry::WriteNumber(std::u32string& text, EntryField field, double value) const
{
    const FieldLayout* l = Layout(field);
    if (!l)
        return true;
    const int decimals = l->runs.size() == 2 ? static_cast<int>(l->runs[1].length) : 0;
    std::string digits = FixedText(value, decimals);
    if (digits.empty())
        return false;
    digits.erase(std::remove(digits.begin(), digits.end(), '.'), digits.end());
    return WriteDigits(text, *l, digits);
}

bool CPositionEntry::WriteAngle(std::u32string& text, double degrees, EntryField deg,
                                EntryField min, EntryField sec, EntryField hem, char32_t plus,
                                char32_t minus) const
{
    const FieldLayout* dl = Layout(deg);
    const FieldLayout* ml = Layout(min);
    const FieldLayout* sl = Layout(sec);
    const double a = std::fabs(degrees);
    auto decimalsOf = [](const FieldLayout* l) {
        return l && l->runs.size() == 2 ? static_cast<int>(l->runs[1].length) : 0;
    };
    bool ok = true;
    bool zero = false;
    // The smallest field is rounded once and carried upward, so 59.9999'
    // shows as the next whole degree, never as 60.00'.
    if (sl) {
        const long long scale = static_cast<long long>(std::pow(10, decimalsOf(sl)));
        const long long total = std::llround(a * 3600.0 * static_cast<double>(scale));
        zero = total == 0;
        const long long perDeg = 3600 * scale;
        ok = WriteNumber(text, deg, static_cast<double>(total / perDeg)) &&
             WriteNumber(text, min, static_cast<double>((total % perDeg) / (60 * scale))) &&
             WriteNumber(text, sec,
                         static_cast<double>(total % (60 * scale)) / static_cast<double>(scale));
    } else if (ml) {
        const long long scale = static_cast<long long>(std::pow(10, decimalsOf(ml)));
        const long long total = std::llround(a * 60.0 * static_cast<double>(scale));
        zero = total == 0;
        ok = WriteNumber(text, deg, static_cast<double>(total / (60 * scale))) &&
             WriteNumber(text, min,
                         static_cast<double>(total % (60 * scale)) / static_cast<double>(scale));
    } else if (dl) {
        const double scale = std::pow(10, decimalsOf(dl));
        zero = std::llround(a * scale) == 0;
        ok = WriteNumber(text, deg, a);
    } else {
        return true;
    }
    const bool negative = degrees < 0.0 && !zero;
    if (const FieldLayout* hl = Layout(hem))
        text[hl->runs[0].first] = negative ? minus : plus;
    else if (negative)
        return false;   // no hemisphere to show the sign
    return ok;
}

bool CPositionEntry::SetPosition(const CEntryPosition& position)
{
    std::u32string text = m_text;
    const bool ok = WriteAngle(text, position.latitude, EntryField::LatDeg, EntryField::LatMin,
                               EntryField::LatSec, EntryField::LatHem, U'N', U'S') &&
                    WriteAngle(text, position.longitude, EntryField::LonDeg, EntryField::LonMin,
                               EntryField::LonSec, EntryField::LonHem, U'E', U'W') &&
                    WriteNumber(text, EntryField::Altitude, std::round(position.altitude));
    if (!ok)
        return false;
    std::swap(m_text, text);
    if (ParseText()) {   // a position out of range is not shown
        std::swap(m_text, text);
        return false;
    }
    m_last = position;
    if (position.datum >= 0 && position.datum < static_cast<int>(m_datums.size())) {
        // The shown position's datum moves to the end of the list, so the
        // datums chosen last gather there.
        std::erase(m_datumOrder, position.datum);
        m_datumOrder.push_back(position.datum);
        m_datum = position.datum;
    }
    m_last.datum = m_datum;
    m_undo.assign(1, m_text);
    m_undoPos = 0;
    m_fresh = true;
    m_modified = false;
    return true;
}

std::optional<CEntryPosition> CPositionEntry::GetPosition() const
{
    if (ParseText())
        return std::nullopt;
    const CEntryParts p = Parts();
    CEntryPosition pos = m_last;
    if (!p.latDeg.empty())
        pos.latitude = PartsToDegrees(p.latDeg, p.latMin, p.latSec, p.latHem);
    if (!p.lonDeg.empty())
        pos.longitude = PartsToDegrees(p.lonDeg, p.lonMin, p.lonSec, p.lonHem);
    if (!p.altitude.empty()) {
        pos.altitude = ReadNumber(p.altitude).value_or(0.0);
        if (!m_signedAltitude && m_last.altitude < 0.0)
            pos.altitude = -std::fabs(pos.altitude);
    }
    pos.datum = m_datum;
    return pos;
}

void CPositionEntry::PushUndo()
{
    m_undo.erase(m_undo.begin(), m_undo.begin() + static_cast<std::ptrdiff_t>(m_undoPos));
    m_undoPos = 0;
    if (m_undo.empty() || !SameIgnoringCase(m_undo.front(), m_text))
        m_undo.insert(m_undo.begin(), m_text);
    if (m_undo.size() > kMaxUndo)
        m_undo.resize(kMaxUndo);
}

std::optional<std::string> CPositionEntry::Check(std::u32string candidate)
{
    std::swap(m_text, candidate);
    if (auto error = ParseText()) {
        std::swap(m_text, candidate);
        return error;
    }
    if (m_text != candidate)
        m_modified = true;
    return std::nullopt;
}

std::optional<std::string> CPositionEntry::SelectFieldAt(std::size_t pos)
{
    if (auto error = ParseText()) {
        m_text = m_undo.empty() ? m_text : m_undo[m_undoPos];
        return error;
    }
    PushUndo();
    EntryField field = EntryField::Literal;
    for (std::size_t i = pos; i < m_codes.size() && field == EntryField::Literal; ++i)
        field = m_codes[i];
    if (field == EntryField::Literal) {
        if (Layout(EntryField::Datum))
            field = EntryField::Datum;
        else if (!m_fields.empty())
            field = m_fields.back().field;
    }
    m_field = field;
    m_fresh = true;
    return std::nullopt;
}

std::optional<std::string> CPositionEntry::SelectNextField(bool forward)
{
    std::size_t index = 0;
    while (index < m_fields.size() && m_fields[index].field != m_field)
        ++index;
    if (index == m_fields.size())
        return SelectFieldAt(0);
    if (forward && index + 1 < m_fields.size())
        ++index;
    else if (!forward && index > 0)
        --index;
    return SelectFieldAt(m_fields[index].runs.front().first);
}

std::string CPositionEntry::Digits(const FieldLayout& layout) const
{
    std::string digits;
    for (const Run& r : layout.runs)
        for (std::size_t i = 0; i < r.length; ++i)
            digits.push_back(static_cast<char>(m_text[r.first + i]));
    // Padding and a sign are not digits of the number.
    const std::string sign = digits.find('-') != std::string::npos ? "-" : "";
    std::erase_if(digits, [](char c) { return c == ' ' || c == '-' || c == '+'; });
    const auto first = digits.find_first_not_of('0');
    return sign + (first == std::string::npos ? std::string() : digits.substr(first));
}

std::optional<std::string> CPositionEntry::Type(char32_t ch)
{
    ch = Upper(ch);
    if (m_field == EntryField::Literal && !m_fields.empty())
        m_field = m_fields.front().field;
    const FieldLayout* l = Layout(m_field);
    if (!l)
        return std::string("There is nothing to type into");
    std::u32string candidate = m_text;
    switch (m_field) {
    case EntryField::Datum: return std::string("Choose the datum from its menu");
    case EntryField::LatHem:
        if (ch != U'N' && ch != U'S')
            return std::string("Latitude is N or S");
        candidate[l->runs[0].first] = ch;
        break;
    case EntryField::LonHem:
        if (ch != U'E' && ch != U'W')
            return std::string("Longitude is E or W");
        candidate[l->runs[0].first] = ch;
        break;
    default: {
        std::string digits = m_fresh ? std::string() : Digits(*l);
        std::string sign;
        if (!digits.empty() && digits.front() == '-') {
            sign = "-";
            digits.erase(0, 1);
        }
        if (m_field == EntryField::Altitude && (ch == U'-' || ch == U'+')) {
            if (!m_signedAltitude)
                return std::string("The altitude takes no sign");
            if (m_fresh)
                digits = Digits(*l);
            if (!digits.empty() && digits.front() == '-')
                digits.erase(0, 1);
            sign = ch == U'-' ? "-" : "";
        } else if (IsDigit(ch)) {
            digits.push_back(static_cast<char>(ch));
        } else {
            return std::string("Only digits go in this field");
        }
        std::size_t width = 0;
        for (const Run& r : l->runs)
            width += r.length;
        const std::size_t room = width - sign.size();
        if (digits.size() > room)   // the oldest digit drops out
            digits.erase(0, digits.size() - room);
        if (!WriteDigits(candidate, *l, sign + digits))
            return std::string("The number does not fit the field");
        break;
    }
    }
    if (auto error = Check(std::move(candidate)))
        return error;
    m_fresh = false;
    return std::nullopt;
}

std::optional<std::string> CPositionEntry::Spin(bool up)
{
    if (m_field == EntryField::Datum) {
        // Up is the previous entry of the list, down the next; the ends stop it.
        const int place = DatumPlace(m_datum);
        const int next = place < 0 ? -1
                                   : std::clamp(place + (up ? -1 : 1), 0,
                                                static_cast<int>(m_datumOrder.size()) - 1);
        if (next >= 0 && m_datumOrder[static_cast<std::size_t>(next)] != m_datum) {
            m_datum = m_datumOrder[static_cast<std::size_t>(next)];
            m_modified = true;
        }
        return std::nullopt;
    }
    const FieldLayout* l = Layout(m_field);
    if (!l)
        return std::nullopt;
    std::u32string candidate = m_text;
    if (m_field == EntryField::LatHem || m_field == EntryField::LonHem) {
        char32_t& c = candidate[l->runs[0].first];
        c = m_field == EntryField::LatHem ? (c == U'N' ? U'S' : U'N') : (c == U'E' ? U'W' : U'E');
    } else {
        const double value = ReadNumber(FieldText(*l, m_text)).value_or(0.0) + (up ? 1.0 : -1.0);
        if (value < 0.0 && m_field != EntryField::Altitude)
            return std::nullopt;   // the spin stops at zero
        if (value < 0.0 && !m_signedAltitude)
            return std::nullopt;
        if (!WriteNumber(candidate, m_field, value))
            return std::string("The number does not fit the field");
    }
    auto error = Check(std::move(candidate));
    if (!error)
        m_fresh = true;
    return error;
}

std::optional<std::string> CPositionEntry::Paste(std::string_view pasted)
{
    const std::u32string text = Decode(pasted);
    std::u32string candidate = m_text;
    std::size_t pos = SelectedRange().first;
    const auto accepts = [this](EntryField f, char32_t c) {
        switch (f) {
        case EntryField::LatHem: return c == U'N' || c == U'S';
        case EntryField::LonHem: return c == U'E' || c == U'W';
        case EntryField::Altitude: return IsDigit(c) || (m_signedAltitude && c == U'-');
        case EntryField::Literal:
        case EntryField::Datum: return false;
        default: return IsDigit(c);
        }
    };
    for (char32_t raw : text) {
        const char32_t c = Upper(raw);
        if (pos < m_codes.size() && m_codes[pos] == EntryField::Literal) {
            if (c == candidate[pos]) {
                ++pos;
                continue;
            }
            while (pos < m_codes.size() && m_codes[pos] == EntryField::Literal)
                ++pos;
        }
        // Separators of the pasted text (blanks, points, degree signs) carry nothing.
        if (!IsAlnum(c) && c != U'-')
            continue;
        if (pos >= m_codes.size() || !accepts(m_codes[pos], c))
            return std::string("The pasted text does not fit the position");
        candidate[pos++] = c;
    }
    auto error = Check(std::move(candidate));
    if (!error)
        PushUndo();
    return error;
}

std::optional<std::string> CPositionEntry::Clear(std::size_t first, std::size_t last)
{
    last = std::min(last, m_text.size());
    if (first == 0 && last == m_text.size()) {
        Reset();
        return std::nullopt;
    }
    std::u32string candidate = m_text;
    for (std::size_t i = first; i < last && i < m_codes.size(); ++i)
        if (m_codes[i] != EntryField::Literal && m_codes[i] != EntryField::Datum)
            candidate[i] = U' ';
    if (auto error = Check(std::move(candidate)))
        return error;
    return SelectFieldAt(first);
}

void CPositionEntry::Reset()
{
    SetPosition(m_last);
}

void CPositionEntry::Undo()
{
    if (!m_undo.empty() && m_text != m_undo[m_undoPos] && !ParseText())
        PushUndo();
    if (!CanUndo())
        return;
    m_text = m_undo[++m_undoPos];
    m_modified = true;
    m_fresh = true;
}

void CPositionEntry::Redo()
{
    if (!CanRedo())
        return;
    m_text = m_undo[--m_undoPos];
    m_modified = true;
    m_fresh = true;
}

std::optional<std::string> CheckDegreeText(std::string_view text, bool allowEastWest)
{
    const char* message =
        allowEastWest ? "Enter degrees such as 3.5 or 3.5W" : "Enter a number such as -2.5";
    if (text.size() >= 10)
        return std::string(message);
    if (allowEastWest && !text.empty() &&
        (text.back() == 'E' || text.back() == 'W' || text.back() == 'e' || text.back() == 'w'))
        text.remove_suffix(1);
    bool point = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && !point)
            point = true;
        else if (!(IsDigit(static_cast<unsigned char>(c)) || (c == '-' && i == 0)))
            return std::string(message);
    }
    return std::nullopt;
}

std::optional<std::string> CheckZoneTime(std::string_view text)
{
    // A lone sign is a zone time being typed.
    if (text.empty() || text == "-" || text == "+")
        return std::nullopt;
    if (text.front() == '+')
        text.remove_prefix(1);
    int hours = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), hours);
    if (ec != std::errc() || end != text.data() + text.size() || hours < -11 || hours > 12)
        return std::string("Zone time runs from -11 to +12 hours");
    return std::nullopt;
}

std::string EntryFormatOf(std::uint8_t decimalPlaces, bool degMinSec)
{
    // The last field of each half carries the decimals; '.', '\'' and '"'
    // are literals of the format.
    const auto half = [&](const char* degrees, char minutes, char seconds, char hemisphere) {
        std::string text = std::string(degrees) + "\xC2\xB0" + std::string(2, minutes);
        const char last = degMinSec ? seconds : minutes;
        if (degMinSec)
            text += "'" + std::string(2, seconds);
        if (decimalPlaces > 0)
            text += "." + std::string(decimalPlaces, last);
        return text + (degMinSec ? "\\\"" : "'") + hemisphere;
    };
    return half("DD", 'M', 'S', 'N') + " " + half("ddd", 'm', 's', 'E');
}

}   // namespace geo
