#include "store/DenseNumbering.h"

#include <QSqlQuery>
#include <QVariant>

namespace viscora {

const NumberedTables kTestTables{"RelatedInfo", "TestName", "TestId", "TestResult"};
const NumberedTables kSequenceTables{"SequenceName", "SequenceName", "SequenceId", "SequenceSetup"};

namespace {
// Table and column names come from the two fixed descriptions above, never from input.
QString sql(const char *pattern, const NumberedTables &t)
{
    return QString::fromLatin1(pattern)
        .replace(QLatin1String("$H"), QLatin1String(t.header))
        .replace(QLatin1String("$N"), QLatin1String(t.nameColumn))
        .replace(QLatin1String("$I"), QLatin1String(t.idColumn))
        .replace(QLatin1String("$R"), QLatin1String(t.rows));
}
} // namespace

DbResult deleteAndRenumber(Database &db, const NumberedTables &t, const QString &name)
{
    return db.transaction([&]() {
        QSqlQuery find(db.sql());
        find.prepare(sql("SELECT rowid, $I FROM $H WHERE $N=? ORDER BY $I, rowid LIMIT 1", t));
        find.addBindValue(name);
        if (!find.exec())
            return DbResult::failure(errorOf(find));
        if (!find.next())
            return DbResult::success();
        const qint64 rowid = find.value(0).toLongLong();
        const int id = find.value(1).toInt();
        find.finish();
        const struct {
            const char *text;
            QVariantList values;
        } statements[] = {
            {"DELETE FROM $R WHERE $I=?", {id}},
            {"UPDATE $R SET $I=$I-1 WHERE $I>?", {id}},
            {"DELETE FROM $H WHERE rowid=?", {rowid}},
            // Every header after the deleted one moves down by one.
            {"UPDATE $H SET $I=$I-1 WHERE $I>? OR ($I=? AND rowid>?)", {id, id, rowid}},
        };
        for (const auto &s : statements) {
            QSqlQuery q(db.sql());
            q.prepare(sql(s.text, t));
            for (const QVariant &v : s.values)
                q.addBindValue(v);
            if (!q.exec())
                return DbResult::failure(errorOf(q));
        }
        return DbResult::success();
    });
}

} // namespace viscora
