#pragma once
// Cuts the byte stream of a serial line into sentences: a '$' opens a line,
// carriage return and line feed close it, and a line is cut after 84
// characters so a missing line end can never grow the buffer. Bytes before
// the first '$' are noise and dropped.
//
// A '$' in the middle of a line closes the line so far and opens the next one:
// a sentence that lost its end to a glitch costs only itself, never the
// sentence that follows it.

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <span>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace nmea {

class CSentenceFramer {
public:
    // The longest line handed on: 82 characters of sentence, its line end,
    // and one more so the receivers can tell an over-long line from a full one.
    static constexpr std::size_t kMaxLine = 84;

    // Calls `deliver(std::string_view line)` for every line completed by these
    // bytes; the view is valid only during the call.
    //
    // Every port's every byte passes here, so the bytes are scanned for the
    // few characters that matter and copied sixteen at a time as they are
    // scanned, with no copy call per run.
    template <class Deliver>
    void Feed(std::span<const char> bytes, Deliver&& deliver)
    {
        const char* at = bytes.data();
        const char* const end = at + bytes.size();
        while (at != end) {
            if (m_size == 0) {
                // Noise before a line's '$' is dropped. Lines follow each
                // other without noise, so the next byte is looked at first.
                const auto* dollar = *at == '$' ? at
                                                : static_cast<const char*>(std::memchr(
                                                      at, '$', static_cast<std::size_t>(end - at)));
                if (dollar == nullptr)
                    return;
                m_line[m_size++] = '$';
                at = dollar + 1;
                continue;
            }
            // Copy up to the next '$' or line feed, or until the line is full.
            const std::size_t room = kMaxLine - m_size;
            const std::size_t count = std::min(room, static_cast<std::size_t>(end - at));
            const std::size_t i = CopyToLineMark(at, count, bytes.data(), m_line.data() + m_size);
            if (i < count && at[i] == '$') {
                // A '$' inside a line ends the line so far and opens the next.
                m_size += i;
                Flush(deliver);
                at += i;
                continue;
            }
            if (i < count) {
                // A line feed ends the line only right after a carriage return.
                const bool afterReturn = (i > 0 ? at[i - 1] : m_line[m_size - 1]) == '\r';
                m_size += i + 1;
                at += i + 1;
                if (afterReturn || m_size == kMaxLine)
                    Flush(deliver);
                continue;
            }
            m_size += count;
            at += count;
            if (m_size == kMaxLine)
                Flush(deliver);
        }
    }

    // Forgets a part line, as after the port was reopened.
    void Reset() { m_size = 0; }
    std::string_view Pending() const { return {m_line.data(), m_size}; }

private:
    // Where the first '$' or line feed of the `count` bytes at `p` is, or
    // `count`; the bytes up to it and the mark itself are copied to `to`
    // (room for `count` bytes), as they are searched: sixteen at a time, and
    // the bytes after the mark in the last block with them. The bytes from
    // `first` up to `p` belong to the same input and may be read again: a
    // rest of under sixteen bytes is read as the block that ends with it,
    // the bytes before it masked out, and stored where it ends when the
    // bytes it repeats were copied by this search.
    static std::size_t CopyToLineMark(const char* p, std::size_t count, const char* first, char* to)
    {
        std::size_t i = 0;
#if defined(__SSE2__)
        const __m128i dollar = _mm_set1_epi8('$');
        const __m128i feed = _mm_set1_epi8('\n');
        const auto marks = [&](__m128i block) {
            return static_cast<unsigned>(_mm_movemask_epi8(
                _mm_or_si128(_mm_cmpeq_epi8(block, dollar), _mm_cmpeq_epi8(block, feed))));
        };
        for (; i + 16 <= count; i += 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), block);
            if (const unsigned hits = marks(block); hits != 0)
                return i + static_cast<std::size_t>(std::countr_zero(hits));
        }
        if (i < count && count >= 16) {
            // The block ends at `count` and starts within this search.
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + count - 16));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + count - 16), block);
            const std::size_t back = 16 - (count - i);   // bytes of the block before `p + i`
            const unsigned hits = marks(block) >> back;
            return hits != 0 ? i + static_cast<std::size_t>(std::countr_zero(hits)) : count;
        }
        if (i < count && p + count - first >= 16) {
            const std::size_t back = 16 - (count - i);
            const unsigned hits =
                marks(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i - back))) >> back;
            const std::size_t mark =
                hits != 0 ? i + static_cast<std::size_t>(std::countr_zero(hits)) : count;
            std::memcpy(to + i, p + i, std::min(mark + 1, count) - i);
            return mark;
        }
#endif
        for (; i < count; ++i) {
            to[i] = p[i];
            if (p[i] == '$' || p[i] == '\n')
                return i;
        }
        return count;
    }

    template <class Deliver>
    void Flush(Deliver& deliver)
    {
        deliver(std::string_view(m_line.data(), m_size));
        m_size = 0;
    }

    std::array<char, kMaxLine> m_line{};
    std::size_t m_size = 0;
};

}   // namespace nmea
