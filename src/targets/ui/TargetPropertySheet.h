#pragma once
// The modeless property sheet of one target: a "Configuration" page with the
// target's own display properties and a read-only "Summary" page. The ARPA
// module's "ARPA Properties" and the tender module's "Target Properties"
// are both this sheet; each module tells it which target to show (none:
// default properties, every field empty and disabled).

#include <QPointer>
#include <QString>

#include <string>
#include <vector>

#include "app/ui/PropertySheet.h"
#include "targets/TargetConfigModel.h"
#include "targets/ui/TargetPropertiesFields.h"

class QLineEdit;

namespace targets {

class CTargetConfigurationPage final : public app::CXPropertyPage {
    Q_OBJECT
public:
    CTargetConfigurationPage(const CTargetFieldsLayout& layout, QWidget* parent = nullptr);
    CTargetConfigModel& M() const { return static_cast<CTargetConfigModel&>(Model()); }

    // The shown target's properties and what Apply does with the page's
    // copy; null properties: none shown.
    void Show(const chart::CTargetProperties* properties, CTargetConfigModel::ApplyTo apply,
              bool clearPanicEnabled = false);
    // "&Clear Panic" follows the shown tender's man-overboard flag.
    void SetClearPanicEnabled(bool enabled);

    std::optional<app::CFieldError> ControlsToModel() override;
    void ModelToControls() override;
    void UpdateControls() override;

private:
    CTargetPropertiesFields* m_fields = nullptr;
    bool m_clearPanicEnabled = false;
};

class CTargetSummaryPage final : public app::CXPropertyPage {
    Q_OBJECT
public:
    CTargetSummaryPage(const std::vector<const char*>& labels, QWidget* parent = nullptr);
    // One text per label; null: none shown (empty and disabled).
    void Show(const std::vector<std::string>* texts);
    QString Text(int field) const;

private:
    std::vector<QLineEdit*> m_fields;
};

struct CTargetSheetKind {
    const char* title;   // "ARPA Properties", "Target Properties"
    const char* objectName;
    CTargetFieldsLayout layout;
    std::vector<const char*> summaryLabels;
};

// Opens the sheet on first use and raises it afterwards; the sheet deletes
// itself when closed, and the pages are then null.
class CTargetPropertySheet {
public:
    CTargetPropertySheet(CTargetSheetKind kind, QWidget* window);
    ~CTargetPropertySheet();
    CTargetPropertySheet(const CTargetPropertySheet&) = delete;
    CTargetPropertySheet& operator=(const CTargetPropertySheet&) = delete;

    void Open();
    void Close();
    bool IsOpen() const { return m_sheet != nullptr; }
    app::CModelessPropertySheet* Sheet() const { return m_sheet; }
    CTargetConfigurationPage* Configuration() const { return m_configuration; }
    CTargetSummaryPage* Summary() const { return m_summary; }

private:
    CTargetSheetKind m_kind;
    QWidget* m_window;
    QPointer<app::CModelessPropertySheet> m_sheet;
    QPointer<CTargetConfigurationPage> m_configuration;
    QPointer<CTargetSummaryPage> m_summary;
};

}   // namespace targets
