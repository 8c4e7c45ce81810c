#pragma once
// The Tools Options page "Network" over its model: the server folder (typed
// or browsed), the host name (shown only), this station's IP address (empty
// for automatic, or one of this computer's) and its TCP port. A port outside
// 1024 to 65535 is refused as the field is left: the focus goes back to it.

#include "app/ui/PropertySheet.h"
#include "nmea/NetworkOptions.h"

class QComboBox;
class QLineEdit;

namespace nmea {

class CNetworkOptionsDlg : public app::CXPropertyPage {
    Q_OBJECT
public:
    // `addresses`: this computer's addresses, offered in the address list.
    CNetworkOptionsDlg(std::unique_ptr<nmea::CNetworkOptionsModel> model,
                       const std::vector<nmea::Ipv4>& addresses, const QString& automaticAddress,
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
    QComboBox* m_address;
    QLineEdit* m_port;
};

}   // namespace nmea
