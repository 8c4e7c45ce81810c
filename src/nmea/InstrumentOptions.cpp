#include "nmea/InstrumentOptions.h"

#include <algorithm>
#include <cmath>

#include "app/StringUtils.h"

namespace nmea {

namespace {
constexpr double kMinRate = 0.1;
constexpr double kMaxRate = 10.0;

double RoundTenth(double v)
{
    return std::round(v * 10.0) / 10.0;
}
}   // namespace

double StepAutopilotRate(double seconds, bool up)
{
    if (!std::isfinite(seconds))
        return 1.0;
    double next = seconds;
    if (up && seconds < kMaxRate)
        next = seconds + (seconds >= 1.0 ? 1.0 : 0.1);
    else if (!up && seconds > kMinRate)
        next = seconds - (seconds <= 1.0 ? 0.1 : 1.0);
    return std::clamp(RoundTenth(next), kMinRate, kMaxRate);
}

CAutopilotOptionsModel::CAutopilotOptionsModel(const CAutopilotOptions& current, bool switchEnabled,
                                               ApplyFn apply)
    : m_values(current), m_switchEnabled(switchEnabled), m_apply(std::move(apply))
{ }

double CAutopilotOptionsModel::Rate() const
{
    bool bad = false;
    const double v = app::StringToDoubleChecked(app::TrimBlanks(m_values.rateText), bad);
    return bad ? std::nan("") : v;
}

void CAutopilotOptionsModel::Spin(bool up)
{
    double v = Rate();
    v = StepAutopilotRate(std::isfinite(v) ? std::clamp(v, kMinRate, kMaxRate) : 1.0, up);
    m_values.rateText = app::FormatDouble(v, 1, 0);
}

std::vector<app::CFieldError> CAutopilotOptionsModel::Validate() const
{
    // Zero or a typo would flood the port with sentences: refused, not clamped.
    if (auto e =
            app::CheckRange("rate", "Transmit intervals (seconds)", Rate(), kMinRate, kMaxRate))
        return {*e};
    return {};
}

void CAutopilotOptionsModel::Apply()
{
    if (m_apply)
        m_apply(m_values.transmitPort, m_values.transmit, Rate());
}

CGPSOptionsModel::CGPSOptionsModel(const CGPSOptions& current, ApplyFn apply)
    : m_values(current), m_applied(current), m_apply(std::move(apply))
{ }

std::vector<app::CFieldError> CGPSOptionsModel::Validate() const
{
    std::vector<app::CFieldError> errors;
    if (auto e = app::CheckRange("drDelay", "Dead reckoning delays (seconds)",
                                 static_cast<long long>(m_values.drDelaySeconds), 1, 240))
        errors.push_back(*e);
    if (auto e = app::CheckRange("validTime", "Valid sentence times (seconds)",
                                 static_cast<long long>(m_values.validSentenceSeconds), 1, 60))
        errors.push_back(*e);
    return errors;
}

void CGPSOptionsModel::Apply()
{
    if (m_apply)
        m_apply(m_values, m_applied);
    m_applied = m_values;
}

}   // namespace nmea
