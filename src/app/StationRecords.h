#pragma once
// Hands the records other stations sent to the modules that own their types.
// A handler that fails loses only its own record: the rest of the batch is
// handled, and every record is released however its handler ended.

#include <cstdint>
#include <functional>
#include <utility>

namespace app {

enum class StationRecordOwner { None, Chartpoint, Route, Navigator };

// Type 2 chartpoints; 3 and 4 routes; 5 to 10 and 12 the navigator; any other
// type belongs to nobody and is dropped.
constexpr StationRecordOwner OwnerOfStationRecord(std::uint8_t type)
{
    switch (type) {
    case 2: return StationRecordOwner::Chartpoint;
    case 3:
    case 4: return StationRecordOwner::Route;
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
    case 10:
    case 12: return StationRecordOwner::Navigator;
    default: return StationRecordOwner::None;
    }
}

// `records` is taken by value: it is emptied (and so every record freed) when
// this returns. `typeOf(record)` gives the type byte; `handle(owner, record)`
// passes the record on. Returns how many records were handled without failing.
template <class Records, class TypeOf, class Handle>
int DispatchStationRecords(Records records, TypeOf&& typeOf, Handle&& handle)
{
    int handled = 0;
    for (auto& record : records) {
        const StationRecordOwner owner = OwnerOfStationRecord(typeOf(record));
        if (owner == StationRecordOwner::None)
            continue;
        try {
            handle(owner, record);
            ++handled;
        } catch (...) { }
    }
    return handled;
}

}   // namespace app
