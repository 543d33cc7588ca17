#pragma once
// Storing a retrieved result as a new test: named through the related-information dialog
// in new-test mode, its points written in one transaction.

#include "store/TestRepository.h"

#include <functional>

namespace viscora {

struct Module1;
class Prompter;

// The TestResult rows of the retrieved records: speed 0 stored as 0.000001, and the custom
// factor (in thousandths) as Rbfactor when the header marked one.
std::vector<StoredPoint> retrievedPoints(const Module1 &m);

// Runs nameTest (which must create the header and set RelatedOk, NewTestId and
// CurrentTestName), then stores the points under NewTestId. False when cancelled or when
// storing failed; the main window's state is then as it was and no test is left behind.
bool storeRetrievedTest(Module1 &m, TestRepository &repo, Prompter &prompter,
                        const std::function<void()> &nameTest);

} // namespace viscora
