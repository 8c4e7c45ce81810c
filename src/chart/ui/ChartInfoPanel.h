#pragma once
// The "Chart Info" side panel: the active chart's information texts on two
// cards, "General" and "Cautions". The texts come from the chart document
// through ChartInfoTextsOf; the panel keeps no chart data and refreshes on the
// frame's update pass, so switching the active chart changes every text at
// the next pass.

#include <QString>

#include <functional>

#include "app/CommandIds.h"
#include "app/ui/SidePanel.h"
#include "chart/ChartInfoTexts.h"

class QLabel;
class QPlainTextEdit;
class QTabWidget;

namespace chart {
class CChartDoc;
}

namespace chart {

class CChartInfoPanel final : public app::CSidePanel {
    Q_OBJECT
public:
    static constexpr unsigned kBarId = app::cmd::kPanelChartInfo;

    // `activeDoc` gives the active chart document (or null) on every update.
    explicit CChartInfoPanel(std::function<chart::CChartDoc*()> activeDoc,
                             QWidget* parent = nullptr);

    void InitPanel() override;
    void UpdatePanelControls(app::CCommandTable& commands, bool disableIfNoHandler) override;
    QString GetTitle() const override { return QStringLiteral("Chart Info"); }

    // Shows `doc`'s texts now (null: every text empty).
    void SetChartDoc(chart::CChartDoc* doc);
    chart::CChartDoc* ChartDoc() const { return m_doc; }
    // A shown value by its name ("chartNumber", "buoyage", "cautions", "title",
    // "issueLabel"...), for checks.
    QString ValueText(const QString& name) const;

private:
    QLabel* AddRow(QWidget* card, const QString& name, const QString& label, int row);
    void Show(const chart::CChartInfoTexts& texts);

    std::function<chart::CChartDoc*()> m_activeDoc;
    chart::CChartDoc* m_doc = nullptr;
    chart::CChartInfoTexts m_shown;
    bool m_everShown = false;
    QLabel* m_caption = nullptr;
    QTabWidget* m_tabs = nullptr;
    QLabel* m_issueLabel = nullptr;
    QLabel* m_updatedLabel = nullptr;
    QPlainTextEdit* m_cautions = nullptr;
};

}   // namespace chart
