#include "review/TestQueries.h"

#include "core/Module1.h"
#include "core/Units.h"

namespace viscora {

DbRead<std::vector<QueryRow>> dosql(Module1 &m, const TestRepository &repo, const QString &name)
{
    const auto first = repo.firstRbfactor(name);
    if (!first)
        return DbRead<std::vector<QueryRow>>::failure(first);
    m.setRotorBob(openedTestRotorBob(m.rotorBob(), *first));
    if (!*first)
        return std::vector<QueryRow>();
    return repo.queryRows(
        buildTestQuery(m.units(), m.rotorBob(), m.CustomRb, QueryOrder::StepThenTime), name);
}

DbRead<std::vector<QueryRow>> dosqloverlap(Module1 &m, const TestRepository &repo,
                                           const QString &name)
{
    const auto first = repo.firstRbfactor(name);
    if (!first)
        return DbRead<std::vector<QueryRow>>::failure(first);
    m.setRotorBob(overlayRotorBob(m.rotorBob(), *first));
    return repo.queryRows(
        buildTestQuery(m.units(), m.rotorBob(), m.CustomRb, QueryOrder::Unordered), name);
}

} // namespace viscora
