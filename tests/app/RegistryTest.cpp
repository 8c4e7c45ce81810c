#include "app/Registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

#include "../support/TempFolder.h"
#include "RegistryTestTree.h"
#include "app/DateTimeEx.h"
#include "app/DateTimeSpanEx.h"

using platform::CSettingsStore;
using registry_test::Snapshot;
using Colours = std::array<std::uint32_t, 3>;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr const char* kKey = "Software\\Quorwick\\Brinevane\\Default\\Navigator\\GPS";
constexpr const char* kReadBackEnv = "BRINE_REGISTRY_READBACK";
constexpr const char* kText = "Chart 1234 \xC3\xBC \\ \"quoted\"\nsecond line";
const Bytes kBytes = {0, 1, 0x7F, 0x80, 0xFF, 0, '\\', '\n'};
const Colours kGreys = {0xFFFFFF, 0x808080, 0x000000};
const Colours kColours = {0x0000FF, 0x123456, 0xFE0107};

// One typed read: the value, or nothing when the reader refused; a refusing
// reader must also leave the caller's default alone.
template <class T, class Reader>
std::optional<T> Get(const app::CRegistry& reg, Reader read, const char* name, T init = T{})
{
    T value = init;
    if ((reg.*read)(name, value))
        return value;
    EXPECT_EQ(value, init) << name << ": a failed read changed the default";
    return std::nullopt;
}

void WriteAll(app::CRegistry& reg)
{
    reg.WriteString("Text", kText);
    reg.WriteBool("On", true);
    reg.WriteBool("Off", false);
    reg.WriteDouble("Tenth", 0.1);
    reg.WriteDouble("Negative", -3.25);
    reg.WriteDouble("Two", 2.0);
    reg.WriteDouble("Tiny", 1.2345678901234567e-7);
    reg.WriteDouble("Tinier", -5e-324);
    reg.WriteLong("Long", -2147483647L);
    reg.WriteDWord("DWord", 0xFFFFFFFFu);
    reg.WriteDWord("ByteOf300", 300);
    reg.WriteByte("Byte", 200);
    reg.WriteBinary("Bytes", kBytes);
    reg.WriteTimeSpan("Span", app::CDateTimeSpanEx(1, 0, 30, 0));
    reg.WriteTimeSpan("NegativeSpan", -app::CDateTimeSpanEx(0, 5, 4, 3));
    reg.WriteDateTime("When", app::CDateTimeEx(2026, 12, 6, 21, 35, 59));
    reg.WriteDateTime("NoFix",
                      app::CDateTimeEx(101, 1, 1, 0, 0, 0));   // how track points say "no fix yet"
    reg.WriteIntPair("Point", {-5, 10});
    reg.WritePaletteColours("Greys", kGreys);
    reg.WritePaletteColours("Colours", kColours);
}

void CheckAll(const app::CRegistry& reg)
{
    using R = app::CRegistry;
    EXPECT_EQ(Get<std::string>(reg, &R::ReadString, "Text"), kText);
    EXPECT_EQ(Get<bool>(reg, &R::ReadBool, "On"), true);
    EXPECT_EQ(Get<bool>(reg, &R::ReadBool, "Off", true), false);
    for (auto [name, v] : {std::pair{"Tenth", 0.1},
                           {"Negative", -3.25},
                           {"Two", 2.0},
                           {"Tiny", 1.2345678901234567e-7},
                           {"Tinier", -5e-324}})
        EXPECT_EQ(Get<double>(reg, &R::ReadDouble, name), v) << name;
    EXPECT_EQ(Get<long>(reg, &R::ReadLong, "Long"), -2147483647L);
    EXPECT_EQ(Get<std::uint32_t>(reg, &R::ReadDWord, "DWord"), 0xFFFFFFFFu);
    EXPECT_EQ(Get<std::uint8_t>(reg, &R::ReadByte, "ByteOf300"), 44);
    EXPECT_EQ(Get<std::uint8_t>(reg, &R::ReadByte, "Byte"), 200);
    EXPECT_EQ(Get<Bytes>(reg, &R::ReadBinary, "Bytes", Bytes{9}), kBytes);
    EXPECT_EQ(Get<app::CDateTimeSpanEx>(reg, &R::ReadTimeSpan, "Span")->GetTotalSeconds(),
              86400 + 1800);
    EXPECT_EQ(Get<app::CDateTimeSpanEx>(reg, &R::ReadTimeSpan, "NegativeSpan")->GetTotalSeconds(),
              -18243);
    EXPECT_EQ(Get<app::CDateTimeEx>(reg, &R::ReadDateTime, "When"),
              app::CDateTimeEx(2026, 12, 6, 21, 35, 59));
    EXPECT_EQ(Get<app::CDateTimeEx>(reg, &R::ReadDateTime, "NoFix"),
              app::CDateTimeEx(101, 1, 1, 0, 0, 0));
    EXPECT_EQ((Get<std::pair<int, int>>(reg, &R::ReadIntPair, "Point")), std::make_pair(-5, 10));
    EXPECT_EQ(Get<Colours>(reg, &R::ReadPaletteColours, "Greys"), kGreys);
    EXPECT_EQ(Get<Colours>(reg, &R::ReadPaletteColours, "Colours"), kColours);
}

