#pragma once
// The dispatcher's sentence table: one row per sentence id, holding the field
// types the splitter reads for it and the parser that stores its values. A
// row's position is the sentence index handed to the message.

#include <cstddef>
#include <string_view>

namespace nmea {

class CNMEAMessage;

using SentenceParseFn = void (*)(CNMEAMessage&);
using SentenceSplitFn = void (*)(CNMEAMessage&);

struct SentenceRow {
    std::string_view id;   // three upper-case letters
    std::string_view fieldTypes;   // splitter types ('C', 'D', 'I', 'S') from field 2 on
    SentenceParseFn parse;   // null where nothing is parsed from the sentence here
    bool target = false;   // parsed by the target module's own parser
    // Splits as the splitter does with `fieldTypes`, compiled from them.
    SentenceSplitFn split = nullptr;
};

inline constexpr std::size_t kSentenceCount = 39;

namespace sentence {
inline constexpr int DBT = 0, HDM = 1, MWD = 4, MWV = 5, VHW = 6, VTG = 7;
inline constexpr int BOD = 10, BEC = 11, BER = 12, BWC = 13, BWR = 14, BWW = 15;
inline constexpr int GDP = 16, GLP = 17, GLL = 18, RMA = 19, RMB = 20, RMC = 21;
inline constexpr int XTE = 25, ZDA = 28, ZTG = 29, APA = 30, APB = 31, DTM = 32;
inline constexpr int GGA = 33, OSD = 34, RSD = 35, TLL = 36, TTM = 37, TLB = 38;
}   // namespace sentence

// The row at a table position, or null outside the table.
const SentenceRow* NmeaSentenceRow(int sentenceIndex);
// The id at a table position, or "" outside the table.
std::string_view NmeaSentenceId(int sentenceIndex);
// Position of a three-letter id in the table (its letters in either case), or -1.
int NmeaSentenceIndex(std::string_view id);

// The instrument parser of a table position; null where the sentence has none
// (MTA, MTW, VLW, VPW, WCV, WDC, WDR, XTR, ZDL) and for the target sentences,
// whose parsers the target module supplies.
SentenceParseFn InstrumentSentenceParser(int sentenceIndex);

}   // namespace nmea
