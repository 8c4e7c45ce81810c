#include "navigator/ui/MonitorPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStyle>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/DisplayPalettes.h"
#include "app/ui/PostedMessagePump.h"
#include "navigator/NavigatorModule.h"

namespace navigator {

namespace {

QFont PanelFont(int pixelHeight, bool bold)
{
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(pixelHeight);
    f.setBold(bold);
    return f;
}

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

const QString kDegreesTrue = QString(QChar(0x00B0)) + QStringLiteral(" T");

}   // namespace

CMonitorPanel::CMonitorPanel(navigator::CNavigatorModule& navigator, QWidget* parent)
    : app::CSidePanel(parent), m_nav(navigator)
{ }

// The frame calls DestroyPanel before it deletes the modules and deletes the
// panel (a child window) after them: only a panel never torn down still
// reaches its navigator here.
CMonitorPanel::~CMonitorPanel()
{
    if (!m_tornDown)
        m_nav.SetPanelListener(nullptr);
}

QLabel* CMonitorPanel::AddValue(QWidget* card, const QString& name, const QString& label,
                                const QString& unit, int row, int column)
{
    // The label (when there is one) at `column`, the value right of it, the unit after.
    auto* grid = static_cast<QGridLayout*>(card->layout());
    if (!label.isEmpty())
        grid->addWidget(new QLabel(label, card), row, column);
    auto* value = new QLabel(card);
    value->setObjectName(name);
    m_values[name] = value;
    value->setAccessibleName(label);
    value->setMinimumWidth(70);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    value->setFrameShape(QFrame::Panel);
    value->setFrameShadow(QFrame::Sunken);
    grid->addWidget(value, row, column + 1);
    if (!unit.isEmpty())
        grid->addWidget(new QLabel(unit, card), row, column + 2);
    return value;
}

void CMonitorPanel::InitPanel()
{
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    auto* title = new QLabel(QStringLiteral("Monitor"), body);
    title->setObjectName("title");
    title->setFont(PanelFont(12, true));
    // The title line in the caption colours, which follow a change of the palette.
    title->setAutoFillBackground(true);
    title->setBackgroundRole(QPalette::Highlight);
    title->setForegroundRole(QPalette::HighlightedText);
    layout->addWidget(title);

    m_status = new QLabel(QStringLiteral("NMEA inactive"), body);
    m_status->setObjectName("status");
    m_status->setFont(PanelFont(17, false));
    m_latitude = new QLabel(body);
    m_latitude->setObjectName("latitude");
    m_longitude = new QLabel(body);
    m_longitude->setObjectName("longitude");
    m_datumShift = new QLabel(QStringLiteral("Not applicable"), body);
    m_datumShift->setObjectName("datumShift");
    m_datumShift->setFont(PanelFont(12, false));
    for (QLabel* l : {m_status, m_latitude, m_longitude, m_datumShift}) {
        l->setAlignment(Qt::AlignCenter);
        l->setAutoFillBackground(true);
        layout->addWidget(l);
    }
    m_latitude->setFont(PanelFont(22, true));
    m_longitude->setFont(PanelFont(22, true));

    auto* route = new QGridLayout();
    m_routeName = new QLineEdit(body);
    m_routeName->setObjectName("routeName");
    m_routeName->setReadOnly(true);
    m_routeName->setMaxLength(255);
    m_leg = new QLineEdit(body);
    m_leg->setObjectName("leg");
    m_leg->setReadOnly(true);
    m_leg->setMaxLength(3);
    m_waypoint = new QLineEdit(body);
    m_waypoint->setObjectName("waypoint");
    m_waypoint->setReadOnly(true);
    m_waypoint->setMaxLength(3);
    auto* previous = new QPushButton(QStringLiteral("<"), body);
    previous->setObjectName("previousWaypoint");
    auto* next = new QPushButton(QStringLiteral(">"), body);
    next->setObjectName("nextWaypoint");
    m_previous = previous;
    m_next = next;
    m_auto = new QCheckBox(QStringLiteral("Auto"), body);
    m_auto->setObjectName("auto");
    connect(m_auto, &QCheckBox::clicked, this, [this](bool on) {
        if (m_setAuto)
            m_setAuto(on);
        m_auto->setChecked(m_isAutoOn && m_isAutoOn());
    });
    route->addWidget(new QLabel(QStringLiteral("Route"), body), 0, 0);
    route->addWidget(m_routeName, 0, 1, 1, 4);
    route->addWidget(new QLabel(QStringLiteral("Leg"), body), 1, 0);
    route->addWidget(m_leg, 1, 1);
    route->addWidget(new QLabel(QStringLiteral("Wpt"), body), 1, 2);
    route->addWidget(m_waypoint, 1, 3);
    route->addWidget(previous, 1, 4);
    route->addWidget(next, 1, 5);
    route->addWidget(m_auto, 0, 5);
    layout->addLayout(route);
    connect(previous, &QPushButton::clicked, this, [this] {
        if (m_nav.Monitor().PreviousWaypoint(*m_nav.Snapshot()))
            m_nav.OnMonitorMessage({navigator::kMsgNavRefresh, 0, 0});
    });
    connect(next, &QPushButton::clicked, this, [this] {
        if (m_nav.Monitor().NextWaypoint())
            m_nav.OnMonitorMessage({navigator::kMsgNavRefresh, 0, 0});
    });

    m_tabs = new QTabWidget(body);
    m_tabs->setObjectName("cards");
    // The cards keep the height their rows need, the room below goes to the
    // stretch: the panel looks the same however it came to be docked.
    m_tabs->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    auto makeCard = [this](const QString& title) {
        auto* card = new QWidget(m_tabs);
        new QGridLayout(card);
        m_tabs->addTab(card, title);
        return card;
    };
    QWidget* nmea = makeCard(QStringLiteral("NMEA"));
    AddValue(nmea, "cog", "COG", kDegreesTrue, 0);
    AddValue(nmea, "sog", "SOG", "kn", 1);
    AddValue(nmea, "heading", "HDG", kDegreesTrue, 2);
    AddValue(nmea, "speed", "SPD", "kn", 3);
    AddValue(nmea, "depth", "DPT", "m", 4);
    AddValue(nmea, "date", "Date", "", 5);
    AddValue(nmea, "time", "Time", "GMT", 6);

    QWidget* toWpt = makeCard(QStringLiteral("to Wpt"));
    m_source = new QComboBox(toWpt);
    m_source->addItems({QStringLiteral("Calc"), QStringLiteral("NMEA")});
    static_cast<QGridLayout*>(toWpt->layout())->addWidget(m_source, 0, 0, 1, 3);
    connect(m_source, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_nav.Monitor().SelectNmeaSource(index == 1);
        m_nav.OnMonitorMessage({navigator::kMsgNavRefresh, 0, 0});
    });
    AddValue(toWpt, "bearing", "BRG", kDegreesTrue, 1);
    AddValue(toWpt, "range", "RNG", "nm", 2);
    // The leg's rhumb-line bearing and length in a group of their own.
    auto* rhumb = new QGroupBox(QStringLiteral("Rhumb"), toWpt);
    rhumb->setObjectName("rhumb");
    new QGridLayout(rhumb);
    AddValue(rhumb, "legBearing", "BRG", kDegreesTrue, 0);
    AddValue(rhumb, "legLength", "RNG", "nm", 1);
    static_cast<QGridLayout*>(toWpt->layout())->addWidget(rhumb, 3, 0, 2, 3);
    QLabel* xte = AddValue(toWpt, "xte", "XTE", "nm", 5);
    m_leftArrow = new QLabel(QStringLiteral("<<<"), toWpt);
    m_rightArrow = new QLabel(QStringLiteral(">>>"), toWpt);
    m_leftArrow->setObjectName("leftArrow");
    m_rightArrow->setObjectName("rightArrow");
    // The arrows in 14 px type of the lightest weight: the colour tells the side.
    QFont arrowFont = PanelFont(14, false);
    arrowFont.setWeight(QFont::Weight(1));
    m_leftArrow->setFont(arrowFont);
    m_rightArrow->setFont(arrowFont);
    // The cross-track error stands between its two arrows; a hidden arrow
    // keeps its room so that the value does not move.
    auto* xteRow = new QHBoxLayout();
    for (QLabel* arrow : {m_leftArrow, m_rightArrow}) {
        QSizePolicy keep = arrow->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        arrow->setSizePolicy(keep);
        arrow->hide();
    }
    auto* grid = static_cast<QGridLayout*>(toWpt->layout());
    grid->removeWidget(xte);
    xteRow->addWidget(m_leftArrow);
    xteRow->addWidget(xte, 1);
    xteRow->addWidget(m_rightArrow);
    grid->addLayout(xteRow, 5, 1);
    AddValue(toWpt, "timeToGo", "TTG", "", 7);
    AddValue(toWpt, "eta", "ETA", "", 8);
    AddValue(toWpt, "nextLegBearing", "Next Leg", kDegreesTrue, 9);
    AddValue(toWpt, "nextLegLength", "", "nm", 10);