// This test program again, running only the read-back test, in a process
// that never saw the values being written.
int RunReadBack(const std::string& file)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv(kReadBackEnv, file.c_str(), 1);
        ::execl("/proc/self/exe", "readback", "--gtest_filter=RegistryFreshProcess.*",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}   // namespace

TEST(RegistryFreshProcess, ReadsBackWhatAnotherWrote)
{
    const char* file = std::getenv(kReadBackEnv);
    if (!file)
        GTEST_SKIP() << "the second process of the round-trip test";
    CSettingsStore store(file);
    ASSERT_EQ(store.Load(), platform::LoadStatus::Ok);
    app::CRegistry reg(store);
    ASSERT_TRUE(reg.OpenKeyForRead(kKey));
    CheckAll(reg);
}

TEST(Registry, TypedValuesRoundTripThroughTheFileAndAFreshProcess)
{
    brine_test::TempFolder dir;
    const std::string file = dir / "settings.conf";
    CSettingsStore store(file);
    app::CRegistry reg(store);
    ASSERT_TRUE(
        reg.OpenKeyForWrite(std::string(kKey) + "\\"));   // a trailing backslash is harmless
    WriteAll(reg);
    // The texts other stations and older versions read.
    for (auto [name, text] :
         {std::pair{"On", "True"},
          {"Off", "False"},
          {"Two", "2.0"},
          {"Negative", "-3.25"},
          {"Point", "-5,10"},
          {"When", "20261206 213559"},
          {"Span", "1 00:30:00"},
          {"Greys", "Day : 255 255 255, Dusk : 128 128 128, Night : 000 000 000"},
          {"Colours", "Day : 255 000 000, Dusk : 086 052 018, Night : 007 001 254"}})
        EXPECT_EQ(store.GetString(kKey, name), text) << name;
    EXPECT_EQ(store.GetValue(kKey, "Byte"), platform::SettingValue::FromDword(200));
    // Tiny values keep the plain form, with the decimals they need.
    EXPECT_EQ(store.GetString(kKey, "Tiny").value_or("").rfind("0.0000001234567890123456", 0), 0u);
    ASSERT_TRUE(store.Save()) << store.LastError();
    EXPECT_EQ(RunReadBack(file), 0);
}

