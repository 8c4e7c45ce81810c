#include "navigator/ui/LoggingOptionsPage.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "chart/ui/OptionPageControls.h"
#include "navigator/ui/TimeSpanEdit.h"

namespace navigator {

CLoggingOptions::CLoggingOptions(std::unique_ptr<CLoggingOptionsModel> model,
                                 std::function<bool()> moduleLogging, QWidget* parent)
    : app::CXPropertyPage(std::move(model), parent), m_moduleLogging(std::move(moduleLogging))
{
    setObjectName("positionLogging");
    auto* general = new QGroupBox(tr("General"), this);
    m_trackTime = MakeTimeSpanEdit("trackTime", general);
    m_logTime = MakeTimeSpanEdit("logTime", general);
    auto* grid = new QGridLayout(general);
    const std::pair<QString, QLineEdit*> rows[] = {{tr("Position marker every"), m_trackTime},
                                                   {tr("Log position every"), m_logTime}};
    int row = 0;
    for (const auto& [text, edit] : rows) {
        auto* label = new QLabel(text, general);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        grid->addWidget(new QLabel(tr("Hrs:Mins:Secs"), general), row, 2);
        ++row;
    }
    grid->setColumnStretch(3, 1);

    m_save = new QCheckBox(tr("&Save to logbook"), this);
    m_save->setObjectName("saveToLogbook");
    connect(m_save, &QCheckBox::clicked, this, [this](bool on) { M().Values().loggingOn = on; });

    auto* folder = new QGroupBox(tr("Database folder"), this);
    auto* form = new QFormLayout(folder);
    // The group's title names the folder: the row has no label of its own.
    m_folder = chart::MakeFolderRow(form, QString(), "logFolder", tr("Select Log database folder"),
                                    folder);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(general);
    layout->addWidget(m_save);
    layout->addWidget(folder);
    layout->addStretch(1);

    // "Save to logbook" follows the menu's logging switch while the sheet is open.
    auto* follow = new QTimer(this);
    follow->setInterval(500);
    connect(follow, &QTimer::timeout, this, [this] { FollowModule(); });
    follow->start();
}

CLoggingOptionsModel& CLoggingOptions::M() const
{
    return static_cast<CLoggingOptionsModel&>(Model());
}

void CLoggingOptions::FollowModule()
{
    if (m_moduleLogging && M().FollowLogging(m_moduleLogging()))
        m_save->setChecked(M().Values().loggingOn);
}

void CLoggingOptions::showEvent(QShowEvent* event)
{
    app::CXPropertyPage::showEvent(event);
    FollowModule();
}

std::optional<app::CFieldError> CLoggingOptions::ControlsToModel()
{
    CLoggingValues& v = M().Values();
    if (auto error = ReadTimeSpan(m_trackTime, v.trackSeconds))
        return error;
    if (auto error = ReadTimeSpan(m_logTime, v.logSeconds))
        return error;
    // A switch from the menu since the last look wins over the box's old tick.
    FollowModule();
    v.loggingOn = m_save->isChecked();
    v.folder = m_folder->text().trimmed().toStdString();
    return std::nullopt;
}

void CLoggingOptions::ModelToControls()
{
    const CLoggingValues& v = M().Values();
    ShowTimeSpan(m_trackTime, v.trackSeconds);
    ShowTimeSpan(m_logTime, v.logSeconds);
    m_save->setChecked(v.loggingOn);
    m_folder->setText(QString::fromStdString(v.folder));
}

}   // namespace navigator
