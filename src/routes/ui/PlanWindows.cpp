#include "routes/ui/PlanWindows.h"

#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/WaitStatus.h"
#include "geo/Geomag.h"
#include "navigator/OwnVessel.h"
#include "routes/RouteModule.h"
#include "routes/TidalModule.h"
#include "routes/ui/PlanOptionsPage.h"
#include "routes/ui/PlanWindow.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>

#include <chrono>
#include <ctime>

namespace routes {

namespace {

// Escape while a plan is worked out: the probe is asked once per time step.
// The filter turns Escape into the abort and drops other input meanwhile;
// events are pumped at most every 50 ms so the windows stay drawn.
class CEscapeProbe final : public QObject, public routes::CPlanAbortProbe {
public:
    CEscapeProbe() { qApp->installEventFilter(this); }
    ~CEscapeProbe() override { qApp->removeEventFilter(this); }
    void Reset() override { m_escape = false; }
    bool AbortRequested() override
    {
        if (!m_pumped.isValid() || m_pumped.elapsed() >= 50) {
            QApplication::processEvents();
            m_pumped.restart();
        }
        return m_escape;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Input is judged where it reaches a widget (the window system's
        // window passes it on first), and a message box the calculation
        // opened takes its own.
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget)
            return QObject::eventFilter(watched, event);
        if (QWidget* modal = QApplication::activeModalWidget(); modal && widget->window() == modal)
            return QObject::eventFilter(watched, event);
        switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
                m_escape = true;
            return true;
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel: return true;
        default: return QObject::eventFilter(watched, event);
        }
    }

private:
    bool m_escape = false;
    QElapsedTimer m_pumped;
};

class CWaitDialog final : public QDialog, public routes::CPlanProgress {
public:
    explicit CWaitDialog(QWidget* parent) : QDialog(parent)
    {
        setWindowTitle("Calculating , Please Wait");
        auto* form = new QFormLayout(this);
        for (QLabel** label : {&m_time, &m_leg, &m_course, &m_step}) {
            *label = new QLabel("0", this);
            (*label)->setMinimumWidth(40);
        }
        form->addRow("Time iteration No", m_time);
        form->addRow("Leg No", m_leg);
        form->addRow("Course iteration No", m_course);
        form->addRow("Time step", m_step);
    }
    void ShowTimeIteration(int n) override { m_time->setNum(n); }
    void ShowLeg(int n) override { m_leg->setNum(n); }
    void ShowCourseIteration(int n) override { m_course->setNum(n); }
    void ShowTimeStep(int n) override { m_step->setNum(n); }

private:
    QLabel *m_time, *m_leg, *m_course, *m_step;
};

class CGeomagVariation final : public routes::CPlanVariation {
public:
    explicit CGeomagVariation(geo::CGeomag* geomag) : m_geomag(geomag) { }
    bool IsLoaded() const override { return m_geomag && m_geomag->IsLoaded(); }
    double Variation(std::int64_t utc, const geo::CPosition& where) override
    {
        const std::time_t t = std::time_t(utc);
        std::tm tm{};
        gmtime_r(&t, &tm);
        const std::chrono::year_month_day date{std::chrono::year(tm.tm_year + 1900),
                                               std::chrono::month(unsigned(tm.tm_mon + 1)),
                                               std::chrono::day(unsigned(tm.tm_mday))};
        return m_geomag->GetVariation(date, where);
    }

private:
    geo::CGeomag* m_geomag;
};

}   // namespace

// The plan's leg tracks in one chart view.
class CPlanWindows::TrackLayer final : public chart::CLayerSource {
public:
    explicit TrackLayer(CPlanWindows& owner) : m_owner(owner) { }
    bool IsOn() const override { return m_owner.DrawsTracks(); }
    void Draw(chart::CChartDoc& doc, chart::CXDC& dc) override { m_owner.DrawTracks(doc, dc); }

private:
    CPlanWindows& m_owner;
};

