#include "navigator/ui/VesselPropDlg.h"

#include <QFormLayout>
#include <QLineEdit>

#include "app/StringUtils.h"

namespace navigator {

namespace {

QString OneDecimal(double value)
{
    return QString::fromStdString(app::FormatDouble(value, 1, 0));
}

}   // namespace

CVesselPropDlg::CVesselPropDlg(QWidget* parent)
    : app::CXPropertyPage(std::make_unique<app::CShownOnlyPageModel>("General"), parent)
{
    setObjectName("VesselPropDlg");
    auto* form = new QFormLayout(this);
    const auto field = [this, form](const QString& label, const char* name) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name);
        edit->setReadOnly(true);
        form->addRow(label, edit);
        return edit;
    };
    m_name = field(tr("Name"), "vesselName");
    m_length = field(tr("Length (m)"), "vesselLength");
    m_draft = field(tr("Draft (m)"), "vesselDraft");
    m_beam = field(tr("Beam (m)"), "vesselBeam");
    m_speed = field(tr("Speed (knots)"), "vesselSpeed");
    SetVessel(std::nullopt);
}

void CVesselPropDlg::SetVessel(const std::optional<COwnVessel>& vessel)
{
    m_vessel = vessel;
    for (QLineEdit* edit : {m_name, m_length, m_draft, m_beam, m_speed}) {
        edit->setEnabled(vessel.has_value());
        edit->clear();
    }
    if (!vessel)
        return;
    m_name->setText(QString::fromStdString(vessel->name));
    m_length->setText(OneDecimal(vessel->length));
    m_draft->setText(OneDecimal(vessel->draft));
    m_beam->setText(OneDecimal(vessel->beam));
    m_speed->setText(OneDecimal(vessel->speed));
    // Read from the start: a name longer than its field shows its first letters.
    for (QLineEdit* edit : {m_name, m_length, m_draft, m_beam, m_speed})
        edit->setCursorPosition(0);
}

}   // namespace navigator
