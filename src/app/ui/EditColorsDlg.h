#pragma once
// "Edit Palette Colours": a screen element chosen from the list or by a
// click on the miniature desktop gets one of the 20 static colours from the
// grid. The dialog works on its own copy of the palettes; the caller takes
// Palettes() only after OK.

#include <QDialog>
#include <QWidget>

#include "app/PaletteEditor.h"

class QComboBox;

namespace app {

class CColourGridPanel : public QWidget {
    Q_OBJECT
public:
    explicit CColourGridPanel(app::CPaletteEditorModel& model, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    // The cell under a point of the panel, or -1.
    static int CellAt(const QPoint& point);

signals:
    void chosen();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    app::CPaletteEditorModel& m_model;
};

class CSampleElementsPanel : public QWidget {
    Q_OBJECT
public:
    explicit CSampleElementsPanel(app::CPaletteEditorModel& model, QWidget* parent = nullptr);
    QSize sizeHint() const override;

signals:
    void elementClicked(int element);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    app::CPaletteEditorModel& m_model;
};

class CEditColorsDlg : public QDialog {
    Q_OBJECT
public:
    CEditColorsDlg(const app::CDisplayPalettes& palettes, int palette, QWidget* parent = nullptr);
    // The edited copy: all three palettes and their settings.
    const app::CDisplayPalettes& Palettes() const { return m_model.Palettes(); }
    app::CPaletteEditorModel& Model() { return m_model; }
    QComboBox* ElementCombo() const { return m_elements; }
    CColourGridPanel* Grid() const { return m_grid; }
    CSampleElementsPanel* Sample() const { return m_sample; }

private:
    void SelectElement(int element);

    app::CPaletteEditorModel m_model;
    QComboBox* m_elements;
    CColourGridPanel* m_grid;
    CSampleElementsPanel* m_sample;
};

}   // namespace app
