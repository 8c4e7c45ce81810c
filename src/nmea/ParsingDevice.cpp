#include "nmea/ParsingDevice.h"

#include "nmea/NMEAMessageParser.h"

namespace nmea {

CParsingDevice::CParsingDevice(CPortDirectory& ports, const CInstrumentConfig& config,
                               CNMEAMessageParser& parser)
    : CNMEADevice(ports), m_config(config), m_parser(parser)
{ }

CParsingDevice::~CParsingDevice()
{
    CloseAll();
}

bool CParsingDevice::StartReceiveThread()
{
    return RunReceiveWorker([this](std::stop_token stop) {
        std::vector<std::string> lines;
        while (TakeAllReceived(stop, lines))
            for (const std::string& line : lines)
                Parse(line);
    });
}

void CParsingDevice::Parse(std::string_view line)
{
    if (line.empty() || line[0] != '$' || line.size() > kMaxParsedLine || !IsSentenceAccepted(line))
        return;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    m_parser.ParseLine(line);
    ++m_parsed;
}

}   // namespace nmea
