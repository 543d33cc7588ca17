#include "core/TestQuery.h"

#include "core/Module1.h"
#include "core/Units.h"

namespace viscora {

TestQuery buildTestQuery(const Module1 &m, bool custom, QueryOrder order)
{
    const bool si = m.isSI();
    TestQuery q;
    std::string s = "SELECT StepNo, Time, ";
    s += si ? "(Temperature-32)*5/9.0, " : "Temperature, ";
    if (custom) {
        s += "Speed*?, Speed, ";
        s += si ? "Shearstress, " : "Shearstress*0.2088, ";
        s += "Shearstress/((Speed+0.000001))*100/?, ";
        s += si ? "Gel, " : "Gel*0.2088, ";
        s += "Rbfactor/1000.0, ";
        q.factors = {m.CustomRbFactor, m.CustomRbFactor};
    } else {
        s += "Speed*1.7023*?, Speed, ";
        s += si ? "Shearstress, " : "Shearstress*0.2088, ";
        s += "Shearstress/((Speed+0.000001)*1.7023)*100/?, ";
        s += si ? "Gel, " : "Gel*0.2088, ";
        s += "Rbfactor, ";
        const double shear = factorValue(m.RbShearFactor);
        q.factors = {shear, shear};
    }
    s += "Shearstress/5.11/? FROM TestResult WHERE TestId="
         "(SELECT TestId FROM RelatedInfo WHERE TestName=?)";
    q.factors.push_back(factorValue(m.RbFannFactor));
    if (order == QueryOrder::StepThenTime)
        s += " ORDER BY StepNo, Time ASC";
    q.sql = std::move(s);
    return q;
}

std::string firstRbfactorSql()
{
    return "SELECT Rbfactor FROM TestResult WHERE TestId="
           "(SELECT TestId FROM RelatedInfo WHERE TestName=?) ORDER BY StepNo, Time ASC LIMIT 1";
}

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
