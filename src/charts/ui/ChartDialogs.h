#pragma once
// The raster chart dialogs: "Open Chart" (an installed chart by number, with
// find), "Charts Available" (the charts covering a position, opened in a new
// or the current window), "Chart Notes" (the current panel's notes, with a
// jump to each) and the notices to mariners that came with the charts.

#include "charts/hcrf/ChartChoices.h"
#include "charts/hcrf/HCRFDoc.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace charts {

class COpenArcsDlg final : public QDialog {
    Q_OBJECT
public:
    COpenArcsDlg(const chart::Folio& folio, QWidget* parent);
    // The chosen chart's file once the dialog was accepted.
    const std::string& ChosenPath() const { return m_path; }

protected:
    void accept() override;

private:
    std::optional<std::size_t> SelectedRow() const;
    void SelectRow(std::size_t row);
    void Find();

    charts::hcrf::COpenChartList m_list;
    QTreeWidget* m_table;
    QLineEdit* m_find;
    QPushButton* m_findButton;
    QCheckBox* m_matchCase;
    QLineEdit* m_description;
    std::string m_path;
};

class CChartListDlg final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kNew = 101;
    static constexpr int kOpen = 102;

    CChartListDlg(charts::hcrf::CHCRFDoc& doc, const geo::CPosition& position, QWidget* parent);
    // The chosen chart once the dialog ended with kNew or kOpen.
    const charts::hcrf::CChartAtPosition* Chosen() const;

private:
    void UpdateButtons();

    std::vector<charts::hcrf::CChartAtPosition> m_rows;
    bool m_roomForNew;
    QTreeWidget* m_table;
    QPushButton* m_new;
    QPushButton* m_open;
    std::optional<std::size_t> m_chosen;
};

class CNotesDialog final : public QDialog {
    Q_OBJECT
public:
    CNotesDialog(charts::hcrf::CHCRFDoc& doc, QWidget* parent);

private:
    // The line picked, or -1.
    int SelectedRow() const;
    void GotoSelected();

    charts::hcrf::CHCRFDoc& m_doc;
    std::vector<charts::hcrf::CHCRFDoc::CNoteLine> m_lines;
    QListWidget* m_list;
    QPushButton* m_goto;
};

class CAddNtmDialog final : public QDialog {
    Q_OBJECT
public:
    CAddNtmDialog(charts::hcrf::CHCRFDoc& doc, QWidget* parent);

private:
    void ShowNotice(const QString& name);

    std::filesystem::path m_folder;
    QListWidget* m_list;
    QPlainTextEdit* m_text;
    QLabel* m_title;
};

// Runs "Charts Available" for a position and opens the chosen chart.
void RunChartsAtPosition(charts::hcrf::CHCRFDoc& doc, const geo::CPosition& position,
                         QWidget* parent);

}   // namespace charts
