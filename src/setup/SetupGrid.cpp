#include "setup/SetupGrid.h"

#include "core/Units.h"
#include "core/VbFormat.h"

namespace viscora {

std::vector<SetupRow> setupRows(const std::vector<SequenceStep> &steps, bool si,
                                float rbShearFactor)
{
    const double factor = factorValue(rbShearFactor);
    std::vector<SetupRow> rows;
    rows.reserve(steps.size());
    for (const auto &s : steps) {
        const double temp = si ? formula::fahrenheitToCelsius(s.temperature) : s.temperature;
        rows.push_back({QString::number(s.stepNo), QString::fromStdString(shortestText(s.time)),
                        QString::fromStdString(formatMask(temp, "###.0")),
                        QString::fromStdString(formatMask(s.speed, "###0.00")),
                        QString::fromStdString(
                            formatMask(formula::shearRateSetup(s.speed, factor), "###0.00")),
                        QString::number(s.recordRate)});
    }
    return rows;
}

std::vector<DownloadStep> downloadSteps(const std::vector<SequenceStep> &steps, bool si)
{
    std::vector<DownloadStep> out;
    for (const auto &s : steps)
        out.push_back(
            {s.stepNo, s.time, si ? formula::fahrenheitToCelsius(s.temperature) : s.temperature, s.speed});
    return out;
}

QStringList setupHeaders(bool si)
{
    return {QStringLiteral("Step No"),
            QStringLiteral("Elaps Time\n(S)"),
            si ? QStringLiteral("Temp\n(C°)") : QStringLiteral("Temp\n(F°)"),
            QStringLiteral("Speed \n(Rpm)"),
            QStringLiteral("Shear Rate\n (1/S)"),
            QStringLiteral("Record Rate\n(Sec/Datum)")};
}

void SetupGridModel::setRows(std::vector<SetupRow> rows, bool si)
{
    beginResetModel();
    rows_ = std::move(rows);
    si_ = si;
    endResetModel();
}

int SetupGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int SetupGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 6;
}

QVariant SetupGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return rows_[static_cast<size_t>(index.row())][static_cast<size_t>(index.column())];
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

QVariant SetupGridModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 6)
        return setupHeaders(si_).at(section);
    if (o == Qt::Horizontal && role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    if (o == Qt::Vertical && role == Qt::DisplayRole)
        return section + 1;
    return {};
}

} // namespace viscora
