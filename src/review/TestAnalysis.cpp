#include "review/TestAnalysis.h"

namespace viscora {

DbRead<rheology::Analysis> analyseTest(const TestRepository &repo, const QString &name,
                                       const RotorBobSetting &rb, Units units)
{
    using Result = DbRead<rheology::Analysis>;
    const auto first = repo.firstRbfactor(name);
    if (!first)
        return Result::failure(first);
    // Read straight into the analysis's points: a long test is held once.
    std::vector<rheology::Point> points;
    if (const auto count = repo.pointCount(name))
        points.reserve(*count);
    const auto read = repo.eachStoredPoint(name, [&](const StoredPoint &p) {
        points.push_back({p.stepNo, p.time, p.temperature, p.speed, p.shearStress, p.gel});
    });
    if (!read)
        return Result::failure(read);
    return analysePoints(std::move(points), rb, *first, units);
}

rheology::Analysis analysePoints(std::vector<rheology::Point> points, const RotorBobSetting &rb,
                                 std::optional<double> firstRbfactor, Units units)
{
    return rheology::analyse(std::move(points),
                             rheology::geometryOf(openedTestRotorBob(rb, firstRbfactor)), units);
}

} // namespace viscora
