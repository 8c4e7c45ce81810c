#include "charts/ui/LiveChartDisclaimer.h"

#include "engines/vector/Disclaimer.h"

namespace charts {

CLCDisclaimerDlg::CLCDisclaimerDlg(std::function<void()> onDecline, QWidget* parent)
    : app::CDisclaimerDlg(parent), m_onDecline(std::move(onDecline))
{
    setWindowTitle("Livechart Disclaimer");
}

QString CLCDisclaimerDlg::BoxText(const std::string& engineText)
{
    std::string text;
    text.reserve(engineText.size());
    for (const char c : engineText)
        text += (c == '\r' || c == '\n') ? '\n' : c;
    return QString::fromStdString(text);
}

void CLCDisclaimerDlg::FillTexts()
{
    m_editText = BoxText(vengine::DisclaimerText());
    // The text line names the charts' provider.
    m_staticText = "Livechart Limited";
}

void CLCDisclaimerDlg::reject()
{
    auto onDecline = std::move(m_onDecline);
    app::CDisclaimerDlg::reject();
    if (onDecline)
        onDecline();
}

void CLCDisclaimerDlg::Cancel()
{
    m_onDecline = nullptr;
    reject();
}

}   // namespace charts
