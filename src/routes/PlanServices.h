#pragma once
// What a plan calculation asks of the rest of the program, so that it runs on
// fakes in the tests: the tidal streams, the magnetic variation, the user's
// abort (Escape), the best-time progress window.

#include "geo/Position.h"

#include <cstdint>
#include <string>

namespace routes {

class CPlanTides {
public:
    virtual ~CPlanTides() = default;
    // Whether tidal data is available at all.
    virtual bool IsAvailable() const = 0;
    // The stream at a place and UTC time: picks the model that covers the
    // place (code 3 when none does), then predicts. Codes as the tidal-model
    // library's; on -2..0 rate in metres per hour, direction in degrees true,
    // height in metres.
    virtual int PredictAt(const geo::CPosition& where, std::int64_t utc, double& height,
                          double& rate, double& direction) = 0;
    virtual std::string ResultText(int code) const = 0;
};

class CPlanVariation {
public:
    virtual ~CPlanVariation() = default;
    virtual bool IsLoaded() const = 0;
    // Degrees east positive at a place and UTC time.
    virtual double Variation(std::int64_t utc, const geo::CPosition& where) = 0;
};

// Asked once per time step of a tidal leg. Reset clears a press made before
// the leg began.
class CPlanAbortProbe {
public:
    virtual ~CPlanAbortProbe() = default;
    virtual void Reset() = 0;
    virtual bool AbortRequested() = 0;
};

class CPlanProgress {
public:
    virtual ~CPlanProgress() = default;
    virtual void ShowTimeIteration(int number) = 0;
    virtual void ShowLeg(int number) = 0;
    virtual void ShowCourseIteration(int number) = 0;
    virtual void ShowTimeStep(int number) = 0;
};

}   // namespace routes
