#include "dbsetup/DatabaseChoice.h"

#include "store/Dialect.h"

#include <QSettings>

namespace viscora {

namespace {
const QString kKey = QStringLiteral("database/server");
} // namespace

QString DatabaseChoice::server() const
{
    const QSettings s(file_, QSettings::IniFormat);
    const QString location = s.value(kKey).toString().trimmed();
    // A hand-edited file could name anything; only a server is taken from it.
    return isServerLocation(location) ? location : QString();
}

QString DatabaseChoice::setServer(const QString &location) const
{
    const QString trimmed = location.trimmed();
    if (!trimmed.isEmpty()) {
        if (!isServerLocation(trimmed))
            return QStringLiteral("'%1' is not a server's location: postgresql://USER@HOST:PORT/"
                                  "DBNAME or host=HOST dbname=NAME")
                .arg(trimmed);
        const QString problem = serverLocationProblem(trimmed);
        if (!problem.isEmpty())
            return problem;
    }
    QSettings s(file_, QSettings::IniFormat);
    if (trimmed.isEmpty())
        s.remove(kKey);
    else
        s.setValue(kKey, trimmed);
    s.sync();
    return s.status() == QSettings::NoError ? QString() : QStringLiteral("cannot write ") + file_;
}

QString DatabaseChoice::startLocation(const QString &option) const
{
    return option.isEmpty() ? server() : option;
}

} // namespace viscora