TEST(Registry, MalformedOrMistypedValuesKeepTheDefault)
{
    brine_test::TempFolder dir;
    CSettingsStore store(dir / "settings.conf");
    app::CRegistry reg(store);
    using R = app::CRegistry;
    EXPECT_FALSE(reg.OpenKeyForRead("Software\\Missing"));
    EXPECT_FALSE(Get<std::string>(reg, &R::ReadString, "Text", "default"));   // no key open
    ASSERT_TRUE(reg.OpenKeyForWrite("Software\\Test"));

    for (const char* bad : {"", "abc", "1 xx:yy:zz"}) {
        reg.WriteString("Value", bad);
        EXPECT_FALSE(
            Get<app::CDateTimeSpanEx>(reg, &R::ReadTimeSpan, "Value", app::CDateTimeSpanEx(42)))
            << bad;
        EXPECT_FALSE(Get<app::CDateTimeEx>(reg, &R::ReadDateTime, "Value",
                                           app::CDateTimeEx(2000, 2, 29, 0, 0, 0)))
            << bad;
    }
    // Right name, wrong type; and names never written.
    reg.WriteString("Text", "300");
    reg.WriteDWord("Number", 1);
    EXPECT_FALSE(Get<std::uint8_t>(reg, &R::ReadByte, "Text", 7));
    EXPECT_FALSE(Get<Bytes>(reg, &R::ReadBinary, "Text", Bytes{7}));
    EXPECT_FALSE(Get<std::string>(reg, &R::ReadString, "Number", "default"));
    EXPECT_FALSE(Get<double>(reg, &R::ReadDouble, "Missing", 5.0));
}

// Colour triples and integer pairs are read as far as their text goes, each
// number as the integer reader takes it: red, green and blue are the three
// numbers in the eleven characters two past each colon, masked to a byte; x
// and y the text before and after the first comma. They never keep the default.
TEST(Registry, TriplesAndPairsReadAsFarAsTheirTextGoes)
{
    brine_test::TempFolder dir;
    CSettingsStore store(dir / "settings.conf");
    app::CRegistry reg(store);
    using R = app::CRegistry;
    ASSERT_TRUE(reg.OpenKeyForWrite("Software\\Test"));
    const std::pair<const char*, Colours> triples[] = {
        {"", Colours{0, 0, 0}},
        {"Day : 255 255 255", Colours{0xFFFFFF, 0xFFFF37, 0xFFFF05}},
        {"Day : 255 255 255, Dusk : 128 128 128", Colours{0xFFFFFF, 0x808080, 0x80801C}},
        {"Day : 256 000 000, Dusk : 000 000 000, Night : 000 000 000", Colours{0, 0, 0}},
        {"Day : 0a0 000 000, Dusk : 000 000 000, Night : 000 000 000", Colours{0, 0, 0}},
        {"Day : 00 000 0000, Dusk : 000 000 000, Night : 000 000 000", Colours{0, 0, 0}},
        {"Day :255 255 255, Dusk : 000 000 000, Night : 000 000 000", Colours{0xFFFF37, 0, 0}},
        {"Day : -01 000 000, Dusk : 000 000 000, Night : 000 000 000", Colours{0xFF, 0, 0}},
        {"Day : 255 255 255, Dusk : 000 000 000, Night : 000 000 0", Colours{0xFFFFFF, 0, 0}},
        {"Day : 1 2 3, Dusk : 4 5 6, Night : 7 8 9", Colours{0x030201, 0x060504, 0x090807}}};
    for (const auto& [text, colours] : triples) {
        reg.WriteString("Value", text);
        EXPECT_EQ(Get<Colours>(reg, &R::ReadPaletteColours, "Value", Colours{1, 2, 3}), colours)
            << text;
    }
    const std::pair<const char*, std::pair<int, int>> pairs[] = {{"", {0, 0}},
                                                                 {"10", {10, 0}},
                                                                 {"10;10", {10, 0}},
                                                                 {"10,", {10, 0}},
                                                                 {",10", {0, 10}},
                                                                 {"x,1", {0, 1}},
                                                                 {"1,2,3", {1, 2}},
                                                                 {"1.5,2", {1, 2}},
                                                                 {"99999999999,1", {2147483647, 1}},
                                                                 {" 12abc, -7", {12, -7}}};
    for (const auto& [text, xy] : pairs) {
        reg.WriteString("Value", text);
        EXPECT_EQ((Get<std::pair<int, int>>(reg, &R::ReadIntPair, "Value", {10, 10})), xy) << text;
    }
}

