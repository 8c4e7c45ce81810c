#pragma once
// One sentence at a time, split into typed field slots, and the parsers that
// copy chosen slots into the value stores.
//
// A field-type string names one letter per comma field after the sentence id:
// 'C' a character, 'D' a number, 'I' an integer, 'S' a text; any other letter
// is skipped without reading a field. The k-th letter of a kind fills the k-th
// slot of that kind, so parsers address "the third number", not positions.
// Letters beyond a kind's slot count read their field and store nothing.
//
// Text slots are views into the message's own copy of the sentence: nothing
// is allocated per field, and the views hold until the next sentence.

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "nmea/NMEADataValue.h"
#include "nmea/NMEAFixRecord.h"
#include "nmea/NMEAValueIndex.h"

namespace nmea {

// A number slot as the parsers read it: the value, or none when the field
// was empty. It reads like std::optional<double> and converts to one, but is a
// plain pair: the compiler copies an optional (a union inside) through the
// stack as one 16-byte block built from an 8-byte and a 1-byte store, and that
// load waits on both stores, at every field read, check and write of a
// sentence. The pair stays in registers.
class CFieldNumber {
public:
    // The conversions are implicit, as an optional's are.
    constexpr CFieldNumber() = default;
    constexpr CFieldNumber(std::nullopt_t) { }
    constexpr CFieldNumber(double value) : m_value(value), m_present(true) { }
    constexpr CFieldNumber(const std::optional<double>& value)
        : m_value(value.value_or(0.0)), m_present(value.has_value())
    { }

    constexpr explicit operator bool() const { return m_present; }
    constexpr bool has_value() const { return m_present; }
    constexpr double operator*() const { return m_value; }
    constexpr double value_or(double absent) const { return m_present ? m_value : absent; }
    constexpr void reset() { *this = {}; }
    constexpr operator std::optional<double>() const
    {
        return m_present ? std::optional<double>(m_value) : std::nullopt;
    }
    friend constexpr bool operator==(CFieldNumber a, CFieldNumber b)
    {
        return a.m_present == b.m_present && (!a.m_present || a.m_value == b.m_value);
    }
    friend constexpr bool operator==(CFieldNumber a, double b)
    {
        return a.m_present && a.m_value == b;
    }
    friend constexpr bool operator==(CFieldNumber a, const std::optional<double>& b)
    {
        return a == CFieldNumber(b);
    }

private:
    double m_value = 0.0;
    bool m_present = false;
};

// Where parsed values go. A sentence names its store (position and navigation
// sentences the GPS store, wind sentences the wind store, own-ship radar data
// the ARPA store), whichever port it arrived on. A null store drops the values
// of its sentences: the module that owns them is not running.
enum class ValueStore : std::uint8_t { GPS, Wind, ARPA };

struct CNMEAStores {
    CNMEADataValue* gps = nullptr;   // each an array of kValueCount values
    CNMEADataValue* wind = nullptr;
    CNMEADataValue* arpa = nullptr;
    // The GPS store's fix record: a sentence that writes a position into the
    // GPS store also writes the whole fix here. Null: no fix record kept.
    CNMEAFixRecord* gpsFix = nullptr;
};

class CNMEAMessage;

// A plain decimal field taken apart: its digits as one integer and how many
// of them follow the point. Exact while there are at most 15 digits.
struct CPlainDecimal {
    std::uint64_t mantissa = 0;
    std::uint8_t fraction = 0;
    bool negative = false;

    double Value() const
    {
        static constexpr double kPowers[16] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                               1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        const double value = static_cast<double>(mantissa) / kPowers[fraction];
        return negative ? -value : value;
    }
};

// A field-type string fixed when the program is built, for the splitters
// compiled per row of the sentence table (see CNMEAMessage::SplitFixed).
struct CFieldTypes {
    static constexpr std::size_t kMaxLetters = 24;
    std::array<char, kMaxLetters> letters{};
    std::size_t size = 0;

