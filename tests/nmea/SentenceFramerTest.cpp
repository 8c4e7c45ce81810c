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

// The framing rules one byte at a time, as the framer must cut any stream.
std::vector<std::string> FrameByteByByte(const std::string& stream)
{
    std::vector<std::string> lines;
    std::string line;
    for (const char c : stream) {
        if (line.empty()) {
            if (c == '$')
                line = "$";
            continue;
        }
        if (c == '$') {
            lines.push_back(line);
            line = "$";
            continue;
        }
        line += c;
        const bool lineEnd = c == '\n' && line[line.size() - 2] == '\r';
        if (lineEnd || line.size() == nmea::CSentenceFramer::kMaxLine) {
            lines.push_back(line);
            line.clear();
        }
    }
    return lines;
}

// The framer scans many bytes at once, and a read may end anywhere: every
// read size must give the same lines, with marks at every offset of a scan.
TEST(SentenceFramer, CutsTheSameLinesWhateverTheReadSize)
{
    std::string stream = "noise$GPRMC,1,A*00\r\n$GPGGA,2,B$GPGLL,3*11\r\n\r\n";
    for (int n = 0; n < 40; ++n) {
        stream += "$GPVTG," + std::string(static_cast<std::size_t>(n), '7') + "*2C\r\n";
        if (n % 7 == 3)
            stream += "x\ny\r";   // noise and stray line ends between lines
        if (n % 11 == 5)
            stream += "$" + std::string(100, 'L');   // a line cut at its full length
        if (n % 5 == 1)
            stream += "$A\rB\nC$";   // lone line-end bytes and a mid-line '$'
    }
    const std::vector<std::string> expected = FrameByteByByte(stream);
    ASSERT_GT(expected.size(), 50U);
    for (std::size_t size = 1; size <= 100; ++size) {
        std::vector<std::string> chunks;
        for (std::size_t at = 0; at < stream.size(); at += size)
            chunks.push_back(stream.substr(at, size));
        EXPECT_EQ(Frame(chunks), expected) << "reads of " << size << " bytes";
    }
}

}   // namespace
