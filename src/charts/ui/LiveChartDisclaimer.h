#pragma once
// The vector charts' disclaimer: the engine's text, the provider's line, and
// "I agree" / "I do not agree". Declining runs the given action (closing every
// vector chart); a cancel because the last vector chart closed does not.

#include <functional>

#include "app/ui/Disclaimers.h"

namespace charts {

class CLCDisclaimerDlg final : public app::CDisclaimerDlg {
    Q_OBJECT
public:
    explicit CLCDisclaimerDlg(std::function<void()> onDecline, QWidget* parent = nullptr);
    void reject() override;
    // Declines without the decline action: the charts it would close are gone.
    void Cancel();

    // The engine's text for a text box: each carriage return and each line
    // feed a line break of its own.
    static QString BoxText(const std::string& engineText);

protected:
    void FillTexts() override;

private:
    std::function<void()> m_onDecline;
};

}   // namespace charts
