// alert-sounds: writes the program's alarm and warning sounds.
//
//   alert-sounds <folder>    writes one wave file per sound name into <folder>
//
// Each sound is a short pattern of tones synthesised here (16-bit PCM, mono,
// 22050 samples a second), different for every name so that the navigator
// tells the alarms apart by ear: an arrival rises, a passed perpendicular
// falls, several alarms at once chatter, a tender's panic button warbles.

#include "app/AlertSounds.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

struct Tone {
    double hertz;   // 0: silence
    int ms;
};

struct Pattern {
    std::string_view name;
    std::vector<Tone> tones;
};

const std::vector<Pattern>& Patterns()
{
    namespace s = app::sounds;
    static const std::vector<Pattern> patterns{
        {s::kArrivalCircle, {{880, 160}, {0, 60}, {1175, 160}, {0, 60}, {1568, 240}}},
        {s::kPerpendicular, {{1568, 160}, {0, 60}, {1175, 160}, {0, 60}, {880, 240}}},
        {s::kMultipleArrivals,
         {{1319, 70},
          {0, 40},
          {1319, 70},
          {0, 40},
          {1319, 70},
          {0, 40},
          {1319, 70},
          {0, 120},
          {1760, 200}}},
        {s::kTenderPanic,
         {{700, 110},
          {1050, 110},
          {700, 110},
          {1050, 110},
          {700, 110},
          {1050, 110},
          {700, 110},
          {1050, 110}}},
    };
    return patterns;
}

// Samples of the pattern; each tone fades in and out over 5 ms so that no
// edge clicks.
std::vector<std::int16_t> Synthesise(const std::vector<Tone>& tones)
{
    std::vector<std::int16_t> samples;
    const int fade = kRate * 5 / 1000;
    for (const Tone& t : tones) {
        const int n = kRate * t.ms / 1000;
        for (int i = 0; i < n; ++i) {
            double v = 0.0;
            if (t.hertz > 0) {
                const double gain = std::min({1.0, double(i) / fade, double(n - 1 - i) / fade});
                const double phase = 2.0 * kPi * t.hertz * i / kRate;
                // A little of the third harmonic makes the tone carry over engine noise.
                v = 0.55 * gain * (std::sin(phase) + 0.25 * std::sin(3.0 * phase)) / 1.25;
            }
            samples.push_back(static_cast<std::int16_t>(std::lround(v * 32767.0)));
        }
    }
    return samples;
}

void PutLE(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A canonical RIFF WAVE file: "fmt " (PCM) then "data".
std::string WaveBytes(const std::vector<std::int16_t>& samples)
{
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::string out = "RIFF";
    PutLE(out, 36 + dataBytes, 4);
    out += "WAVEfmt ";
    PutLE(out, 16, 4);
    PutLE(out, 1, 2);   // PCM
    PutLE(out, 1, 2);   // mono
    PutLE(out, kRate, 4);
    PutLE(out, kRate * 2, 4);   // bytes a second
    PutLE(out, 2, 2);   // bytes a frame
    PutLE(out, 16, 2);   // bits a sample
    out += "data";
    PutLE(out, dataBytes, 4);
    for (std::int16_t s : samples)
        PutLE(out, static_cast<std::uint16_t>(s), 2);
    return out;
}

}   // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: alert-sounds <folder>\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    for (std::string_view name : app::sounds::kAll) {
        const Pattern* pattern = nullptr;
        for (const Pattern& p : Patterns())
            if (p.name == name)
                pattern = &p;
        if (pattern == nullptr) {
            std::fprintf(stderr, "alert-sounds: no sound made for \"%.*s\"\n", int(name.size()),
                         name.data());
            return 1;
        }
        const std::filesystem::path file = app::sounds::WaveFile(folder, name);
        const std::filesystem::path staged = file.string() + ".part";
        {
            std::ofstream out(staged, std::ios::binary | std::ios::trunc);
            const std::string bytes = WaveBytes(Synthesise(pattern->tones));
            out.write(bytes.data(), std::streamsize(bytes.size()));
            if (!out.flush()) {
                std::fprintf(stderr, "alert-sounds: cannot write %s\n", staged.c_str());
                return 1;
            }
        }
        std::filesystem::rename(staged, file, ec);
        if (ec) {
            std::fprintf(stderr, "alert-sounds: cannot write %s: %s\n", file.c_str(),
                         ec.message().c_str());
            return 1;
        }
    }
    return 0;
}
