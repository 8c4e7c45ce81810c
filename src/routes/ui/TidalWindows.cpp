#include "routes/ui/TidalWindows.h"

#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/MsgBar.h"
#include "chart/ChartDoc.h"
#include "chart/draw/XDC.h"
#include "chart/overlays/TidalVector.h"
#include "routes/ui/TidalAtlasOptionsPage.h"
#include "routes/ui/TidalStreamWindow.h"
#include "routes/ui/TidalTimeWindow.h"

#include <cstdlib>

#include <QDateTime>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtGlobal>

namespace routes {

namespace {

// The visible extent of a view: the positions of the top-left and
// bottom-right corners of its chart's visible rectangle (the part of the
// client area the chart's picture covers); false when either has none.
bool VisibleExtent(chart::CChartView& view, geo::CPosition& nw, geo::CPosition& se)
{
    chart::CChartDoc& doc = view.Doc();
    geo::IntRect r;
    doc.GetVisibleRect(r);
    return doc.PointToPosition({r.left, r.top}, nw) && nw.IsValid() &&
           doc.PointToPosition({r.right, r.bottom}, se) && se.IsValid() &&
           nw.GetLatitude() > se.GetLatitude() && se.GetLongitude() > nw.GetLongitude();
}

// True when the arrow was drawn (it keeps off land).
bool DrawArrow(chart::CChartDoc& doc, chart::CXDC& dc, const chart::CTidalSettingsSource& source,
               const routes::TidalArrow& a, int mode)
{
    chart::CTidalVector arrow(&doc, &source);
    // The arrow takes the rate negated and draws its magnitude.
    arrow.SetVector(a.position, a.direction, -a.knots, a.height, 0.0);
    arrow.SetColourKind(a.style);
    arrow.DrawOnChart(&dc, mode);
    return arrow.WasDrawn();
}

}   // namespace

// The three tidal layers of one chart view.
class CTidalWindows::ViewLayers {
public:
    ViewLayers(CTidalWindows& owner, chart::CChartView& view)
        : atlas(owner, view), boxes(owner), stream(owner, view)
    { }

    class Atlas final : public chart::CLayerSource {
    public:
        Atlas(CTidalWindows& owner, chart::CChartView& view)
            : m_owner(owner), m_view(view), m_model(owner)
        { }
        bool IsOn() const override { return m_owner.m_atlas != nullptr; }
        void Draw(chart::CChartDoc& doc, chart::CXDC& dc) override
        {
            geo::CPosition nw, se;
            if (!VisibleExtent(m_view, nw, se))
                return;
            // A grid to work out anew is worked out just after this paint,
            // under the wait state, which a paint could not show; until then
            // the arrows worked out last stand.
            const bool current = m_model.IsCurrent(nw, se, m_owner.m_atlas->AppliedUtc());
            if (!current)
                WorkOutAfterThePaint();
            const auto& result = m_model.Last();
            // BRINE_REPORT_TIDES=1 logs each arrow drawn and their count,
            // for the window checks.
            static const bool report = std::getenv("BRINE_REPORT_TIDES") != nullptr;
            int drawn = 0;
            for (const routes::TidalArrow& a : result.arrows) {
                if (!DrawArrow(doc, dc, m_owner, a, chart::kTidalDraw))
                    continue;
                ++drawn;
                if (report && current)
                    qInfo("Brinevane: tidal arrow: %.4f %.4f %.0f deg %.2f kn style %d",
                          a.position.GetLatitude(), a.position.GetLongitude(), a.direction, a.knots,
                          a.style);
            }
            if (report && current)
                qInfo("Brinevane: tidal atlas: %d of %zu arrows drawn on %s", drawn,
                      result.arrows.size(), doc.GetTitle().c_str());
        }
        void Invalidate() { m_model.Invalidate(); }

    private:
        void WorkOutAfterThePaint()
        {
            if (m_pending)
                return;
            m_pending = true;
            QTimer::singleShot(0, &m_context, [this] {
                m_pending = false;
                CTidalTimeWindow* window = m_owner.m_atlas;
                geo::CPosition nw, se;
                if (!window || !VisibleExtent(m_view, nw, se))
                    return;
                chart::CChartDoc& doc = m_view.Doc();
                const auto& result =
                    m_model.Compute(nw, se, window->AppliedUtc(), [&doc](const geo::CPosition& p) {
                        return doc.IsPositionOnChart(p);
                    });
                m_view.InvalidateOverlays();
                // A code that stopped the grid is said once per grid worked
                // out; the repaints that follow draw the kept grid.
                if (result.stopCode != 0)
                    QMessageBox::critical(window, window->windowTitle(),
                                          QString::fromStdString(result.stopText));
            });
        }

