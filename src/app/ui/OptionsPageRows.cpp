#include "app/ui/OptionsPageRows.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace app {

QColor ToQColor(COLORREF colour)
{
    return QColor(int(GetRValue(colour)), int(GetGValue(colour)), int(GetBValue(colour)));
}

COLORREF FromQColor(const QColor& colour)
{
    return RGB(unsigned(colour.red()), unsigned(colour.green()), unsigned(colour.blue()));
}

QPushButton* ColourWell(const char* name, const QString& accessibleName, QWidget* parent)
{
    auto* well = new QPushButton(parent);
    well->setObjectName(name);
    well->setAccessibleName(accessibleName);
    well->setFixedWidth(48);
    return well;
}

void PaintWell(QPushButton* well, COLORREF colour)
{
    well->setStyleSheet(QStringLiteral("background-color: %1").arg(ToQColor(colour).name()));
}

bool PickColour(COLORREF& colour, const QString& title, QWidget* parent)
{
    const QColor chosen = QColorDialog::getColor(ToQColor(colour), parent, title);
    if (!chosen.isValid())
        return false;
    colour = FromQColor(chosen);
    return true;
}

QLineEdit* FolderRow(QFormLayout* form, const QString& label, const char* name,
                     const QString& browseTitle, QWidget* parent)
{
    auto* row = new QHBoxLayout();
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMinimumWidth(280);
    auto* browse = new QPushButton(QStringLiteral("..."), parent);
    browse->setAccessibleName(browseTitle);
    browse->setMaximumWidth(32);
    row->addWidget(edit, 1);
    row->addWidget(browse);
    auto* caption = new QLabel(label, parent);
    caption->setBuddy(edit);
    form->addRow(caption, row);
    QObject::connect(browse, &QPushButton::clicked, parent, [edit, browseTitle, parent] {
        const QString chosen = QFileDialog::getExistingDirectory(parent, browseTitle, edit->text());
        if (!chosen.isEmpty())
            edit->setText(chosen);
    });
    return edit;
}

void CheckWhileOpen(QWidget* page, std::function<void()> check)
{
    auto* timer = new QTimer(page);
    timer->setInterval(250);
    QObject::connect(timer, &QTimer::timeout, page, std::move(check));
    timer->start();
}

}   // namespace app
