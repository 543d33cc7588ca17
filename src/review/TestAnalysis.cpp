#include "review/TestAnalysis.h"

namespace viscora {

DbRead<rheology::Analysis> analyseTest(const TestRepository &repo, const QString &name,
                                       const RotorBobSetting &rb, Units units)
{
    using Result = DbRead<rheology::Analysis>;
    const auto first = repo.firstRbfactor(name);
    if (!first)
        return Result::failure(first);
    const auto stored = repo.storedPoints(name);
    if (!stored)
        return Result::failure(stored);
    const RotorBobSetting opened = openedTestRotorBob(rb, *first);
    std::vector<rheology::Point> points;
    points.reserve(stored->size());
    for (const StoredPoint &p : *stored)
        points.push_back({p.stepNo, p.time, p.temperature, p.speed, p.shearStress, p.gel});
    return rheology::analyse(std::move(points), rheology::geometryOf(opened), units);
}

} // namespace viscora
