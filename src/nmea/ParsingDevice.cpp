#include "nmea/ParsingDevice.h"

#include "nmea/NMEAMessageParser.h"

namespace nmea {

CParsingDevice::CParsingDevice(CPortDirectory& ports, const CInstrumentConfig& config, CNMEAMessageParser& parser)
    : CNMEADevice(ports), m_config(config), m_parser(parser)
{
}

CParsingDevice::~CParsingDevice() { CloseAll(); }

bool CParsingDevice::StartReceiveThread()
{
    return RunReceiveWorker([this](std::stop_token stop) {
        std::string line;
        while (TakeReceived(stop, line)) {
            if (line.empty() || line[0] != '$' || line.size() > kMaxParsedLine || !IsSentenceAccepted(line))
                continue;
            std::string_view sentence(line);
            while (!sentence.empty() && (sentence.back() == '\n' || sentence.back() == '\r'))
                sentence.remove_suffix(1);
            m_parser.ParseLine(sentence);
            ++m_parsed;
        }
    });
}

}  // namespace nmea
