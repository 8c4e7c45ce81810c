#include "nmea/NetworkOptions.h"

#include "app/StringUtils.h"

namespace nmea {

CNetworkOptionsModel::CNetworkOptionsModel(const CNetworkOptions& current, LocalCheck isLocal,
                                           ApplyFn apply)
    : m_values(current), m_isLocal(std::move(isLocal)), m_apply(std::move(apply))
{ }

std::vector<app::CFieldError> CNetworkOptionsModel::Validate() const
{
    std::vector<app::CFieldError> errors;
    if (app::TrimBlanks(m_values.folder).empty())
        errors.push_back({"folder", "Choose the server folder that every station can reach"});
    const std::string address = app::TrimBlanks(m_values.address);
    if (!address.empty()) {
        const std::optional<Ipv4> parsed = ParseIpv4(address);
        if (!parsed)
            errors.push_back({"address", "An IP address is four numbers from 0 to 255 "
                                         "separated by dots, such as 127.0.0.2"});
        else if (*parsed == Ipv4{0, 0, 0, 0})
            errors.push_back({"address", "Leave the IP address empty to have it chosen for you"});
        else if (m_isLocal && !m_isLocal(*parsed))
            errors.push_back({"address", address + " is not an address of this computer"});
    }
    if (auto e = app::CheckRange("port", "TCP ports", m_values.tcpPort, kMinTcpPort, kMaxTcpPort))
        errors.push_back(*e);
    return errors;
}

void CNetworkOptionsModel::Apply()
{
    if (!m_apply)
        return;
    const std::string address = app::TrimBlanks(m_values.address);
    m_apply(app::TrimBlanks(m_values.folder), address.empty() ? std::nullopt : ParseIpv4(address),
            static_cast<std::uint16_t>(m_values.tcpPort));
}

}   // namespace nmea
