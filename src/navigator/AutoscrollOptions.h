#pragma once
// The "Autoscroll" page of the navigator's options: how far from the window's
// centre the vessel may go before the chart scrolls (a slider of 0-20 steps of
// 5 %), the best-chart selection switch (the charting module's), and when the
// selection is checked and resumed after the user switched it off.

#include <functional>
#include <string>
#include <vector>

#include "app/OptionPages.h"

namespace navigator {

inline constexpr int kAutoscrollSliderMax = 20;
inline constexpr long kCheckSecondsMin = 1;
inline constexpr long kResumeSecondsMin = 30;
inline constexpr long kSpanSecondsMax = 23 * 3600 + 59 * 60 + 59;

// The slider position of a stored percentage (33 % opens at 6).
int AutoscrollSliderFromPercentage(int percentage);

struct CAutoscrollOptions {
    int sliderPosition = 4;
    bool select = false;
    bool resume = false;
    long checkSeconds = 10;
    long resumeSeconds = 300;
    bool operator==(const CAutoscrollOptions&) const = default;
};

class CAutoscrollOptionsModel : public app::COptionPageModel {
public:
    // percentage 0-100, select, resume, check and resume spans in seconds.
    using ApplyFn = std::function<void(int, bool, bool, long, long)>;
    CAutoscrollOptionsModel(const CAutoscrollOptions& current, ApplyFn apply);

    std::string Title() const override { return "Autoscroll"; }
    std::vector<app::CFieldError> Validate() const override;
    void Apply() override;

    CAutoscrollOptions& Values() { return m_values; }
    int Percentage() const { return m_values.sliderPosition * 5; }
    // "Check every" follows "Select"; the resume time follows "Resume after".
    bool CheckEnabled() const { return m_values.select; }
    bool ResumeEnabled() const { return m_values.resume; }
    // The charting module's switch as it is now: when it was changed
    // elsewhere since the page last looked, the page takes it.
    bool FollowSelect(bool moduleSelect);

private:
    CAutoscrollOptions m_values;
    bool m_lastSelect;
    ApplyFn m_apply;
};

}   // namespace navigator
