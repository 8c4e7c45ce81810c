#include "navigator/VesselOptions.h"

#include <cmath>

#include "app/StringUtils.h"
#include "navigator/VesselModule.h"
#include "platform/LocaleFreeNumbers.h"

namespace navigator {

namespace {

std::string OneDecimal(double value)
{
    return app::FormatDouble(value, 1, 0);
}

}   // namespace

std::string FormatDeviationEntry(double degrees)
{
    if (!std::isfinite(degrees))
        degrees = 0.0;
    return OneDecimal(std::fabs(degrees)) + (degrees < 0.0 ? "W" : "E");
}

// ---- General ------------------------------------------------------------------------------

CVesselGeneralModel::CVesselGeneralModel(const COwnVessel& vessel, const std::string& folder,
                                         ApplyFn apply)
    : name(vessel.name.substr(0, kVesselNameLength)), length(OneDecimal(vessel.length)),
      draft(OneDecimal(vessel.draft)), beam(OneDecimal(vessel.beam)),
      speed(OneDecimal(vessel.speed)), folder(folder), m_apply(std::move(apply))
{ }

std::vector<app::CFieldError> CVesselGeneralModel::Validate() const
{
    std::vector<app::CFieldError> errors;
    if (name.size() > kVesselNameLength)
        errors.push_back({"name", "The name holds at most 25 characters."});
    const std::pair<const char*, const std::string*> numbers[] = {
        {"length", &length}, {"draft", &draft}, {"beam", &beam}, {"speed", &speed}};
    for (const auto& [field, text] : numbers) {
        const auto value = platform::ParseDouble(*text);
        if (!value || *value < 0.0)
            errors.push_back({field, "Please enter a number of 0 or more."});
    }
    if (app::TrimBlanks(folder).empty())
        errors.push_back({"folder", "Please choose the folder of the vessel files."});
    return errors;
}

void CVesselGeneralModel::Apply()
{
    COwnVessel v;
    v.name = name;
    v.length = platform::ParseDouble(length).value_or(1.0);
    v.draft = platform::ParseDouble(draft).value_or(1.0);
    v.beam = platform::ParseDouble(beam).value_or(1.0);
    v.speed = platform::ParseDouble(speed).value_or(1.0);
    if (m_apply)
        m_apply(v, app::TrimBlanks(folder));
}

// ---- Deviation ----------------------------------------------------------------------------

CDeviationModel::CDeviationModel(const std::array<double, kDeviationPoints>& card, ApplyFn apply)
    : m_apply(std::move(apply))
{
    for (std::size_t i = 0; i < entries.size(); ++i)
        entries[i] = FormatDeviationEntry(card[i]);
}

std::vector<app::CFieldError> CDeviationModel::Validate() const
{
    const CDeviationParse parsed = ParseDeviationEntries(entries);
    if (parsed.badEntry < 0)
        return {};
    return {{"deviation" + std::to_string(parsed.badEntry), parsed.message, true}};
}

void CDeviationModel::Apply()
{
    const CDeviationParse parsed = ParseDeviationEntries(entries);
    if (parsed.badEntry < 0 && m_apply)
        m_apply(parsed.degrees);
}

// ---- Overlays -----------------------------------------------------------------------------

CVesselOverlayModel::CVesselOverlayModel(const chart::COwnVesselStyle& style, bool circles,
                                         double radius, ApplyFn apply)
    : style(style), circles(circles), radiusText(app::FormatDouble(radius, 2, 0)),
      m_apply(std::move(apply))
{ }

std::vector<app::CFieldError> CVesselOverlayModel::Validate() const
{
    // The radius is stored with the circle off too: a radius out of range is
    // refused either way, never cut to the range.
    const auto radius = platform::ParseDouble(radiusText);
    if (!radius)
        return {{"radius", "Please enter a number."}};
    if (auto e =
            app::CheckRange("radius", "Radius", *radius, kVesselCircleLeast, kVesselCircleMost))
        return {*e};
    return {};
}

void CVesselOverlayModel::Apply()
{
    const double radius = platform::ParseDouble(radiusText).value_or(kVesselCircleFallback);
    if (m_apply)
        m_apply(style, circles, radius);
}

void CVesselOverlayModel::SpinRadius(bool up)
{
    const double now = platform::ParseDouble(radiusText).value_or(kVesselCircleFallback);
    radiusText = app::FormatDouble(StepVesselCircleRadius(now, up), 2, 0);
}

}   // namespace navigator
