#include "store/SequenceRepository.h"

#include "store/DenseNumbering.h"
#include "store/Schema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace viscora {

DbRead<std::vector<SequenceEntry>> SequenceRepository::sequences() const
{
    std::vector<SequenceEntry> out;
    QSqlQuery q(db_.sql());
    q.setForwardOnly(true);
    q.prepare(db_.text(schema::select(schema::SequenceName) +
                       QStringLiteral(" ORDER BY SequenceId, $ROWID")));
    if (auto e = readRows(q, "The sequences", [&](const QSqlQuery &r) {
            out.push_back({r.value(0).toInt(), r.value(1).toString(), r.value(2).toInt()});
        }))
        return DbRead<std::vector<SequenceEntry>>::failure(*e);
    return out;
}

DbRead<std::optional<SequenceEntry>> SequenceRepository::find(const QString &name) const
{
    const auto all = sequences();
    if (!all)
        return DbRead<std::optional<SequenceEntry>>::failure(all);
    for (const auto &s : *all)
        if (s.name == name)
            return std::optional<SequenceEntry>(s);
    return std::optional<SequenceEntry>();
}

DbRead<bool> SequenceRepository::existsIgnoringCase(const QString &name) const
{
    const auto all = sequences();
    if (!all)
        return DbRead<bool>::failure(all);
    for (const auto &s : *all)
        if (s.name.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

namespace {
DbResult insertStep(QSqlQuery &q, int sequenceId, const SequenceStep &s)
{
    q.addBindValue(sequenceId);
    q.addBindValue(s.stepNo);
    q.addBindValue(s.time);
    q.addBindValue(s.temperature);
    q.addBindValue(s.speed);
    q.addBindValue(s.recordRate);
    return execute(q);
}
} // namespace

DbResult SequenceRepository::createSequence(const QString &name, int rbfactor,
                                            const std::vector<SequenceStep> &steps, int &newId)
{
    return db_.transaction([&]() {
        const auto all = sequences();
        if (!all)
            return DbResult::failure(all.error());
        const long long largest = all->empty() ? 0 : all->back().sequenceId;
        if (!idsLeftAfter(largest))
            return DbResult::failure(QString::fromLatin1(kNoSequenceIdLeft));
        const int id = static_cast<int>(largest + 1);
        QSqlQuery q(db_.sql());
        q.prepare(schema::insert(schema::SequenceName));
        q.addBindValue(id);
        q.addBindValue(name);
        q.addBindValue(rbfactor);
        if (const DbResult r = execute(q); !r)
            return r;
        QSqlQuery step(db_.sql());
        step.prepare(schema::insert(schema::SequenceSetup));
        for (const auto &s : steps)
            if (const DbResult r = insertStep(step, id, s); !r)
                return r;
        newId = id;
        return DbResult::success();
    });
}

DbResult SequenceRepository::updateStep(int sequenceId, const SequenceStep &step)
{
    return db_.transaction([&]() {
        QSqlQuery q(db_.sql());
        q.prepare(QStringLiteral("UPDATE SequenceSetup SET %1 WHERE SequenceId=? AND StepNo=?")
                      .arg(schema::assignments(schema::SequenceSetup, 2)));
        q.addBindValue(step.time);
        q.addBindValue(step.temperature);
        q.addBindValue(step.speed);
        q.addBindValue(step.recordRate);
        q.addBindValue(sequenceId);
        q.addBindValue(step.stepNo);
        return execute(q);
    });
}

DbResult SequenceRepository::insertSteps(int sequenceId, int at,
                                         const std::vector<SequenceStep> &steps)
{
    return db_.transaction([&]() {
        QSqlQuery shift(db_.sql());
        shift.prepare(QStringLiteral(
            "UPDATE SequenceSetup SET StepNo=StepNo+? WHERE SequenceId=? AND StepNo>=?"));
        shift.addBindValue(static_cast<int>(steps.size()));
        shift.addBindValue(sequenceId);
        shift.addBindValue(at);
        if (const DbResult r = execute(shift); !r)
            return r;
        QSqlQuery q(db_.sql());
        q.prepare(schema::insert(schema::SequenceSetup));
        int n = at;
        for (SequenceStep s : steps) {
            s.stepNo = n++;
            if (const DbResult r = insertStep(q, sequenceId, s); !r)
                return r;
        }
        return DbResult::success();
    });
}

DbResult SequenceRepository::deleteStep(int sequenceId, int stepNo)
{
    return db_.transaction([&]() {
        QSqlQuery del(db_.sql());
        del.prepare(QStringLiteral("DELETE FROM SequenceSetup WHERE SequenceId=? AND StepNo=?"));
        del.addBindValue(sequenceId);
        del.addBindValue(stepNo);
        if (const DbResult r = execute(del); !r)
            return r;
        QSqlQuery shift(db_.sql());
        shift.prepare(QStringLiteral(
            "UPDATE SequenceSetup SET StepNo=StepNo-1 WHERE SequenceId=? AND StepNo>?"));
        shift.addBindValue(sequenceId);
        shift.addBindValue(stepNo);
        return execute(shift);
    });
}

DbRead<std::vector<SequenceStep>> SequenceRepository::steps(int sequenceId) const
{
    std::vector<SequenceStep> out;
    QSqlQuery q(db_.sql());
    q.setForwardOnly(true);
    q.prepare(schema::select(schema::SequenceSetup, 1) +
              QStringLiteral(" WHERE SequenceId=? ORDER BY StepNo"));
    q.addBindValue(sequenceId);
    if (auto e = readRows(q, "The sequence's steps", [&](const QSqlQuery &r) {
            out.push_back({r.value(0).toInt(), r.value(1).toDouble(), r.value(2).toDouble(),
                           r.value(3).toDouble(), r.value(4).toInt()});
        }))
        return DbRead<std::vector<SequenceStep>>::failure(*e);
    return out;
}

DbRead<std::optional<std::vector<SequenceStep>>>
SequenceRepository::stepsOf(const QString &name) const
{
    using Result = DbRead<std::optional<std::vector<SequenceStep>>>;
    const auto seq = find(name);
    if (!seq)
        return Result::failure(seq);
    if (!*seq)
        return std::optional<std::vector<SequenceStep>>();
    const auto s = steps((*seq)->sequenceId);
    if (!s)
        return Result::failure(s);
    return std::optional<std::vector<SequenceStep>>(*s);
}

DbResult SequenceRepository::deleteSequence(const QString &name)
{
    return deleteAndRenumber(db_, kSequenceTables, name);
}

} // namespace viscora
