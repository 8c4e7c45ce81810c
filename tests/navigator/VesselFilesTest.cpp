// The own vessel's ".vsl" and ".hdr" files: their exact bytes read by
// Python (float and struct), damaged files refused with the record and the
// file untouched, the deviation card's interpolation against Python's, and
// another station's hold waited for up to 15 s.
#include "navigator/VesselFiles.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <future>
#include <sstream>

#include "ChildProcess.h"
#include "PythonScript.h"
#include "TempFolder.h"
#include "app/StringUtils.h"
#include "platform/Files.h"
#include "platform/LocaleFreeNumbers.h"

using namespace navigator;
namespace fs = std::filesystem;

namespace {

COwnVessel Sample()
{
    COwnVessel v;
    v.name = "Sea Lion";
    v.length = 31.4;
    v.draft = 2.5;
    v.beam = 7.25;
    v.speed = 12.5;
    for (int i = 0; i < kDeviationPoints; ++i)
        v.deviation[std::size_t(i)] = (i % 2 ? -1.0 : 1.0) * (0.5 + 0.1 * i);
    return v;
}

std::string Slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void Put(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string Exact(double v)
{
    return platform::FormatC("%.17g", v);
}

}   // namespace

TEST(OwnVessel, FreshRecordComparisonsAndCopies)
{
    COwnVessel v;
    EXPECT_TRUE(v.name.empty());
    EXPECT_EQ(v.speed, 1.0);
    EXPECT_EQ(v.length, 1.0);
    EXPECT_EQ(v.draft, 1.0);
    EXPECT_EQ(v.beam, 1.0);
    for (double d : v.deviation)
        EXPECT_EQ(d, 0.0);

    COwnVessel a = Sample(), b = Sample();
    a.headerTag = "ABCD";
    EXPECT_TRUE(a.IsEqual(b));   // the tag is not compared
    b.deviation[9] += 0.1;
    EXPECT_TRUE(a.IsDifferent(b));
    COwnVessel c;
    c.headerTag = "KEEP";
    c.CopyFrom(a);
    EXPECT_TRUE(c.IsEqual(a));
    EXPECT_EQ(c.headerTag, "KEEP");
}

TEST(VesselFile, TextIsWhatPythonReads)
{
    brine_test::TempFolder dir;
    COwnVessel v = Sample();
    v.deviation[3] = 0.1;   // no exact binary form: written as typed
    ASSERT_TRUE(WriteVesselFile(dir / "ship.hdr", v).ok);   // the extension becomes .vsl
    const std::string text = Slurp(dir / "ship.vsl");
    const auto lines = brine_test::SplitLines(text);
    ASSERT_EQ(lines.size(), 21u);
    EXPECT_EQ(lines[0], "Sea Lion");
    EXPECT_EQ(lines[4], "12.5");
    EXPECT_EQ(lines[2], "2.5");
    EXPECT_EQ(lines[5 + 3], "0.1");

    const auto out = brine_test::RunPython("lines = open('" + (dir / "ship.vsl").string() +
                                           "').read().split('\\n')\n"
                                           "assert lines[-1] == '' and len(lines) == 22\n"
                                           "print(lines[0])\n"
                                           "for l in lines[1:21]: print(repr(float(l)))\n");
    if (!out)
        GTEST_SKIP() << "python3 missing";
    const auto py = brine_test::SplitLines(*out);
    ASSERT_EQ(py.size(), 21u);
    EXPECT_EQ(py[0], "Sea Lion");
    const double numbers[] = {v.length, v.draft, v.beam, v.speed};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(platform::ParseDouble(py[std::size_t(1 + i)]).value_or(-1), numbers[i]);
    for (int i = 0; i < kDeviationPoints; ++i)
        EXPECT_EQ(platform::ParseDouble(py[std::size_t(5 + i)]).value_or(-1),
                  v.deviation[std::size_t(i)])
            << i;

    COwnVessel back;
    ASSERT_TRUE(ReadVesselFile(dir / "ship.vsl", back).ok);
    EXPECT_TRUE(back.IsEqual(v));
}

// Each number is the shortest fixed text that reads back to the same double,
// with at least one digit after the point.
TEST(VesselFile, NumbersAreTheShortestTextThatReadsBackEqual)
{
    brine_test::TempFolder dir;
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {1.0, "1.0"},
        {12.5, "12.5"},
        {0.1, "0.1"},
        {0.1 + 0.2, "0.30000000000000004"},
        {-2.25, "-2.25"},
        {0.0, "0.0"},
        {1e21, "1000000000000000000000.0"},
        {1.0 / 3.0, "0.3333333333333333"},
    };
    for (const auto& c : cases) {
        COwnVessel v;
        v.name = "N";
        v.speed = c.value;
        v.deviation[15] = c.value;
        ASSERT_TRUE(WriteVesselFile(dir / "n.vsl", v).ok);
        const auto lines = brine_test::SplitLines(Slurp(dir / "n.vsl"));
        ASSERT_EQ(lines.size(), 21u);
        EXPECT_EQ(lines[1], "1.0");   // the default length
        EXPECT_EQ(lines[4], c.text);
        EXPECT_EQ(lines[20], c.text);
        COwnVessel back;
        ASSERT_TRUE(ReadVesselFile(dir / "n.vsl", back).ok);
        EXPECT_EQ(back.speed, c.value) << c.text;
        EXPECT_EQ(back.deviation[15], c.value) << c.text;
    }
}

