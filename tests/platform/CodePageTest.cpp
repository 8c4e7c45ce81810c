#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include "PythonScript.h"

using namespace platform;

namespace {

struct CodePage {
    const char* name;   // Python's codec
    std::string (*decode)(std::string_view), (*encode)(std::string_view);
};
const CodePage kPages[] = {{"cp1252", Cp1252ToUtf8, Utf8ToCp1252},
                           {"cp437", Cp437ToUtf8, Utf8ToCp437}};

// Python's codecs, written by others, are the reference for both tables. The
// five bytes Windows-1252 leaves unassigned decode to the C1 controls of the
// same number here, so those are the one place the two differ on purpose.
TEST(CodePage, TablesAgreeWithPythonsCodecs)
{
    std::string allBytes;
    for (int b = 0; b < 256; ++b)
        allBytes += static_cast<char>(b);
    for (const auto& page : kPages) {
        SCOPED_TRACE(page.name);
        const std::string codec = page.name;
        const auto decoded = brine_test::RunPython(
            "import sys; sys.stdout.buffer.write(\"\".join(bytes([b]).decode(\"" + codec +
            "\", errors=\"ignore\") or chr(b) for b in range(256)).encode())");
        if (!decoded)
            GTEST_SKIP() << "no /usr/bin/python3";
        EXPECT_EQ(page.decode(allBytes), *decoded);

        // Every character of the basic plane and a few beyond, one at a time: the
        // text, a NUL, then Python's encoding of it ('?' for the unmappable).
        const auto both = brine_test::RunPython(
            "import sys; s = \"\".join(chr(c) for c in list(range(1, 0xD800)) + list(range(0xE000, "
            "0x10000)) + "
            "[0x10000, 0x1F600, 0x10FFFF]); sys.stdout.buffer.write(s.encode() + b\"\\0\" + "
            "\"\".join(c.encode(\"" +
            codec +
            "\", errors=\"replace\").decode(\"latin-1\") if c not in \"\\x81\\x8d\\x8f\\x90\\x9d\" "
            "or \"" +
            codec + "\" != \"cp1252\" else c for c in s).encode(\"latin-1\"))");
        ASSERT_TRUE(both);
        const std::string text = both->substr(0, both->find('\0')),
                          encoded = both->substr(text.size() + 1);
        EXPECT_EQ(page.encode(text), encoded);
    }
}

// Malformed UTF-8 becomes one '?' per maximal bad sequence and never swallows
// the good character after it.
TEST(CodePage, MalformedUtf8BecomesQuestionMarks)
{
    const struct {
        const char* name;
        std::string in, cp1252;
        bool valid;
    } cases[] = {
        {"stray continuation", "a\x80z", "a?z", false},
        {"overlong slash", "\xc0\xaf", "??", false},
        {"surrogate", "\xed\xa0\x80", "???", false},
        {"beyond U+10FFFF", "\xf4\x90\x80\x80", "????", false},
        {"cut short at the end", "x\xe2\x82", "x?", false},
        {"cut short before a good one", "\xe2\xe2\x82\xac", "?\x80", false},
        {"unmappable but valid", "\xf0\x9f\x98\x80\xe2\x82\xac", "?\x80", true},
        {"highest code point", "\xf4\x8f\xbf\xbf", "?", true},
        {"NUL kept", std::string("a\0b", 3), std::string("a\0b", 3), true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToCp1252(c.in), c.cp1252) << c.name;
        EXPECT_EQ(IsValidUtf8(c.in), c.valid) << c.name;
    }
}

}   // namespace
