#include "chart/ui/ChartInfoPanel.h"

#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QVBoxLayout>

#include "chart/ChartDoc.h"

namespace chart {

namespace {

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

}   // namespace

CChartInfoPanel::CChartInfoPanel(std::function<chart::CChartDoc*()> activeDoc, QWidget* parent)
    : app::CSidePanel(parent), m_activeDoc(std::move(activeDoc))
{ }

QLabel* CChartInfoPanel::AddRow(QWidget* card, const QString& name, const QString& label, int row)
{
    auto* grid = static_cast<QGridLayout*>(card->layout());
    auto* caption = new QLabel(label, card);
    grid->addWidget(caption, row, 0);
    auto* value = new QLabel(card);
    value->setObjectName(name);
    value->setAccessibleName(label);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    value->setFrameShape(QFrame::Panel);
    value->setFrameShadow(QFrame::Sunken);
    value->setMinimumWidth(120);
    grid->addWidget(value, row, 1);
    return value;
}

void CChartInfoPanel::InitPanel()
{
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    m_caption = new QLabel(body);
    m_caption->setObjectName("title");
    QFont font = m_caption->font();
    font.setPixelSize(12);
    font.setBold(true);
    m_caption->setFont(font);
    m_caption->setWordWrap(true);
    // The title line in the desktop's caption colours, which follow a change
    // of the desktop's or the program's palette.
    m_caption->setAutoFillBackground(true);
    m_caption->setBackgroundRole(QPalette::Highlight);
    m_caption->setForegroundRole(QPalette::HighlightedText);
    layout->addWidget(m_caption);

    m_tabs = new QTabWidget(body);
    auto* general = new QWidget(m_tabs);
    auto* grid = new QGridLayout(general);
    grid->setColumnStretch(1, 1);
    int row = 0;
    AddRow(general, "chartNumber", "Chart No.", row++);
    AddRow(general, "manufacturer", "Manufacturer", row++);
    AddRow(general, "issueDate", "Issue date", row);
    m_issueLabel = qobject_cast<QLabel*>(grid->itemAtPosition(row++, 0)->widget());
    m_issueLabel->setObjectName("issueLabel");
    AddRow(general, "updated", "Updated", row);
    m_updatedLabel = qobject_cast<QLabel*>(grid->itemAtPosition(row++, 0)->widget());
    m_updatedLabel->setObjectName("updatedLabel");
    AddRow(general, "heightUnits", "Heights in", row++);
    AddRow(general, "depthUnits", "Depths in", row++);
    AddRow(general, "projection", "Projection ", row++);
    AddRow(general, "horizontalDatum", "Horiz. Datum", row++);
    AddRow(general, "depthDatum", "Depth Datum", row++);
    AddRow(general, "heightDatum", "Height Datum", row++);
    AddRow(general, "buoyage", "Buoyage", row++);
    AddRow(general, "scale", "Orig Scale ", row++);
    AddRow(general, "northSouthRange", "N/S Range", row++);
    AddRow(general, "displayResolution", "Display res.", row++);
    grid->setRowStretch(row, 1);
    m_tabs->addTab(general, "General");

    auto* cautions = new QWidget(m_tabs);
    auto* cautionsLayout = new QVBoxLayout(cautions);
    m_cautions = new QPlainTextEdit(cautions);
    m_cautions->setObjectName("cautions");
    m_cautions->setReadOnly(true);
    cautionsLayout->addWidget(m_cautions);
    m_tabs->addTab(cautions, "Cautions");
    layout->addWidget(m_tabs, 1);

    setWidget(body);
    setMinimumWidth(220);
    Show(m_shown);
    hide();
}

void CChartInfoPanel::UpdatePanelControls(app::CCommandTable& /*commands*/,
                                          bool /*disableIfNoHandler*/)
{
    // The texts are read only while someone can see them.
    if (isHidden() || !m_activeDoc)
        return;
    SetChartDoc(m_activeDoc());
}

void CChartInfoPanel::SetChartDoc(chart::CChartDoc* doc)
{
    m_doc = doc;
    const chart::CChartInfoTexts texts = chart::ChartInfoTextsOf(doc);
    if (m_everShown && texts == m_shown)
        return;
    Show(texts);
}

void CChartInfoPanel::Show(const chart::CChartInfoTexts& t)
{
    if (!m_tabs)
        return;
    m_shown = t;
    m_everShown = true;
    m_caption->setText(Q(t.title));
    m_issueLabel->setText(Q(t.issueLabel));
    m_updatedLabel->setText(Q(t.updatedLabel));
    const std::pair<const char*, const std::string*> values[] = {
        {"chartNumber", &t.chartNumber},
        {"manufacturer", &t.manufacturer},
        {"issueDate", &t.issueDate},
        {"updated", &t.updated},
        {"heightUnits", &t.heightUnits},
        {"depthUnits", &t.depthUnits},
        {"projection", &t.projection},
        {"horizontalDatum", &t.horizontalDatum},
        {"depthDatum", &t.depthDatum},
        {"heightDatum", &t.heightDatum},
        {"buoyage", &t.buoyage},
        {"scale", &t.scale},
        {"northSouthRange", &t.northSouthRange},
        {"displayResolution", &t.displayResolution},
    };
    for (const auto& [name, value] : values)
        if (auto* label = findChild<QLabel*>(name))
            label->setText(Q(*value));
    m_cautions->setPlainText(Q(t.cautions));
}

QString CChartInfoPanel::ValueText(const QString& name) const
{
    if (name == "cautions")
        return m_cautions ? m_cautions->toPlainText() : QString();
    if (auto* label = findChild<QLabel*>(name))
        return label->text();
    return {};
}

}   // namespace chart
