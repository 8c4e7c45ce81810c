#pragma once
// A text label on the toolbars: one action, a QLabel made for every toolbar
// the user puts it on. Each label shows the action's text, which the
// command's update handler sets on every idle pass.

#include <QColor>
#include <QWidgetAction>

namespace app {

class CToolbarLabelAction final : public QWidgetAction {
    Q_OBJECT
public:
    // `sample` sizes the label: the widest text it is meant to show.
    CToolbarLabelAction(const QString& tip, const QString& sample, QColor background,
                        QObject* parent);

protected:
    QWidget* createWidget(QWidget* parent) override;

private:
    QString m_sample;
    QColor m_background;
};

}   // namespace app
