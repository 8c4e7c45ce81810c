#include "platform/SettingsStore.h"

#include "ChildProcess.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <list>
#include <random>
#include <sstream>
#include <thread>

using platform::CSettingsStore;
using platform::LoadStatus;
using platform::SettingValue;
namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteBytes(const fs::path& path, std::string_view bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
}

std::vector<fs::path> FilesStartingWith(const fs::path& folder, const std::string& prefix)
{
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().rfind(prefix, 0) == 0)
            found.push_back(entry.path());
    }
    return found;
}

class SettingsStoreTest : public ::testing::Test {
protected:
    // Another store of the settings file, loaded afresh.
    CSettingsStore& Reload()
    {
        CSettingsStore& store = m_opened.emplace_back(m_file);
        EXPECT_EQ(store.Load(), LoadStatus::Ok) << store.LastError();
        return store;
    }

    brine_test::TempFolder m_dir;
    fs::path m_file = m_dir / "cfg" / "settings.conf";
    std::list<CSettingsStore> m_opened;
};

TEST_F(SettingsStoreTest, OddNamesAndBytesRoundTrip)
{
    std::string allBytes;
    for (int b = 0; b < 256; ++b)
        allBytes += static_cast<char>(b);
    const std::vector<std::string> names = {
        "",   "a=b",      "[section]",   "#end",  ";x",     "%41",     " lead", "trail ",
        "line\nbreak", "cr\r", "tab\tx", std::string("nul\0x", 5), "\xff\xfe", "\xc0\x80",
        "\xe2\x82", "Zürich ⚓", "back\\slash", "=",
    };
    const std::vector<SettingValue> values = {
        SettingValue::FromString(""),
        SettingValue::FromString(allBytes),
        SettingValue::FromString("ends with space "),
        SettingValue::FromString("#end\n[x]\nk=str:v"),
        SettingValue::FromDword(0),
        SettingValue::FromDword(0xFFFFFFFFu),
        SettingValue::FromBinary(""),
        SettingValue::FromBinary(allBytes),
        SettingValue{7, "\x01\x02"},                    // a type this program does not know
        SettingValue{4, "\x01\x02\x03"},                // a number of the wrong length
        SettingValue{0, ""},
    };
    const std::vector<std::string> keys = {"Plain", "Sp ace\\Under", "[br]ack%ets=", "Ünï\\\xff\\c0de"};

    CSettingsStore store(m_file);
    for (const auto& key : keys) {
        for (std::size_t i = 0; i < names.size(); ++i)
            store.SetValue(key, names[i], values[i % values.size()]);
    }
    store.SetValue("", "at root", SettingValue::FromString("r"));
    ASSERT_TRUE(store.Save()) << store.LastError();

    // Each entry stays on its own line: no raw control character but the line ends.
    for (const char c : ReadBytes(m_file))
        EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << int(c);

    CSettingsStore& again = Reload();
    for (const auto& key : keys) {
        EXPECT_EQ(again.ValueNames(key), names) << key;
        for (std::size_t i = 0; i < names.size(); ++i)
            EXPECT_EQ(again.GetValue(key, names[i]), values[i % values.size()]) << key << " / " << names[i];
    }
    EXPECT_EQ(again.SubKeys(""), (std::vector<std::string>{"Plain", "Sp ace", "[br]ack%ets=", "Ünï"}));
    EXPECT_EQ(again.SubKeys("Ünï\\\xff"), std::vector<std::string>{"c0de"});
    EXPECT_EQ(again.GetString("", "at root"), "r");
}

TEST_F(SettingsStoreTest, NamesMatchWithoutCaseAndKeepTheirFirstSpelling)
{
    CSettingsStore store(m_file);
    store.SetString("Default\\Navigator", "ComPort", "/dev/ttyS0");
    store.SetString("DEFAULT\\navigator", "COMPORT", "/dev/ttyUSB0");
    store.CreateKey("default\\NAVIGATOR\\Gps");
    ASSERT_TRUE(store.Save());

    CSettingsStore& again = Reload();
    EXPECT_EQ(again.SubKeys(""), std::vector<std::string>{"Default"});
    EXPECT_EQ(again.SubKeys("default"), std::vector<std::string>{"Navigator"});
    EXPECT_EQ(again.ValueNames("Default\\Navigator"), std::vector<std::string>{"ComPort"});
    EXPECT_EQ(again.GetString("dEfAuLt\\NaViGaToR", "comport"), "/dev/ttyUSB0");
    EXPECT_TRUE(again.KeyExists("\\Default\\\\Navigator\\GPS\\"));
}

