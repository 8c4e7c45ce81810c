#include "app/Registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "../support/TempFolder.h"
#include "RegistryTestTree.h"
#include "app/DateTimeEx.h"
#include "app/DateTimeSpanEx.h"

using platform::CSettingsStore;
using registry_test::Snapshot;

namespace {

constexpr const char* kKey = "Software\\Quorwick\\Brinevane\\Default\\Navigator\\GPS";
constexpr const char* kReadBackEnv = "BRINE_REGISTRY_READBACK";
const std::vector<std::uint8_t> kBytes = {0, 1, 0x7F, 0x80, 0xFF, 0, '\\', '\n'};
const std::array<std::uint32_t, 3> kGreys = {0xFFFFFF, 0x808080, 0x000000};
const std::array<std::uint32_t, 3> kColours = {0x0000FF, 0x123456, 0xFE0107};

void WriteAll(CRegistry& reg)
{
    reg.WriteString("Text", "Chart 1234 \xC3\xBC \\ \"quoted\"\nsecond line");
    reg.WriteString("Empty", "");
    reg.WriteBool("On", true);
    reg.WriteBool("Off", false);
    reg.WriteDouble("Tenth", 0.1);
    reg.WriteDouble("Negative", -3.25);
    reg.WriteDouble("Two", 2.0);
    reg.WriteDouble("Big", 123456789.125);
    reg.WriteDouble("Tiny", 1.2345678901234567e-7);
    reg.WriteDouble("Tinier", -5e-324);
    reg.WriteLong("Long", -2147483647L);
    reg.WriteDWord("DWord", 0xFFFFFFFFu);
    reg.WriteDWord("ByteOf300", 300);
    reg.WriteByte("Byte", 200);
    reg.WriteBinary("Bytes", kBytes);
    reg.WriteBinary("NoBytes", {});
    reg.WriteTimeSpan("Span", CDateTimeSpanEx(1, 0, 30, 0));
    reg.WriteTimeSpan("NegativeSpan", -CDateTimeSpanEx(0, 5, 4, 3));
    reg.WriteIntPair("Point", {-5, 10});
    CDateTimeEx when, noFix;
    when.SetDateTime(2026, 12, 6, 21, 35, 59);
    noFix.SetDate(101, 1, 1);   // how track points say "no fix yet"
    reg.WriteDateTime("When", when);
    reg.WriteDateTime("NoFix", noFix);
    reg.WritePaletteColours("Greys", kGreys);
    reg.WritePaletteColours("Colours", kColours);
}

// Reads everything WriteAll wrote and checks it, each reader starting from a
// default that differs from the stored value.
void CheckAll(const CRegistry& reg)
{
    std::string text = "x";
    EXPECT_TRUE(reg.ReadString("Text", text));
    EXPECT_EQ(text, "Chart 1234 \xC3\xBC \\ \"quoted\"\nsecond line");
    EXPECT_TRUE(reg.ReadString("Empty", text));
    EXPECT_EQ(text, "");
    bool on = false, off = true;
    EXPECT_TRUE(reg.ReadBool("On", on) && reg.ReadBool("Off", off));
    EXPECT_TRUE(on);
    EXPECT_FALSE(off);
    double d = 9;
    EXPECT_TRUE(reg.ReadDouble("Tenth", d));
    EXPECT_EQ(d, 0.1);
    EXPECT_TRUE(reg.ReadDouble("Negative", d));
    EXPECT_EQ(d, -3.25);
    EXPECT_TRUE(reg.ReadDouble("Big", d));
    EXPECT_EQ(d, 123456789.125);
    EXPECT_TRUE(reg.ReadDouble("Tiny", d));
    EXPECT_EQ(d, 1.2345678901234567e-7);
    EXPECT_TRUE(reg.ReadDouble("Tinier", d));
    EXPECT_EQ(d, -5e-324);
    long l = 0;
    EXPECT_TRUE(reg.ReadLong("Long", l));
    EXPECT_EQ(l, -2147483647L);
    std::uint32_t dw = 0;
    EXPECT_TRUE(reg.ReadDWord("DWord", dw));
    EXPECT_EQ(dw, 0xFFFFFFFFu);
    std::uint8_t b = 0;
    EXPECT_TRUE(reg.ReadByte("ByteOf300", b));
    EXPECT_EQ(b, 44);
    EXPECT_TRUE(reg.ReadByte("Byte", b));
    EXPECT_EQ(b, 200);
    std::vector<std::uint8_t> bytes = {9};
    EXPECT_TRUE(reg.ReadBinary("Bytes", bytes));
    EXPECT_EQ(bytes, kBytes);
    EXPECT_TRUE(reg.ReadBinary("NoBytes", bytes));
    EXPECT_TRUE(bytes.empty());
    CDateTimeSpanEx span;
    EXPECT_TRUE(reg.ReadTimeSpan("Span", span));
    EXPECT_EQ(span.GetTotalSeconds(), 86400 + 1800);
    EXPECT_TRUE(reg.ReadTimeSpan("NegativeSpan", span));
    EXPECT_EQ(span.GetTotalSeconds(), -(5 * 3600 + 4 * 60 + 3));
    CDateTimeEx when, expected;
    expected.SetDateTime(2026, 12, 6, 21, 35, 59);
    EXPECT_TRUE(reg.ReadDateTime("When", when));
    EXPECT_EQ(when, expected);
    expected.SetDate(101, 1, 1);
    EXPECT_TRUE(reg.ReadDateTime("NoFix", when));
    EXPECT_EQ(when, expected);
    std::pair<int, int> xy;
    EXPECT_TRUE(reg.ReadIntPair("Point", xy));
    EXPECT_EQ(xy, std::make_pair(-5, 10));
    std::array<std::uint32_t, 3> colours{};
    EXPECT_TRUE(reg.ReadPaletteColours("Greys", colours));
    EXPECT_EQ(colours, kGreys);
    EXPECT_TRUE(reg.ReadPaletteColours("Colours", colours));
    EXPECT_EQ(colours, kColours);
}

// Runs this test program again with only the read-back test, in a process
// that has never seen the values written.
int RunReadBack(const std::string& file)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv(kReadBackEnv, file.c_str(), 1);
        ::execl("/proc/self/exe", "readback", "--gtest_filter=RegistryFreshProcess.ReadsBackWhatAnotherWrote",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(RegistryFreshProcess, ReadsBackWhatAnotherWrote)
{
    const char* file = std::getenv(kReadBackEnv);
    if (!file)
        GTEST_SKIP() << "runs only as the second process of TypedValuesRoundTrip";
    CSettingsStore store(file);
    ASSERT_EQ(store.Load(), platform::LoadStatus::Ok);
    CRegistry reg(store);
    ASSERT_TRUE(reg.OpenKeyForRead(kKey));
    CheckAll(reg);
}

TEST(Registry, TypedValuesRoundTripThroughTheFileAndAFreshProcess)
{
    brine_test::TempFolder dir;
    const std::string file = dir / "settings.conf";
    {
        CSettingsStore store(file);
        CRegistry reg(store);
        ASSERT_TRUE(reg.OpenKeyForWrite(std::string(kKey) + "\\"));   // a trailing backslash is harmless
        WriteAll(reg);
        CheckAll(reg);
        // The stored texts others read and older versions wrote.
        const std::pair<const char*, const char*> stored[] = {
            {"On", "True"}, {"Off", "False"}, {"When", "20261206 213559"}, {"Span", "1 00:30:00"}, {"Two", "2.0"}, {"Negative", "-3.25"}, {"Point", "-5,10"},
            {"Greys", "Day : 255 255 255, Dusk : 128 128 128, Night : 000 000 000"},
            {"Colours", "Day : 255 000 000, Dusk : 086 052 018, Night : 007 001 254"}};
        for (const auto& [name, text] : stored)
            EXPECT_EQ(store.GetString(kKey, name), text) << name;
        EXPECT_EQ(store.GetValue(kKey, "Byte"), platform::SettingValue::FromDword(200));
        // Tiny values keep the plain form, with the decimals they need.
        EXPECT_EQ(store.GetString(kKey, "Tiny").value_or("").rfind("0.0000001234567890123456", 0), 0u);
        ASSERT_TRUE(store.Save()) << store.LastError();
    }
    EXPECT_EQ(RunReadBack(file), 0);
}

TEST(Registry, ReadersKeepTheDefaultWhenMissingMistypedOrMalformed)
{
    CSettingsStore store("/nonexistent/never-saved.conf");
    CRegistry reg(store);
    ASSERT_FALSE(reg.OpenKeyForRead("Software\\Missing"));
    std::string text = "default";
    EXPECT_FALSE(reg.ReadString("Anything", text));   // no key open
    ASSERT_TRUE(reg.OpenKeyForWrite("Software\\Test"));

    const std::array<std::uint32_t, 3> kDefault = {1, 2, 3};
    const char* badTriples[] = {
        "", "Day : 255 255 255", "Day : 255 255 255, Dusk : 128 128 128",
        "Day : 256 000 000, Dusk : 000 000 000, Night : 000 000 000",
        "Day : 2550 000 00, Dusk : 000 000 000, Night : 000 000 000",
        "Day : 0a0 000 000, Dusk : 000 000 000, Night : 000 000 000",
        "Day : 00 000 0000, Dusk : 000 000 000, Night : 000 000 000",
        "Day :255 255 255, Dusk : 000 000 000, Night : 000 000 000",
        "Day : 255 255 255, Dusk : 000 000 000, Night : 000 000 0",
        "Day : -01 000 000, Dusk : 000 000 000, Night : 000 000 000"};
    for (const char* bad : badTriples) {
        reg.WriteString("Colours", bad);
        std::array<std::uint32_t, 3> colours = kDefault;
        EXPECT_FALSE(reg.ReadPaletteColours("Colours", colours)) << bad;
        EXPECT_EQ(colours, kDefault) << bad;
    }
    for (const char* bad : {"", "10", "10;10", "10,", ",10", "x,1", "1,2,3", "1.5,2", "99999999999,1"}) {
        reg.WriteString("Point", bad);
        std::pair<int, int> xy = {10, 10};
        EXPECT_FALSE(reg.ReadIntPair("Point", xy)) << bad;
        EXPECT_EQ(xy, std::make_pair(10, 10)) << bad;
    }
    for (const char* bad : {"", "abc", "1 xx:yy:zz"}) {
        reg.WriteString("Span", bad);
        CDateTimeSpanEx span(42);
        EXPECT_FALSE(reg.ReadTimeSpan("Span", span)) << bad;
        EXPECT_EQ(span.GetTotalSeconds(), 42) << bad;
        reg.WriteString("When", bad);
        CDateTimeEx when;
        when.SetDate(2000, 2, 29);
        const CDateTimeEx before = when;
        EXPECT_FALSE(reg.ReadDateTime("When", when)) << bad;
        EXPECT_EQ(when, before) << bad;
    }

    // Right name, wrong type: a number stored as text is not a DWORD, and so on.
    reg.WriteString("Text", "300");
    reg.WriteDWord("Number", 1);
    std::uint32_t dw = 7;
    std::uint8_t b = 7;
    std::vector<std::uint8_t> bytes = {7};
    EXPECT_FALSE(reg.ReadDWord("Text", dw) || reg.ReadByte("Text", b) || reg.ReadBinary("Text", bytes));
    EXPECT_FALSE(reg.ReadString("Number", text));
    EXPECT_EQ(dw, 7u);
    EXPECT_EQ(b, 7);
    EXPECT_EQ(bytes, std::vector<std::uint8_t>{7});
    EXPECT_EQ(text, "default");

    double d = 5;
    long l = 5;
    bool flag = true;
    EXPECT_FALSE(reg.ReadDouble("Missing", d) || reg.ReadLong("Missing", l) || reg.ReadBool("Missing", flag));
    EXPECT_EQ(d, 5);
    EXPECT_EQ(l, 5);
    EXPECT_TRUE(flag);
}

TEST(Registry, LooseTextsReadAsOtherWritersLeftThem)
{
    CSettingsStore store("/nonexistent/never-saved.conf");
    CRegistry reg(store);
    ASSERT_TRUE(reg.OpenKeyForWrite("Software\\Test"));
    for (auto [text, expected] : std::initializer_list<std::pair<const char*, bool>>{
             {"True", true}, {"TRUE", true}, {"true", true}, {"tRuE", true},
             {"Yes", false}, {"1", false}, {"True ", false}, {"", false}}) {
        reg.WriteString("Flag", text);
        bool flag = !expected;
        EXPECT_TRUE(reg.ReadBool("Flag", flag));
        EXPECT_EQ(flag, expected) << text;
    }
    for (auto [text, expected] : std::initializer_list<std::pair<const char*, long>>{
             {"0x1A", 26}, {"12abc", 12}, {"-7", -7}, {"abc", 0}}) {
        reg.WriteString("Long", text);
        long l = 99;
        EXPECT_TRUE(reg.ReadLong("Long", l));
        EXPECT_EQ(l, expected) << text;
    }
    reg.WriteString("Span", "90");   // a bare number of seconds
    CDateTimeSpanEx span;
    EXPECT_TRUE(reg.ReadTimeSpan("Span", span));
    EXPECT_EQ(span.GetTotalSeconds(), 90);
}

TEST(Registry, MoveKeyTreeLeavesAnIdenticalCopyAndNoSource)
{
    CSettingsStore store("/nonexistent/never-saved.conf");
    const std::string src = "Root\\W\\WorkState_v1", dst = "Root\\W\\WorkState_v1_1";
    store.SetString(src, "ClassName", "CMainFrame");
    store.SetDword(src + "\\Frames\\Frame0", "Flags", 3);
    store.SetBinary(src + "\\Frames\\Frame0\\Placement", "Rect", std::string("\0\1\2", 3));
    store.SetValue(src + "\\Frames\\Frame0\\Placement", "Odd", registry_test::OddValue());
    store.CreateKey(src + "\\Bars\\Empty");
    store.SetString(src + "\\Bars\\Bar1", "ClassName", "CToolBar");
    const registry_test::Tree before = Snapshot(store, src);

    CRegistry reg(store);
    ASSERT_TRUE(reg.OpenKeyForRead(src));
    // Copying into its own subtree would never end: refused, nothing touched.
    EXPECT_FALSE(reg.CopyKeyTree(src + "\\Frames\\Copy"));
    EXPECT_FALSE(reg.CopyKeyTree("root\\w\\workstate_v1"));
    EXPECT_EQ(Snapshot(store, src), before);

    ASSERT_TRUE(reg.MoveKeyTree(dst));
    EXPECT_FALSE(store.KeyExists(src));
    EXPECT_EQ(Snapshot(store, dst), before);
    EXPECT_FALSE(reg.IsOpen());
}

TEST(Registry, FindKeyWithValueSearchesSubkeysFirstIgnoringCase)
{
    CSettingsStore store("/nonexistent/never-saved.conf");
    const std::string top = "Root\\State";
    store.SetString(top, "ClassName", "CMsgBar");                 // the top key's own value comes last
    store.SetDword(top + "\\A", "ClassName", 1);                   // not a string: ignored
    store.SetString(top + "\\A\\Deep", "Other", "cmsgbar");        // wrong name
    store.SetString(top + "\\A\\Deep\\Deeper", "CLASSNAME", "cMsgBar");
    store.SetString(top + "\\B", "ClassName", "CMsgBar");

    CRegistry reg(store);
    std::string found;
    ASSERT_TRUE(reg.FindKeyWithValue(top, "ClassName", "CMsgBar", found));
    EXPECT_EQ(found, top + "\\A\\Deep\\Deeper");
    ASSERT_TRUE(reg.FindKeyWithValue(top, "", "CMSGBAR", found));   // any name: still the deepest first
    EXPECT_EQ(found, top + "\\A\\Deep\\Deeper");
    ASSERT_TRUE(reg.FindKeyWithValue(top, "other", "", found));     // by name alone
    EXPECT_EQ(found, top + "\\A\\Deep");
    found = "unchanged";
    EXPECT_FALSE(reg.FindKeyWithValue(top, "ClassName", "CToolBar", found));
    EXPECT_FALSE(reg.FindKeyWithValue("Root\\Nowhere", "ClassName", "CMsgBar", found));
    EXPECT_EQ(found, "unchanged");
}
