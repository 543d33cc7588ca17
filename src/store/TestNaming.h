#pragma once
// The rule both naming dialogs share for a new test: a name is required and must not be taken,
// and the header row is created with the next id in one transaction, so that two programs
// naming at once never share an id or a name. What was refused or failed comes back to be shown.

#include "core/Failure.h"
#include "store/TestRepository.h"

#include <functional>
#include <optional>

namespace viscora {

enum class NamingOutcome { Created, RefusedName, RefusedOther, Failed };

struct Naming {
    NamingOutcome outcome = NamingOutcome::Failed;
    int id = 0;
    // A refused name or a failed read, as the operator is to be told it.
    std::optional<Failure> failure;
    // Why the header could not be written (Failed); the caller says it in its own words.
    DbResult writeFailure;
};

// `otherChecks` runs after the name checks and before anything is written; false refuses.
Naming nameNewTest(TestRepository &repo, const TestHeader &header, Qt::CaseSensitivity cs,
                   const std::function<bool()> &otherChecks);

// "The test could not be saved: <why>".
QString saveFailure(const DbResult &r);

} // namespace viscora
