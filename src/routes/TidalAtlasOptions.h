#pragma once
// The "Tidal Atlas" page of the options sheet, without its window: a copy
// of the tidal display settings and the model boxes' switch, checked and
// handed to the tidal module on OK; and the steps of its two spin controls.

#include "app/OptionPages.h"
#include "routes/TidalModule.h"

#include <functional>

namespace routes {

struct CTidalAtlasOptions {
    CTidalDisplaySettings display;
    bool limitLines = true;   // the model boxes ("DrawBoxes")
};

class CTidalAtlasOptionsModel final : public app::COptionPageModel {
public:
    using Applier = std::function<void(const CTidalAtlasOptions&)>;
    CTidalAtlasOptionsModel(const CTidalAtlasOptions& values, Applier apply)
        : values(values), m_apply(std::move(apply))
    { }

    std::string Title() const override { return "Tidal Atlas"; }
    std::vector<app::CFieldError> Validate() const override;
    void Apply() override
    {
        if (m_apply)
            m_apply(values);
    }

    CTidalAtlasOptions values;

private:
    Applier m_apply;
};

// The spacing spin: coarser steps for wider spacings; no step up from 500 nm
// or more, none down from 0.2 nm or less.
double SpacingStepUp(double spacing);
double SpacingStepDown(double spacing);
// The arrow length spin (pixels per knot, 5 to 100): steps of 5 downward
// from 25 and upward from 20, else 1.
int VectorLengthStep(int length, bool up);

}   // namespace routes
