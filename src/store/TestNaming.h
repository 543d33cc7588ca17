#pragma once
// The rule both naming dialogs share for a new test: a name is required and must not be taken,
// and the header row is created with the next id in one transaction, so that two programs
// naming at once never share an id or a name. What was refused or failed comes back to be shown.

#include "core/Failure.h"
#include "store/TestRepository.h"

#include <functional>
#include <optional>

namespace viscora {

// A test name that is taken.
extern const Failure kDuplicatedTestName;

// The rule every new test and sequence name follows, in the windows and the CLI alike: blanks
// around it do not count, and it holds no control character, which would break the one-line
// listings and could drive the terminal that shows them.
enum class NameOf { Test, Sequence };
struct NewName {
    QString name;                   // as it is kept: trimmed; empty when blank
    std::optional<Failure> failure; // blank, or a control character within
};
NewName newName(const QString &typed, NameOf what);

enum class NamingOutcome { Created, RefusedName, RefusedOther, Failed };

struct Naming {
    NamingOutcome outcome = NamingOutcome::Failed;
    int id = 0;
    QString name; // as kept, once the name rule has taken it
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
