#pragma once
// Base of the program's own open and save dialogs: a file list with name and
// modification date, a file-type combo, name checks and path building (the
// rules live in app::CFileDlgModel), and a rotating refresh that keeps the
// list in step with the folder while the dialog is open.

#include <QDialog>

#include <vector>

#include "app/FileDlgModel.h"

class QComboBox;
class QTreeWidget;

namespace app {

class CFileDlg : public QDialog {
    Q_OBJECT
public:
    explicit CFileDlg(QWidget* parent = nullptr);

    app::CFileDlgModel& Model() { return m_model; }
    void SetCaption(const QString& text) { setWindowTitle(text); }
    std::filesystem::path GetPathName() const { return m_model.GetPathName(); }
    bool IsValidFileName(const QString& name) const
    {
        return m_model.IsValidFileName(name.toStdString());
    }

    // Fills the list from the folder; returns the number of files listed.
    int FillFileList(const QString& patterns);
    void SelectItem(int index);
    // Fills the combo from a "\n"-separated filter; returns the selected entry's patterns.
    QString FillTypeCombo(const QString& filter, QComboBox* combo);
    // One step of the refresh; derived dialogs call it from a timer.
    virtual void RefreshStep();

protected:
    virtual QTreeWidget* FileList() const = 0;
    virtual void SetPattern(const QString& pattern) { m_model.pattern = pattern.toStdString(); }
    virtual void OnTypeChanged() { m_model.applyPattern = true; }
    virtual void RefillList() { }

    void ShowEntries();

    app::CFileDlgModel m_model;
    std::vector<app::CFileListEntry> m_entries;
    bool m_initialised = false;
};

}   // namespace app
