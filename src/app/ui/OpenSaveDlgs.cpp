#include "app/ui/OpenSaveDlgs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QToolTip>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/FileNameRoom.h"
#include "platform/Files.h"

namespace app {

COpenSaveDlgBase::COpenSaveDlgBase(const QString& title, const QString& folder, QWidget* parent)
    : CFileDlg(parent)
{
    SetCaption(title);
    m_model.folder = folder.toStdString();
}

void COpenSaveDlgBase::Build(const QString& okText, QComboBox* types)
{
    m_folder = new QLineEdit(QString::fromStdString(m_model.folder.string()), this);
    m_folder->setObjectName("folder");
    auto* browse = new QPushButton(tr("&Browse..."), this);
    browse->setObjectName("browseFolder");
    connect(browse, &QPushButton::clicked, this, [this] {
        QFileDialog picker(this, tr("Select temporary folder"), m_folder->text());
        picker.setFileMode(QFileDialog::Directory);
        picker.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
        if (picker.exec() == QDialog::Accepted && !picker.selectedFiles().isEmpty())
            TakeFolder(picker.selectedFiles().front());
    });
    connect(m_folder, &QLineEdit::editingFinished, this, [this] { TakeFolder(m_folder->text()); });
    m_list = new QTreeWidget(this);
    m_list->setObjectName("files");
    m_list->setHeaderLabels({tr("Name"), tr("Modified")});
    m_list->setRootIsDecorated(false);
    // A file chosen in the list (selected and current) gives the name; the
    // selection is set after the current item moves, so it is followed here.
    // The first file starts current but unselected: a click on it selects it.
    const auto takeName = [this](QTreeWidgetItem* item) {
        if (item && item->isSelected() && m_name->text() != item->text(0)) {
            m_name->setText(item->text(0));
            NameChanged();
        }
    };
    connect(m_list, &QTreeWidget::itemSelectionChanged, this,
            [this, takeName] { takeName(m_list->currentItem()); });
    // A click on the file already chosen names it again after the name was typed over.
    connect(m_list, &QTreeWidget::itemClicked, this, takeName);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (m_ok->isEnabled())
            accept();
    });
    m_name = new QLineEdit(QString::fromStdString(m_model.name), this);
    m_name->setObjectName("name");
    connect(m_name, &QLineEdit::textEdited, this, [this] { NameChanged(); });
    m_note = new QLabel(this);
    m_note->setObjectName("note");

    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(okText, QDialogButtonBox::AcceptRole);
    m_ok->setDefault(true);
    buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* folderRow = new QHBoxLayout;
    auto* folderLabel = new QLabel(tr("Folder"), this);
    folderLabel->setBuddy(m_folder);
    folderRow->addWidget(folderLabel);
    folderRow->addWidget(m_folder, 1);
    folderRow->addWidget(browse);
    auto* form = new QFormLayout;
    form->addRow(tr("File &name"), m_name);
    if (types)
        form->addRow(tr("Files of &type"), types);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(folderRow);
    layout->addWidget(m_list, 1);
    layout->addLayout(form);
    layout->addWidget(m_note);
    layout->addWidget(buttons);
    resize(520, 420);
    // The name takes the keyboard first, as typing a name is what a user came for.
    m_name->setFocus(Qt::OtherFocusReason);

    // The list keeps in step with the folder while the dialog is open.
    m_refresh.setInterval(1000);
    connect(&m_refresh, &QTimer::timeout, this, [this] { RefreshStep(); });
    m_refresh.start();
    m_initialised = true;
}

int COpenSaveDlgBase::NameRoom() const
{
    return app::NameRoom(m_model.folder, Reserve());
}

void COpenSaveDlgBase::ApplyNameRoom()
{
    const int room = NameRoom();
    m_name->setMaxLength(std::max(1, room));
    if (m_name->text().size() > room)
        m_name->setText(m_name->text().left(room));
    NameChanged();
}

void COpenSaveDlgBase::Refuse(QWidget* field, const QString& message)
{
    m_message = message;
    m_note->setText(message);
    QToolTip::showText(field->mapToGlobal(field->rect().bottomLeft()), message, field);
    field->setFocus(Qt::OtherFocusReason);
}

void COpenSaveDlgBase::Tell(QMessageBox::Icon icon, const QString& message)
{
    m_message = message;
    m_note->clear();
    if (m_tell) {
        m_tell(icon, message);
    } else {
        QMessageBox box(icon, windowTitle(), message, QMessageBox::Ok, this);
        box.exec();
    }
    m_name->setFocus(Qt::OtherFocusReason);
}

bool COpenSaveDlgBase::TakeFolder(const QString& folder)
{
    const std::filesystem::path path = folder.trimmed().toStdString();
    std::error_code ec;
    std::optional<QString> refusal;
    if (path.empty() || !std::filesystem::is_directory(path, ec))
        refusal = tr("The folder %1 does not exist").arg(folder);
    else if (app::NameRoom(path, Reserve()) == 0)
        refusal = tr("The folder's path leaves no room for a file name");
    else
        refusal = RefuseFolder(path);
    if (refusal) {
        m_folder->setText(QString::fromStdString(m_model.folder.string()));
        Refuse(m_folder, *refusal);
        return false;
    }
    if (path != m_model.folder) {
        m_model.folder = path;
        m_name->clear();
        RefillList();
    }
    m_message.clear();
    m_note->clear();
    ApplyNameRoom();
    return true;
}

