#pragma once
// "Upload Route to Navigator": the route to send, how the route and its
// waypoints are identified, the checksum; Upload starts the module's upload
// and the dialog shows "k of n sent" until the last sentence has left.

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace routes {
class CRouteModule;
class CRouteTransmitter;
}   // namespace routes

namespace routes {

class CRouteUploadDlg final : public QDialog {
    Q_OBJECT
public:
    using TransmitterSource = std::function<routes::CRouteTransmitter*()>;
    CRouteUploadDlg(routes::CRouteModule& module, TransmitterSource transmitter,
                    QWidget* parent = nullptr);

    // Upload: false (the dialog stays open) when nothing could be started.
    bool Upload();

protected:
    void reject() override;

private:
    void FillRoutes();
    // The waypoint boxes keep at least one ticked; Name and ID exclude each other.
    void OnWaypointBox(QCheckBox* clicked);
    void ShowProgress();

    routes::CRouteModule& m_module;
    TransmitterSource m_transmitter;
    int m_routeAtOpening = 0;
    QComboBox* m_routes = nullptr;
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
