#pragma once
// Tests and sequences share one numbering rule: ids 1..N with no gaps. Deleting one removes
// its rows and moves every later id down by one, in both tables, in one transaction.

#include "store/Database.h"

#include <array>

namespace viscora {

struct NumberedTables {
    const char *header;               // "RelatedInfo"
    const char *nameColumn;           // "TestName"
    const char *idColumn;             // "TestId"
    std::array<const char *, 2> rows; // "TestResult", "TestEvents" (nullptr: none)
};

extern const NumberedTables kTestTables;
extern const NumberedTables kSequenceTables;

// Deletes the first header of that name (in table order) with its rows; a name that is not
// there changes nothing.
DbResult deleteAndRenumber(Database &db, const NumberedTables &t, const QString &name);

} // namespace viscora
