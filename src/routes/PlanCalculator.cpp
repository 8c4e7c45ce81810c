#include "routes/PlanCalculator.h"

#include "geo/NavMaths.h"
#include "navigator/OwnVessel.h"

#include <algorithm>
#include <cmath>

namespace routes {

namespace {

constexpr double kDeg = M_PI / 180.0;

double Range(const geo::CPosition& a, const geo::CPosition& b)
{
    double range = 0, bearing = 0;
    geo::RhumbRangeBearing(a, b, &range, &bearing, true);
    return range;
}

double Bearing(const geo::CPosition& a, const geo::CPosition& b)
{
    double range = 0, bearing = 0;
    geo::RhumbRangeBearing(a, b, &range, &bearing, true);
    return bearing;
}

geo::CPosition Moved(const geo::CPosition& p, double dLat, double dLon, double sign)
{
    return geo::CPosition(p.GetLatitude() + sign * dLat, p.GetLongitude() + sign * dLon);
}

// A course difference folded into (-180, 180].
double FoldError(double degrees)
{
    double r = std::fmod(degrees, 360.0);
    if (r <= -180.0)
        r += 360.0;
    else if (r > 180.0)
        r -= 360.0;
    return r;
}

bool InRange(std::int64_t utc)
{
    return utc >= kPlanEarliest && utc <= kPlanLatest;
}

}   // namespace

std::string PlanAbortedText()
{
    return "Plan calculation aborted by user.";
}

std::string PlanDateOutOfRangeText()
{
    return "Plan calculation aborted because a date was calculated and found to be out-of-range. "
           "\n\nPlease recalculate using a different value.";
}

std::string BestTimeAbortedText()
{
    return "Best time calculation aborted by user";
}

CPlanCalculator::CPlanCalculator(const CPlanSettings& settings, platform::CPrompt& prompt)
    : m_settings(settings), m_prompt(prompt)
{ }

bool CPlanCalculator::IsUsableSpeed(double knots)
{
    return std::isfinite(knots) && knots > 0.0;
}

std::int64_t CPlanCalculator::PlanPassage(const CPlanList& list)
{
    std::int64_t total = 0;
    for (const CLegData& r : list)
        total += r.passageSeconds;
    return total;
}

double CPlanCalculator::GetDeviation(double heading) const
{
    return navigator::DeviationAt(m_card, heading);
}

int CPlanCalculator::BuildLegs(const std::vector<PlanWaypoint>& route, std::int64_t planUtc,
                               CPlanList& list)
{
    list.clear();
    double total = 0;
    for (const PlanWaypoint& w : route) {
        CLegData record;
        if (!list.empty())
            list.back().end = w.position;
        record.start = w.position;
        record.course = w.course;
        record.distance = w.distance;
        record.distanceRun = total;
        total += w.distance;
        list.push_back(std::move(record));
    }
    // Summed from the end: the last waypoint has exactly 0 to go, never the
    // -0.00 that subtracting each leg from the total leaves.
    double remaining = 0;
    for (auto r = list.rbegin(); r != list.rend(); ++r) {
        remaining += r->distance;
        r->distanceToGo = remaining;
    }
    return Recalculate(list, planUtc);
}

int CPlanCalculator::Recalculate(CPlanList& list, std::int64_t planUtc)
{
    if (!IsUsableSpeed(m_settings.vesselSpeed))
        return kPlanAborted;
    std::int64_t running = planUtc;
    const int count = int(list.size());
    for (int i = 1; i <= count; ++i) {
        const int number = m_settings.mode == PlanMode::DepartAt ? i : count - i + 1;
        if (const int code = CalculateLeg(list, number, running); code != kPlanDone)
            return code;
    }
    return kPlanDone;
}

int CPlanCalculator::CalculateLeg(CPlanList& list, int number, std::int64_t& running)
{
    CLegData& r = list[std::size_t(number - 1)];
    r.utc = running;
    r.timeValid = true;
    r.drift = 0;
    r.set = 0;
    r.tidal = false;
    r.track.RemoveAll();
    std::int64_t passage = 0;
    if (r.end.IsValid() && m_settings.tidesOn && m_tides) {
        if (const int code = CalculateLegTide(number, r, passage); code != kPlanDone)
            return code;
    } else {
        r.courseToSteer = r.course;
    }
    r.deviation = m_settings.deviationOn ? GetDeviation(r.course) : 0.0;
    // In mode 1 the record's time is still the time at the leg's end here.
    r.variation =
        m_settings.variationOn && m_variation ? m_variation->Variation(r.utc, r.start) : 0.0;
    r.magneticCourse = geo::NormaliseAngle360(r.courseToSteer - r.variation);
    r.compassCourse = geo::NormaliseAngle360(r.magneticCourse - r.deviation);

    if (!r.end.IsValid())
        passage = 0;
    else if (!r.tidal)
        passage = std::int64_t(r.distance / m_settings.vesselSpeed * 3600.0);
    r.passageSeconds = passage;
    // The running time must stay strictly inside the range: a waypoint time
    // on either limit is out of range too.
    if (m_settings.mode == PlanMode::DepartAt) {
        if (running >= kPlanLatest - passage)
            return kPlanDateOutOfRange;
        running += passage;
    } else {
        if (running <= kPlanEarliest + passage)
            return kPlanDateOutOfRange;
        running -= passage;
        r.utc -= passage;
    }
    return kPlanDone;
}

void CPlanCalculator::LegWithoutTide(int number, int code, CLegData& r)
{
    if (m_tidalMessages) {
        std::string text;
        const std::string leg = "Leg No " + std::to_string(number);
        if (code == -3)
            text =
                leg +
                " Tidal calculation results will be discarded because of proximity of land: set "
                "and drift will be set to zero. It is recommended to view the tidal atlas around "
                "this leg. Tidal vectors that may be inaccurate are colour-coded differently.";
        else if (code == 3 || code == 4)
            text = leg + "  is not (or not entirely) covered by a tidal model.\nSet and drift will "
                         "be set to 0";
        else if (code == 9 || code == 10)
            text =
                "Waypoint, is at a position where there is no tidal data. There will be no local "
                "set and drift calculation for this leg.";
        else
            text = m_tides->ResultText(code);
        text += "\nPress OK if you don't want any more messages for this calculation.";
        if (m_prompt.Ask(text, "Passage plan", platform::PromptIcon::Exclamation,
                         platform::PromptButtons::OkCancel) == platform::PromptAnswer::Ok)
            m_tidalMessages = false;
    }
    // The track keeps the steps made before the stream failed: it shows how
    // far the leg was covered.
    r.courseToSteer = r.course;
    r.drift = 0;
    r.set = 0;
    r.tidal = false;
}

int CPlanCalculator::CalculateLegTide(int number, CLegData& r, std::int64_t& passage)
{
    const double speed = m_settings.vesselSpeed;
    const bool forward = m_settings.mode == PlanMode::DepartAt;
    const double sign = forward ? 1.0 : -1.0;
    const double legHours = r.distance / speed;
    if (m_progress)
        m_progress->ShowLeg(number);
    r.courseToSteer = r.course;
    if (m_probe)
        m_probe->Reset();
    bool caution = false;
    double course = r.courseToSteer;
    geo::CPosition q;
    for (int pass = 0;;) {
        r.track.RemoveAll();
        double remaining = r.distance;
        caution = false;
        const std::int64_t interval = std::max<std::int64_t>(1, m_settings.tidalIntervalSeconds);
        double h = double(interval) / 3600.0;
        int steps = int((legHours + h) / h);
        const double halfStep = h * speed * 0.5;
        q = forward ? r.start : r.end;
        r.track.Append(q);
        std::int64_t stepSpan = std::int64_t(h * 3600.0);
        const std::int64_t halfSpan = std::int64_t(h * 3600.0 * 0.5);
        std::int64_t t = r.utc + (forward ? halfSpan : -halfSpan);
        if (!InRange(t))
            return kPlanDateOutOfRange;
        passage = 0;
        course = r.courseToSteer;
        const double cosC = std::cos(course * kDeg), sinC = std::sin(course * kDeg);
        geo::CPosition p = Moved(q, cosC * halfStep / 60.0,
                                 sinC * halfStep / 60.0 / std::cos(q.GetLatitude() * kDeg), sign);
        for (int j = 0; remaining > 0.01 && steps >= 0; ++j) {
            if (m_progress) {
                m_progress->ShowCourseIteration(pass);
                m_progress->ShowTimeStep(j);
            }
            if (m_probe && m_probe->AbortRequested())
                return kPlanAborted;
            double height = 0, rate = 0, direction = 0;
            const int code = m_tides->PredictAt(p, t, height, rate, direction);
            if (code < -2 || code > 0) {
                LegWithoutTide(number, code, r);
                passage = 0;
                return kPlanDone;
            }
            caution = caution || code < 0;
            const double knots = geo::MetresToNauticalMiles(rate);
            if (steps < 3)
                remaining = forward ? Range(q, r.end) : Range(r.start, q);
            const double cosD = std::cos(direction * kDeg), sinD = std::sin(direction * kDeg);
            auto displacement = [&](double hours, double& dLat, double& dLon) {
                dLat = (cosD * knots + cosC * speed) * hours / 60.0;
                dLon =
                    (sinD * knots + sinC * speed) * hours / 60.0 / std::cos(p.GetLatitude() * kDeg);
            };
            double dLat = 0, dLon = 0;
            displacement(h, dLat, dLon);
            double stepDistance = Range(q, Moved(q, dLat, dLon, sign));
            std::int64_t span = stepSpan;
            if (remaining - stepDistance < 0 && std::fabs(stepDistance) >= 0.000001) {
                const double shorter = h * remaining / stepDistance;
                span = std::int64_t(shorter * 3600.0);
                displacement(shorter, dLat, dLon);
                stepDistance = Range(q, Moved(q, dLat, dLon, sign));
            }
            p = Moved(p, dLat, dLon, sign);
            q = Moved(q, dLat, dLon, sign);
            remaining -= stepDistance;
            r.track.Append(q);
            t += forward ? span : -span;
            if (!InRange(t))
                return kPlanDateOutOfRange;
            passage += span;
            --steps;
        }
        // The ground track's course against the leg's; the heading takes the
        // difference, folded so that 359 against 1 is 2 degrees, not 358.
        const double made = forward ? Bearing(r.start, q) : Bearing(q, r.end);
        const double error = FoldError(r.course - made);
        // Set backwards (a foul stream stronger than the vessel): no heading
        // makes the leg, and turning round would plan a passage the other way.
        if (std::fabs(error) >= 90.0)
            break;
        r.courseToSteer = geo::NormaliseAngle360(r.courseToSteer + error);
        ++pass;
        if (!(std::fabs(error) > 0.1 && pass < 4))
            break;
    }

    // Set and drift: the leg's displacement less the vessel's own motion on
    // the heading of the last pass, laid off from the leg's middle.
    const double lat = 0.5 * (r.start.GetLatitude() + r.end.GetLatitude());
    const double lon = 0.5 * (r.start.GetLongitude() + r.end.GetLongitude());
    const geo::CPosition middle(lat, lon);
    const double hours = double(passage) / 3600.0;
    const double cosC = std::cos(course * kDeg), sinC = std::sin(course * kDeg);
    const geo::CPosition s(lat + (r.end.GetLatitude() - r.start.GetLatitude()) -
                               hours * cosC * speed / 60.0,
                           lon + (r.end.GetLongitude() - r.start.GetLongitude()) -
                               hours * sinC * speed / 60.0 / std::cos(lat * kDeg));
    r.drift = Range(middle, s);
    r.set = r.drift > 0 ? Bearing(middle, s) : 0.0;
    r.tidal = true;

    if (m_tidalMessages && caution)
        m_prompt.Ask(
            "Leg No " + std::to_string(number) +
                " :Tidal calculation results to be used with caution because of proximity "
                "of land: It is recommended to view the tidal atlas around this leg. Tidal "
                "vectors that may be inaccurate are colour-coded differently.",
            "Passage plan", platform::PromptIcon::Exclamation, platform::PromptButtons::Ok);
    return kPlanDone;
}

std::optional<CPlanCalculator::BestTime> CPlanCalculator::SearchBestTime(
    const std::vector<PlanWaypoint>& route, std::int64_t baseUtc, int& code)
{
    const int plans = std::clamp(m_settings.bestTimePlans, 2, 12);
    const std::int64_t step = std::max<std::int64_t>(60, m_settings.bestTimeIntervalSeconds);
    BestTime out;
    CPlanList work;
    std::int64_t bestPassage = 0;
    code = kPlanDone;
    for (int i = 0; i < plans; ++i) {
        m_tidalMessages = i == 0;
        const std::int64_t start = baseUtc + i * step;
        out.starts.push_back(start);
        if (m_progress)
            m_progress->ShowTimeIteration(i + 1);
        code = i == 0 ? BuildLegs(route, start, work) : Recalculate(work, start);
        if (code != kPlanDone)
            return std::nullopt;
        const std::int64_t passage = PlanPassage(work);
        out.passages.push_back(passage);
        if (i == 0) {
            out.first = work;
            out.best = work;
            bestPassage = passage;
        } else if (bestPassage > passage) {
            out.best = work;
            bestPassage = passage;
            out.bestIndex = i;
        }
    }
    return out;
}

}   // namespace routes
