#pragma once
// The small modeless window both tidal windows share: a time (local, 1970 to
// 18 January 2038), Apply with "Apply Immediately", Close, Options (the Tidal
// Atlas options page) and the CAUTION button.

#include <QDateTime>
#include <QDialog>

#include <functional>

class QCheckBox;
class QDateTimeEdit;
class QPushButton;
class QVBoxLayout;

namespace routes {

// The times the tidal windows and the atlas page's start time take (local):
// 1 January 1970 00:00:00 to 18 January 2038 23:59:59.
QDateTime EarliestTidalTime();
QDateTime LatestTidalTime();

class CTidalTimeWindow : public QDialog {
    Q_OBJECT
public:
    CTidalTimeWindow(const QString& title, QWidget* parent);

    // Seconds since 1970 UTC of the time shown and applied.
    qint64 AppliedUtc() const { return m_applied; }
    void SetUtc(qint64 utc);
    QDateTimeEdit* TimeEdit() const { return m_time; }
    QPushButton* ApplyButton() const { return m_apply; }
    QPushButton* OptionsButton() const { return m_options; }

    std::function<void()> onApplied;   // the time changed: redraw
    std::function<void()> onClosed;   // the window is going
    std::function<void()> onCaution;
    std::function<void()> onOptions;

protected:
    QVBoxLayout* Body() const { return m_body; }

private:
    void Apply();

    QDateTimeEdit* m_time;
    QPushButton* m_apply;
    QPushButton* m_options;
    QCheckBox* m_immediately;
    QVBoxLayout* m_body;
    qint64 m_applied = 0;
};

}   // namespace routes
