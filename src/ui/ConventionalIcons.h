#pragma once
// Toolbar icons by their conventional desktop names ("document-print", "help-contents"):
// the desktop theme's own when it has one, otherwise one drawn here with the same meaning, so
// a button looks like what its tooltip says on every desktop.

#include <QIcon>
#include <QStringList>

namespace viscora {

QIcon conventionalIcon(const QString &name);
// The drawn icon alone, whatever the theme holds.
QIcon drawnIcon(const QString &name);
// The names drawnIcon knows.
QStringList drawnIconNames();

} // namespace viscora
