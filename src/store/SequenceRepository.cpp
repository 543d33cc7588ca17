#include "SequenceRepository.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace viscora {

namespace {
QString errorOf(const QSqlQuery &q)
{
    QString t = q.lastError().databaseText().trimmed();
    return t.isEmpty() ? q.lastError().text().trimmed() : t;
}
} // namespace

std::vector<SequenceEntry> SequenceRepository::sequences() const
{
    std::vector<SequenceEntry> out;
    QSqlQuery q(db_.sql());
    q.setForwardOnly(true);
    if (q.exec(QStringLiteral(
            "SELECT SequenceId, SequenceName, Rbfactor FROM SequenceName ORDER BY SequenceId, rowid")))
        while (q.next())
            out.push_back({q.value(0).toInt(), q.value(1).toString(), q.value(2).toInt()});
    return out;
}

std::optional<SequenceEntry> SequenceRepository::find(const QString &name) const
{
    for (auto &s : sequences())
        if (s.name == name)
            return s;
    return std::nullopt;
}

std::vector<SequenceStep> SequenceRepository::steps(int sequenceId) const
{
    std::vector<SequenceStep> out;
    QSqlQuery q(db_.sql());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT StepNo, Time, Temperature, Speed, RecordRate FROM "
                             "SequenceSetup WHERE SequenceId=? ORDER BY StepNo"));
    q.addBindValue(sequenceId);
    if (q.exec())
        while (q.next())
            out.push_back({q.value(0).toInt(), q.value(1).toDouble(), q.value(2).toDouble(),
                           q.value(3).toDouble(), q.value(4).toInt()});
    return out;
}

DbResult SequenceRepository::deleteSequence(const QString &name)
{
    return db_.transaction([&]() {
        QSqlQuery find(db_.sql());
        find.prepare(QStringLiteral("SELECT rowid, SequenceId FROM SequenceName WHERE "
                                    "SequenceName=? ORDER BY SequenceId, rowid LIMIT 1"));
        find.addBindValue(name);
        if (!find.exec())
            return DbResult::failure(errorOf(find));
        if (!find.next())
            return DbResult::success();
        const qint64 rowid = find.value(0).toLongLong();
        const int id = find.value(1).toInt();
        find.finish();
        const char *statements[] = {
            "DELETE FROM SequenceSetup WHERE SequenceId=?",
            "UPDATE SequenceSetup SET SequenceId=SequenceId-1 WHERE SequenceId>?",
        };
        for (const char *s : statements) {
            QSqlQuery q(db_.sql());
            q.prepare(QString::fromLatin1(s));
            q.addBindValue(id);
            if (!q.exec())
                return DbResult::failure(errorOf(q));
        }
        QSqlQuery del(db_.sql());
        del.prepare(QStringLiteral("DELETE FROM SequenceName WHERE rowid=?"));
        del.addBindValue(rowid);
        if (!del.exec())
            return DbResult::failure(errorOf(del));
        QSqlQuery renumber(db_.sql());
        renumber.prepare(QStringLiteral("UPDATE SequenceName SET SequenceId=SequenceId-1 WHERE "
                                        "SequenceId>? OR (SequenceId=? AND rowid>?)"));
        renumber.addBindValue(id);
        renumber.addBindValue(id);
        renumber.addBindValue(rowid);
        if (!renumber.exec())
            return DbResult::failure(errorOf(renumber));
        return DbResult::success();
    });
}

} // namespace viscora
