#pragma once
// The GPS module: the navigator's position instrument. It owns the GPS device
// and the parser whose 155 values the navigator reads, the sentences it
// accepts, the ports, and the settings the navigator uses for logging and
// dead reckoning.

#include <atomic>
#include <functional>
#include <memory>

#include "app/DateTimeSpanEx.h"
#include "app/Module.h"
#include "app/MsgBar.h"
#include "nmea/GPSDevice.h"
#include "nmea/InstrumentConfig.h"
#include "nmea/NMEAMessageParser.h"

namespace nmea {

// The sentences a module registers, as ids and descriptions, all enabled.
SentenceList GpsSentences();

class CGPSModule : public app::CModule {
public:
    static constexpr std::uint8_t kDefaultRefreshSeconds = 5;

    // `bar` may be null (tools, tests without a bar). `decimalPlaces` gives
    // the "DecimalPlaces" setting.
    CGPSModule(app::CSettingsHome& settings, CPortDirectory& ports, const platform::CClock& clock,
               app::CMsgBar* bar, std::function<int()> decimalPlaces);
    ~CGPSModule() override;

    bool Initialise() override;
    bool Terminate() override;
    void LoadSettings() override;
    void SaveSettings() override;

    // Opens the receive side when it is closed, else closes it; closing
    // shows the GPS warning for 20 seconds and tells the navigator.
    bool ToggleReceive();
    bool ToggleTransmit();
    // Called after NMEA input was switched off (chart views, monitor panel).
    void SetInputStoppedHandler(std::function<void()> handler)
    {
        m_inputStopped = std::move(handler);
    }
    // Raises (true) and lowers (false) the navigator's hold flag around each
    // toggle, so its timer pass does not use the device in between.
    void SetHoldHandler(std::function<void(bool)> handler) { m_hold = std::move(handler); }

    CGPSDevice& Device() { return *m_device; }
    CNMEAGPSParser& Parser() { return m_parser; }
    CInstrumentConfig& Config() { return m_config; }

    std::uint8_t GetRefreshTime() const { return m_refreshSeconds; }
    const app::CDateTimeSpanEx& GetLoggingPeriod() const { return m_loggingPeriod; }
    const app::CDateTimeSpanEx& GetDRDelay() const { return m_drDelay; }
    void SetLoggingPeriod(const app::CDateTimeSpanEx& span) { m_loggingPeriod = span; }
    void SetDRDelay(const app::CDateTimeSpanEx& span) { m_drDelay = span; }
    void SetRefreshTime(std::uint8_t seconds);

    // The answers of the GPS configuration dialog.
    std::atomic<bool> datumConfirmed{false};
    std::atomic<bool> timeConfirmed{false};

private:
    // Runs a toggle with the hold flag raised.
    bool Held(const std::function<bool()>& toggle);
    bool SwitchReceive();
    bool SwitchTransmit();

    CPortDirectory& m_ports;
    app::CMsgBar* m_bar;
    CInstrumentConfig m_config;
    CNMEAGPSParser m_parser;
    std::unique_ptr<CGPSDevice> m_device;   // after the parser: its worker parses into it
    std::uint8_t m_refreshSeconds = kDefaultRefreshSeconds;
    app::CDateTimeSpanEx m_loggingPeriod{60};   // "Log position every": 1 minute
    app::CDateTimeSpanEx m_drDelay{60};
    app::MsgHandle m_warning = nullptr;
    std::function<void()> m_inputStopped;
    std::function<void(bool)> m_hold;
};

}   // namespace nmea
