#pragma once
// The wait cursor over the program while a blocking exchange holds its window (a download,
// the start-reply wait): the window cannot answer then, and should not look as if it could.

#include <QApplication>
#include <QCursor>

namespace viscora {

class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

// The usual arrow over a message box shown during such a wait.
class ArrowCursor {
public:
    ArrowCursor() : busy_(QApplication::overrideCursor() != nullptr)
    {
        if (busy_)
            QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~ArrowCursor()
    {
        if (busy_)
            QApplication::restoreOverrideCursor();
    }
    ArrowCursor(const ArrowCursor &) = delete;
    ArrowCursor &operator=(const ArrowCursor &) = delete;

private:
    bool busy_;
};

} // namespace viscora
