#include "core/Units.h"

#include "core/VbFormat.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>

namespace viscora {

namespace {
constexpr std::array<RotorBob, 6> kRotorBobs{{
    {1, "R1-B1", 1.0f, 1.0f},
    {2, "R2-B1", 3.185f, 1.0f},
    {3, "R3-B1", 0.2215f, 1.0f},
    {4, "R1-B2", 0.2215f, 1.973f},
    {5, "R1-B5", 0.4995f, 1.0f},
    {6, "R1-B4", 0.1574f, 8.012f},
}};
} // namespace

std::span<const RotorBob> rotorBobList() { return kRotorBobs; }

const RotorBob *rotorBobByCode(int code)
{
    for (const auto &rb : kRotorBobs)
        if (rb.code == code)
            return &rb;
    return nullptr;
}

const RotorBob *rotorBobByName(const std::string &name)
{
    std::string upper = name;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    for (const auto &rb : kRotorBobs)
        if (upper == rb.name)
            return &rb;
    return nullptr;
}

int rotorBobPosition(const RotorBob &rb) { return static_cast<int>(&rb - kRotorBobs.data()); }

RotorBobSetting withRotorBob(RotorBobSetting s, const RotorBob &rb)
{
    s.index = static_cast<std::int16_t>(rb.code);
    s.shearFactor = rb.shearFactor;
    s.fannFactor = rb.fannFactor;
    return s;
}

SequenceRotorBob sequenceRotorBob(int storedCode)
{
    if (const RotorBob *rb = rotorBobByCode(storedCode))
        return {*rb, true};
    return {kRotorBobs.front(), false};
}

double factorValue(float factor) { return std::strtod(shortestText(factor).c_str(), nullptr); }

RotorBobSetting openedTestRotorBob(RotorBobSetting s, std::optional<double> firstRbfactor)
{
    s.fannFactor = 1.0f;
    s.shearFactor = 1.0f;
    if (!firstRbfactor)
        return s;
    const double v = *firstRbfactor;
    if (v >= 1 && v <= 6) {
        s = withRotorBob(s, *rotorBobByCode(static_cast<int>(roundHalfEven(v))));
        s.custom = false;
    } else if (v > 7) {
        s.index = static_cast<std::int16_t>(roundHalfEven(std::min(v, 32767.0)));
        s.custom = true;
        s.customFactor = v / 1000.0;
    }
    return s;
}

RotorBobSetting chosenRotorBob(RotorBobSetting s)
{
    return s.index == 0 ? withRotorBob(s, kRotorBobs.front()) : s;
}

RotorBobSetting overlayRotorBob(RotorBobSetting s, std::optional<double> firstRbfactor)
{
    if (firstRbfactor) {
        const double v = *firstRbfactor;
        if (v >= 1 && v <= 6) {
            s.custom = false;
        } else if (v > 7) {
            s.custom = true;
            s.customFactor = v / 1000.0;
        }
    }
    return s;
}

} // namespace viscora
