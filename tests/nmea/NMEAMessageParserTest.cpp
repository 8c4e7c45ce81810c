// Sentence intake from line to store: the field splitter, the dispatcher with
// its checksum rule, and every instrument parser with its sign, status and
// range rules.

#include "nmea/NMEAMessageParser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "FakeClock.h"
#include "nmea/FieldSplit.h"
#include "nmea/NMEAConvert.h"
#include "nmea/NMEASentenceTable.h"

using nmea::CNMEAGPSParser;
using nmea::CNMEAMessage;
using nmea::NMEALineResult;
using nmea::ValueKind;
namespace item = nmea::item;

namespace {

std::string WithChecksum(std::string_view body)
{
    unsigned sum = 0;
    for (const char c : body)
        sum ^= static_cast<unsigned char>(c);
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", sum);
    return "$" + std::string(body) + "*" + digits;
}

// Splits the fields after the sentence id by their one-letter types.
void Split(CNMEAMessage& m, int sentence, std::string_view text, std::string_view types)
{
    m.SetSentence(sentence, text);
    m.SetNextFieldNumber(2);
    m.Split(types);
}

// Empty fields leave their slot absent. Each ',', '*' and line end ends a
// field, so a sentence shorter than its type string reads its checksum digits
// into the first missing slot, and empty fields after that.
TEST(FieldSplitter, EmptyFieldsAreAbsentAndTheChecksumDigitsAreTheNextField)
{
    CNMEAMessage m;
    Split(m, nmea::sentence::DBT, "DBT,0036.4,f,,M,0006.0,F*2A\r\n", "DCDCDC");
    EXPECT_EQ(m.Number(1), 36.4);
    EXPECT_FALSE(m.Number(2).has_value());
    EXPECT_EQ(m.Number(3), 6.0);
    EXPECT_EQ(m.Char(1), 'F');   // letters are upper-cased
    EXPECT_EQ(m.Char(2), 'M');
    EXPECT_EQ(m.Char(3), 'F');

    Split(m, nmea::sentence::DBT, "DBT,0036.4,f,0011.1,M,0006.0,F*6A\r\n", "DCDCDCSSS");
    EXPECT_EQ(m.Text(1), "6A");
    EXPECT_FALSE(m.Text(2).has_value());
    EXPECT_FALSE(m.Text(3).has_value());
    EXPECT_EQ(m.NextFieldNumber(), 11);

    Split(m, nmea::sentence::GLL, "GLL,4916.45,N,12311.12,W*31\r\n", "DCDCDS");
    EXPECT_EQ(m.Number(2), 12311.12);
    EXPECT_EQ(m.Number(3), 31.0);   // the checksum digits, read as a number
    EXPECT_FALSE(m.Text(1).has_value());
    EXPECT_EQ(m.GetField(5), "W");
    EXPECT_EQ(m.GetField(6), "31");
    EXPECT_EQ(m.GetField(7), "");
    EXPECT_EQ(m.GetField(2), "4916.45");   // going back re-reads from the start

    // Letters other than C, D, I and S read no field.
    Split(m, nmea::sentence::HDM, "HDM,12.5,M", "x-D?C");
    EXPECT_EQ(m.Number(1), 12.5);
    EXPECT_EQ(m.Char(1), 'M');
    EXPECT_EQ(m.NextFieldNumber(), 4);

    // Without a checksum the text's end ends the last field; nothing follows.
    Split(m, nmea::sentence::GLL, "GLL,4916.45,N", "DCS");
    EXPECT_FALSE(m.Text(1).has_value());
    // Checked and indexed in one pass, the line reads the same.
    ASSERT_TRUE(
        m.SetCheckedLine(nmea::sentence::ZDA, WithChecksum("GPZDA,201530.00,04,07").substr(1)));
    m.SetNextFieldNumber(2);
    m.Split("DIIIII");
    EXPECT_EQ(m.Int(2), 7);
    EXPECT_EQ(m.Int(3), std::int32_t(std::strtol(std::string(m.GetField(5)).c_str(), nullptr, 10)));
    EXPECT_FALSE(m.Int(4).has_value());
}

// A field for a number that is not one number with nothing left over is
// absent, as an empty one is; the sentence and its other fields stand.
TEST(FieldSplitter, GarbledNumbersAreAbsentAndTheSentenceStands)
{
    const std::pair<const char*, std::optional<double>> rows[] = {
        {"12.5", 12.5},  {"-0.25", -0.25}, {" 7", 7.0},   {"+3.5", 3.5}, {"", {}},
        {"1.2.3", {}},   {"10.0.1", {}},   {"12.5 ", {}}, {"10.0 ", {}}, {"12a", {}},
        {"022.4x", {}},  {"5O30.50", {}},  {"nan", {}},   {"inf", {}},   {"1e309", {}},
        {"-1e309", {}},  {"+", {}},        {"-", {}},     {" ", {}},     {"1e-400", 0.0},
        {"2.5e1", 25.0},
    };
    for (const auto& [field, value] : rows) {
        CNMEAMessage m;
        Split(m, nmea::sentence::HDM, std::string("HDM,") + field + ",M,7.5", "DCD");
        EXPECT_EQ(m.Number(1), value) << field;
        EXPECT_TRUE(m.IsValid()) << field;
        EXPECT_EQ(m.Char(1), 'M') << field;
        EXPECT_EQ(m.Number(2), 7.5) << field;
    }
}

// An integer field that is not empty reads its leading number: base 16 when
// the text holds an 'x' anywhere, else base 10; text after the number is
// ignored and a text without one reads 0. Beyond 32 bits it stops at the limit.
TEST(FieldSplitter, IntegersReadTheirLeadingNumber)
{
    const std::pair<const char*, std::optional<std::int32_t>> rows[] = {
        {"42", 42},
        {"-07", -7},
        {" +5", 5},
        {"0x1F", 31},
        {"0X1f", 31},
        {"1Fx", 31},
        {"1fX", 31},
        {"-0x10", -16},
        {"12abc", 12},
        {"+5h", 5},
        {"ff", 0},   // no 'x': base 10, and no decimal digit
        {"Q", 0},
        {"0x", 0},
        {"x1", 0},
        {"-", 0},
        {"-2147483648", INT32_MIN},
        {"2147483648", INT32_MAX},
        {"99999999999999999999", INT32_MAX},
        {"-99999999999", INT32_MIN},
        {"", {}},
    };
    for (const auto& [field, value] : rows) {
        if (value) {
            EXPECT_EQ(nmea::NmeaParseInt(field), *value) << field;
        }
        CNMEAMessage m;
        Split(m, nmea::sentence::ZDA, std::string("ZDA,120000,") + field + ",12", "DII");
        EXPECT_EQ(m.Int(1), value) << field;
        EXPECT_EQ(m.Int(2), 12) << field;
        EXPECT_TRUE(m.IsValid()) << field;
    }
}

// More fields and type letters than slots: the extra ones are dropped, never written past the end.
TEST(FieldSplitter, ExtraLettersAreCappedAtTheSlotsThatExist)
{
    CNMEAMessage m;
    std::string text = "APB";
    for (int i = 0; i < 40; ++i)
        text += ",A";
    Split(m, nmea::sentence::APB, text,
          std::string(30, 'C') + std::string(30, 'I') + "XYZ" + std::string(30, 'S'));
    for (int k = 1; k <= CNMEAMessage::kCharSlots; ++k)
        EXPECT_EQ(m.Char(k), 'A');
    EXPECT_FALSE(m.Char(CNMEAMessage::kCharSlots + 1).has_value());
    EXPECT_FALSE(m.Char(0).has_value());
    EXPECT_EQ(m.Int(CNMEAMessage::kIntSlots), 0);   // "A" holds no digit: 0
    EXPECT_FALSE(m.Int(CNMEAMessage::kIntSlots + 1).has_value());
    EXPECT_FALSE(m.Text(1).has_value());   // the 61st field onward is past the end

    // A second split clears the slots the first one filled.
    Split(m, nmea::sentence::VTG, "VTG,1,T,2,M,3,N,4,K", "DCDCDCDC");
    m.SetNextFieldNumber(2);
    m.Split("D");
    EXPECT_EQ(m.Number(1), 1.0);
    EXPECT_FALSE(m.Number(2).has_value());
    EXPECT_FALSE(m.Char(1).has_value());
}

// The slots, flag and next field number a split left, for comparing splits.
std::string SlotsOf(const CNMEAMessage& m)
{
    std::string out = (m.IsValid() ? "valid " : "refused ") + std::to_string(m.NextFieldNumber());
    for (int k = 0; k <= CNMEAMessage::kCharSlots + 1; ++k)
        out += m.Char(k) ? std::string(" C") + *m.Char(k) : " C-";
    for (int k = 0; k <= CNMEAMessage::kNumberSlots + 1; ++k)
        out += m.Number(k) ? " D" + std::to_string(*m.Number(k)) : " D-";
    for (int k = 0; k <= CNMEAMessage::kIntSlots + 1; ++k)
        out += m.Int(k) ? " I" + std::to_string(*m.Int(k)) : " I-";
    for (int k = 0; k <= CNMEAMessage::kTextSlots + 1; ++k)
        out += m.Text(k) ? " S" + std::string(*m.Text(k)) : " S-";
    return out;
}

// Every row of the sentence table splits with a splitter compiled from its
// field types; it must fill the slots and leave the next field number
// exactly as the run-time split of the same types does,
// with fields empty, plain, garbled or missing. Type strings with other
// letters and more letters than slots are checked the same way.
template <nmea::CFieldTypes Types>
void SplitBothWays(CNMEAMessage& fixed, CNMEAMessage& run, int sentence, const std::string& text)
{
    fixed.SetSentence(sentence, text);
    fixed.SetNextFieldNumber(2);
    fixed.SplitFixed<Types>();
    Split(run, sentence, text, std::string_view(Types.letters.data(), Types.size));
}

TEST(FieldSplitter, CompiledSplittersFillWhatTheRunTimeSplitFills)
{
    const char* const kFields[] = {"",    "12.5", "-3",  "4807.038", "A",    "v",          "x",
                                   "5O3", "0x1F", "1e5", " 7",       "1e99", "2147483648", "+8"};
    std::uint32_t seed = 77;
    const auto next = [&] {
        seed = seed * 1664525U + 1013904223U;
        return seed >> 16;
    };
    const auto sentenceOf = [&](std::string_view id, int fields) {
        std::string text(id);
        for (int k = 0; k < fields; ++k)
            text += "," + std::string(kFields[next() % std::size(kFields)]);
        return text + (next() % 2 == 0 ? "*1C\r\n" : "");
    };
    CNMEAMessage fixed;
    CNMEAMessage run;
    int rows = 0;
    int garbled = 0;
    for (int index = 0; const nmea::SentenceRow* row = nmea::NmeaSentenceRow(index); ++index) {
        ASSERT_NE(row->split, nullptr) << row->id;
        rows += row->fieldTypes.empty() ? 0 : 1;
        for (int round = 0; round < 300; ++round) {
            // Fewer fields than types now and then: the rest read as empty.
            const auto fields = static_cast<int>(row->fieldTypes.size() + 1 - next() % 4);
            const std::string text = sentenceOf(row->id, std::max(fields, 0));
            fixed.SetSentence(index, text);
            fixed.SetNextFieldNumber(2);
            row->split(fixed);
            Split(run, index, text, row->fieldTypes);
            ASSERT_EQ(SlotsOf(fixed), SlotsOf(run)) << text;
            ASSERT_TRUE(run.IsValid()) << text;
            garbled += text.find("5O3") != std::string::npos ? 1 : 0;
        }
    }
    EXPECT_EQ(rows, 27);
    EXPECT_GT(garbled, 1000);
    for (int round = 0; round < 300; ++round) {
        const std::string text = sentenceOf("APB", 40);
        SplitBothWays<nmea::CFieldTypes("DxCIS-SDC")>(fixed, run, nmea::sentence::APB, text);
        ASSERT_EQ(SlotsOf(fixed), SlotsOf(run)) << text;
        SplitBothWays<nmea::CFieldTypes("CCCCCCCCCCCIIIIIIIDDDDDD")>(fixed, run,
                                                                     nmea::sentence::APB, text);
        ASSERT_EQ(SlotsOf(fixed), SlotsOf(run)) << text;
        SplitBothWays<nmea::CFieldTypes("")>(fixed, run, nmea::sentence::APB, text);
        ASSERT_EQ(SlotsOf(fixed), SlotsOf(run)) << text;
    }
}

// The fields of a sentence split the plain way: every ',', '*' and line end
// ends one.
std::vector<std::string> PlainFields(std::string_view text)
{
    std::vector<std::string> fields(1);
    for (const char c : text) {
        if (c == ',' || c == '*' || c == '\r' || c == '\n')
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

// The message indexes fields many bytes at a time and keeps short sentences
// in a buffer of its own: fields must read the same at every position of a
// scan, in sentences short and long (past the buffer, past the fields the
// index holds), and a short sentence after a long one reads only its own.
TEST(FieldSplitter, FieldsReadAsAPlainSplitWhateverTheSentenceLength)
{
    CNMEAMessage m;
    for (int count = 1; count <= 70; ++count) {
        std::string text = "RSD";
        for (int k = 1; k < count; ++k)
            text += "," + std::to_string(k * 7 % 1000) + (k % 3 == 0 ? ".5" : "");
        for (const std::string_view end : {"", "*4F\r\n", "\r\n", ",*00", "*00,9,9\r\n"}) {
            const std::string sentence = text + std::string(end);
            Split(m, nmea::sentence::RSD, sentence, std::string(11, 'D'));
            const std::vector<std::string> plain = PlainFields(sentence);
            for (int k = 1; k <= count + 3; ++k) {
                const std::string expected = k <= static_cast<int>(plain.size())
                                                 ? plain[static_cast<std::size_t>(k - 1)]
                                                 : "";
                ASSERT_EQ(m.GetField(k), expected) << sentence << " field " << k;
            }
            for (int k = 1; k <= 11; ++k) {
                const std::string& field = k + 1 <= static_cast<int>(plain.size())
                                               ? plain[static_cast<std::size_t>(k)]
                                               : std::string();
                ASSERT_EQ(m.Number(k), nmea::NmeaParseNumber(field)) << sentence << " number " << k;
            }
        }
    }
    // Digits of the long sentence before lie behind this one's last field.
    Split(m, nmea::sentence::HDM, "HDM,12.5", "D");
    EXPECT_EQ(m.Number(1), 12.5);
}

// Every run of up to a dozen digits, with the point anywhere in it or none, a
// sign or none, and one byte garbled at any position, converts as a plain
// conversion of the field does, or is absent when that finds no number;
// wherever the field sits in a short or a long sentence. The garbles
// are the bytes next to the digits, the point, a sign, a comma, a zero byte
// and bytes with the top bit set (one of them a '9' below it).
TEST(FieldSplitter, DigitRunsConvertAsAPlainConversionDoes)
{
    const auto plain = [](const std::string& field) -> std::optional<double> {
        double value = 0;
        const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
        if (ec != std::errc() || end != field.data() + field.size())
            return std::nullopt;
        return value;
    };
    const std::string longField(130, 'a');
    const std::pair<std::string, std::string> placings[] = {
        {"HDM,", ",M"},
        {"HDM,", ""},
        {"HDM,", "*00\r\n"},
        {"HDM,", "," + longField},
        {"HDM," + longField + ",", ""},
    };
    const char garbles[] = {'/', ':', 'x', '.', '-', ',', '\x80', '\xb9', '\0'};
    CNMEAMessage m;
    int checked = 0;
    const auto check = [&](const std::string& field) {
        const std::optional<double> expected = field.empty() ? std::nullopt : plain(field);
        for (const auto& [before, after] : placings) {
            const std::string sentence = before + field + after;
            const bool afterText = before.size() > 4;
            Split(m, nmea::sentence::HDM, sentence, afterText ? "SD" : "D");
            if (m.GetField(afterText ? 3 : 2) != field)
                continue;   // the garble ended the field: a different field, not this one
            ++checked;
            ASSERT_EQ(m.Number(1), expected) << '"' << sentence << '"';
            ASSERT_TRUE(m.IsValid()) << '"' << sentence << '"';
        }
    };
    for (int digits = 0; digits <= 12; ++digits) {
        std::string run;
        for (int k = 0; k < digits; ++k)
            run += "9081726354"[k % 10];
        for (int point = -1; point <= digits; ++point) {
            std::string body = run;
            if (point >= 0)
                body.insert(static_cast<std::size_t>(point), 1, '.');
            for (const std::string sign : {"", "-"}) {
                const std::string field = sign + body;
                check(field);
                for (std::size_t at = 0; at < field.size(); ++at)
                    for (const char garble : garbles) {
                        std::string garbled = field;
                        garbled[at] = garble;
                        check(garbled);
                    }
            }
        }
    }
    EXPECT_GT(checked, 10000);
}

struct DispatcherTest : ::testing::Test {
    brine_test::FakeClock clock;
    CNMEAGPSParser parser{clock, 5};
};

TEST_F(DispatcherTest, ChecksumRule)
{
    const std::string kGll = WithChecksum("GPGLL,5030.50,N,00140.25,E,123519,A");   // checksum 26
    const std::string body = kGll.substr(1, kGll.size() - 4);
    const std::pair<std::string, bool> rows[] = {
        {kGll, true},
        {"$" + body + "*27", false},
        {"$" + body, true},   // no '*': no check
        {kGll + "\r\n", true},
        {kGll.substr(1), true},   // a line without '$' is taken as it is
        {"$" + body + "*", false},   // '*' at the end checks against 0
        {"$" + body + "*G26", false},   // conversion stops at the first non-hex
        {WithChecksum("gpgll,5030.50,N,00140.25,E,123519,A"),
         true},   // ids match whatever the case
        {"$GPHDM,12.0,M,!*B", true},   // one digit is the whole checksum
        {"$GPHDM,12.0,M,!*b", true},   // hex digits in either case
        {WithChecksum("GPHDM,13.0,M*junk"), true},   // only the last '*' counts
    };
    for (const auto& [line, accepted] : rows) {
        CNMEAGPSParser p(clock, 5);
        EXPECT_EQ(p.ParseLine(line), accepted) << line;
        EXPECT_EQ(p.LastResult() == NMEALineResult::Parsed, accepted) << line;
        EXPECT_EQ(p.Value(item::Latitude).IsValid() || p.Value(item::HeadingMagnetic).IsValid(),
                  accepted)
            << line;
    }
}

// The checksum takes many bytes at a time: every length of line, with bytes
// of every value before the '*' and the '*' near the end or further back,
// must check as the plain byte-by-byte XOR does, and one flipped bit
// anywhere must fail it.
TEST(ChecksumRule, EveryLengthChecksAsAPlainXor)
{
    std::uint32_t seed = 12345;
    const auto next = [&] {
        seed = seed * 1664525U + 1013904223U;
        return static_cast<char>(seed >> 24);
    };
    for (std::size_t length = 0; length <= 120; ++length) {
        std::string body;
        for (std::size_t i = 0; i < length; ++i) {
            char c = next();
            body += c == '*' ? '+' : c;
        }
        unsigned sum = 0;
        for (const char c : body)
            sum ^= static_cast<unsigned char>(c);
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02x", sum);
        EXPECT_TRUE(nmea::NmeaChecksumOk(body + "*" + digits + "\r\n")) << length;
        // Text after the digits: the '*' is further back than the usual end.
        EXPECT_TRUE(nmea::NmeaChecksumOk(body + "*" + digits + std::string(20, 'x'))) << length;
        for (std::size_t i = 0; i < length; i += 7) {
            std::string flipped = body;
            flipped[i] = static_cast<char>(flipped[i] ^ 0x10);
            if (flipped[i] != '*') {
                EXPECT_FALSE(nmea::NmeaChecksumOk(flipped + "*" + digits)) << length << " at " << i;
            }
        }
    }
}

// A line of the table is copied, checked and indexed in one pass of whole
// blocks. At every length, with a flipped bit, a '*', a line end or a comma
// at every position (the talker's letters included), it must answer as the
// separate checksum does, and then hold the fields a plain split of the
// sentence holds; a line refused for its checksum leaves the sentence before
// it, fields and all.
TEST(ChecksumRule, OnePassAgreesWithTheChecksumAndTheSplit)
{
    std::uint32_t seed = 2024;
    const auto next = [&] {
        seed = seed * 1664525U + 1013904223U;
        return seed >> 24;
    };
    const std::string kBefore = WithChecksum("GPGLL,4916.45,N,12311.12,W,225444,A").substr(1);
    const auto fieldsOf = [](CNMEAMessage& m) {
        std::vector<std::string> fields;
        for (int k = 1; k <= 60; ++k)
            fields.emplace_back(m.GetField(k));
        return fields;
    };
    CNMEAMessage m;
    CNMEAMessage plain;
    plain.SetSentence(nmea::sentence::GLL, std::string_view(kBefore).substr(2));
    const auto fieldsBefore = fieldsOf(plain);
    // Bytes of a sentence at every length, commas thick in every third line
    // so that some carry more fields than the index holds, and a few bytes of
    // anything; then lines of just about as many fields as the index holds.
    std::vector<std::string> lines;
    for (std::size_t length = 0; length <= 130; ++length) {
        std::string line = std::string("GPRMC").substr(0, length);
        while (line.size() < length) {
            const unsigned r = next();
            const bool commas = length % 3 == 0 ? r < 160 : r < 40;
            line += commas ? ',' : r < 240 ? static_cast<char>('0' + r % 10) : static_cast<char>(r);
        }
        lines.push_back(line);
    }
    for (std::size_t fields = 45; fields <= 51; ++fields)
        for (const std::string_view field : {"", "7", "12"}) {
            std::string line = "GPRMC";
            for (std::size_t k = 1; k < fields; ++k)
                line += "," + std::string(field);
            lines.push_back(line + "*00\r\n");
        }
    int refused = 0;
    for (std::string& line : lines) {
        const std::size_t length = line.size();
        if (length >= 10) {
            unsigned sum = 0;
            for (std::size_t i = 0; i + 5 < length; ++i)
                sum ^= static_cast<unsigned char>(line[i]);
            char digits[3];
            std::snprintf(digits, sizeof digits, length % 2 != 0 ? "%02x" : "%02X", sum);
            line.replace(length - 5, 5, std::string("*") + digits + "\r\n");
        }
        std::vector<std::string> variants{line};
        for (std::size_t i = 0; i < length; ++i)
            for (const char c : {static_cast<char>(line[i] ^ 0x01), '*', '\r', '\n', ','}) {
                variants.push_back(line);
                variants.back()[i] = c;
            }
        for (const std::string& variant : variants) {
            ASSERT_TRUE(m.SetCheckedLine(nmea::sentence::GLL, kBefore));
            const bool taken = m.SetCheckedLine(nmea::sentence::RMC, variant);
            ASSERT_EQ(taken, nmea::NmeaChecksumOk(variant)) << length << " '" << variant << "'";
            if (!taken) {
                ++refused;
                EXPECT_EQ(m.SentenceText(), std::string_view(kBefore).substr(2));
                EXPECT_EQ(fieldsOf(m), fieldsBefore) << variant;
                continue;
            }
            EXPECT_EQ(m.SentenceIndex(), nmea::sentence::RMC);
            const std::string_view sentence =
                variant.size() > 2 ? std::string_view(variant).substr(2) : std::string_view{};
            ASSERT_EQ(m.SentenceText(), sentence);
            plain.SetSentence(nmea::sentence::RMC, sentence);
            ASSERT_EQ(fieldsOf(m), fieldsOf(plain)) << length << " '" << variant << "'";
        }
    }
    EXPECT_GT(refused, 10000);   // the flips and stray '*'s did reach the checksum
}

// Ids are looked up by their letters in either case; a byte next to the
// letters in the code table ('@', '[', '`', '{', digits, bytes above 0x7F)
// is no letter and finds nothing.
// The readers' conversions of stored numbers: times padded to six digits with
// whole days carried out of the hours, two-digit years pivoting at 70, and
// signed degrees and minutes both ways.
TEST(StoredForms, TimesDatesAndDegreesConvertForReaders)
{
    const struct {
        double value;
        int carry, h, m, s;
    } times[] = {{123519.75, 0, 12, 35, 19}, {5.0, 0, 0, 0, 5}, {263015.0, 1, 2, 30, 15}};
    for (const auto& t : times) {
        const auto hms = nmea::NmeaTimeToHMS(t.value);
        EXPECT_EQ(std::tuple(hms.dayCarry, hms.hours, hms.minutes, hms.seconds),
                  std::tuple(t.carry, t.h, t.m, t.s))
            << t.value;
    }
    const struct {
        double value;
        int d, m, y;
    } dates[] = {{230394, 23, 3, 1994}, {10170, 1, 1, 1970}, {311269, 31, 12, 2069}};
    for (const auto& d : dates) {
        const auto dmy = nmea::NmeaDateToDMY(d.value);
        EXPECT_EQ(std::tuple(dmy.day, dmy.month, dmy.year), std::tuple(d.d, d.m, d.y)) << d.value;
    }
    EXPECT_DOUBLE_EQ(nmea::NmeaDegMinToDegrees(-4916.45), -(49 + 16.45 / 60));
    EXPECT_DOUBLE_EQ(nmea::NmeaDegMinToDegrees(12311.12), 123 + 11.12 / 60);
    EXPECT_DOUBLE_EQ(nmea::NmeaDegMinToDegrees(-30.0), -0.5);
    EXPECT_DOUBLE_EQ(nmea::DegreesToNmeaDegMin(-0.5), -30.0);
    EXPECT_NEAR(nmea::DegreesToNmeaDegMin(49 + 16.45 / 60), 4916.45, 1e-9);
}

TEST(SentenceTable, IdsOfEitherCaseAndNothingElse)
{
    EXPECT_EQ(nmea::NmeaSentenceIndex("GGA"), nmea::sentence::GGA);
    EXPECT_EQ(nmea::NmeaSentenceIndex("gGa"), nmea::sentence::GGA);
    EXPECT_EQ(nmea::NmeaSentenceIndex("zda"), nmea::sentence::ZDA);
    for (const char near : {'@', '[', '`', '{', '0', '9', '\x81', '\xC7', '\0'}) {
        for (int at = 0; at < 3; ++at) {
            std::string id = "ZDA";
            id[static_cast<std::size_t>(at)] = near;
            EXPECT_EQ(nmea::NmeaSentenceIndex(id), -1) << id;
        }
    }
    EXPECT_EQ(nmea::NmeaSentenceIndex("GG"), -1);
    EXPECT_EQ(nmea::NmeaSentenceIndex("GGAX"), -1);
    // A row's position is the sentence index every parser and reader keys on.
    std::string ids;
    for (int i = 0; i < static_cast<int>(nmea::kSentenceCount); ++i)
        ids += std::string(nmea::NmeaSentenceId(i)) + (i % 10 == 9 ? "\n" : " ");
    EXPECT_EQ(ids, "DBT HDM MTA MTW MWD MWV VHW VTG VLW VPW\n"
                   "BOD BEC BER BWC BWR BWW GDP GLP GLL RMA\n"
                   "RMB RMC WCV WDC WDR XTE XTR ZDL ZDA ZTG\n"
                   "APA APB DTM GGA OSD RSD TLL TTM TLB ");
}

// The value index is the contract between the parsers and every reader: the
// kind of each of the 155 items (D number, I integer or letter code, B byte,
// S text; '-' for the items no sentence writes).
TEST(ValueIndex, EveryItemHasItsKind)
{
    std::string kinds;
    for (int i = 0; i < nmea::kValueCount; ++i) {
        switch (nmea::NmeaItemInfo(i).kind) {
        case ValueKind::Double: kinds += 'D'; break;
        case ValueKind::Int: kinds += 'I'; break;
        case ValueKind::Byte: kinds += 'B'; break;
        case ValueKind::String: kinds += 'S'; break;
        case ValueKind::None: kinds += '-'; break;
        }
    }
    EXPECT_EQ(kinds, "-D---D--D-DDDIII---------------------------DDDDDDD"
                     "DDDDDDD-DD----D--D-DDD----IDIDDDDDDDDDDDDDDDDD-D-S"
                     "DDSDI-IDIDDIDDDDDDDDDDDIIID-D-SDIBIDDIDDIDDISIBDID"
                     "IIIII");
    EXPECT_EQ(nmea::kValueCount, 155);
    EXPECT_EQ(CNMEAGPSParser::ValueCount(), 155);
}

TEST_F(DispatcherTest, LinesThatAreNotOursAreDroppedWithTrue)
{
    const std::tuple<std::string, bool, NMEALineResult> rows[] = {
        {WithChecksum("PABX,1,2"), true, NMEALineResult::Proprietary},
        {WithChecksum("GPGSV,3,1,11"), true, NMEALineResult::UnknownSentence},
        {"", true, NMEALineResult::UnknownSentence},
        {WithChecksum("IIMTA,21.5,C"), false, NMEALineResult::NoParser},
        {WithChecksum("IIMTW,9.5,C"), false, NMEALineResult::NoParser},
        {WithChecksum("IIVLW,1,N,2,N"), false, NMEALineResult::NoParser},
        {WithChecksum("IIVPW,1,N,,"), false, NMEALineResult::NoParser},
        {WithChecksum("GPWCV,1,N,WPT"), false, NMEALineResult::NoParser},
        {WithChecksum("GPWDC,1,N,WPT"), false, NMEALineResult::NoParser},
        {WithChecksum("GPWDR,1,N,WPT"), false, NMEALineResult::NoParser},
        {WithChecksum("GPXTR,1,L,N"), false, NMEALineResult::NoParser},
        {WithChecksum("GPZDL,1,2,W"), false, NMEALineResult::NoParser},
        {WithChecksum("GPGLLX,5030.50,N"), false, NMEALineResult::NotDelimited},
        {WithChecksum("RATTM,7,1.0,90,T"), false, NMEALineResult::NoParser},   // no target module
        {WithChecksum("GPRMC,1,V"), false, NMEALineResult::Refused},
        {WithChecksum("GPAPB,A,A,0.1,R,N,V,V,011,M,DEST"), true, NMEALineResult::Parsed},
    };
    parser.ParseLine(
        WithChecksum("GPGSV,3,1,11"));   // a sentence outside the table names no talker
    EXPECT_EQ(parser.GetTalker(), "n.a.");
    for (const auto& [line, result, why] : rows) {
        EXPECT_EQ(parser.ParseLine(line), result) << line;
        EXPECT_EQ(parser.LastResult(), why) << line;
    }
    for (int i = 0; i < nmea::kValueCount; ++i)
        EXPECT_FALSE(parser.Value(i).IsValid()) << "item " << i;
    parser.ParseLine(
        WithChecksum("HCHDM,46.0,M"));   // the talker is that of the last matching line
    EXPECT_EQ(parser.GetTalker(), "HC");
}

// Values belong to the store of the sentence's module, whatever port brought it,
// and take the validity span of the parser that wrote them.
TEST_F(DispatcherTest, SentencesGoToTheStoreOfTheirModule)
{
    CNMEAGPSParser wind(clock, 2);
    CNMEAGPSParser arpa(clock, 5);
    parser.SetStores({parser.Values(), wind.Values(), arpa.Values()});
    EXPECT_TRUE(parser.ParseLine(WithChecksum("WIMWV,214.8,R,0.1,K,A")));
    EXPECT_TRUE(parser.ParseLine(WithChecksum("RAOSD,35.1,A,36.0,P,10.2,W,5.0,1.0,N")));
    EXPECT_EQ(wind.Value(item::WindAngle).GetDouble(), 214.8);
    EXPECT_FALSE(parser.Value(item::WindAngle).IsValid());
    EXPECT_EQ(arpa.Value(item::OwnHeading).GetDouble(), 35.1);
    clock.Advance(std::chrono::milliseconds(1999));
    EXPECT_TRUE(wind.Value(item::WindAngle).IsValid());
    clock.Advance(std::chrono::milliseconds(1));
    EXPECT_FALSE(wind.Value(item::WindAngle).IsValid());

    // A module that is not running drops its sentences' values.
    parser.SetStores({parser.Values(), nullptr, nullptr});
    EXPECT_TRUE(parser.ParseLine(WithChecksum("WIMWV,100.0,R,0.1,K,A")));
    EXPECT_EQ(wind.Value(item::WindAngle).GetDouble(), 214.8);
}

struct Stored {
    int item;
    double number;
    const char* text = nullptr;
};   // text for string items

struct Case {
    const char* body;   // the sentence without '$' and checksum
    bool accepted;
    std::vector<Stored> stored;   // exactly the items that hold a value afterwards
};

// Parses each line in a fresh store and compares every item: listed ones hold
// their value, all others stay empty.
void RunCases(const std::vector<Case>& cases, const std::atomic<bool>* ignoreWarnings = nullptr)
{
    brine_test::FakeClock clock;
    for (const Case& c : cases) {
        CNMEAGPSParser parser(clock, 5);
        parser.SetIgnoreWarningFlags(ignoreWarnings);
        EXPECT_EQ(parser.ParseLine(WithChecksum(c.body)), c.accepted) << c.body;
        std::map<int, Stored> expected;
        for (const Stored& s : c.stored)
            expected[s.item] = s;
        for (int item = 0; item < nmea::kValueCount; ++item) {
            const auto& value = parser.Value(item);
            const auto it = expected.find(item);
            ASSERT_EQ(value.IsValid(), it != expected.end()) << c.body << ": item " << item;
            const ValueKind kind = nmea::NmeaItemInfo(item).kind;
            if (it == expected.end())
                continue;
            if (kind == ValueKind::String)
                EXPECT_EQ(value.GetString(), it->second.text) << c.body << " item " << item;
            else
                EXPECT_DOUBLE_EQ(kind == ValueKind::Double ? value.GetDouble()
                                 : kind == ValueKind::Int  ? value.GetInt()
                                                           : value.GetByte(),
                                 it->second.number)
                    << c.body << " item " << item;
        }
        // The monitor's list: what the sentence wrote, in the order listed.
        std::vector<int> listed;
        for (const Stored& s : c.stored)
            listed.push_back(s.item);
        std::vector<int> written;
        for (int w = 0; w < parser.Message().WrittenCount(); ++w)
            written.push_back(parser.Message().Written(w).item);
        EXPECT_EQ(written, listed) << c.body;
    }
}

TEST(InstrumentParsers, StoreTheirItemsWithSignsAndUnits)
{
    RunCases({
        {"SDDBT,0036.4,f,0011.1,M,0006.0,F", true, {{8, 36.4}, {11, 11.1}, {64, 6.0}}},
        {"HCHDM,359.7,M", true, {{5, 0.0}}},   // 359.5 and over reads 0
        {"HCHDM,359.4,M", true, {{5, 359.4}}},
        {"IIVHW,359.6,T,010.0,M,5.5,N,10.2,K", true, {{69, 0.0}, {5, 10.0}, {1, 5.5}, {70, 10.2}}},
        {"GPVTG,054.7,T,034.4,M,005.5,N,010.2,K",
         true,
         {{49, 54.7}, {50, 34.4}, {51, 5.5}, {71, 10.2}}},
        {"WIMWV,214.8,R,0.1,K,A", true, {{10, 214.8}, {14, 'R'}, {12, 0.1}, {13, 'K'}, {15, 'A'}}},
        {"WIMWD,270,T,275,M,10.5,N,5.4,M",
         true,
         {{10, 270},
          {14, 'T'},
          {77, 275},
          {76, 'M'},
          {12, 10.5},
          {13, 'N'},
          {79, 5.4},
          {78, 'M'},
          {15, 'A'}}},
        {"GPBOD,097.0,T,103.2,M,POINTB,POINTA", true, {{89, 97.0}, {90, 103.2}}},
        {"GPBWW,097.0,T,103.2,M,POINTB,POINTA", true, {{55, 97.0}, {56, 103.2}}},
        {"GPBWC,225444,4917.24,N,12309.57,W,051.9,T,031.6,M,001.3,N,004",
         true,
         {{80, 225444}, {81, -4917.24}, {82, 12309.57}, {83, 51.9}, {85, 31.6}, {87, 1.3}}},
        {"GPBWR,225444,4917.24,S,12309.57,E,051.9,T,031.6,M,001.3,N,004",
         true,
         {{80, 225444}, {81, 4917.24}, {82, -12309.57}, {84, 51.9}, {86, 31.6}, {88, 1.3}}},
        {"GPBER,225444,4917.24,N,12309.57,W,051.9,T,031.6,M,001.3,N,004",
         true,
         {{80, 225444}, {81, -4917.24}, {82, 12309.57}, {43, 51.9}, {44, 31.6}, {47, 1.3}}},
        {"GPBEC,081837,3910.080,N,07717.034,W,213.9,T,223.3,M,0.2,N,ABC",
         true,
         {{80, 81837}, {81, -3910.08}, {82, 7717.034}, {45, 213.9}, {46, 223.3}, {48, 0.2}}},
        {"GPGLP,123519,5030.50,N,00140.25,E,", true, {{91, 123519}, {92, -5030.5}, {93, -140.25}}},
        {"GPGDP,123519,5030.50,S,00140.25,W,", true, {{91, 123519}, {92, 5030.5}, {93, 140.25}}},
        {"GPGLL,5030.50,N,00140.25,E,123519,A", true, {{58, -5030.5}, {59, -140.25}, {91, 123519}}},
        {"GPGLL,5030.50,S,00140.25,W,123519,V", true, {{58, 5030.5}, {59, 140.25}, {91, 123519}}},
        {"GPGLL,9000.00,S,18000.00,E,000000,A", true, {{58, 9000}, {59, -18000}, {91, 0}}},
        {"GPGLL,0059.99,N,17959.999,W,235960.5,A",
         true,
         {{58, -59.99}, {59, 17959.999}, {91, 235960.5}}},
        {"GPRMA,A,5030.50,N,00140.25,W,1.5,2.5,10.0,359.9,3.1,E",
         true,
         {{58, -5030.5}, {59, 140.25}, {94, 1.5}, {95, 2.5}, {51, 10.0}, {49, 0.0}, {67, 3.1}}},
        {"GPRMB,A,0.66,L,003,004,4917.24,N,12309.57,W,001.3,052.5,000.5,V",
         true,
         {{54, -0.66}, {81, -4917.24}, {82, 12309.57}, {47, 1.3}, {43, 52.5}, {52, 0.5}}},
        {"GPRMB,V,0.66,L,003,004,4917.24,N,12309.57,W,001.3,052.5,000.5,V", false, {}},
        {"GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W",
         true,
         {{91, 123519},
          {97, 230394},
          {58, -4807.038},
          {59, -1131.0},
          {51, 22.4},
          {49, 84.4},
          {67, -3.1}}},
        {"GPRMC,123519,V,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W", false, {}},
        // Without its date the time is not stored either; the rest is.
        {"GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,,003.1,W",
         true,
         {{58, -4807.038}, {59, -1131.0}, {51, 22.4}, {49, 84.4}, {67, -3.1}}},
        {"WIMWD,,,,,,,,", true, {{15, 'A'}}},   // the status reads good with every field empty
        {"GPXTE,A,A,0.67,L,N", true, {{54, -0.67}}},
        {"GPXTE,A,V,0.67,L,N", false, {}},
        {"GPZDA,201530.00,04,07,2002,-05,00",
         true,
         {{149, 201530}, {150, 4}, {151, 7}, {152, 2002}, {153, -5}, {154, 0}}},
        {"GPZTG,153200.82,041630.00,WPT", true, {{53, 41630}}},
        {"GPDTM,W84,,0.0,N,0.0,E,0.0,W84",
         true,
         {{99, 0, "W84"}, {100, -0.0}, {101, -0.0}, {102, 0, "W84"}}},
        {"GPDTM,,,0.5,S,1.25,W,0.0,W84",
         true,
         {{99, 0, "999"}, {100, 0.5}, {101, 1.25}, {102, 0, "W84"}}},
        {"GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,", true, {{91, 123519}}},
        {"GPGGA,123519,,,,,0,00,,,M,,M,,", false, {}},
        {"RAOSD,35.1,V,36.0,P,10.2,W,5.0,1.0,N",
         true,
         {{107, 36.0}, {109, 10.2}, {110, 5.0}, {104, 'V'}, {106, 'P'}, {108, 'W'}, {111, 'N'}}},
        {"WIMWV,014.8,T,12.5,N,A", true, {{10, 14.8}, {14, 'T'}, {12, 12.5}, {13, 'N'}, {15, 'A'}}},
        {"GPZDA,000000.00,29,02,2024,14,00",
         true,
         {{149, 0}, {150, 29}, {151, 2}, {152, 2024}, {153, 14}, {154, 0}}},
        {"GPZDA,000000.00,01,01,2024,-14,00",
         true,
         {{149, 0}, {150, 1}, {151, 1}, {152, 2024}, {153, -14}, {154, 0}}},
        {"GPRMC,000001,A,4807.038,S,01131.000,W,0.0,0.0,290200,,",
         true,
         {{91, 1}, {97, 290200}, {58, 4807.038}, {59, 1131.0}, {51, 0.0}, {49, 0.0}}},
        {"RARSD,1,2,3,4,5,6,7,8,9,10,11,N,H",
         true,
         {{112, 1},
          {113, 2},
          {114, 3},
          {115, 4},
          {116, 5},
          {117, 6},
          {118, 7},
          {119, 8},
          {120, 9},
          {121, 10},
          {122, 11},
          {123, 'N'},
          {124, 'H'}}},
    });
}

// Letters and values the parsers do not look at are stored as sent: dates that
// do not exist, zone hours past 14, reference and unit letters of any kind,
// negative speeds and depths, minutes of 60. The 359.5 rule still applies.
TEST(InstrumentParsers, FieldsTheParsersDoNotCheckAreStoredAsSent)
{
    RunCases({
        {"GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,310294,003.1,W",   // 31 February
         true,
         {{91, 123519},
          {97, 310294},
          {58, -4807.038},
          {59, -1131.0},
          {51, 22.4},
          {49, 84.4},
          {67, -3.1}}},
        {"GPRMC,123519,A,4807.038,N,01131.000,E,-1.0,360.5,320394,003.1,X",
         true,
         {{91, 123519},
          {97, 320394},
          {58, -4807.038},
          {59, -1131.0},
          {51, -1.0},
          {49, 0.0},
          {67, 3.1}}},   // a variation letter other than W counts as east
        {"GPZDA,201530.00,31,02,2002,-15,75",
         true,
         {{149, 201530}, {150, 31}, {151, 2}, {152, 2002}, {153, -15}, {154, 75}}},
        {"WIMWV,214.8,X,0.1,Q,A", true, {{10, 214.8}, {14, 'X'}, {12, 0.1}, {13, 'Q'}, {15, 'A'}}},
        {"GPVTG,054.7,M,034.4,M,005.5,K,010.2,K",
         true,
         {{49, 54.7}, {50, 34.4}, {51, 5.5}, {71, 10.2}}},
        {"IIVHW,359.6,T,010.0,T,5.5,N,10.2,N", true, {{69, 0.0}, {5, 10.0}, {1, 5.5}, {70, 10.2}}},
        {"GPBOD,097.0,M,103.2,X,POINTB,POINTA", true, {{89, 97.0}, {90, 103.2}}},
        // Heading status X: no heading, the rest and every letter as sent.
        {"RAOSD,35.1,X,36.0,X,10.2,Q,5.0,1.0,M",
         true,
         {{107, 36.0}, {109, 10.2}, {110, 5.0}, {104, 'X'}, {106, 'X'}, {108, 'Q'}, {111, 'M'}}},
        // The letter gives the sign: north and east negative, anything else positive.
        {"GPDTM,W84,,-0.5,N,1.25,X,0.0,W84",
         true,
         {{99, 0, "W84"}, {100, 0.5}, {101, 1.25}, {102, 0, "W84"}}},
        {"GPGLL,5060.00,N,00140.25,E,246000,A", true, {{58, -5060.0}, {59, -140.25}, {91, 246000}}},
        {"GPRMB,A,0.66,Q,003,004,4917.24,N,12309.57,W,001.3,052.5,000.5,V",
         true,
         {{54, 0.66}, {81, -4917.24}, {82, 12309.57}, {47, 1.3}, {43, 52.5}, {52, 0.5}}},
        {"SDDBT,-3.0,f,,M,,F", true, {{8, -3.0}}},
        // A hemisphere letter that is none: that half of the waypoint is not stored.
        {"GPBWC,225444,4917.24,X,12309.57,W,051.9,T,031.6,M,001.3,N,004",
         true,
         {{80, 225444}, {82, 12309.57}, {83, 51.9}, {85, 31.6}, {87, 1.3}}},
    });
}

// A position off the globe, a hemisphere letter a position sentence does not
// allow, or a garbled field refuses the whole sentence, and the store keeps
// what it had: no value of any store is written, not even with the same value.
TEST(InstrumentParsers, PositionsOffTheGlobeAndWrongHemispheresRefuseTheSentence)
{
    const char* bad[] = {
        "GPGLL,9100.00,N,00140.25,E,123519,A",   // latitude beyond the pole
        "GPGLL,9000.01,S,00140.25,E,123519,A",   // a hundredth of a minute past the pole
        "GPGLL,5030.50,N,18000.01,W,123519,A",   // and past 180
        "GPGLL,-5030.50,N,00140.25,E,123519,A",   // sign belongs in the letter
        "GPGLL,5030.50,N,18100.00,E,123519,A",   // longitude beyond 180
        "GPGLL,5030.50,N,17960.99,E,123519,A",   // minutes of 60 carry past 180
        "GPGLL,8960.50,N,00140.25,E,123519,A",   // and past the pole
        "GPGLL,5030.50,X,00140.25,W,123519,A",   // hemisphere letter
        "GPRMC,123519,A,9100.000,N,01131.000,E,022.4,084.4,230394,003.1,W",
        "GPRMC,123519,A,4807.038,N,01131.000,Q,022.4,084.4,230394,003.1,W",
        "GPGGA,123519,4807.038,N,18131.000,E,1,08,0.9,545.4,M,46.9,M,,",
        "GPRMB,A,0.66,L,003,004,9917.24,N,12309.57,W,001.3,052.5,000.5,V",
    };
    const char* full[] = {
        "GPGLL,1000.00,N,02000.00,W,010000,A",
        "GPRMC,010000,A,1000.00,N,02000.00,W,1.0,2.0,010120,1.0,E",
        "GPZDA,010000.00,01,01,2020,02,30",
        "WIMWV,010.0,R,5.0,N,A",
        "GPVTG,001.0,T,002.0,M,003.0,N,004.0,K",
        "IIVHW,005.0,T,006.0,M,007.0,N,008.0,K",
        "GPBOD,009.0,T,010.0,M,B,A",
        "RAOSD,011.0,A,012.0,P,013.0,W,014.0,1.0,N",
        "GPDTM,W84,,0.5,N,1.5,E,0.0,W84",
    };
    brine_test::FakeClock clock;
    for (const char* body : bad) {
        CNMEAGPSParser parser(clock, 60);   // wind and ARPA sentences land in the same store
        for (const char* line : full)
            ASSERT_TRUE(parser.ParseLine(WithChecksum(line))) << line;
        const auto snapshot = [&parser] {
            std::vector<std::pair<bool, std::optional<std::chrono::system_clock::time_point>>> all;
            for (int item = 0; item < nmea::kValueCount; ++item)
                all.emplace_back(parser.Value(item).IsValid(), parser.Value(item).GetUtcStamp());
            return all;
        };
        const auto before = snapshot();
        clock.Advance(std::chrono::milliseconds(1));   // a write now would carry a new stamp
        EXPECT_FALSE(parser.ParseLine(WithChecksum(body))) << body;
        EXPECT_EQ(parser.LastResult(), nmea::NMEALineResult::Refused) << body;
        EXPECT_TRUE(snapshot() == before) << body;
    }
}

// A garbled number is absent, not a reason to drop the sentence: what the
// sentence holds besides it is stored. An integer field reads its leading
// number ("+5h" is 5; "Q" holds none and is 0).
TEST(InstrumentParsers, GarbledNumbersAreAbsentAndTheRestIsStored)
{
    RunCases({
        {"GPRMC,123519,A,4807.038,N,01131.000,E,022.4x,084.4,230394,003.1,W",
         true,
         {{91, 123519}, {97, 230394}, {58, -4807.038}, {59, -1131.0}, {49, 84.4}, {67, -3.1}}},
        {"GPRMC,123519,A,4807.038,N,01131.000,E,10.0.1,084.4 ,230394,003.1,W",
         true,
         {{91, 123519}, {97, 230394}, {58, -4807.038}, {59, -1131.0}, {67, -3.1}}},
        // Without its latitude the position is not stored; the time is.
        {"GPGLL,5O30.50,N,00141.25,E,120001,A", true, {{91, 120001}}},
        {"GPGLL,5030.50,N,00141.25,E,1e309,A", true, {{58, -5030.5}, {59, -141.25}}},
        {"WIMWV,214.8,R,O.1,K,A", true, {{10, 214.8}, {14, 'R'}, {15, 'A'}}},
        {"GPZDA,201530.00,04,07,2002,+5h,00",
         true,
         {{149, 201530}, {150, 4}, {151, 7}, {152, 2002}, {153, 5}, {154, 0}}},
        {"GPZDA,201530.00,04,07,2002,Q,00",
         true,
         {{149, 201530}, {150, 4}, {151, 7}, {152, 2002}, {153, 0}, {154, 0}}},
        // The datum is stored whole or not at all.
        {"GPDTM,W84,,0.5,S,1.2.5,E,0.0,W84", true, {}},
    });
}

TEST(InstrumentParsers, IgnoringWarningFlagsTakesVAsA)
{
    std::atomic<bool> ignore{true};
    RunCases({{"GPRMC,123519,V,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W",
               true,
               {{91, 123519},
                {97, 230394},
                {58, -4807.038},
                {59, -1131.0},
                {51, 22.4},
                {49, 84.4},
                {67, -3.1}}},
              {"GPXTE,V,V,0.67,R,N", true, {{54, 0.67}}},
              {"GPRMC,123519,X,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W", false, {}}},
             &ignore);
}

}   // namespace
