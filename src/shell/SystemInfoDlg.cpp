#include "shell/SystemInfoDlg.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QVBoxLayout>

namespace shell {

namespace {

QPlainTextEdit* TextPage(const QString& text, const char* name)
{
    auto* page = new QPlainTextEdit(text);
    page->setObjectName(name);
    page->setReadOnly(true);
    page->setLineWrapMode(QPlainTextEdit::NoWrap);
    page->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    return page;
}

}   // namespace

CSystemInfoDlg::CSystemInfoDlg(const QString& operatingSystem, const QString& filesInUse,
                               QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("System Information"));
    auto* tabs = new QTabWidget(this);
    tabs->addTab(TextPage(operatingSystem, "operatingSystem"), tr("Operating System"));
    tabs->addTab(TextPage(filesInUse, "filesInUse"), tr("Files In Use"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs, 1);
    layout->addWidget(buttons);
    resize(640, 480);
}

}   // namespace shell
