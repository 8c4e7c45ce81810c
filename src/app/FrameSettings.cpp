#include "app/FrameSettings.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "app/Registry.h"
#include "platform/Ascii.h"

namespace app {

bool CFrameSettings::Load(platform::CSettingsStore& store, const std::string& key,
                          bool hasSoundOutput)
{
    CRegistry reg(store);
    if (!reg.OpenKeyForRead(key)) {
        if (!hasSoundOutput)
            audioAlerts = false;
        return false;
    }
    reg.ReadByte("DecimalPlaces", decimalPlaces);
    decimalPlaces = std::min<std::uint8_t>(decimalPlaces, 4);
    reg.ReadBool("AudioAlerts", audioAlerts);
    if (!hasSoundOutput)
        audioAlerts = false;
    reg.ReadDWord("ThreadPriority", threadPriority);
    reg.ReadBool("AutoConfigurePorts", autoConfigurePorts);
    reg.ReadBool("DisplayDegMinSecPosition", degMinSec);
    reg.ReadString("OperationalMode", operationalMode);
    reg.Close();

    if (reg.OpenKeyForRead(key + "\\RangeAndBearing")) {
        reg.ReadIntPair("ScreenPoint", rangeBearingPoint);
        reg.Close();
    }
    if (reg.OpenKeyForRead(key + "\\WorkSpace")) {
        reg.ReadBool("ReloadDocs", reloadDocs);
        reg.ReadBool("AutoSaveWorkspace", autoSaveWorkspace);
        reg.ReadBool("ConfirmClosedown", confirmClosedown);
        reg.Close();
        if (reg.OpenKeyForRead(key + "\\WorkSpace\\RecentFileList")) {
            recentFiles = {};
            std::size_t n = 0;
            for (std::size_t i = 1; i <= kRecentFiles; ++i) {
                std::string file;
                if (reg.ReadString("File" + std::to_string(i), file) && !file.empty())
                    recentFiles[n++] = file;
            }
            reg.Close();
        }
    }
    return true;
}

bool CFrameSettings::Save(platform::CSettingsStore& store, const std::string& key) const
{
    CRegistry reg(store);
    if (!reg.OpenKeyForWrite(key))
        return false;
    reg.WriteDWord("DecimalPlaces", decimalPlaces);
    reg.WriteBool("AudioAlerts", audioAlerts);
    reg.WriteDWord("ThreadPriority", threadPriority);
    reg.WriteBool("AutoConfigurePorts", autoConfigurePorts);
    reg.WriteBool("DisplayDegMinSecPosition", degMinSec);
    reg.WriteString("OperationalMode", operationalMode);
    reg.Close();
    if (reg.OpenKeyForWrite(key + "\\RangeAndBearing")) {
        reg.WriteIntPair("ScreenPoint", rangeBearingPoint);
        reg.Close();
    }
    if (reg.OpenKeyForWrite(key + "\\WorkSpace")) {
        reg.WriteBool("ReloadDocs", reloadDocs);
        reg.WriteBool("AutoSaveWorkspace", autoSaveWorkspace);
        reg.WriteBool("ConfirmClosedown", confirmClosedown);
        reg.Close();
        if (reg.OpenKeyForWrite(key + "\\WorkSpace\\RecentFileList")) {
            for (std::size_t i = 0; i < kRecentFiles; ++i)
                reg.WriteString("File" + std::to_string(i + 1), recentFiles[i]);
            reg.Close();
        }
    }
    return true;
}

void CFrameSettings::AddRecentFile(const std::string& path)
{
    if (path.empty())
        return;
    auto it = std::find_if(recentFiles.begin(), recentFiles.end(), [&path](const std::string& f) {
        return platform::EqualNoCaseAscii(f, path);
    });
    if (it == recentFiles.end())
        it = recentFiles.end() - 1;
    std::rotate(recentFiles.begin(), it, it + 1);
    recentFiles.front() = path;
}

namespace {

// Characters, not bytes: a UTF-8 name counts each character once.
std::size_t CharacterCount(std::string_view text)
{
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

}   // namespace

std::string RecentFileDisplayName(std::string_view path, std::size_t maxLength)
{
    if (CharacterCount(path) <= maxLength)
        return std::string(path);
    const std::size_t lastSlash = path.find_last_of('/');
    if (lastSlash == std::string_view::npos)
        return std::string(path);
    const std::string_view name = path.substr(lastSlash + 1);
    // The root: "/" for an absolute path, else the first folder and its slash.
    const std::size_t rootEnd = path.front() == '/' ? 1 : path.find('/') + 1;
    const std::string_view root = path.substr(0, rootEnd);
    std::string_view tail = path.substr(lastSlash);   // "/name"
    if (CharacterCount(root) + 3 + CharacterCount(tail) > maxLength)
        return std::string(name);
    // Folders are taken from the end while the whole still fits.
    for (std::size_t start = lastSlash; start > rootEnd;) {
        const std::size_t previous = path.find_last_of('/', start - 1);
        if (previous == std::string_view::npos || previous < rootEnd)
            break;
        const std::string_view longer = path.substr(previous);
        if (CharacterCount(root) + 3 + CharacterCount(longer) > maxLength)
            break;
        tail = longer;
        start = previous;
    }
    return std::string(root) + "..." + std::string(tail);
}

std::string ApplyThreadPriority(std::int32_t priority)
{
    const int nice = -5 * std::clamp(priority, -2, 2);
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    if (::setpriority(PRIO_PROCESS, tid, nice) == 0)
        return {};
    const int error = errno;
    return "The system refused the priority boost (nice " + std::to_string(nice) +
           "): " + std::strerror(error) +
           ". The program runs at normal priority; a boost needs the CAP_SYS_NICE "
           "capability or a nice limit (ulimit -e) that allows it.";
}

std::string GetPositionTemplate(std::uint8_t decimalPlaces, bool degMinSec)
{
    // The degree sign is two bytes in UTF-8, so positions count characters
    // from the end, where only ASCII lies.
    auto part = [&](std::string text) {
        if (decimalPlaces > 0) {
            const char digit = text[text.size() - 2];
            text.insert(text.size() - 1, "." + std::string(decimalPlaces, digit));
        }
        return text;
    };
    const char* lat = degMinSec ? "DD\xC2\xB0MM'SSN" : "DD\xC2\xB0MMN";
    const char* lon = degMinSec ? "ddd\xC2\xB0mm'ssE" : "ddd\xC2\xB0mmE";
    return part(lat) + "  " + part(lon);
}

}   // namespace app