        CTidalWindows& m_owner;
        chart::CChartView& m_view;
        routes::CTidalAtlasModel m_model;
        bool m_pending = false;
        // Context of the work after the paint: it goes with the layer.
        QObject m_context;
    } atlas;

    class Boxes final : public chart::CLayerSource {
    public:
        explicit Boxes(CTidalWindows& owner) : m_owner(owner) { }
        // On every chart while there are tidal data and the boxes are wanted.
        bool IsOn() const override
        {
            return m_owner.IsDataAvailable() && m_owner.Models().DrawBoxes();
        }
        void Draw(chart::CChartDoc& doc, chart::CXDC& dc) override
        {
            // Each side is followed in small steps, so a box that runs off
            // the chart is drawn where it lies on it.
            constexpr int kSteps = 64;
            chart::CSelPen pen(dc, app::RGB(255, 0, 0), chart::PenStyle::Solid, 1);
            for (const routes::CTidalArea& area : m_owner.Models().Areas()) {
                const auto& c = area.Corners();
                for (std::size_t side = 0; side < c.size(); ++side) {
                    const geo::CPosition& a = c[side];
                    const geo::CPosition& b = c[(side + 1) % c.size()];
                    std::vector<geo::IntPoint> run;
                    for (int k = 0; k <= kSteps; ++k) {
                        const double f = double(k) / kSteps;
                        const geo::CPosition p(
                            a.GetLatitude() + (b.GetLatitude() - a.GetLatitude()) * f,
                            a.GetLongitude() + (b.GetLongitude() - a.GetLongitude()) * f);
                        chart::PointList points;
                        if (doc.IsPositionOnChart(p) &&
                            doc.ChartPositionToClientPoints(p, points) && !points.empty()) {
                            run.push_back(points.front());
                            continue;
                        }
                        if (run.size() > 1)
                            dc.Polyline(run);
                        run.clear();
                    }
                    if (run.size() > 1)
                        dc.Polyline(run);
                }
            }
        }

    private:
        CTidalWindows& m_owner;
    } boxes;

    class Stream final : public chart::CLayerSource {
    public:
        Stream(CTidalWindows& owner, chart::CChartView& view) : m_owner(owner), m_view(view) { }
        bool IsOn() const override { return m_owner.m_stream && m_owner.m_streamView == &m_view; }
        void Draw(chart::CChartDoc& doc, chart::CXDC& dc) override
        {
            CTidalStreamWindow* window = m_owner.m_stream;
            const qint64 utc = window->AppliedUtc();
            if (!m_valid || utc != m_utc || !(window->Position() == m_where)) {
                m_reading = routes::ReadTidalStream(m_owner.Models(), window->Position(), utc);
                m_utc = utc;
                m_where = window->Position();
                m_valid = true;
                // No box can come up inside a paint: the result is said
                // just after it, once per change of time or place, and the
                // repaints in between draw the kept reading.
                QPointer<CTidalStreamWindow> guarded = window;
                const routes::TidalStreamReading reading = m_reading;
                QTimer::singleShot(0, guarded, [guarded, reading] {
                    if (guarded)
                        guarded->Show(reading);
                });
            }
            if (m_reading.usable)
                DrawArrow(doc, dc, m_owner,
                          {m_where, m_reading.direction, m_reading.knots, m_reading.height,
                           routes::ArrowStyleForCode(m_reading.code)},
                          chart::kTidalBoxedLabel);
        }

