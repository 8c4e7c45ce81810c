#pragma once
// The navigator's "Position Logging" page over its model: the track-point
// and logbook-row intervals ("Hrs:Mins:Secs"), "Save to logbook" and the
// log's database folder with a browse button.

#include <functional>
#include <memory>

#include "app/ui/PropertySheet.h"
#include "navigator/LoggingOptions.h"

class QCheckBox;
class QLineEdit;

namespace navigator {

class CLoggingOptions : public app::CXPropertyPage {
    Q_OBJECT
public:
    // `moduleLogging` reads whether logging is on now; the menu may switch
    // it while the sheet is open.
    CLoggingOptions(std::unique_ptr<CLoggingOptionsModel> model,
                    std::function<bool()> moduleLogging, QWidget* parent = nullptr);
    CLoggingOptionsModel& M() const;
    std::optional<app::CFieldError> ControlsToModel() override;
    void ModelToControls() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Takes logging as the module has it when it was switched since the last look.
    void FollowModule();

    std::function<bool()> m_moduleLogging;
    QLineEdit* m_trackTime;
    QLineEdit* m_logTime;
    QCheckBox* m_save;
    QLineEdit* m_folder;
};

}   // namespace navigator
