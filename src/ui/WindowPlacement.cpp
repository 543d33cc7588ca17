#include "ui/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace viscora {

void centerOnScreen(QWidget &window)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->availableGeometry();
        window.move(s.x() + (s.width() - window.width()) / 2,
                    s.y() + (s.height() - window.height()) / 2);
    }
}

void applyWindowState(QWidget &window, WindowState state)
{
    if (state == WindowState::Maximized)
        window.setWindowState(Qt::WindowMaximized);
    else if (state == WindowState::Minimized)
        window.setWindowState(Qt::WindowMinimized);
}

WindowState windowStateOf(const QWidget &window)
{
    if (window.isMinimized())
        return WindowState::Minimized;
    if (window.isMaximized())
        return WindowState::Maximized;
    return WindowState::Normal;
}

} // namespace viscora
