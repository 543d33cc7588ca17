#pragma once
// A widget as it looks, saved among the run's screenshots (VISCORA_SHOTS) when there are any.

#include <QDir>
#include <QWidget>

namespace viscora::test {

inline void saveScreenshot(QWidget &w, const char *name)
{
    const QByteArray dir = qgetenv("VISCORA_SHOTS");
    if (dir.isEmpty())
        return;
    QDir().mkpath(QString::fromLocal8Bit(dir));
    w.grab().save(QString::fromLocal8Bit(dir) + "/" + name + ".png");
}

} // namespace viscora::test
