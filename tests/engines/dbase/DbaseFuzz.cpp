// Input: two bytes giving the data file's length and two the memo file's,
// then the data file, the memo file, and the rest as the production index.
// The engine must open (repairing or rebuilding the index as it finds it),
// walk and seek it, or refuse it, without reading out of bounds or hanging.
#include "engines/dbase/DbaseTable.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

void WriteFile(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    static const std::string base = "/tmp/fuzz_dbase_" + std::to_string(::getpid());
    size_t dbfSize = size_t(data[0]) | size_t(data[1]) << 8;
    size_t memoSize = size_t(data[2]) | size_t(data[3]) << 8;
    data += 4;
    size -= 4;
    dbfSize = std::min(dbfSize, size);
    memoSize = std::min(memoSize, size - dbfSize);
    WriteFile(base + ".dbf", data, dbfSize);
    WriteFile(base + ".dbt", data + dbfSize, memoSize);
    if (size > dbfSize + memoSize)
        WriteFile(base + ".mdx", data + dbfSize + memoSize, size - dbfSize - memoSize);
    else
        ::unlink((base + ".mdx").c_str());
    dbase::CDbaseEngine engine;
    engine.lockWaitMs = 0;
    if (auto t = engine.Open(base)) {
        for (int r = 1; r <= t->RecordCount() && r <= 64; ++r) {
            if (t->Go(r) != 0)
                break;
            for (int f = 1; f <= t->FieldCount(); ++f)
                (void)t->Field(f)->Text();
        }
        (void)t->LiveCount();
        for (int i = 0; i < t->TagCount(); ++i) {
            dbase::CDbaseTag* tag = t->TagAt(i);
            (void)tag->Keys();
            t->Select(tag);
            int steps = 0;
            for (int rc = t->Top(); rc == 0 && steps < 64; rc = t->Skip(1))
                ++steps;
            (void)t->Seek("1");
            (void)t->SeekNext("1");
            (void)t->Skip(-3);
        }
    }
    return 0;
}
