#include "routes/TidalAtlasOptions.h"

#include <algorithm>
#include <cmath>

namespace routes {

std::vector<app::CFieldError> CTidalAtlasOptionsModel::Validate() const
{
    std::vector<app::CFieldError> errors;
    if (auto e = app::CheckRange(
            "VectorLength", "Arrow length", (long long)values.display.vectorLength,
            CTidalDisplaySettings::kMinVectorLength, CTidalDisplaySettings::kMaxVectorLength))
        errors.push_back(*e);
    if (!values.display.automaticSpacing)
        if (auto e = app::CheckRange("Spacing", "Spacing", values.display.spacing,
                                     CTidalDisplaySettings::kMinSpacing,
                                     CTidalDisplaySettings::kMaxSpacing))
            errors.push_back(*e);
    if (values.display.startTimeMethod == 2 && !values.display.startTime.IsValid())
        errors.push_back({"StartTime", "The start time is not a valid date and time"});
    return errors;
}

double SpacingStepUp(double s)
{
    if (!(s < 500.0))
        return s;
    const double step = s >= 50.0 ? 10.0 : s >= 20.0 ? 5.0 : s >= 0.999999 ? 1.0 : 0.1;
    return std::round((s + step) * 10.0) / 10.0;
}

double SpacingStepDown(double s)
{
    if (!(s > 0.2))
        return s;
    const double step = s > 50.0 ? 10.0 : s > 20.0 ? 5.0 : s > 1.00001 ? 1.0 : 0.1;
    return std::round((s - step) * 10.0) / 10.0;
}

int VectorLengthStep(int length, bool up)
{
    const int step = (up && length >= 20) || (!up && length >= 25) ? 5 : 1;
    return std::clamp(length + (up ? step : -step), CTidalDisplaySettings::kMinVectorLength,
                      CTidalDisplaySettings::kMaxVectorLength);
}

}   // namespace routes
