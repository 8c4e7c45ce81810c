#include "nmea/SentenceFramer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Frame(const std::vector<std::string>& chunks)
{
    nmea::CSentenceFramer framer;
    std::vector<std::string> lines;
    for (const std::string& chunk : chunks)
        framer.Feed(chunk, [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

struct FramingCase {
    const char* name;
    std::vector<std::string> chunks;
    std::vector<std::string> lines;
};

TEST(SentenceFramer, CutsTheStreamIntoLines)
{
    const std::string ninety = "$" + std::string(89, 'A');
    const std::vector<FramingCase> cases = {
        {"noise before the first $ is dropped", {"xx\r\n$GPGLL,1*00\r\n"}, {"$GPGLL,1*00\r\n"}},
        {"a line split over many reads",
         {"$GP", "RMC,1", "23,A", "*00\r", "\n$II"},
         {"$GPRMC,123,A*00\r\n"}},
        {"a mid-line $ closes the line and opens the next",
         {"$GPGGA,1$GPGLL,2*00\r\n"},
         {"$GPGGA,1", "$GPGLL,2*00\r\n"}},
        {"90 characters without a line end give 84, the rest is dropped",
         {ninety, "$A\r\n"},
         {ninety.substr(0, 84), "$A\r\n"}},
        {"a lone carriage return or line feed does not end a line",
         {"$A\rB\nC\r\n"},
         {"$A\rB\nC\r\n"}},
        {"back-to-back $ give a one-character line", {"$$A\r\n"}, {"$", "$A\r\n"}},
        {"an 82-character sentence is whole",
         {"$" + std::string(79, 'B') + "\r\n"},
         {"$" + std::string(79, 'B') + "\r\n"}},
    };
    for (const FramingCase& c : cases)
        EXPECT_EQ(Frame(c.chunks), c.lines) << c.name;
}

}   // namespace
