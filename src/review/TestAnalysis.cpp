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
    std::vector<rheology::Point> points;
    points.reserve(stored->size());
    for (const StoredPoint &p : *stored)
        points.push_back({p.stepNo, p.time, p.temperature, p.speed, p.shearStress, p.gel});
    return analysePoints(std::move(points), rb, *first, units);
}

rheology::Analysis analysePoints(std::vector<rheology::Point> points, const RotorBobSetting &rb,
                                 std::optional<double> firstRbfactor, Units units)
{
    return rheology::analyse(std::move(points),
                             rheology::geometryOf(openedTestRotorBob(rb, firstRbfactor)), units);
}

} // namespace viscora
