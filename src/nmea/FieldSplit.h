#pragma once
// The splitter's handling of one field, shared by the run-time Split and the
// splitters compiled per row of the sentence table (CNMEAMessage::SplitFixed).
// Included only where a splitter is built.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "nmea/NMEAMessage.h"
#include "platform/Ascii.h"

namespace nmea {

namespace field_split {

// Nearly every field an instrument sends is a short plain decimal such as
// "4807.038" or "-12.5": at most 15 digits, so the digits make an exact
// integer and the power of ten it is divided by is exact too. One division
// then gives the correctly rounded double, the same one the general
// conversion finds. Anything else (exponents, long mantissas, stray
// characters) is left to the general path.
//
// `Ended`: the byte at `last` is known to be no digit (a field of the
// message's sentence ends at a delimiter or the sentence's terminating zero),
// so the digit runs stop by themselves and need no bound.
template <bool Ended>
inline bool PlainDecimal(const char* first, const char* last, CPlainDecimal& out)
{
    const auto isDigit = [&](const char* p) {
        return (Ended || p != last) && static_cast<unsigned char>(*p - '0') <= 9;
    };
    out.negative = first != last && *first == '-';
    if (out.negative)
        ++first;
    std::uint64_t mantissa = 0;
    const char* const start = first;
    while (isDigit(first))
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(*first++ - '0');
    const auto whole = first - start;
    long fraction = 0;
    if (first != last && *first == '.') {
        const char* const point = ++first;
        while (isDigit(first))
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(*first++ - '0');
        fraction = first - point;
    }
    if (first != last || whole + fraction == 0 || whole + fraction > 15)
        return false;
    out.mantissa = mantissa;
    out.fraction = static_cast<std::uint8_t>(fraction);
    return true;
}

// NmeaParseInt with its usual case inline: a few plain digits (counts, days,
// zone hours).
inline std::int32_t Int(std::string_view field)
{
    if (field.empty() || field.size() > 9)
        return NmeaParseInt(field);
    std::int32_t value = 0;
    for (const char c : field) {
        const auto digit = static_cast<unsigned char>(c - '0');
        if (digit > 9)
            return NmeaParseInt(field);
        value = value * 10 + digit;
    }
    return value;
}

}   // namespace field_split

inline void CNMEAMessage::SplitCharInto(Slot<char>& slot, std::string_view field)
{
    slot.present = !field.empty();
    slot.value = field.empty() ? '\0' : platform::AsciiUpper(field.front());
}

// Checked now, converted when a parser asks: most sentences carry numbers
// nobody stores. A field that is no whole number ("022.4x", "10.0.1") is
// absent like an empty one: the rest of the sentence still counts, so one
// garbled speed does not cost the position beside it.
inline void CNMEAMessage::SplitNumberInto(NumberSlot& slot, std::string_view field)
{
    slot.present = false;
    slot.converted = false;
    if (field.empty())
        return;
    if (field_split::PlainDecimal<true>(field.data(), field.data() + field.size(), slot.parts)) {
        slot.present = true;
    } else if (const auto number = NmeaParseNumber(field)) {
        slot.present = true;
        slot.converted = true;
        slot.value = *number;
    }
}

// Any field that is not empty holds an integer: its leading number, or 0.
inline void CNMEAMessage::SplitIntegerInto(Slot<std::int32_t>& slot, std::string_view field)
{
    slot.present = !field.empty();
    slot.value = slot.present ? field_split::Int(field) : 0;
}

inline void CNMEAMessage::SplitTextInto(Slot<std::string_view>& slot, std::string_view field)
{
    slot.present = !field.empty();
    slot.value = field;
}

// Every letter is resolved here, at compile time, to its field number and
// its slot: what is left per field is reading it and filling that slot.
template <CFieldTypes Types>
void CNMEAMessage::SplitFixed()
{
    if (!m_indexed)
        IndexFields();
    SplitFixedLetters<Types>(std::make_index_sequence<Types.size>{});
    constexpr int chars = std::min(Types.Count('C'), kCharSlots);
    constexpr int numbers = std::min(Types.Count('D'), kNumberSlots);
    constexpr int ints = std::min(Types.Count('I'), kIntSlots);
    constexpr int texts = std::min(Types.Count('S'), kTextSlots);
    constexpr int fields = Types.FieldsBefore(Types.size);
    m_charsUsed = chars;
    m_numbersUsed = numbers;
    m_intsUsed = ints;
    m_textsUsed = texts;
    m_nextField = 2 + fields;
}

template <CFieldTypes Types, std::size_t... K>
void CNMEAMessage::SplitFixedLetters(std::index_sequence<K...> /*letters*/)
{
    (SplitFixedLetter<Types.letters[K], 2 + Types.FieldsBefore(K), Types.SlotOf(K)>(), ...);
}

// A letter beyond its kind's slots, like any other letter, stores nothing.
template <char Type, int Field, int SlotIndex>
void CNMEAMessage::SplitFixedLetter()
{
    constexpr auto slot = static_cast<std::size_t>(SlotIndex);
    if constexpr (Type == 'C' && SlotIndex < kCharSlots)
        SplitCharInto(m_chars[slot], IndexedField(Field));
    else if constexpr (Type == 'D' && SlotIndex < kNumberSlots)
        SplitNumberInto(m_numbers[slot], IndexedField(Field));
    else if constexpr (Type == 'I' && SlotIndex < kIntSlots)
        SplitIntegerInto(m_ints[slot], IndexedField(Field));
    else if constexpr (Type == 'S' && SlotIndex < kTextSlots)
        SplitTextInto(m_texts[slot], IndexedField(Field));
}

}   // namespace nmea
