#pragma once
// Model of the Tools Options page "Network": the server folder that holds
// the peer file and this station's TCP port. The host name and the address
// are only shown; the address chosen in the settings (stations sharing one
// computer) is carried through unchanged. Applying restarts station messaging only when the folder,
// the port or the address changed, so an unchanged OK keeps every connection.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/OptionPages.h"
#include "nmea/PeerFile.h"

namespace nmea {

inline constexpr long long kMinTcpPort = 1024;
inline constexpr long long kMaxTcpPort = 65535;

struct CNetworkOptions {
    std::string folder;
    std::string hostName;
    std::string address;   // dotted IPv4 text; empty: chosen automatically
    long long tcpPort = 1024;
    bool operator==(const CNetworkOptions&) const = default;
};

class CNetworkOptionsModel : public app::COptionPageModel {
public:
    // `isLocal` answers whether an address is this computer's.
    using LocalCheck = std::function<bool(const Ipv4&)>;
    using ApplyFn = std::function<void(const std::string& folder, std::optional<Ipv4> address,
                                       std::uint16_t port)>;
    CNetworkOptionsModel(const CNetworkOptions& current, LocalCheck isLocal, ApplyFn apply);

    std::string Title() const override { return "Network"; }
    std::vector<app::CFieldError> Validate() const override;
    void Apply() override;

    CNetworkOptions& Values() { return m_values; }
    const CNetworkOptions& Values() const { return m_values; }

private:
    CNetworkOptions m_values;
    LocalCheck m_isLocal;
    ApplyFn m_apply;
};

}   // namespace nmea
