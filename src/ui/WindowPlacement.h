#pragma once
// Where a window comes up: centred on the screen that shows it, in the state the main window
// had, and never larger than that screen's free area or with its title bar off screen.

#include "core/Module1.h"

#include <QMargins>
#include <QObject>
#include <QRect>
#include <QScrollArea>

class QMainWindow;
class QWidget;

namespace viscora {

// The free area (without panels) of the screen that shows the window.
QRect availableArea(const QWidget &window);
// The window's frame (title bar and borders); an estimate before a window manager framed it.
QMargins frameOf(const QWidget &window);
// The window's outer rectangle, title bar and borders included: its frame once a window
// manager framed it, else its inside with the estimated frame around it.
QRect frameRect(const QWidget &window);
// Puts the window's frame's top left corner there (its inside there plus the frame's estimate
// while it has no frame yet).
void moveFrameTo(QWidget &window, const QPoint &topLeft);
// Shrinks the window, frame included, to the screen's free area, never below its minimum size.
void fitOnScreen(QWidget &window);
// Fits the window, then centres it; a window larger than the screen even at its minimum size
// starts at the top left corner, so that its title bar and menu stay in reach.
void centerOnScreen(QWidget &window);
void applyWindowState(QWidget &window, WindowState state);
// Content in a scroll area that resizes it down to its minimum size and scrolls below that:
// its window can shrink to a small screen with every control still in reach.
QScrollArea *scrollable(QWidget *content);

// Keeps a main window whose controls scroll at least as wide as its status bar's panels
// need: a main window takes no minimum from its status bar.
void keepStatusBarWhole(QMainWindow &window);

// While it lives, every window the application shows (dialogs Qt places itself too) is fitted
// to its screen's free area and moved onto it, title bar included.
class WindowsKeptOnScreen : public QObject {
public:
    WindowsKeptOnScreen();
    ~WindowsKeptOnScreen() override;

protected:
    bool eventFilter(QObject *watched, QEvent *e) override;
};
WindowState windowStateOf(const QWidget &window);

} // namespace viscora
