#pragma once
// Finds the database at start: the one named for the run (a file or a server), else
// k7400r.mdb (any letter case) in the current folder, or the file the operator picks. A
// file's folder becomes the current folder for the whole run.

#include "store/Database.h"

#include <functional>
#include <memory>
#include <string>

namespace viscora {

class DatabaseChoice;
class Prompter;

struct Located {
    enum class Status { Opened, Cancelled, Failed } status = Status::Failed;
    std::unique_ptr<Database> db;
};

// location: the database the run was given (--db, or the server the settings remember);
// empty to look for the file. A named file must exist; a server's database gets its tables.
Located locateDatabase(Prompter &prompter, const QString &location = {});

// The same for the window's start: --db when given, else the server the settings remember,
// else k7400r.mdb in the current folder, else the file the window last opened (remembered in
// the settings at each start without --db), else the dialog. A
// remembered setting that cannot be used is shown, and nothing is opened in its place: a
// remembered server that cannot be opened offers Retry, Choose (chooseDatabase, the Database
// dialog, after which the choice is read again) and Quit.
Located locateDatabase(Prompter &prompter, const DatabaseChoice &choice, const QString &option,
                       const std::function<void()> &chooseDatabase = {});

// The question before a new database file is made where the operator named one.
std::string newDatabaseQuestion(const QString &path);

// The dialog's acceptance rule: the path, upper-cased, ends with "K7400R.MDB".
bool hasDatabaseFileName(const QString &path);

} // namespace viscora
