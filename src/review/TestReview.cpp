#include "review/TestReview.h"

#include "core/Module1.h"
#include "review/TestQueries.h"

namespace viscora {

TestReview::TestReview(Module1 &m, Database &db, Prompter &prompter)
    : m_(m), repo_(db), prompter_(prompter)
{
    grid_.setSI(m_.isSI());
}

void TestReview::initialChart() { Initial_Chart_Stress_Rate(chart_, state_, m_); }

void TestReview::fillGrid()
{
    grid_.setRows(dosql(m_, repo_, QString::fromStdString(m_.CurrentTestName)));
    grid_.setSI(m_.isSI());
}

void TestReview::openCurrentTest()
{
    const QString name = QString::fromStdString(m_.CurrentTestName);
    if (!name.isEmpty()) {
        CurrentTestId = repo_.testId(name).value_or(0);
        initialChart();
        fillGrid();
        if (grid_.rowCount() > 0) {
            chart_.setSubtitle(m_.CurrentTestName);
            m_.NoTestShown = false;
            drawChartType(chart_, state_, 0, m_, grid_.rows(), nullptr, prompter_);
            relatedInfoEnabled = true;
        } else {
            relatedInfoEnabled = false;
        }
        header_ = repo_.header(name);
        grid_.Check_Stress();
    }
    selectChartType(0);
    chart_.setXScale(ScaleType::Normal);
    chart_.setYScale(ScaleType::Normal);
}

void TestReview::showNewTest()
{
    initialChart();
    CurrentTestId = m_.NewTestId;
    fillGrid();
    header_ = repo_.header(QString::fromStdString(m_.CurrentTestName));
    m_.NoTestShown = false;
    chart_.setSubtitle(m_.CurrentTestName);
    if (grid_.rowCount() > 0)
        drawChartType(chart_, state_, 0, m_, grid_.rows(), nullptr, prompter_);
    relatedInfoEnabled = true;
}

void TestReview::selectChartType(int t)
{
    if (m_.CurrentTestName.empty())
        return;
    if (t < 0 || t > 9)
        t = 0;
    initialChart();
    // A re-initialised chart loses the subtitle; the opened test is drawn alone again.
    chart_.setSubtitle(m_.CurrentTestName);
    drawChartType(chart_, state_, t, m_, grid_.rows(), nullptr, prompter_);
    state_.ChartType = t;
}

void TestReview::activate()
{
    if (m_.UnitChanged) {
        grid_.setSI(m_.isSI());
        if (!m_.CurrentTestName.empty()) {
            fillGrid();
            m_.NoTestShown = false;
            chart_.setSubtitle(m_.CurrentTestName);
            if (grid_.rowCount() > 0) {
                initialChart();
                chart_.setSubtitle(m_.CurrentTestName);
                drawChartType(chart_, state_, 0, m_, grid_.rows(), nullptr, prompter_);
            }
        }
        m_.UnitChanged = false;
    }
    grid_.Check_Stress();
}

void TestReview::overlayTest()
{
    if (m_.OverlapTestName.empty() || m_.OverlapTestName == m_.CurrentTestName)
        return;
    overlayRows_ = dosqloverlap(m_, repo_, QString::fromStdString(m_.OverlapTestName));
    state_.SubsetCount += 1;
    chart_.setSubsetCount(state_.SubsetCount);
    drawChartType(chart_, state_, state_.ChartType, m_, grid_.rows(), &overlayRows_, prompter_);
    chart_.setSeriesLabel(0, m_.CurrentTestName);
    chart_.setSeriesLabel(state_.SubsetCount - 1, m_.OverlapTestName);
}

} // namespace viscora
