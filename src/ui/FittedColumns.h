#pragma once
// Columns of a grid that are never narrower than their header and cells need, and share
// whatever width is left: readable at any size (a narrow grid scrolls), wider with the window.

#include <QObject>
#include <QPointer>

class QTableView;

namespace viscora {

class FittedColumns : public QObject {
    Q_OBJECT
public:
    // Follows the grid's resizes and model changes from now on.
    explicit FittedColumns(QTableView *grid);
    void fit();
    // The width column c needs to show its header and cells whole.
    int needed(int c) const;

protected:
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    QPointer<QTableView> grid_;
    // Compared by address only: during the grid's destruction its viewport still sends events.
    const QObject *viewport_;
};

} // namespace viscora
