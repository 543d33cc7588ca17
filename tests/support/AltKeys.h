#pragma once

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QMap>
#include <QStringList>
#include <QWidget>

#include <string>

namespace viscora::test {

// The key that Alt takes to a control with this caption, lower case; null without one.
inline QChar altKey(QString text)
{
    text.replace(QStringLiteral("&&"), QString());
    const qsizetype at = text.indexOf('&');
    return at < 0 || at + 1 >= text.size() ? QChar() : text.at(at + 1).toLower();
}

// The Alt keys that several controls of one window share, as "c: &Connect, &Cancel", or "":
// such a key only moves the focus between them, so none of them works from the keyboard.
// Buttons count with the key they answer now.
inline std::string altKeyClashes(const QWidget &window)
{
    QMap<QChar, QStringList> byKey;
    auto add = [&](const QString &text) {
        if (const QChar key = altKey(text); !key.isNull())
            byKey[key] << text;
    };
    // A button's caption may mark a key it has been told not to answer.
    for (const QAbstractButton *b : window.findChildren<QAbstractButton *>())
        if (!b->shortcut().isEmpty())
            add(b->text());
    for (const QLabel *l : window.findChildren<QLabel *>())
        if (l->buddy())
            add(l->text());
    for (const QGroupBox *g : window.findChildren<QGroupBox *>())
        add(g->title());
    QStringList clashes;
    for (auto it = byKey.cbegin(); it != byKey.cend(); ++it)
        if (it->size() > 1)
            clashes << QString(it.key()) + ": " + it->join(QStringLiteral(", "));
    return clashes.join(QStringLiteral("; ")).toStdString();
}

} // namespace viscora::test
