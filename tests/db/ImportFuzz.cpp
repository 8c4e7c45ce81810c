// Input: one byte choosing the older kind (chartpoint table, waypoint list,
// position log), two bytes giving the data file's length, the data file, then
// the memo file. Opening it through the table classes must end in a complete
// import (every live record of the older file present) or in a refusal that
// leaves no table behind; the older files are never changed.
#include "db/DBChartPoint.h"
#include "db/DBLog.h"
#include "db/OlderTable.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& path, const uint8_t* data, size_t size)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), std::streamsize(size));
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Says which promise broke, so a run's log tells it without the input.
[[noreturn]] void Fail(const std::string& why)
{
    std::fprintf(stderr, "fuzz_dbimport: %s\n", why.c_str());
    std::abort();
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    static const fs::path dir =
        fs::temp_directory_path() / ("fuzz_dbimport_" + std::to_string(::getpid()));
    std::error_code ec;
    fs::remove_all(dir, ec);
    if (!fs::create_directories(dir, ec)) {
        // A full or unwritable temporary folder says nothing of the import.
        std::fprintf(stderr, "fuzz_dbimport: no room in %s: %s\n", dir.c_str(),
                     ec.message().c_str());
        return 0;
    }
    const int kind = data[0] % 3;
    const size_t dataSize = std::min(size - 3, size_t(data[1]) | size_t(data[2]) << 8);
    const char* exts[3][2] = {{"ipt", "ipm"}, {"wpt", ""}, {"log", "lom"}};
    const fs::path older = dir / (std::string("t.") + exts[kind][0]);
    WriteFile(older, data + 3, dataSize);
    fs::path memo;
    if (*exts[kind][1]) {
        memo = dir / (std::string("t.") + exts[kind][1]);
        WriteFile(memo, data + 3 + dataSize, size - 3 - dataSize);
    }
    const std::string olderBytes = ReadFile(older), memoBytes = memo.empty() ? "" : ReadFile(memo);

    db::COlderTable reference;
    long live = -1;
    if (reference.Open(older.string(), memo.string())) {
        live = 0;
        for (int r = 0; r < reference.RecordCount(); ++r)
            live += !reference.Deleted(r);
    }
    bool opened;
    long count = 0;
    // Chartpoint rows whose position is out of range are left behind, each
    // named to the user; every other live row comes over.
    long leftBehind = 0;
    if (kind == 2) {
        db::CDBLog log;
        log.SetFilePath(older.string());
        opened = log.Open();
        count = opened ? log.GetRecordCount() : 0;
    } else {
        db::CDBChartPoint points;
        points.SetFilePath(older.string());
        opened = points.Open();
        count = opened ? points.GetRecordCount() : 0;
        leftBehind = static_cast<long>(points.BadPositionRows().size());
        if (opened && leftBehind > 0 &&
            points.ImportNote().find("not taken over") == std::string::npos)
            Fail("rows left behind without a word to the user");
    }
    if (opened && count != live - leftBehind)
        Fail("a partial import: " + std::to_string(count) + " of " + std::to_string(live) + ", " +
             std::to_string(leftBehind) + " left behind as out of range");
    if (!opened && fs::exists(dir / "t.dbf"))
        Fail("a refusal that left a table behind");
    if (ReadFile(older) != olderBytes || (!memo.empty() && ReadFile(memo) != memoBytes))
        Fail("the older files changed");
    fs::remove_all(dir, ec);
    return 0;
}