    QWidget* plan = makeCard(QStringLiteral("Plan"));
    AddValue(plan, "set", "SET", kDegreesTrue, 0);
    AddValue(plan, "drift", "DRIFT", "nm", 1);
    AddValue(plan, "cts", "CTS", kDegreesTrue, 2);
    AddValue(plan, "variation", "Var", "", 3);
    AddValue(plan, "deviation", "Dev", "", 4);

    QWidget* wind = makeCard(QStringLiteral("Wind"));
    for (int row = 0; row < 2; ++row) {
        const QString n = QString::number(row + 1);
        // One line per wind: angle and its reference, speed and its unit.
        AddValue(wind, "windAngle" + n, "Angle", "", row, 0);
        AddValue(wind, "windReference" + n, "", "", row, 1);
        AddValue(wind, "windSpeed" + n, "Speed", "", row, 3);
        AddValue(wind, "windUnit" + n, "", "", row, 4);
    }
    // The two lines keep their height; the room the taller cards need stays below.
    static_cast<QGridLayout*>(wind->layout())->setRowStretch(2, 1);
    layout->addWidget(m_tabs);
    layout->addStretch();
    setWidget(body);

    m_nav.SetPanelListener([this](unsigned id) {
        if (id == 0 || id == navigator::kMsgNavRefresh || id == navigator::kMsgReplayFinished)
            RefreshFromModel();
    });
    m_pump = std::make_unique<app::CPostedMessagePump>(
        m_nav.PanelQueue(), [this](const app::CPostedMessage& m) { m_nav.OnMonitorMessage(m); },
        this);
    RefreshFromModel();
}

