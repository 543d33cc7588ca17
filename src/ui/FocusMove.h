#pragma once

#include <QApplication>
#include <QWidget>

namespace viscora {

// Where the focus went as it left a control: another control of the same window, or nullptr
// when a message box, another window or a popup list only borrows it for a while. While the
// focus leaves, the application already names where it goes.
inline QWidget *focusMovedWithin(const QWidget &window, Qt::FocusReason reason)
{
    QWidget *to = QApplication::focusWidget();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason || !to ||
        to->window() != &window)
        return nullptr;
    return to;
}

} // namespace viscora
