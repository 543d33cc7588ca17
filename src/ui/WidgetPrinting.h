#pragma once
// Printing what a widget shows: scaled to fit one page.

class QPagedPaintDevice;
class QWidget;

namespace viscora {

// Renders the widget onto one page of the device, keeping its proportions.
void renderToPage(QWidget &widget, QPagedPaintDevice &device);

// The print dialog, then the widget on one page. False when cancelled or failed.
bool printWithDialog(QWidget &widget, QWidget *dialogParent);

} // namespace viscora
