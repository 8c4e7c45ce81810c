// Fuzzes the route notices other stations send: any payload from any sender
// may be read, in or out of edit mode. A notice never crashes the module;
// one naming another database changes nothing here (lock flag, its holder,
// the route read, edit mode, what we post); and no notice alone marks our
// database locked elsewhere while nobody holds its table.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Module.h"
#include "db/DBRoute.h"
#include "platform/Prompt.h"
#include "platform/SettingsStore.h"
#include "routes/RouteModule.h"

namespace {

namespace fs = std::filesystem;

class Settings final : public app::CSettingsHome {
public:
    explicit Settings(const fs::path& folder) : m_store(folder / "settings.conf") { }
    platform::CSettingsStore& GetStore() const override { return m_store; }
    std::string GetRegistryKey() const override { return "Software\\Fuzz\\Default"; }

private:
    mutable platform::CSettingsStore m_store;
};

class Silent final : public platform::CPrompt {
public:
    platform::PromptAnswer Ask(std::string_view, std::string_view, platform::PromptIcon,
                               platform::PromptButtons) override
    {
        return platform::PromptAnswer::Ok;
    }
};

class Counting final : public chartpoints::CStationLink {
public:
    bool IsRunning() const override { return true; }
    bool Post(std::uint8_t, std::string) override
    {
        ++posts;
        return true;
    }
    std::size_t posts = 0;
};

fs::path MakeFolder()
{
    std::string pattern = (fs::temp_directory_path() / "brine-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        std::abort();
    return pattern;
}

// A three-waypoint route in a database of its own.
void WriteRoute(const fs::path& path)
{
    db::CDBRoute table;
    table.SetFilePath(path.string());
    if (!table.Open())
        std::abort();
    table.ClearRecord();
    table.m_name = "Admiralty Inlet";
    if (!table.AppendNew())
        std::abort();
    double lat = 48.14;
    for (const char* name : {"Point Wilson", "Point No Point", "West Point"}) {
        auto& links = table.Points();
        links.Waypoints().ClearRecord();
        links.Waypoints().m_name = name;
        links.Waypoints().m_position = geo::CPosition(lat, -122.55, 0.0, -1);
        if (!links.AppendPoint())
            std::abort();
        lat -= 0.12;
    }
    table.Close();
}

struct Station {
    Station() : folder(MakeFolder()), settings(folder), module(settings, prompt, folder)
    {
        if (!module.Initialise())
            std::abort();
        module.SetStationLink(&link);
        const fs::path path = fs::path(module.GetDataFolder()) / "Shared";
        WriteRoute(path);
        if (!module.OpenDatabase(path.string()))
            std::abort();
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(Get().folder, ec);
        });
    }
    static Station& Get()
    {
        static Station station;
        return station;
    }

    fs::path folder;
    Settings settings;
    Silent prompt;
    Counting link;
    routes::CRouteModule module;
};

bool SameNameNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

}   // namespace

// Input: records split at 0xFF bytes. A record's first byte picks the sender
// and whether edit mode flips first; its second byte picks whether the rest
// follows our database's name (bit 0), the rest is the notice.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Station& s = Station::Get();
    routes::CRouteModule& m = s.module;
    const std::string ours = m.Database().GetName();
    static const char* const kSenders[] = {"127.0.0.2", "", "10.0.0.1", "::1", "not an address"};

    std::size_t at = 0;
    while (at < size) {
        std::size_t end = at;
        while (end < size && data[end] != 0xFF)
            ++end;
        const std::string record(reinterpret_cast<const char*>(data + at), end - at);
        at = end + 1;
        if (record.size() < 2)
            continue;
        const std::uint8_t pick = std::uint8_t(record[0]);
        if (pick & 0x80)
            m.OnEdit();
        const std::string sender =
            (pick & 0x40) ? record.substr(2, pick & 0x0F) : kSenders[pick % std::size(kSenders)];
        std::string payload = record.substr(2);
        if ((record[1] & 1) && !payload.empty())
            payload = payload.substr(0, 1) + ours + payload.substr(1);

        const bool lockedBefore = m.IsLockedElsewhere();
        const std::string holderBefore = m.LockHolder();
        const bool editBefore = m.IsEditMode();
        const auto pointsBefore = m.State().waypoints.size();
        const int activeBefore = m.State().activeIndex;
        const std::size_t postsBefore = s.link.posts;

        m.OnNetworkMessage(payload, sender);

        // Nobody else holds the table: no notice may say otherwise.
        if (m.IsLockedElsewhere() || !m.Database().IsOpen())
            std::abort();
        const bool aboutUs = payload.size() >= 2 && SameNameNoCase(payload.substr(1), ours);
        if (!aboutUs &&
            (m.IsLockedElsewhere() != lockedBefore || m.LockHolder() != holderBefore ||
             m.IsEditMode() != editBefore || m.State().waypoints.size() != pointsBefore ||
             m.State().activeIndex != activeBefore || s.link.posts != postsBefore))
            std::abort();
        if (m.State().waypoints.size() != 3 || m.State().activeIndex < 0 ||
            m.State().activeIndex > 3)
            std::abort();
    }
    if (m.IsEditMode())
        m.OnEdit();
    return 0;
}
