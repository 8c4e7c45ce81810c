#include "charts/ui/VerificationDialog.h"

#include "app/ui/PostedMessagePump.h"
#include "charts/hcrf/HCRFDoc.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace charts {

using charts::hcrf::CChartVerifier;

CChartVerificationDlg::CChartVerificationDlg(charts::hcrf::CHCRFDoc& doc, QWidget* parent)
    : QDialog(parent), m_doc(&doc)
{
    setObjectName("ChartVerification");
    setWindowTitle("Chart Verification");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* grid = new QGridLayout;
    m_indexBar = new QProgressBar;
    m_chartBar = new QProgressBar;
    m_indexResult = new QLabel;
    m_chartResult = new QLabel;
    m_indexResult->setObjectName("IndexResult");
    m_chartResult->setObjectName("ChartResult");
    grid->addWidget(new QLabel("Index"), 0, 0);
    grid->addWidget(m_indexBar, 0, 1);
    grid->addWidget(m_indexResult, 0, 2);
    grid->addWidget(new QLabel("Chart"), 1, 0);
    grid->addWidget(m_chartBar, 1, 1);
    grid->addWidget(m_chartResult, 1, 2);
    m_hint = new QLabel("Reinstall from original media");
    m_hint->setObjectName("ReinstallHint");
    m_hint->hide();
    m_cancel = new QPushButton("&Cancel");
    m_ok = new QPushButton("&OK");
    m_ok->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(m_hint);
    layout->addLayout(buttons);
    setMinimumWidth(380);
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        if (m_doc)
            m_doc->Verifier().Stop();
        m_cancel->setEnabled(false);
        m_ok->setEnabled(true);
        m_ok->setFocus();
    });
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    m_doc->SetVerificationCloser([this] {
        m_doc = nullptr;
        m_pump.reset();
        close();
    });
    m_pump = std::make_unique<app::CPostedMessagePump>(
        doc.Verifier().Queue(),
        [this](const app::CPostedMessage& m) {
            auto result = [this](QLabel* label, bool passed) {
                label->setText(passed ? "Passed" : "Failed");
                if (!passed)
                    m_hint->show();
            };
            switch (m.id) {
            case CChartVerifier::kIndexProgress: m_indexBar->setValue(int(m.wParam)); break;
            case CChartVerifier::kChartProgress: m_chartBar->setValue(int(m.wParam)); break;
            case CChartVerifier::kIndexResult: result(m_indexResult, m.wParam != 0); break;
            case CChartVerifier::kChartResult: result(m_chartResult, m.wParam != 0); break;
            case CChartVerifier::kFinished: Finish(); break;
            default: break;
            }
        },
        this);
}

CChartVerificationDlg::~CChartVerificationDlg()
{
    m_pump.reset();
    if (m_doc)
        m_doc->EndVerification();
}

void CChartVerificationDlg::Finish()
{
    // The outcome goes to the log as well, for scripted checks.
    qInfo("Chart verification of %s: index %s, chart %s",
          m_doc ? m_doc->GetChartNumber().c_str() : "?", qPrintable(m_indexResult->text()),
          qPrintable(m_chartResult->text()));
    m_cancel->setEnabled(false);
    m_ok->setEnabled(true);
    m_ok->setFocus();
}

void CChartVerificationDlg::done(int result)
{
    // OK and closing stop the check and join it before the window goes.
    m_pump.reset();
    if (m_doc) {
        m_doc->EndVerification();
        m_doc = nullptr;
    }
    QDialog::done(result);
    close();
}

}   // namespace charts
