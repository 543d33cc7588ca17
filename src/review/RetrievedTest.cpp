#include "review/RetrievedTest.h"

#include "core/Module1.h"
#include "core/Prompter.h"
#include "core/Units.h"

namespace viscora {

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
        // Without its points the new header would be a test that was never retrieved.
        repo.deleteTest(QString::fromStdString(m.CurrentTestName));
        restore();
        prompter.message("The retrieved test could not be saved: " + r.error.toStdString(),
                         "Database Error");
        return false;
    }
    if (m.RetrievedCount > 0)
        m.RbIndex = static_cast<std::int16_t>(
            m.RetrievedRecords[static_cast<size_t>(m.RetrievedCount - 1)][6]);
    return true;
}

} // namespace viscora
