#include "nmea/OutputSentences.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace nmea {

namespace {

constexpr std::string_view kReserved = ",*$!\\^~";

// Fixed-point text with `decimals` decimals, zero-padded on the left to
// `width`; locale-free.
std::string Fixed(double value, int decimals, int width)
{
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    std::string text(buffer, result.ptr);
    const bool negative = !text.empty() && text[0] == '-';
    if (static_cast<int>(text.size()) < width)
        text.insert(negative ? 1 : 0, static_cast<std::size_t>(width) - text.size(), '0');
    return text;
}

}   // namespace

std::string BearingField(double degrees)
{
    // Into 0-360, then a value that rounds up to 360.0 is the same bearing as
    // 000.0: receivers refuse 360.0.
    double d = std::fmod(degrees, 360.0);
    if (d < 0)
        d += 360.0;
    std::string text = Fixed(d, 1, 5);
    if (text == "360.0")
        text = "000.0";
    return text;
}

namespace {

std::string CutToFit(std::string text)
{
    if (text.size() > kMaxComposedText)
        text.resize(kMaxComposedText);
    return text;
}

}   // namespace

std::string NmeaFieldText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool bad = byte < 0x20 || byte > 0x7E || kReserved.find(c) != std::string_view::npos;
        out.push_back(bad ? '-' : c);
    }
    return out;
}

std::string FormatDegreesMinutes(double degrees, int degreeDigits, int decimals)
{
    long long scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    const long long units = std::llround(std::fabs(degrees) * 60.0 * static_cast<double>(scale));
    const long long perDegree = 60 * scale;
    const long long whole = units / perDegree;
    const long long minuteUnits = units % perDegree;
    char buffer[64];
    if (decimals > 0)
        std::snprintf(buffer, sizeof buffer, "%0*lld%02lld.%0*lld", degreeDigits, whole,
                      minuteUnits / scale, decimals, minuteUnits % scale);
    else
        std::snprintf(buffer, sizeof buffer, "%0*lld%02lld", degreeDigits, whole, minuteUnits);
    return buffer;
}

std::string ComposeRte(std::string_view total, std::string_view number, std::string_view mode,
                       std::string_view route, std::string_view waypoint)
{
    std::string text = "$ECRTE";
    for (const std::string_view field : {total, number, mode, route, waypoint})
        text += "," + NmeaFieldText(field);
    return CutToFit(std::move(text));
}

std::string ComposeWpl(double latitudeDeg, double longitudeDeg, std::string_view identifier,
                       int decimalPlaces)
{
    const int decimals = decimalPlaces >= 3 ? decimalPlaces : 2;
    std::string text = "$ECWPL,";
    text += FormatDegreesMinutes(latitudeDeg, 2, decimals);
    text += latitudeDeg >= 0 ? ",N," : ",S,";
    text += FormatDegreesMinutes(longitudeDeg, 3, decimals);
    text += longitudeDeg >= 0 ? ",E," : ",W,";
    text += NmeaFieldText(identifier);
    return CutToFit(std::move(text));
}

std::optional<std::string> WaypointIdentifier(int mode, std::string_view id, std::string_view name,
                                              int number)
{
    std::string text;
    switch (mode) {
    case 0: text = id; break;
    case 1: text = name; break;
    case 2: text = std::to_string(number); break;
    case 3: text = std::to_string(number) + " " + std::string(name); break;
    case 4: text = std::to_string(number) + " " + std::string(id); break;
    default: return std::nullopt;
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    if (text.empty())
        text = std::to_string(number + 1);
    return text;
}

std::string ComposeApb(const CApbFields& f)
{
    const double xte = std::min(std::fabs(f.crossTrackNm), 9999.99);
    std::string destination = NmeaFieldText(f.destination);
    for (char& c : destination)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    std::string head = "$ECAPB,";
    head += f.statusValid ? "A" : "V";
    head += ",A,";
    head += Fixed(xte, 2, 5);
    head += f.crossTrackNm < 0 ? ",L,N," : ",R,N,";
    head += f.arrivalEntered ? "A," : ",";
    head += f.perpendicularPassed ? "A," : ",";
    head += BearingField(f.bearingOriginToDestination) + "," + f.bearingOriginReference + ",";
    std::string tail = ",";
    tail += BearingField(f.bearingToDestination) + "," + f.bearingToDestinationReference + ",";
    tail += BearingField(f.headingToSteer) + "," + f.headingReference;
    // The identifier gives way, so the bearings and heading always go out.
    const std::size_t room = kMaxComposedText > head.size() + tail.size()
                                 ? kMaxComposedText - head.size() - tail.size()
                                 : 0;
    if (destination.size() > room)
        destination.resize(room);
    std::string text = head + destination + tail;
    return CutToFit(std::move(text));
}

}   // namespace nmea
