#pragma once
// "Tender Target Log": one tender's track as a table (the track log window
// with the tender's columns and texts).

#include <functional>

#include "targets/TenderRows.h"
#include "targets/ui/TrackLogWindow.h"

namespace targets {

class CTenderLogModel : public CTrackLogModel {
public:
    CTenderLogModel(Format format, LocalTimeText local, QObject* parent = nullptr);

    // The tender shown, looked up at every use; none: empty. Every fix is a row.
    using Source = std::function<const CTender*()>;
    void SetTender(Source source);

private:
    LocalTimeText m_local;
};

class CTenderLogWindow : public CTrackLogWindow {
public:
    CTenderLogWindow(CTrackLogModel::Format format, LocalTimeText local, QWidget* parent);
    void SetTender(CTenderLogModel::Source source);
    // A tender that has gone leaves the list empty and the title without it.
    void FixesAdded() override;

private:
    CTenderLogModel& M() const { return static_cast<CTenderLogModel&>(Model()); }
    bool m_named = false;   // the title names a tender
};

}   // namespace targets