TEST_F(SettingsStoreTest, DeleteTreeRemovesTheSubtreeButNeverTheRoot)
{
    CSettingsStore store(m_file);
    store.SetDword("A\\B\\C", "x", 1);
    store.SetDword("A\\B2", "y", 2);
    store.SetDword("", "top", 3);
    EXPECT_FALSE(store.DeleteTree(""));
    EXPECT_FALSE(store.DeleteTree("\\"));
    EXPECT_FALSE(store.DeleteTree("A\\Nope"));
    EXPECT_TRUE(store.DeleteTree("a\\b"));
    EXPECT_FALSE(store.DeleteValue("A\\B2", "nope"));
    EXPECT_TRUE(store.DeleteValue("A\\B2", "Y"));
    ASSERT_TRUE(store.Save());

    CSettingsStore& again = Reload();
    EXPECT_EQ(again.SubKeys("A"), std::vector<std::string>{"B2"});
    EXPECT_TRUE(again.ValueNames("A\\B2").empty());
    EXPECT_EQ(again.GetDword("", "top"), 3u);
}

// A spoilt file is set aside, byte for byte, and reported with its line; the
// store starts empty and saves afresh. Files cut short are the next test's.
TEST_F(SettingsStoreTest, DamagedFileIsSetAsideAndReported)
{
    const std::string good = "[A]\nx=dword:1\n#end\n";
    const struct {
        std::string text;
        std::string line;
    } cases[] = {
        {"[A]\nx=dword:4294967296\n#end\n", "line 2"},
        {"[A]\nx=dword:-1\n#end\n", "line 2"},
        {"[A]\nx=bin:abc\n#end\n", "line 2"},
        {"[A]\nx=bin:zz\n#end\n", "line 2"},
        {"[A]\nx=str:%4\n#end\n", "line 2"},
        {"[A]\nx=str:%G1\n#end\n", "line 2"},
        {"[A]\nx=float:1.5\n#end\n", "line 2"},
        {"[A]\nx=hex(abc):00\n#end\n", "line 2"},
        {"[A]\nx\n#end\n", "line 2"},
        {"[A\\\\B]\n#end\n", "line 1"},
        {"[A\n#end\n", "line 1"},
        {"[]\n#end\n", "line 1"},
        {"[A]\n#end\nx=dword:1\n", "line 3"},
        {"[A]\n#end\n#end\n", "line 3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.text));
        brine_test::TempFolder dir;
        const fs::path file = dir / "settings.conf";
        WriteBytes(file, c.text);
        CSettingsStore store(file);
        ASSERT_EQ(store.Load(), LoadStatus::SetAside);
        EXPECT_NE(store.LastError().find(c.line), std::string::npos) << store.LastError();
        EXPECT_FALSE(fs::exists(file));
        ASSERT_EQ(FilesStartingWith(dir.Path(), "settings.conf.damaged-").size(), 1u);
        EXPECT_EQ(ReadBytes(store.SetAsidePath()), c.text);
        EXPECT_NE(store.LastError().find(store.SetAsidePath().filename().string()), std::string::npos);
        EXPECT_TRUE(store.SubKeys("").empty());

        store.SetDword("New", "v", 5);
        ASSERT_TRUE(store.Save());
        EXPECT_EQ(ReadBytes(store.SetAsidePath()), c.text);
    }

    // A second damaged file on the same second gets a name of its own.
    WriteBytes(m_dir / "s.conf", "junk\n");
    CSettingsStore first(m_dir / "s.conf");
    ASSERT_EQ(first.Load(), LoadStatus::SetAside);
    WriteBytes(m_dir / "s.conf", "more junk\n");
    CSettingsStore second(m_dir / "s.conf");
    ASSERT_EQ(second.Load(), LoadStatus::SetAside);
    EXPECT_NE(first.SetAsidePath(), second.SetAsidePath());
    EXPECT_EQ(ReadBytes(first.SetAsidePath()), "junk\n");

    // The good file itself, and blank lines after the end, read fine.
    WriteBytes(m_dir / "good.conf", good + "\n\r\n");
    CSettingsStore fine(m_dir / "good.conf");
    EXPECT_EQ(fine.Load(), LoadStatus::Ok) << fine.LastError();
    EXPECT_EQ(fine.GetDword("a", "X"), 1u);
}

TEST_F(SettingsStoreTest, EveryTruncationOfASavedFileIsDetected)
{
    CSettingsStore store(m_file);
    store.SetString("Default\\Navigator", "Port", "/dev/ttyUSB0");
    store.SetDword("Default\\Navigator", "Baud", 4800);
    store.SetBinary("Default\\Chart", "Palette", "\x10\x20");
    store.CreateKey("Default\\Empty");
    ASSERT_TRUE(store.Save());
    const std::string whole = ReadBytes(m_file);
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
        WriteBytes(m_file, whole.substr(0, cut));
        CSettingsStore reader(m_file);
        ASSERT_EQ(reader.Load(), LoadStatus::SetAside) << "cut at " << cut;
        fs::remove(reader.SetAsidePath());
    }
}

