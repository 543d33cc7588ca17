#include "support/ScriptedPrompter.h"
#include "ui/ChartView.h"
#include "core/ChartTypes.h"
#include "ui/LiveChartView.h"
#include "ui/WidgetPrinting.h"

#include <QApplication>
#include <QCategoryAxis>
#include <QChart>
#include <QClipboard>
#include <QDateTimeAxis>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QValueAxis>
#include <QWheelEvent>
#include <QXYSeries>

#include <gtest/gtest.h>

#include <cmath>

using namespace viscora;
using viscora::test::ScriptedPrompter;

namespace {

// A test's shear stress over its running time: three steps of `n / 3` points a second.
ChartModel timeChart(int n)
{
    ChartModel m;
    m.setMainTitle("Shear Stress vs. Time");
    m.setXAxisLabel("Time (S)");
    m.setYAxisLabel("Shear Stress (lb/100ft2)");
    m.setPointCount(n);
    std::vector<double> x, y;
    std::vector<PointPlace> places;
    const int perStep = std::max(1, n / 3);
    for (int i = 0; i < n; ++i) {
        x.push_back(i);
        y.push_back(10 + 5 * std::sin(i / 50.0) + (i / perStep));
        places.push_back(
            {1 + i / perStep, static_cast<double>(i % perStep), static_cast<double>(i)});
    }
    m.setPoints(0, x, y);
    m.setPlaces(0, places);
    m.setSeriesLabel(0, "Shear Stress");
    m.setTimeAxis(true);
    m.setTimeMarks(
        {{0, "Step 1 · 600 rpm", TimeMarkKind::StepBoundary},
         {static_cast<double>(perStep), "Step 2 · 300 rpm", TimeMarkKind::StepBoundary}});
    return m;
}

std::pair<double, double> xRange(const QChart *c) { return axisRange(c->axes(Qt::Horizontal)[0]); }
std::pair<double, double> yRange(const QChart *c) { return axisRange(c->axes(Qt::Vertical)[0]); }

// Where a value lies in the view, in widget pixels.
QPoint pixelOf(QChartView &v, QPointF value)
{
    const QPointF scene = v.chart()->mapToPosition(value, v.chart()->series().first());
    return v.mapFromScene(scene);
}

QRectF plotOf(QChartView &v) { return v.mapFromScene(v.chart()->plotArea()).boundingRect(); }

void send(QWidget *to, QEvent::Type type, QPoint at, Qt::MouseButton button,
          Qt::MouseButtons buttons, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QMouseEvent e(type, QPointF(at), to->mapToGlobal(QPointF(at)), button, buttons, mods);
    QApplication::sendEvent(to, &e);
}

void drag(QChartView &v, QPoint from, QPoint to, Qt::MouseButton button,
          Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    send(v.viewport(), QEvent::MouseButtonPress, from, button, button, mods);
    send(v.viewport(), QEvent::MouseMove, to, Qt::NoButton, button, mods);
    send(v.viewport(), QEvent::MouseButtonRelease, to, button, Qt::NoButton, mods);
}

struct Shown {
    ChartView v;
    explicit Shown(const ChartModel &m)
    {
        v.resize(800, 500);
        v.show();
        QApplication::processEvents();
        v.redraw(m);
        QApplication::processEvents();
    }
};

QAction *action(QMenu *menu, const QString &text)
{
    for (QAction *a : menu->actions())
        if (a->text() == text)
            return a;
    ADD_FAILURE() << "no menu entry " << text.toStdString();
    return nullptr;
}

} // namespace

