#pragma once
// CDBMemo: the "MEMOS" table beside a point table, slots 0 to 9 (slot 0 is
// the point's note).

#include "db/DBCompanion.h"

namespace db {

class CDBMemo : public CDBCompanion {
public:
    static constexpr int kSlots = 10;
};

}   // namespace db
