#pragma once
// Storing a retrieved result as a new test: named through the related-information dialog
// in new-test mode, its points written in one transaction.

#include "device/Exchanges.h"
#include "store/TestRepository.h"

#include <functional>

namespace viscora {

struct Module1;
class Prompter;

// Keeps what a retrieval read where the main window and the naming read it: the header's
// rotor-bob in CustomRb (and CustomRbFactor) once it was asked for, the records in
// RetrievedRecords / RetrievedCount when there are any.
void keepRetrieval(Module1 &m, const Retrieval &retrieval);

// The TestResult rows of the retrieved records: speed 0 stored as 0.000001, and the custom
// factor (in thousandths) as Rbfactor when the header marked one.
std::vector<StoredPoint> retrievedPoints(const Module1 &m);

// Runs nameTest (which must create the header and set RelatedOk, NewTestId and
// CurrentTestName), then stores the points under NewTestId. False when cancelled or when
// storing failed; the main window's state is then as it was and no test is left behind.
bool storeRetrievedTest(Module1 &m, TestRepository &repo, Prompter &prompter,
                        const std::function<void()> &nameTest);

} // namespace viscora
