#pragma once
// Finds the database at start: k7400r.mdb (any letter case) in the current folder, or the
// file the operator picks. The chosen folder becomes the current folder for the whole run.

#include "store/Database.h"

#include <memory>

namespace viscora {

class Prompter;

struct Located {
    enum class Status { Opened, Cancelled, Failed } status = Status::Failed;
    std::unique_ptr<Database> db;
};

Located locateDatabase(Prompter &prompter);

// The dialog's acceptance rule: the path, upper-cased, ends with "K7400R.MDB".
bool hasDatabaseFileName(const QString &path);

} // namespace viscora
