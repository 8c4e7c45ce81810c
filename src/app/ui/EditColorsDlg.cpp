#include "app/ui/EditColorsDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace app {

namespace {

// The grid's layout in pixels: margins, pitch and cell size.
constexpr int kLeft = 20;
constexpr int kTop = 25;
constexpr int kPitch = 35;
constexpr int kCell = 25;

QColor ToQColor(app::COLORREF c)
{
    return QColor(static_cast<int>(app::GetRValue(c)), static_cast<int>(app::GetGValue(c)),
                  static_cast<int>(app::GetBValue(c)));
}

// Panels take their background and frame from the palette in use now.
QColor PanelBackground(const app::CDisplayPalettes& p)
{
    return ToQColor(p.GetColour(p.GetActive(), 4));
}
QColor PanelFrame(const app::CDisplayPalettes& p)
{
    return ToQColor(p.GetColour(p.GetActive(), 7));
}

}   // namespace

CColourGridPanel::CColourGridPanel(app::CPaletteEditorModel& model, QWidget* parent)
    : QWidget(parent), m_model(model)
{
    setObjectName("colourGrid");
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Basic colours"));
    setMinimumSize(sizeHint());
}

QSize CColourGridPanel::sizeHint() const
{
    return {kLeft * 2 + kPitch * (app::CPaletteEditorModel::kColumns - 1) + kCell,
            kTop + kPitch * (app::CPaletteEditorModel::kRows - 1) + kCell + 15};
}

int CColourGridPanel::CellAt(const QPoint& point)
{
    for (int cell = 0; cell < static_cast<int>(app::kStaticColours.size()); ++cell) {
        const int column = cell % app::CPaletteEditorModel::kColumns;
        const int row = cell / app::CPaletteEditorModel::kColumns;
        if (QRect(kLeft + column * kPitch, kTop + row * kPitch, kCell, kCell).contains(point))
            return cell;
    }
    return -1;
}

void CColourGridPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const app::CDisplayPalettes& p = m_model.Palettes();
    painter.fillRect(rect(), PanelBackground(p));
    painter.setPen(PanelFrame(p));
    for (int cell = 0; cell < static_cast<int>(app::kStaticColours.size()); ++cell) {
        const QRect r(kLeft + cell % app::CPaletteEditorModel::kColumns * kPitch,
                      kTop + cell / app::CPaletteEditorModel::kColumns * kPitch, kCell, kCell);
        painter.fillRect(r, ToQColor(app::kStaticColours[static_cast<std::size_t>(cell)]));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        if (cell == m_model.SelectedCell()) {
            // The mark: a one-pixel rectangle two pixels outside the cell on
            // every side, inverting what is under it.
            painter.save();
            painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            painter.setPen(QPen(Qt::white, 0));
            painter.drawRect(r.adjusted(-2, -2, 1, 1));
            painter.restore();
        }
    }
    if (hasFocus()) {
        painter.setPen(QPen(PanelFrame(p), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(1, 1, -2, -2));
    }
}

void CColourGridPanel::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    const int cell = CellAt(event->position().toPoint());
    if (cell < 0)
        return;
    m_model.ChooseCell(cell);
    update();
    emit chosen();
}

void CColourGridPanel::keyPressEvent(QKeyEvent* event)
{
    int dx = 0, dy = 0;
    switch (event->key()) {
    case Qt::Key_Left: dx = -1; break;
    case Qt::Key_Right: dx = 1; break;
    case Qt::Key_Up: dy = -1; break;
    case Qt::Key_Down: dy = 1; break;
    default: QWidget::keyPressEvent(event); return;
    }
    if (m_model.SelectedCell() == app::CPaletteEditorModel::kNoCell) {
        m_model.ChooseCell(0);
    } else if (!m_model.MoveSelection(dx, dy)) {
        return;
    }
    update();
    emit chosen();
}

CSampleElementsPanel::CSampleElementsPanel(app::CPaletteEditorModel& model, QWidget* parent)
    : QWidget(parent), m_model(model)
{
    setObjectName("sample");
    setAccessibleName(tr("Sample"));
    setMinimumSize(sizeHint());
}

QSize CSampleElementsPanel::sizeHint() const
{
    return {app::kSampleWidth + 2 * app::kSampleInset, app::kSampleHeight + 2 * app::kSampleInset};
}

void CSampleElementsPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const app::CDisplayPalettes& p = m_model.Palettes();
    painter.fillRect(rect(), PanelBackground(p));
    painter.translate(app::kSampleInset, app::kSampleInset);
    const int palette = m_model.Palette();
    for (const app::CSamplePart& part : app::SampleLayout()) {
        const QRect r(part.rect.x, part.rect.y, part.rect.width, part.rect.height);
        const QColor colour = ToQColor(p.GetColour(palette, part.element));
        if (part.text) {
            painter.setPen(colour);
            painter.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8(part.text));
        } else {
            painter.fillRect(r, colour);
        }
    }
    painter.resetTransform();
    // The scroll bar's arrow buttons, as the style draws them.
    QStyleOption arrow;
    arrow.palette.setColor(QPalette::ButtonText, ToQColor(p.GetColour(palette, 7)));
    for (const auto& [r, kind] :
         {std::pair{app::kSampleArrowUp, QStyle::PE_IndicatorArrowUp},
          std::pair{app::kSampleArrowDown, QStyle::PE_IndicatorArrowDown}}) {
        arrow.rect = QRect(r.x, r.y, r.width, r.height);
        style()->drawPrimitive(kind, &arrow, &painter, this);
    }
    painter.setPen(PanelFrame(p));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void CSampleElementsPanel::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint() - QPoint(app::kSampleInset, app::kSampleInset);
    emit elementClicked(app::SampleElementAt(at.x(), at.y()));
}

CEditColorsDlg::CEditColorsDlg(const app::CDisplayPalettes& palettes, int palette, QWidget* parent)
    : QDialog(parent), m_model(palettes, palette)
{
    setWindowTitle(tr("Edit Palette Colours"));
    auto* name = new QLabel(
        QString::fromUtf8(app::CDisplayPalettes::PaletteName(m_model.Palette()).data()), this);
    name->setObjectName("paletteName");
    m_elements = new QComboBox(this);
    m_elements->setObjectName("element");
    for (int e = 0; e < app::CDisplayPalettes::kElementCount; ++e)
        m_elements->addItem(QString::fromUtf8(
            app::CDisplayPalettes::ElementDisplayName(app::CDisplayPalettes::ElementIndex(e))
                .data()));
    auto* elementLabel = new QLabel(tr("Screen Element"), this);
    elementLabel->setBuddy(m_elements);

    auto* basic = new QGroupBox(tr("Basic Colours"), this);
    m_grid = new CColourGridPanel(m_model, basic);
    auto* basicLayout = new QVBoxLayout(basic);
    basicLayout->addWidget(m_grid);
    auto* sampleBox = new QGroupBox(tr("Sample"), this);
    m_sample = new CSampleElementsPanel(m_model, sampleBox);
    auto* sampleLayout = new QVBoxLayout(sampleBox);
    sampleLayout->addWidget(m_sample);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(tr("&OK"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
    ok->setAutoDefault(false);
    cancel->setDefault(true);   // Return leaves the palettes as they were
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    connect(m_elements, &QComboBox::currentIndexChanged, this,
            [this](int element) { SelectElement(element); });
    connect(m_grid, &CColourGridPanel::chosen, this, [this] { m_sample->update(); });
    connect(m_sample, &CSampleElementsPanel::elementClicked, this, [this](int element) {
        // Off every element the element stays; the grid shows its colour
        // and takes the focus either way.
        if (element >= 0)
            m_elements->setCurrentIndex(element);
        m_model.SelectCellOfElement();
        m_grid->setFocus(Qt::OtherFocusReason);
        m_grid->update();
    });

    auto* top = new QHBoxLayout;
    top->addWidget(elementLabel);
    top->addWidget(m_elements, 1);
    top->addWidget(name);
    auto* panels = new QHBoxLayout;
    panels->addWidget(basic);
    panels->addWidget(sampleBox, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(panels);
    layout->addWidget(buttons);
    SelectElement(0);
}

void CEditColorsDlg::SelectElement(int element)
{
    m_model.SetElement(element);
    if (m_elements->currentIndex() != element)
        m_elements->setCurrentIndex(element);
    m_grid->update();
    m_sample->update();
}

}   // namespace app
