#include "review/TestAnalysis.h"

#include "core/Module1.h"

namespace viscora {

DbRead<rheology::Analysis> analyseTest(const TestRepository &repo, const QString &name,
                                       const Module1 &m, Units units)
{
    using Result = DbRead<rheology::Analysis>;
    const auto first = repo.firstRbfactor(name);
    if (!first)
        return Result::failure(first);
    const auto stored = repo.storedPoints(name);
    if (!stored)
        return Result::failure(stored);
    // Only the rotor-bob settings, as they stand, for what opening the test would leave.
    Module1 rb;
    rb.RbIndex = m.RbIndex;
    rb.RbShearFactor = m.RbShearFactor;
    rb.RbFannFactor = m.RbFannFactor;
    rb.CustomRb = m.CustomRb;
    rb.CustomRbFactor = m.CustomRbFactor;
    chooseOpenedTestRotorBob(rb, *first);
    std::vector<rheology::Point> points;
    points.reserve(stored->size());
    for (const StoredPoint &p : *stored)
        points.push_back({p.stepNo, p.time, p.temperature, p.speed, p.shearStress, p.gel});
    return rheology::analyse(std::move(points), rheology::geometryOf(rb), units);
}

} // namespace viscora
