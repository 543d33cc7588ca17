#pragma once
// Storing a retrieved result as a new test: named through the related-information dialog
// in new-test mode, its points written in one transaction.

#include "device/Exchanges.h"
#include "review/RelatedInfoEditor.h"
#include "store/TestRecords.h"
#include "store/TestRepository.h"

#include <functional>

namespace viscora {

class Prompter;

// The TestResult rows of retrieved records: the header's custom factor (in thousandths), when
// it marked one, as every Rbfactor.
std::vector<StoredPoint> retrievedPoints(const std::vector<RetrievedRecord> &records,
                                         std::optional<double> customFactor);

// What is known of a test retrieved at `now` from the instrument: it ended then at the latest,
// and began its running time (the steps' last times summed) before.
TestRecord retrievedRecord(const std::vector<StoredPoint> &points, const QString &instrument,
                           double now);

// Runs nameTest (the related-information dialog making a new test), then stores the points
// under the new test's id, with the record when one is given. The stored test; nothing when naming
// was cancelled or storing failed (then shown), and then no test is left behind.
std::optional<NamedTest>
storeRetrievedTest(TestRepository &repo, Prompter &prompter, const std::vector<StoredPoint> &points,
                   const std::function<std::optional<NamedTest>()> &nameTest,
                   const std::optional<TestRecord> &record = std::nullopt);

} // namespace viscora