TEST(Registry, LooseTextsReadAsOtherWritersLeftThem)
{
    brine_test::TempFolder dir;
    CSettingsStore store(dir / "settings.conf");
    app::CRegistry reg(store);
    ASSERT_TRUE(reg.OpenKeyForWrite("Software\\Test"));
    for (auto [text, expected] : {std::pair{"True", true},
                                  {"TRUE", true},
                                  {"tRuE", true},
                                  {"Yes", false},
                                  {"1", false},
                                  {"True ", false},
                                  {"", false}}) {
        reg.WriteString("Value", text);
        EXPECT_EQ(Get<bool>(reg, &app::CRegistry::ReadBool, "Value", !expected), expected) << text;
    }
    for (auto [text, expected] :
         {std::pair{"0x1A", 26L}, {"12abc", 12L}, {"-7", -7L}, {"abc", 0L}}) {
        reg.WriteString("Value", text);
        EXPECT_EQ(Get<long>(reg, &app::CRegistry::ReadLong, "Value", 99L), expected) << text;
    }
    for (auto [text, expected] : {std::pair{"2.5xyz", 2.5}, {"abc", 0.0}, {" -1e2", -100.0}}) {
        reg.WriteString("Value", text);
        EXPECT_EQ(Get<double>(reg, &app::CRegistry::ReadDouble, "Value", 99.0), expected) << text;
    }
    reg.WriteString("Value", "90");   // a bare number of seconds
    EXPECT_EQ(
        Get<app::CDateTimeSpanEx>(reg, &app::CRegistry::ReadTimeSpan, "Value")->GetTotalSeconds(),
        90);
}

TEST(Registry, MoveKeyTreeLeavesAnIdenticalCopyAndNoSource)
{
    brine_test::TempFolder dir;
    CSettingsStore store(dir / "settings.conf");
    const std::string src = "Root\\W\\WorkState_v1", dst = "Root\\W\\WorkState_v1_1";
    store.SetString(src, "ClassName", "CMainFrame");
    store.SetDword(src + "\\Frames\\Frame0", "Flags", 3);
    store.SetBinary(src + "\\Frames\\Frame0\\Placement", "Rect", std::string("\0\1\2", 3));
    store.SetValue(src + "\\Frames\\Frame0\\Placement", "Odd", registry_test::OddValue());
    store.CreateKey(src + "\\Bars\\Empty");
    const registry_test::Tree before = Snapshot(store, src);

    app::CRegistry reg(store);
    ASSERT_TRUE(reg.OpenKeyForRead(src));
    // Copying into its own tree would never end: refused, nothing touched.
    EXPECT_FALSE(reg.CopyKeyTree(src + "\\Frames\\Copy"));
    EXPECT_FALSE(reg.CopyKeyTree("root\\w\\workstate_v1"));
    EXPECT_EQ(Snapshot(store, src), before);

    ASSERT_TRUE(reg.MoveKeyTree(dst));
    EXPECT_FALSE(store.KeyExists(src));
    EXPECT_EQ(Snapshot(store, dst), before);
}

TEST(Registry, FindKeyWithValueSearchesSubkeysFirstIgnoringCase)
{
    brine_test::TempFolder dir;
    CSettingsStore store(dir / "settings.conf");
    const std::string top = "Root\\State";
    store.SetString(top, "ClassName", "CMsgBar");   // the top key's own values come last
    store.SetDword(top + "\\A", "ClassName", 1);   // not a string: ignored
    store.SetString(top + "\\A\\Deep", "Other", "cmsgbar");
    store.SetString(top + "\\A\\Deep\\Deeper", "CLASSNAME", "cMsgBar");
    store.SetString(top + "\\B", "ClassName", "CMsgBar");

    app::CRegistry reg(store);
    std::string found;
    const std::pair<const char*, const char*> searches[] = {{"ClassName", "CMsgBar"},
                                                            {"", "CMSGBAR"}};
    for (auto [name, text] : searches) {
        ASSERT_TRUE(reg.FindKeyWithValue(top, name, text, found));
        EXPECT_EQ(found, top + "\\A\\Deep\\Deeper");
    }
    ASSERT_TRUE(reg.FindKeyWithValue(top, "other", "", found));   // by name alone
    EXPECT_EQ(found, top + "\\A\\Deep");
    found = "unchanged";
    EXPECT_FALSE(reg.FindKeyWithValue(top, "ClassName", "CToolBar", found));
    EXPECT_FALSE(reg.FindKeyWithValue("Root\\Nowhere", "ClassName", "CMsgBar", found));
    EXPECT_EQ(found, "unchanged");
}
