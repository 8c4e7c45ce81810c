#include "navigator/ui/PositionMarkerSheet.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include <string_view>

namespace navigator {

CPositionMarkerPage::CPositionMarkerPage(QWidget* parent)
    : app::CXPropertyPage(std::make_unique<app::CShownOnlyPageModel>("Position Marker"), parent)
{
    setObjectName("PositionMarkerPage");
    auto* form = new QFormLayout(this);
    const struct {
        const char* label;
        const char* name;
        const char* unit;
    } fields[] = {{"Fix Type", "fixType", nullptr},
                  {"Time of Marker", "markerTime", nullptr},
                  {"Latitude", "latitude", nullptr},
                  {"Longitude", "longitude", nullptr},
                  {"COG", "cog", "\u00b0T"},
                  {"SOG", "sog", "Kn"},
                  {"Heading", "heading", "\u00b0T"},
                  {"Speed", "speed", "Kn"},
                  {"Depth", "depth", "m"}};
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(fields[i].name);
        edit->setReadOnly(true);
        m_fields[i] = edit;
    }
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        QLineEdit* edit = m_fields[i];
        // Latitude and longitude share one "Position" row.
        if (std::string_view(fields[i].name) == "latitude") {
            auto* row = new QHBoxLayout();
            row->addWidget(edit);
            row->addWidget(m_fields[++i]);
            form->addRow(tr("Position"), row);
            continue;
        }
        if (!fields[i].unit) {
            form->addRow(tr(fields[i].label), edit);
            continue;
        }
        auto* row = new QHBoxLayout();
        row->addWidget(edit);
        row->addWidget(new QLabel(QString::fromUtf8(fields[i].unit), this));
        form->addRow(tr(fields[i].label), row);
    }
    Show(std::nullopt);
}

void CPositionMarkerPage::Show(const std::optional<CPositionMarkerTexts>& texts)
{
    for (QLineEdit* edit : m_fields) {
        edit->setEnabled(texts.has_value());
        edit->clear();
    }
    if (!texts)
        return;
    const std::string* values[] = {&texts->fixType,   &texts->time,  &texts->latitude,
                                   &texts->longitude, &texts->cog,   &texts->sog,
                                   &texts->heading,   &texts->speed, &texts->depth};
    for (std::size_t i = 0; i < m_fields.size(); ++i)
        m_fields[i]->setText(QString::fromStdString(*values[i]));
}

void CPositionMarkerSheet::Update(const CPositionMarkerTexts& texts)
{
    if (m_sheet && m_page)
        m_page->Show(texts);
}

void CPositionMarkerSheet::Show(const CPositionMarkerTexts& texts)
{
    if (!m_sheet) {
        auto* sheet =
            new app::CModelessPropertySheet(QObject::tr("Position Marker Properties"), m_window);
        sheet->setObjectName("positionMarkerProperties");
        auto* page = new CPositionMarkerPage(sheet);
        sheet->AddPage(page);
        m_sheet = sheet;
        m_page = page;
        sheet->ShowModeless();
    }
    if (m_page)
        m_page->Show(texts);
    m_sheet->raise();
    m_sheet->activateWindow();
}

void CPositionMarkerSheet::Close()
{
    if (m_sheet)
        m_sheet->close();
}

}   // namespace navigator
