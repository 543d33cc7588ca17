#include "store/TestNaming.h"

#include "core/Prompter.h"

namespace viscora {

namespace {
void duplicate(Prompter &prompter)
{
    prompter.message("Duplicated test name. Please enter a new test name.", "Test Name Error.");
}
} // namespace

Naming nameNewTest(TestRepository &repo, Prompter &prompter, const TestHeader &header,
                   Qt::CaseSensitivity cs, const std::function<bool()> &otherChecks)
{
    Naming n;
    if (header.testName.isEmpty()) {
        prompter.message("Must input Test name.", "Blank Input Error.");
        n.outcome = NamingOutcome::RefusedName;
        return n;
    }
    const auto exists = repo.exists(header.testName, cs);
    if (!exists) {
        showDbFailure(prompter, exists.error());
        return n;
    }
    if (*exists) {
        duplicate(prompter);
        n.outcome = NamingOutcome::RefusedName;
        return n;
    }
    if (otherChecks && !otherChecks()) {
        n.outcome = NamingOutcome::RefusedOther;
        return n;
    }
    const NewHeader made = repo.createUniqueHeader(header, cs);
    switch (made.outcome) {
    case NewHeader::Outcome::Created:
        n.outcome = NamingOutcome::Created;
        n.id = made.id;
        break;
    case NewHeader::Outcome::Duplicate: // another program took the name a moment ago
        duplicate(prompter);
        n.outcome = NamingOutcome::RefusedName;
        break;
    case NewHeader::Outcome::Failed:
        n.writeFailure = made.failure;
        break;
    }
    return n;
}

QString saveFailure(const DbResult &r)
{
    return QStringLiteral("The test could not be saved: ") + r.error;
}

} // namespace viscora
