#include "store/CalibrationRecords.h"

#include "store/Schema.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QSysInfo>
#include <QVariant>

#include <algorithm>

namespace viscora {

namespace {

template <typename T> QVariant orNull(const std::optional<T> &v)
{
    return v ? QVariant(*v) : QVariant(QMetaType::fromType<T>());
}

std::optional<int> intOrNone(const QVariant &v)
{
    return v.isNull() ? std::nullopt : std::optional<int>(v.toInt());
}

std::optional<double> realOrNone(const QVariant &v)
{
    return v.isNull() ? std::nullopt : std::optional<double>(v.toDouble());
}

// The next id of a column, in the write transaction that uses it.
DbRead<int> nextId(Database &db, const char *what, const QString &sql)
{
    int next = 1;
    if (auto e =
            readAll(db, what, sql, {}, [&](const QSqlQuery &q) { next = q.value(0).toInt() + 1; }))
        return DbRead<int>::failure(*e);
    return next;
}

DbRead<int> nextOf(Database &db, const char *what, const char *table, const char *column)
{
    return nextId(db, what,
                  QStringLiteral("SELECT COALESCE(MAX(%1), 0) FROM %2")
                      .arg(QLatin1String(column), QLatin1String(table)));
}

Instrument instrumentOf(const QSqlQuery &q)
{
    Instrument i;
    i.recordId = q.value(0).toInt();
    i.instrumentId = q.value(1).toInt();
    i.serialNo = q.value(3).toString();
    i.model = q.value(4).toString();
    i.location = q.value(5).toString();
    i.intervalDays = q.value(6).toInt();
    i.recorded = q.value(7).toString();
    return i;
}

// The latest record of each instrument: no later record of the same one.
const QString kLatestInstrument =
    QStringLiteral(" WHERE NOT EXISTS (SELECT 1 FROM Instruments Later WHERE Later.InstrumentId = "
                   "Instruments.InstrumentId AND Later.RecordId > Instruments.RecordId)");

} // namespace

QString verdictText(const QString &outcome)
{
    if (outcome == QLatin1String(CalibrationRecord::kPassed))
        return QStringLiteral("Passed");
    if (outcome == QLatin1String(CalibrationRecord::kFailed))
        return QStringLiteral("FAILED");
    return QStringLiteral("Stopped");
}

std::optional<calibration::Date> localDay(const QString &utc)
{
    const QDateTime t = QDateTime::fromString(utc, Qt::ISODate);
    if (!t.isValid())
        return std::nullopt;
    const QDateTime local = t.toLocalTime();
    return calibration::localDate(
        std::chrono::sys_seconds(std::chrono::seconds(t.toSecsSinceEpoch())),
        std::chrono::seconds(local.offsetFromUtc()));
}

calibration::Date today()
{
    const QDate d = QDate::currentDate();
    return calibration::Date{std::chrono::year(d.year()),
                             std::chrono::month(static_cast<unsigned>(d.month())),
                             std::chrono::day(static_cast<unsigned>(d.day()))};
}

QString dueText(const InstrumentDue &due)
{
    using calibration::DueState;
    const QString date =
        due.due ? QString::fromStdString(calibration::isoDate(*due.due)) : QString();
    switch (due.status.state) {
    case DueState::Never:
        return QStringLiteral("never checked");
    case DueState::DueToday:
        return QStringLiteral("due today (%1)").arg(date);
    case DueState::Due:
        return QStringLiteral("due %1 (in %2 day%3)")
            .arg(date)
            .arg(due.status.days)
            .arg(QLatin1String(due.status.days == 1 ? "" : "s"));
    case DueState::Overdue:
        break;
    }
    return QStringLiteral("OVERDUE since %1 (%2 day%3)")
        .arg(date)
        .arg(due.status.days)
        .arg(QLatin1String(due.status.days == 1 ? "" : "s"));
}

DbRead<InstrumentDue> instrumentDue(Database &db, const Instrument &instrument,
                                    calibration::Date today)
{
    const auto last = CheckRepository(db).lastPassed(instrument.instrumentId);
    if (!last)
        return DbRead<InstrumentDue>::failure(last);
    InstrumentDue out;
    if (*last)
        out.lastPassed = localDay(**last);
    if (out.lastPassed)
        out.due = calibration::dueDate(*out.lastPassed, instrument.intervalDays);
    out.status = calibration::dueStatus(out.due, today);
    return out;
}

QString recordTime() { return QDateTime::currentDateTimeUtc().toString(Qt::ISODate); }

DbRead<std::vector<Instrument>> InstrumentRepository::instruments() const
{
    std::vector<Instrument> out;
    if (auto e = readAll(db_, "The instruments",
                         schema::select(schema::Instruments) + kLatestInstrument +
                             QStringLiteral(" ORDER BY InstrumentId"),
                         {}, [&](const QSqlQuery &q) { out.push_back(instrumentOf(q)); }))
        return DbRead<std::vector<Instrument>>::failure(*e);
    return out;
}

DbRead<std::optional<Instrument>> InstrumentRepository::instrument(int instrumentId) const
{
    std::optional<Instrument> out;
    if (auto e = readAll(db_, "The instrument",
                         schema::select(schema::Instruments) + kLatestInstrument +
                             QStringLiteral(" AND InstrumentId=?"),
                         {instrumentId}, [&](const QSqlQuery &q) { out = instrumentOf(q); }))
        return DbRead<std::optional<Instrument>>::failure(*e);
    return out;
}

DbRead<int> InstrumentRepository::add(Instrument instrument)
{
    int id = 0;
    const DbResult r = db_.transaction([&]() -> DbResult {
        const auto next = nextOf(db_, "The instruments", "Instruments", "InstrumentId");
        if (!next)
            return DbResult::failure(next.error());
        id = instrument.instrumentId = *next;
        const auto record = nextOf(db_, "The instruments", "Instruments", "RecordId");
        if (!record)
            return DbResult::failure(record.error());
        return execute(db_, schema::insert(schema::Instruments),
                       {*record, id, QVariant(QMetaType::fromType<int>()), instrument.serialNo,
                        instrument.model, instrument.location, instrument.intervalDays,
                        recordTime()});
    });
    if (!r)
        return DbRead<int>::failure(r.error);
    return id;
}

DbResult InstrumentRepository::correct(Instrument instrument)
{
    return db_.transaction([&]() -> DbResult {
        const auto current = this->instrument(instrument.instrumentId);
        if (!current)
            return DbResult::failure(current.error());
        if (!*current)
            return DbResult::failure(
                QStringLiteral("There is no instrument %1.").arg(instrument.instrumentId));
        const auto record = nextOf(db_, "The instruments", "Instruments", "RecordId");
        if (!record)
            return DbResult::failure(record.error());
        return execute(db_, schema::insert(schema::Instruments),
                       {*record, instrument.instrumentId, (*current)->recordId, instrument.serialNo,
                        instrument.model, instrument.location, instrument.intervalDays,
                        recordTime()});
    });
}

DbResult InstrumentRepository::assign(int commPort, std::optional<int> instrumentId)
{
    return db_.transaction([&]() -> DbResult {
        const auto record = nextOf(db_, "The instruments' ports", "InstrumentPorts", "RecordId");
        if (!record)
            return DbResult::failure(record.error());
        return execute(
            db_, schema::insert(schema::InstrumentPorts),
            {*record, QSysInfo::machineHostName(), commPort, orNull(instrumentId), recordTime()});
    });
}

DbRead<std::map<int, int>> InstrumentRepository::assignments() const
{
    std::map<int, int> out;
    if (auto e = readAll(
            db_, "The instruments' ports",
            QStringLiteral("SELECT CommPort, InstrumentId FROM InstrumentPorts WHERE Host=? "
                           "ORDER BY RecordId"),
            {QSysInfo::machineHostName()}, [&](const QSqlQuery &q) {
                // The latest assignment of a port stands.
                if (q.value(1).isNull())
                    out.erase(q.value(0).toInt());
                else
                    out[q.value(0).toInt()] = q.value(1).toInt();
            }))
        return DbRead<std::map<int, int>>::failure(*e);
    return out;
}

DbRead<std::optional<Instrument>> InstrumentRepository::assignedTo(int commPort) const
{
    const auto all = assignments();
    if (!all)
        return DbRead<std::optional<Instrument>>::failure(all);
    const auto it = all->find(commPort);
    if (it == all->end())
        return std::optional<Instrument>();
    return instrument(it->second);
}

QString instrumentLabel(Database &db, int commPort, const std::string &device)
{
    QString label = QStringLiteral("Comm %1").arg(commPort);
    if (!device.empty())
        label += QStringLiteral(" (%1)").arg(QString::fromStdString(device));
    const auto assigned = InstrumentRepository(db).assignedTo(commPort);
    if (assigned && *assigned)
        return (*assigned)->serialNo + QStringLiteral(" on ") + label;
    return label;
}

DbRead<std::vector<CalibrationFluid>>
FluidRepository::read(const QString &where, const QVariantList &values, bool latestOnly) const
{
    std::vector<CalibrationFluid> out;
    const QString latest =
        QStringLiteral(" AND Removed=0 AND NOT EXISTS (SELECT 1 FROM CalibrationFluids Later WHERE "
                       "Later.FluidId = CalibrationFluids.FluidId AND Later.RecordId > "
                       "CalibrationFluids.RecordId)");
    const QString sql = schema::select(schema::CalibrationFluids) + QStringLiteral(" WHERE ") +
                        where + (latestOnly ? latest : QString()) +
                        QStringLiteral(" ORDER BY Name, FluidId");
    if (auto e = readAll(db_, "The calibration fluids", sql, values, [&](const QSqlQuery &q) {
            CalibrationFluid f;
            f.recordId = q.value(0).toInt();
            f.fluidId = q.value(1).toInt();
            f.name = q.value(3).toString();
            f.lot = q.value(4).toString();
            f.expiry = q.value(5).toString();
            f.tolerance = {q.value(6).toDouble(), q.value(7).toDouble()};
            f.recorded = q.value(9).toString();
            out.push_back(std::move(f));
        }))
        return DbRead<std::vector<CalibrationFluid>>::failure(*e);
    for (CalibrationFluid &f : out)
        if (auto e =
                readAll(db_, "The fluid's certificate",
                        QStringLiteral("SELECT Temperature, Viscosity FROM FluidCertificates "
                                       "WHERE RecordId=? ORDER BY Temperature"),
                        {f.recordId}, [&](const QSqlQuery &q) {
                            f.certificate.push_back({q.value(0).toDouble(), q.value(1).toDouble()});
                        }))
            return DbRead<std::vector<CalibrationFluid>>::failure(*e);
    return out;
}

DbRead<std::vector<CalibrationFluid>> FluidRepository::fluids() const
{
    return read(QStringLiteral("1=1"), {}, true);
}

DbRead<std::optional<CalibrationFluid>> FluidRepository::fluid(const QString &name) const
{
    const auto all = fluids();
    if (!all)
        return DbRead<std::optional<CalibrationFluid>>::failure(all);
    for (const CalibrationFluid &f : *all)
        if (f.name.compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return std::optional<CalibrationFluid>(f);
    return std::optional<CalibrationFluid>();
}

DbRead<std::optional<CalibrationFluid>> FluidRepository::record(int recordId) const
{
    const auto found = read(QStringLiteral("RecordId=?"), {recordId}, false);
    if (!found)
        return DbRead<std::optional<CalibrationFluid>>::failure(found);
    return found->empty() ? std::optional<CalibrationFluid>()
                          : std::optional<CalibrationFluid>(found->front());
}

DbResult FluidRepository::append(CalibrationFluid &fluid, bool removed)
{
    const auto record = nextOf(db_, "The calibration fluids", "CalibrationFluids", "RecordId");
    if (!record)
        return DbResult::failure(record.error());
    std::optional<int> replaces;
    if (auto e =
            readAll(db_, "The calibration fluids",
                    QStringLiteral("SELECT MAX(RecordId) FROM CalibrationFluids WHERE "
                                   "FluidId=?"),
                    {fluid.fluidId}, [&](const QSqlQuery &q) { replaces = intOrNone(q.value(0)); }))
        return DbResult::failure(*e);
    fluid.recordId = *record;
    if (const DbResult r =
            execute(db_, schema::insert(schema::CalibrationFluids),
                    {fluid.recordId, fluid.fluidId, orNull(replaces), fluid.name.trimmed(),
                     fluid.lot, fluid.expiry, fluid.tolerance.percent, fluid.tolerance.floorDynCm2,
                     removed ? 1 : 0, recordTime()});
        !r)
        return r;
    for (const auto &p : fluid.certificate)
        if (const DbResult r = execute(db_, schema::insert(schema::FluidCertificates),
                                       {fluid.recordId, p.temperatureF, p.viscosityCp});
            !r)
            return r;
    return DbResult::success();
}

DbRead<int> FluidRepository::add(CalibrationFluid fluid)
{
    const DbResult r = db_.transaction([&]() -> DbResult {
        const auto taken = this->fluid(fluid.name);
        if (!taken)
            return DbResult::failure(taken.error());
        if (*taken)
            return DbResult::failure(
                QStringLiteral("There is a calibration fluid named \"%1\" already.")
                    .arg(fluid.name.trimmed()));
        const auto next = nextOf(db_, "The calibration fluids", "CalibrationFluids", "FluidId");
        if (!next)
            return DbResult::failure(next.error());
        fluid.fluidId = *next;
        return append(fluid, false);
    });
    if (!r)
        return DbRead<int>::failure(r.error);
    return fluid.fluidId;
}

DbResult FluidRepository::correct(CalibrationFluid fluid)
{
    return db_.transaction([&] { return append(fluid, false); });
}

DbResult FluidRepository::remove(int fluidId)
{
    return db_.transaction([&]() -> DbResult {
        const auto latest = read(QStringLiteral("FluidId=?"), {fluidId}, true);
        if (!latest)
            return DbResult::failure(latest.error());
        if (latest->empty())
            return DbResult::failure(
                QStringLiteral("There is no calibration fluid %1.").arg(fluidId));
        CalibrationFluid f = latest->front();
        return append(f, true);
    });
}

DbRead<int> CheckRepository::add(const CalibrationRecord &c)
{
    int id = 0;
    const DbResult r = db_.transaction([&]() -> DbResult {
        const auto next = nextOf(db_, "The calibration checks", "CalibrationChecks", "CheckId");
        if (!next)
            return DbResult::failure(next.error());
        id = *next;
        if (const DbResult w = execute(
                db_, schema::insert(schema::CalibrationChecks),
                {id, orNull(c.replaces), orNull(c.instrumentId), c.operatorName, c.started,
                 orNull(c.fluidRecordId), c.fluidName, c.lot, c.expiry, orNull(c.temperatureF),
                 c.viscosityCp, c.tolerance.percent, c.tolerance.floorDynCm2, c.outcome, c.note});
            !w)
            return w;
        for (const CheckReading &g : c.readings)
            if (const DbResult w = execute(db_, schema::insert(schema::CalibrationReadings),
                                           {id, g.row, g.expected, orNull(g.measured), g.error,
                                            g.percentError, g.pass ? 1 : 0});
                !w)
                return w;
        return DbResult::success();
    });
    if (!r)
        return DbRead<int>::failure(r.error);
    return id;
}

DbRead<std::vector<CalibrationRecord>>
CheckRepository::checks(std::optional<int> instrumentId) const
{
    using Out = DbRead<std::vector<CalibrationRecord>>;
    std::vector<CalibrationRecord> out;
    std::map<int, size_t> at;
    const QString sql = schema::select(schema::CalibrationChecks) +
                        (instrumentId ? QStringLiteral(" WHERE InstrumentId=?") : QString()) +
                        QStringLiteral(" ORDER BY Started DESC, CheckId DESC");
    const QVariantList values = instrumentId ? QVariantList{*instrumentId} : QVariantList{};
    if (auto e = readAll(db_, "The calibration checks", sql, values, [&](const QSqlQuery &q) {
            CalibrationRecord c;
            c.checkId = q.value(0).toInt();
            c.replaces = intOrNone(q.value(1));
            c.instrumentId = intOrNone(q.value(2));
            c.operatorName = q.value(3).toString();
            c.started = q.value(4).toString();
            c.fluidRecordId = intOrNone(q.value(5));
            c.fluidName = q.value(6).toString();
            c.lot = q.value(7).toString();
            c.expiry = q.value(8).toString();
            c.temperatureF = realOrNone(q.value(9));
            c.viscosityCp = q.value(10).toDouble();
            c.tolerance = {q.value(11).toDouble(), q.value(12).toDouble()};
            c.outcome = q.value(13).toString();
            c.note = q.value(14).toString();
            at[c.checkId] = out.size();
            out.push_back(std::move(c));
        }))
        return Out::failure(*e);
    if (out.empty())
        return out;
    if (auto e = readAll(db_, "The calibration checks",
                         QStringLiteral("SELECT CheckId, Replaces FROM CalibrationChecks WHERE "
                                        "Replaces IS NOT NULL ORDER BY CheckId"),
                         {}, [&](const QSqlQuery &q) {
                             const auto it = at.find(q.value(1).toInt());
                             if (it != at.end())
                                 out[it->second].replacedBy = q.value(0).toInt();
                         }))
        return Out::failure(*e);
    if (auto e = readAll(db_, "The calibration readings",
                         schema::select(schema::CalibrationReadings) +
                             QStringLiteral(" ORDER BY CheckId, RowNo"),
                         {}, [&](const QSqlQuery &q) {
                             const auto it = at.find(q.value(0).toInt());
                             if (it == at.end())
                                 return;
                             out[it->second].readings.push_back(
                                 {q.value(1).toInt(), q.value(2).toDouble(), realOrNone(q.value(3)),
                                  q.value(4).toDouble(), q.value(5).toDouble(),
                                  q.value(6).toInt() != 0});
                         }))
        return Out::failure(*e);
    return out;
}

DbRead<std::optional<CalibrationRecord>> CheckRepository::check(int checkId) const
{
    const auto all = checks();
    if (!all)
        return DbRead<std::optional<CalibrationRecord>>::failure(all);
    for (const CalibrationRecord &c : *all)
        if (c.checkId == checkId)
            return std::optional<CalibrationRecord>(c);
    return std::optional<CalibrationRecord>();
}

DbRead<std::optional<QString>> CheckRepository::lastPassed(int instrumentId) const
{
    const auto all = checks(instrumentId);
    if (!all)
        return DbRead<std::optional<QString>>::failure(all);
    for (const CalibrationRecord &c : *all) // newest first
        if (!c.replacedBy && c.outcome == QLatin1String(CalibrationRecord::kPassed))
            return std::optional<QString>(c.started);
    return std::optional<QString>();
}

} // namespace viscora
