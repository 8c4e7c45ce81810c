#pragma once
// Floating-point numbers to and from text with a point for decimals, whatever
// the user's locale. The program runs under that locale (Qt switches the C
// library to it at start-up), and a German or French one makes the plain C
// conversions read "12.5" as 12 and write "12,5". Every number in a file, a
// sentence, the settings or on a wire is converted here or with
// std::from_chars / std::to_chars; tests/locale/forbidden_calls.py keeps the
// locale-bound calls out of everything else.

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// strtod's syntax and end pointer, in the C locale.
double CStrToDouble(const char* text, char** end);

// The whole text as a finite number, blanks around it allowed; nothing for an
// empty, partly numeric, overflowing or not-a-number text.
std::optional<double> ParseDouble(std::string_view text);

// A number as a user types it into a field: a comma is taken as the decimal
// point, as many keyboards and locales give it ("12,5" is 12.5); otherwise as
// ParseDouble. A text with two marks ("1,000.5") is no number.
std::optional<double> ParseTypedDecimal(std::string_view text);

// printf formatting in the C locale.
std::string FormatC(const char* format, ...) __attribute__((format(printf, 1, 2)));

}   // namespace platform
