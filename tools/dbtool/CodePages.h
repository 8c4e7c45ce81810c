#pragma once
// The code pages a dBASE table's header byte 29 names, for showing stored
// text as UTF-8 and taking a UTF-8 seek key back to stored bytes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dbtool {

struct CodePage {
    const char* name = nullptr;   // "Windows-1252"; nullptr when the byte names none we know
    const uint16_t* high = nullptr;   // bytes 0x80-0xFF as Unicode code points
};

// The page the header's byte names. 0 (not stated) reads as Windows-1252.
CodePage CodePageOf(uint8_t headerByte);

std::string ToUtf8(std::string_view bytes, const CodePage& page);
// Nullopt for a character the page lacks or text that is not UTF-8.
std::optional<std::string> FromUtf8(std::string_view utf8, const CodePage& page);

}   // namespace dbtool
