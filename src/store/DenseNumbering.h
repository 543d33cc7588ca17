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
    std::array<const char *, 3> rows; // "TestResult", "TestEvents", ... (nullptr: none)
};

extern const NumberedTables kTestTables;
extern const NumberedTables kSequenceTables;

// Ids are 32-bit and a new one follows the largest: past the last one there is none, never a
// wrap to a negative id.
bool idsLeftAfter(long long largest, long long wanted = 1);
extern const char *const kNoTestIdLeft;     // "The database holds the most tests it can number."
extern const char *const kNoSequenceIdLeft; // the same for sequences

// Deletes the first header of that name (in table order) with its rows; a name that is not
// there changes nothing.
DbResult deleteAndRenumber(Database &db, const NumberedTables &t, const QString &name);

} // namespace viscora
