#include "chartpoints/ui/ChartpointPropDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>

namespace chartpoints {

CChartpointPropDlg::CChartpointPropDlg(std::function<geo::CPositionFormat()> format,
                                       QWidget* parent)
    : QWidget(parent), m_format(std::move(format)), m_name(new QLineEdit(this)),
      m_latitude(new QLineEdit(this)), m_longitude(new QLineEdit(this))
{
    setObjectName("ChartpointPropDlg");
    setWindowTitle(QStringLiteral("General"));
    m_name->setObjectName("name");
    m_latitude->setObjectName("latitude");
    m_longitude->setObjectName("longitude");
    auto* form = new QFormLayout(this);
    for (QLineEdit* edit : {m_name, m_latitude, m_longitude})
        edit->setReadOnly(true);
    form->addRow(QStringLiteral("Name"), m_name);
    form->addRow(QStringLiteral("Position"), m_latitude);
    form->addRow(QString(), m_longitude);
    UpdateControls();
}

void CChartpointPropDlg::SetObject(std::optional<chartpoints::CChartpoint> chartpoint)
{
    m_chartpoint = std::move(chartpoint);
    UpdateControls();
}

void CChartpointPropDlg::SetChart(std::string name, const geo::CPosition& reference)
{
    m_chartName = std::move(name);
    m_chartReference = reference;
    UpdateControls();
}

void CChartpointPropDlg::UpdateControls()
{
    const bool shown = m_chartpoint.has_value() || !m_chartName.empty();
    for (QLineEdit* edit : {m_name, m_latitude, m_longitude}) {
        edit->setEnabled(shown);
        edit->clear();
    }
    if (!shown)
        return;
    const geo::CPositionFormat format = m_format ? m_format() : geo::CPositionFormat{};
    const geo::CPosition& p = m_chartpoint ? m_chartpoint->m_position : m_chartReference;
    m_name->setText(QString::fromStdString(m_chartpoint ? m_chartpoint->m_name : m_chartName));
    if (p.IsValid()) {
        m_latitude->setText(QString::fromStdString(p.FormatLatitude(format)));
        m_longitude->setText(QString::fromStdString(p.FormatLongitude(format)));
    }
    for (QLineEdit* edit : {m_name, m_latitude, m_longitude})
        edit->setCursorPosition(0);
}

CChartpointPropSheet::CChartpointPropSheet(std::function<geo::CPositionFormat()> format,
                                           QWidget* parent)
    : QDialog(parent)
{
    setObjectName("ChartpointProperties");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Chartpoint Properties"));
    auto* tabs = new QTabWidget(this);
    m_page = new CChartpointPropDlg(std::move(format), tabs);
    tabs->addTab(m_page, m_page->windowTitle());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
}

}   // namespace chartpoints