CPlanWindows::CPlanWindows(app::CSettingsHome& settings, std::string programFolder,
                           platform::CPrompt& prompt, Links links)
    : CPlanModule(settings, std::move(programFolder)), m_prompt(prompt), m_links(std::move(links))
{
    planUtc = QDateTime::currentSecsSinceEpoch();
    chart::CChartView::AddExtension(this);
}

CPlanWindows::~CPlanWindows()
{
    CloseOptionsSheet();
    chart::CChartView::RemoveExtension(this);
}

void CPlanWindows::CloseOptionsSheet()
{
    // The page works on this module: its sheet does not outlive it.
    if (m_optionsPage)
        delete m_optionsPage->window();
}

app::CXPropertyPage* CPlanWindows::MakeOptionsPage(QWidget* parent)
{
    const geo::CGeomag* geomag = m_links.geomag ? m_links.geomag() : nullptr;
    auto model = std::make_unique<routes::CPlanOptionsModel>(*this, geomag && geomag->IsLoaded(),
                                                             TidalDataAvailable(), [this] {
                                                                 if (m_window)
                                                                     m_window->ShowSwitches();
                                                                 CardChanged(nullptr);
                                                             });
    auto* page = new routes::CPlanOptionsPage(std::move(model), parent);
    m_optionsPage = page;
    return page;
}

void CPlanWindows::ViewCreated(chart::CChartView& view)
{
    auto layer = std::make_unique<TrackLayer>(*this);
    view.Pipeline().SetSource(chart::StaticLayer::PlanTracks, layer.get());
    m_layers[&view] = std::move(layer);
}

void CPlanWindows::ViewDestroyed(chart::CChartView& view)
{
    view.Pipeline().SetSource(chart::StaticLayer::PlanTracks, nullptr);
    m_layers.erase(&view);
}

void CPlanWindows::RedrawViews()
{
    for (auto& [view, layer] : m_layers)
        view->InvalidateOverlays();
}

bool CPlanWindows::CreateSidePanels(app::CModuleHost& host,
                                    std::vector<app::CSidePanel*>& /*panels*/)
{
    m_host = &host;
    if (routes::CRouteModule* r = m_links.routes ? m_links.routes() : nullptr)
        r->AddListener(this);
    // The route panel was made first: the plan card goes onto it.
    auto* card = new routes::CPlanCard(*this, &host.Window());
    if (m_links.addRouteCard && m_links.addRouteCard(card, QStringLiteral("Plan"))) {
        m_routeCard = card;
        AddCard(card);
    } else {
        delete card;
    }
    return true;
}

bool CPlanWindows::Terminate()
{
    CloseOptionsSheet();
    if (routes::CRouteModule* r = m_links.routes ? m_links.routes() : nullptr)
        r->RemoveListener(this);
    return CPlanModule::Terminate();
}

void CPlanWindows::OnRouteChange(int hint)
{
    switch (hint) {
    case routes::kHintDisplay:
    case routes::kHintSelected: return;
    case routes::kHintClosed:
    case routes::kHintRoute:
    case routes::kHintAdded:
    case routes::kHintDeleted: {
        ClearPlan();
        routes::CRouteModule* r = m_links.routes ? m_links.routes() : nullptr;
        // The route's memo as the panel shows it (none without a route).
        const routes::CRouteTexts texts = r ? r->RouteTexts() : routes::CRouteTexts();
        if (r && r->State().hasRoute) {
            planName = texts.name;
            from = texts.from;
            to = texts.to;
        }
        routeMemo = texts.note;
        planUtc = QDateTime::currentSecsSinceEpoch();
        PlanSettings().mode = routes::PlanMode::DepartAt;
        // The plan is for the own vessel at its speed; a speed of 0 shows on
        // the card and leaves Calc off until a speed is typed.
        if (const navigator::COwnVessel* vessel = m_links.vessel ? m_links.vessel() : nullptr) {
            PlanSettings().vesselSpeed = vessel->speed;
            vesselName = vessel->name;
        }
        // A new plan fills every card from the module: both times now.
        for (const QPointer<routes::CPlanCard>& c : m_cards)
            if (c)
                c->ShowPlanFields();
        break;
    }
    default: ClearPlan(); break;
    }
    CardChanged(nullptr);
}

