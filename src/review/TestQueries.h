#pragma once
// The two query routines of the main window: the opened test (which also picks the
// rotor-bob factors from its first point) and the overlaid test.

#include "store/TestRepository.h"

namespace viscora {

struct Module1;

DbRead<std::vector<QueryRow>> dosql(Module1 &m, const TestRepository &repo, const QString &name);
DbRead<std::vector<QueryRow>> dosqloverlap(Module1 &m, const TestRepository &repo,
                                           const QString &name);

} // namespace viscora
