#include "core/TestQuery.h"

namespace viscora {

const char *gridMask(int column)
{
    switch (column) {
    case col::Temperature:
        return "###.0";
    case col::ShearRate:
    case col::Speed:
        return "###0.00";
    case col::ShearStress:
    case col::Gel:
        return "###.000";
    case col::Viscosity:
        return "#####.00";
    case col::Dial:
        return "####.0";
    default:
        return "";
    }
}

} // namespace viscora
