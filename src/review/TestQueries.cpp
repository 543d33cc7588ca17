#include "review/TestQueries.h"

#include "core/Module1.h"
#include "core/Units.h"

namespace viscora {

DbRead<std::vector<QueryRow>> dosql(Module1 &m, const TestRepository &repo, const QString &name)
{
    const auto first = repo.firstRbfactor(name);
    if (!first)
        return DbRead<std::vector<QueryRow>>::failure(first);
    const RotorBobChoice choice = chooseOpenedTestRotorBob(m, *first);
    if (!*first)
        return std::vector<QueryRow>();
    return repo.queryRows(buildTestQuery(m, choice.custom, QueryOrder::StepThenTime), name);
}

DbRead<std::vector<QueryRow>> dosqloverlap(Module1 &m, const TestRepository &repo,
                                           const QString &name)
{
    const auto first = repo.firstRbfactor(name);
    if (!first)
        return DbRead<std::vector<QueryRow>>::failure(first);
    const RotorBobChoice choice = chooseOverlayRotorBob(m, *first);
    return repo.queryRows(buildTestQuery(m, choice.custom, QueryOrder::Unordered), name);
}

} // namespace viscora
