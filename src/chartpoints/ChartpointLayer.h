#pragma once
// One chart view's layer of chartpoints. Built from the table once, when a
// database opens (hint 1), and then kept by the module's hints: 3 and 5
// rewrite one mark, 4 removes one, 6 appends one, 2 moves the selection, 0
// empties it. A paint only draws the list; it never walks the table. The
// current chartpoint draws in the dynamic layer above the static marks.

#include "chart/ChartViewPipeline.h"
#include "chart/overlays/ChartpointLayer.h"
#include "chartpoints/ChartpointServices.h"

#include <functional>
#include <optional>
#include <string>
#include <unordered_map>

namespace chartpoints {

class CChartpointModule;

class CChartpointViewLayer final : public CChartpointListener {
public:
    // `invalidate` asks the view to redraw its overlays.
    CChartpointViewLayer(chart::CChartDoc& doc, chart::CChartpointProperties& properties,
                         std::function<void()> invalidate = {});

    void OnChartpointChange(const CChartpointChange& change, db::CDBChartPoint& table) override;
    void OnChartpointDisplayChanged() override;

    // The static layer (every mark but the current one) and the dynamic one.
    chart::CLayerSource& StaticSource() { return m_static; }
    chart::CLayerSource& CurrentSource() { return m_current; }

    // The record number of the mark under a client point: the current one
    // first, then in list order; none when the layer is hidden or nothing is hit.
    std::optional<long> FindAt(geo::IntPoint point);
    std::size_t Count() { return m_list.Overlays().size(); }
    const chart::COverlayChartpoint* Find(long recNo) const;
    const chart::COverlayChartpoint* Selected() const { return m_selected; }
    // While the current mark is dragged it draws at the pointer.
    void SetDragPoint(std::optional<geo::IntPoint> point) { m_dragPoint = point; }
    // Builds the list from every record of the table (the position is kept).
    void Rebuild(db::CDBChartPoint& table);
    // The view whose chartpoint counters the list keeps: after every build
    // and change they count the marks on the chart, and the chart's "cannot
    // be referenced" message follows them.
    void SetReferenceCounting(chart::CChartViewPipeline* pipeline)
    {
        m_pipeline = pipeline;
        Recount();
    }
    // The current mark's label: its name, then a blank and its ID, each when
    // its flag is set and the text is not empty (no "CP" prefix, unlike the
    // other marks' labels).
    static std::string CurrentLabel(const chart::CChartpointProperties& props,
                                    const chart::COverlayChartpoint& cp);

private:
    class StaticLayer final : public chart::CLayerSource {
    public:
        explicit StaticLayer(CChartpointViewLayer& owner) : m_owner(owner) { }
        bool IsOn() const override;
        void Draw(chart::CChartDoc& doc, chart::CXDC& dc) override;

    private:
        CChartpointViewLayer& m_owner;
    };
    class CurrentLayer final : public chart::CLayerSource {
    public:
        explicit CurrentLayer(CChartpointViewLayer& owner) : m_owner(owner) { }
        bool IsOn() const override;
        void Draw(chart::CChartDoc& doc, chart::CXDC& dc) override;

    private:
        CChartpointViewLayer& m_owner;
    };

    void Clear();
    void Fill(chart::COverlayChartpoint& overlay, const geo::CPosition& position,
              const std::string& id, const std::string& name, long recNo);
    void Append(const CChartpoint& cp, long recNo);
    void Select(long recNo);
    void Recount();

    chart::CChartDoc& m_doc;
    chart::CChartpointProperties& m_properties;
    std::function<void()> m_invalidate;
    chart::CChartpointList m_list;
    std::unordered_map<long, chart::COverlayChartpoint*> m_byRecNo;
    chart::COverlayChartpoint* m_selected = nullptr;
    std::optional<geo::IntPoint> m_dragPoint;
    chart::CChartViewPipeline* m_pipeline = nullptr;
    StaticLayer m_static{*this};
    CurrentLayer m_current{*this};
};

}   // namespace chartpoints
