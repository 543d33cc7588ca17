#include "ui/ChartView.h"

#include <QChart>
#include <QImage>
#include <QLegend>
#include <QLegendMarker>
#include <QXYSeries>

#include <gtest/gtest.h>

using namespace viscora;

// Each mark is a line across the plot and a point at its top labelled with the text, none of
// them in the legend; the series' own legend stays as it was.
TEST(ChartMarks, LinesLabelledWithTheirTextOutOfTheLegend)
{
    ChartModel m;
    m.setMainTitle("Shear Stress Vs. Time");
    m.setPointCount(3);
    m.setPoints(0, {0, 60, 120}, {10, 20, 15});
    m.setMarks({{30, "added 2 ppb polymer"}, {90, "50 @xPoint"}, {500, "beyond"}});
    ChartView view;
    view.resize(640, 480);
    view.redraw(m);
    QChart *c = view.chart();
    ASSERT_EQ(c->series().size(), 5); // the data, then a line and a label for each mark inside
    QStringList labels;
    for (qsizetype i = 1; i < c->series().size(); ++i) {
        auto *s = qobject_cast<QXYSeries *>(c->series().at(i));
        ASSERT_TRUE(s);
        for (QLegendMarker *marker : c->legend()->markers(s))
            EXPECT_FALSE(marker->isVisible());
        if (s->pointLabelsVisible()) {
            labels << s->name();
            ASSERT_EQ(s->count(), 1);
        } else {
            ASSERT_EQ(s->count(), 2);
            EXPECT_EQ(s->at(0).x(), s->at(1).x());
            EXPECT_LT(s->at(0).y(), s->at(1).y());
        }
    }
    EXPECT_EQ(labels, (QStringList{"added 2 ppb polymer", "50 @xPoint"}));
    EXPECT_FALSE(c->legend()->isVisible());
    // A label reads as typed, never as a placeholder.
    auto *second = qobject_cast<QXYSeries *>(c->series().at(4));
    EXPECT_FALSE(second->pointLabelsFormat().contains("@xPoint"));
    EXPECT_FALSE(view.grab().toImage().isNull());
}
