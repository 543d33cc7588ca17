#pragma once
// A throwaway PostgreSQL cluster for one benchmark run (scripts/pg-cluster), and databases on it.

#include "store/Dialect.h"

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace viscora::bench {

inline const QString kClusterScript = QStringLiteral(VISCORA_SOURCE_DIR "/scripts/pg-cluster");

// A cluster for this run only, stopped and removed on the way out.
struct Cluster {
    QTemporaryDir dir;
    QString state = dir.filePath(QStringLiteral("cluster"));
    QString url;
    Cluster()
    {
        if (QProcess::execute(kClusterScript, {QStringLiteral("start"), state}) != 0)
            return;
        QFile f(state);
        if (f.open(QIODevice::ReadOnly))
            url = QString::fromUtf8(f.readLine()).trimmed();
    }
    ~Cluster() { QProcess::execute(kClusterScript, {QStringLiteral("stop"), state}); }

    // An empty database of that name on the cluster, as a connection string.
    QString database(const QString &name) const
    {
        const auto s = serverSettings(url);
        {
            QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), "admin");
            admin.setHostName(s->host);
            admin.setPort(s->port);
            admin.setUserName(s->user);
            admin.setDatabaseName(s->database);
            QSqlQuery q(admin);
            if (!admin.open() || !q.exec(QStringLiteral("CREATE DATABASE ") + name)) {
                std::fprintf(stderr, "cannot make database %s\n", qPrintable(name));
                std::exit(1);
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("admin"));
        return QString(url).replace(QLatin1String("/postgres?"),
                                    QLatin1Char('/') + name + QLatin1Char('?'));
    }
};

} // namespace viscora::bench