    private:
        CTidalWindows& m_owner;
        chart::CChartView& m_view;
        bool m_valid = false;
        qint64 m_utc = 0;
        geo::CPosition m_where;
        routes::TidalStreamReading m_reading;
    } stream;
};

CTidalWindows::CTidalWindows(app::CSettingsHome& settings, std::string programFolder)
    : CTidalModule(settings, std::move(programFolder))
{
    chart::CChartView::AddExtension(this);
}

CTidalWindows::~CTidalWindows()
{
    chart::CChartView::RemoveExtension(this);
}

bool CTidalWindows::CreateSidePanels(app::CModuleHost& host,
                                     std::vector<app::CSidePanel*>& /*panels*/)
{
    m_host = &host;
    Models().SetNoticeSink([this](const std::string& text) {
        if (!m_host)
            return;
        app::MsgHandle& handle = m_notices.emplace_back(nullptr);
        m_host->Messages().AddMessage(handle, text, 20000, 1, false);
        m_host->Messages().SetMessageFlag(handle, true);
        m_host->Messages().SwitchOn();
    });
    return true;
}

void CTidalWindows::RegisterCommands(app::CCommandTable& commands)
{
    commands.Add(
        this, app::cmd::kTidalAtlas, [this](unsigned) { OpenAtlas(); },
        [this](app::CCmdUI& ui) { ui.Enable(CanOpenWindow()); });
}

void CTidalWindows::LoadSettings()
{
    CTidalModule::LoadSettings();
    // A workspace's folder may differ: the models are read again.
    CheckAvailability();
}

bool CTidalWindows::CheckAvailability()
{
    if (m_host)
        for (app::MsgHandle& handle : m_notices)
            m_host->Messages().RemoveMessage(handle, false);
    m_notices.clear();
    return CTidalModule::CheckAvailability();
}

bool CTidalWindows::Terminate()
{
    CloseWorkspaceWindows();
    return CTidalModule::Terminate();
}

void CTidalWindows::CloseWorkspaceWindows()
{
    if (m_atlas)
        m_atlas->reject();
    if (m_stream)
        m_stream->reject();
}

bool CTidalWindows::CanOpenWindow() const
{
    return IsDataAvailable() && !m_atlas && !m_stream;
}

void CTidalWindows::ViewCreated(chart::CChartView& view)
{
    auto layers = std::make_unique<ViewLayers>(*this, view);
    view.Pipeline().SetSource(chart::StaticLayer::TidalAtlas, &layers->atlas);
    view.Pipeline().SetSource(chart::StaticLayer::TidalBoxes, &layers->boxes);
    view.Pipeline().SetSource(chart::StaticLayer::TidalVector, &layers->stream);
    m_views[&view] = std::move(layers);
}

void CTidalWindows::ViewDestroyed(chart::CChartView& view)
{
    view.Pipeline().SetSource(chart::StaticLayer::TidalAtlas, nullptr);
    view.Pipeline().SetSource(chart::StaticLayer::TidalBoxes, nullptr);
    view.Pipeline().SetSource(chart::StaticLayer::TidalVector, nullptr);
    m_views.erase(&view);
    if (m_streamView == &view && m_stream)
        m_stream->reject();
}

void CTidalWindows::AddContextMenu(chart::CChartView& view, QMenu& menu, geo::IntPoint p,
                                   chart::MenuSection section, bool onChart)
{
    if (section != chart::MenuSection::TidalStream)
        return;
    // Its first letter picks it from the keyboard, as the menu's other entries do.
    QAction* stream = menu.addAction(QStringLiteral("&Tidal stream"));
    chart::CChartDoc* doc = &view.Doc();
    chart::CChartView* target = &view;
    // The view hands over a client point; positions come from chart points.
    geo::IntPoint chartPoint;
    doc->ClientToChartPoint(p, chartPoint);
    geo::CPosition where;
    const bool placed = onChart && doc->PointToPosition(chartPoint, where);
    // Only where a model has the stream: a point on the chart that a model
    // covers, which becomes the model the library answers from.
    stream->setEnabled(placed && CanOpenWindow() && Models().SelectModelAt(where));
    QObject::connect(stream, &QAction::triggered, &menu,
                     [this, target, where] { OpenStream(*target, where); });
}

void CTidalWindows::RefreshViews()
{
    for (auto& [view, layers] : m_views) {
        layers->atlas.Invalidate();
        view->InvalidateOverlays();
    }
}

void CTidalWindows::ShowCaution()
{
    QMessageBox::information(m_host ? &m_host->Window() : nullptr, "Tidal model",
                             QString::fromStdString(routes::CTidalModelModule::CautionText()));
}

void CTidalWindows::OpenOptionsPage()
{
    if (m_host)
        m_host->OpenOptionsAt("Tidal Atlas");
}

void CTidalWindows::UpdateOptionsButtons()
{
    for (CTidalTimeWindow* w : std::initializer_list<CTidalTimeWindow*>{m_atlas, m_stream})
        if (w)
            w->OptionsButton()->setEnabled(!m_optionsPage);
}

void CTidalWindows::OpenAtlas()
{
    if (!CanOpenWindow())
        return;
    auto* window = new CTidalTimeWindow("Tidal Atlas", m_host ? &m_host->Window() : nullptr);
    window->setObjectName("TidalAtlasWindow");
    window->SetUtc(StartUtc());
    window->onApplied = [this] { RefreshViews(); };
    window->onCaution = [this] { ShowCaution(); };
    window->onOptions = [this] { OpenOptionsPage(); };
    window->OptionsButton()->setEnabled(!m_optionsPage);
    window->onClosed = [this] {
        m_atlas = nullptr;
        RefreshViews();
    };
    m_atlas = window;
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->show();
    RefreshViews();
}

bool CTidalWindows::OpenStream(chart::CChartView& view, const geo::CPosition& where)
{
    if (!CanOpenWindow())
        return false;
    const qint64 utc = StartUtc();
    const routes::TidalStreamReading first = routes::ReadTidalStream(Models(), where, utc);
    if (!first.usable) {
        QMessageBox::critical(m_host ? &m_host->Window() : nullptr, "Tidal Stream",
                              QString::fromStdString(first.message));
        return false;
    }
    auto* window = new CTidalStreamWindow(where, m_host ? &m_host->Window() : nullptr);
    window->setObjectName("TidalStreamWindow");
    window->SetUtc(utc);
    // The first paint of the view reads the stream again and says its
    // result text, when it has one, once.
    window->Fill(first);
    m_streamView = &view;
    window->onApplied = [this] {
        if (m_streamView)
            m_streamView->InvalidateOverlays();
    };
    window->onCaution = [this] { ShowCaution(); };
    window->onOptions = [this] { OpenOptionsPage(); };
    window->OptionsButton()->setEnabled(!m_optionsPage);
    window->onClosed = [this] {
        m_stream = nullptr;
        chart::CChartView* view = m_streamView;
        m_streamView = nullptr;
        if (view && m_views.count(view))
            view->InvalidateOverlays();
    };
    m_stream = window;
    window->show();
    view.InvalidateOverlays();
    return true;
}

std::vector<app::COptionPageFactory> CTidalWindows::OptionPages()
{
    return {{"Tidal Atlas", [this](QWidget* parent) -> app::CXPropertyPage* {
                 routes::CTidalAtlasOptions values{DisplaySettings(), Models().DrawBoxes()};
                 auto model = std::make_unique<routes::CTidalAtlasOptionsModel>(
                     values, [this](const routes::CTidalAtlasOptions& v) { ApplyOptions(v); });
                 auto* page = new CTidalAtlasOptionsPage(std::move(model), parent);
                 // The windows' Options buttons wait while the page exists.
                 m_optionsPage = page;
                 QObject::connect(page, &QObject::destroyed, &m_guard, [this] {
                     m_optionsPage = nullptr;
                     UpdateOptionsButtons();
                 });
                 UpdateOptionsButtons();
                 return page;
             }}};
}

void CTidalWindows::ApplyOptions(const routes::CTidalAtlasOptions& options)
{
    routes::CTidalDisplaySettings& s = DisplaySettings();
    const double lastAutomatic = s.lastAutomaticSpacing;
    s = options.display;
    s.lastAutomaticSpacing = lastAutomatic;
    Models().SetDrawBoxes(options.limitLines);
    const qint64 utc = StartUtc();
    for (CTidalTimeWindow* w : std::initializer_list<CTidalTimeWindow*>{m_atlas, m_stream})
        if (w) {
            w->SetUtc(utc);
            if (w->onApplied)
                w->onApplied();
        }
    RefreshViews();
}

qint64 CTidalWindows::StartUtc() const
{
    const routes::CTidalDisplaySettings& s = DisplaySettings();
    if (s.startTimeMethod == 2 && s.startTime.IsValid())
        return routes::LocalToUtcSeconds(s.startTime);
    if (s.startTimeMethod == 1 && planDeparture)
        if (const auto departure = planDeparture())
            return *departure;
    return QDateTime::currentSecsSinceEpoch();
}

}   // namespace routes
