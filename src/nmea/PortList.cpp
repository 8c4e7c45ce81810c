#include "nmea/PortList.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <system_error>

#include "platform/SettingsStore.h"

namespace nmea {

namespace {

bool OpensAsTerminal(const std::filesystem::path& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    termios tio{};
    const bool ok = ::tcgetattr(fd, &tio) == 0;
    ::close(fd);
    return ok;
}

std::string ValueName(std::size_t index)
{
    return "COM" + std::to_string(index + 1);
}

}   // namespace

PortPaths DefaultPortPaths(const CSerialScan& scan)
{
    std::vector<std::string> found;
    std::error_code ec;
    std::vector<std::filesystem::path> links;
    for (const auto& entry : std::filesystem::directory_iterator(scan.byIdFolder, ec))
        links.push_back(entry.path());
    std::sort(links.begin(), links.end());
    for (const auto& link : links)
        found.push_back(link.string());

    std::vector<std::pair<long, std::filesystem::path>> ttys;
    for (const auto& entry : std::filesystem::directory_iterator(scan.devFolder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() < 5 || name.compare(0, 4, "ttyS") != 0 ||
            name.find_first_not_of("0123456789", 4) != std::string::npos)
            continue;
        ttys.emplace_back(std::stol(name.substr(4)), entry.path());
    }
    std::sort(ttys.begin(), ttys.end());
    const auto& opens = scan.opens
                            ? scan.opens
                            : std::function<bool(const std::filesystem::path&)>(OpensAsTerminal);
    for (const auto& [number, path] : ttys) {
        if (found.size() >= CPort::kLastSerialPort)
            break;
        if (opens(path))
            found.push_back(path.string());
    }
    PortPaths paths;
    for (std::size_t i = 0; i < paths.size() && i < found.size(); ++i)
        paths[i] = found[i];
    return paths;
}

PortPaths LoadPortPaths(platform::CSettingsStore& store, std::string_view key,
                        const CSerialScan& scan)
{
    if (!store.KeyExists(key)) {
        PortPaths paths = DefaultPortPaths(scan);
        SavePortPaths(store, key, paths);
        return paths;
    }
    PortPaths paths;
    for (std::size_t i = 0; i < paths.size(); ++i)
        paths[i] = store.GetString(key, ValueName(i)).value_or(std::string());
    return paths;
}

void SavePortPaths(platform::CSettingsStore& store, std::string_view key, const PortPaths& paths)
{
    store.CreateKey(key);
    for (std::size_t i = 0; i < paths.size(); ++i)
        store.SetString(key, ValueName(i), paths[i]);
}

CPortList::CPortList(const PortPaths& paths, CComPortOptions options)
{
    for (std::size_t i = 0; i < paths.size(); ++i)
        if (!paths[i].empty())
            m_serial.push_back(
                std::make_unique<CComPort>(static_cast<std::uint8_t>(i + 1), paths[i], options));
}

CPortList::~CPortList() = default;

void CPortList::SetPaths(const PortPaths& paths, CComPortOptions options)
{
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const auto number = static_cast<std::uint8_t>(i + 1);
        const auto it = std::find_if(m_serial.begin(), m_serial.end(),
                                     [&](const auto& p) { return p->GetNumber() == number; });
        if (it != m_serial.end()) {
            (*it)->SetDevicePath(paths[i]);
            if (paths[i].empty()) {
                m_retired.push_back(std::move(*it));
                m_serial.erase(it);
            }
        } else if (!paths[i].empty()) {
            const auto at = std::find_if(m_serial.begin(), m_serial.end(),
                                         [&](const auto& p) { return p->GetNumber() > number; });
            m_serial.insert(at, std::make_unique<CComPort>(number, paths[i], options));
        }
    }
}

void CPortList::SetAutoConfigure(bool on)
{
    for (const auto& port : m_serial)
        port->SetAutoConfigure(on);
}

void CPortList::SetNetworkPort(std::unique_ptr<CPort> port)
{
    m_network = std::move(port);
}

CPort* CPortList::FindPort(std::uint8_t number) const
{
    if (number == CPort::kNetworkPort)
        return m_network.get();
    for (const auto& port : m_serial)
        if (port->GetNumber() == number)
            return port.get();
    return nullptr;
}

std::uint8_t CPortList::GetFirstPortNumber() const
{
    return m_serial.empty() ? std::uint8_t{0} : m_serial.front()->GetNumber();
}

std::vector<CPort*> CPortList::Ports() const
{
    std::vector<CPort*> all;
    for (const auto& port : m_serial)
        all.push_back(port.get());
    if (m_network)
        all.push_back(m_network.get());
    return all;
}

}   // namespace nmea