TEST(ChartInteraction, ZoomPanAndResetChangeTheRanges)
{
    Shown s(timeChart(1000));
    ChartView &v = s.v;
    const auto homeX = xRange(v.chart()), homeY = yRange(v.chart());
    const QRectF plot = plotOf(v);
    const double spanX = homeX.second - homeX.first, spanY = homeY.second - homeY.first;

    // A rectangle over the plot's middle half, both ways.
    drag(v, (plot.topLeft() + QPointF(plot.width() / 4, plot.height() / 4)).toPoint(),
         (plot.topLeft() + QPointF(plot.width() * 3 / 4, plot.height() * 3 / 4)).toPoint(),
         Qt::LeftButton);
    EXPECT_TRUE(v.zoomed());
    auto x = xRange(v.chart()), y = yRange(v.chart());
    EXPECT_NEAR(x.first, homeX.first + spanX / 4, spanX / 100);
    EXPECT_NEAR(x.second, homeX.first + spanX * 3 / 4, spanX / 100);
    EXPECT_NEAR(y.first, homeY.first + spanY / 4, spanY / 100);
    EXPECT_NEAR(y.second, homeY.first + spanY * 3 / 4, spanY / 100);

    // Keys: right pans a tenth of the view, + zooms in about the middle, Home resets.
    const double before = x.first, width = x.second - x.first;
    QTest::keyClick(&v, Qt::Key_Right);
    EXPECT_NEAR(xRange(v.chart()).first, before + width / 10, width / 100);
    QTest::keyClick(&v, Qt::Key_Plus);
    EXPECT_NEAR(xRange(v.chart()).second - xRange(v.chart()).first, width * 0.8, width / 100);
    QTest::keyClick(&v, Qt::Key_Home);
    EXPECT_FALSE(v.zoomed());
    EXPECT_EQ(xRange(v.chart()), homeX);
    EXPECT_EQ(yRange(v.chart()), homeY);

    // The wheel zooms about the cursor: the value under it stays where it is.
    const QPoint at = (plot.topLeft() + QPointF(plot.width() * 0.2, plot.height() * 0.5)).toPoint();
    const double under = homeX.first + spanX * (at.x() - plot.left()) / plot.width();
    QWheelEvent wheel(QPointF(at), v.mapToGlobal(QPointF(at)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(v.viewport(), &wheel);
    x = xRange(v.chart());
    EXPECT_NEAR(x.second - x.first, spanX * 0.8, spanX / 100);
    EXPECT_NEAR(x.first + (x.second - x.first) * (at.x() - plot.left()) / plot.width(), under,
                spanX / 100);

    // Middle-button and Shift drags pan: dragging to the left shows what lies to the right.
    const auto panned = xRange(v.chart());
    drag(v, plot.center().toPoint(), (plot.center() - QPointF(plot.width() / 5, 0)).toPoint(),
         Qt::MiddleButton);
    const double w = panned.second - panned.first;
    EXPECT_NEAR(xRange(v.chart()).first, panned.first + w / 5, w / 50);
    drag(v, plot.center().toPoint(), (plot.center() + QPointF(plot.width() / 5, 0)).toPoint(),
         Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_NEAR(xRange(v.chart()).first, panned.first, w / 50);

    // A double-click resets.
    send(v.viewport(), QEvent::MouseButtonDblClick, plot.center().toPoint(), Qt::LeftButton,
         Qt::LeftButton);
    EXPECT_EQ(xRange(v.chart()), homeX);
    EXPECT_FALSE(v.zoomed());
}

TEST(ChartInteraction, ZoomingALongTestDrawsItsPointsInThatRangeToThePixel)
{
    const int n = 600000;
    Shown s(timeChart(n));
    ChartView &v = s.v;
    auto *line = qobject_cast<QXYSeries *>(v.chart()->series().first());
    const qsizetype columns =
        static_cast<qsizetype>(std::max(200.0, v.chart()->plotArea().width()));
    EXPECT_LE(line->count(), 4 * columns + 2);
    // The middle tenth, three times over: a thousandth of the test, whose 600 points all fit.
    const QRectF plot = plotOf(v);
    for (int i = 0; i < 3; ++i)
        v.zoomToRect(QRectF(plot.left() + plot.width() * 0.45, plot.top(), plot.width() / 10,
                            plot.height()));
    const auto [lo, hi] = xRange(v.chart());
    const QList<QPointF> pts = line->points();
    ASSERT_GE(pts.size(), 3);
    EXPECT_LT(pts.first().x(), lo);
    EXPECT_GT(pts.last().x(), hi);
    for (qsizetype i = 1; i + 1 < pts.size(); ++i)
        ASSERT_TRUE(pts[i].x() >= lo && pts[i].x() <= hi);
    EXPECT_EQ(pts.size() - 2, static_cast<qsizetype>(std::floor(hi) - std::ceil(lo)) + 1);
    EXPECT_NEAR(hi - lo, 600, 10);
}

TEST(ChartInteraction, TheReadOutNamesTheNearestPointsValuesStepAndTimes)
{
    Shown s(timeChart(300));
    ChartView &v = s.v;
    EXPECT_TRUE(v.readout().isEmpty());
    // A little off point 150 (step 2, 50 s into it).
    const QPoint at =
        pixelOf(v, {150, v.chart()->series().isEmpty() ? 0 : 10 + 5 * std::sin(3.0) + 1});
    send(v.viewport(), QEvent::MouseMove, at + QPoint(0, 3), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(
        v.readout().toStdString(),
        "Time (S): 150\nShear Stress (lb/100ft2): " + readoutNumber(10 + 5 * std::sin(3.0) + 1) +
            "\nStep: 2\nStep time: 50 s\nTotal time: 2:30 (150 s)");
    // Leaving the chart takes it away; so does a new chart.
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&v, &leave);
    EXPECT_TRUE(v.readout().isEmpty());

    // A flow curve adds the viscosity: 20 lb/100ft2 at 511 1/s.
    ChartModel flow;
    flow.setXAxisLabel("Shear Rate (1/S)");
    flow.setYAxisLabel("Shear Stress (lb/100ft2)");
    flow.setPointCount(2);
    flow.setPoints(0, {511, 1022}, {20, 30});
    flow.setViscosityFactor(flowCurveViscosityFactor(false));
    v.redraw(flow);
    QApplication::processEvents();
    ASSERT_TRUE(v.showReadoutAt(pixelOf(v, {511, 20})));
    EXPECT_EQ(v.readout().toStdString(),
              "Shear Rate (1/S): 511\nShear Stress (lb/100ft2): 20\nViscosity (cP): " +
                  readoutNumber(20.0 / 511 * 100 / 0.2088));
}

TEST(ChartInteraction, StepBoundariesAndNotesAreMarkedOnTimeChartsOnly)
{
    Shown s(timeChart(300));
    ChartView &v = s.v;
    ASSERT_EQ(v.marks().size(), 2u);
    EXPECT_EQ(v.marks()[1].label, "Step 2 · 300 rpm");
    const TimeMark note{120, "added 2 ppb polymer", TimeMarkKind::Note};
    v.setTimeMarks({note});
    ASSERT_EQ(v.marks().size(), 3u);
    EXPECT_EQ(v.marks()[2], note);
    // Kept across a redraw of a time chart; not drawn across a chart of something else.
    v.redraw(timeChart(30));
    EXPECT_EQ(v.marks().size(), 3u);
    ChartModel rate = timeChart(30);
    rate.setTimeAxis(false);
    v.redraw(rate);
    EXPECT_TRUE(v.marks().empty());
    // Drawn: the picture differs from the same chart without them.
    v.redraw(timeChart(300));
    QApplication::processEvents();
    const QImage with = v.grab().toImage();
    ChartModel bare = timeChart(300);
    bare.setTimeMarks({});
    v.setTimeMarks({});
    v.redraw(bare);
    QApplication::processEvents();
    EXPECT_NE(v.grab().toImage(), with);
}

TEST(ChartInteraction, TheMenuCopiesSavesAndPrintsTheChartAndItsVisibleData)
{
    QTemporaryDir dir;
    ChartModel m = timeChart(10);
    m.setTimeMarks({});
    Shown s(m);
    ChartView &v = s.v;
    ScriptedPrompter prompter;
    v.setPrompter(&prompter);
    QString printed;
    v.printWidget = [&](QWidget &w) {
        printed = dir.filePath("p.pdf");
        QPdfWriter pdf(printed);
        renderToPage(w, pdf);
    };
    std::unique_ptr<QMenu> menu(v.makeMenu(nullptr));
    QStringList texts;
    for (QAction *a : menu->actions())
        if (!a->isSeparator())
            texts << a->text();
    EXPECT_EQ(texts,
              QStringList({"Copy Image", "Save Image As...", "Copy Data", "Print...", "Reset Zoom",
                           "Logarithmic X Axis", "Logarithmic Y Axis", "Show Shear Stress"}));
    EXPECT_FALSE(action(menu.get(), "Reset Zoom")->isEnabled()); // nothing to reset yet

    // The data in view: after zooming to x from 2 to 5, those points only.
    auto *x = qobject_cast<QValueAxis *>(v.chart()->axes(Qt::Horizontal)[0]);
    x->setRange(2, 5);
    action(menu.get(), "Copy Data")->trigger();
    QString expected = "Time (S)\tShear Stress (lb/100ft2)\n";
    for (int i = 2; i <= 5; ++i)
        expected += QString::number(i) + "\t" +
                    QString::number(10 + 5 * std::sin(i / 50.0) + (i / 3), 'g', 10) + "\n";
    EXPECT_EQ(QApplication::clipboard()->text(), expected);

    action(menu.get(), "Copy Image")->trigger();
    EXPECT_EQ(QApplication::clipboard()->image().size(), v.grab().size());

    // Saving: PNG, SVG, a name without a type (PNG), and a folder that is not there.
    prompter.files = {dir.filePath("c.png").toStdString(), dir.filePath("c.svg").toStdString(),
                      dir.filePath("plain").toStdString(), "/nonexistent/folder/c.png"};
    for (int i = 0; i < 4; ++i)
        action(menu.get(), "Save Image As...")->trigger();
    ASSERT_EQ(prompter.fileRequests.size(), 4u);
    EXPECT_EQ(prompter.fileRequests[0].title, "Save Chart Image");
    EXPECT_EQ(QImage(dir.filePath("c.png")).size(), v.grab().size());
    EXPECT_FALSE(QImage(dir.filePath("plain.png")).isNull());
    QFile svg(dir.filePath("c.svg"));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    const QString svgText = QString::fromUtf8(svg.readAll());
    EXPECT_TRUE(svgText.contains("<svg")) << svgText.left(200).toStdString();
    EXPECT_TRUE(svgText.contains(">Shear Stress vs. Time</text>"));
    EXPECT_TRUE(svgText.contains(">Time (S)</text>"));
    EXPECT_TRUE(svgText.contains("<path") || svgText.contains("<polyline"));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text,
              "The image could not be written to /nonexistent/folder/c.png.");
    EXPECT_EQ(prompter.shown[0].title, "Save Chart Image");

    action(menu.get(), "Print...")->trigger();
    EXPECT_GT(QFileInfo(printed).size(), 0);

    // Zoomed by the user: Reset Zoom is offered and resets.
    v.zoomBy(0.5, plotOf(v).center());
    menu.reset(v.makeMenu(nullptr));
    ASSERT_TRUE(action(menu.get(), "Reset Zoom")->isEnabled());
    action(menu.get(), "Reset Zoom")->trigger();
    EXPECT_FALSE(v.zoomed());

    // Axes: a logarithmic x axis draws the logarithms (time 0 has none).
    action(menu.get(), "Logarithmic X Axis")->trigger();
    EXPECT_TRUE(qobject_cast<QCategoryAxis *>(v.chart()->axes(Qt::Horizontal)[0]));
    EXPECT_EQ(qobject_cast<QXYSeries *>(v.chart()->series()[0])->count(), 9);
    menu.reset(v.makeMenu(nullptr));
    EXPECT_TRUE(action(menu.get(), "Logarithmic X Axis")->isChecked());
    action(menu.get(), "Logarithmic X Axis")->trigger();
    EXPECT_FALSE(qobject_cast<QCategoryAxis *>(v.chart()->axes(Qt::Horizontal)[0]));

    // Hiding a series hides every piece of it, and its data is no longer copied.
    menu.reset(v.makeMenu(nullptr));
    action(menu.get(), "Show Shear Stress")->trigger();
    EXPECT_FALSE(v.chart()->series()[0]->isVisible());
    EXPECT_EQ(v.visibleData(), "Time (S)\tShear Stress (lb/100ft2)\n");
}

namespace {
// A run of `n` readings a second from 36000 s (10:00), step 1 for the first 100.
void run(LiveChart &c, int from, int n)
{
    for (int i = from; i < from + n; ++i) {
        c.markStep(36000 + i, i < 100 ? 1 : 2, i < 100 ? 600 : 300);
        c.add(36000 + i, static_cast<float>(i % 500), 20, 150);
    }
}
double seconds(const QDateTimeAxis *a, bool max)
{
    const QDateTime t = max ? a->max() : a->min();
    return t.time().msecsSinceStartOfDay() / 1000.0;
}
} // namespace

TEST(LiveChartInteraction, TheWholeTestPauseAndZoomDuringTheRun)
{
    LiveChart chart;
    chart.Initial_chart(36000);
    run(chart, 0, 20000);
    LiveChartView v;
    v.resize(700, 700);
    v.show();
    QApplication::processEvents();
    v.redraw(chart);
    // The scrolling view keeps its block of the last readings.
    EXPECT_LE(v.drawnPoints(0), LiveChart::MaxPoints);
    auto *time = qobject_cast<QDateTimeAxis *>(v.upperChart()->axes(Qt::Horizontal)[0]);
    auto *lowerTime = qobject_cast<QDateTimeAxis *>(v.lowerChart()->axes(Qt::Horizontal)[0]);

    // The whole test from Start, thinned to the plot's columns.
    v.findChild<QToolButton *>("btnWholeTest")->click();
    ASSERT_TRUE(v.wholeTest());
    const auto columns =
        static_cast<qsizetype>(std::max(100.0, v.upperChart()->plotArea().width()));
    EXPECT_LE(v.drawnPoints(0), 4 * columns + 2);
    EXPECT_GT(v.drawnPoints(0), columns / 2);
    const auto *stress = qobject_cast<QXYSeries *>(v.upperChart()->series()[0]);
    const auto lastTime = [stress] {
        return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(stress->points().last().x()))
                   .time()
                   .msecsSinceStartOfDay() /
               1000.0;
    };
    EXPECT_EQ(stress->points().last().y(), 19999 % 500);
    EXPECT_EQ(lastTime(), 36000 + 19999);
    // From Start to a little beyond the latest reading, moving on by a twentieth of the run.
    EXPECT_EQ(seconds(time, false), 36000);
    const double end = seconds(time, true);
    EXPECT_GE(end, 36000 + 19999);
    EXPECT_LT(end, 36000 + 19999 * 1.1);
    ASSERT_EQ(v.upperView()->marks().size(), 2u);
    EXPECT_EQ(v.upperView()->marks()[1].label, "Step 2 · 300 rpm");

    // Paused: the readings go on, the view does not move.
    v.findChild<QToolButton *>("btnPause")->click();
    ASSERT_TRUE(v.paused());
    const QList<QPointF> frozen = stress->points();
    run(chart, 20000, 100);
    v.redraw(chart);
    EXPECT_EQ(stress->points(), frozen);
    EXPECT_EQ(seconds(time, true), end);
    v.setPaused(false);
    EXPECT_EQ(lastTime(), 36000 + 20099);

    // Zoomed while running: the range holds through new readings, both charts alike, and is
    // drawn again from the whole test at the finer scale.
    const QRectF plot = v.upperView()->mapFromScene(v.upperChart()->plotArea()).boundingRect();
    const double shown = seconds(time, true) - seconds(time, false);
    v.upperView()->zoomToRect(QRectF(plot.left(), plot.top(), plot.width() / 100, plot.height()));
    const double lo = seconds(time, false), hi = seconds(time, true);
    EXPECT_NEAR(hi - lo, shown / 100, 3);
    EXPECT_EQ(seconds(lowerTime, false), lo);
    EXPECT_EQ(seconds(lowerTime, true), hi);
    EXPECT_GE(v.drawnPoints(0), static_cast<qsizetype>(hi - lo) - 2);
    run(chart, 20100, 100);
    v.redraw(chart);
    EXPECT_EQ(seconds(time, false), lo);
    EXPECT_EQ(seconds(time, true), hi);

    // Copy Data takes every reading in view, not only those drawn.
    const QStringList copied = v.upperView()->visibleData().split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(copied.isEmpty());
    EXPECT_EQ(copied[0], "Time\tShear Stress (dyn/cm2)\tViscosity (Cp)");
    EXPECT_EQ(copied.size() - 1, static_cast<qsizetype>(std::floor(hi) - std::ceil(lo)) + 1);
    EXPECT_EQ(
        copied[1],
        QString("%1\t%2\t20")
            .arg(QTime(10, 0).addSecs(static_cast<int>(std::ceil(lo - 36000))).toString("hh:mm:ss"))
            .arg(static_cast<int>(std::ceil(lo - 36000)) % 500));
    EXPECT_TRUE(v.lowerView()->visibleData().startsWith("Time\tTemperature (°F)\n"));

    // The read-out places a reading in its step.
    const QPointF at = v.upperChart()->mapToPosition(
        QPointF(static_cast<double>(
                    QDateTime(QDate::currentDate(), QTime(10, 2, 30)).toMSecsSinceEpoch()),
                150),
        v.upperChart()->series()[0]);
    ASSERT_TRUE(v.upperView()->showReadoutAt(v.upperView()->mapFromScene(at)));
    EXPECT_EQ(v.upperView()->readout().toStdString(),
              "Shear Stress\nTime: 10:02:30\nShear Stress (dyn/cm2): 150\nStep: 2\n"
              "Step time: 50 s\nTotal time: 2:30 (150 s)");

    // Home follows the readings again.
    QTest::keyClick(v.upperView(), Qt::Key_Home);
    EXPECT_EQ(lastTime(), 36000 + 20199);
    EXPECT_GE(seconds(time, true), 36000 + 20199);
    EXPECT_EQ(seconds(time, false), 36000);
    EXPECT_EQ(seconds(lowerTime, true), seconds(time, true));
}
