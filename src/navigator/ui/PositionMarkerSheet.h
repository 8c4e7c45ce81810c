#pragma once
// "Position Marker Properties": a modeless sheet with one page, "Position
// Marker", showing a track fix (its type, local time, position, course,
// speed, heading, speed through the water and depth), shown only. Opened on
// first use, reused (and raised) while open; every field is greyed while
// the page has no fix.

#include <QPointer>

#include <array>
#include <optional>

#include "app/ui/PropertySheet.h"
#include "navigator/PositionMarkerTexts.h"

class QLineEdit;

namespace navigator {

class CPositionMarkerPage final : public app::CXPropertyPage {
    Q_OBJECT
public:
    explicit CPositionMarkerPage(QWidget* parent = nullptr);
    // The fix's texts; none empties and greys every field.
    void Show(const std::optional<CPositionMarkerTexts>& texts);

private:
    std::array<QLineEdit*, 9> m_fields{};
};

class CPositionMarkerSheet {
public:
    explicit CPositionMarkerSheet(QWidget* window) : m_window(window) { }
    ~CPositionMarkerSheet() { Close(); }
    CPositionMarkerSheet(const CPositionMarkerSheet&) = delete;
    CPositionMarkerSheet& operator=(const CPositionMarkerSheet&) = delete;

    void Show(const CPositionMarkerTexts& texts);
    // New texts for the sheet while it is open, left where it is.
    void Update(const CPositionMarkerTexts& texts);
    void Close();
    app::CModelessPropertySheet* Sheet() const { return m_sheet.data(); }

private:
    QWidget* m_window;
    QPointer<app::CModelessPropertySheet> m_sheet;
    QPointer<CPositionMarkerPage> m_page;
};

}   // namespace navigator
