#include "chart/ui/OptionPageControls.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

namespace chart {

namespace {

QColor ToColour(COLORREF c)
{
    return QColor(int(app::GetRValue(c)), int(app::GetGValue(c)), int(app::GetBValue(c)));
}

}   // namespace

QCheckBox* MakeCheck(const QString& text, const char* name, QWidget* parent)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(name);
    return box;
}

QSpinBox* MakeWhole(const char* name, int low, int high, QWidget* parent)
{
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(name);
    spin->setLocale(QLocale::c());
    spin->setRange(low, high);
    return spin;
}

QPushButton* MakeWell(const char* name, const QString& accessibleName, QWidget* parent)
{
    auto* well = new QPushButton(parent);
    well->setObjectName(name);
    well->setAccessibleName(accessibleName);
    well->setFixedWidth(48);
    return well;
}

void PaintWell(QPushButton* well, COLORREF colour)
{
    // Disabled, the well shows its colour's grey halfway to the button face of
    // the palette in use: it never looks like a well that can be used.
    const QColor c = ToColour(colour);
    const int grey = qGray(c.rgb());
    const QColor face = QApplication::palette().color(QPalette::Active, QPalette::Button);
    const QColor dim((grey + face.red()) / 2, (grey + face.green()) / 2, (grey + face.blue()) / 2);
    well->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; } "
                                       "QPushButton:disabled { background-color: %2; }")
                            .arg(c.name(), dim.name()));
}

void PaintSwatch(QPushButton* well, COLORREF colour)
{
    QPixmap swatch(32, 12);
    swatch.fill(ToColour(colour));
    well->setIcon(QIcon(swatch));
    well->setIconSize(swatch.size());
}

QIcon LineWidthIcon(int width)
{
    QPixmap picture(60, 12);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setPen(QPen(Qt::black, width));
    painter.drawLine(4, 6, 56, 6);
    return QIcon(picture);
}

bool PickColour(QWidget* parent, const QString& title, COLORREF& colour)
{
    const QColor chosen = QColorDialog::getColor(ToColour(colour), parent, title);
    if (!chosen.isValid())
        return false;
    colour = app::RGB(unsigned(chosen.red()), unsigned(chosen.green()), unsigned(chosen.blue()));
    return true;
}

QLineEdit* MakeFolderRow(QFormLayout* form, const QString& label, const char* name,
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

void FollowDisplayPalette(QWidget* page, std::function<bool(int palette)> follow,
                          std::function<void()> repaint)
{
    // No notice reaches a page when the palette changes: it looks, only
    // while the page exists.
    auto* timer = new QTimer(page);
    timer->setInterval(250);
    QObject::connect(timer, &QTimer::timeout, page,
                     [follow = std::move(follow), repaint = std::move(repaint)] {
                         if (follow(ActivePaletteIndex()))
                             repaint();
                     });
    timer->start();
}

}   // namespace chart
