#include "app/StringUtils.h"
#include "platform/LocaleFreeNumbers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace {

TEST(StringUtils, FieldsKeepEmptiesTokensSkipThem)
{
    struct Row {
        const char* text;
        int n;
        const char* field;
        const char* token;
    };
    const Row rows[] = {
        {"a,,b", 1, "a", "a"}, {"a,,b", 2, "", "b"},   {"a,,b", 3, "b", ""},
        {",a", 1, "", "a"},    {"a,", 2, "", ""},      {"", 1, "", ""},
        {"abc", 0, "", ""},    {"a;b c", 3, "c", "c"},   // any character of the set delimits
    };
    for (const Row& r : rows) {
        EXPECT_EQ(app::GetField(r.n, r.text, ",; "), r.field) << r.text << " #" << r.n;
        EXPECT_EQ(app::GetToken(r.n, r.text, ",; "), r.token) << r.text << " #" << r.n;
    }
    EXPECT_EQ(app::CountTokens(",,a,,b,", ","), 2);
    EXPECT_EQ(app::CountTokens("", ","), 0);
}

TEST(StringUtils, SplitFieldsStopsAtFirstEmptyField)
{
    const std::pair<const char*, int> rows[] = {
        {"a,,b", 1}, {"a,b,c", 3}, {",a", 0}, {"a,b,", 2}, {"", 0}};
    for (const auto& [text, count] : rows) {
        app::CStringList list{"kept"};
        EXPECT_EQ(app::SplitFields(text, ",", list), count) << text;
        ASSERT_EQ(list.size(), size_t(count) + 1) << text;
        EXPECT_EQ(list.front(), "kept");   // appends, never clears
    }
}

TEST(StringUtils, CommandLineWordsEndAtTheFirstEmptyField)
{
    struct Row {
        const char* line;
        app::CStringList words;
    };
    const Row rows[] = {
        // A delimiter before the first word leaves its field empty: no words at all.
        {"/noworkspace", {}},
        {"-NoWorkspace", {}},
        // Two delimiters in a row end the list after the words before them.
        {"a,,noworkspace", {"a"}},
        {"  chart.b  /NOWORKSPACE ", {}},
        {"chart.b /NOWORKSPACE", {"chart.b"}},
        {"", {}},
        {" / - , ", {}},
        // Words found lower-cased, at every single delimiter.
        {"NoWorkspace", {"noworkspace"}},
        {"chart.b/NoWorkspace,x-y z", {"chart.b", "noworkspace", "x", "y", "z"}},
    };
    for (const Row& r : rows)
        EXPECT_EQ(app::SplitCommandLine(r.line), r.words) << r.line;
}

TEST(StringUtils, FillingNeverCutsTrimKeepsLineEndsAndCutsClamp)
{
    std::string deleted = "abcdef";
    app::DeleteChars(deleted, 1, 2);
    app::DeleteChars(deleted, 3, 10);
    app::DeleteChars(deleted, 9, 1);
    const std::pair<std::string, const char*> rows[] = {
        {app::PadLeftZeros("123", 2), "123"},
        {app::PadLeftZeros("7", 3), "007"},
        {app::PadLeftBlanks("ab", -1), "ab"},
        {app::TrimBlanks(" \t a b\t "), "a b"},
        {app::TrimRightBlanks("a \r\n"), "a \r\n"},
        {app::TrimLeftBlanks("\n a"), "\n a"},
        {app::MidString("abcdef", 2, 3), "cde"},
        {app::MidString("abc", 5, 2), ""},
        {app::MidString("abc", -3, 2), "ab"},
        {app::MidString("abc", 1, 99), "bc"},
        {deleted, "ade"},
    };
    for (const auto& [text, expected] : rows)
        EXPECT_EQ(text, expected);
}

TEST(StringUtils, CaseChangesAccentedLettersAndLeavesOtherBytes)
{
    EXPECT_EQ(app::ToUpper("noworkspace é ß ÷"), "NOWORKSPACE É ß ÷");
    EXPECT_EQ(app::ToLower("ÀÉÖ × Ω"), "àéö × Ω");
    app::CStringList list{"ABC", "Déf"};
    app::LowerCaseList(list);
    EXPECT_EQ(list, (app::CStringList{"abc", "déf"}));
}

