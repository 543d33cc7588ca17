#include "ui/ChartView.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace viscora;

// A test's notes in the chart's data are drawn beside its step boundaries, their text as
// typed (never read as a label placeholder), and only while time runs across.
TEST(ChartMarks, TheModelsNotesBesideItsStepBoundaries)
{
    ChartModel m;
    m.setMainTitle("Shear Stress Vs. Time");
    m.setPointCount(3);
    m.setPoints(0, {0, 60, 120}, {10, 20, 15});
    m.setTimeAxis(true);
    m.setTimeMarks({{0, "Step 1 · 600 rpm", TimeMarkKind::StepBoundary}});
    const std::vector<TimeMark> notes{{30, "added 2 ppb polymer", TimeMarkKind::Note},
                                      {90, "50 @xPoint", TimeMarkKind::Note}};
    m.setNoteMarks(notes);
    ChartView view;
    view.resize(640, 480);
    view.redraw(m);
    ASSERT_EQ(view.marks().size(), 3u);
    EXPECT_EQ(view.marks()[1], notes[0]);
    EXPECT_EQ(view.marks()[2], notes[1]);
    EXPECT_FALSE(view.grab().toImage().isNull());
    m.setTimeAxis(false);
    view.redraw(m);
    EXPECT_TRUE(view.marks().empty());
}
