#include "charts/ui/CustomChartDlg.h"

#include "charts/hcrf/HCRFModule.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace charts {

using charts::hcrf::CCustomChartList;

namespace {

// The wait cursor while the list is read or the charts are moved.
struct CWaitCursor {
    CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
};

// A location button shows the disk or the medium.
void ShowPlace(QToolButton* button, bool onDisk)
{
    const QStyle* style = button->style();
    button->setIcon(style->standardIcon(onDisk ? QStyle::SP_DriveHDIcon : QStyle::SP_DriveCDIcon));
    button->setToolTip(onDisk ? "On the disk" : "On the chart medium");
    button->setProperty("onDisk", onDisk);
}

}   // namespace

CARCSCustomDlg::CARCSCustomDlg(charts::hcrf::CHCRFModule& service, QWidget* parent)
    : QDialog(parent), m_service(service)
{
    CWaitCursor wait;
    setObjectName("CustomChartManagement");
    setWindowTitle("Custom Chart Management");
    auto* grid = new QGridLayout;
    const char* headings[] = {"Chart", "Description", "Date", "ID", "Updates from"};
    for (int c = 0; c < 5; ++c)
        grid->addWidget(new QLabel(headings[c]), 0, c);
    grid->addWidget(new QLabel("Chart data"), 0, 5);
    grid->addWidget(new QLabel("Update data"), 0, 6);
    for (int r = 0; r < CCustomChartList::kRows; ++r) {
        CRowWidgets& row = m_rows[std::size_t(r)];
        for (int c = 0; c < 5; ++c) {
            auto* field = new QLineEdit;
            field->setReadOnly(true);
            field->installEventFilter(this);
            row.fields[std::size_t(c)] = field;
            grid->addWidget(field, r + 1, c);
        }
        row.chart = new QToolButton;
        row.updates = new QToolButton;
        row.chart->setObjectName(QString("Chart%1").arg(r));
        row.updates->setObjectName(QString("Updates%1").arg(r));
        ShowPlace(row.chart, true);
        ShowPlace(row.updates, false);
        grid->addWidget(row.chart, r + 1, 5, Qt::AlignCenter);
        grid->addWidget(row.updates, r + 1, 6, Qt::AlignCenter);
        connect(row.chart, &QToolButton::clicked, this, [this, r] {
            m_list.FlipChart(r);
            FillRows();
            ShowDetails(m_list.Row(r).entry);
        });
        connect(row.updates, &QToolButton::clicked, this, [this, r] {
            m_list.FlipUpdates(r);
            FillRows();
            ShowDetails(m_list.Row(r).entry);
        });
    }
    grid->setColumnStretch(1, 1);
    m_scroll = new QScrollBar(Qt::Vertical);
    m_scroll->setObjectName("Scroll");
    m_scroll->setSingleStep(1);
    m_scroll->setPageStep(CCustomChartList::kRows);
    auto* rows = new QHBoxLayout;
    rows->addLayout(grid, 1);
    rows->addWidget(m_scroll);

    auto* all = new QHBoxLayout;
    struct SetAll {
        const char* text;
        std::uint8_t bit;
        bool onDisk;
    };
    for (const SetAll& s :
         {SetAll{"&Charts on Disk", CCustomChartList::kChartOnDisk, true},
          SetAll{"C&harts on Medium", CCustomChartList::kChartOnDisk, false},
          SetAll{"U&pdates on Disk", CCustomChartList::kUpdatesOnDisk, true},
          SetAll{"Updat&es on Medium", CCustomChartList::kUpdatesOnDisk, false}}) {
        auto* button = new QPushButton(s.text);
        button->setAutoDefault(false);
        all->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this, s] {
            m_list.SetAll(s.bit, s.onDisk);
            FillRows();
        });
    }
    auto* detailsBox = new QGroupBox("Additional Details");
    auto* detailsLayout = new QVBoxLayout(detailsBox);
    m_details = new QLabel;
    m_details->setObjectName("Details");
    detailsLayout->addWidget(m_details);
    auto* apply = new QPushButton("&Apply");
    auto* done = new QPushButton("&Done");
    apply->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(apply);
    buttons->addWidget(done);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(rows);
    layout->addLayout(all);
    layout->addWidget(detailsBox);
    layout->addLayout(buttons);
    resize(860, 420);

    connect(m_scroll, &QScrollBar::valueChanged, this, [this](int value) {
        m_list.SetScroll(value);
        FillRows();
        ShowDetails(std::nullopt);
    });
    connect(apply, &QPushButton::clicked, this, &CARCSCustomDlg::Apply);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);

    m_list.Build(m_service);
    m_scroll->setRange(0, std::max(0, int(m_list.Count()) - 1));
    m_scroll->setValue(0);
    FillRows();
    ShowDetails(std::nullopt);
    // The dialog opens on the first row's chart button, not on a row's field:
    // a field taking the keyboard would show its chart where the details
    // box still says "No selection".
    if (m_rows[0].chart->isEnabled())
        m_rows[0].chart->setFocus();
    else
        done->setFocus();
}

void CARCSCustomDlg::FillRows()
{
    for (int r = 0; r < CCustomChartList::kRows; ++r) {
        const CCustomChartList::CRow row = m_list.Row(r);
        CRowWidgets& w = m_rows[std::size_t(r)];
        const std::string* texts[] = {&row.number, &row.description, &row.date, &row.id,
                                      &row.updateMedium};
        for (std::size_t c = 0; c < 5; ++c) {
            w.fields[c]->setText(QString::fromStdString(*texts[c]));
            w.fields[c]->setCursorPosition(0);   // the start of a long description
        }
        w.chart->setEnabled(row.entry.has_value());
        w.updates->setEnabled(row.entry.has_value());
        ShowPlace(w.chart, row.entry ? row.chartOnDisk : true);
        ShowPlace(w.updates, row.entry ? row.updatesOnDisk : false);
    }
}

void CARCSCustomDlg::ShowDetails(std::optional<std::size_t> entry)
{
    m_details->setText("\n" + QString::fromStdString(m_list.Details(entry)));
}

bool CARCSCustomDlg::eventFilter(QObject* watched, QEvent* event)
{
    // A row's fields only show the chart: focus moves on to its chart button.
    if (event->type() == QEvent::FocusIn && !m_applying) {
        for (int r = 0; r < CCustomChartList::kRows; ++r) {
            const CRowWidgets& w = m_rows[std::size_t(r)];
            if (std::find(w.fields.begin(), w.fields.end(), watched) == w.fields.end())
                continue;
            ShowDetails(m_list.Row(r).entry);
            if (w.chart->isEnabled())
                w.chart->setFocus();
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CARCSCustomDlg::Apply()
{
    // Under the wait cursor, as the service's own Express runs; the service
    // may ask for a medium and shows its own progress while it copies. The
    // dialog is disabled meanwhile, which
    // takes the keyboard from it; it goes back where it was afterwards. Left
    // without a focus, the dialog would hand it to the first row's field when
    // it is active again (after a medium prompt), and that field to the row's
    // chart button: a chart the user never chose, named in the details box
    // and moved by the next Space.
    CWaitCursor wait;
    QWidget* focus = focusWidget();
    m_applying = true;
    setEnabled(false);
    m_list.Apply(m_service);
    setEnabled(true);
    m_scroll->setRange(0, std::max(0, int(m_list.Count()) - 1));
    m_scroll->setValue(m_list.ScrollPosition());
    FillRows();
    m_applying = false;
    if (focus && focus->isEnabled())
        focus->setFocus(Qt::OtherFocusReason);
}

}   // namespace charts