// A line end inside the name would move every number down a line.
TEST(VesselFile, NameWithLineEndStaysOneLine)
{
    brine_test::TempFolder dir;
    COwnVessel v = Sample();
    v.name = "Two\nLines\r";
    ASSERT_TRUE(WriteVesselFile(dir / "ship.vsl", v).ok);
    COwnVessel back;
    ASSERT_TRUE(ReadVesselFile(dir / "ship.vsl", back).ok);
    EXPECT_EQ(back.name, "Two Lines ");
    EXPECT_EQ(back.speed, v.speed);
}

// The 21 values of a record in file order: the name, then the numbers as text.
std::vector<std::string> Values(const COwnVessel& v)
{
    std::vector<std::string> out{v.name};
    for (double d : {v.length, v.draft, v.beam, v.speed})
        out.push_back(app::FormatDoubleTrimmed(d));
    for (double d : v.deviation)
        out.push_back(app::FormatDoubleTrimmed(d));
    return out;
}

TEST(VesselFile, DamagedFilesGiveTheValuesBeforeTheDamagedLineAndNameIt)
{
    brine_test::TempFolder dir;
    const std::string whole = FormatVesselFile(Sample());
    auto replaceLine = [&](int n, const std::string& with) {
        auto lines = brine_test::SplitLines(whole);
        lines[std::size_t(n)] = with;
        std::string out;
        for (const auto& l : lines)
            out += l + "\n";
        return out;
    };
    // The damaged line, counted from 1 (0: not fixed by the case).
    const struct {
        const char* what;
        std::string bytes;
        int damaged;
    } cases[] = {
        {"truncated mid-number", whole.substr(0, whole.size() / 2), 0},
        {"20 lines", whole.substr(0, whole.rfind('\n', whole.size() - 2) + 1), 21},
        {"abc for the draft", replaceLine(2, "abc"), 3},
        {"NaN deviation", replaceLine(7, "nan"), 8},
        {"infinite speed", replaceLine(4, "inf"), 5},
        {"number with a tail", replaceLine(1, "12.5m"), 2},
        {"empty", "", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Put(dir / "bad.vsl", c.bytes);
        COwnVessel record;
        record.name = "Unchanged";
        const COwnVessel before = record;
        const CVesselFileResult r = ReadVesselFile(dir / "bad.vsl", record);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.message.rfind(kVesselOpenFailed, 0), 0u) << r.message;
        EXPECT_NE(r.message.find("bad.vsl"), std::string::npos);
        EXPECT_EQ(Slurp(dir / "bad.vsl"), c.bytes);
        if (c.damaged == 0)
            continue;
        EXPECT_NE(r.message.find("line " + std::to_string(c.damaged) + " "), std::string::npos)
            << r.message;
        const auto got = Values(record), file = Values(Sample()), old = Values(before);
        for (std::size_t k = 0; k < got.size(); ++k)
            EXPECT_EQ(got[k], int(k) + 1 < c.damaged ? file[k] : old[k]) << "value " << k + 1;
    }
    // Lines after the 21st are not read.
    Put(dir / "longer.vsl", whole + "3.0\n");
    COwnVessel longer;
    EXPECT_TRUE(ReadVesselFile(dir / "longer.vsl", longer).ok);
    EXPECT_TRUE(longer.IsEqual(Sample()));
    COwnVessel record = Sample();
    EXPECT_FALSE(ReadVesselFile(dir / "missing.vsl", record).ok);
    EXPECT_TRUE(record.IsEqual(Sample()));
    // A file with Windows line ends reads.
    std::string crlf;
    for (const auto& l : brine_test::SplitLines(whole))
        crlf += l + "\r\n";
    Put(dir / "crlf.vsl", crlf);
    COwnVessel fromCrlf;
    EXPECT_TRUE(ReadVesselFile(dir / "crlf.vsl", fromCrlf).ok);
    EXPECT_TRUE(fromCrlf.IsEqual(Sample()));
}