void CMonitorPanel::DestroyPanel()
{
    m_tornDown = true;
    m_pump.reset();
    m_nav.SetPanelListener(nullptr);
    if (m_alarmDialog)
        m_alarmDialog->deleteLater();
}

void CMonitorPanel::OnSysColourChange()
{
    ApplyFixedColours();
}

void CMonitorPanel::ApplyFixedColours()
{
    if (!m_status)
        return;
    // Red text in dead reckoning, dark blue otherwise, on white; at dusk and
    // night every colour is dimmed as the active palette dims its own.
    const app::CDisplayPalettes* palettes = app::GetProgramPalettes();
    auto css = [palettes](app::COLORREF colour) {
        if (palettes)
            colour = palettes->DimForActive(colour);
        return QStringLiteral("#%1%2%3")
            .arg(app::GetRValue(colour), 2, 16, QLatin1Char('0'))
            .arg(app::GetGValue(colour), 2, 16, QLatin1Char('0'))
            .arg(app::GetBValue(colour), 2, 16, QLatin1Char('0'));
    };
    const QString white = css(app::RGB(255, 255, 255));
    const QString text = css(m_drColours ? app::RGB(0xC0, 0, 0) : app::RGB(0, 0, 0x80));
    // A style sheet set again re-polishes and repaints the whole panel: the
    // once-a-second refresh sets it only when the colours change.
    const QString black = css(app::RGB(0, 0, 0));
    const QString red = css(app::RGB(255, 0, 0));
    const QString applied = text + white + (m_datumAlert ? QStringLiteral("!") : QString());
    if (applied == m_appliedColours)
        return;
    m_appliedColours = applied;
    for (QLabel* l : {m_status, m_latitude, m_longitude})
        l->setStyleSheet(QStringLiteral("color: %1; background: %2").arg(text, white));
    m_datumShift->setStyleSheet(QStringLiteral("color: %1; background: %2")
                                    .arg(m_datumAlert ? white : black, m_datumAlert ? red : white));
    if (m_leftArrow && m_rightArrow) {
        m_leftArrow->setStyleSheet(
            QStringLiteral("color: %1; background: %2").arg(css(app::RGB(255, 0, 0)), white));
        m_rightArrow->setStyleSheet(
            QStringLiteral("color: %1; background: %2").arg(css(app::RGB(0, 128, 0)), white));
    }
}