void CPlanWindows::AddCard(routes::CPlanCard* card)
{
    std::erase_if(m_cards, [](const QPointer<routes::CPlanCard>& c) { return c.isNull(); });
    m_cards.push_back(card);
    card->onCalculate = [this] { RunCalculate(); };
    card->onBestTime = [this] { RunBestTime(); };
    card->onReport = [this] {
        if (m_links.openReport)
            m_links.openReport();
    };
    card->onChanged = [this, card] { CardChanged(card); };
}

void CPlanWindows::CardChanged(routes::CPlanCard* source)
{
    for (const QPointer<routes::CPlanCard>& c : m_cards)
        if (c && c != source)
            c->FollowPlan();
    if (m_window)
        m_window->ShowPlan();
    RedrawViews();
}

void CPlanWindows::OnUpdateCmdUI(app::CCommandTable& commands, bool disableIfNoHandler)
{
    const bool calc = commands.Update(app::cmd::kPlanCalculate, disableIfNoHandler).enabled;
    const bool best = commands.Update(app::cmd::kPlanBestTime, disableIfNoHandler).enabled;
    const bool report = m_links.canOpenReport && m_links.canOpenReport();
    for (const QPointer<routes::CPlanCard>& c : m_cards)
        if (c)
            c->UpdateButtons(calc, best, report);
}

void CPlanWindows::TakeDeviationCard()
{
    const navigator::COwnVessel* vessel = m_links.vessel ? m_links.vessel() : nullptr;
    SetDeviationCard(vessel ? vessel->deviation : std::array<double, 16>{});
}

std::size_t CPlanWindows::RouteWaypointCount() const
{
    routes::CRouteModule* r = m_links.routes ? m_links.routes() : nullptr;
    return r && r->State().hasRoute ? r->State().waypoints.size() : 0;
}

bool CPlanWindows::RouteEditedOnNetwork() const
{
    const routes::CRouteModule* r = m_links.routes ? m_links.routes() : nullptr;
    return r && r->IsEditMode() && r->IsStationNetworkOn();
}

bool CPlanWindows::CanCalculateRoute() const
{
    return !RouteEditedOnNetwork() && CanCalculate(RouteWaypointCount());
}

bool CPlanWindows::TidalDataAvailable() const
{
    routes::CTidalModule* t = m_links.tides ? m_links.tides() : nullptr;
    return t && t->IsDataAvailable();
}

bool CPlanWindows::TidesSwitchedOn() const
{
    return m_window ? m_window->IsTidesChecked() : PlanSettings().tidesOn;
}

void CPlanWindows::RegisterCommands(app::CCommandTable& commands)
{
    commands.Add(
        this, app::cmd::kPlanCalculate, [this](unsigned) { RunCalculate(); },
        [this](app::CCmdUI& ui) {
            ui.Enable(CanCalculateRoute());
            if (RouteEditedOnNetwork())
                ui.SetWhyDisabled("The route is being edited with other stations networked: "
                                  "leave Route > Edit to calculate the plan.");
        });
    commands.Add(
        this, app::cmd::kPlanBestTime, [this](unsigned) { RunBestTime(); },
        [this](app::CCmdUI& ui) {
            const bool data = TidalDataAvailable(), tides = TidesSwitchedOn();
            ui.Enable(data && tides && CanCalculateRoute());
            // The departure is found by the tidal streams along the route.
            if (!data)
                ui.SetWhyDisabled("Best Time works with tidal streams, and no tidal data is "
                                  "installed.");
            else if (!tides)
                ui.SetWhyDisabled("Best Time works with tidal streams: tick \"Tidal Stream "
                                  "every\" in the plan window (Route > Plan > Calculate).");
        });
}

