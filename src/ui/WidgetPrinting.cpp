#include "ui/WidgetPrinting.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QWidget>

namespace viscora {

void renderToPage(QWidget &widget, QPagedPaintDevice &device)
{
    QPainter painter(&device);
    const QRect page = painter.viewport();
    QSize size = widget.size();
    size.scale(page.size(), Qt::KeepAspectRatio);
    painter.setViewport(page.x(), page.y(), size.width(), size.height());
    painter.setWindow(widget.rect());
    widget.render(&painter);
}

bool printWithDialog(QWidget &widget, QWidget *dialogParent)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, dialogParent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    renderToPage(widget, printer);
    return true;
}

} // namespace viscora
