#include "routes/ui/TidalTimeWindow.h"

#include "app/ui/DateTimeEdits.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTimeZone>
#include <QVBoxLayout>

namespace routes {

QDateTime EarliestTidalTime()
{
    return QDateTime(QDate(1970, 1, 1), QTime(0, 0, 0));
}

QDateTime LatestTidalTime()
{
    return QDateTime(QDate(2038, 1, 18), QTime(23, 59, 59));
}

CTidalTimeWindow::CTidalTimeWindow(const QString& title, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(title);
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    m_time = new QDateTimeEdit(this);
    m_time->setObjectName("TidalTime");
    m_time->setCalendarPopup(true);
    m_time->setTimeSpec(Qt::LocalTime);
    m_time->setDateTimeRange(EarliestTidalTime(), LatestTidalTime());
    app::UseLocaleDateTime(m_time, true);
    layout->addWidget(m_time);
    auto* applyRow = new QHBoxLayout;
    m_immediately = new QCheckBox("Apply &Immediately", this);
    m_immediately->setChecked(true);
    m_apply = new QPushButton("&Apply", this);
    m_apply->setEnabled(false);
    applyRow->addWidget(m_immediately);
    applyRow->addWidget(m_apply);
    layout->addLayout(applyRow);
    m_body = new QVBoxLayout;
    layout->addLayout(m_body);
    auto* buttons = new QHBoxLayout;
    auto* caution = new QPushButton("CAUTION", this);
    caution->setStyleSheet("color: red; font-weight: bold");
    auto* close = new QPushButton("&Close", this);
    m_options = new QPushButton("&Options", this);
    m_options->setObjectName("TidalOptions");
    buttons->addWidget(caution);
    buttons->addStretch();
    buttons->addWidget(m_options);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(m_immediately, &QCheckBox::toggled, this,
            [this](bool on) { m_apply->setEnabled(!on); });
    connect(m_apply, &QPushButton::clicked, this, &CTidalTimeWindow::Apply);
    connect(m_time, &QDateTimeEdit::dateTimeChanged, this, [this] {
        if (m_immediately->isChecked())
            Apply();
    });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    // Close, Escape and the window manager's close all end as a rejection;
    // the window goes once its owner has forgotten it.
    connect(this, &QDialog::finished, this, [this] {
        if (auto closed = std::move(onClosed)) {
            onClosed = nullptr;
            closed();
        }
        deleteLater();
    });
    connect(caution, &QPushButton::clicked, this, [this] {
        if (onCaution)
            onCaution();
    });
    connect(m_options, &QPushButton::clicked, this, [this] {
        if (onOptions)
            onOptions();
    });
    SetUtc(QDateTime::currentSecsSinceEpoch());
}

void CTidalTimeWindow::SetUtc(qint64 utc)
{
    m_applied = utc;
    const QSignalBlocker quiet(m_time);
    m_time->setDateTime(QDateTime::fromSecsSinceEpoch(utc).toLocalTime());
}

void CTidalTimeWindow::Apply()
{
    m_applied = m_time->dateTime().toSecsSinceEpoch();
    if (onApplied)
        onApplied();
}

}   // namespace routes
