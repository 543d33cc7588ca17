#pragma once
// The rule both naming dialogs share for a new test: a name is required and must not be taken,
// and the header row is created with the next id in one transaction, so that two programs
// naming at once never share an id or a name. Everything refused or failed is shown.

#include "store/TestRepository.h"

#include <functional>

namespace viscora {

class Prompter;

enum class NamingOutcome { Created, RefusedName, RefusedOther, Failed };

struct Naming {
    NamingOutcome outcome = NamingOutcome::Failed;
    int id = 0;
    // Why the header could not be written (Failed); the caller says it in its own words.
    DbResult writeFailure;
};

// `otherChecks` runs after the name checks and before anything is written; false refuses.
// Refusals and read failures are shown here; a failed write is left to the caller.
Naming nameNewTest(TestRepository &repo, Prompter &prompter, const TestHeader &header,
                   Qt::CaseSensitivity cs, const std::function<bool()> &otherChecks);

// "The test could not be saved: <why>".
QString saveFailure(const DbResult &r);

} // namespace viscora
