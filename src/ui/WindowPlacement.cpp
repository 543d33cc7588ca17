#include "ui/WindowPlacement.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QMainWindow>
#include <QScrollArea>
#include <QSizeGrip>
#include <QStatusBar>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace viscora {

QRect availableArea(const QWidget &window)
{
    const QScreen *screen = window.screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

QMargins frameOf(const QWidget &window)
{
    if (window.isVisible()) {
        const QRect outer = window.frameGeometry(), inner = window.geometry();
        const QMargins m(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
        if (!m.isNull())
            return m;
    }
    // A usual title bar and border.
    const int title = window.fontMetrics().height() * 2;
    return {4, title, 4, 4};
}

void fitOnScreen(QWidget &window)
{
    const QSize room = availableArea(window).size().shrunkBy(frameOf(window));
    const QSize minimum = window.minimumSize().expandedTo(window.minimumSizeHint());
    const QSize fitted = window.size().boundedTo(room).expandedTo(minimum);
    if (fitted != window.size())
        window.resize(fitted);
}

QRect frameRect(const QWidget &window)
{
    if (window.frameGeometry() != window.geometry())
        return window.frameGeometry();
    const QMargins frame = frameOf(window);
    return QRect(window.geometry().topLeft() - QPoint(frame.left(), frame.top()),
                 window.size().grownBy(frame));
}

void moveFrameTo(QWidget &window, const QPoint &topLeft)
{
    // Made on the system first, a window's move always places its inside until it is framed:
    // one made earlier (a dialog opened over it) would otherwise take (x, y) for its inside
    // and one made later for its frame.
    (void)window.winId();
    const QMargins frame = frameOf(window);
    const bool framed = window.frameGeometry() != window.geometry();
    window.move(framed ? topLeft : topLeft + QPoint(frame.left(), frame.top()));
}

void centerOnScreen(QWidget &window)
{
    fitOnScreen(window);
    const QRect area = availableArea(window);
    const QSize outer = window.size().grownBy(frameOf(window));
    const int x = area.x() + std::max(0, (area.width() - outer.width()) / 2);
    const int y = area.y() + std::max(0, (area.height() - outer.height()) / 2);
    moveFrameTo(window, QPoint(x, y));
}

void applyWindowState(QWidget &window, WindowState state)
{
    if (state == WindowState::Maximized)
        window.setWindowState(Qt::WindowMaximized);
    else if (state == WindowState::Minimized)
        window.setWindowState(Qt::WindowMinimized);
    else if (state == WindowState::Normal)
        window.setWindowState(window.windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized));
}

QScrollArea *scrollable(QWidget *content)
{
    auto *scroll = new QScrollArea;
    scroll->setObjectName(content->objectName() + QStringLiteral("Scroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    return scroll;
}

void keepStatusBarWhole(QMainWindow &window)
{
    const QStatusBar *bar = window.statusBar();
    // The panels, the gaps between them and the size grip.
    int width = 24;
    for (const QWidget *panel : bar->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (!panel->isHidden() && !qobject_cast<const QSizeGrip *>(panel))
            width += std::max(panel->minimumWidth(), panel->minimumSizeHint().width()) + 8;
    window.setMinimumWidth(width);
}

WindowsKeptOnScreen::WindowsKeptOnScreen() { qApp->installEventFilter(this); }

WindowsKeptOnScreen::~WindowsKeptOnScreen() { qApp->removeEventFilter(this); }

bool WindowsKeptOnScreen::eventFilter(QObject *watched, QEvent *e)
{
    if (e->type() != QEvent::Show || !watched->isWidgetType())
        return false;
    auto *window = static_cast<QWidget *>(watched);
    const Qt::WindowType type = window->windowType();
    if (!window->isWindow() || (type != Qt::Window && type != Qt::Dialog) ||
        window->isMaximized() || window->isFullScreen())
        return false;
    fitOnScreen(*window);
    // Where it goes is known once it is shown: a dialog is placed over its parent then.
    QTimer::singleShot(0, window, [window] {
        const QRect area = availableArea(*window);
        const QRect outer = frameRect(*window);
        const QPoint onScreen(std::clamp(outer.x(), area.left(),
                                         std::max(area.left(), area.right() + 1 - outer.width())),
                              std::clamp(outer.y(), area.top(),
                                         std::max(area.top(), area.bottom() + 1 - outer.height())));
        if (onScreen != outer.topLeft())
            moveFrameTo(*window, onScreen);
    });
    return false;
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
