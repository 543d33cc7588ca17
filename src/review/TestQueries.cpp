#include "review/TestQueries.h"

#include "core/Module1.h"
#include "core/Units.h"

namespace viscora {

std::vector<QueryRow> dosql(Module1 &m, const TestRepository &repo, const QString &name)
{
    const auto first = repo.firstRbfactor(name);
    const RotorBobChoice choice = chooseOpenedTestRotorBob(m, first);
    if (!first)
        return {};
    return repo.queryRows(buildTestQuery(m, choice.custom, QueryOrder::StepThenTime), name);
}

std::vector<QueryRow> dosqloverlap(Module1 &m, const TestRepository &repo, const QString &name)
{
    const RotorBobChoice choice = chooseOverlayRotorBob(m, repo.firstRbfactor(name));
    return repo.queryRows(buildTestQuery(m, choice.custom, QueryOrder::Unordered), name);
}

} // namespace viscora