TEST(VesselHeader, BytesAreWhatPythonStructReads)
{
    brine_test::TempFolder dir;
    COwnVessel v = Sample();
    v.name = "AB";
    v.headerTag = "VSL";
    ASSERT_TRUE(WriteVesselHeader(dir / "new" / "folder" / "00000001.trc", v));
    const fs::path file = dir / "new" / "folder" / "00000001.hdr";
    EXPECT_EQ(fs::file_size(file), 168u);
    const auto out = brine_test::RunPython("import struct\n"
                                           "b = open('" +
                                           file.string() +
                                           "', 'rb').read()\n"
                                           "tag, *d, n = struct.unpack_from('<4s20dH', b)\n"
                                           "assert len(b) == 166 + n and tag == b'VSL\\x00'\n"
                                           "print(b[166:166 + n].decode())\n"
                                           "for x in d: print(repr(x))\n");
    if (!out)
        GTEST_SKIP() << "python3 missing";
    const auto py = brine_test::SplitLines(*out);
    ASSERT_EQ(py.size(), 21u);
    EXPECT_EQ(py[0], "AB");
    const double numbers[] = {v.length, v.draft, v.beam, v.speed};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(platform::ParseDouble(py[std::size_t(1 + i)]).value_or(-1), numbers[i]);
    for (int i = 0; i < kDeviationPoints; ++i)
        EXPECT_EQ(platform::ParseDouble(py[std::size_t(5 + i)]).value_or(-1),
                  v.deviation[std::size_t(i)]);

    COwnVessel back;
    EXPECT_EQ(ReadVesselHeader(file, back), HeaderRead::Read);
    EXPECT_TRUE(back.IsEqual(v));
}

TEST(VesselHeader, DamagedRefusedMissingResets)
{
    brine_test::TempFolder dir;
    COwnVessel v = Sample();
    const std::string whole = FormatVesselHeader(v);
    std::string nan = whole;
    const double bad = std::numeric_limits<double>::quiet_NaN();
    std::memcpy(nan.data() + 12, &bad, 8);
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"short of the fixed part", whole.substr(0, 100)},
        {"name cut short", whole.substr(0, whole.size() - 1)},
        {"bytes past the name", whole + "x"},
        {"NaN draft", nan},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Put(dir / "bad.hdr", c.bytes);
        COwnVessel record;
        record.name = "Unchanged";
        std::string reason;
        EXPECT_EQ(ReadVesselHeader(dir / "bad.hdr", record, &reason), HeaderRead::Refused);
        EXPECT_FALSE(reason.empty());
        EXPECT_EQ(record.name, "Unchanged");
        EXPECT_EQ(record.length, 1.0);
    }
    COwnVessel record = Sample();
    EXPECT_EQ(ReadVesselHeader(dir / "none.hdr", record), HeaderRead::Missing);
    EXPECT_TRUE(record.IsEqual(COwnVessel{}));
    // A folder that cannot be made: false, nothing written.
    Put(dir / "plainfile", "x");
    std::string reason;
    EXPECT_FALSE(WriteVesselHeader(dir / "plainfile" / "sub" / "1.hdr", v, "hdr", &reason));
    EXPECT_FALSE(reason.empty());
}

TEST(Deviation, InterpolatesAsPythonDoes)
{
    COwnVessel v;
    for (int i = 0; i < kDeviationPoints; ++i)
        v.deviation[std::size_t(i)] = 3.0 * std::sin(i * 0.7) + (i == 15 ? 4.0 : 0.0);
    const double headings[] = {0, 11.25, 22.5, 200.1, 337.5, 348.75, 359.99, 360, -10, 725};
    std::string card = "card = [";
    for (double d : v.deviation)
        card += Exact(d) + ",";
    std::string program = card + "]\n"
                                 "def dev(h):\n"
                                 "    h = h % 360.0\n"
                                 "    i = min(15, int(h // 22.5))\n"
                                 "    a, b = card[i], card[(i + 1) % 16]\n"
                                 "    return a + (b - a) * (h - i * 22.5) / 22.5\n";
    for (double h : headings)
        program += "print(repr(dev(" + Exact(h) + ")))\n";
    const auto out = brine_test::RunPython(program);
    if (!out)
        GTEST_SKIP() << "python3 missing";
    const auto py = brine_test::SplitLines(*out);
    ASSERT_EQ(py.size(), std::size(headings));
    for (std::size_t i = 0; i < py.size(); ++i)
        EXPECT_NEAR(v.DeviationAt(headings[i]), platform::ParseDouble(py[i]).value_or(1e9), 1e-12)
            << headings[i];
    EXPECT_EQ(v.DeviationAt(0), v.deviation[0]);
    EXPECT_EQ(v.DeviationAt(360), v.deviation[0]);
    EXPECT_EQ(v.DeviationAt(337.5), v.deviation[15]);
}

