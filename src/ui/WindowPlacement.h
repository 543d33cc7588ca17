#pragma once
// Where a window comes up: centred on the screen, in the state the main window had.

#include "core/Module1.h"

class QWidget;

namespace viscora {

void centerOnScreen(QWidget &window);
void applyWindowState(QWidget &window, WindowState state);
WindowState windowStateOf(const QWidget &window);

} // namespace viscora