void COpenSaveDlgBase::NameChanged()
{
    m_model.name = m_name->text().trimmed().toStdString();
    m_ok->setEnabled(NameRoom() > 0 && IsValidFileName(m_name->text().trimmed()));
}

COpenFileDlg::COpenFileDlg(const QString& title, const QString& folder, const QString& filter,
                           const QString& name, QWidget* parent)
    : COpenSaveDlgBase(title, folder, parent)
{
    m_model.name = name.toStdString();
    m_types = new QComboBox(this);
    m_types->setObjectName("types");
    Build(tr("&Open"), m_types);
    m_patterns = FillTypeCombo(filter, m_types);
    connect(m_types, &QComboBox::currentIndexChanged, this, [this] { TypeChanged(); });
    TypeChanged();
    ApplyNameRoom();
}

void COpenFileDlg::TypeChanged()
{
    m_patterns = QString::fromStdString(
        app::CFileDlgModel::GetFilterPatterns(m_types->currentText().toStdString()));
    // One pattern gives the names its extension; several leave names as typed.
    const QStringList patterns = m_patterns.split(';', Qt::SkipEmptyParts);
    QString pattern;
    if (patterns.size() == 1) {
        const int dot = patterns.front().lastIndexOf('.');
        pattern = dot >= 0 ? patterns.front().mid(dot + 1) : QString();
        if (pattern == "*")
            pattern.clear();
    }
    SetPattern(pattern);
    m_model.extensions.clear();
    for (const QString& p : patterns) {
        const int dot = p.lastIndexOf('.');
        m_model.extensions.push_back((dot >= 0 ? p.mid(dot + 1) : p).toStdString());
    }
    RefillList();
}

void COpenFileDlg::RefillList()
{
    FillFileList(m_patterns);
}

void COpenFileDlg::SetOkText(const QString& text)
{
    m_ok->setText(text);
}

void COpenFileDlg::SetKeepExtension(bool keep)
{
    m_model.keepExtension = keep;
    RefillList();
    NameChanged();
}

QString COpenFileDlg::GetFileName() const
{
    const QString typed = QString::fromStdString(m_model.name);
    if (m_model.keepExtension || m_model.pattern.empty())
        return typed;
    return QString::fromStdString(
        std::filesystem::path(m_model.name).replace_extension("." + m_model.pattern).string());
}

std::filesystem::path COpenFileDlg::ChosenPath() const
{
    const std::string file = GetFileName().toStdString();
    if (file.empty())
        return {};
    if (const std::optional<std::filesystem::path> found =
            platform::FindNoCase(m_model.folder, file))
        return *found;
    return m_model.folder / file;
}

void COpenFileDlg::accept()
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(ChosenPath(), ec)) {
        Tell(QMessageBox::Warning, tr("%1 does not exist.").arg(GetFileName()));
        return;
    }
    QDialog::accept();
}

CSaveFileDlg::CSaveFileDlg(const QString& title, const QString& folder, const QString& pattern,
                           const QString& name, QWidget* parent)
    : COpenSaveDlgBase(title, folder, parent)
{
    // The name is kept without its extension; the pattern gives it back.
    m_model.name = std::filesystem::path(name.toStdString()).stem().string();
    SetPattern(pattern);
    if (!pattern.isEmpty())
        m_model.extensions = {pattern.toStdString()};
    Build(tr("&Save"), nullptr);
    RefillList();
    m_name->setText(QString::fromStdString(m_model.name));
    ApplyNameRoom();
}

void CSaveFileDlg::SetSource(const std::filesystem::path& folder, const std::string& stem)
{
    m_sourceFolder = folder;
    m_stem = stem;
}

void CSaveFileDlg::SetCompanionFiles(bool extra, int count, int suffixLength)
{
    m_extra = extra;
    m_companions = std::max(0, count);
    m_suffix = std::max(0, suffixLength);
    ApplyNameRoom();
}

int CSaveFileDlg::Reserve() const
{
    return app::SaveReserve(m_model.pattern, m_extra, m_companions, m_suffix);
}

std::optional<QString> CSaveFileDlg::RefuseFolder(const std::filesystem::path& folder) const
{
    const std::uint64_t needed = app::FilesSize(m_sourceFolder, m_stem);
    const std::optional<std::uint64_t> free = app::FreeBytes(folder);
    if (!free)
        return tr("The free space of that folder's disk cannot be read");
    if (*free <= needed)
        return tr("That folder's disk has %1 bytes free; the files need %2").arg(*free).arg(needed);
    return std::nullopt;
}

void CSaveFileDlg::RefillList()
{
    FillFileList(m_model.pattern.empty() ? QString("*")
                                         : QString("*.") + QString::fromStdString(m_model.pattern));
}

void CSaveFileDlg::accept()
{
    std::error_code ec;
    const std::filesystem::path path = GetPathName();
    if (std::filesystem::exists(path, ec)) {
        const QString file = QString::fromStdString(path.filename().string());
        if (m_networkMode) {
            Tell(QMessageBox::Critical,
                 tr("A file cannot be overwritten whilst running in Network mode."));
            return;
        }
        const QString question =
            tr("File %1 already exists.\nDo you want to overwrite it?").arg(file);
        const bool yes =
            m_ask ? m_ask(question)
                  : QMessageBox::question(this, windowTitle(), question) == QMessageBox::Yes;
        if (!yes)
            return;
    }
    QDialog::accept();
}

}   // namespace app
