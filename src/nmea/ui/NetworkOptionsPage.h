#pragma once
// The Tools Options page "Network" over its model: the server folder (typed
// or browsed), the host name and this station's IP address (both shown only)
// and its TCP port. A port outside
// 1024 to 65535 is refused as the field is left: the focus goes back to it.

#include "app/ui/PropertySheet.h"
#include "nmea/NetworkOptions.h"

class QLineEdit;

namespace nmea {

class CNetworkOptionsDlg : public app::CXPropertyPage {
    Q_OBJECT
public:
    // `ownAddress`: the station's address as station messaging uses it.
    CNetworkOptionsDlg(std::unique_ptr<nmea::CNetworkOptionsModel> model, const QString& ownAddress,
                       QWidget* parent = nullptr);
    nmea::CNetworkOptionsModel& M() const;
    std::optional<app::CFieldError> ControlsToModel() override;
    void ModelToControls() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BrowseFolder();

    QLineEdit* m_folder;
    QLineEdit* m_hostName;
    QLineEdit* m_address;
    QLineEdit* m_port;
};

}   // namespace nmea
