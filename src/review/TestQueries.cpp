#include "review/TestQueries.h"

namespace viscora {

DbRead<QueriedTest> dosql(const TestRepository &repo, const QString &name, Units units,
                          RotorBobSetting current)
{
    const auto first = repo.firstRbfactor(name);
    if (!first)
        return DbRead<QueriedTest>::failure(first);
    const RotorBobSetting rb = openedTestRotorBob(current, *first);
    if (!*first)
        return QueriedTest{{}, rb};
    auto rows =
        repo.queryRows(buildTestQuery(units, rb, rb.custom, QueryOrder::StepThenTime), name);
    if (!rows)
        return DbRead<QueriedTest>::failure(rows);
    return QueriedTest{std::move(*rows), rb};
}

DbRead<QueriedTest> dosqloverlap(const TestRepository &repo, const QString &name, Units units,
                                 RotorBobSetting current)
{
    const auto first = repo.firstRbfactor(name);
    if (!first)
        return DbRead<QueriedTest>::failure(first);
    const RotorBobSetting rb = overlayRotorBob(current, *first);
    auto rows = repo.queryRows(buildTestQuery(units, rb, rb.custom, QueryOrder::Unordered), name);
    if (!rows)
        return DbRead<QueriedTest>::failure(rows);
    return QueriedTest{std::move(*rows), rb};
}

} // namespace viscora
