#pragma once
// "Upload Route to Navigator": the route to send, how the route and its
// waypoints are identified, the checksum; Upload starts the module's upload
// and the dialog shows "k of n sent" until the last sentence has left.

#include <QDialog>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace app {
class CComboBoxCopy;
class CComboEntries;
}   // namespace app

namespace routes {
class CRouteModule;
class CRouteTransmitter;
}   // namespace routes

namespace routes {

class CRouteUploadDlg final : public QDialog {
    Q_OBJECT
public:
    using TransmitterSource = std::function<routes::CRouteTransmitter*()>;
    // `routes` is the module's shared route list; the dialog's list is one
    // more copy of it while the dialog lives.
    CRouteUploadDlg(routes::CRouteModule& module, app::CComboEntries& routes,
                    TransmitterSource transmitter, QWidget* parent = nullptr);
    ~CRouteUploadDlg() override;

    // Upload: false (the dialog stays open) when nothing could be started.
    bool Upload();
    // Report opens the route's waypoint list through `open`; the button is
    // enabled while `isOpen` says the list is not showing.
    void SetWaypointList(std::function<void()> open, std::function<bool()> isOpen);
    QPushButton* ReportButton() const { return m_report; }

protected:
    void reject() override;

private:
    // The waypoint boxes keep at least one ticked; Name and ID exclude each other.
    void OnWaypointBox(QCheckBox* clicked);
    void ShowProgress();

    void UpdateReportButton();
    void UpdateRouteChoice();

    routes::CRouteModule& m_module;
    TransmitterSource m_transmitter;
    std::function<void()> m_openList;
    std::function<bool()> m_isListOpen;
    QPushButton* m_report = nullptr;
    int m_routeAtOpening = 0;
    app::CComboEntries& m_routeList;
    QComboBox* m_routes = nullptr;
    std::unique_ptr<app::CComboBoxCopy> m_routesCopy;
    QRadioButton* m_byName = nullptr;
    QRadioButton* m_byNumber = nullptr;
    QLineEdit* m_routeNumber = nullptr;
    QCheckBox* m_numbered = nullptr;
    QLineEdit* m_firstNumber = nullptr;
    QCheckBox* m_name = nullptr;
    QCheckBox* m_id = nullptr;
    QCheckBox* m_checksum = nullptr;
    QLabel* m_progress = nullptr;
    QPushButton* m_upload = nullptr;
    QTimer* m_timer = nullptr;
};

}   // namespace routes
