#include "nmea/ui/GPSConfiguration.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QVBoxLayout>

namespace nmea {

CGPSConfiguration::CGPSConfiguration(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("GPS Configuration");
    setObjectName("GPSConfiguration");
    m_datum = new QCheckBox("Is datum set to WGS84", this);
    m_time = new QCheckBox("Is date/time set to GMT", this);
    m_datum->setChecked(true);
    m_time->setChecked(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_datum);
    layout->addWidget(m_time);
    layout->addWidget(buttons);
}

bool CGPSConfiguration::DatumConfirmed() const
{
    return m_datum->isChecked();
}
bool CGPSConfiguration::TimeConfirmed() const
{
    return m_time->isChecked();
}

}   // namespace nmea
