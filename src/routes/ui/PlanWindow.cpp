#include "routes/ui/PlanWindow.h"

#include "app/DateTimeEx.h"
#include "platform/LocaleFreeNumbers.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace routes {

namespace {

// A time of the plan (a waypoint's, a start of the best-time search) in the
// user's short date with a four-digit year and time without seconds.
QString LocaleText(std::int64_t utc)
{
    app::CDateTimeEx at;
    at = static_cast<std::time_t>(utc);
    return QString::fromStdString(at.FormatDateTime(true, true));
}

QString SpanText(std::int64_t seconds)
{
    return QString::asprintf("%lld:%02lld", static_cast<long long>(seconds / 3600),
                             static_cast<long long>(seconds % 3600 / 60));
}

QString Number(double value, int decimals)
{
    return QString::fromStdString(platform::FormatC("%.*f", decimals, value));
}

}   // namespace

CPlanWindow::CPlanWindow(routes::CPlanModule& plan, QWidget* parent) : QDialog(parent), m_plan(plan)
{
    setWindowTitle("Passage Plan");
    setObjectName("PlanWindow");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);

    auto* card = new QGroupBox("Plan", this);
    auto* cardLayout = new QVBoxLayout(card);
    m_card = new routes::CPlanCard(m_plan, card);
    cardLayout->addWidget(m_card);
    layout->addWidget(card);

    auto* options = new QGroupBox("Calculate with", this);
    auto* row = new QHBoxLayout(options);
    m_variation = new QCheckBox("Variation", this);
    m_deviation = new QCheckBox("Deviation", this);
    m_tides = new QCheckBox("Tidal Stream every", this);
    m_tides->setObjectName("PlanTides");
    m_interval = new QSpinBox(this);
    m_interval->setRange(1, 23 * 60 + 59);
    m_interval->setSuffix(" min");
    m_plans = new QSpinBox(this);
    m_plans->setRange(2, 12);
    m_plans->setPrefix("Best time: ");
    m_plans->setSuffix(" plans");
    m_planInterval = new QSpinBox(this);
    m_planInterval->setRange(1, 3600);
    m_planInterval->setPrefix("every ");
    m_planInterval->setSuffix(" min");
    for (QWidget* w : std::initializer_list<QWidget*>{m_variation, m_deviation, m_tides, m_interval,
                                                      m_plans, m_planInterval})
        row->addWidget(w);
    layout->addWidget(options);

    m_table = new QTableWidget(this);
    m_table->setObjectName("PlanTable");
    m_table->setColumnCount(11);
    m_table->setHorizontalHeaderLabels({"WP", "Time", "Passage", "Dist", "Run", "To go", "Course",
                                        "Set", "Drift", "CTS", "Compass"});
    m_table->verticalHeader()->setVisible(false);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setMinimumSize(760, 220);
    layout->addWidget(m_table);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* close = new QPushButton("Close", this);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(m_tides, &QCheckBox::toggled, m_interval, &QWidget::setEnabled);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    // A switch changed by the user goes into the module at once: a worked
    // plan that no longer matches the switches shown is cleared, so it can
    // be neither shown nor printed as if it did.
    const auto switched = [this] {
        if (m_showing)
            return;
        ReadSwitches();
        if (onSwitchesChanged)
            onSwitchesChanged();
    };
    for (QCheckBox* box : {m_tides, m_variation, m_deviation})
        connect(box, &QCheckBox::toggled, this, switched);
    for (QSpinBox* spin : {m_interval, m_plans, m_planInterval})
        connect(spin, &QSpinBox::valueChanged, this, switched);

    ShowSwitches();
}

void CPlanWindow::ShowSwitches()
{
    const QScopedValueRollback<bool> showing(m_showing, true);
    const auto& s = m_plan.PlanSettings();
    m_tides->setChecked(s.tidesOn);
    m_variation->setChecked(s.variationOn);
    m_deviation->setChecked(s.deviationOn);
    m_interval->setValue(int(s.tidalIntervalSeconds / 60));
    m_interval->setEnabled(s.tidesOn);
    m_plans->setValue(s.bestTimePlans);
    m_planInterval->setValue(int(s.bestTimeIntervalSeconds / 60));
}

