#pragma once
// What the chartpoint module reaches outside its core: the panel, list and
// combos, the save dialog (CChartpointUi, all optional), the chart views that
// keep a layer of the marks (CChartpointListener), the other stations
// (CStationLink) and the GPS transmitter (CWaypointTransmitter). The program
// plugs in its windows and devices; tests plug in fakes.

#include "chartpoints/Chartpoint.h"
#include "nmea/GPSDevice.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace db {
class CDBChartPoint;
}

namespace chartpoints {

// Why the views are told: the database closed, opened, the current record
// moved, the panel was applied, the current record was deleted, rewritten or
// a record appended.
enum Hint : int {
    kHintClosed = 0,
    kHintOpened = 1,
    kHintCurrent = 2,
    kHintApplied = 3,
    kHintDeleted = 4,
    kHintRewritten = 5,
    kHintAppended = 6,
};

struct CChartpointChange {
    int hint = kHintCurrent;
    long recNo = 0;   // the record concerned (for a delete, the one removed)
    const CChartpoint& chartpoint;
};

// A chart view's chartpoint layer, or anything else that follows the table.
class CChartpointListener {
public:
    virtual ~CChartpointListener() = default;
    virtual void OnChartpointChange(const CChartpointChange& change, db::CDBChartPoint& table) = 0;
    // The display properties changed (show/hide, options): redraw.
    virtual void OnChartpointDisplayChanged() { }
};

class CChartpointUi {
public:
    virtual ~CChartpointUi() = default;
    // The panel: refills its datum list and shows the chartpoint.
    virtual void ShowChartpoint(const CChartpoint& /*cp*/) { }
    // Reads the panel into `cp`; false (with the refusal naming the field)
    // when a field cannot be taken.
    virtual bool ReadPanel(CChartpoint& /*cp*/, std::string& /*refusal*/) { return true; }
    virtual bool IsPanelModified() const { return false; }
    virtual void ClearPanelModified() { }
    // The panel's Locked flag: marks move by dragging only while it is off.
    virtual bool IsPositionLocked() const { return true; }
    virtual void SetPositionLocked(bool /*locked*/) { }
    // The list window and the toolbar combos.
    virtual bool IsListOpen() const { return false; }
    virtual void ListRebuild() { }
    virtual void ListUpdate(int /*hint*/) { }
    virtual void CombosRefill() { }
    // Only the current record changed: the combos select it.
    virtual void CombosSelectCurrent() { }
    // The save dialog: a path, or none when cancelled.
    virtual std::optional<std::string> AskSavePath(const std::string& /*folder*/,
                                                   const std::string& /*defaultName*/)
    {
        return std::nullopt;
    }
};

class CStationLink {
public:
    virtual ~CStationLink() = default;
    virtual bool IsRunning() const = 0;
    // A station message of `type` to every peer.
    virtual bool Post(std::uint8_t type, std::string payload) = 0;
};

class CWaypointTransmitter {
public:
    virtual ~CWaypointTransmitter() = default;
    // Queues one waypoint sentence; false when it was not taken.
    virtual bool Send(const nmea::CUploadPoint& point, int namingMode, int number,
                      bool checksum) = 0;
    // Whether the transmit side is open and its port connected.
    virtual bool CanTransmit() const = 0;
    // Waits until the staging has room for another line, at most `limit`;
    // false when it still has none.
    virtual bool WaitForRoom(std::chrono::milliseconds limit) = 0;
    // Why the last Send failed, in words.
    virtual std::string LastFailure() const { return {}; }
};

}   // namespace chartpoints
