// Input: two bytes giving the data file's length, the data file, then the
// memo file. The engine must open or refuse it without reading out of bounds.
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    static const std::string base = "/tmp/fuzz_dbase_" + std::to_string(::getpid());
    size_t dbfSize = size_t(data[0]) | size_t(data[1]) << 8;
    data += 2;
    size -= 2;
    if (dbfSize > size)
        dbfSize = size;
    WriteFile(base + ".dbf", data, dbfSize);
    WriteFile(base + ".dbt", data + dbfSize, size - dbfSize);
    dbase::CDbaseEngine engine;
    engine.readOnly = true;
    if (auto t = engine.Open(base)) {
        for (int r = 1; r <= t->RecordCount() && r <= 64; ++r) {
            if (t->Go(r) != 0)
                break;
            for (int f = 1; f <= t->FieldCount(); ++f)
                (void)t->Field(f)->Text();
        }
    }
    return 0;
}
