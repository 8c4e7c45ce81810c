// dbtool dump FILE.dbf            fields, then one JSON object per record
// dbtool tags FILE.dbf            each tag's expression, filter and keys in walk order
// dbtool seek FILE.dbf TAG KEY    the record the key finds (exit 1 when none)
// dbtool stat FILE.dbf            record counts, the caches, the index's coverage and tags
//
// Tables are opened read-only; text is shown as UTF-8 from the stored
// Windows-1252 bytes, and a seek key is taken in UTF-8 the same way.
// Failures are told in words on stderr (exit 2); what the open or the dump
// found wrong but read past is told as a warning on stderr.
#include "engines/dbase/DbaseTable.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <optional>
#include <string>

namespace {

// Windows-1252 0x80-0x9F; unassigned bytes keep their C1 code point.
const unsigned short k80[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

std::string Utf8(std::string_view bytes)
{
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

// UTF-8 to Windows-1252; nullopt for a character the code page lacks or
// for text that is not UTF-8.
std::optional<std::string> Cp1252(std::string_view utf8)
{
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        unsigned cp = 0;
        int more = 0;
        if (c < 0x80) {
            cp = c;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            more = 1;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            more = 2;
        } else {
            return std::nullopt;
        }
        if (more > 0 && i + size_t(more) >= utf8.size())
            return std::nullopt;
        for (int k = 1; k <= more; ++k) {
            const unsigned char d = static_cast<unsigned char>(utf8[i + size_t(k)]);
            if ((d & 0xC0) != 0x80)
                return std::nullopt;
            cp = cp << 6 | (d & 0x3F);
        }
        i += size_t(more) + 1;
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out += char(cp);
            continue;
        }
        const auto* at = std::find(std::begin(k80), std::end(k80), cp);
        if (at == std::end(k80))
            return std::nullopt;
        out += char(0x80 + (at - std::begin(k80)));
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
    std::string line = "{\"recno\":" + std::to_string(t.RecNo()) +
                       ",\"deleted\":" + (t.Deleted() ? "true" : "false");
    for (int i = 1; i <= t.FieldCount(); ++i) {
        dbase::CDbaseField* f = t.Field(i);
        if (f->MemoDangling())
            std::fprintf(
                stderr,
                "dbtool: warning: record %d: memo %s points at block %.*s, which the memo file "
                "does not hold\n",
                int(t.RecNo()), f->Name().c_str(), int(f->Bytes().size()), f->Bytes().data());
        line += "," + Json(f->Name()) + ":" + Json(f->Text());
    }
    std::printf("%s}\n", line.c_str());
}

int Failed(const char* what, int code)
{
    std::fprintf(stderr, "dbtool: %s: %s\n", what, dbase::ErrorText(code).c_str());
    return 2;
}

int Usage()
{
    std::fprintf(
        stderr,
        "usage: dbtool dump FILE.dbf | tags FILE.dbf | seek FILE.dbf TAG KEY | stat FILE.dbf\n");
    return 2;
}

}   // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Usage();
    const std::string command = argv[1];
    dbase::CDbaseEngine engine;
    engine.readOnly = true;
    auto table = engine.Open(argv[2]);
    if (!table)
        return Failed((std::string("cannot open ") + argv[2]).c_str(), engine.ErrorCode());
    for (const std::string& warning : table->OpenWarnings())
        std::fprintf(stderr, "dbtool: warning: %s\n", warning.c_str());
    if (command == "dump" && argc == 3) {
        std::string fields = "{\"fields\":[";
        for (int i = 1; i <= table->FieldCount(); ++i) {
            dbase::CDbaseField* f = table->Field(i);
            fields += std::string(i > 1 ? "," : "") + "{\"name\":" + Json(f->Name()) +
                      ",\"type\":\"" + f->Type() + "\",\"width\":" + std::to_string(f->Width()) +
                      ",\"decimals\":" + std::to_string(f->Decimals()) + "}";
        }
        std::printf("%s]}\n", fields.c_str());
        for (int r = 1; r <= table->RecordCount(); ++r) {
            if (int rc = table->Go(r); rc != 0)
                return Failed(("record " + std::to_string(r)).c_str(), rc);
            PrintRecord(*table);
        }
        return 0;
    }
    if (command == "tags" && argc == 3) {
        for (int i = 0; i < table->TagCount(); ++i) {
            dbase::CDbaseTag* tag = table->TagAt(i);
            std::printf("TAG %s KEY %s FILTER %s TYPE %c KEYS %zu\n", tag->Name().c_str(),
                        tag->Expression().c_str(),
                        tag->Filter().empty() ? "-" : tag->Filter().c_str(), tag->KeyType(),
                        tag->KeyCount());
            for (const auto& [key, recNo] : tag->Keys())
                std::printf("  %s|%d\n", Utf8(key).c_str(), recNo);
        }
        return 0;
    }
    if (command == "stat" && argc == 3) {
        // The walk first, so the caches show what a walk of every tag costs.
        size_t walked = 0;
        for (int i = 0; i < table->TagCount(); ++i)
            walked += table->TagAt(i)->Keys().size();
        const dbase::TableStats s = table->Stats();
        std::printf("records %d\n", s.records);
        if (s.live >= 0)
            std::printf("live %d\n", s.live);
        std::printf("record cache %zu of %zu pages (%zu records a page), %llu page reads\n",
                    s.recordPages, s.recordPageCapacity, s.recordsPerPage,
                    static_cast<unsigned long long>(s.recordPageReads));
        if (!s.index) {
            std::printf("index none\n");
            return 0;
        }
        std::printf("index covers %u records, %s, change %u, %u pages\n", s.coverage,
                    s.clean ? "closed cleanly" : "open or not closed cleanly", s.counter, s.pages);
        std::printf("block cache %zu of %zu blocks, %llu block reads (%zu keys walked)\n",
                    s.cachedBlocks, s.blockCapacity, static_cast<unsigned long long>(s.blockReads),
                    walked);
        for (int i = 0; i < table->TagCount(); ++i) {
            dbase::CDbaseTag* tag = table->TagAt(i);
            std::printf("tag %s keys %zu\n", tag->Name().c_str(), tag->KeyCount());
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
        const std::optional<std::string> key = Cp1252(argv[4]);
        if (!key) {
            std::fprintf(stderr, "dbtool: the key holds a character the table's code page lacks\n");
            return 2;
        }
        const int rc = table->Seek(*key);
        if (rc < 0)
            return Failed("seek failed", rc);
        if (rc != 0) {
            std::printf("not found\n");
            return 1;
        }
        PrintRecord(*table);
        return 0;
    }
    return Usage();
}
