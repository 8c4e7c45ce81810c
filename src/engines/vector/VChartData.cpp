#include "engines/vector/VChartData.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/LocaleFreeNumbers.h"

namespace vengine {

const std::string* VFeature::Attribute(std::string_view name) const
{
    for (const auto& [key, value] : attributes)
        if (key == name)
            return &value;
    return nullptr;
}

std::uint32_t VFeature::ScaleMinimum() const
{
    const std::string* text = Attribute("SCAMIN");
    const auto value = text ? platform::ParseDouble(*text) : std::nullopt;
    if (!value || !(*value >= 1.0))
        return 0;
    return *value >= double(std::numeric_limits<std::uint32_t>::max())
               ? std::numeric_limits<std::uint32_t>::max()
               : std::uint32_t(*value);
}

void VFeature::ComputeBounds()
{
    bool any = false;
    VBounds b;
    for (const auto& part : parts)
        for (const auto& p : part.points) {
            if (!any) {
                b = {p.lon, p.lat, p.lon, p.lat};
                any = true;
                continue;
            }
            b.west = std::min(b.west, p.lon);
            b.east = std::max(b.east, p.lon);
            b.south = std::min(b.south, p.lat);
            b.north = std::max(b.north, p.lat);
        }
    bounds = b;
}

std::int32_t DegreesToUnits(double degrees)
{
    if (!std::isfinite(degrees))
        return 0;
    double units = degrees * 1e7;
    units += units < 0 ? -1e-4 : 1e-4;
    units = std::trunc(units);
    units = std::clamp(units, double(std::numeric_limits<std::int32_t>::min()),
                       double(std::numeric_limits<std::int32_t>::max()));
    return std::int32_t(units);
}

}   // namespace vengine
