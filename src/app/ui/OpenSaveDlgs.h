#pragma once
// The program's own Open and Save dialogs on the file dialog base: a folder
// field, the folder's files with their dates, a name field. The name may be
// only as long as the system's path and name maxima leave room for in the
// folder; a folder with no room left is refused, and so is a save folder
// whose disk cannot take the files being saved.

#include <QMessageBox>
#include <QTimer>

#include <functional>

#include "app/ui/FileDlg.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace app {

class COpenSaveDlgBase : public CFileDlg {
    Q_OBJECT
public:
    QLineEdit* NameEdit() const { return m_name; }
    QLineEdit* FolderEdit() const { return m_folder; }
    QPushButton* OkButton() const { return m_ok; }
    QTreeWidget* Files() const { return m_list; }
    // The last refusal said at the field (empty when none).
    QString LastMessage() const { return m_message; }
    // Takes a typed folder when it is acceptable; otherwise the old one
    // comes back with the reason. True when taken.
    bool TakeFolder(const QString& folder);
    // The room left for a name in the current folder.
    int NameRoom() const;
    // How a refusal of OK is told (a message box unless replaced): a missing
    // file to open, a file that cannot be overwritten.
    using Teller = std::function<void(QMessageBox::Icon, const QString&)>;
    void SetTeller(Teller tell) { m_tell = std::move(tell); }

protected:
    COpenSaveDlgBase(const QString& title, const QString& folder, QWidget* parent);
    void Build(const QString& okText, QComboBox* types);
    QTreeWidget* FileList() const override { return m_list; }
    virtual int Reserve() const { return 0; }
    // Save: the disk must take what is saved.
    virtual std::optional<QString> RefuseFolder(const std::filesystem::path&) const
    {
        return std::nullopt;
    }
    void NameChanged();
    void Refuse(QWidget* field, const QString& message);
    // Refuses OK with a message box of `icon`; the dialog stays open.
    void Tell(QMessageBox::Icon icon, const QString& message);
    void ApplyNameRoom();

    QLineEdit* m_folder = nullptr;
    QLineEdit* m_name = nullptr;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_ok = nullptr;
    QLabel* m_note = nullptr;
    QString m_message;
    QTimer m_refresh;
    Teller m_tell;
};

class COpenFileDlg : public COpenSaveDlgBase {
    Q_OBJECT
public:
    // `filter`: entries separated by "\n", each "Description (*.a;*.b)".
    COpenFileDlg(const QString& title, const QString& folder, const QString& filter,
                 const QString& name, QWidget* parent = nullptr);
    QComboBox* TypeCombo() const { return m_types; }
    // The accept button's text in place of "&Open" (the attach dialog's "&Attach").
    void SetOkText(const QString& text);
    // Names keep and show their extensions, and may hold a '.'.
    void SetKeepExtension(bool keep);
    // The name as typed, its extension replaced by the type's when the type
    // has a single pattern and names do not keep their own.
    QString GetFileName() const;
    // The file chosen: the folder and GetFileName(), found without regard to
    // case (a chart "A1.B" for the type "*.b").
    std::filesystem::path ChosenPath() const;
    void accept() override;

protected:
    // The type's extension is added to the typed name.
    int Reserve() const override
    {
        return m_model.pattern.empty() ? 0 : static_cast<int>(m_model.pattern.size()) + 1;
    }
    void RefillList() override;

private:
    void TypeChanged();
    QComboBox* m_types = nullptr;
    QString m_patterns;
};

class CSaveFileDlg : public COpenSaveDlgBase {
    Q_OBJECT
public:
    // `pattern`: the saved file's extension without its dot; `sourceFolder`
    // and the name say which files a save writes (for the free-space check).
    CSaveFileDlg(const QString& title, const QString& folder, const QString& pattern,
                 const QString& name, QWidget* parent = nullptr);
    void SetSource(const std::filesystem::path& folder, const std::string& stem);
    void SetCompanionFiles(bool extra, int count, int suffixLength);
    // Station messaging on: an existing file is never overwritten.
    void SetNetworkMode(bool on) { m_networkMode = on; }
    // How an overwrite question is answered (a message box unless replaced).
    void SetOverwriteAsker(std::function<bool(const QString&)> ask) { m_ask = std::move(ask); }
    void accept() override;

protected:
    int Reserve() const override;
    std::optional<QString> RefuseFolder(const std::filesystem::path& folder) const override;
    void RefillList() override;

private:
    std::filesystem::path m_sourceFolder;
    std::string m_stem;
    bool m_extra = false;
    int m_companions = 0;
    int m_suffix = 0;
    bool m_networkMode = false;
    std::function<bool(const QString&)> m_ask;
};

}   // namespace app
