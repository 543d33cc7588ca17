#include "core/Module1.h"
#include "support/ScriptedPrompter.h"
#include "support/TestDb.h"
#include "review/TestQueries.h"
#include "core/Units.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace viscora;
using namespace viscora::test;
using namespace viscora::formula;

TEST(Dosql, EiStandardColumnsFollowTheFormulas)
{
    TestDb t;
    t.addTest("t", {point(2, 5, 150, 100, 300, 20, 6), point(1, 30, 212, 300, 510, 10, 6),
                    point(1, 10, 212, 600, 800, 12, 6)});
    const auto read = must(dosql(TestRepository(*t.db), "t", Units::EI, {}));
    const auto &rows = read.rows;
    ASSERT_EQ(rows.size(), 3u);
    // By step, then time.
    EXPECT_EQ(rows[0][col::Time], 10);
    EXPECT_EQ(rows[1][col::Time], 30);
    EXPECT_EQ(rows[2][col::Step], 2);
    EXPECT_EQ(read.rotorBob.index, 6);
    const auto &r = rows[1];
    EXPECT_EQ(r[col::Temperature], 212);
    EXPECT_DOUBLE_EQ(r[col::ShearRate], 300 * 1.7023 * 0.1574);
    EXPECT_EQ(r[col::Speed], 300);
    EXPECT_DOUBLE_EQ(r[col::ShearStress], 510 * 0.2088);
    EXPECT_NEAR(r[col::Viscosity], 510 / (300 * 1.7023) * 100 / 0.1574, 1e-4); // cP
    EXPECT_DOUBLE_EQ(r[col::Gel], 10 * 0.2088);
    EXPECT_EQ(r[col::Rbfactor], 6);
    EXPECT_DOUBLE_EQ(r[col::Dial], 510 / 5.11 / 8.012);
}

TEST(Dosql, SiCustomAndSpeedZero)
{
    TestDb t;
    t.addTest("c", {point(1, 30, 212, 100, 510, 10, 1703), point(1, 60, 32.5, 0, 40, 10, 1703)});
    const auto read = must(dosql(TestRepository(*t.db), "c", Units::SI, {}));
    const auto &rows = read.rows;
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_TRUE(read.rotorBob.custom);
    EXPECT_DOUBLE_EQ(rows[0][col::Temperature], 100);
    EXPECT_DOUBLE_EQ(rows[0][col::ShearRate], 170.3);
    EXPECT_DOUBLE_EQ(rows[0][col::ShearStress], 510);
    EXPECT_NEAR(rows[0][col::Viscosity], 510 / (100 * 1.703) * 100, 1e-4);
    EXPECT_DOUBLE_EQ(rows[0][col::Rbfactor], 1.703);
    EXPECT_DOUBLE_EQ(rows[0][col::Dial], 510 / 5.11);
    EXPECT_TRUE(std::isfinite(rows[1][col::Viscosity]));
    EXPECT_GT(rows[1][col::Viscosity], 1e6);
}

TEST(Dosql, NoRowsLeavesFactorsAtOne)
{
    TestDb t;
    t.addTest("empty", {});
    RotorBobSetting before;
    before.index = 3;
    const auto read = must(dosql(TestRepository(*t.db), "empty", Units::EI, before));
    EXPECT_TRUE(read.rows.empty());
    EXPECT_EQ(read.rotorBob.shearFactor, 1.0f);
    EXPECT_EQ(read.rotorBob.fannFactor, 1.0f);
    EXPECT_EQ(read.rotorBob.index, 3);
}

TEST(Dosqloverlap, StandardTestUsesTheOpenedTestsFactors)
{
    TestDb t;
    t.addTest("r2", {point(1, 30, 100, 100, 100, 0, 2)});
    t.addTest("r1", {point(1, 30, 100, 100, 100, 0, 1)});
    t.addTest("custom", {point(1, 30, 100, 100, 100, 0, 2000)});
    TestRepository repo(*t.db);
    const auto opened = must(dosql(repo, "r2", Units::EI, {}));
    const auto over = must(dosqloverlap(repo, "r1", Units::EI, opened.rotorBob));
    ASSERT_EQ(over.rows.size(), 1u);
    EXPECT_DOUBLE_EQ(over.rows[0][col::ShearRate], 100 * 1.7023 * 3.185);
    EXPECT_EQ(over.rotorBob.index, 2);
    const auto custom = must(dosqloverlap(repo, "custom", Units::EI, over.rotorBob));
    EXPECT_DOUBLE_EQ(custom.rows[0][col::ShearRate], 200);
    EXPECT_EQ(custom.rotorBob.shearFactor, 3.185f);
}

// The query as the operators' old program wrote it, each factor pasted in as its shortest
// decimal text. The query built from the named constants must give the very same doubles.
TEST(Dosql, SameDigitsAsTheLiteralQueryText)
{
    TestDb t;
    t.addTest("t", {point(1, 30, 32.5, 300, 1003, 10, 6), point(1, 60, 212, 0.000001, 515, 5, 6),
                    point(2, 5, 75.3, 3, 5, 25, 6), point(2, 9, 101.7, 600.01, 61234, 7, 6)});
    auto literal = [](bool si, bool custom, const std::string &shear, const std::string &fann) {
        const std::string tail = " FROM TestResult where TestId=(SELECT TestId from relatedinfo "
                                 "where TestName='t') ORDER BY StepNo, Time ASC;";
        const std::string temp = si ? "(Temperature-32)*5/9.0, " : "Temperature, ";
        if (!custom)
            return "SELECT StepNo, Time, " + temp + "Speed*1.7023*" + shear + ", Speed," +
                   (si ? " Shearstress, " : " Shearstress*0.2088, ") +
                   "Shearstress/((Speed+0.000001)*1.7023)*100/" + shear +
                   (si ? ", Gel , Rbfactor," : ", Gel*0.2088 ,Rbfactor,") + "Shearstress/5.11/" +
                   fann + tail;
        return "SELECT StepNo, Time, " + temp + "Speed*" + shear + ", Speed," +
               (si ? " Shearstress, " : " Shearstress*0.2088, ") +
               "Shearstress/((Speed+0.000001))*100/" + shear +
               (si ? ", Gel , Rbfactor/1000.0," : ", Gel*0.2088 ,Rbfactor/1000.0,") +
               "Shearstress/5.11/" + fann + tail;
    };
    TestRepository repo(*t.db);
    for (const bool si : {false, true})
        for (const bool custom : {false, true}) {
            Module1 m;
            m.UnitSystem = si ? 2 : 1;
            m.RbShearFactor = 0.1574f;
            m.RbFannFactor = 8.012f;
            m.CustomRbFactor = 1.703;
            const auto built = must(repo.queryRows(
                buildTestQuery(m.units(), m.rotorBob(), custom, QueryOrder::StepThenTime), "t"));
            const std::string sql =
                literal(si, custom, custom ? "1.703" : "0.1574", custom ? "8.012" : "8.012");
            QSqlQuery q(t.db->sql());
            ASSERT_TRUE(q.exec(QString::fromStdString(sql))) << sql;
            size_t r = 0;
            for (; q.next(); ++r) {
                ASSERT_LT(r, built.size());
                for (int c = 0; c < col::Count; ++c)
                    EXPECT_EQ(q.value(c).toDouble(), built[r][static_cast<size_t>(c)])
                        << "si " << si << " custom " << custom << " row " << r << " col " << c;
            }
            EXPECT_EQ(r, built.size());
        }
}
