#pragma once
// The modeless "Chart Verification" window of one chart: two progress bars
// and two results (index, chart) fed by the check's posted messages, the
// reinstall hint when a check fails, Cancel and OK. Cancel stops the check;
// OK or closing stops and joins it and closes the window. A document that
// closes first closes the window through the closer it was given.

#include <QDialog>

#include <memory>

namespace charts::hcrf {
class CHCRFDoc;
}
namespace app {
class CPostedMessagePump;
}
class QLabel;
class QProgressBar;
class QPushButton;

namespace charts {

class CChartVerificationDlg final : public QDialog {
    Q_OBJECT
public:
    CChartVerificationDlg(charts::hcrf::CHCRFDoc& doc, QWidget* parent);
    ~CChartVerificationDlg() override;

protected:
    void done(int result) override;

private:
    void Finish();

    charts::hcrf::CHCRFDoc* m_doc;
    std::unique_ptr<app::CPostedMessagePump> m_pump;
    QProgressBar* m_indexBar;
    QProgressBar* m_chartBar;
    QLabel* m_indexResult;
    QLabel* m_chartResult;
    QLabel* m_hint;
    QPushButton* m_cancel;
    QPushButton* m_ok;
};

}   // namespace charts
