#pragma once
// A device that parses what its receive port brings into its module's value
// store: the GPS and wind devices. Its worker takes the oldest line first and
// parses it only when it starts with '$', is shorter than 83 characters and
// the module's talker and sentence filters accept it.

#include <string>

#include "nmea/InstrumentConfig.h"
#include "nmea/NMEADevice.h"

namespace nmea {

class CNMEAMessageParser;

class CParsingDevice : public CNMEADevice {
public:
    static constexpr std::size_t kMaxParsedLine = 82;

    CParsingDevice(CPortDirectory& ports, const CInstrumentConfig& config,
                   CNMEAMessageParser& parser);
    ~CParsingDevice() override;

    std::uint8_t GetReceivePort() const override { return m_config.receivePort; }
    std::uint8_t GetTransmitPort() const override { return m_config.transmitPort; }
    bool TalkerFilter(std::string_view line) const override { return m_config.AcceptTalker(line); }
    bool SentenceFilter(std::string_view line) const override
    {
        return m_config.IsSentenceEnabled(line);
    }

    // Lines parsed since the receive side opened; for tests and the monitor.
    std::uint64_t ParsedLines() const { return m_parsed; }

protected:
    bool StartReceiveThread() override;
    const CInstrumentConfig& Config() const { return m_config; }

private:
    void Parse(std::string_view line);

    const CInstrumentConfig& m_config;
    CNMEAMessageParser& m_parser;
    std::atomic<std::uint64_t> m_parsed{0};
};

}   // namespace nmea
