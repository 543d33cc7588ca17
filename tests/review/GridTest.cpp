#include "core/Module1.h"
#include "support/TestDb.h"
#include "review/TestGridModel.h"
#include "review/TestQueries.h"
#include "review/TestReview.h"
#include "support/ScriptedPrompter.h"
#include "store/TestNotes.h"

#include <gtest/gtest.h>

using namespace viscora;
using namespace viscora::test;

TEST(GridHeaders, EiAndSi)
{
    const QStringList ei = gridHeaders(false), si = gridHeaders(true);
    EXPECT_EQ(ei, (QStringList{"Step No", "Elaps Time\n(S)", "Temp\n(F°)", "Shear Rate\n (1/S)",
                               "Speed \n(Rpm)", "Shear Stress\n(lb/100ft2)", "Viscosity\n (cP)",
                               "Gel\n(lb/100ft2)", "Rb Factor", "Fann® 35 F1\nReading"}));
    EXPECT_EQ(si[2], "Temp\n(C°)");
    EXPECT_EQ(si[3], "Shear rate\n (1/S)");
    EXPECT_EQ(si[5], "Shear Stress\n(dyn/cm2)");
    EXPECT_EQ(si[7], "Gel\n(dyn/cm2)");
    EXPECT_EQ(si[9], ei[9]);
}

TEST(GridCells, MasksOnFormattedColumnsAndStoredValuesElsewhere)
{
    TestDb t;
    t.addTest("t", {point(1, 30, 32.5, 300, 510, 10, 1), point(2, 7.5, 212, 0.5, 0, 0, 1)});
    Module1 m;
    m.UnitSystem = 2;
    TestGridModel grid;
    grid.setRows(must(dosql(TestRepository(*t.db), "t", m.units(), m.rotorBob())).rows);
    const char *row0[] = {"1",       "30",    ".3",     "510.69", "300.00",
                          "510.000", "99.86", "10.000", "1",      "99.8"};
    for (int c = 0; c < 10; ++c)
        EXPECT_EQ(grid.cellText(0, c).toStdString(), row0[c]) << c;
    EXPECT_EQ(grid.cellText(1, 1), "7.5");
    EXPECT_EQ(grid.cellText(1, 2), "100.0");
    EXPECT_EQ(grid.cellText(1, 4), "0.50");
    EXPECT_EQ(grid.cellText(1, 5), ".000");
    EXPECT_EQ(grid.data(grid.index(0, 3), Qt::DisplayRole).toString(), "510.69");
}

struct StressCase {
    const char *name;
    std::vector<const char *> stress;
    const char *code;
    bool si;
    std::vector<char> marks;
};

TEST(CheckStress, BandsOpenAtBothEndsAndOnlyOffGridR1B1)
{
    const StressCase cases[] = {
        // 210.000 lb/100ft2 is off the 5 dyn/cm2 grid: the band row is marked.
        {"ei off grid", {"210.000", "104.400", "204.600", "213.999"}, "1", false, {1, 0, 0, 1}},
        // All on the grid (1005 dyn/cm2 = 209.844 lb/100ft2, 1000 = 208.8): nothing marked.
        {"ei on grid", {"209.844", "208.800", "104.400"}, "1", false, {0, 0, 0}},
        {"si off grid", {"1003.000", "980.000", "1030.000", "981.000"}, "1", true, {1, 0, 0, 1}},
        {"si on grid", {"1000.000", "1005.000"}, "1", true, {0, 0}},
        {"other rotor", {"1003.000", "1001.000"}, "2", true, {0, 0}},
        {"custom code reads as 2", {"1003.000"}, "1.703", true, {0}},
        {"no rows", {}, "", true, {}},
    };
    for (const auto &c : cases) {
        const std::vector<std::string> texts(c.stress.begin(), c.stress.end());
        EXPECT_EQ(checkStressMarks(texts, c.code, c.si), c.marks) << c.name;
    }
}

TEST(CheckStress, GridShowsNA)
{
    TestDb t;
    // 1003 dyn/cm2 is off the grid and inside the SI band.
    t.addTest("t", {point(1, 30, 100, 300, 1003), point(1, 60, 100, 300, 500)});
    Module1 m;
    m.UnitSystem = 2;
    TestGridModel grid;
    grid.setSI(true);
    grid.setRows(must(dosql(TestRepository(*t.db), "t", m.units(), m.rotorBob())).rows);
    grid.Check_Stress();
    EXPECT_EQ(grid.cellText(0, 6), "N/A");
    EXPECT_NE(grid.cellText(1, 6), "N/A");
    grid.Check_Stress();
    EXPECT_EQ(grid.cellText(0, 6), "N/A");
}

