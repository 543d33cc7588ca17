#include "store/DenseNumbering.h"

#include "store/Schema.h"

#include <QSqlQuery>
#include <QVariant>

#include <cstdint>
#include <limits>

namespace viscora {

const NumberedTables kTestTables{
    "RelatedInfo", "TestName", "TestId", {"TestResult", "TestEvents", "TestRecords"}};
const NumberedTables kSequenceTables{
    "SequenceName", "SequenceName", "SequenceId", {"SequenceSetup", nullptr, nullptr}};

const char *const kNoTestIdLeft = "The database holds the most tests it can number.";
const char *const kNoSequenceIdLeft = "The database holds the most sequences it can number.";

bool idsLeftAfter(long long largest, long long wanted)
{
    return largest <= std::numeric_limits<std::int32_t>::max() - wanted;
}

namespace {
// Table and column names come from the two fixed descriptions above, never from input.
QString sql(Database &db, const char *pattern, const NumberedTables &t, const char *rows = "")
{
    return db.text(pattern)
        .replace(QLatin1String("$H"), QLatin1String(t.header))
        .replace(QLatin1String("$N"), QLatin1String(t.nameColumn))
        .replace(QLatin1String("$I"), QLatin1String(t.idColumn))
        .replace(QLatin1String("$R"), QLatin1String(rows));
}
} // namespace

DbResult deleteAndRenumber(Database &db, const NumberedTables &t, const QString &name)
{
    return db.transaction([&]() {
        QSqlQuery find(db.sql());
        find.prepare(sql(
            db, ("SELECT $ROWID, $I FROM $H WHERE " + schema::firstOfName("$N", "$I")).c_str(), t));
        find.addBindValue(name);
        if (const DbResult r = execute(find); !r)
            return r;
        if (!find.next())
            return DbResult::success();
        const QVariant rowid = find.value(0);
        const int id = find.value(1).toInt();
        find.finish();
        for (const char *rows : t.rows) {
            if (!rows)
                continue;
            for (const char *text :
                 {"DELETE FROM $R WHERE $I=?", "UPDATE $R SET $I=$I-1 WHERE $I>?"})
                if (const DbResult r = execute(db, sql(db, text, t, rows), {id}); !r)
                    return r;
        }
        if (const DbResult r = execute(db, sql(db, "DELETE FROM $H WHERE $ROWID=$KEY", t), {rowid});
            !r)
            return r;
        // Every header after the deleted one moves down by one.
        return execute(db, sql(db, "UPDATE $H SET $I=$I-1 WHERE $I>? OR ($I=? AND $ROWID>$KEY)", t),
                       {id, id, rowid});
    });
}

} // namespace viscora