TEST_F(SettingsStoreTest, UnreadableFileFailsWithoutMovingOrOverwritingIt)
{
    fs::create_directories(m_file);   // a folder where the file should be
    CSettingsStore store(m_file);
    EXPECT_EQ(store.Load(), LoadStatus::Failed);
    EXPECT_FALSE(store.LastError().empty());
    store.SetDword("K", "v", 1);
    EXPECT_FALSE(store.Save());
    EXPECT_TRUE(fs::is_directory(m_file));
    EXPECT_TRUE(FilesStartingWith(m_file.parent_path(), "settings.conf.").size() <= 1u);   // the lock file only
}

TEST_F(SettingsStoreTest, FileDamagedAfterLoadIsSetAsideOnSaveAndTheTreeWritten)
{
    CSettingsStore store(m_file);
    store.SetDword("Kept", "v", 1);
    ASSERT_TRUE(store.Save());
    store.SetDword("Kept", "w", 2);
    WriteBytes(m_file, "[Kept]\nv=dword:1\n");   // cut short by someone else
    ASSERT_TRUE(store.Save());
    EXPECT_FALSE(store.SetAsidePath().empty());
    EXPECT_NE(store.LastError().find("damaged"), std::string::npos);

    CSettingsStore& again = Reload();
    EXPECT_EQ(again.GetDword("Kept", "v"), 1u);
    EXPECT_EQ(again.GetDword("Kept", "w"), 2u);
}

TEST_F(SettingsStoreTest, DefaultPathFollowsXdgConfigHome)
{
    const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
    const std::string savedXdg = oldXdg ? oldXdg : "";
    ::setenv("XDG_CONFIG_HOME", "/srv/conf", 1);
    EXPECT_EQ(CSettingsStore::DefaultPath(), fs::path("/srv/conf/Quorwick/Brinevane/settings.conf"));
    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);   // only absolute paths count
    ::setenv("HOME", "/home/mate", 1);
    EXPECT_EQ(CSettingsStore::DefaultPath(), fs::path("/home/mate/.config/Quorwick/Brinevane/settings.conf"));
    if (oldXdg)
        ::setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}

// ---------------------------------------------------------------- two processes

TEST_F(SettingsStoreTest, TwoProcessesSavingInTurnKeepBothOnesKeys)
{
    CSettingsStore seed(m_file);
    seed.SetString("Shared", "gone", "x");
    seed.SetString("Shared", "stays", "y");
    ASSERT_TRUE(seed.Save());

    brine_test::Turn childLoaded, parentSaved;
    const pid_t child = brine_test::ForkChild([&] {
        CSettingsStore store(m_file);
        if (store.Load() != LoadStatus::Ok)
            return 1;
        store.SetString("Child", "k", "c");
        store.DeleteValue("Shared", "gone");
        childLoaded.Post();
        parentSaved.Wait();
        return store.Save() ? 0 : 2;
    });

    CSettingsStore& store = Reload();
    store.SetString("Parent", "k", "p");
    store.SetString("Shared", "new", "z");
    ASSERT_TRUE(childLoaded.Wait());
    ASSERT_TRUE(store.Save());
    parentSaved.Post();
    ASSERT_EQ(brine_test::WaitChild(child), 0);

    CSettingsStore& after = Reload();
    EXPECT_EQ(after.GetString("Parent", "k"), "p");
    EXPECT_EQ(after.GetString("Child", "k"), "c");
    EXPECT_EQ(after.ValueNames("Shared"), (std::vector<std::string>{"stays", "new"}));

    // The next save of the first process picks up the second's keys too.
    store.SetString("Parent", "k2", "p2");
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(store.GetString("Child", "k"), "c");
}

TEST_F(SettingsStoreTest, ConcurrentSavesFromTwoProcessesLoseNothing)
{
    constexpr int kRounds = 150;
    brine_test::Turn go;
    auto writer = [&](const std::string& key) {
        return [&, key] {
            go.Wait();
            CSettingsStore store(m_file);
            if (store.Load() != LoadStatus::Ok)
                return 1;
            for (int i = 0; i < kRounds; ++i) {
                store.SetDword(key, "v" + std::to_string(i), static_cast<std::uint32_t>(i));
                if (!store.Save())
                    return 2;
            }
            return 0;
        };
    };
    const pid_t a = brine_test::ForkChild(writer("A"));
    const pid_t b = brine_test::ForkChild(writer("B"));
    go.Post();
    go.Post();
    ASSERT_EQ(brine_test::WaitChild(a), 0);
    ASSERT_EQ(brine_test::WaitChild(b), 0);

    CSettingsStore& after = Reload();
    for (const char* key : {"A", "B"}) {
        ASSERT_EQ(after.ValueNames(key).size(), std::size_t(kRounds)) << key;
        for (int i = 0; i < kRounds; ++i)
            EXPECT_EQ(after.GetDword(key, "v" + std::to_string(i)), std::uint32_t(i));
    }
    EXPECT_TRUE(FilesStartingWith(m_file.parent_path(), "settings.conf.damaged").empty());
    EXPECT_TRUE(FilesStartingWith(m_file.parent_path(), "settings.conf.tmp-").empty());
}

