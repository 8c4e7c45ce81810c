#pragma once
// The "General" properties page of a chartpoint: its name and position in the
// program's position format, read only. Shown in the modeless "Chartpoint
// Properties" sheet that the chart's Properties opens over a chartpoint mark;
// while the sheet is open, a later Properties only hands it the new mark.

#include "chartpoints/Chartpoint.h"
#include "geo/Position.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>

class QLineEdit;

namespace chartpoints {

class CChartpointPropDlg final : public QWidget {
    Q_OBJECT
public:
    explicit CChartpointPropDlg(std::function<geo::CPositionFormat()> format,
                                QWidget* parent = nullptr);

    // Shows this chartpoint; with none, the chart the sheet was opened over:
    // its name and reference position (empty and disabled without one).
    void SetObject(std::optional<chartpoints::CChartpoint> chartpoint);
    // The chart shown while no chartpoint is: its name and reference position.
    void SetChart(std::string name, const geo::CPosition& reference);
    const std::optional<chartpoints::CChartpoint>& Object() const { return m_chartpoint; }
    void UpdateControls();

    QLineEdit* NameEdit() const { return m_name; }
    QLineEdit* LatitudeEdit() const { return m_latitude; }
    QLineEdit* LongitudeEdit() const { return m_longitude; }

private:
    std::function<geo::CPositionFormat()> m_format;
    std::optional<chartpoints::CChartpoint> m_chartpoint;
    std::string m_chartName;
    geo::CPosition m_chartReference;
    QLineEdit* m_name;
    QLineEdit* m_latitude;
    QLineEdit* m_longitude;
};

// The "Chartpoint Properties" sheet around the page: nothing on it changes
// the chartpoint, so OK, Cancel and Escape just close it.
class CChartpointPropSheet final : public QDialog {
    Q_OBJECT
public:
    CChartpointPropSheet(std::function<geo::CPositionFormat()> format, QWidget* parent = nullptr);
    CChartpointPropDlg* Page() const { return m_page; }

private:
    CChartpointPropDlg* m_page;
};

}   // namespace chartpoints