    constexpr CFieldTypes(std::string_view types) : size(types.size())   // NOLINT: implicit
    {
        if (types.size() > kMaxLetters)
            throw "field-type string longer than CFieldTypes holds";
        for (std::size_t i = 0; i < types.size(); ++i)
            letters[i] = types[i];
    }
    // How many letters of `kind` there are.
    constexpr int Count(char kind) const
    {
        int count = 0;
        for (std::size_t i = 0; i < size; ++i)
            count += letters[i] == kind ? 1 : 0;
        return count;
    }
    // How many comma fields the letters before the k-th read.
    constexpr int FieldsBefore(std::size_t k) const
    {
        int fields = 0;
        for (std::size_t i = 0; i < k; ++i) {
            const char c = letters[i];
            fields += c == 'C' || c == 'D' || c == 'I' || c == 'S' ? 1 : 0;
        }
        return fields;
    }
    // The slot the k-th letter fills (from 0): the letters of its kind before it.
    constexpr int SlotOf(std::size_t k) const
    {
        int slot = 0;
        for (std::size_t i = 0; i < k; ++i)
            slot += letters[i] == letters[k] ? 1 : 0;
        return slot;
    }
};

// Parsers of the radar target sentences (TLL, TTM, TLB) belong to the target
// module, which keeps the targets they create; it plugs in here.
class CNMEATargetSentenceParser {
public:
    virtual ~CNMEATargetSentenceParser() = default;
    // Called with the message split nowhere yet; clear its valid flag to refuse.
    virtual void ParseTargetSentence(int sentenceIndex, CNMEAMessage& message) = 0;
};

class CNMEAMessage {
public:
    static constexpr int kCharSlots = 9;
    static constexpr int kNumberSlots = 20;
    static constexpr int kIntSlots = 5;
    static constexpr int kTextSlots = 20;
    // Items one sentence can write, remembered for monitors and tools.
    static constexpr int kMaxWritten = 24;

    struct CWritten {
        ValueStore store;
        std::uint8_t item;
    };

    CNMEAMessage();
    virtual ~CNMEAMessage();
    CNMEAMessage(const CNMEAMessage&) = delete;
    CNMEAMessage& operator=(const CNMEAMessage&) = delete;

    // Setup by the owning parser.
    void SetStores(const CNMEAStores& stores) { m_stores = stores; }
    const CNMEAStores& Stores() const { return m_stores; }
    void SetClock(const platform::CClock& clock) { m_clock = &clock; }
    // The navigator's "Ignore warning flags" option; null counts as off.
    void SetIgnoreWarningFlags(const std::atomic<bool>* option) { m_ignoreWarningFlags = option; }
    void SetTargetSentenceParser(CNMEATargetSentenceParser* parser) { m_targetParser = parser; }

    // Takes the sentence from its three-letter id onward (talker removed) and
    // its position in the dispatcher's table; marks the message valid.
    void SetSentence(int sentenceIndex, std::string_view text);
    // Takes a received line after its '$' (two talker letters, then the id of
    // the table's row `sentenceIndex`) when its checksum holds (see
    // NmeaChecksumOk): copied, checked and its fields indexed in one pass. On
    // a mismatch answers false and the message keeps the sentence it had.
    bool SetCheckedLine(int sentenceIndex, std::string_view line);
    // Runs the sentence's parser when it has one and the id is followed by a
    // comma; true when a parser ran (it may still have refused the sentence).
    virtual bool Parse();

    void Split(std::string_view fieldTypes);
    // Split(Types) from field 2 on, as Parse starts, with every letter's
    // field and slot fixed when the program is built: the sentence table's
    // rows split this way. Defined in nmea/FieldSplit.h.
    template <CFieldTypes Types>
    void SplitFixed();

    // Comma field `number` of the sentence (1 is the id itself). Each ',',
    // '*' and line end ends a field, so the field after the last data field
    // holds the checksum digits; numbers past the end read as empty.
    std::string_view GetField(int number)
    {
        if (!m_indexed)
            IndexFields();
        return IndexedField(number);
    }

    // Slots, numbered from 1 as the parsers name them ("D2" is Number(2)).
    // Slots past a kind's count were not filled by the last split: absent.
    std::optional<char> Char(int k) const { return SlotValue(m_chars, m_charsUsed, k); }
    // Always inline: a parser reads its slots by constant numbers, so the
    // bound and presence tests fold into its own checks; as a call each read
    // cost about 2% of the intake.
    [[gnu::always_inline]] CFieldNumber Number(int k) const
    {
        if (k < 1 || k > m_numbersUsed)
            return std::nullopt;
        const NumberSlot& slot = m_numbers[static_cast<std::size_t>(k - 1)];
        if (!slot.present)
            return std::nullopt;
        return slot.converted ? slot.value : slot.parts.Value();
    }
    std::optional<std::int32_t> Int(int k) const { return SlotValue(m_ints, m_intsUsed, k); }
    std::optional<std::string_view> Text(int k) const { return SlotValue(m_texts, m_textsUsed, k); }

