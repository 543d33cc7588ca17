#pragma once
// The main window's grid: the opened test's query rows with the fixed masks, the unit
// system's header and the "N/A" marks of the stress check. Cells are formatted when shown,
// so a long test costs its rows, not a string per cell.

#include "store/TestRepository.h"

#include <QAbstractTableModel>

#include <string>
#include <vector>

namespace viscora {

// The ten headers, top and bottom line joined by '\n'.
QStringList gridHeaders(bool si);
// A cell as the grid shows it (before any "N/A").
std::string gridCell(const QueryRow &row, int column);
QString gridCellText(const QueryRow &row, int column);

class TestGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setRows(std::vector<QueryRow> rows);
    // Rows that come first after a gap in the recording, and what each gap was: they stand out,
    // and say so when pointed at.
    void setGaps(const std::vector<std::size_t> &rows, const std::vector<QString> &texts);
    bool afterGap(int r) const;
    // The rows the test's notes belong to, and their texts as the row tells them.
    void setNotes(const std::vector<std::size_t> &rows, const std::vector<QString> &texts);
    bool hasNote(int r) const;
    void clear() { setRows({}); }
    const std::vector<QueryRow> &rows() const { return rows_; }
    void setSI(bool si);

    // Text of data row r (0-based) and column c as displayed, "N/A" included.
    std::string cell(int r, int c) const;
    QString cellText(int r, int c) const;

    // Marks implausible viscosities with "N/A" (see checkStressMarks).
    void Check_Stress();
    bool markedNA(int r) const
    {
        return r >= 0 && r < static_cast<int>(na_.size()) && na_[static_cast<size_t>(r)];
    }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

private:
    // What the row's gap and notes say, one to a line.
    QString rowTip(int r) const;

    std::vector<QueryRow> rows_;
    std::vector<char> na_;
    std::vector<QString> gapText_;  // per row; empty when the row follows no gap
    std::vector<QString> noteText_; // per row; empty when the row has no note
    bool si_ = false;
    // The marks only change with the rows or the units; activation checks again often.
    bool checked_ = false;
};

// Which rows get "N/A" in the viscosity column: an R1-B1 test whose stresses are not all
// on the 5 dyn/cm2 grid, in the rows whose shown stress lies inside the open band
// (204.6, 214.0) in EI or (980, 1030) in SI. Works on the shown texts.
std::vector<char> checkStressMarks(const std::vector<std::string> &stressTexts,
                                   const std::string &firstCodeText, bool si);

// The same check for rows read one by one, as a long test's export streams them: whether the
// stresses seen so far leave the grid, and whether a stress shown so is marked once they do.
class StressCheck {
public:
    StressCheck(const std::string &firstCodeText, bool si);
    // The test can have marks at all (an R1-B1 test).
    bool possible() const { return possible_; }
    // Takes a shown stress in; true once one of them was off the grid.
    bool offGrid(const std::string &stressText);
    bool offGrid() const { return offGrid_; }
    // A row whose stress is shown so is marked, given stresses off the grid.
    bool inBand(const std::string &stressText) const;
    // The band's middle and half its width.
    static double bandMiddle(bool si) { return (low(si) + high(si)) / 2; }
    static double bandHalf(bool si) { return (high(si) - low(si)) / 2; }

private:
    static double low(bool si) { return si ? 980 : 204.6; }
    static double high(bool si) { return si ? 1030 : 214.0; }

    bool si_;
    bool possible_;
    bool offGrid_ = false;
};

} // namespace viscora
