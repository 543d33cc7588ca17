#pragma once
// A desktop icon theme made for a test: one plain square per name, so that a test can tell
// which of the theme's icons a button took. The theme before it comes back afterwards.

#include <QColor>
#include <QDir>
#include <QIcon>
#include <QImage>
#include <QStringList>
#include <QTemporaryDir>

namespace viscora::test {

class TestIconTheme {
public:
    explicit TestIconTheme(const QStringList &names)
        : paths_(QIcon::themeSearchPaths()), theme_(QIcon::themeName())
    {
        const QString root = dir_.filePath(QStringLiteral("viscora-test"));
        QDir().mkpath(root + QStringLiteral("/22x22/actions"));
        QFile index(root + QStringLiteral("/index.theme"));
        if (index.open(QIODevice::WriteOnly))
            index.write("[Icon Theme]\nName=viscora-test\nDirectories=22x22/actions\n\n"
                        "[22x22/actions]\nSize=22\nType=Fixed\n");
        index.close();
        int hue = 0;
        for (const QString &name : names) {
            QImage square(22, 22, QImage::Format_ARGB32);
            square.fill(QColor::fromHsv(hue, 200, 200));
            hue = (hue + 37) % 360;
            square.save(root + QStringLiteral("/22x22/actions/") + name + QStringLiteral(".png"));
        }
        QIcon::setThemeSearchPaths({dir_.path()});
        QIcon::setThemeName(QStringLiteral("viscora-test"));
    }
    ~TestIconTheme()
    {
        QIcon::setThemeSearchPaths(paths_);
        QIcon::setThemeName(theme_);
    }

private:
    QTemporaryDir dir_;
    QStringList paths_;
    QString theme_;
};

} // namespace viscora::test
