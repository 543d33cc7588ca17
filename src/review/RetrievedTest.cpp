#include "review/RetrievedTest.h"

#include "core/Prompter.h"
#include "core/Units.h"
#include "core/Version.h"

#include <map>

namespace viscora {

std::vector<StoredPoint> retrievedPoints(const std::vector<RetrievedRecord> &records,
                                         std::optional<double> customFactor)
{
    std::vector<StoredPoint> points;
    for (const RetrievedRecord &f : records)
        points.push_back(storedPoint(f, f[5], 1.0, customFactor));
    return points;
}

TestRecord retrievedRecord(const std::vector<StoredPoint> &points, const QString &instrument,
                           double now)
{
    std::map<int, double> stepEnds;
    for (const StoredPoint &p : points)
        stepEnds[p.stepNo] = std::max(stepEnds[p.stepNo], p.time);
    double running = 0;
    for (const auto &[step, end] : stepEnds)
        running += end;
    TestRecord r;
    r.kind = QStringLiteral("retrieved");
    r.startedAt = now - running;
    r.endedAt = now;
    r.points = static_cast<long long>(points.size());
    r.instrument = instrument;
    r.operatorName = operatorName();
    r.programVersion = QLatin1String(versionText());
    r.note = QStringLiteral("retrieved from the instrument: it ended by then");
    return r;
}

std::optional<NamedTest>
storeRetrievedTest(TestRepository &repo, Prompter &prompter, const std::vector<StoredPoint> &points,
                   const std::function<std::optional<NamedTest>()> &nameTest,
                   const std::optional<TestRecord> &record)
{
    const std::optional<NamedTest> named = nameTest();
    if (!named || named->name.isEmpty())
        return std::nullopt;
    const DbResult r = repo.database().transaction([&]() {
        if (const DbResult stored = repo.insertPoints(named->id, points); !stored || !record)
            return stored;
        return TestRecords(repo.database())
            .append(named->name, *record, record->endedAt.value_or(0));
    });
    if (!r) {
        // Without its points the new header would be a test that was never retrieved, and its
        // name taken for the next retrieval: when it stays, the operator is told.
        const DbResult removed = repo.deleteTest(named->name);
        std::string text = "The retrieved test could not be saved: " + r.error.toStdString();
        if (!removed)
            text +=
                ". The test \"" + named->name.toStdString() +
                "\" it left without points could not be deleted: " + removed.error.toStdString();
        prompter.message(text, kDatabaseErrorTitle);
        return std::nullopt;
    }
    return named;
}

} // namespace viscora
