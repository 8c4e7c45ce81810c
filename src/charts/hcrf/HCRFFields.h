#pragma once
// Fixed-column text fields of the raster chart file family. Every text record
// ends with the three bytes VT CR LF; fields are read by column and width, and
// never past the end of the bytes actually present, so a record cut short or a
// missing terminator reads as blanks rather than as whatever follows in memory.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace charts::hcrf {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

inline constexpr std::uint8_t kTerminator[3] = {0x0B, 0x0D, 0x0A};
inline constexpr std::size_t kTerminatorSize = 3;

// The field's bytes: columns [column, column + width) of `record`, cut at the
// record's end.
std::string_view FieldText(std::string_view record, std::size_t column, std::size_t width);
std::string_view Trimmed(std::string_view text);

// Decimal digits after optional leading blanks, stopping at the first other
// character; blank or empty reads 0. Saturates rather than wrapping.
std::uint64_t FieldNumber(std::string_view record, std::size_t column, std::size_t width);
// A floating number within the field's width; blank or unreadable reads 0.
double FieldDouble(std::string_view record, std::size_t column, std::size_t width);

std::string_view AsText(ByteView bytes);

// Offset of the first terminator at or after `from`, if any.
std::optional<std::size_t> FindTerminator(ByteView bytes, std::size_t from);
// Position just after the next terminator at or after `from`; the end of the
// bytes when there is none.
std::size_t SkipRecord(ByteView bytes, std::size_t from);

// Splits `bytes` from `from` into records at each terminator (terminators
// removed). Trailing bytes without a terminator form a last record.
std::vector<std::string_view> SplitRecords(ByteView bytes, std::size_t from);

// Reads a whole file; nullopt when it cannot be opened or read.
std::optional<Bytes> ReadWholeFile(const std::filesystem::path& path);

// The file of the set with the given extension beside `chartPath`
// ("x/GB1234.chr" with "pal" gives "x/GB1234.pal"); an existing file whose
// extension differs only in case is preferred over a missing exact name.
std::filesystem::path SiblingFile(const std::filesystem::path& chartPath,
                                  std::string_view extension);

// The index file of a raster file: the extension's last letter replaced by 'i'.
std::filesystem::path IndexFileOf(const std::filesystem::path& rasterPath);

}   // namespace charts::hcrf
