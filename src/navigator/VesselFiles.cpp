#include "navigator/VesselFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <thread>

#include "app/StringUtils.h"
#include "platform/Ascii.h"
#include "platform/Files.h"
#include "platform/LocaleFreeNumbers.h"

namespace fs = std::filesystem;

namespace navigator {

namespace {

std::string ErrnoText(int code)
{
    return std::error_code(code, std::generic_category()).message();
}

CVesselFileResult Failed(const char* box, const fs::path& path, const std::string& reason)
{
    return {false, std::string(box) + "\n" + path.string() + ": " + reason};
}

// Takes the lock, trying again every `wait.retry` while another open file
// holds a conflicting one, until `wait.limit` has passed since the first try.
bool LockWithin(platform::CFileRangeLock& lock, int fd, platform::LockKind kind,
                const CVesselFileWait& wait, std::string& reason)
{
    const auto until = std::chrono::steady_clock::now() + wait.limit;
    for (;;) {
        if (lock.TryLock(fd, 0, 0, kind))
            return true;
        if (lock.LastErrno() != EAGAIN) {
            reason = ErrnoText(lock.LastErrno());
            return false;
        }
        if (std::chrono::steady_clock::now() >= until) {
            reason = "held by another station";
            return false;
        }
        std::this_thread::sleep_for(wait.retry);
    }
}

bool ReadAll(int fd, std::string& out)
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        out.append(buffer, static_cast<std::size_t>(n));
    }
}

// Names are one line of the file: a line end inside one would shift every value after it.
std::string OneLine(std::string_view name)
{
    std::string line(name);
    for (char& c : line)
        if (c == '\n' || c == '\r')
            c = ' ';
    return line;
}

void PutDouble(std::string& out, double value)
{
    const auto bits = std::bit_cast<std::uint64_t>(value);
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
}

double GetDouble(std::string_view bytes, std::size_t at)
{
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return std::bit_cast<double>(bits);
}

// Vessel files whose write was cut short leave their temp files beside the
// vessel files; each read or write of one clears them from its folder.
void RemoveLeftoverVesselTemps(const fs::path& file)
{
    const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    platform::RemoveLeftoverTempFiles(folder, [](std::string_view target) {
        return target.size() > 4 &&
               platform::EqualNoCaseAscii(target.substr(target.size() - 4), ".vsl");
    });
}

}   // namespace

fs::path WithExtension(const fs::path& path, const char* extension)
{
    fs::path out = path;
    out.replace_extension(std::string(".") + extension);
    return out;
}

std::string FormatVesselFile(const COwnVessel& vessel)
{
    std::string text = OneLine(vessel.name) + "\n";
    for (double v : {vessel.length, vessel.draft, vessel.beam, vessel.speed})
        text += app::FormatDoubleTrimmed(v) + "\n";
    for (double v : vessel.deviation)
        text += app::FormatDoubleTrimmed(v) + "\n";
    return text;
}

bool ParseVesselFile(std::string_view text, COwnVessel& vessel, std::string* reason)
{
    auto refuse = [&](std::string why) {
        if (reason)
            *reason = std::move(why);
        return false;
    };
    // The lines are read in their order; a line that is missing or no finite
    // number ends the reading, and what was read before it stays.
    std::vector<std::string_view> lines;
    while (!text.empty() && lines.size() < static_cast<std::size_t>(kVesselFileLines)) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    if (lines.empty())
        return refuse("line 1 is missing");
    vessel.name = std::string(lines[0]);
    double* const numbers[kVesselFileLines - 1] = {
        &vessel.length,        &vessel.draft,         &vessel.beam,          &vessel.speed,
        &vessel.deviation[0],  &vessel.deviation[1],  &vessel.deviation[2],  &vessel.deviation[3],
        &vessel.deviation[4],  &vessel.deviation[5],  &vessel.deviation[6],  &vessel.deviation[7],
        &vessel.deviation[8],  &vessel.deviation[9],  &vessel.deviation[10], &vessel.deviation[11],
        &vessel.deviation[12], &vessel.deviation[13], &vessel.deviation[14], &vessel.deviation[15]};
    for (std::size_t i = 1; i < static_cast<std::size_t>(kVesselFileLines); ++i) {
        if (i >= lines.size())
            return refuse("line " + std::to_string(i + 1) + " is missing");
        const auto value = platform::ParseDouble(lines[i]);
        if (!value)
            return refuse("line " + std::to_string(i + 1) +
                          " is not a number: " + std::string(lines[i].substr(0, 40)));
        *numbers[i - 1] = *value;
    }
    return true;
}

CVesselFileResult ReadVesselFile(const fs::path& path, COwnVessel& vessel,
                                 const CVesselFileWait& wait)
{
    const fs::path file = WithExtension(path, "vsl");
    RemoveLeftoverVesselTemps(file);
    platform::CFileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.IsOpen())
        return Failed(kVesselOpenFailed, file, ErrnoText(errno));
    platform::CFileRangeLock lock;
    std::string reason;
    if (!LockWithin(lock, fd.Get(), platform::LockKind::Shared, wait, reason))
        return Failed(kVesselOpenFailed, file, reason);
    std::string text;
    if (!ReadAll(fd.Get(), text))
        return Failed(kVesselOpenFailed, file, ErrnoText(errno));
    // A damaged file gives the values before its damaged line, and says which.
    COwnVessel read = vessel;
    const bool whole = ParseVesselFile(text, read, &reason);
    vessel.CopyFrom(read);
    if (!whole)
        return Failed(kVesselOpenFailed, file, reason);
    return {true, {}};
}