    bool IsValid() const { return m_valid; }
    void Refuse() { m_valid = false; }
    int SentenceIndex() const { return m_sentenceIndex; }
    std::string_view SentenceText() const { return m_sentence; }
    int NextFieldNumber() const { return m_nextField; }
    void SetNextFieldNumber(int number) { m_nextField = number; }

    // True when a status letter counts as "A" under the warning-flag rule.
    bool StatusOk(std::optional<char> status) const;

    // The writes of one accepted sentence into one store, made as the parser
    // asks for them: each value carries the sentence's stamp and is written
    // under its own lock, and is remembered as written by this sentence.
    // Writes into a store that is not running and items outside the index
    // are dropped. A parser makes one only after every field has passed its
    // checks, so a refused sentence writes nothing.
    class CWriter {
    public:
        CWriter(CNMEAMessage& message, ValueStore store)
            : m_message(message), m_store(store), m_values(message.StoreValues(store))
        {
            if (m_values != nullptr)
                m_stamp = message.StampNow();
        }
        CWriter(const CWriter&) = delete;
        CWriter& operator=(const CWriter&) = delete;

        // An absent value writes nothing.
        void Double(int item, CFieldNumber value)
        {
            if (value && Open(item))
                Written(item).SetDouble(*value, m_stamp);
        }
        void Int(int item, std::optional<std::int32_t> value)
        {
            if (value && Open(item))
                Written(item).SetInt(*value, m_stamp);
        }
        // A letter stored as its character code.
        void Code(int item, std::optional<char> letter)
        {
            if (letter && Open(item))
                Written(item).SetInt(static_cast<unsigned char>(*letter), m_stamp);
        }
        void String(int item, std::string_view value)
        {
            if (Open(item))
                Written(item).SetString(value, m_stamp);
        }
        // A position sentence that stored a latitude and a longitude (the
        // store's north/east-negative ddmm.mmm numbers) into the GPS store
        // writes the whole fix with them: its own time and date, the datum
        // items standing now and the stamp of its values.
        void Fix(double latitude, double longitude, CFieldNumber utcTime, CFieldNumber date);

    private:
        bool Open(int item) const { return m_values != nullptr && item >= 0 && item < kValueCount; }
        CNMEADataValue& Written(int item)
        {
            m_message.NoteWritten(m_store, item);
            return m_values[item];
        }

        CNMEAMessage& m_message;
        ValueStore m_store;
        CNMEADataValue* m_values;
        CNMEAStamp m_stamp{};
    };

    // What the last sentence wrote, in order.
    int WrittenCount() const { return m_writtenCount; }
    const CWritten& Written(int i) const { return m_written[static_cast<std::size_t>(i)]; }

private:
    CNMEADataValue* StoreValues(ValueStore store) const
    {
        switch (store) {
        case ValueStore::GPS: return m_stores.gps;
        case ValueStore::Wind: return m_stores.wind;
        case ValueStore::ARPA: return m_stores.arpa;
        }
        return nullptr;
    }
    CNMEAStamp StampNow() const;
    void NoteWritten(ValueStore store, int item)
    {
        if (m_writtenCount < kMaxWritten)
            m_written[static_cast<std::size_t>(m_writtenCount++)] = {
                store, static_cast<std::uint8_t>(item)};
    }

    template <class T>
    struct Slot {
        bool present = false;
        T value{};
    };
    template <class T, std::size_t N>
    static std::optional<T> SlotValue(const std::array<Slot<T>, N>& filled, int used, int k)
    {
        if (k < 1 || k > used || !filled[static_cast<std::size_t>(k - 1)].present)
            return std::nullopt;
        return filled[static_cast<std::size_t>(k - 1)].value;
    }

