#include "review/RetrievedTest.h"

#include "core/Prompter.h"
#include "core/Units.h"

namespace viscora {

std::vector<StoredPoint> retrievedPoints(const std::vector<RetrievedRecord> &records,
                                         std::optional<double> customFactor)
{
    std::vector<StoredPoint> points;
    for (const RetrievedRecord &f : records)
        points.push_back(storedPoint(f, f[5], 1.0, customFactor));
    return points;
}

std::optional<NamedTest>
storeRetrievedTest(TestRepository &repo, Prompter &prompter, const std::vector<StoredPoint> &points,
                   const std::function<std::optional<NamedTest>()> &nameTest)
{
    const std::optional<NamedTest> named = nameTest();
    if (!named || named->name.isEmpty())
        return std::nullopt;
    const DbResult r = repo.insertPoints(named->id, points);
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