CVesselFileResult WriteVesselFile(const fs::path& path, const COwnVessel& vessel,
                                  const CVesselFileWait& wait)
{
    const fs::path file = WithExtension(path, "vsl");
    // The replaced file is locked while the new one is written, so a station
    // reading or writing it finishes first. A file not there yet has no holder.
    platform::CFileDescriptor fd(::open(file.c_str(), O_RDWR | O_CLOEXEC));
    if (!fd.IsOpen() && errno != ENOENT)
        return Failed(kVesselSaveFailed, file, ErrnoText(errno));
    platform::CFileRangeLock lock;
    std::string reason;
    if (fd.IsOpen() && !LockWithin(lock, fd.Get(), platform::LockKind::Exclusive, wait, reason))
        return Failed(kVesselSaveFailed, file, reason);
    RemoveLeftoverVesselTemps(file);
    if (!platform::WriteFileAtomically(file, FormatVesselFile(vessel), &reason, 0644))
        return Failed(kVesselSaveFailed, file, reason);
    return {true, {}};
}

std::string FormatVesselHeader(const COwnVessel& vessel)
{
    std::string out = vessel.headerTag.substr(0, 4);
    out.resize(4, '\0');
    for (double v : {vessel.length, vessel.draft, vessel.beam, vessel.speed})
        PutDouble(out, v);
    for (double v : vessel.deviation)
        PutDouble(out, v);
    const std::size_t n = std::min<std::size_t>(vessel.name.size(), 0xFFFF);
    out.push_back(static_cast<char>(n & 0xFF));
    out.push_back(static_cast<char>(n >> 8));
    out.append(vessel.name, 0, n);
    return out;
}

bool ParseVesselHeader(std::string_view bytes, COwnVessel& vessel, std::string* reason)
{
    auto refuse = [&](std::string why) {
        if (reason)
            *reason = std::move(why);
        return false;
    };
    if (bytes.size() < kHeaderFixedBytes)
        return refuse("the record is cut short at " + std::to_string(bytes.size()) + " bytes");
    const std::size_t n = static_cast<unsigned char>(bytes[164]) |
                          (static_cast<std::size_t>(static_cast<unsigned char>(bytes[165])) << 8);
    if (bytes.size() != kHeaderFixedBytes + n)
        return refuse("the record holds " + std::to_string(bytes.size()) +
                      " bytes, its name says " + std::to_string(kHeaderFixedBytes + n));
    std::array<double, 4 + kDeviationPoints> numbers{};
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        numbers[i] = GetDouble(bytes, 4 + 8 * i);
        if (!std::isfinite(numbers[i]))
            return refuse("value " + std::to_string(i + 1) + " is not a finite number");
    }
    vessel.length = numbers[0];
    vessel.draft = numbers[1];
    vessel.beam = numbers[2];
    vessel.speed = numbers[3];
    for (std::size_t i = 0; i < vessel.deviation.size(); ++i)
        vessel.deviation[i] = numbers[4 + i];
    vessel.name = std::string(bytes.substr(kHeaderFixedBytes, n));
    return true;
}

bool WriteVesselHeader(const fs::path& path, const COwnVessel& vessel, const char* extension,
                       std::string* reason)
{
    const fs::path file = WithExtension(path, extension);
    std::error_code ec;
    if (file.has_parent_path() && !fs::is_directory(file.parent_path(), ec)) {
        fs::create_directories(file.parent_path(), ec);
        if (ec) {
            if (reason)
                *reason = file.parent_path().string() + ": " + ec.message();
            return false;
        }
    }
    return platform::WriteFileAtomically(file, FormatVesselHeader(vessel), reason, 0644);
}

HeaderRead ReadVesselHeader(const fs::path& path, COwnVessel& vessel, std::string* reason)
{
    const fs::path file = WithExtension(path, "hdr");
    platform::CFileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.IsOpen()) {
        if (errno == ENOENT) {
            vessel.Reset();
            return HeaderRead::Missing;
        }
        if (reason)
            *reason = file.string() + ": " + ErrnoText(errno);
        return HeaderRead::Refused;
    }
    std::string bytes;
    if (!ReadAll(fd.Get(), bytes)) {
        if (reason)
            *reason = file.string() + ": " + ErrnoText(errno);
        return HeaderRead::Refused;
    }
    COwnVessel read = vessel;
    std::string why;
    if (!ParseVesselHeader(bytes, read, &why)) {
        if (reason)
            *reason = file.string() + ": " + why;
        return HeaderRead::Refused;
    }
    vessel.CopyFrom(read);
    return HeaderRead::Read;
}

}   // namespace navigator