TEST(StringUtils, OemTextRoundTrips)
{
    EXPECT_EQ(app::AnsiToOem("caf\xC3\xA9 \xC2\xB0"), "caf\x82 \xF8");   // é and the degree sign
    EXPECT_EQ(app::OemToAnsi("caf\x82 \xF8"), "caf\xC3\xA9 \xC2\xB0");
    EXPECT_EQ(app::AnsiToOem("\xE2\x82\xAC"), "?");   // no euro sign in OEM
}

TEST(StringUtils, BackslashPaths)
{
    struct Row {
        const char* path;
        const char* name;
        const char* folder;
        const char* ext;
        const char* root;
    };
    const Row rows[] = {
        {"C:\\Charts\\a.b", "a.b", "C:\\Charts", "b", "C:"},
        {"\\file.txt", "file.txt", "", "txt", ""},
        {"C:\\v1.2\\readme", "readme", "C:\\v1.2", "", "C:"},
        {"name", "name", "", "", ""},
        {"\\\\server\\share\\x\\y.dbf", "y.dbf", "\\\\server\\share\\x", "dbf",
         "\\\\server\\share"},
        {"\\\\server", "server", "\\", "", "\\\\server"},
        {"", "", "", "", ""},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(app::GetFileNamePart(r.path), r.name) << r.path;
        EXPECT_EQ(app::GetFolderPart(r.path), r.folder) << r.path;
        EXPECT_EQ(app::GetExtensionPart(r.path), r.ext) << r.path;
        EXPECT_EQ(app::GetRootPart(r.path), r.root) << r.path;
    }
    const std::pair<std::string, const char*> edits[] = {
        {app::AddBackslash(""), "\\"},
        {app::AddBackslash("C:\\a\\"), "C:\\a\\"},
        {app::AddBackslash("C:\\a"), "C:\\a\\"},
        {app::RemoveBackslash(""), ""},
        {app::RemoveBackslash("C:\\a\\\\"), "C:\\a\\"},
        {app::ChangeExtension("C:\\a.old\\f.tst", "log"), "C:\\a.old\\f.log"},
        {app::ChangeExtension("C:\\a.old\\f", "log"), "C:\\a.old\\f.log"},
        {app::ChangeExtension("f.tst", ""), "f"},
    };
    for (const auto& [text, expected] : edits)
        EXPECT_EQ(text, expected);
}

