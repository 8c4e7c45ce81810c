#pragma once
// The navigator's "Wind" and "NMEA" pages over their models.

#include "app/ui/PropertySheet.h"
#include "nmea/SentenceOptions.h"

namespace app {
class CSpinEdit;
}
class QCheckBox;
class QLineEdit;
class QListWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace nmea {

class CPortCombo;
class CPortDirectory;

class CNavigatorWindOptions : public app::CXPropertyPage {
    Q_OBJECT
public:
    CNavigatorWindOptions(std::unique_ptr<nmea::CWindOptionsModel> model,
                          const nmea::CPortDirectory* ports, QWidget* parent = nullptr);
    nmea::CWindOptionsModel& M() const;
    std::optional<app::CFieldError> ControlsToModel() override;
    void ModelToControls() override;

private:
    CPortCombo* m_receive;
    app::CSpinEdit* m_validTime;
};

class CNMEASentenceOptions : public app::CXPropertyPage {
    Q_OBJECT
public:
    CNMEASentenceOptions(std::unique_ptr<nmea::CNMEAOptionsModel> model,
                         const nmea::CPortDirectory* ports, QWidget* parent = nullptr);
    nmea::CNMEAOptionsModel& M() const;
    std::optional<app::CFieldError> ControlsToModel() override;
    void ModelToControls() override;
    void UpdateControls() override;
    QTreeWidget* Tree() const { return m_tree; }

private:
    void FillTree();
    void ItemChanged(QTreeWidgetItem* item);
    void Browse();

    QListWidget* m_receive;
    CPortCombo* m_transmit;
    QLineEdit* m_file;
    QCheckBox* m_process;
    QTreeWidget* m_tree;
    QCheckBox* m_ignore;
    bool m_filling = false;
};

}   // namespace nmea
