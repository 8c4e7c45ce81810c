#include "routes/ui/TidalStreamWindow.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

namespace routes {

CTidalStreamWindow::CTidalStreamWindow(const geo::CPosition& where, QWidget* parent)
    : CTidalTimeWindow("Tidal Stream", parent), m_where(where)
{
    auto* form = new QFormLayout;
    auto field = [this, form](const char* name, const char* label) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name);
        edit->setReadOnly(true);
        edit->setMaximumWidth(90);
        form->addRow(label, edit);
        return edit;
    };
    m_rate = field("TidalRate", "Rate, knots");
    m_direction = field("TidalDirection", "Direction, \u00b0T");
    m_height = field("TidalHeight", "Height from MSL, metres");
    Body()->addLayout(form);
}

void CTidalStreamWindow::Show(const routes::TidalStreamReading& r)
{
    if (r.code != 0) {
        // The window waits while its box is up, as it does while it draws.
        setEnabled(false);
        QMessageBox::critical(this, windowTitle(), QString::fromStdString(r.message));
        setEnabled(true);
    }
    Fill(r);
}

void CTidalStreamWindow::Fill(const routes::TidalStreamReading& r)
{
    if (!r.usable)
        return;
    m_rate->setText(QString::fromStdString(r.rateText));
    m_direction->setText(QString::fromStdString(r.directionText));
    m_height->setText(QString::fromStdString(r.heightText));
}

QString CTidalStreamWindow::RateText() const
{
    return m_rate->text();
}
QString CTidalStreamWindow::DirectionText() const
{
    return m_direction->text();
}
QString CTidalStreamWindow::HeightText() const
{
    return m_height->text();
}

}   // namespace routes
