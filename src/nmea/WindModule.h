#pragma once
// The wind module: wind sentences (MWV, MWD) from talkers WI and II on one
// receive port, parsed into the module's own value store for the monitor.

#include <memory>

#include "app/Module.h"
#include "nmea/InstrumentConfig.h"
#include "nmea/NMEAMessageParser.h"
#include "nmea/ParsingDevice.h"

namespace nmea {

class CWindDevice final : public CParsingDevice {
public:
    using CParsingDevice::CParsingDevice;
    ~CWindDevice() override { CloseAll(); }
    std::string GetName() const override { return "Wind"; }
    std::uint8_t GetTransmitPort() const override { return 0; }
};

class CWindModule : public app::CModule {
public:
    CWindModule(app::CSettingsHome& settings, CPortDirectory& ports, const platform::CClock& clock);
    ~CWindModule() override;

    bool Initialise() override;
    bool Terminate() override;
    void LoadSettings() override;
    void SaveSettings() override;
    bool ToggleReceive();

    CWindDevice& Device() { return *m_device; }
    CNMEAGPSParser& Parser() { return m_parser; }
    CInstrumentConfig& Config() { return m_config; }
    std::uint8_t GetRefreshTime() const { return m_refreshSeconds; }
    // Seconds a wind value stays valid (1-60; others keep the current time).
    void SetRefreshTime(std::uint8_t seconds);

private:
    CPortDirectory& m_ports;
    CInstrumentConfig m_config;
    CNMEAGPSParser m_parser;
    std::unique_ptr<CWindDevice> m_device;
    std::uint8_t m_refreshSeconds = 5;
};

}   // namespace nmea
