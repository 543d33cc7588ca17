#pragma once
// The opened test as the main window shows it: grid rows, chart, header and the state the
// commands share. The window and the CLI both drive this; neither repeats its steps.

#include "core/ChartModel.h"
#include "core/Module1.h"
#include "review/MainChart.h"
#include "review/TestGridModel.h"
#include "review/TestQueries.h"
#include "store/TestRepository.h"

#include <optional>
#include <utility>

namespace viscora {

class Prompter;

class TestReview {
public:
    TestReview(const Module1 &m, Database &db, Prompter &prompter);

    // Every step that reads the database returns false when the read failed; the failure
    // has then been shown through the prompter and the view holds no partial result.

    // The steps of the open command after the dialog; name is CurrentTestName.
    bool openCurrentTest();
    // Grid filling: dosql, formatted cells, header for the unit system.
    bool fillGrid();
    // Shows a test just created (after retrieval): grid, header, default chart.
    bool showNewTest();
    // Window activation: refresh after a unit change, then the stress check.
    bool activate();
    // Chart-type list click (position t).
    void selectChartType(int t);
    // Scale buttons.
    void setXScale(ScaleType s) { chart_.setXScale(s); }
    void setYScale(ScaleType s) { chart_.setYScale(s); }
    // The overlay command after its dialog: adds OverlapTestName as a new series.
    bool overlayTest();
    void initialChart();

    TestGridModel &grid() { return grid_; }
    const ChartModel &chart() const { return chart_; }
    ChartModel &chart() { return chart_; }
    const MainChartState &chartState() const { return state_; }
    TestRepository &repository() { return repo_; }
    const std::optional<TestHeader> &header() const { return header_; }
    // The rows that come first after a gap in the recording (a lost connection).
    const std::vector<std::size_t> &gapRows() const { return gapRows_; }
    // The opened test's notes, in time order.
    const std::vector<TestEvent> &notes() const { return notes_; }
    // Adds a note to the opened test and shows it in the grid and on the time charts.
    Outcome addNote(double seconds, const QString &text);
    // The running time of a grid row (0 without rows): where a note on that row goes.
    double rowTime(int row) const;
    // What the steps since the last call changed of the session, for Module1::keep.
    ReviewChanges takeChanges() { return std::exchange(changes_, {}); }
    int CurrentTestId = 0;
    // The RelatedInfo button: enabled once a test with points is shown.
    bool relatedInfoEnabled = false;

private:
    bool readHeader();
    bool readGaps();
    // Puts the notes into the grid and the chart's marks.
    void showNotes();
    bool reported(const QString &error);

    // The rotor-bob the next read starts from: the one a read since the last takeChanges
    // found, else the session's.
    RotorBobSetting currentRotorBob() const;
    bool keepRows(DbRead<QueriedTest> read, std::vector<QueryRow> &rows);

    const Module1 &m_;
    ReviewChanges changes_;
    TestRepository repo_;
    Prompter &prompter_;
    TestGridModel grid_;
    ChartModel chart_;
    MainChartState state_;
    std::vector<QueryRow> overlayRows_;
    std::optional<TestHeader> header_;
    std::vector<std::size_t> gapRows_;
    std::vector<TestEvent> notes_;
    std::vector<TimeMark> noteMarks_;
};

} // namespace viscora
