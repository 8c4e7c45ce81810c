// dbtool dump FILE.dbf            fields, then one JSON object per record
// dbtool tags FILE.dbf            each tag's expression, filter and keys in walk order
// dbtool seek FILE.dbf TAG KEY    the record the key finds (exit 1 when none)
//
// Tables are opened read-only; text is shown as UTF-8 from the stored
// Windows-1252 bytes.
#include "engines/dbase/DbaseTable.h"

#include <cstdio>
#include <string>

namespace {

std::string Utf8(std::string_view bytes)
{
    // Windows-1252 0x80-0x9F; unassigned bytes keep their C1 code point.
    static const unsigned short k80[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                           0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    std::string out;
    for (unsigned char c : bytes) {
        unsigned cp = c >= 0x80 && c < 0xA0 ? k80[c - 0x80] : c;
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp < 0x800) {
            out += char(0xC0 | (cp >> 6));
            out += char(0x80 | (cp & 0x3F));
        } else {
            out += char(0xE0 | (cp >> 12));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

std::string Json(std::string_view bytes)
{
    std::string s = "\"";
    for (char c : Utf8(bytes)) {
        switch (c) {
        case '"': s += "\\\""; break;
        case '\\': s += "\\\\"; break;
        case '\n': s += "\\n"; break;
        case '\r': s += "\\r"; break;
        case '\t': s += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                s += buf;
            } else {
                s += c;
            }
        }
    }
    return s + "\"";
}

void PrintRecord(dbase::CDbaseTable& t)
{
    std::string line = "{\"recno\":" + std::to_string(t.RecNo()) + ",\"deleted\":" + (t.Deleted() ? "true" : "false");
    for (int i = 1; i <= t.FieldCount(); ++i) {
        dbase::CDbaseField* f = t.Field(i);
        line += "," + Json(f->Name()) + ":" + Json(f->Text());
    }
    std::printf("%s}\n", line.c_str());
}

int Usage()
{
    std::fprintf(stderr, "usage: dbtool dump FILE.dbf | tags FILE.dbf | seek FILE.dbf TAG KEY\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Usage();
    const std::string command = argv[1];
    dbase::CDbaseEngine engine;
    engine.readOnly = true;
    auto table = engine.Open(argv[2]);
    if (!table) {
        std::fprintf(stderr, "dbtool: cannot open %s (error %d)\n", argv[2], engine.ErrorCode());
        return 2;
    }
    if (command == "dump" && argc == 3) {
        std::string fields = "{\"fields\":[";
        for (int i = 1; i <= table->FieldCount(); ++i) {
            dbase::CDbaseField* f = table->Field(i);
            fields += std::string(i > 1 ? "," : "") + "{\"name\":" + Json(f->Name()) + ",\"type\":\"" + f->Type() +
                      "\",\"width\":" + std::to_string(f->Width()) + ",\"decimals\":" + std::to_string(f->Decimals()) + "}";
        }
        std::printf("%s]}\n", fields.c_str());
        for (int r = 1; r <= table->RecordCount(); ++r) {
            if (table->Go(r) != 0)
                return 2;
            PrintRecord(*table);
        }
        return 0;
    }
    if (command == "tags" && argc == 3) {
        for (int i = 0; i < table->TagCount(); ++i) {
            dbase::CDbaseTag* tag = table->TagAt(i);
            std::printf("TAG %s KEY %s FILTER %s TYPE %c KEYS %zu\n", tag->Name().c_str(), tag->Expression().c_str(),
                        tag->Filter().empty() ? "-" : tag->Filter().c_str(), tag->KeyType(), tag->KeyCount());
            for (const auto& [key, recNo] : tag->Keys())
                std::printf("  %s|%d\n", Utf8(key).c_str(), recNo);
        }
        return 0;
    }
    if (command == "seek" && argc == 5) {
        dbase::CDbaseTag* tag = table->Tag(argv[3]);
        if (!tag) {
            std::fprintf(stderr, "dbtool: no tag %s\n", argv[3]);
            return 2;
        }
        table->Select(tag);
        const int rc = table->Seek(argv[4]);
        if (rc < 0) {
            std::fprintf(stderr, "dbtool: seek failed (error %d)\n", rc);
            return 2;
        }
        if (rc != 0) {
            std::printf("not found\n");
            return 1;
        }
        PrintRecord(*table);
        return 0;
    }
    return Usage();
}