void CMonitorPanel::SetAutoSwitch(std::function<bool(bool)> set, std::function<bool()> isOn,
                                  std::function<bool()> canSwitch)
{
    m_setAuto = std::move(set);
    m_isAutoOn = std::move(isOn);
    m_canSwitchAuto = std::move(canSwitch);
    if (m_auto)
        m_auto->setChecked(m_isAutoOn && m_isAutoOn());
    UpdateRouteControls();
}

void CMonitorPanel::UpdateRouteControls()
{
    if (!m_auto)
        return;
    // "Auto" needs the route module and its leave: an arrival or perpendicular
    // alarm to advance on, no editing here or at another station, and a
    // route of more than one waypoint.
    m_auto->setEnabled(m_setAuto && m_canSwitchAuto && m_canSwitchAuto());
    const bool waypoints = m_nav.Monitor().RouteHasWaypoints();
    for (QWidget* w : {static_cast<QWidget*>(m_leg), static_cast<QWidget*>(m_waypoint),
                       static_cast<QWidget*>(m_previous), static_cast<QWidget*>(m_next)})
        if (w && w->isEnabled() != waypoints)
            w->setEnabled(waypoints);
}

void CMonitorPanel::UpdatePanelControls(app::CCommandTable& /*commands*/,
                                        bool /*disableIfNoHandler*/)
{
    if (m_auto && m_isAutoOn && m_auto->isChecked() != m_isAutoOn())
        m_auto->setChecked(m_isAutoOn());
    UpdateRouteControls();
}

void CMonitorPanel::RefreshFromModel()
{
    if (!m_tabs)
        return;
    if (m_auto && m_isAutoOn)
        m_auto->setChecked(m_isAutoOn());
    UpdateRouteControls();
    const navigator::CMonitorTexts& t = m_nav.Monitor().Texts();
    // The panel refreshes once a second: only what changed is set, since a
    // tab title set again lays out and repaints the whole tab widget.
    const QString title = Q(m_nav.NmeaTabTitle());
    if (m_tabs->tabText(0) != title)
        m_tabs->setTabText(0, title);
    auto setLabel = [](auto* label, const std::string& text) {
        const QString value = Q(text);
        if (label->text() != value)
            label->setText(value);
    };
    setLabel(m_status, t.status);
    setLabel(m_latitude, t.latitude);
    setLabel(m_longitude, t.longitude);
    setLabel(m_datumShift, t.datumShift);
    setLabel(m_routeName, t.routeName);
    setLabel(m_leg, t.legNumber);
    setLabel(m_waypoint, t.waypointNumber);
    m_drColours = m_nav.Source().IsDrOn();
    m_datumAlert = t.datumShiftAlert;
    ApplyFixedColours();
    auto set = [this, &setLabel](const char* name, const std::string& text) {
        if (auto found = m_values.find(QString::fromLatin1(name)); found != m_values.end())
            setLabel(found->second, text);
    };
    set("cog", t.cog);
    set("sog", t.sog);
    set("heading", t.heading);
    set("speed", t.speedThroughWater);
    set("depth", t.depth);
    set("date", t.date);
    set("time", t.time);
    set("bearing", t.bearing);
    set("range", t.range);
    set("legBearing", t.legBearing);
    set("legLength", t.legLength);
    set("xte", t.xte);
    set("timeToGo", t.timeToGo);
    set("eta", t.eta);
    set("nextLegBearing", t.nextLegBearing);
    set("nextLegLength", t.nextLegLength);
    set("set", t.planSet);
    set("drift", t.planDrift);
    set("cts", t.planCourseToSteer);
    set("variation", t.planVariation);
    set("deviation", t.planDeviation);
    for (int row = 0; row < 2; ++row) {
        const std::string n = std::to_string(row + 1);
        set(("windAngle" + n).c_str(), t.windAngle[row]);
        set(("windReference" + n).c_str(), t.windReference[row]);
        set(("windSpeed" + n).c_str(), t.windSpeed[row]);
        set(("windUnit" + n).c_str(), t.windUnit[row]);
    }
    m_leftArrow->setVisible(t.leftArrow);
    m_rightArrow->setVisible(t.rightArrow);
    // "NMEA" only while the instrument gives every value it needs.
    if (auto* model = qobject_cast<QStandardItemModel*>(m_source->model()))
        if (QStandardItem* item = model->item(1))
            item->setEnabled(t.nmeaSourceEnabled);
    if (!t.nmeaSourceEnabled && m_source->currentIndex() == 1) {
        QSignalBlocker block(m_source);
        m_source->setCurrentIndex(0);
    }
    if (!m_nav.Monitor().Alarms().Lines().empty())
        ShowAlarms();
}