void CPlanWindow::SetTidalAvailable(bool available, bool variationLoaded)
{
    if (!available)
        m_tides->setChecked(false);
    m_tides->setEnabled(available);
    if (!variationLoaded)
        m_variation->setChecked(false);
    m_variation->setEnabled(variationLoaded);
}

bool CPlanWindow::IsTidesChecked() const
{
    return m_tides->isChecked();
}

void CPlanWindow::ReadSwitches()
{
    auto& s = m_plan.PlanSettings();
    const bool settingsChanged = s.tidesOn != m_tides->isChecked() ||
                                 s.variationOn != m_variation->isChecked() ||
                                 s.deviationOn != m_deviation->isChecked() ||
                                 s.tidalIntervalSeconds != std::int64_t(m_interval->value()) * 60;
    if (settingsChanged)
        m_plan.ClearPlan();
    s.tidesOn = m_tides->isChecked();
    s.variationOn = m_variation->isChecked();
    s.deviationOn = m_deviation->isChecked();
    s.tidalIntervalSeconds = std::int64_t(m_interval->value()) * 60;
    s.bestTimePlans = m_plans->value();
    s.bestTimeIntervalSeconds = std::int64_t(m_planInterval->value()) * 60;
}

void CPlanWindow::ShowPlan()
{
    const routes::CPlanList& plan = m_plan.Plan();
    m_table->setRowCount(int(plan.size()));
    for (int i = 0; i < int(plan.size()); ++i) {
        const routes::CLegData& r = plan[std::size_t(i)];
        const bool leg = r.end.IsValid();
        const QString cells[] = {
            QString::number(i + 1),
            LocaleText(r.utc),
            leg ? SpanText(r.passageSeconds) : QString(),
            leg ? Number(r.distance, 2) : QString(),
            Number(r.distanceRun, 2),
            Number(r.distanceToGo, 2),
            leg ? Number(r.course, 1) : QString(),
            leg && r.tidal ? Number(r.set, 0) : QString(),
            leg && r.tidal ? Number(r.drift, 2) : QString(),
            leg ? Number(r.courseToSteer, 1) : QString(),
            leg ? Number(r.compassCourse, 1) : QString(),
        };
        for (int c = 0; c < 11; ++c)
            m_table->setItem(i, c, new QTableWidgetItem(cells[c]));
    }
    m_table->resizeColumnsToContents();
    m_card->FollowPlan();
}

// ---- CBestTimeDialog

CBestTimeDialog::CBestTimeDialog(const std::vector<std::int64_t>& starts,
                                 const std::vector<std::int64_t>& passages, bool arrival,
                                 QWidget* parent)
    : QDialog(parent), m_starts(starts), m_passages(passages), m_arrival(arrival)
{
    setWindowTitle("Departure time against Passage time ");
    setObjectName("BestTimeDialog");
    const int n = int(m_passages.size());
    m_worst = m_shortest = n ? m_passages[0] : 0;
    for (int i = 1; i < n; ++i) {
        m_worst = std::max(m_worst, m_passages[std::size_t(i)]);
        if (m_passages[std::size_t(i)] < m_shortest) {   // ties keep the earliest
            m_shortest = m_passages[std::size_t(i)];
            m_best = i;
        }
    }
    setMinimumSize(620, m_top + n * 24 + 130);
    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    auto* row = new QHBoxLayout;
    m_showDifferences = new QCheckBox("&Show differences only", this);
    m_showDifferences->setEnabled(m_worst - m_shortest > 0);
    auto* useBest = new QPushButton("&Use best", this);
    auto* ok = new QPushButton("OK", this);
    row->addWidget(m_showDifferences);
    row->addStretch();
    row->addWidget(useBest);
    row->addWidget(ok);
    layout->addLayout(row);
    connect(m_showDifferences, &QCheckBox::toggled, this, [this](bool on) {
        m_differences = on;
        update();
    });
    connect(useBest, &QPushButton::clicked, this, [this] {
        m_usedBest = true;
        accept();
    });
    connect(ok, &QPushButton::clicked, this, &QDialog::reject);
}

