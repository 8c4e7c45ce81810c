#pragma once
// The tender tracking settings as the workspace keeps them (key
// "Navigator\TenderTracking"), with the checks a load applies: the channel
// table (name, in use, serial number), the poll code of each channel, the
// receive port, the intervals and the warning circles.

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

#include "targets/TenderTargetStore.h"

namespace app {
class CRegistry;
}

namespace targets {

// The radius range of the tender circles, for the options spin and the load alike.
inline constexpr double kTenderCircleLeast = 0.02;   // nm
inline constexpr double kTenderCircleMost = 5.0;

struct CTenderChannel {
    std::string name;   // "Tender <n>"
    bool valid = false;   // polled, and its replies taken
    std::string serial;   // exactly four digits when in use
    // Simulation (not stored).
    bool simulate = false;
    bool simulateManOverboard = false;
};

enum TenderSentence : int { kTenderRMC, kTenderDBT, kTenderMOVB, kTenderSentenceCount };

struct CTenderSettings {
    CTenderSettings();

    std::string filePath;
    std::uint8_t receivePort = 1;   // 0 off, 1-12 serial ports, 255 the station network
    std::chrono::seconds dangerousInterval{60};
    bool warningCircles = false;
    double warningCirclesRadius = 0.5;   // nm
    int overlaySize = 2;   // 0 small, 1 medium, 2 large
    std::chrono::seconds channelDuration{3};
    int refreshSeconds = 5;
    std::array<bool, kTenderSentenceCount> sentences{true, true, true};
    std::array<CTenderChannel, kTenderChannels> channels;
    // The byte sent after "ATX" for each channel, as two hex digits.
    std::array<std::string, kTenderChannels> codes;

    // Reads the values under `key` (an open key of the module); what is
    // missing keeps its default, what is out of range takes the default.
    void Load(const app::CRegistry& key);
    void Save(app::CRegistry& key) const;
};

// "02" for channel 0 up to "22" for channel 16.
std::string DefaultChannelCode(int channel);
// The code's byte: two hexadecimal digits, else nothing.
std::optional<std::uint8_t> ChannelCodeByte(std::string_view code);
// A serial number is exactly four digits.
bool IsTenderSerial(std::string_view serial);
// What the options take as a serial number: up to four digits (one of fewer
// never matches a reply, but stays as typed).
bool IsTenderSerialText(std::string_view serial);
// The channel letter "A" to "Q".
std::string ChannelLetter(int channel);
// One spin step of the tender circle's radius: 0.02 nm up to 1.0, 0.1 nm above.
double StepTenderCircleRadius(double nm, bool up);

}   // namespace targets
