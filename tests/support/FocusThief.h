#pragma once
// Does to the keyboard focus what a real message box does on a desktop: takes it to another
// window while the box is up, then gives it back to the window it came from. Scripted prompts
// do neither on their own, so focus faults would hide from the tests without it.

#include <QTest>
#include <QWidget>

namespace viscora::test {

inline void stealFocusWhileUp(QWidget &window)
{
    QWidget box;
    box.setWindowTitle(QStringLiteral("message"));
    box.show();
    box.activateWindow();
    (void)QTest::qWaitForWindowActive(&box);
    box.close();
    window.activateWindow();
    (void)QTest::qWaitForWindowActive(&window);
}

} // namespace viscora::test
