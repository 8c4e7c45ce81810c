#pragma once
// Conversions between UTF-8 (the program's text in memory and on screen) and
// the single-byte code pages its stored files use: Windows-1252 for tables
// and text files, code page 437 where the files hold OEM text.
//
// Decoding is total: every byte has a character. In Windows-1252 the five
// bytes the code page leaves unassigned (81 8D 8F 90 9D) decode to the C1
// control characters of the same number, so any byte string survives a round
// trip. Encoding turns a character the code page lacks, and every malformed
// UTF-8 sequence, into one '?'.

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

std::string Cp1252ToUtf8(std::string_view bytes);
std::string Utf8ToCp1252(std::string_view text);

std::string Cp437ToUtf8(std::string_view bytes);
std::string Utf8ToCp437(std::string_view text);

// True when `text` is well-formed UTF-8 (no overlong forms, surrogates or
// code points above U+10FFFF).
bool IsValidUtf8(std::string_view text);

// Length of the well-formed UTF-8 character starting at `text[pos]`, or 0 when
// the bytes there are not one.
std::size_t Utf8CharLength(std::string_view text, std::size_t pos);

}   // namespace platform
