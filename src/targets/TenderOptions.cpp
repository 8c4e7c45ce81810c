#include "targets/TenderOptions.h"

#include <algorithm>

#include "targets/TenderTracking.h"

namespace targets {

namespace {

constexpr long kMinute = 60;
constexpr long kFourHours = 4 * 3600;

void Add(std::vector<app::CFieldError>& errors, std::optional<app::CFieldError> e)
{
    if (e)
        errors.push_back(std::move(*e));
}

}   // namespace

CTenderOptions TenderOptionsOf(CTenderTracking& tracking, const CTargetPosition& centre)
{
    CTenderOptions o;
    o.settings = tracking.Settings();
    o.properties = tracking.Properties();
    for (int i = 0; i < kTenderChannels; ++i) {
        CTenderSimulationRow& row = o.simulation[std::size_t(i)];
        row.position = centre;
        const CTenderSimulation sim = tracking.Simulator().Channel(i);
        // A simulated channel shows its simulation, tracked or not yet, so
        // applying the page unchanged keeps it running.
        if (sim.simulate) {
            row.position = sim.position;
            row.course = sim.course;
            row.speed = sim.speed;
            row.depth = sim.depth;
            row.simulate = true;
            row.panic = sim.manOverboard;
        }
    }
    return o;
}

bool ApplyTenderOptions(CTenderTracking& tracking, const CTenderOptions& options,
                        std::string* reason)
{
    // The channel table (polling paused meanwhile), port, refresh span and
    // the channel window.
    const bool ok = tracking.ApplySettings(options.settings, reason);
    if (!ok)
        tracking.Settings().receivePort = 0;
    tracking.SetProperties(options.properties);
    for (int i = 0; i < kTenderChannels; ++i) {
        const CTenderSimulationRow& row = options.simulation[std::size_t(i)];
        tracking.SetSimulationValues(i, row.simulate, row.panic, row.useChart, row.position,
                                     row.course, row.speed, row.depth);
    }
    // Once for all channels: a simulation moved from one channel to another
    // goes on in the same thread.
    tracking.StartOrStopSimulation();
    if (options.clearPanic)
        tracking.ClearPanic();
    return ok;
}

CTenderOptionsModel::CTenderOptionsModel(std::function<CTenderOptions()> current,
                                         std::function<std::string(const CTenderOptions&)> apply,
                                         std::function<int()> manOverboardCount)
    : m_current(std::move(current)), m_apply(std::move(apply)),
      m_manOverboardCount(std::move(manOverboardCount)), m_values(m_current())
{ }

std::vector<app::CFieldError> CTenderOptionsModel::Validate() const
{
    std::vector<app::CFieldError> errors;
    const CTenderSettings& s = m_values.settings;
    const chart::CTargetProperties& p = m_values.properties;
    Add(errors,
        app::CheckRange("dangerousInterval", "Tender considered dangerous (seconds)",
                        static_cast<long long>(s.dangerousInterval.count()), kMinute, kFourHours));
    Add(errors, app::CheckRange("radius", "Radius", s.warningCirclesRadius, kTenderCircleLeast,
                                kTenderCircleMost));
    for (int i = 0; i < kTenderChannels; ++i) {
        const CTenderChannel& c = s.channels[std::size_t(i)];
        // Serial numbers are up to four digits. A channel in use without one
        // stands: it never matches a reply.
        if (c.valid && !IsTenderSerialText(c.serial))
            errors.push_back({"transceiver", "Channel " + ChannelLetter(i) + " (" + c.name +
                                                 ") has a serial number of up to 4 digits."});
    }
    Add(errors, app::CheckRange("pathDistance", "Projected path distance", p.projectedPathDistance,
                                0.1, 1000.0));
    Add(errors,
        app::CheckRange("markerEvery", "Position marker every (seconds)",
                        static_cast<long long>(p.loggingPeriod.GetTotalSeconds()), 1, kFourHours));
    Add(errors, app::CheckRange("limitSpan", "Limit to previous (seconds)",
                                static_cast<long long>(p.trackTimeLimit.GetTotalSeconds()), kMinute,
                                kFourHours));
    Add(errors, app::CheckRange("validTime", "Valid Sentence Time",
                                static_cast<long long>(s.refreshSeconds), 1, 60));
    Add(errors, app::CheckRange("channelDuration", "Channel Duration",
                                static_cast<long long>(s.channelDuration.count()), 1, 30));
    for (int i = 0; i < kTenderChannels; ++i) {
        const CTenderSimulationRow& row = m_values.simulation[std::size_t(i)];
        if (!row.simulate || !s.channels[std::size_t(i)].valid)
            continue;
        Add(errors, app::CheckRange("cog", "COG", row.course, 0.0, 360.0));
        Add(errors, app::CheckRange("sog", "SOG", row.speed, 0.0, 9999.0));
        Add(errors, app::CheckRange("depth", "Depth", row.depth, 0.0, 999.0));
    }
    return errors;
}

void CTenderOptionsModel::Apply()
{
    m_failure = m_apply(m_values);
    // The request to clear lives until this apply only; the rest is read
    // back, so a port that would not open shows as "Off".
    m_values = m_current();
}

bool CTenderOptionsModel::PropertiesDiffer() const
{
    chart::CTargetProperties defaults;
    defaults.SetDefaults();
    return m_values.properties != defaults;
}

void CTenderOptionsModel::DefaultProperties()
{
    m_values.properties.SetDefaults();
}

bool CTenderOptionsModel::ClearPanicEnabled() const
{
    return !m_values.clearPanic && m_manOverboardCount && m_manOverboardCount() > 0;
}

}   // namespace targets
