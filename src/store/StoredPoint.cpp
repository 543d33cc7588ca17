#include "store/TestRepository.h"

#include "core/Units.h"

namespace viscora {

StoredPoint storedPoint(const std::array<double, 7> &f, double rpm, double stressFactor,
                        std::optional<double> customFactorThousandths)
{
    StoredPoint p;
    p.stepNo = static_cast<int>(f[0]);
    p.time = f[1];
    p.temperature = f[2];
    p.speed = formula::storedSpeed(rpm);
    p.shearStress = f[3] * stressFactor;
    p.gel = f[4] * stressFactor;
    p.rbfactor = customFactorThousandths.value_or(f[6]);
    return p;
}

} // namespace viscora
