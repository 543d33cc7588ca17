#pragma once
// A fresh database in a temporary folder, with helpers to put tests into it.

#include "store/Database.h"
#include "store/TestRepository.h"
#include "support/Must.h"

#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace viscora::test {

class TestDb {
public:
    TestDb()
    {
        path = dir.filePath(QStringLiteral("k7400r.mdb"));
        auto opened = Database::open(path, Database::OpenMode::CreateIfMissing);
        EXPECT_TRUE(opened.db) << opened.message.toStdString();
        db = std::move(opened.db);
    }

    // Adds a test with its points; returns its TestId.
    int addTest(const QString &name, const std::vector<StoredPoint> &points)
    {
        TestRepository repo(*db);
        int id = 0;
        EXPECT_TRUE(repo.createHeader({name, "mud", "10:00", "ACME", "notes"}, id).ok);
        EXPECT_TRUE(repo.insertPoints(id, points).ok);
        return id;
    }

    // One scalar of an SQL text, for checks.
    QVariant scalar(const QString &sql)
    {
        QSqlQuery q(db->sql());
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
        return q.next() ? q.value(0) : QVariant();
    }
    bool exec(const QString &sql)
    {
        QSqlQuery q(db->sql());
        return q.exec(sql);
    }

    QTemporaryDir dir;
    QString path;
    std::unique_ptr<Database> db;
};

inline StoredPoint point(int step, double time, double temp, double speed, double stress,
                         double gel = 0, double rb = 1)
{
    return StoredPoint{step, time, temp, speed, stress, gel, rb};
}

} // namespace viscora::test