void CPlanWindows::CloseWorkspaceWindows()
{
    if (m_window)
        m_window->close();
}

CPlanWindow* CPlanWindows::OpenWindow()
{
    if (!m_window) {
        routes::CRouteModule* r = m_links.routes ? m_links.routes() : nullptr;
        if (r && r->State().hasRoute && planName.empty()) {
            planName = r->State().name;
            const auto& w = r->State().waypoints;
            if (!w.empty()) {
                from = w.front().m_name;
                to = w.back().m_name;
            }
        }
        m_window = new CPlanWindow(*this, m_host ? &m_host->Window() : nullptr);
        m_window->onSwitchesChanged = [this] { CardChanged(nullptr); };
        AddCard(m_window->Card());
        for (const QPointer<routes::CPlanCard>& c : m_cards)
            if (c)
                c->FollowPlan();
    }
    geo::CGeomag* geomag = m_links.geomag ? m_links.geomag() : nullptr;
    m_window->SetTidalAvailable(TidalDataAvailable(), geomag && geomag->IsLoaded());
    m_window->show();
    m_window->raise();
    return m_window;
}

void CPlanWindows::RunCalculate()
{
    CPlanWindow* window = OpenWindow();
    window->ReadSwitches();
    TakeDeviationCard();
    routes::CRouteModule* r = m_links.routes ? m_links.routes() : nullptr;
    if (!r)
        return;
    routes::CTidalModule* t = m_links.tides ? m_links.tides() : nullptr;
    CGeomagVariation variation(m_links.geomag ? m_links.geomag() : nullptr);
    {
        // Hourglass and "Please Wait . . ." until the plan is worked out; the
        // previews of the plan before go, as what they show no longer holds.
        const app::CWaitStatus wait;
        ClearPlan();
        if (m_links.closeReports)
            m_links.closeReports();
        CEscapeProbe escape;
        Calculate(routes::PlanWaypointsOf(r->State()), m_prompt, t ? &t->Models() : nullptr,
                  &variation, &escape);
    }
    CardChanged(nullptr);
}

void CPlanWindows::RunBestTime()
{
    CPlanWindow* window = OpenWindow();
    window->ReadSwitches();
    TakeDeviationCard();
    routes::CRouteModule* r = m_links.routes ? m_links.routes() : nullptr;
    routes::CTidalModule* t = m_links.tides ? m_links.tides() : nullptr;
    if (!r || !t)
        return;
    if (!PlanSettings().tidesOn) {
        m_prompt.Ask("Best time needs \"Tidal Stream every\" switched on.", "Passage plan",
                     platform::PromptIcon::Information, platform::PromptButtons::Ok);
        return;
    }
    CGeomagVariation variation(m_links.geomag ? m_links.geomag() : nullptr);
    std::optional<routes::CPlanCalculator::BestTime> result;
    {
        // As Calc: the wait state, and the previews of the plan before go.
        const app::CWaitStatus waitState;
        ClearPlan();
        if (m_links.closeReports)
            m_links.closeReports();
        CWaitDialog wait(window);
        wait.show();
        CEscapeProbe escape;
        result = SearchBestTime(routes::PlanWaypointsOf(r->State()), m_prompt, &t->Models(),
                                &variation, &escape, &wait);
    }
    if (!result) {
        CardChanged(nullptr);
        return;
    }
    CBestTimeDialog dialog(result->starts, result->passages,
                           PlanSettings().mode == routes::PlanMode::ArriveFor, window);
    dialog.exec();
    TakeSearchResult(*result, dialog.UsedBest());
    CardChanged(nullptr);
}

}   // namespace routes
