#pragma once
// The "General" properties page of a chart: its number and title, and its
// datum. Without a chart both fields are empty and disabled. Shown in a small
// properties window of its own until the chart information panel holds it.

#include <QWidget>

#include <functional>

class QLineEdit;
namespace chart {
class CChartDoc;
}

namespace chart {

class CChartPropDlg final : public QWidget {
    Q_OBJECT
public:
    explicit CChartPropDlg(QWidget* parent = nullptr);
    ~CChartPropDlg() override;

    // Shows this chart (none clears the page) and tells the frame, so its
    // commands follow.
    void SetObject(chart::CChartDoc* doc);
    chart::CChartDoc* Object() const { return m_doc; }
    // Refreshes the fields from the chart.
    void UpdateControls();
    // Called when the page goes (the owner forgets it).
    void SetOnDestroyed(std::function<void()> f) { m_onDestroyed = std::move(f); }
    void SetOnObjectChanged(std::function<void()> f) { m_onObjectChanged = std::move(f); }

    QLineEdit* NameEdit() const { return m_name; }
    QLineEdit* DatumEdit() const { return m_datum; }

private:
    chart::CChartDoc* m_doc = nullptr;
    QLineEdit* m_name;
    QLineEdit* m_datum;
    std::function<void()> m_onDestroyed;
    std::function<void()> m_onObjectChanged;
};

}   // namespace chart
