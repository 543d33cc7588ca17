#include "dbsetup/DatabaseChoice.h"

#include "store/DbResult.h"
#include "store/Dialect.h"

#include <QSettings>

namespace viscora {

namespace {
const QString kKey = QStringLiteral("database/server");
const QString kFileKey = QStringLiteral("database/lastFile");
} // namespace

QString DatabaseChoice::saved() const
{
    return QSettings(file_, QSettings::IniFormat).value(kKey).toString().trimmed();
}

Result<QString> DatabaseChoice::server() const
{
    const QSettings s(file_, QSettings::IniFormat);
    const QString location = s.value(kKey).toString().trimmed();
    if (s.status() != QSettings::NoError)
        return Failure{
            QStringLiteral("The settings in %1 cannot be read.").arg(file_).toStdString(),
            kDatabaseErrorTitle,
            {}};
    // A hand-edited file could name anything; only a server is taken from it.
    if (!location.isEmpty() && !isServerLocation(location))
        return Failure{QStringLiteral("The database remembered in %1 is not a server's location: "
                                      "'%2'. Start with --db LOCATION and choose the database "
                                      "again under Tools → Database...")
                           .arg(file_, shownLocation(location))
                           .toStdString(),
                       kDatabaseErrorTitle,
                       {}};
    return location;
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

Result<QString> DatabaseChoice::startLocation(const QString &option) const
{
    return option.isEmpty() ? server() : Result<QString>(option);
}

QString DatabaseChoice::lastFile() const
{
    return QSettings(file_, QSettings::IniFormat).value(kFileKey).toString();
}

bool DatabaseChoice::rememberFile(const QString &path) const
{
    QSettings s(file_, QSettings::IniFormat);
    if (s.value(kFileKey).toString() == path)
        return true;
    s.setValue(kFileKey, path);
    s.sync();
    return s.status() == QSettings::NoError;
}

} // namespace viscora
