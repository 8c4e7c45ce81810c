#include "targets/ui/TargetPropertySheet.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace targets {

namespace {

// The summary page changes nothing: it has no fields to check or apply.
class CSummaryModel final : public app::COptionPageModel {
public:
    std::string Title() const override { return "Summary"; }
    std::vector<app::CFieldError> Validate() const override { return {}; }
    void Apply() override { }
};

}   // namespace

CTargetConfigurationPage::CTargetConfigurationPage(const CTargetFieldsLayout& layout,
                                                   QWidget* parent)
    : app::CXPropertyPage(std::make_unique<CTargetConfigModel>(), parent)
{
    setObjectName("configuration");
    m_fields = new CTargetPropertiesFields(this, layout);
    auto* box = new QVBoxLayout(this);
    box->addWidget(m_fields);
    box->addStretch();
    connect(m_fields, &CTargetPropertiesFields::Toggled, this, [this] {
        ControlsToModel();
        UpdateControls();
    });
    connect(m_fields, &CTargetPropertiesFields::DefaultClicked, this, [this] {
        M().Default();
        ModelToControls();
        UpdateControls();
    });
    connect(m_fields, &CTargetPropertiesFields::ClearPanicClicked, this, [this] {
        M().RequestClearPanic();
        UpdateControls();
    });
    ModelToControls();
    UpdateControls();
}

void CTargetConfigurationPage::Show(const chart::CTargetProperties* properties,
                                    CTargetConfigModel::ApplyTo apply, bool clearPanicEnabled)
{
    M().Show(properties, std::move(apply));
    m_clearPanicEnabled = clearPanicEnabled;
    ModelToControls();
    UpdateControls();
}

void CTargetConfigurationPage::SetClearPanicEnabled(bool enabled)
{
    if (enabled == m_clearPanicEnabled)
        return;
    m_clearPanicEnabled = enabled;
    UpdateControls();
}

std::optional<app::CFieldError> CTargetConfigurationPage::ControlsToModel()
{
    return m_fields->Store(M().Values());
}

void CTargetConfigurationPage::ModelToControls()
{
    m_fields->Load(M().Values());
}

void CTargetConfigurationPage::UpdateControls()
{
    m_fields->SetShown(M().HasTarget());
    // Pressed once, it waits for Apply.
    m_fields->SetClearPanicEnabled(m_clearPanicEnabled && !M().ClearPanicRequested());
    m_fields->UpdateEnables(M().Differs());
}

CTargetSummaryPage::CTargetSummaryPage(const std::vector<const char*>& labels, QWidget* parent)
    : app::CXPropertyPage(std::make_unique<CSummaryModel>(), parent)
{
    setObjectName("summary");
    auto* form = new QFormLayout(this);
    for (const char* label : labels) {
        auto* field = new QLineEdit(this);
        field->setReadOnly(true);
        field->setObjectName(QString::fromLatin1(label));
        form->addRow(tr(label) + QLatin1Char(':'), field);
        m_fields.push_back(field);
    }
    Show(nullptr);
}

void CTargetSummaryPage::Show(const std::vector<std::string>* texts)
{
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        const bool shown = texts != nullptr && i < texts->size();
        m_fields[i]->setText(shown ? QString::fromStdString((*texts)[i]) : QString());
        m_fields[i]->setEnabled(shown);
    }
}

QString CTargetSummaryPage::Text(int field) const
{
    return field >= 0 && field < int(m_fields.size()) ? m_fields[std::size_t(field)]->text()
                                                      : QString();
}

CTargetPropertySheet::CTargetPropertySheet(CTargetSheetKind kind, QWidget* window)
    : m_kind(std::move(kind)), m_window(window)
{ }

CTargetPropertySheet::~CTargetPropertySheet()
{
    Close();
}

void CTargetPropertySheet::Open()
{
    if (m_sheet != nullptr) {
        m_sheet->raise();
        m_sheet->activateWindow();
        return;
    }
    auto* sheet = new app::CModelessPropertySheet(QObject::tr(m_kind.title), m_window);
    sheet->setObjectName(QString::fromLatin1(m_kind.objectName));
    m_configuration = new CTargetConfigurationPage(m_kind.layout, sheet);
    m_summary = new CTargetSummaryPage(m_kind.summaryLabels, sheet);
    sheet->AddPage(m_configuration);
    sheet->AddPage(m_summary);
    m_sheet = sheet;
    sheet->ShowModeless();
}

void CTargetPropertySheet::Close()
{
    if (m_sheet != nullptr)
        m_sheet->close();
}

}   // namespace targets
