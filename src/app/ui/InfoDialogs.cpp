#include "app/ui/InfoDialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/DateTimeEx.h"
#include "app/SystemUtils.h"
#include "app/Version.h"

namespace app {

namespace {
QString FromView(std::string_view s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// The picture beside the texts, and the column the texts go into.
QVBoxLayout* PictureAndColumn(QDialog* dlg)
{
    auto* row = new QHBoxLayout(dlg);
    row->addWidget(ProgramPicture(dlg), 0, Qt::AlignTop);
    auto* column = new QVBoxLayout;
    row->addLayout(column, 1);
    return column;
}
}   // namespace

QLabel* ProgramPicture(QWidget* parent)
{
    auto* picture = new QLabel(parent);
    picture->setObjectName("Picture");
    picture->setPixmap(QApplication::windowIcon().pixmap(48, 48));
    picture->setFixedSize(48, 48);
    return picture;
}

CAboutDlg::CAboutDlg(QWidget* parent, const QDateTime& buildTime) : QDialog(parent)
{
    setObjectName("AboutBox");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("About BRINEVANE");
    QVBoxLayout* layout = PictureAndColumn(this);
    auto* name = new QLabel(FromView(version::kProductName), this);
    QFont f = name->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.5);
    name->setFont(f);
    layout->addWidget(name);
    // The notice and the version are the version block's own values.
    auto* notice = new QLabel(QString::fromStdString(GetFileVersionString("LegalCopyright")), this);
    notice->setObjectName("LegalNotice");
    layout->addWidget(notice);
    auto* form = new QFormLayout;
    auto* ver = new QLabel(QString::fromStdString(GetFileVersionString("ProductVersion")), this);
    ver->setObjectName("Version");
    form->addRow("Version", ver);
    // The build's date and time in the program's long form.
    const QDate day = buildTime.date();
    const QTime time = buildTime.time();
    const CDateTimeEx built(day.year(), day.month(), day.day(), time.hour(), time.minute(),
                            time.second());
    auto* date = new QLabel(QString::fromStdString(built.FormatLong()), this);
    date->setObjectName("ReleaseDate");
    form->addRow("Release Date", date);
    layout->addLayout(form);
    auto* ok = new QPushButton("&OK", this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::close);
    layout->addWidget(ok, 0, Qt::AlignRight);
}

CCreditsDlg::CCreditsDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName("Credits");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Credits");
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(FromView(version::kSpecialBuild), this);
    text->setObjectName("SpecialBuild");
    text->setAlignment(Qt::AlignCenter);
    layout->addWidget(text);
    auto* ok = new QPushButton("&OK", this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::close);
    layout->addWidget(ok, 0, Qt::AlignCenter);
}

CTechSuppDLG::CTechSuppDLG(QWidget* parent, std::function<void(const std::string&)> tell)
    : QDialog(parent)
{
    setObjectName("TechnicalSupport");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("How to Get Technical Support");
    QVBoxLayout* layout = PictureAndColumn(this);
    layout->addWidget(new QLabel("You can obtain technical support by", this));
    auto* form = new QFormLayout;
    form->addRow("Phoning", new QLabel("+44 1632 960 418", this));
    form->addRow("Faxing", new QLabel("+44 1632 960 419", this));
    auto* mail = new QLabel(SupportAddress(), this);
    mail->setObjectName("SupportAddress");
    form->addRow("E-Mail", mail);
    layout->addLayout(form);
    auto* row = new QHBoxLayout;
    auto* mailButton = new QPushButton("Mail", this);
    // A machine with no e-mail program set up says nothing itself: the user
    // is told, with the address to write to.
    connect(mailButton, &QPushButton::clicked, this, [tell = std::move(tell)] {
        if (!QDesktopServices::openUrl(QUrl(MailLink())) && tell)
            tell("Unable to start a program to write e-mail: none is set up on this "
                 "computer.\nPlease write to " +
                 SupportAddress().toStdString() + ".");
    });
    auto* ok = new QPushButton("&OK", this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::close);
    row->addStretch();
    row->addWidget(mailButton);
    row->addWidget(ok);
    layout->addLayout(row);
}

QString CTechSuppDLG::SupportAddress()
{
    return "support@quorwick.example";
}

QString CTechSuppDLG::MailLink()
{
    return "mailto:" + SupportAddress();
}

CWaitDlg::CWaitDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Calculating , Please Wait");
    auto* form = new QFormLayout(this);
    const char* labels[4] = {"Time iteration No", "Leg No", "Course iteration No", "Time step"};
    for (int i = 0; i < 4; ++i) {
        m_values[i] = new QLabel(this);
        m_values[i]->setMinimumWidth(80);
        form->addRow(labels[i], m_values[i]);
    }
    auto* cancel = new QPushButton("Cancel", this);
    cancel->hide();
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
    form->addRow(cancel);
}

void CWaitDlg::SetValues(const QString& a, const QString& b, const QString& c, const QString& d)
{
    const QString v[4] = {a, b, c, d};
    for (int i = 0; i < 4; ++i)
        m_values[i]->setText(v[i]);
}

QString CWaitDlg::Value(int index) const
{
    return index >= 0 && index < 4 ? m_values[index]->text() : QString();
}

}   // namespace app
