#include "ui/FittedColumns.h"

#include <QEvent>
#include <QHeaderView>
#include <QStyle>
#include <QTableView>

#include <algorithm>

namespace viscora {

FittedColumns::FittedColumns(QTableView *grid)
    : QObject(grid), grid_(grid), viewport_(grid->viewport())
{
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid->viewport()->installEventFilter(this);
    auto refit = [this] { fit(); };
    if (QAbstractItemModel *model = grid->model()) {
        connect(model, &QAbstractItemModel::modelReset, this, refit);
        connect(model, &QAbstractItemModel::headerDataChanged, this, refit);
        connect(model, &QAbstractItemModel::layoutChanged, this, refit);
    }
}

int FittedColumns::needed(int c) const
{
    int width = grid_->horizontalHeader()->sectionSizeHint(c);
    const QAbstractItemModel *model = grid_->model();
    // The cell's text margins and grid line, and a little air.
    const int margin = 2 * (grid_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1) + 8;
    for (int r = 0; r < model->rowCount(); ++r)
        width = std::max(
            width,
            grid_->fontMetrics().horizontalAdvance(model->index(r, c).data().toString()) + margin);
    return width;
}

void FittedColumns::fit()
{
    if (!grid_ || !grid_->model())
        return;
    const int n = grid_->model()->columnCount();
    if (n == 0)
        return;
    std::vector<int> widths(static_cast<size_t>(n));
    int total = 0;
    for (int c = 0; c < n; ++c)
        total += widths[static_cast<size_t>(c)] = needed(c);
    const int spare = std::max(0, grid_->viewport()->width() - total);
    for (int c = 0; c < n; ++c)
        grid_->setColumnWidth(c,
                              widths[static_cast<size_t>(c)] + spare / n + (c < spare % n ? 1 : 0));
}

bool FittedColumns::eventFilter(QObject *watched, QEvent *e)
{
    if (e->type() == QEvent::Resize && watched == viewport_)
        fit();
    return QObject::eventFilter(watched, e);
}

} // namespace viscora
