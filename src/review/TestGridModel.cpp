#include "review/TestGridModel.h"

#include "core/Units.h"

#include <bit>
#include <cstdint>

#include <QColor>
#include "core/VbFormat.h"

namespace viscora {

QStringList gridHeaders(bool si)
{
    return {QStringLiteral("Step No"),
            QStringLiteral("Elaps Time\n(S)"),
            si ? QStringLiteral("Temp\n(C°)") : QStringLiteral("Temp\n(F°)"),
            si ? QStringLiteral("Shear rate\n (1/S)") : QStringLiteral("Shear Rate\n (1/S)"),
            QStringLiteral("Speed \n(Rpm)"),
            si ? QStringLiteral("Shear Stress\n(dyn/cm2)")
               : QStringLiteral("Shear Stress\n(lb/100ft2)"),
            QStringLiteral("Viscosity\n (cP)"),
            si ? QStringLiteral("Gel\n(dyn/cm2)") : QStringLiteral("Gel\n(lb/100ft2)"),
            QStringLiteral("Rb Factor"),
            QStringLiteral("Fann® 35 F1\nReading")};
}

std::string gridCell(const QueryRow &row, int column)
{
    const double v = row[static_cast<size_t>(column)];
    const char *mask = gridMask(column);
    return *mask ? formatMask(v, mask) : shortestText(v);
}

QString gridCellText(const QueryRow &row, int column)
{
    return QString::fromStdString(gridCell(row, column));
}

void TestGridModel::setRows(std::vector<QueryRow> rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    na_.assign(rows_.size(), 0);
    gapText_.clear();
    noteText_.clear();
    checked_ = false;
    endResetModel();
}

void TestGridModel::setGaps(const std::vector<std::size_t> &rows, const std::vector<QString> &texts)
{
    gapText_.assign(rows_.size(), QString());
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i] < gapText_.size())
            gapText_[rows[i]] = i < texts.size() && !texts[i].isEmpty()
                                    ? texts[i]
                                    : QStringLiteral("Nothing was recorded before this row.");
    if (!rows_.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, col::Count - 1));
}

void TestGridModel::setNotes(const std::vector<std::size_t> &rows,
                             const std::vector<QString> &texts)
{
    noteText_.assign(rows_.size(), QString());
    for (std::size_t i = 0; i < rows.size() && i < texts.size(); ++i)
        if (rows[i] < noteText_.size()) {
            QString &text = noteText_[rows[i]];
            text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + texts[i];
        }
    if (!rows_.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, col::Count - 1));
    emit headerDataChanged(Qt::Vertical, 0, std::max(0, rowCount() - 1));
}

bool TestGridModel::hasNote(int r) const
{
    return r >= 0 && r < static_cast<int>(noteText_.size()) &&
           !noteText_[static_cast<size_t>(r)].isEmpty();
}

QString TestGridModel::rowTip(int r) const
{
    QStringList parts;
    if (afterGap(r))
        parts << gapText_[static_cast<size_t>(r)];
    if (hasNote(r))
        parts << noteText_[static_cast<size_t>(r)];
    return parts.join(QLatin1Char('\n'));
}

bool TestGridModel::afterGap(int r) const
{
    return r >= 0 && r < static_cast<int>(gapText_.size()) &&
           !gapText_[static_cast<size_t>(r)].isEmpty();
}

void TestGridModel::setSI(bool si)
{
    if (si != si_)
        checked_ = false;
    si_ = si;
    emit headerDataChanged(Qt::Horizontal, 0, col::Count - 1);
}

std::string TestGridModel::cell(int r, int c) const
{
    if (c == col::Viscosity && markedNA(r))
        return "N/A";
    return gridCell(rows_[static_cast<size_t>(r)], c);
}

QString TestGridModel::cellText(int r, int c) const { return QString::fromStdString(cell(r, c)); }

void TestGridModel::Check_Stress()
{
    if (checked_)
        return;
    checked_ = true;
    std::vector<std::string> stress;
    stress.reserve(rows_.size());
    auto bits = [](const QueryRow &row) {
        return std::bit_cast<std::uint64_t>(row[col::ShearStress]);
    };
    for (size_t i = 0; i < rows_.size(); ++i)
        // A stress repeated from the row before (a step at rest) is written once.
        stress.push_back(i > 0 && bits(rows_[i]) == bits(rows_[i - 1])
                             ? stress.back()
                             : gridCell(rows_[i], col::ShearStress));
    const std::string code = rows_.empty() ? std::string() : gridCell(rows_.front(), col::Rbfactor);
    auto marks = checkStressMarks(stress, code, si_);
    for (size_t i = 0; i < marks.size() && i < na_.size(); ++i)
        na_[i] = na_[i] || marks[i];
    if (!rows_.empty())
        emit dataChanged(index(0, col::Viscosity), index(rowCount() - 1, col::Viscosity));
}

std::vector<char> checkStressMarks(const std::vector<std::string> &stressTexts,
                                   const std::string &firstCodeText, bool si)
{
    std::vector<char> marks(stressTexts.size(), 0);
    if (stressTexts.empty())
        return marks;
    StressCheck check(firstCodeText, si);
    for (const std::string &t : stressTexts)
        if (check.offGrid(t))
            break;
    if (!check.possible() || !check.offGrid())
        return marks;
    for (size_t i = 0; i < stressTexts.size(); ++i)
        marks[i] = check.inBand(stressTexts[i]);
    return marks;
}

StressCheck::StressCheck(const std::string &firstCodeText, bool si)
    : si_(si), possible_(roundHalfEven(Val(firstCodeText)) == 1)
{}

bool StressCheck::offGrid(const std::string &stressText)
{
    if (offGrid_)
        return true;
    double x = Val(stressText);
    if (!si_)
        x = formula::stressFromEI(x);
    const double r = 5 * Int(Int(x + 0.01) / 5);
    offGrid_ = std::abs(x - r) > 0.1;
    return offGrid_;
}

bool StressCheck::inBand(const std::string &stressText) const
{
    const double s = Val(stressText);
    return s > low(si_) && s < high(si_);
}

int TestGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TestGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : col::Count;
}

QVariant TestGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return cellText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    if (role == Qt::BackgroundRole && afterGap(index.row()))
        return QColor(255, 224, 150);
    if (role == Qt::BackgroundRole && hasNote(index.row()))
        return QColor(214, 236, 255);
    if (role == Qt::ToolTipRole && (afterGap(index.row()) || hasNote(index.row())))
        return rowTip(index.row());
    return {};
}

QVariant TestGridModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < col::Count)
        return gridHeaders(si_).at(section);
    if (o == Qt::Horizontal && role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    if (o == Qt::Vertical && role == Qt::DisplayRole) {
        if (!afterGap(section) && !hasNote(section))
            return section + 1;
        return QStringLiteral("%1%2%3")
            .arg(afterGap(section) ? QStringLiteral("⋯") : QString(),
                 hasNote(section) ? QStringLiteral("✎") : QString())
            .arg(section + 1);
    }
    if (o == Qt::Vertical && role == Qt::ToolTipRole && (afterGap(section) || hasNote(section)))
        return rowTip(section);
    return {};
}

} // namespace viscora
