#pragma once
// CDBWaypoint: the waypoint table a route owns; a point table as it stands.

#include "db/DBPoint.h"

namespace db {

class CDBWaypoint : public CDBPoint { };

}   // namespace db
