#pragma once
// The database a run starts with: the one named for it (a file or a server), else k7400r.mdb
// (any letter case) in the current folder. Asking the operator for it, when there is none, is
// the start-up's (app/DatabaseLocator.h).

#include "core/Failure.h"
#include "store/Database.h"

#include <memory>

namespace viscora {

// k7400r.mdb in dir, in any letter case; empty when there is none.
QString findDatabaseFile(const QString &dir);

// Opens the database a run starts with: a server's (its tables made when it has none; a
// password in the location is refused), or a file, which must exist. The failure is
// "Unexpected Error: <why>" under the default title.
Result<std::unique_ptr<Database>> openStartDatabase(const QString &location);

} // namespace viscora
