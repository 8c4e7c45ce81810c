#include "app/ui/ToolbarLabelAction.h"

#include <QFontMetrics>
#include <QLabel>

namespace app {

CToolbarLabelAction::CToolbarLabelAction(const QString& tip, const QString& sample,
                                         QColor background, QObject* parent)
    : QWidgetAction(parent), m_sample(sample), m_background(background)
{
    setToolTip(tip);
}

QWidget* CToolbarLabelAction::createWidget(QWidget* parent)
{
    auto* label = new QLabel(text(), parent);
    label->setObjectName(QStringLiteral("toolbarLabel"));
    label->setToolTip(toolTip());
    label->setAlignment(Qt::AlignCenter);
    // Black on the label's own colour, bold, 24 pixels high: the toolbar's
    // style would otherwise paint it as its own background.
    label->setStyleSheet(QStringLiteral("QLabel { color: black; background-color: %1; "
                                        "border: 1px solid gray; font-weight: bold; "
                                        "font-size: 24px; padding: 0 4px; }")
                             .arg(m_background.name()));
    QFont font = label->font();
    font.setBold(true);
    font.setPixelSize(24);
    label->setMinimumWidth(QFontMetrics(font).horizontalAdvance(m_sample) + 12);
    connect(this, &QAction::changed, label, [this, label] {
        if (label->text() != text())
            label->setText(text());
    });
    return label;
}

}   // namespace app