// A test whose recording had a gap (a lost connection): the first row after it stands out in
// the grid and says what happened, and the time charts do not draw the line across it.
TEST(Gaps, TheRowAfterAGapIsMarkedAndTheTimeChartBroken)
{
    TestDb t;
    t.addTest("gappy", {point(1, 10, 100, 300, 510), point(1, 20, 100, 300, 515),
                        point(1, 80, 100, 300, 520), point(2, 10, 100, 300, 525)});
    TestRepository repo(*t.db);
    ASSERT_TRUE(repo.addEvent("gappy", {80, "gap",
                                        "No record reached the program from 10:00:20 "
                                        "to 10:01:20."})
                    .ok);
    Module1 m;
    ScriptedPrompter p;
    TestReview review(m, *t.db, p);
    m.CurrentTestName = "gappy";
    ASSERT_TRUE(review.openCurrentTest());
    const TestGridModel &grid = review.grid();
    EXPECT_EQ(review.gapRows(), (std::vector<std::size_t>{2}));
    EXPECT_FALSE(grid.afterGap(1));
    EXPECT_TRUE(grid.afterGap(2));
    EXPECT_EQ(grid.data(grid.index(2, 0), Qt::ToolTipRole).toString(),
              "No record reached the program from 10:00:20 to 10:01:20.");
    EXPECT_TRUE(grid.data(grid.index(2, 3), Qt::BackgroundRole).isValid());
    EXPECT_FALSE(grid.data(grid.index(1, 3), Qt::BackgroundRole).isValid());
    EXPECT_EQ(grid.headerData(2, Qt::Vertical, Qt::DisplayRole).toString(), "⋯3");
    // The time chart breaks at that row; a chart sorted by shear rate does not.
    review.selectChartType(6);
    EXPECT_EQ(review.chart().series(0).breaks, (std::vector<std::size_t>{2}));
    review.selectChartType(0);
    EXPECT_TRUE(review.chart().series(0).breaks.empty());
    EXPECT_TRUE(p.shown.empty());
}

// Notes are told by the row at or after their time (the last row for one past the end), beside
// a gap on the same row, and the time charts mark them; other charts do not.
TEST(Notes, RowsTellTheirNotesAndTimeChartsMarkThem)
{
    TestDb t;
    t.addTest("noted", {point(1, 10, 100, 300, 510), point(1, 20, 100, 300, 515),
                        point(1, 80, 100, 300, 520), point(2, 10, 100, 300, 525)});
    TestRepository repo(*t.db);
    ASSERT_TRUE(repo.addEvent("noted", {80, "gap", "lost"}).ok);
    ASSERT_TRUE(addNote(repo, "noted", 15, "added 2 ppb polymer"));
    ASSERT_TRUE(addNote(repo, "noted", 79, "sample foamed"));
    Module1 m;
    ScriptedPrompter p;
    TestReview review(m, *t.db, p);
    m.CurrentTestName = "noted";
    ASSERT_TRUE(review.openCurrentTest());
    const TestGridModel &grid = review.grid();
    EXPECT_FALSE(grid.hasNote(0));
    EXPECT_TRUE(grid.hasNote(1));
    EXPECT_EQ(grid.data(grid.index(1, 0), Qt::ToolTipRole).toString(),
              "Note at 15 s: added 2 ppb polymer");
    EXPECT_TRUE(grid.data(grid.index(1, 0), Qt::BackgroundRole).isValid());
    EXPECT_EQ(grid.headerData(1, Qt::Vertical, Qt::DisplayRole).toString(), "✎2");
    EXPECT_EQ(grid.headerData(2, Qt::Vertical, Qt::DisplayRole).toString(), "⋯✎3");
    EXPECT_EQ(grid.headerData(2, Qt::Vertical, Qt::ToolTipRole).toString(),
              "lost\nNote at 79 s: sample foamed");
    EXPECT_EQ(grid.headerData(3, Qt::Vertical, Qt::DisplayRole).toString(), "4");

    review.selectChartType(6);
    EXPECT_EQ(review.chart().noteMarks(),
              (std::vector<TimeMark>{{15, "added 2 ppb polymer", TimeMarkKind::Note},
                                     {79, "sample foamed", TimeMarkKind::Note}}));
    review.selectChartType(0);
    EXPECT_TRUE(review.chart().noteMarks().empty());

    // A note added in review: past the last point it goes to the last row, and the time chart
    // shown takes its mark at once.
    review.selectChartType(6);
    ASSERT_TRUE(review.addNote(review.rowTime(3) + 5, "end"));
    EXPECT_EQ(review.chart().noteMarks().back(), (TimeMark{95, "end", TimeMarkKind::Note}));
    EXPECT_EQ(grid.data(grid.index(3, 0), Qt::ToolTipRole).toString(), "Note at 95 s: end");
    EXPECT_EQ(review.rowTime(0), 10);
    EXPECT_EQ(review.rowTime(2), 80);
    EXPECT_EQ(review.rowTime(3), 90);
    const Outcome blank = review.addNote(5, " ");
    ASSERT_FALSE(blank);
    EXPECT_EQ(blank.failure().text, "A note needs a text.");
    EXPECT_EQ(review.notes().size(), 3u);
    EXPECT_TRUE(p.shown.empty());

    // With no test open there is nothing to note.
    m.CurrentTestName.clear();
    ASSERT_TRUE(review.openCurrentTest());
    EXPECT_TRUE(review.notes().empty());
    EXPECT_FALSE(review.addNote(1, "x"));
}
