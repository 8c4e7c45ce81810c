#pragma once
// Cuts the byte stream of a serial line into sentences: a '$' opens a line,
// carriage return and line feed close it, and a line is cut after 84
// characters so a missing line end can never grow the buffer. Bytes before
// the first '$' are noise and dropped.
//
// A '$' in the middle of a line closes the line so far and opens the next one:
// a sentence that lost its end to a glitch costs only itself, never the
// sentence that follows it.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace nmea {

class CSentenceFramer {
public:
    // The longest line handed on: 82 characters of sentence, its line end,
    // and one more so the receivers can tell an over-long line from a full one.
    static constexpr std::size_t kMaxLine = 84;

    CSentenceFramer() { m_line.reserve(kMaxLine); }

    // Calls `deliver(std::string_view line)` for every line completed by these
    // bytes; the view is valid only during the call.
    template <class Deliver>
    void Feed(std::span<const char> bytes, Deliver&& deliver)
    {
        for (const char c : bytes) {
            if (c == '$') {
                if (!m_line.empty())
                    Flush(deliver);
                m_line.push_back(c);
                continue;
            }
            if (m_line.empty())
                continue;
            const bool full = m_line.size() >= kMaxLine - 1;
            m_line.push_back(c);
            if (full || (c == '\n' && m_line.size() >= 2 && m_line[m_line.size() - 2] == '\r'))
                Flush(deliver);
        }
    }

    // Forgets a part line, as after the port was reopened.
    void Reset() { m_line.clear(); }
    std::string_view Pending() const { return m_line; }

private:
    template <class Deliver>
    void Flush(Deliver& deliver)
    {
        deliver(std::string_view(m_line));
        m_line.clear();
    }

    std::string m_line;
};

}   // namespace nmea
