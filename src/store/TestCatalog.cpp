#include "store/TestCatalog.h"

#include "core/Version.h"
#include "store/Recordings.h"
#include "store/Schema.h"
#include "store/TestNaming.h"
#include "store/TestRecords.h"
#include "store/TestRepository.h"

#include <QDateTime>
#include <QSet>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace viscora {

const std::array<const char *, kCatalogColumns> &catalogHeadings()
{
    static const std::array<const char *, kCatalogColumns> h{
        "Test Name", "Start", "Duration", "Points", "Mud ID", "Company", "Instrument", "Operator"};
    return h;
}

namespace {
QString text(const QVariant &v) { return v.isNull() ? QString() : v.toString(); }

std::optional<double> number(const QVariant &v)
{
    return v.isNull() ? std::nullopt : std::optional<double>(v.toDouble());
}

// The latest record of each test beside its header; the points of tests whose records do not
// hold them counted from their rows.
constexpr const char *kCatalogSql =
    "SELECT r.TestId, r.TestName, r.MudId, r.CompanyName, m.StartedAt, m.EndedAt, "
    "CASE WHEN m.Points IS NULL THEN (SELECT COUNT(*) FROM TestResult p WHERE p.TestId=r.TestId) "
    "ELSE m.Points END, m.Instrument, m.OperatorName "
    "FROM RelatedInfo r LEFT JOIN (SELECT TestId, MAX(Revision) AS Revision FROM TestRecords "
    "GROUP BY TestId) last ON last.TestId=r.TestId LEFT JOIN TestRecords m ON "
    "m.TestId=last.TestId AND m.Revision=last.Revision ORDER BY r.TestId, r.$ROWID";

QString clockText(double seconds)
{
    const auto s = static_cast<long long>(std::floor(seconds));
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600)
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

const QString kUnknown = QStringLiteral("unknown");

QString startText(const std::optional<double> &utc)
{
    if (!utc)
        return kUnknown;
    // The C library's local time: ten thousand of them fill the list in a few milliseconds.
    const auto t = static_cast<std::time_t>(std::floor(*utc));
    std::tm local{};
    if (!::localtime_r(&t, &local))
        return kUnknown;
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min);
    return QString::fromLatin1(text);
}
} // namespace

DbRead<std::vector<CatalogEntry>> readCatalog(Database &db)
{
    std::vector<CatalogEntry> out;
    QSet<QString> recorded;
    DbResult read = db.readTogether([&]() {
        if (auto failed = readAll(db, "The saved tests", kCatalogSql, {}, [&](const QSqlQuery &q) {
                CatalogEntry e;
                e.testId = q.value(0).toInt();
                e.name = text(q.value(1));
                e.mudId = text(q.value(2));
                e.company = text(q.value(3));
                e.startedAt = number(q.value(4));
                e.endedAt = number(q.value(5));
                e.points = q.value(6).toLongLong();
                e.instrument = text(q.value(7));
                e.operatorName = text(q.value(8));
                out.push_back(std::move(e));
            }))
            return DbResult::failure(*failed);
        if (auto failed = readAll(db, "The recordings in progress",
                                  "SELECT DISTINCT TestName FROM Recordings", {},
                                  [&](const QSqlQuery &q) { recorded.insert(text(q.value(0))); }))
            return DbResult::failure(*failed);
        return DbResult::success();
    });
    if (!read)
        return DbRead<std::vector<CatalogEntry>>::failure(read.error);
    // Only the few with a mark are asked whether their recording is alive.
    const Recordings recordings(db);
    for (CatalogEntry &e : out)
        if (recorded.contains(e.name)) {
            const auto live = recordings.isRecorded(e.name);
            if (!live)
                return DbRead<std::vector<CatalogEntry>>::failure(live);
            e.live = *live;
        }
    // Searched at every keystroke: made once.
    for (CatalogEntry &e : out) {
        e.startText = startText(e.startedAt);
        QStringList texts;
        for (int c = 0; c < kCatalogColumns; ++c)
            if (!e.live || static_cast<CatalogColumn>(c) != CatalogColumn::Duration)
                texts << catalogText(e, static_cast<CatalogColumn>(c), 0);
        e.searchText = texts.join(QLatin1Char('\n'));
    }
    return out;
}

std::optional<double> catalogDuration(const CatalogEntry &e, double now)
{
    if (!e.startedAt)
        return std::nullopt;
    if (e.live)
        return std::max(0.0, now - *e.startedAt);
    if (!e.endedAt)
        return std::nullopt;
    return std::max(0.0, *e.endedAt - *e.startedAt);
}

