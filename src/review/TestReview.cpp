#include "review/TestReview.h"

#include "core/Module1.h"
#include "core/Prompter.h"
#include "core/ChartTypes.h"
#include "core/StepTimeline.h"
#include "review/TestQueries.h"
#include "store/TestNotes.h"

#include <algorithm>

namespace viscora {

TestReview::TestReview(const Module1 &m, Database &db, Prompter &prompter)
    : m_(m), repo_(db), prompter_(prompter)
{
    grid_.setSI(m_.isSI());
}

bool TestReview::reported(const QString &error)
{
    show(prompter_, dbFailure(error));
    return false;
}

void TestReview::initialChart() { Initial_Chart_Stress_Rate(chart_, state_, m_); }

RotorBobSetting TestReview::currentRotorBob() const
{
    return changes_.rotorBob.value_or(m_.rotorBob());
}

bool TestReview::keepRows(DbRead<QueriedTest> read, std::vector<QueryRow> &rows)
{
    if (!read) {
        rows.clear();
        return false;
    }
    changes_.rotorBob = read->rotorBob;
    rows = std::move(read->rows);
    return true;
}

bool TestReview::fillGrid()
{
    auto read =
        dosql(repo_, QString::fromStdString(m_.CurrentTestName), m_.units(), currentRotorBob());
    const QString error = read ? QString() : read.error();
    std::vector<QueryRow> rows;
    const bool ok = keepRows(std::move(read), rows);
    grid_.setRows(std::move(rows));
    grid_.setSI(m_.isSI());
    gapRows_.clear();
    notes_.clear();
    noteMarks_.clear();
    return ok ? readGaps() : reported(error);
}

bool TestReview::readGaps()
{
    const auto events = repo_.events(QString::fromStdString(m_.CurrentTestName));
    if (!events)
        return reported(events.error());
    std::vector<double> times;
    std::vector<QString> texts;
    for (const TestEvent &e : *events)
        if (e.kind == QLatin1String("gap")) {
            times.push_back(e.time);
            texts.push_back(e.text);
        }
    const std::vector<std::size_t> rows = rowsAfterGaps(grid_.rows(), times);
    grid_.setGaps(rows, texts);
    gapRows_.clear();
    for (std::size_t r : rows)
        if (r != kNoRow)
            gapRows_.push_back(r);
    std::sort(gapRows_.begin(), gapRows_.end());
    gapRows_.erase(std::unique(gapRows_.begin(), gapRows_.end()), gapRows_.end());
    notes_ = notesAmong(*events);
    showNotes();
    return true;
}

void TestReview::showNotes()
{
    std::vector<double> times;
    std::vector<QString> texts;
    for (const TestEvent &n : notes_) {
        times.push_back(n.time);
        texts.push_back(QStringLiteral("Note at %1 s: %2")
                            .arg(QString::fromStdString(noteTimeText(n.time)), n.text));
    }
    grid_.setNotes(rowsOfNotes(grid_.rows(), times), texts);
    noteMarks_ = noteMarks(notes_);
}

double TestReview::rowTime(int row) const
{
    const std::vector<QueryRow> &rows = grid_.rows();
    if (rows.empty())
        return 0;
    const auto r = static_cast<std::size_t>(std::clamp(row, 0, static_cast<int>(rows.size()) - 1));
    StepTimeline timeline;
    double t = 0;
    for (std::size_t i = 0; i <= r; ++i)
        t = timeline.at(rows[i][col::Step], rows[i][col::Time]);
    return t;
}

Outcome TestReview::addNote(double seconds, const QString &text)
{
    const QString name = QString::fromStdString(m_.CurrentTestName);
    if (name.isEmpty())
        return Failure{"Open a test first: a note belongs to a test.", kNotesTitle, {}};
    if (Outcome o = viscora::addNote(repo_, name, seconds, text); !o)
        return o;
    auto notes = testNotes(repo_, name);
    if (!notes)
        return notes.failure();
    notes_ = std::move(*notes);
    showNotes();
    // The chart takes the new marks where it shows them, as drawn before.
    const ChartType &t = chartType(state_.ChartType);
    if (t.treatment == XTreatment::RunningTime)
        chart_.setNoteMarks(noteMarks_);
    return {};
}

bool TestReview::openCurrentTest()
{
    const QString name = QString::fromStdString(m_.CurrentTestName);
    bool ok = true;
    if (name.isEmpty()) {
        // No test open (any more: the open one may just have been deleted).
        CurrentTestId = 0;
        header_.reset();
        grid_.clear();
        notes_.clear();
        noteMarks_.clear();
        overlayRows_.clear();
        relatedInfoEnabled = false;
        initialChart();
    } else {
        const auto id = repo_.testId(name);
        CurrentTestId = id && *id ? **id : 0;
        initialChart();
        header_.reset();
        if (id) {
            ok = fillGrid();
        } else {
            grid_.clear();
            ok = reported(id.error());
        }
        if (grid_.rowCount() > 0) {
            // The chart is drawn once, by the chart-type selection below.
            changes_.testShown = true;
            relatedInfoEnabled = true;
        } else {
            relatedInfoEnabled = false;
        }
        ok = ok && readHeader();
        grid_.Check_Stress();
    }
    selectChartType(0);
    chart_.setXScale(ScaleType::Normal);
    chart_.setYScale(ScaleType::Normal);
    return ok;
}

bool TestReview::readHeader()
{
    auto h = repo_.header(QString::fromStdString(m_.CurrentTestName));
    header_ = h ? *h : std::nullopt;
    return h || reported(h.error());
}

bool TestReview::showNewTest()
{
    initialChart();
    CurrentTestId = m_.NewTestId;
    const bool ok = fillGrid() && readHeader();
    changes_.testShown = true;
    chart_.setSubtitle(m_.CurrentTestName);
    if (grid_.rowCount() > 0)
        drawChartType(chart_, state_, 0, m_, grid_.rows(), nullptr, prompter_, gapRows_,
                      noteMarks_);
    relatedInfoEnabled = true;
    return ok;
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
    drawChartType(chart_, state_, t, m_, grid_.rows(), nullptr, prompter_, gapRows_, noteMarks_);
    state_.ChartType = t;
}

bool TestReview::activate()
{
    bool ok = true;
    if (m_.UnitChanged) {
        grid_.setSI(m_.isSI());
        if (!m_.CurrentTestName.empty()) {
            ok = fillGrid();
            changes_.testShown = true;
            chart_.setSubtitle(m_.CurrentTestName);
            if (grid_.rowCount() > 0) {
                initialChart();
                chart_.setSubtitle(m_.CurrentTestName);
                drawChartType(chart_, state_, 0, m_, grid_.rows(), nullptr, prompter_, gapRows_,
                              noteMarks_);
            }
        }
        changes_.unitChangeApplied = true;
    }
    grid_.Check_Stress();
    return ok;
}

bool TestReview::overlayTest()
{
    if (m_.OverlapTestName.empty() || m_.OverlapTestName == m_.CurrentTestName)
        return true;
    auto read = dosqloverlap(repo_, QString::fromStdString(m_.OverlapTestName), m_.units(),
                             currentRotorBob());
    const QString error = read ? QString() : read.error();
    if (!keepRows(std::move(read), overlayRows_))
        return reported(error);
    state_.SubsetCount += 1;
    chart_.setSubsetCount(state_.SubsetCount);
    drawChartType(chart_, state_, state_.ChartType, m_, grid_.rows(), &overlayRows_, prompter_,
                  gapRows_, noteMarks_);
    chart_.setSeriesLabel(0, m_.CurrentTestName);
    chart_.setSeriesLabel(state_.SubsetCount - 1, m_.OverlapTestName);
    return true;
}

} // namespace viscora
