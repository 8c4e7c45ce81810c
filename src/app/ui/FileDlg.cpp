#include "app/ui/FileDlg.h"

#include <QComboBox>
#include <QDateTime>
#include <QFontMetrics>
#include <QHeaderView>
#include <QTreeWidget>

#include <chrono>

#include "app/DateTimeEx.h"
#include "app/WaitStatus.h"

namespace app {

namespace {

QString ModifiedText(std::filesystem::file_time_type t)
{
    // libstdc++'s file clock converts to the system clock through file_clock::to_sys.
    const auto sys = std::chrono::file_clock::to_sys(t);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(sys.time_since_epoch()).count();
    // Local time, in the program's own date and time text (as the status bar shows it).
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms);
    const CDateTimeEx when(local.date().year(), local.date().month(), local.date().day(),
                           local.time().hour(), local.time().minute(), local.time().second());
    return QString::fromStdString(when.FormatDateTime(true, false));
}

}   // namespace

CFileDlg::CFileDlg(QWidget* parent) : QDialog(parent) { }

int CFileDlg::FillFileList(const QString& patterns)
{
    app::CWaitStatus wait;
    std::optional<std::size_t> selected;
    m_entries = m_model.ListFiles(patterns.toStdString(), &selected);
    ShowEntries();
    if (selected)
        SelectItem(static_cast<int>(*selected));
    else if (FileList()->topLevelItemCount() > 0)
        FileList()->setCurrentItem(FileList()->topLevelItem(0), 0, QItemSelectionModel::NoUpdate);
    return static_cast<int>(m_entries.size());
}

void CFileDlg::ShowEntries()
{
    QTreeWidget* list = FileList();
    list->setUpdatesEnabled(false);
    list->clear();
    for (const auto& e : m_entries)
        list->addTopLevelItem(
            new QTreeWidgetItem({QString::fromStdString(e.shownName), ModifiedText(e.modified)}));
    // Columns as wide as their widest text plus 20 pixels.
    for (int c = 0; c < 2; ++c)
        list->resizeColumnToContents(c);
    for (int c = 0; c < 2; ++c)
        list->setColumnWidth(c, list->columnWidth(c) + 20);
    list->setUpdatesEnabled(true);
}

void CFileDlg::SelectItem(int index)
{
    if (QTreeWidgetItem* item = FileList()->topLevelItem(index)) {
        FileList()->setCurrentItem(item);
        item->setSelected(true);
    }
}

QString CFileDlg::FillTypeCombo(const QString& filter, QComboBox* combo)
{
    const app::CTypeFilter f = app::CFileDlgModel::ParseTypeFilter(filter.toStdString());
    combo->clear();
    for (const auto& e : f.entries)
        combo->addItem(QString::fromStdString(e));
    combo->setCurrentIndex(f.selected);
    OnTypeChanged();
    return QString::fromStdString(f.patterns);
}

void CFileDlg::RefreshStep()
{
    switch (m_model.RefreshStep(m_entries)) {
    case app::CFileDlgModel::RefreshAction::Refill: RefillList(); break;
    case app::CFileDlgModel::RefreshAction::Changed: {
        // The user's choice stays chosen while other files come and go.
        const QTreeWidgetItem* current = FileList()->currentItem();
        const QString chosen = current ? current->text(0) : QString();
        ShowEntries();
        for (int i = 0; i < FileList()->topLevelItemCount(); ++i) {
            if (!chosen.isEmpty() && FileList()->topLevelItem(i)->text(0) == chosen)
                SelectItem(i);
        }
        break;
    }
    case app::CFileDlgModel::RefreshAction::None: break;
    }
}

}   // namespace app
