// Finding tests by what is known of them, and renaming one.

#include "cli/CliContext.h"
#include "store/TestCatalog.h"
#include "store/TestRecords.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace viscora::cli {

namespace {
std::optional<double> dateOption(const Args &a, const char *name, bool endOfDay)
{
    if (!a.has(name))
        return std::nullopt;
    const auto at = filterDate(QString::fromStdString(a.option(name)), endOfDay);
    if (!at)
        throw Usage{std::string(name) + " " + a.option(name) +
                    ": not a date as YYYY-MM-DD or \"YYYY-MM-DD HH:MM\""};
    return at;
}

QJsonValue orNull(const std::optional<double> &v) { return v ? QJsonValue(*v) : QJsonValue(); }
} // namespace

void checkFind(const Context &, const Args &a)
{
    (void)dateOption(a, "--since", false);
    (void)dateOption(a, "--until", true);
}

int cmdFind(Context &c, const Args &a)
{
    CatalogFilter filter;
    filter.match = QString::fromStdString(a.option("--match"));
    filter.since = dateOption(a, "--since", false);
    filter.until = dateOption(a, "--until", true);
    filter.instrument = QString::fromStdString(a.option("--instrument"));
    filter.liveOnly = a.has("--live");
    const auto all = readCatalog(*c.db);
    if (!all)
        return c.failed(all.error());
    const double now = utcNow();
    const std::vector<CatalogEntry> found = filtered(*all, filter, now);
    if (a.has("--json")) {
        QJsonArray tests;
        for (const CatalogEntry &e : found) {
            const auto duration = catalogDuration(e, now);
            tests.append(QJsonObject{
                {"id", e.testId},
                {"name", e.name},
                {"start", e.startedAt ? QJsonValue(catalogText(e, CatalogColumn::Start, now))
                                      : QJsonValue()},
                {"startUtc", orNull(e.startedAt)},
                {"endUtc", orNull(e.endedAt)},
                {"durationSeconds", orNull(duration)},
                {"points", static_cast<double>(e.points)},
                {"mudId", e.mudId},
                {"company", e.company},
                {"instrument", e.instrument.isEmpty() ? QJsonValue() : QJsonValue(e.instrument)},
                {"operator", e.operatorName.isEmpty() ? QJsonValue() : QJsonValue(e.operatorName)},
                {"live", e.live}});
        }
        c.out << QJsonDocument(tests).toJson(QJsonDocument::Indented).toStdString();
        return 0;
    }
    for (int col = 0; col < kCatalogColumns; ++col)
        c.out << (col ? "\t" : "") << catalogHeadings()[static_cast<std::size_t>(col)];
    c.out << '\n';
    for (const CatalogEntry &e : found) {
        for (int col = 0; col < kCatalogColumns; ++col)
            c.out << (col ? "\t" : "")
                  << oneLine(catalogText(e, static_cast<CatalogColumn>(col), now));
        c.out << '\n';
    }
    return 0;
}

int cmdRename(Context &c, const Args &a)
{
    const QString from = QString::fromStdString(a.positional[0]);
    const auto renamed = renameTest(*c.db, from, QString::fromStdString(a.positional[1]), utcNow());
    if (!renamed)
        return c.failed(renamed.failure());
    return 0;
}

} // namespace viscora::cli
