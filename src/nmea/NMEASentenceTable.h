#pragma once
// The dispatcher's table of sentence ids. A sentence's position in it is the
// index handed to the message and selects the parser.

#include <array>
#include <string_view>

namespace nmea {

class CNMEAMessage;

inline constexpr std::array<std::string_view, 39> kSentenceIds = {
    "DBT", "HDM", "MTA", "MTW", "MWD", "MWV", "VHW", "VTG", "VLW", "VPW",
    "BOD", "BEC", "BER", "BWC", "BWR", "BWW", "GDP", "GLP", "GLL", "RMA",
    "RMB", "RMC", "WCV", "WDC", "WDR", "XTE", "XTR", "ZDL", "ZDA", "ZTG",
    "APA", "APB", "DTM", "GGA", "OSD", "RSD", "TLL", "TTM", "TLB"};

namespace sentence {
inline constexpr int DBT = 0, HDM = 1, MWD = 4, MWV = 5, VHW = 6, VTG = 7;
inline constexpr int BOD = 10, BEC = 11, BER = 12, BWC = 13, BWR = 14, BWW = 15;
inline constexpr int GDP = 16, GLP = 17, GLL = 18, RMA = 19, RMB = 20, RMC = 21;
inline constexpr int XTE = 25, ZDA = 28, ZTG = 29, APA = 30, APB = 31, DTM = 32;
inline constexpr int GGA = 33, OSD = 34, RSD = 35, TLL = 36, TTM = 37, TLB = 38;
}  // namespace sentence

// Position of a three-letter id in the table (exact, upper case), or -1.
int NmeaSentenceIndex(std::string_view id);

using SentenceParseFn = void (*)(CNMEAMessage&);

// The instrument parser of a table position; null where the sentence has none
// (MTA, MTW, VLW, VPW, WCV, WDC, WDR, XTR, ZDL) and for the target sentences,
// whose parsers the target module supplies.
SentenceParseFn InstrumentSentenceParser(int sentenceIndex);

}  // namespace nmea
