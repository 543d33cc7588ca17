#include "store/TestNaming.h"

#include <algorithm>

namespace viscora {

namespace {
Naming refusedName(const QString &name, Failure why)
{
    Naming n;
    n.outcome = NamingOutcome::RefusedName;
    n.name = name;
    n.failure = std::move(why);
    return n;
}

bool control(QChar c) { return c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() < 0xa0); }
} // namespace

const Failure kDuplicatedTestName{
    "Duplicated test name. Please enter a new test name.", "Test Name Error.", {}};

NewName newName(const QString &typed, NameOf what)
{
    const bool test = what == NameOf::Test;
    NewName n{typed.trimmed(), std::nullopt};
    if (n.name.isEmpty())
        n.failure = test ? Failure{"Must input Test name.", "Blank Input Error.", {}}
                         : Failure{"Please input the new sequence name", "Blank Input Error.", {}};
    else if (std::any_of(n.name.begin(), n.name.end(), control))
        n.failure =
            test ? Failure{"A test name cannot hold control characters (tabs, line breaks, "
                           "escapes).",
                           "Test Name Error.",
                           {}}
                 : Failure{"A sequence name cannot hold control characters (tabs, line breaks, "
                           "escapes).",
                           "New Sequence Naming Error",
                           {}};
    return n;
}

Naming nameNewTest(TestRepository &repo, const TestHeader &typed, Qt::CaseSensitivity cs,
                   const std::function<bool()> &otherChecks)
{
    const NewName kept = newName(typed.testName, NameOf::Test);
    if (kept.failure)
        return refusedName(kept.name, *kept.failure);
    TestHeader header = typed;
    header.testName = kept.name;
    Naming n;
    n.name = kept.name;
    const auto exists = repo.exists(header.testName, cs);
    if (!exists) {
        n.failure = exists.failure();
        return n;
    }
    if (*exists)
        return refusedName(kept.name, kDuplicatedTestName);
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
        return refusedName(kept.name, kDuplicatedTestName);
    case NewHeader::Outcome::Full:
        n.failure = dbFailure(made.failure.error);
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
