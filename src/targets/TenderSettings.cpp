#include "targets/TenderSettings.h"

#include <algorithm>
#include <cmath>

#include "app/DateTimeSpanEx.h"
#include "app/Registry.h"

namespace targets {

namespace {

constexpr const char* kSentenceIds[kTenderSentenceCount] = {"RMC", "DBT", "MOVB"};

std::string Sub(const app::CRegistry& key, std::string_view name)
{
    return key.GetKeyPath() + "\\" + std::string(name);
}

std::string TenderKeyName(int channel)
{
    return "Tender" + std::to_string(channel + 1);
}

}   // namespace

std::string DefaultChannelCode(int channel)
{
    const int value = 2 * (channel + 1);
    const char* hex = "0123456789ABCDEF";
    return {hex[(value >> 4) & 15], hex[value & 15]};
}

std::optional<std::uint8_t> ChannelCodeByte(std::string_view code)
{
    if (code.size() != 2)
        return std::nullopt;
    int value = 0;
    for (char c : code) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + digit;
    }
    return static_cast<std::uint8_t>(value);
}

bool IsTenderSerial(std::string_view serial)
{
    return serial.size() == 4 &&
           std::all_of(serial.begin(), serial.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsTenderSerialText(std::string_view serial)
{
    return serial.size() <= 4 &&
           std::all_of(serial.begin(), serial.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string ChannelLetter(int channel)
{
    return std::string(1, static_cast<char>('A' + channel));
}

double StepTenderCircleRadius(double nm, bool up)
{
    if (!std::isfinite(nm))
        return 0.5;
    double next = nm;
    if (up && nm < kTenderCircleMost)
        next = nm + (nm >= 1.0 ? 0.1 : 0.02);
    else if (!up && nm > kTenderCircleLeast)
        next = nm - (nm <= 1.0 ? 0.02 : 0.1);
    next = std::round(next * 100.0) / 100.0;
    return std::clamp(next, kTenderCircleLeast, kTenderCircleMost);
}

CTenderSettings::CTenderSettings()
{
    for (int i = 0; i < kTenderChannels; ++i) {
        channels[std::size_t(i)].name = "Tender " + std::to_string(i + 1);
        codes[std::size_t(i)] = DefaultChannelCode(i);
    }
}

void CTenderSettings::Load(const app::CRegistry& key)
{
    const CTenderSettings defaults;
    key.ReadString("FilePath", filePath);
    std::uint32_t dword = 0;
    if (key.ReadDWord("ReceiveCOMPort", dword))
        receivePort = static_cast<std::uint8_t>(std::min<std::uint32_t>(dword, 255));
    app::CDateTimeSpanEx span;
    if (key.ReadTimeSpan("TargetDangerousInterval", span) && span.GetTotalSeconds() > 0)
        dangerousInterval = std::chrono::seconds(span.GetTotalSeconds());
    key.ReadBool("WarningCircles", warningCircles);
    double radius = warningCirclesRadius;
    if (key.ReadDouble("WarningCirclesRadius", radius))
        warningCirclesRadius =
            std::isfinite(radius) && radius >= kTenderCircleLeast && radius <= kTenderCircleMost
                ? radius
                : defaults.warningCirclesRadius;
    if (key.ReadDWord("NMEARefreshTime", dword))
        refreshSeconds = dword >= 1 && dword <= 60 ? int(dword) : defaults.refreshSeconds;
    if (key.ReadTimeSpan("ChannelDuration", span)) {
        const auto s = span.GetTotalSeconds();
        channelDuration = s >= 1 && s <= 30 ? std::chrono::seconds(s) : defaults.channelDuration;
    }
    if (key.ReadDWord("OverlaySize", dword))
        overlaySize = dword <= 2 ? int(dword) : 0;

    app::CRegistry sentenceKey(key.Store());
    if (sentenceKey.OpenKeyForRead(Sub(key, "NMEASentences")))
        for (int i = 0; i < kTenderSentenceCount; ++i)
            sentenceKey.ReadBool(kSentenceIds[i], sentences[std::size_t(i)]);
    for (int i = 0; i < kTenderChannels; ++i) {
        app::CRegistry channelKey(key.Store());
        if (!channelKey.OpenKeyForRead(Sub(key, "Transceiver\\" + TenderKeyName(i))))
            continue;
        CTenderChannel& c = channels[std::size_t(i)];
        channelKey.ReadString("Name", c.name);
        channelKey.ReadBool("Valid", c.valid);
        std::string serial;
        // A serial is kept as the options took it; one they could not is none.
        if (channelKey.ReadString("SerialNumber", serial))
            c.serial = IsTenderSerialText(serial) ? serial : std::string();
    }
    app::CRegistry codeKey(key.Store());
    if (codeKey.OpenKeyForRead(Sub(key, "ChannelValues")))
        for (int i = 0; i < kTenderChannels; ++i) {
            std::string code;
            if (codeKey.ReadString(ChannelLetter(i), code))
                codes[std::size_t(i)] = ChannelCodeByte(code) ? code : DefaultChannelCode(i);
        }
}

void CTenderSettings::Save(app::CRegistry& key) const
{
    key.WriteString("FilePath", filePath);
    key.WriteDWord("ReceiveCOMPort", receivePort);
    key.WriteTimeSpan("TargetDangerousInterval",
                      app::CDateTimeSpanEx(static_cast<long>(dangerousInterval.count())));
    key.WriteBool("WarningCircles", warningCircles);
    key.WriteDouble("WarningCirclesRadius", warningCirclesRadius);
    key.WriteDWord("NMEARefreshTime", static_cast<std::uint32_t>(refreshSeconds));
    key.WriteTimeSpan("ChannelDuration",
                      app::CDateTimeSpanEx(static_cast<long>(channelDuration.count())));
    key.WriteDWord("OverlaySize", static_cast<std::uint32_t>(overlaySize));
    app::CRegistry sentenceKey(key.Store());
    if (sentenceKey.OpenKeyForWrite(Sub(key, "NMEASentences")))
        for (int i = 0; i < kTenderSentenceCount; ++i)
            sentenceKey.WriteBool(kSentenceIds[i], sentences[std::size_t(i)]);
    for (int i = 0; i < kTenderChannels; ++i) {
        app::CRegistry channelKey(key.Store());
        if (!channelKey.OpenKeyForWrite(Sub(key, "Transceiver\\" + TenderKeyName(i))))
            continue;
        const CTenderChannel& c = channels[std::size_t(i)];
        channelKey.WriteString("Name", c.name);
        channelKey.WriteBool("Valid", c.valid);
        channelKey.WriteString("SerialNumber", c.serial);
    }
    app::CRegistry codeKey(key.Store());
    if (codeKey.OpenKeyForWrite(Sub(key, "ChannelValues")))
        for (int i = 0; i < kTenderChannels; ++i)
            codeKey.WriteString(ChannelLetter(i), codes[std::size_t(i)]);
}

}   // namespace targets
