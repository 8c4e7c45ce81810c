#pragma once
// Free text helpers used all over the program: the string table, case and
// filling, backslash paths, tokens and fields, number text both ways, and the
// program's error exception.
//
// Text is UTF-8 in std::string. Indexes, counts and widths are in bytes; the
// texts these helpers cut by position (fixed-width fields, file names, number
// text) are ASCII in practice.
//
// Paths handled here are the stored form with backslashes ("C:\Charts\a.b",
// "\\server\share\x"), because settings and tables keep them that way; the
// file-system functions convert them when they touch the disk.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace app {

using CStringList = std::vector<std::string>;

// ---- String table ----------------------------------------------------------
// Every module registers the texts it owns at start-up; a text asked for by an
// id nobody registered is empty, never an error.
std::string LoadResString(unsigned id);
void SetResString(unsigned id, std::string_view text);
void SetResStrings(std::initializer_list<std::pair<unsigned, std::string_view>> texts);

// ---- Text and case ---------------------------------------------------------
std::string MidString(std::string_view text, int start, int count);
int GetStringLength(std::string_view text);
void DeleteChars(std::string& text, int index, int count);
// ASCII letters and the accented Latin-1 letters change case; everything else stays.
std::string ToUpper(std::string_view text);
std::string ToLower(std::string_view text);
void LowerCaseList(CStringList& list);
// Program text (UTF-8) to OEM bytes (code page 437) and back, for the files
// that keep OEM text. Characters the code page lacks become '?'.
std::string AnsiToOem(std::string_view text);
std::string OemToAnsi(std::string_view bytes);
unsigned ByteToUInt(std::uint8_t value);
int DigitValue(char c);   // c - '0', unchecked

// ---- Filling and trimming (filling never cuts a longer text) --------------
std::string PadRight(std::string_view text, char fill, int width);
std::string PadRightBlanks(std::string_view text, int width);
std::string PadLeft(std::string_view text, char fill, int width);
std::string PadLeftZeros(std::string_view text, int width);
std::string PadLeftBlanks(std::string_view text, int width);
// Blanks and tabs only; other white space (CR, LF) is kept.
std::string TrimLeftBlanks(std::string_view text);
std::string TrimRightBlanks(std::string_view text);
std::string TrimBlanks(std::string_view text);

// ---- Backslash paths --------------------------------------------------------
std::string AddBackslash(std::string_view path);
std::string RemoveBackslash(std::string_view path);
std::string GetFileNamePart(std::string_view path);
std::string GetFolderPart(std::string_view path);
std::string GetExtensionPart(std::string_view path);
// "C:" for drive paths, "\\server\share" for network paths, empty otherwise.
std::string GetRootPart(std::string_view path);
std::string ChangeExtension(std::string_view path, std::string_view newExtension);
// Shortens a path for display to at most `maxLength` bytes, keeping the root,
// the file name and as many trailing folders as fit ("C:\...\ccc\file.txt").
std::string CompactPath(std::string_view path, std::uint16_t maxLength);

// ---- Tokens and fields ------------------------------------------------------
// A token is a run of non-delimiter characters: empty runs are skipped.
int CountTokens(std::string_view text, std::string_view delimiters);
std::string GetToken(int n, std::string_view text, std::string_view delimiters);
// A field ends at every single delimiter, so two delimiters in a row enclose an
// empty field.
std::string GetField(int n, std::string_view text, std::string_view delimiters);
// Appends fields 1, 2, ... up to (not including) the first empty one; returns
// how many were appended. Readers of stored lists rely on the stop.
int SplitFields(std::string_view text, std::string_view delimiters, CStringList& out);

// The program's command line as lower-cased words, split at blanks, slashes,
// commas and dashes by SplitFields: the words end at the first empty field, so
// "/noworkspace" gives none and "a,,noworkspace" only "a".
CStringList SplitCommandLine(std::string_view commandLine);

// ---- Numbers to text and back -----------------------------------------------
// Number text is always C-locale (a point for decimals) whatever the user's
// locale: it is stored in settings and files that other stations read.
std::string LongToString(long value);
std::string IntToString(int value);
std::string ShortToString(short value);
std::string SignedCharToString(signed char value);
std::string ULongToString(unsigned long value);
std::string UShortToString(unsigned short value);
std::string ByteToString(unsigned char value);

// Right-aligned in at least `width` characters with `decimals` decimals.
std::string FormatDouble(double value, int decimals, int width);
// The shortest fixed text that reads back to the same value, with at least
// one decimal: 2.5 -> "2.5", 3 -> "3.0", 0.1 -> "0.1".
std::string FormatDoubleTrimmed(double value);

// Base 16 when the text holds an 'x' or 'X' anywhere ("0x1F" and "1Fx" alike),
// else base 10. Leading blanks and a sign are accepted.
long StringToLong(std::string_view text);
int StringToInt(std::string_view text);
// `badText` is set when characters were left over after the number, or when
// no number could be read at all (empty text, letters).
long StringToLongChecked(std::string_view text, bool& badText);
unsigned long StringToULong(std::string_view text, bool* badText = nullptr);
double StringToDouble(std::string_view text);
double StringToDoubleChecked(std::string_view text, bool& badText);

// ---- Error exception --------------------------------------------------------
// The program's error exception is a thrown `true`: no object, no message.
// Handlers catch everything and stop the operation.
[[noreturn]] void ThrowError();
void ThrowIfTrue(std::uint8_t flag);
void ThrowIfNonZero(std::uint32_t value);

// The version text the system information sheet shows.
std::string GetVersionText();

}   // namespace app
