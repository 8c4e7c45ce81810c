#pragma once
// CDBAttachments: the "ATTCHMTS" table beside a point or route table, slots 0
// to 3, each the path of an attached file. An attachment table of the older
// layout (its text in a character field rather than a memo) is taken over
// into the current layout when it opens.

#include "db/DBCompanion.h"

namespace db {

class CDBAttachments : public CDBCompanion {
public:
    static constexpr int kSlots = 4;

    bool Open(bool readOnly = false, bool recreate = false) override;

private:
    // Takes the older table at `dbf` (found in any case) over into the current layout.
    bool TakeOverOlderLayout(const std::string& dbf);
};

}   // namespace db
