#include "review/RetrievedTest.h"

#include "core/Module1.h"
#include "core/Prompter.h"
#include "core/Units.h"

namespace viscora {

void keepRetrieval(Module1 &m, const Retrieval &retrieval)
{
    if (retrieval.headerAsked) {
        m.CustomRb = retrieval.customFactor.has_value();
        if (retrieval.customFactor)
            m.CustomRbFactor = *retrieval.customFactor;
    }
    if (!retrieval.records)
        return;
    m.RetrievedRecords = *retrieval.records;
    m.RetrievedCount = static_cast<int>(retrieval.records->size());
}

std::vector<StoredPoint> retrievedPoints(const Module1 &m)
{
    std::vector<StoredPoint> points;
    for (int r = 0; r < m.RetrievedCount && r < static_cast<int>(m.RetrievedRecords.size()); ++r) {
        const auto &f = m.RetrievedRecords[static_cast<size_t>(r)];
        StoredPoint p;
        p.stepNo = static_cast<int>(f[0]);
        p.time = f[1];
        p.temperature = f[2];
        p.speed = formula::storedSpeed(f[5]);
        p.shearStress = f[3];
        p.gel = f[4];
        p.rbfactor = m.CustomRb ? m.CustomRbFactor : f[6];
        points.push_back(p);
    }
    return points;
}

bool storeRetrievedTest(Module1 &m, TestRepository &repo, Prompter &prompter,
                        const std::function<void()> &nameTest)
{
    const bool savedNoTestShown = m.NoTestShown;
    const std::string savedName = m.CurrentTestName;
    m.NoTestShown = true;
    m.CurrentTestName.clear();
    m.RelatedOk = false;
    nameTest();
    auto restore = [&] {
        m.NoTestShown = savedNoTestShown;
        m.CurrentTestName = savedName;
    };
    if (!m.RelatedOk || m.CurrentTestName.empty()) {
        restore();
        return false;
    }
    const DbResult r = repo.insertPoints(m.NewTestId, retrievedPoints(m));
    if (!r) {
        // Without its points the new header would be a test that was never retrieved, and its
        // name taken for the next retrieval: when it stays, the operator is told.
        const std::string name = m.CurrentTestName;
        const DbResult removed = repo.deleteTest(QString::fromStdString(name));
        restore();
        std::string text = "The retrieved test could not be saved: " + r.error.toStdString();
        if (!removed)
            text += ". The test \"" + name + "\" it left without points could not be deleted: " +
                    removed.error.toStdString();
        prompter.message(text, kDatabaseErrorTitle);
        return false;
    }
    if (m.RetrievedCount > 0)
        m.RbIndex = static_cast<std::int16_t>(
            m.RetrievedRecords[static_cast<size_t>(m.RetrievedCount - 1)][6]);
    return true;
}

} // namespace viscora
