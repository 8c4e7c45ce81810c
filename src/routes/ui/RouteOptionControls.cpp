#include "routes/ui/RouteOptionControls.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

namespace routes {

namespace {

QColor FromColorRef(chart::COLORREF c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

chart::COLORREF ToColorRef(const QColor& c)
{
    return chart::COLORREF(c.red()) | (chart::COLORREF(c.green()) << 8) |
           (chart::COLORREF(c.blue()) << 16);
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

QPushButton* MakeWell(const char* name, const QString& accessible, QWidget* parent)
{
    auto* well = new QPushButton(parent);
    well->setObjectName(name);
    well->setAccessibleName(accessible);
    well->setFixedWidth(48);
    return well;
}

void PaintWell(QPushButton* well, chart::COLORREF colour)
{
    well->setStyleSheet(QStringLiteral("background-color: %1").arg(FromColorRef(colour).name()));
}

bool PickColour(QWidget* parent, const QString& title, chart::COLORREF& colour)
{
    const QColor chosen = QColorDialog::getColor(FromColorRef(colour), parent, title);
    if (!chosen.isValid())
        return false;
    colour = ToColorRef(chosen);
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
    // The palette module has no change notice for pages: a quarter-second
    // look while the sheet is open (it runs only while the page exists).
    auto* timer = new QTimer(page);
    timer->setInterval(250);
    QObject::connect(timer, &QTimer::timeout, page,
                     [follow = std::move(follow), repaint = std::move(repaint)] {
                         if (follow(chart::ActivePaletteIndex()))
                             repaint();
                     });
    timer->start();
}

}   // namespace routes
