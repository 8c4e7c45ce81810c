#pragma once
// Works a route out into a passage plan: times forward from a departure or
// backward from an arrival, and with tides on each leg dead-reckoned through
// the predicted stream in fixed time steps, the heading corrected (up to four
// passes) until the ground track runs along the leg. Also the best-departure
// search over a series of start times.
//
// Everything runs on the caller's thread; the abort probe is asked once per
// time step, the prompt shows the tidal warnings.

#include "platform/Prompt.h"
#include "routes/PlanServices.h"
#include "routes/PlanTypes.h"

#include <array>
#include <optional>
#include <vector>

namespace routes {

class CPlanCalculator {
public:
    CPlanCalculator(const CPlanSettings& settings, platform::CPrompt& prompt);

    void SetTides(CPlanTides* tides) { m_tides = tides; }
    void SetVariation(CPlanVariation* variation) { m_variation = variation; }
    void SetAbortProbe(CPlanAbortProbe* probe) { m_probe = probe; }
    void SetProgress(CPlanProgress* progress) { m_progress = progress; }
    // The own vessel's deviations for headings 0, 22.5, ... 337.5.
    void SetDeviationCard(const std::array<double, 16>& card) { m_card = card; }

    // The vessel's speed can carry a plan: a number above 0.
    static bool IsUsableSpeed(double knots);

    // Builds one record per waypoint and calculates them from `planUtc` (the
    // departure in mode 0, the arrival in mode 1). Code 0, 1 or 2; the list
    // keeps what was built on any other code.
    int BuildLegs(const std::vector<PlanWaypoint>& route, std::int64_t planUtc, CPlanList& list);
    // Calculates the records again for another start time, in the order
    // BuildLegs uses.
    int Recalculate(CPlanList& list, std::int64_t planUtc);
    // Record `number` (from 1); `running` is the time at its start (mode 0) or
    // end (mode 1) and moves past it.
    int CalculateLeg(CPlanList& list, int number, std::int64_t& running);
    double GetDeviation(double heading) const;

    // Whether tidal warnings are still shown in this calculation.
    void SetTidalMessages(bool on) { m_tidalMessages = on; }
    bool TidalMessages() const { return m_tidalMessages; }

    // The best-departure search: `plans` start times `interval` apart from
    // `baseUtc`. Empty on abort or a date out of range (the code says which).
    struct BestTime {
        std::vector<std::int64_t> starts;
        std::vector<std::int64_t> passages;   // seconds, whole plan
        int bestIndex = 0;
        CPlanList first, best;
    };
    std::optional<BestTime> SearchBestTime(const std::vector<PlanWaypoint>& route,
                                           std::int64_t baseUtc, int& code);

    static std::int64_t PlanPassage(const CPlanList& list);

private:
    int CalculateLegTide(int number, CLegData& record, std::int64_t& passage);
    void LegWithoutTide(int number, int code, CLegData& record);

    const CPlanSettings& m_settings;
    platform::CPrompt& m_prompt;
    CPlanTides* m_tides = nullptr;
    CPlanVariation* m_variation = nullptr;
    CPlanAbortProbe* m_probe = nullptr;
    CPlanProgress* m_progress = nullptr;
    std::array<double, 16> m_card{};
    bool m_tidalMessages = true;
};

// Texts of the calculation's messages.
std::string PlanAbortedText();
std::string PlanDateOutOfRangeText();
std::string BestTimeAbortedText();

}   // namespace routes
