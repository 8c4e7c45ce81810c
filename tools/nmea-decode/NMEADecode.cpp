// nmea-decode: reads NMEA lines on standard input and prints, for each line,
// one JSON object: the line, whether the dispatcher accepted it (and why
// not), and the values it stored with their item numbers and names.
//
//   nmea-decode [--ignore-warning-flags] < capture.nmea
//
// Wind and ARPA sentences are stored in stores of their own, as the wind and
// ARPA modules would keep them; "store" names which.

#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>

#include "nmea/NMEAMessageParser.h"
#include "nmea/NMEASentenceTable.h"
#include "platform/Clock.h"

namespace {

void PutJsonString(std::string& out, std::string_view text)
{
    out += '"';
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c >= 0x7F) {
            // Bytes outside printable ASCII are shown by their code, so a
            // broken line still gives valid JSON.
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += ch;
        }
    }
    out += '"';
}

void PutNumber(std::string& out, double value)
{
    char buf[32];
    const auto end =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 10).ptr;
    *end = '\0';
    out += buf;
}

std::string_view StoreName(nmea::ValueStore store)
{
    switch (store) {
    case nmea::ValueStore::GPS: return "GPS";
    case nmea::ValueStore::Wind: return "wind";
    case nmea::ValueStore::ARPA: return "ARPA";
    }
    return "?";
}

}   // namespace

int main(int argc, char** argv)
{
    std::atomic<bool> ignoreWarningFlags{false};
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--ignore-warning-flags") {
            ignoreWarningFlags = true;
        } else {
            std::fprintf(stderr, "usage: nmea-decode [--ignore-warning-flags] < lines\n");
            return 2;
        }
    }

    const platform::CSystemClock clock;
    nmea::CNMEAGPSParser gps(clock, 255);
    nmea::CNMEAGPSParser wind(clock, 255);
    nmea::CNMEAGPSParser arpa(clock, 255);
    gps.SetStores({gps.Values(), wind.Values(), arpa.Values()});
    gps.SetIgnoreWarningFlags(&ignoreWarningFlags);

    std::string line;
    std::string out;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const bool accepted = gps.ParseLine(line);
        const nmea::NMEALineResult result = gps.LastResult();

        out.clear();
        out += "{\"line\":";
        PutJsonString(out, line);
        out += ",\"accepted\":";
        out += accepted ? "true" : "false";
        out += ",\"result\":";
        PutJsonString(out, nmea::NmeaLineResultText(result));
        if (result == nmea::NMEALineResult::Parsed || result == nmea::NMEALineResult::Refused) {
            out += ",\"sentence\":";
            PutJsonString(out, nmea::NmeaSentenceId(gps.Message().SentenceIndex()));
            out += ",\"talker\":";
            PutJsonString(out, gps.GetTalker());
        }
        out += ",\"values\":[";
        const auto& msg = gps.Message();
        for (int w = 0; result == nmea::NMEALineResult::Parsed && w < msg.WrittenCount(); ++w) {
            const auto written = msg.Written(w);
            const nmea::CNMEAMessageParser& store = written.store == nmea::ValueStore::GPS ? gps
                                                    : written.store == nmea::ValueStore::Wind
                                                        ? wind
                                                        : arpa;
            const auto& value = store.Value(written.item);
            const auto& info = nmea::NmeaItemInfo(written.item);
            if (w > 0)
                out += ',';
            out += "{\"item\":";
            out += std::to_string(written.item);
            out += ",\"name\":";
            PutJsonString(out, info.name);
            out += ",\"store\":";
            PutJsonString(out, StoreName(written.store));
            out += ",\"value\":";
            switch (info.kind) {
            case nmea::ValueKind::Double: PutNumber(out, value.GetDouble()); break;
            case nmea::ValueKind::Int: out += std::to_string(value.GetInt()); break;
            case nmea::ValueKind::Byte: out += std::to_string(value.GetByte()); break;
            case nmea::ValueKind::String: PutJsonString(out, value.GetString()); break;
            case nmea::ValueKind::None: out += "null"; break;
            }
            // Letters are stored as their codes; show the letter too.
            const bool isLetter =
                info.kind == nmea::ValueKind::Int && written.item != nmea::item::TllTargetNumber &&
                written.item != nmea::item::TtmTargetNumber && written.item < nmea::item::ZdaDay;
            if (isLetter && value.GetInt() >= 0x20 && value.GetInt() < 0x7F) {
                out += ",\"letter\":";
                PutJsonString(out, std::string(1, static_cast<char>(value.GetInt())));
            }
            out += '}';
        }
        out += "]}\n";
        std::fwrite(out.data(), 1, out.size(), stdout);
    }
    return 0;
}
