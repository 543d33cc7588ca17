#include "store/PointQueries.h"

#include "core/VbFormat.h"
#include "store/Schema.h"

namespace viscora {

namespace {
// Query text with the formulas' constants written from Units.h (shortest decimal text, so
// the database reads back the very same doubles) and every other value bound in order.
struct QueryText {
    TestQuery q;
    QueryText &text(const std::string &s)
    {
        q.sql += s;
        return *this;
    }
    QueryText &constant(double v)
    {
        q.sql += shortestText(v);
        return *this;
    }
    QueryText &value(double v)
    {
        q.sql += '?';
        q.factors.push_back(v);
        return *this;
    }
};
} // namespace

TestQuery buildTestQuery(Units units, const RotorBobSetting &rb, bool custom, QueryOrder order)
{
    using namespace formula;
    const bool si = units == Units::SI;
    QueryText t;
    t.text("SELECT StepNo, Time, ");
    t.text(si ? "(Temperature-32)*5/9.0, " : "Temperature, ");
    auto stress = [&](const char *column) {
        t.text(column);
        if (!si)
            t.text("*").constant(kStressToEI);
        t.text(", ");
    };
    if (custom) {
        t.text("Speed*").value(rb.customFactor).text(", Speed, ");
        stress("Shearstress");
        t.text("Shearstress/((Speed+").constant(kSpeedGuard).text("))*100/");
        t.value(rb.customFactor).text(", ");
        stress("Gel");
        t.text("Rbfactor/1000.0, ");
    } else {
        const double shear = factorValue(rb.shearFactor);
        t.text("Speed*").constant(kShearPerRpm).text("*").value(shear).text(", Speed, ");
        stress("Shearstress");
        t.text("Shearstress/((Speed+").constant(kSpeedGuard).text(")*").constant(kShearPerRpm);
        t.text(")*100/").value(shear).text(", ");
        stress("Gel");
        t.text("Rbfactor, ");
    }
    t.text("Shearstress/").constant(kDialDivisor).text("/").value(factorValue(rb.fannFactor));
    t.text(" FROM TestResult WHERE TestId=").text(schema::testOfName());
    if (order == QueryOrder::StepThenTime)
        t.text(" ORDER BY StepNo, Time ASC");
    return std::move(t.q);
}

std::string firstRbfactorSql()
{
    return "SELECT Rbfactor FROM TestResult WHERE TestId=" + schema::testOfName() +
           " ORDER BY StepNo, Time ASC LIMIT 1";
}

TestQuery buildReportQuery(double shearFactor)
{
    using namespace formula;
    QueryText t;
    t.text("SELECT StepNo, Time, Temperature, Speed, (Speed*").constant(kShearPerRpm).text("*");
    t.value(shearFactor).text(") AS ShearRate, Shearstress, Gel, Rbfactor, (Shearstress/(");
    t.constant(kReportRateGuard)
        .text("+(Speed*")
        .constant(kShearPerRpm)
        .text("*")
        .value(shearFactor);
    t.text("))*100.0) AS Viscosity, (Shearstress/").constant(kDialDivisor);
    t.text(") AS FannDial, (Gel/").constant(kDialDivisor);
    t.text(") AS FannGel FROM TestResult WHERE TestId=? ORDER BY StepNo, Time");
    return std::move(t.q);
}

} // namespace viscora
