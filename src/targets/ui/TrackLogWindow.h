#pragma once
// A target's track as a table, oldest fix first, one row per fix: the
// "Target Log" of a radar target and the "Tender Target Log" of a tender.
// The model holds only a row count; each cell is formatted when the view
// asks for it (a row's texts are made once while the view walks its
// columns), so a long track costs nothing until it is shown.

#include <QAbstractTableModel>
#include <QWidget>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "geo/Position.h"

class QTableView;

namespace targets {

// The shown target's fixes, looked up at every use (the list the target
// lives in may move it or drop it).
class CTrackLogSource {
public:
    virtual ~CTrackLogSource() = default;
    // Which target is shown now; null when it has gone.
    virtual const void* Target() const = 0;
    virtual std::size_t FixCount() const = 0;
    // Tells one fix from another in the same row (a target replaced in place).
    virtual std::chrono::system_clock::time_point FixTime(std::size_t row) const = 0;
    virtual std::vector<std::string> FixTexts(std::size_t row,
                                              const geo::CPositionFormat& format) const = 0;
};

class CTrackLogModel : public QAbstractTableModel {
public:
    using Format = std::function<geo::CPositionFormat()>;
    CTrackLogModel(std::vector<const char*> headers, Format format, QObject* parent = nullptr);

    // None: the list is empty.
    void SetSource(std::unique_ptr<CTrackLogSource> source);
    // The track grew: only the count changes, nothing shown is redrawn.
    void FixesAdded();
    // A target is shown (none once it has gone).
    bool Showing() const { return Shown() != nullptr; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    const std::vector<const char*>& Headers() const { return m_headers; }

private:
    const void* Shown() const { return m_source ? m_source->Target() : nullptr; }

    std::vector<const char*> m_headers;
    std::unique_ptr<CTrackLogSource> m_source;
    int m_rows = 0;
    struct CRowCache {
        const void* target = nullptr;
        int row = -1;
        std::chrono::system_clock::time_point utc{};
        geo::CPositionFormat format;
        std::vector<std::string> cells;
    };
    mutable CRowCache m_cache;
    Format m_format;
};

class CTrackLogWindow : public QWidget {
public:
    CTrackLogWindow(const char* objectName, std::unique_ptr<CTrackLogModel> model, QWidget* parent);
    void Show(std::unique_ptr<CTrackLogSource> source, const std::string& title);
    // The track grew (or its target went: the list empties).
    virtual void FixesAdded() { m_model->FixesAdded(); }
    int Rows() const { return m_model->rowCount(); }
    CTrackLogModel& Model() const { return *m_model; }
    QTableView* View() const { return m_view; }

private:
    CTrackLogModel* m_model;
    QTableView* m_view;
};

}   // namespace targets
