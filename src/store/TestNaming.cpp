#include "store/TestNaming.h"

namespace viscora {

namespace {
Naming refusedName(Failure why)
{
    Naming n;
    n.outcome = NamingOutcome::RefusedName;
    n.failure = std::move(why);
    return n;
}
const Failure kDuplicate{
    "Duplicated test name. Please enter a new test name.", "Test Name Error.", {}};
} // namespace

Naming nameNewTest(TestRepository &repo, const TestHeader &header, Qt::CaseSensitivity cs,
                   const std::function<bool()> &otherChecks)
{
    if (header.testName.isEmpty())
        return refusedName({"Must input Test name.", "Blank Input Error.", {}});
    const auto exists = repo.exists(header.testName, cs);
    if (!exists) {
        Naming n;
        n.failure = exists.failure();
        return n;
    }
    if (*exists)
        return refusedName(kDuplicate);
    Naming n;
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
        return refusedName(kDuplicate);
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