QString CMonitorPanel::ValueText(const QString& name) const
{
    if (name == "tab")
        return m_tabs ? m_tabs->tabText(0) : QString();
    if (auto* l = findChild<QLabel*>(name))
        return l->text();
    if (auto* e = findChild<QLineEdit*>(name))
        return e->text();
    return {};
}

// The modeless "Waypoint Arrival Alarms" list; OK empties it and closes it.
// Each line's fields (time, condition, waypoint number, name) stand in
// columns wide enough for the whole text, and the window grows to show them.
void CMonitorPanel::ShowAlarms()
{
    navigator::CWaypointAlarmList& alarms = m_nav.Monitor().Alarms();
    const bool created = !m_alarmDialog;
    if (created) {
        m_alarmDialog = new QDialog(this);
        m_alarmDialog->setObjectName(QStringLiteral("WaypointAlarms"));
        m_alarmDialog->setWindowTitle(QStringLiteral("Waypoint Arrival Alarms"));
        auto* layout = new QVBoxLayout(m_alarmDialog);
        m_alarmList = new QTreeWidget(m_alarmDialog);
        m_alarmList->setRootIsDecorated(false);
        m_alarmList->setHeaderLabels({QStringLiteral("Date and Time"), QStringLiteral("Condition"),
                                      QStringLiteral("Number"), QStringLiteral("Name")});
        layout->addWidget(m_alarmList);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, m_alarmDialog);
        layout->addWidget(buttons);
        connect(buttons, &QDialogButtonBox::accepted, this, [this] {
            m_nav.Monitor().Alarms().Close();
            m_alarmDialog->deleteLater();
        });
        m_alarmDialog->setAttribute(Qt::WA_ShowWithoutActivating);
    }
    if (m_alarmList->topLevelItemCount() == static_cast<int>(alarms.Lines().size()))
        return;
    m_alarmList->clear();
    for (const std::string& line : alarms.Lines())
        m_alarmList->addTopLevelItem(new QTreeWidgetItem(Q(line).split(QLatin1Char('\t'))));
    int width = 0;
    for (int c = 0; c < m_alarmList->columnCount(); ++c) {
        m_alarmList->resizeColumnToContents(c);
        width += m_alarmList->columnWidth(c);
    }
    m_alarmList->setCurrentItem(m_alarmList->topLevelItem(m_alarmList->topLevelItemCount() - 1));
    // Room for a vertical scroll bar too, so a long list never needs a horizontal one.
    const int frame = 2 * m_alarmList->frameWidth() +
                      m_alarmList->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4;
    m_alarmList->setMinimumWidth(width + frame);
    m_alarmDialog->adjustSize();
    // Shown once it has its lines and its size, centred over the main window.
    if (created) {
        m_alarmDialog->show();
        QRect placed = m_alarmDialog->frameGeometry();
        placed.moveCenter(window()->frameGeometry().center());
        m_alarmDialog->move(placed.topLeft());
    }
}

}   // namespace navigator