// Another station holds the file: a hold of 5 s is waited out, one of 20 s
// ends the read after 15 s with the message.
TEST(VesselFile, WaitsForAnotherStationsHold)
{
    brine_test::TempFolder dir;
    for (const char* name : {"short", "long"})
        ASSERT_TRUE(WriteVesselFile(dir / name, Sample()).ok);
    auto hold = [&](const char* name, int seconds, brine_test::Turn& held) {
        return brine_test::ForkChild([&, name, seconds] {
            platform::CFileDescriptor fd(
                ::open((dir / name).replace_extension(".vsl").c_str(), O_RDWR));
            platform::CFileRangeLock lock;
            if (!lock.TryLock(fd.Get(), 0, 0, platform::LockKind::Exclusive))
                return 3;
            held.Post();
            ::sleep(static_cast<unsigned>(seconds));
            return 0;
        });
    };
    brine_test::Turn shortHeld, longHeld;
    const pid_t a = hold("short", 5, shortHeld);
    const pid_t b = hold("long", 20, longHeld);
    ASSERT_TRUE(shortHeld.Wait());
    ASSERT_TRUE(longHeld.Wait());
    using clock = std::chrono::steady_clock;
    const auto t0 = clock::now();
    auto timed = [&](const char* name) {
        COwnVessel v;
        const CVesselFileResult r = ReadVesselFile(dir / name, v);
        return std::make_pair(r, std::chrono::duration<double>(clock::now() - t0).count());
    };
    auto shortRead = std::async(std::launch::async, timed, "short");
    auto longRead = std::async(std::launch::async, timed, "long");
    const auto [shortResult, shortSeconds] = shortRead.get();
    const auto [longResult, longSeconds] = longRead.get();
    EXPECT_TRUE(shortResult.ok) << shortResult.message;
    EXPECT_GE(shortSeconds, 4.0);
    EXPECT_LT(shortSeconds, 7.0);
    EXPECT_FALSE(longResult.ok);
    EXPECT_NE(longResult.message.find(kVesselOpenFailed), std::string::npos);
    EXPECT_GE(longSeconds, 14.9);
    EXPECT_LT(longSeconds, 18.0);
    ::kill(b, SIGKILL);
    brine_test::WaitChild(a);
    brine_test::WaitChild(b);
}

// A write that cannot be made says "Unable to save vessel file" and leaves
// the file as it was: another station's reading hold that outlasts the wait,
// and a name that cannot become the file.
TEST(VesselFile, WriteThatCannotBeMadeIsReportedAndTheFileKept)
{
    brine_test::TempFolder dir;
    ASSERT_TRUE(WriteVesselFile(dir / "held.vsl", Sample()).ok);
    const std::string before = Slurp(dir / "held.vsl");
    COwnVessel changed = Sample();
    changed.speed = 3.5;
    {
        platform::CFileDescriptor fd(::open((dir / "held.vsl").c_str(), O_RDONLY));
        platform::CFileRangeLock reader;
        ASSERT_TRUE(reader.TryLock(fd.Get(), 0, 0, platform::LockKind::Shared));
        CVesselFileWait wait;
        wait.limit = std::chrono::milliseconds(300);
        wait.retry = std::chrono::milliseconds(20);
        const auto t0 = std::chrono::steady_clock::now();
        const CVesselFileResult r = WriteVesselFile(dir / "held.vsl", changed, wait);
        EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(300));
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.message.rfind(kVesselSaveFailed, 0), 0u) << r.message;
        EXPECT_EQ(Slurp(dir / "held.vsl"), before);
    }
    // Released, the same write goes through.
    ASSERT_TRUE(WriteVesselFile(dir / "held.vsl", changed).ok);
    COwnVessel back;
    ASSERT_TRUE(ReadVesselFile(dir / "held.vsl", back).ok);
    EXPECT_EQ(back.speed, 3.5);

    fs::create_directories(dir / "folder.vsl");
    const CVesselFileResult r = WriteVesselFile(dir / "folder.vsl", Sample());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message.rfind(kVesselSaveFailed, 0), 0u) << r.message;
    EXPECT_TRUE(fs::is_directory(dir / "folder.vsl"));
}
