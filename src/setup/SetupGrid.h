#pragma once
// The setup window's step grid: six cells per step as shown, in either unit system, with
// the shear rate of the chosen rotor-bob.

#include "core/Protocol.h"
#include "store/SequenceRepository.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <array>
#include <vector>

namespace viscora {

using SetupRow = std::array<QString, 6>;

// Step No, Time, Temp, Speed, Shear Rate, Record Rate, as the grid shows them.
std::vector<SetupRow> setupRows(const std::vector<SequenceStep> &steps, bool si,
                                float rbShearFactor);
// Header texts, top and bottom line joined by '\n'.
QStringList setupHeaders(bool si);

// The download's input: the steps as the grid query returns them (degC in SI).
std::vector<DownloadStep> downloadSteps(const std::vector<SequenceStep> &steps, bool si);

class SetupGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void setRows(std::vector<SetupRow> rows, bool si);
    const std::vector<SetupRow> &rows() const { return rows_; }
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

private:
    std::vector<SetupRow> rows_;
    bool si_ = false;
};

} // namespace viscora