TEST(StringUtils, CompactPathKeepsRootNameAndTrailingFolders)
{
    const char* p = "C:\\a\\bb\\ccc\\file.txt";   // 20 characters
    struct Row {
        const char* path;
        int max;
        const char* out;
    };
    const Row rows[] = {
        {p, 0, ""},
        {p, 20, p},
        {p, 19, "C:\\...\\ccc\\file.txt"},
        {p, 18, "C:\\...\\file.txt"},
        {p, 14, "file.txt"},
        {p, 7, "file..."},
        {"C:\\x\\abc", 2, ""},   // name too short to cut
        {"\\\\srv\\sh\\dir1\\d2\\n.b", 19, "\\\\srv\\sh\\...\\d2\\n.b"},
        {"\\\\srv\\sh\\dir1\\d2\\n.b", 18, "\\\\srv\\sh\\...\\n.b"},
        // This system's paths: middle folders go the same way, never the name's end.
        {"/tmp/walk-clone/build/bin/Chartpoints/PugetSound", 47,
         "/.../build/bin/Chartpoints/PugetSound"},
        {"/tmp/walk-clone/build/bin/Chartpoints/PugetSound", 20, "/.../PugetSound"},
        {"/tmp/walk-clone/build/bin/Chartpoints/PugetSound", 12, "PugetSound"},
        {"Logs/Voyages/2024/PugetSound", 20, ".../2024/PugetSound"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(app::CompactPath(r.path, r.max), r.out) << r.path << " max " << r.max;
}

TEST(StringUtils, IntegerTextChoosesHexByAnyX)
{
    struct Row {
        const char* text;
        long value;
        bool bad;
    };
    const Row rows[] = {
        {"0x1F", 31, false}, {"1Fx", 31, true},   // base 16 by the x, which is then left over
        {"ffX", 255, true},  {"12 ", 12, true}, {" -42", -42, false}, {"42", 42, false},
        {"", 0, true},       {"abc", 0, true},  {"1F", 1, true},   // no x: decimal, stops at F
    };
    for (const Row& r : rows) {
        bool bad = !r.bad;
        EXPECT_EQ(app::StringToLongChecked(r.text, bad), r.value) << r.text;
        EXPECT_EQ(bad, r.bad) << r.text;
        EXPECT_EQ(app::StringToLong(r.text), r.value) << r.text;
    }
    bool bad = true;
    EXPECT_EQ(app::StringToULong("0xFFFFFFFF", &bad), 0xFFFFFFFFul);
    EXPECT_FALSE(bad);
    EXPECT_EQ(app::StringToInt("99999999999"), 2147483647);
    EXPECT_EQ(app::StringToInt("-99999999999"), -2147483647 - 1);
}

TEST(StringUtils, NumberTextIgnoresTheUserLocale)
{
    // A decimal-comma locale must not change stored number text. C.UTF-8 has
    // a point too, so this holds in any case; the check is that nothing
    // consults LC_NUMERIC at all when a comma locale is installed.
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");

    const std::pair<double, const char*> rows[] = {{0.0, "0.0"},       {2.5, "2.5"},
                                                   {3.0, "3.0"},       {-0.25, "-0.25"},
                                                   {1e6, "1000000.0"}, {123.125, "123.125"}};
    for (const auto& [v, trimmed] : rows)
        EXPECT_EQ(app::FormatDoubleTrimmed(v), trimmed);
    // Values with no exact binary form print as typed and read back to the same double.
    for (const double v : {0.1, 2.1, 47.6062, -122.3321, 1.0 / 3.0, 1e-300, 1.7e308}) {
        const std::string text = app::FormatDoubleTrimmed(v);
        EXPECT_EQ(platform::ParseDouble(text), v) << text;
        EXPECT_EQ(text.find('e'), std::string::npos) << text;
    }
    EXPECT_EQ(app::FormatDoubleTrimmed(0.1), "0.1");
    EXPECT_EQ(app::FormatDoubleTrimmed(2.1), "2.1");
    EXPECT_EQ(app::FormatDouble(3.14159, 2, 7), "   3.14");
    EXPECT_EQ(app::FormatDouble(-2.5, 0, 1), "-2");   // round half to even, as printf
    EXPECT_EQ(app::FormatDouble(12345.6, 1, 3), "12345.6");

    bool bad = true;
    EXPECT_DOUBLE_EQ(app::StringToDoubleChecked("51.5", bad), 51.5);
    EXPECT_FALSE(bad);
    EXPECT_DOUBLE_EQ(app::StringToDoubleChecked("51,5", bad), 51.0);
    EXPECT_TRUE(bad);
    EXPECT_DOUBLE_EQ(app::StringToDouble(" -1e3x"), -1000.0);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(StringUtils, StringTableNumbersAndTheErrorException)
{
    app::SetResString(61001, "Route database");
    EXPECT_EQ(app::LoadResString(61001), "Route database");
    EXPECT_EQ(app::LoadResString(61002), "");   // an id nobody registered is empty

    EXPECT_EQ(app::LongToString(-2147483647L - 1), "-2147483648");
    EXPECT_EQ(app::IntToString(0), "0");
    EXPECT_EQ(app::ShortToString(-32768), "-32768");
    EXPECT_EQ(app::SignedCharToString(-128), "-128");
    EXPECT_EQ(app::ULongToString(4294967295UL), "4294967295");
    EXPECT_EQ(app::UShortToString(65535), "65535");
    EXPECT_EQ(app::ByteToString(255), "255");
    EXPECT_EQ(app::ByteToUInt(200), 200u);
    EXPECT_EQ(app::DigitValue('7'), 7);
    EXPECT_EQ(app::DigitValue('A'), 17);   // unchecked: the code's distance from '0'
    EXPECT_EQ(app::GetStringLength("Puget"), 5);
    EXPECT_EQ(app::PadRight("ab", '.', 5), "ab...");
    EXPECT_EQ(app::PadRightBlanks("abcdef", 3), "abcdef");
    EXPECT_EQ(app::PadLeft("9", '#', 3), "##9");

    // The error exception is a thrown true, caught by a catch-all.
    const auto thrown = [](auto&& body) {
        try {
            body();
        } catch (bool value) {
            return value;
        }
        return false;
    };
    EXPECT_TRUE(thrown([] { app::ThrowError(); }));
    EXPECT_TRUE(thrown([] { app::ThrowIfTrue(2); }));
    EXPECT_FALSE(thrown([] { app::ThrowIfTrue(0); }));
    EXPECT_TRUE(thrown([] { app::ThrowIfNonZero(0x80000000u); }));
    EXPECT_FALSE(thrown([] { app::ThrowIfNonZero(0); }));
    EXPECT_EQ(app::GetVersionText(), "6.0");
}

}   // namespace