QString catalogText(const CatalogEntry &e, CatalogColumn c, double now)
{
    auto orUnknown = [](const QString &s) { return s.isEmpty() ? kUnknown : s; };
    switch (c) {
    case CatalogColumn::Name:
        return e.name;
    case CatalogColumn::Start:
        return e.startText.isEmpty() ? startText(e.startedAt) : e.startText;
    case CatalogColumn::Duration: {
        const auto d = catalogDuration(e, now);
        if (!d)
            return e.live ? QStringLiteral("live") : kUnknown;
        return (e.live ? QStringLiteral("live ") : QString()) + clockText(*d);
    }
    case CatalogColumn::Points:
        return QString::number(e.points);
    case CatalogColumn::MudId:
        return e.mudId;
    case CatalogColumn::Company:
        return e.company;
    case CatalogColumn::Instrument:
        return orUnknown(e.instrument);
    case CatalogColumn::Operator:
        return orUnknown(e.operatorName);
    }
    return {};
}

bool matches(const CatalogEntry &e, const CatalogFilter &f, double now)
{
    if (f.liveOnly && !e.live)
        return false;
    if ((f.since || f.until) && !e.startedAt)
        return false;
    if (f.since && *e.startedAt < *f.since)
        return false;
    if (f.until && *e.startedAt >= *f.until)
        return false;
    if (!f.instrument.isEmpty() && !e.instrument.contains(f.instrument, Qt::CaseInsensitive))
        return false;
    if (f.match.isEmpty())
        return true;
    if (!e.searchText.isEmpty())
        return e.searchText.contains(f.match, Qt::CaseInsensitive) ||
               (e.live && catalogText(e, CatalogColumn::Duration, now)
                              .contains(f.match, Qt::CaseInsensitive));
    for (int c = 0; c < kCatalogColumns; ++c)
        if (catalogText(e, static_cast<CatalogColumn>(c), now)
                .contains(f.match, Qt::CaseInsensitive))
            return true;
    return false;
}

std::vector<CatalogEntry> filtered(const std::vector<CatalogEntry> &all, const CatalogFilter &f,
                                   double now)
{
    std::vector<CatalogEntry> out;
    std::copy_if(all.begin(), all.end(), std::back_inserter(out),
                 [&](const CatalogEntry &e) { return matches(e, f, now); });
    return out;
}

std::optional<double> filterDate(const QString &typed, bool endOfDay)
{
    const QString t = typed.trimmed();
    QDateTime at = QDateTime::fromString(t, QStringLiteral("yyyy-MM-dd HH:mm"));
    if (!at.isValid()) {
        const QDate day = QDate::fromString(t, QStringLiteral("yyyy-MM-dd"));
        if (!day.isValid())
            return std::nullopt;
        at = (endOfDay ? day.addDays(1) : day).startOfDay();
    }
    return static_cast<double>(at.toMSecsSinceEpoch()) / 1e3;
}

Result<QString> renameTest(Database &db, const QString &oldName, const QString &typed, double now)
{
    const NewName kept = newName(typed, NameOf::Test);
    if (kept.failure)
        return *kept.failure;
    std::optional<Failure> refused;
    const DbResult r = db.transaction([&]() {
        TestRepository repo(db);
        const auto id = repo.testId(oldName);
        if (!id)
            return DbResult::failure(id.error());
        if (!*id)
            return DbResult::failure(
                QStringLiteral("There is no test \"%1\" in the database.").arg(oldName));
        // The same name in other letters is the same test's new spelling, not a duplicate.
        if (kept.name.compare(oldName, Qt::CaseInsensitive) != 0) {
            const auto taken = repo.exists(kept.name, Qt::CaseInsensitive);
            if (!taken)
                return DbResult::failure(taken.error());
            if (*taken) {
                refused = kDuplicatedTestName;
                return DbResult::failure({});
            }
        }
        if (const DbResult live = Recordings(db).refuseWhileRecorded(oldName, "renamed"); !live)
            return live;
        if (const DbResult u = execute(
                db,
                QStringLiteral("UPDATE RelatedInfo SET TestName=? WHERE $ROWID=(SELECT $ROWID FROM "
                               "RelatedInfo WHERE ") +
                    QString::fromStdString(schema::firstOfName("TestName", "TestId")) +
                    QLatin1Char(')'),
                {kept.name, oldName});
            !u)
            return u;
        // What was known stays known under the new name; the rename itself is on record.
        const auto before = TestRecords(db).latest(kept.name);
        if (!before)
            return DbResult::failure(before.error());
        TestRecord record = before->value_or(TestRecord{});
        record.kind = QStringLiteral("renamed");
        record.note = QStringLiteral("renamed from \"%1\" by %2 with version %3")
                          .arg(oldName, operatorName(), QLatin1String(versionText()));
        return TestRecords(db).append(kept.name, record, now);
    });
    if (refused)
        return *refused;
    if (!r)
        return r.failure();
    return kept.name;
}

DbResult deleteTests(Database &db, const QStringList &names)
{
    return db.transaction([&]() {
        TestRepository repo(db);
        for (const QString &name : names)
            if (const DbResult r = repo.deleteTest(name); !r)
                return r;
        return DbResult::success();
    });
}

} // namespace viscora
