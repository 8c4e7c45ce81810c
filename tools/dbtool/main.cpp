// dbtool dump FILE.dbf            fields, then one JSON object per record
// dbtool tags FILE.dbf            each tag's expression, filter and keys in walk order
// dbtool seek FILE.dbf TAG KEY    the record the key finds (exit 1 when none)
// dbtool stat FILE.dbf            record counts, the caches, the index's coverage and tags
//
// Tables are opened read-only; text is shown as UTF-8 from the code page the
// header names (Windows-1252 when it names none), and a seek key is taken in
// UTF-8 the same way. FoxPro tables and fields of types dBASE lacks are
// refused by name. Failures are told in words on stderr (exit 2); what the
// open or the dump found wrong but read past is told as a warning on stderr.
#include "CodePages.h"
#include "engines/dbase/DbaseTable.h"
#include "platform/Ascii.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

namespace {

dbtool::CodePage g_page;   // the open table's

std::string Json(std::string_view bytes)
{
    std::string s = "\"";
    for (char c : dbtool::ToUtf8(bytes, g_page)) {
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
        if (const std::string problem = f->MemoProblem(); !problem.empty())
            std::fprintf(stderr, "dbtool: warning: record %d: memo %s %s\n", int(t.RecNo()),
                         f->Name().c_str(), problem.c_str());
        line += "," + Json(f->Name()) + ":" + Json(f->Text());
    }
    std::printf("%s}\n", line.c_str());
}

int Failed(const char* what, int code)
{
    std::fprintf(stderr, "dbtool: %s: %s\n", what, dbase::ErrorText(code).c_str());
    return 2;
}

// A FoxPro table: its memos live in an .fpt, which dBASE readers cannot read.
bool IsFoxPro(const std::string& dbf, std::string& why)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path path(dbf);
    for (const auto& e :
         fs::directory_iterator(path.parent_path().empty() ? "." : path.parent_path(), ec)) {
        std::string name = e.path().filename().string(), stem = path.stem().string() + ".fpt";
        if (platform::EqualNoCaseAscii(name, stem)) {
            why = "its memos are in the FoxPro memo file " + e.path().string();
            return true;
        }
    }
    FILE* f = std::fopen(dbf.c_str(), "rb");
    const int version = f ? std::fgetc(f) : EOF;
    if (f)
        std::fclose(f);
    if (version == 0xF5 || version == 0xFB) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "its version byte 0x%02X is FoxPro's", version);
        why = buf;
        return true;
    }
    return false;
}

// Field types of other dBASE dialects that dbtool does not read, by name.
std::string ForeignType(char type)
{
    switch (type) {
    case 'C':
    case 'N':
    case 'F':
    case 'D':
    case 'L':
    case 'M': return {};
    case 'I': return "Visual FoxPro integer";
    case 'B': return "Visual FoxPro double";
    case 'Y': return "Visual FoxPro currency";
    case 'T': return "Visual FoxPro date-time";
    case 'G': return "general (OLE object)";
    case 'P': return "picture";
    case 'V': return "Visual FoxPro varchar";
    case 'Q': return "Visual FoxPro varbinary";
    case 'W': return "Visual FoxPro blob";
    case '0': return "Visual FoxPro null flags";
    default: return "unknown";
    }
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
    if (std::string why; IsFoxPro(argv[2], why)) {
        std::fprintf(stderr, "dbtool: %s is a FoxPro table (%s); dbtool reads dBASE tables\n",
                     argv[2], why.c_str());
        return 2;
    }
    dbase::CDbaseEngine engine;
    engine.readOnly = true;
    auto table = engine.Open(argv[2]);
    if (!table)
        return Failed((std::string("cannot open ") + argv[2]).c_str(), engine.ErrorCode());
    std::string foreign;
    for (int i = 1; i <= table->FieldCount(); ++i)
        if (const std::string what = ForeignType(table->Field(i)->Type()); !what.empty())
            foreign += std::string(foreign.empty() ? "" : ", ") + table->Field(i)->Name() +
                       " (type " + table->Field(i)->Type() + ", " + what + ")";
    if (!foreign.empty()) {
        std::fprintf(stderr, "dbtool: %s has fields dbtool does not read: %s\n", argv[2],
                     foreign.c_str());
        return 2;
    }
    g_page = dbtool::CodePageOf(table->CodePageByte());
    if (!g_page.name) {
        std::fprintf(stderr,
                     "dbtool: warning: the code page byte 0x%02X names a code page dbtool does "
                     "not know; text is shown as Windows-1252\n",
                     table->CodePageByte());
        g_page = dbtool::CodePageOf(0x03);
    }
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
                std::printf("  %s|%d\n", dbtool::ToUtf8(key, g_page).c_str(), recNo);
        }
        return 0;
    }
    if (command == "stat" && argc == 3) {
        // The walk first, so the caches show what a walk of every tag costs;
        // it counts the keys without keeping them. Every count printed then
        // comes from one look at the table.
        size_t walked = 0;
        for (int i = 0; i < table->TagCount(); ++i)
            walked += table->TagAt(i)->CountEntries();
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
        for (int i = 0; i < table->TagCount() && size_t(i) < s.tagKeys.size(); ++i)
            std::printf("tag %s keys %u\n", table->TagAt(i)->Name().c_str(), s.tagKeys[size_t(i)]);
        return 0;
    }
    if (command == "seek" && argc == 5) {
        dbase::CDbaseTag* tag = table->Tag(argv[3]);
        if (!tag) {
            std::fprintf(stderr, "dbtool: no tag %s\n", argv[3]);
            return 2;
        }
        table->Select(tag);
        const std::optional<std::string> key = dbtool::FromUtf8(argv[4], g_page);
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
