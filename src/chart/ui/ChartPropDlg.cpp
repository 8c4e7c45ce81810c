#include "chart/ui/ChartPropDlg.h"

#include <QFormLayout>

#include <QLineEdit>
#include <algorithm>

#include "chart/ChartDoc.h"
#include "geo/DatumInfo.h"

namespace chart {

CChartPropDlg::CChartPropDlg(QWidget* parent)
    : QWidget(parent), m_name(new QLineEdit(this)), m_datum(new QLineEdit(this))
{
    setObjectName("ChartPropDlg");
    setWindowTitle("General");
    auto* form = new QFormLayout(this);
    m_name->setReadOnly(true);
    m_datum->setReadOnly(true);
    form->addRow("Name", m_name);
    form->addRow("Datum", m_datum);
    UpdateControls();
}

CChartPropDlg::~CChartPropDlg()
{
    if (m_onDestroyed)
        m_onDestroyed();
}

void CChartPropDlg::SetObject(chart::CChartDoc* doc)
{
    m_doc = doc;
    UpdateControls();
    if (m_onObjectChanged)
        m_onObjectChanged();
}

void CChartPropDlg::UpdateControls()
{
    m_name->setEnabled(m_doc != nullptr);
    m_datum->setEnabled(m_doc != nullptr);
    if (!m_doc) {
        m_name->clear();
        m_datum->clear();
        return;
    }
    m_name->setText(
        QString::fromStdString(m_doc->GetChartNumber() + " - " + m_doc->GetChartTitle()));
    m_datum->setText(QString::fromStdString(geo::CDatumInfo::GetName(m_doc->GetDatumIndex())));
    // The whole name shows, from its start: the fields are as wide as the
    // longer text needs (up to a sensible limit), and the window follows.
    int wanted = 0;
    for (QLineEdit* edit : {m_name, m_datum}) {
        wanted = std::max(wanted, edit->fontMetrics().horizontalAdvance(edit->text()));
        edit->setCursorPosition(0);
    }
    const int margins = 4 * m_name->fontMetrics().averageCharWidth();
    const int width = std::min(wanted + margins, 60 * m_name->fontMetrics().averageCharWidth());
    m_name->setMinimumWidth(width);
    m_datum->setMinimumWidth(width);
    if (isWindow())
        adjustSize();
}

}   // namespace chart