    std::array<Slot<char>, kCharSlots> m_chars{};
    // A number slot keeps a plain decimal's parts and converts them when read.
    struct NumberSlot {
        bool present = false;
        bool converted = false;   // `value` holds it (not a plain decimal)
        double value = 0.0;
        CPlainDecimal parts;
    };
    // One field into one slot. Defined in nmea/FieldSplit.h.
    static void SplitCharInto(Slot<char>& slot, std::string_view field);
    void SplitNumberInto(NumberSlot& slot, std::string_view field);
    void SplitIntegerInto(Slot<std::int32_t>& slot, std::string_view field);
    static void SplitTextInto(Slot<std::string_view>& slot, std::string_view field);
    template <CFieldTypes Types, std::size_t... K>
    void SplitFixedLetters(std::index_sequence<K...> letters);
    template <char Type, int Field, int SlotIndex>
    void SplitFixedLetter();
    std::array<NumberSlot, kNumberSlots> m_numbers{};
    std::array<Slot<std::int32_t>, kIntSlots> m_ints{};
    std::array<Slot<std::string_view>, kTextSlots> m_texts{};
    int m_nextField = 2;
    // The sentence: in a short copy when it fits, as every received line
    // does (a plain copy, no string bookkeeping per line), else in m_long.
    // Either way a zero byte follows it, so a field always ends at a byte
    // that is neither digit nor letter. The two short copies take turns: a
    // sentence is copied into the one not in use, so a line refused for its
    // checksum leaves the sentence before it whole. A copy has room for a
    // line (talker included) and sixteen bytes beyond, for whole-block
    // stores.
    static constexpr std::size_t kShortSentence = 128;
    static constexpr std::size_t kCopyRoom = kShortSentence + 2 + 16;
    std::array<std::array<char, kCopyRoom>, 2> m_copies{};
    int m_copy = 0;   // the copy holding a short m_sentence
    std::string m_long;
    char* FreeCopy() { return m_copies[static_cast<std::size_t>(m_copy ^ 1)].data(); }
    // The resets of a new sentence, once its text is in place.
    void BeginSentence(int sentenceIndex, std::string_view sentence);
    std::string_view m_sentence;
    int m_sentenceIndex = -1;
    bool m_valid = false;
    int m_charsUsed = 0;
    int m_intsUsed = 0;
    int m_numbersUsed = 0;
    int m_textsUsed = 0;

    // Where each comma field of the data ends (up to the first '*' or line
    // end), found in one pass the first time a field is asked for. Fields
    // past those, the checksum digits and anything after them or past what
    // the table holds, are read by walking on from the last one indexed.
    static constexpr int kIndexedFields = 48;
    void IndexFields();
    std::string_view FieldBeyondIndex(int number) const;
    // Split's handling of one field per kind of slot.
    void SplitChar(std::string_view field);
    void SplitNumber(std::string_view field);
    void SplitInteger(std::string_view field);
    void SplitText(std::string_view field);
    // GetField once the fields are indexed.
    std::string_view IndexedField(int number) const
    {
        if (number < 1)
            return {};
        if (number > m_fieldCount)
            return FieldBeyondIndex(number);
        const auto k = static_cast<std::size_t>(number - 1);
        const std::size_t begin = k == 0 ? 0 : m_fieldEnd[k - 1] + 1U;
        return {m_sentence.data() + begin, m_fieldEnd[k] - begin};
    }
    bool m_indexed = false;
    int m_fieldCount = 0;
    bool m_moreFields = false;
    std::array<std::uint16_t, kIndexedFields> m_fieldEnd{};

    CNMEAStores m_stores;
    const platform::CClock* m_clock = nullptr;
    const std::atomic<bool>* m_ignoreWarningFlags = nullptr;
    CNMEATargetSentenceParser* m_targetParser = nullptr;
    std::array<CWritten, kMaxWritten> m_written{};
    int m_writtenCount = 0;
};

// Number conversions of the splitter, offered for the tests and the tool.
// A number converts completely or is none: text left over ("10.0 ", "1.2.3"),
// infinities, NaN and numbers that overflow a double are none; one too small
// for a double reads as the conversion rounds it (0). Leading blanks and a
// plus sign are allowed.
std::optional<double> NmeaParseNumber(std::string_view field);
// The leading integer of a text: base 16 when the text holds an 'x' or 'X'
// anywhere ("0x1F" and "1Fx" both read 31), else base 10; leading blanks and
// a sign allowed; reading stops at the first character that does not belong
// ("12abc" reads 12) and no digits at all read 0. Beyond 32 bits it stops at
// the nearer limit.
std::int32_t NmeaParseInt(std::string_view field);

// The checksum rule on input: XOR of every character between the '$' and the
// last '*', against the (up to) two hex digits after it. A line without '*'
// passes unchecked.
bool NmeaChecksumOk(std::string_view lineWithoutDollar);

}   // namespace nmea