// A writer killed at random moments of saving a large tree always leaves a
// file that loads whole: every value carries the same generation.
TEST_F(SettingsStoreTest, WriterKilledMidSaveLeavesAWholeFile)
{
    constexpr int kKeys = 150, kValuesPerKey = 20, kKills = 100;
    std::mt19937 random(20240607);
    std::uint32_t lastSeen = 0;
    int midSave = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        brine_test::Turn saving;
        const pid_t child = brine_test::ForkChild([&] {
            CSettingsStore store(m_file);
            if (store.Load() != LoadStatus::Ok)
                return 1;
            std::uint32_t generation = store.GetDword("", "Generation").value_or(0);
            for (bool first = true;; first = false) {
                ++generation;
                store.SetDword("", "Generation", generation);
                for (int k = 0; k < kKeys; ++k) {
                    for (int v = 0; v < kValuesPerKey; ++v)
                        store.SetString("Tree\\Key" + std::to_string(k), "Value" + std::to_string(v),
                                        std::to_string(generation) + " of the values, padded out a little");
                }
                if (!store.Save())
                    return 2;
                if (first)
                    saving.Post();
            }
        });
        ASSERT_TRUE(saving.Wait());
        ::usleep(std::uniform_int_distribution<useconds_t>(0, 15000)(random));
        ::kill(child, SIGKILL);
        ASSERT_EQ(brine_test::WaitChild(child), -SIGKILL);
        midSave += !FilesStartingWith(m_file.parent_path(), "settings.conf.tmp-").empty();

        CSettingsStore& reader = Reload();
        const auto generation = reader.GetDword("", "Generation");
        ASSERT_TRUE(generation.has_value());
        ASSERT_GE(*generation, lastSeen);
        lastSeen = *generation;
        const std::string expected = std::to_string(*generation) + " of the values, padded out a little";
        ASSERT_EQ(reader.SubKeys("Tree").size(), std::size_t(kKeys));
        for (int k = 0; k < kKeys; ++k) {
            for (int v = 0; v < kValuesPerKey; ++v)
                ASSERT_EQ(reader.GetString("Tree\\Key" + std::to_string(k), "Value" + std::to_string(v)), expected);
        }
    }
    EXPECT_GE(lastSeen, std::uint32_t(kKills));
    std::cout << "kills that left a half-written temp file: " << midSave << " of " << kKills << "\n";
    // The next save clears what the killed writers left.
    CSettingsStore& last = Reload();
    ASSERT_TRUE(last.Save());
    EXPECT_TRUE(FilesStartingWith(m_file.parent_path(), "settings.conf.tmp-").empty());
}

// Threads of one process share one store: edits, reads and saves interleave
// without losing an edit (run under a thread sanitizer to see races).
TEST_F(SettingsStoreTest, ThreadsShareOneStore)
{
    CSettingsStore store(m_file);
    constexpr int kThreads = 4, kEdits = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const std::string key = "T" + std::to_string(t);
            for (int i = 0; i < kEdits; ++i) {
                store.SetDword(key, "v" + std::to_string(i), static_cast<std::uint32_t>(i));
                EXPECT_EQ(store.GetDword(key, "v" + std::to_string(i)), std::uint32_t(i));
                if (i % 50 == 0) {
                    EXPECT_TRUE(store.Save());
                }
                store.SubKeys("");
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    ASSERT_TRUE(store.Save());
    CSettingsStore& again = Reload();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(again.ValueNames("T" + std::to_string(t)).size(), std::size_t(kEdits));
}

TEST_F(SettingsStoreTest, LinkedSettingsFileStaysALink)
{
    const fs::path real = m_dir / "dotfiles" / "brinevane.conf";
    fs::create_directories(real.parent_path());
    fs::create_directories(m_file.parent_path());
    WriteBytes(real, "[A]\nx=dword:1\n#end\n");
    fs::create_symlink(real, m_file);

    CSettingsStore& store = Reload();
    store.SetDword("A", "y", 2);
    ASSERT_TRUE(store.Save()) << store.LastError();
    EXPECT_TRUE(fs::is_symlink(m_file));
    CSettingsStore again(real);
    ASSERT_EQ(again.Load(), LoadStatus::Ok);
    EXPECT_EQ(again.GetDword("A", "y"), 2u);
}

}  // namespace
