#pragma once
// Test doubles of a plan calculation's services: tidal streams given as a
// function of place and time, and an Escape that comes after a number of
// time steps.

#include "routes/PlanServices.h"

#include <functional>
#include <string>

namespace brine_test {

// A stream given as a function of place and time (knots, degrees towards).
class FakeTides final : public routes::CPlanTides {
public:
    std::function<int(const geo::CPosition&, std::int64_t, double&, double&)> stream =
        [](const geo::CPosition&, std::int64_t, double& knots, double& towards) {
            knots = 0;
            towards = 0;
            return 0;
        };
    int calls = 0;
    bool IsAvailable() const override { return true; }
    int PredictAt(const geo::CPosition& where, std::int64_t utc, double& height, double& rate,
                  double& direction) override
    {
        ++calls;
        double knots = 0, towards = 0;
        const int code = stream(where, utc, knots, towards);
        if (code >= -2 && code <= 0) {
            height = 0.5;
            rate = knots * 1852.0;
            direction = towards;
        }
        return code;
    }
    std::string ResultText(int code) const override { return "code " + std::to_string(code); }
};

class StopAfter final : public routes::CPlanAbortProbe {
public:
    explicit StopAfter(int steps) : m_left(steps) { }
    void Reset() override { }
    bool AbortRequested() override { return --m_left < 0; }

private:
    int m_left;
};

}   // namespace brine_test
