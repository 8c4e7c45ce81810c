#pragma once
// The list windows every list in the program is one of, all QTableViews over
// CListModelBase: CListCtrlEx (a list inside a dialog or panel), CXListView
// (a list that is a document's whole view) and CListFrame (the MDI child
// that holds a CXListView). Rows come from a row source, a range at a time;
// the row height is fixed, so a repaint asks only for the rows in view.

#include <QMdiSubWindow>
#include <QTableView>
#include <memory>

#include "app/ListRows.h"
#include "app/ui/ListModelBase.h"

namespace app {

class CListCtrlEx : public QTableView {
    Q_OBJECT
public:
    explicit CListCtrlEx(std::shared_ptr<const app::CRowSource> source, QWidget* parent = nullptr);
    CListModelBase& Model() const { return *m_model; }

    // Selects rows [first, last] (whole rows), as a range, not row by row.
    void SelectRange(int first, int last);
    void SelectNone();
    int SelectedCount() const;
    // Columns as wide as their heading and the rows in view.
    void FitColumns() { CListModelBase::FitColumnsToVisibleRows(*this); }
    // The source changed: rows fetched again as they are shown.
    void Reload() { m_model->Reload(); }

protected:
    // A click or double click off every row is swallowed: the selection stays.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // A document's whole view takes clicks anywhere, as list views do.
    bool m_clicksOffRows = false;

private:
    CListModelBase* m_model;
};

class CXListView : public CListCtrlEx {
    Q_OBJECT
public:
    explicit CXListView(std::shared_ptr<const app::CRowSource> source, QWidget* parent = nullptr)
        : CListCtrlEx(std::move(source), parent)
    {
        m_clicksOffRows = true;
    }
};

class CListFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    CListFrame(const QString& title, std::shared_ptr<const app::CRowSource> source,
               QWidget* parent = nullptr);
    CXListView* View() const { return m_view; }

private:
    CXListView* m_view;
};

}   // namespace app
