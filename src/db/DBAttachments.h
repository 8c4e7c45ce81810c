#pragma once
// CDBAttachments: the "ATTCHMTS" table beside a point or route table, slots 0
// to 3, each the path of an attached file.

#include "db/DBCompanion.h"

namespace db {

class CDBAttachments : public CDBCompanion {
public:
    static constexpr int kSlots = 4;
};

}  // namespace db