std::vector<int> CBestTimeDialog::BarWidths(int width) const
{
    std::vector<int> out;
    const std::int64_t spread = m_worst - m_shortest;
    for (std::int64_t p : m_passages) {
        // 64-bit products, and no division by a worst passage or spread of 0.
        std::int64_t w = 0;
        if (m_differences && spread > 0)
            w = (p - m_shortest) * width / spread;
        else if (!m_differences && m_worst > 0)
            w = p * width / m_worst;
        out.push_back(int(std::clamp<std::int64_t>(w, 0, width)));
    }
    return out;
}

QRect CBestTimeDialog::PlotRect() const
{
    // Left of the plot stand the start times; the bars run to 10 pixels from the right.
    const QFontMetrics fm(font());
    const int left = fm.horizontalAdvance("00/00/0000 00:00  ") + 4;
    const int n = int(m_passages.size());
    return QRect(QPoint(left, m_top), QPoint(width() - 10, n * 24 + m_top + 2));
}

void CBestTimeDialog::paintEvent(QPaintEvent* e)
{
    QDialog::paintEvent(e);
    QPainter painter(this);
    const QFontMetrics fm(font());
    const QRect plot = PlotRect();
    const int left = plot.left(), right = plot.right(), top = plot.top(), bottom = plot.bottom();
    const int n = int(m_passages.size());
    painter.drawText(2, 2 + fm.ascent(), m_arrival ? "ARRIVAL TIME" : "DEPARTURE TIME");
    painter.setPen(Qt::black);
    painter.drawLine(left, top, right, top);
    painter.drawLine(left, top, left, bottom);
    painter.setPen(Qt::white);
    painter.drawLine(right, top, right, bottom);
    painter.drawLine(left, bottom, right, bottom);
    const auto widths = BarWidths(right - left - 2);
    for (int i = 0; i < n; ++i) {
        const int y = top + 24 * i;
        painter.setPen(Qt::black);
        if (i > 0)
            painter.drawLine(left + 1, y + 1, right - 1, y + 1);
        painter.drawText(2, y + 1 + fm.ascent(), LocaleText(m_starts[std::size_t(i)]));
        const int w = widths[std::size_t(i)];
        painter.fillRect(QRect(QPoint(left + 1, y + 2), QPoint(left + std::max(1, w), y + 23)),
                         Qt::red);
        const std::int64_t p = m_passages[std::size_t(i)];
        const QString label =
            QString::asprintf("%lld Hrs %02lld Mins", static_cast<long long>(p / 3600),
                              static_cast<long long>(p % 3600 / 60));
        const int x = std::max(left + 2, left + w - (fm.horizontalAdvance(label) + 4));
        painter.drawText(x, y + 6 + fm.ascent(), label);
    }
    painter.setPen(Qt::black);
    // The bars' axis: its caption, and an arrow to the right, the way passage time grows.
    painter.drawText((left + right) / 3, bottom + 10 + fm.ascent(), "PASSAGE TIME (hours) ");
    const QPoint tip(right - 25, bottom + 19);
    painter.drawLine(QPoint(right - 50, bottom + 19), tip);
    painter.drawLine(tip, QPoint(right - 35, bottom + 15));
    painter.drawLine(tip, QPoint(right - 35, bottom + 23));
    // The two figures line up 10 pixels right of the wider caption.
    const QString gainedCaption = "Hours gained on worst time";
    const QString percentCaption = "Percentage gained on worst time";
    const int values =
        10 + std::max(fm.horizontalAdvance(gainedCaption), fm.horizontalAdvance(percentCaption));
    const std::int64_t gained = m_worst - m_shortest;
    painter.drawText(2, bottom + 35 + fm.ascent(), gainedCaption);
    painter.drawText(values, bottom + 35 + fm.ascent(),
                     QString::asprintf(": %lld Hrs %02lld Mins",
                                       static_cast<long long>(gained / 3600),
                                       static_cast<long long>(gained % 3600 / 60)));
    const double percent = m_worst > 0 ? double(gained) * 100.0 / double(m_worst) : 0.0;
    painter.drawText(2, bottom + 60 + fm.ascent(), percentCaption);
    painter.drawText(values, bottom + 60 + fm.ascent(), ": " + Number(percent, 1) + "%");
}

}   // namespace routes
