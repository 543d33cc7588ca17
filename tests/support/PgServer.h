#pragma once
// The throwaway PostgreSQL server of a test run: the one ctest's PgCluster fixture started
// (VISCORA_PG_FILE names its file), or, for a suite run by hand, one this process starts for
// itself and stops on its way out. Each test gets a database of its own on it.

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>

namespace viscora::test {

namespace detail {
struct OwnCluster {
    QTemporaryDir dir;
    QString state = dir.filePath(QStringLiteral("cluster"));
    bool started = false;
    OwnCluster()
    {
        started = QProcess::execute(QStringLiteral(VISCORA_SOURCE_DIR "/scripts/pg-cluster"),
                                    {QStringLiteral("start"), state}) == 0;
    }
    ~OwnCluster()
    {
        QProcess::execute(QStringLiteral(VISCORA_SOURCE_DIR "/scripts/pg-cluster"),
                          {QStringLiteral("stop"), state});
    }
};
} // namespace detail

// The server's maintenance database, as a connection string; empty when none can be had.
inline QString pgServerUrl()
{
    QString file = qEnvironmentVariable("VISCORA_PG_FILE");
    if (file.isEmpty()) {
        static detail::OwnCluster own;
        if (!own.started)
            return {};
        file = own.state;
    }
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readLine()).trimmed();
}

// A database of one test's own on the server, dropped when this goes.
class PgDatabase {
public:
    PgDatabase()
    {
        static std::atomic<int> counter{0};
        const QString server = pgServerUrl();
        EXPECT_FALSE(server.isEmpty()) << "no PostgreSQL server for the test";
        name_ = QStringLiteral("viscora_test_%1_%2")
                    .arg(QCoreApplication::applicationPid())
                    .arg(++counter);
        url = QString(server).replace(QLatin1String("/postgres?"),
                                      QLatin1Char('/') + name_ + QLatin1Char('?'));
        admin(server, QStringLiteral("CREATE DATABASE ") + name_);
    }
    ~PgDatabase()
    {
        admin(pgServerUrl(), QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name_));
    }
    PgDatabase(const PgDatabase &) = delete;
    PgDatabase &operator=(const PgDatabase &) = delete;

    // The database's connection string.
    QString url;
    const QString &name() const { return name_; }
    // A statement run as the server's owner, from outside this database (shutting it to new
    // connections, ending the ones it has).
    void asOwner(const QString &sql) const { admin(pgServerUrl(), sql); }

private:
    static void admin(const QString &server, const QString &sql)
    {
        const QString connection = QStringLiteral("viscora-admin");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
            // The maintenance database's settings, from its connection string's query part.
            const QString query = server.section(QLatin1Char('?'), 1);
            for (const QString &kv : query.split(QLatin1Char('&'))) {
                const QString key = kv.section(QLatin1Char('='), 0, 0);
                const QString value = kv.section(QLatin1Char('='), 1);
                if (key == QLatin1String("host"))
                    db.setHostName(value);
                else if (key == QLatin1String("port"))
                    db.setPort(value.toInt());
            }
            db.setUserName(QStringLiteral("postgres"));
            db.setDatabaseName(QStringLiteral("postgres"));
            EXPECT_TRUE(db.open()) << db.lastError().text().toStdString();
            QSqlQuery q(db);
            EXPECT_TRUE(q.exec(sql))
                << sql.toStdString() << ": " << q.lastError().text().toStdString();
        }
        QSqlDatabase::removeDatabase(connection);
    }
    QString name_;
};

} // namespace viscora::test
