#include "app/DatabaseLocator.h"

#include "core/Failure.h"
#include "core/Prompter.h"
#include "dbsetup/DatabaseChoice.h"
#include "store/DatabaseLocator.h"

#include <QDir>
#include <QFileInfo>

namespace viscora {

bool hasDatabaseFileName(const QString &path)
{
    return path.toUpper().endsWith(QStringLiteral("K7400R.MDB"));
}

namespace {

Located openOrReport(Prompter &prompter, const QString &location)
{
    auto opened = openStartDatabase(location);
    if (!opened) {
        show(prompter, opened.failure());
        return {Located::Status::Failed, nullptr};
    }
    return {Located::Status::Opened, std::move(*opened)};
}

// The file a run uses when none is named: k7400r.mdb in the current folder, else the one
// remembered, else the one the operator picks or makes. Its folder becomes the current one.
Located locateFile(Prompter &prompter, const QString &remembered)
{
    const QString cwd = QDir::currentPath();
    const QString found = findDatabaseFile(cwd);
    if (!found.isEmpty())
        return openOrReport(prompter, found);
    if (!remembered.isEmpty() && QFileInfo(remembered).isFile()) {
        auto opened = openStartDatabase(remembered);
        if (opened) {
            QDir::setCurrent(QFileInfo(remembered).absolutePath());
            return {Located::Status::Opened, std::move(*opened)};
        }
        // Said, and the dialog offered: a remembered file gone bad must not lock the user out.
        show(prompter, opened.failure());
    }

    FileDialogRequest request;
    request.title = "Unable to find the k7400r.mdb file location";
    request.filter = "(*.mdb)|*.mdb";
    request.initialDir = cwd.toStdString();
    request.proposedName = "K7400r.mdb";
    // A name that is not there yet makes a new database, once the operator confirms it.
    request.fileMustExist = false;
    request.pathMustExist = true;
    // A file of another name cannot be the database; the dialog is shown again for it.
    for (;;) {
        const QString chosen = QString::fromStdString(prompter.openFile(request));
        if (chosen.isEmpty())
            return {Located::Status::Cancelled, nullptr};
        if (!hasDatabaseFileName(chosen))
            continue;
        const QFileInfo info(chosen);
        if (!info.exists()) {
            if (prompter.message(newDatabaseQuestion(info.absoluteFilePath()), "New Database",
                                 Buttons::YesNo, Icon::Question) != Answer::Yes)
                continue;
            auto made =
                Database::open(info.absoluteFilePath(), Database::OpenMode::CreateIfMissing);
            if (!made.db) {
                prompter.message("The database could not be made: " + made.message.toStdString(),
                                 kDatabaseErrorTitle);
                continue;
            }
            QDir::setCurrent(info.absolutePath());
            return {Located::Status::Opened, std::move(made.db)};
        }
        QDir::setCurrent(info.absolutePath());
        return openOrReport(prompter, info.absoluteFilePath());
    }
}

} // namespace

std::string newDatabaseQuestion(const QString &path)
{
    return "There is no database file " + path.toStdString() +
           ". Make a new, empty database there?";
}

Located locateDatabase(Prompter &prompter, const QString &location)
{
    // Refused as given: a blank location is no file in the current folder.
    if (isServerLocation(location) || (!location.isEmpty() && !locationProblem(location).isEmpty()))
        return openOrReport(prompter, location);
    if (!location.isEmpty()) {
        const QFileInfo info(location);
        if (info.exists())
            QDir::setCurrent(info.absolutePath());
        return openOrReport(prompter, info.absoluteFilePath());
    }
    return locateFile(prompter, {});
}

Located locateDatabase(Prompter &prompter, const DatabaseChoice &choice, const QString &option,
                       const std::function<void()> &chooseDatabase)
{
    for (;;) {
        const auto location = choice.startLocation(option);
        if (!location) {
            show(prompter, location.failure());
            return {Located::Status::Failed, nullptr};
        }
        if (!option.isEmpty())
            return locateDatabase(prompter, *location);
        if (location->isEmpty()) {
            // The file this user last worked in is opened again, unless the current folder
            // has its own; a run given --db leaves it as it was.
            Located located = locateFile(prompter, choice.lastFile());
            if (located.db && located.db->backend() == Backend::SQLite)
                choice.rememberFile(QFileInfo(located.db->path()).absoluteFilePath());
            return located;
        }
        // A remembered server that is down must not lock the user out, nor be replaced by a
        // file unasked.
        auto opened = openStartDatabase(*location);
        if (opened)
            return {Located::Status::Opened, std::move(*opened)};
        const Answer answer = prompter.message(
            QStringLiteral("%1\n\nIt is the database remembered in %2. Retry, choose another "
                           "database, or quit.")
                .arg(QString::fromStdString(opened.failure().text), choice.file())
                .toStdString(),
            kDatabaseErrorTitle, Buttons::RetryChooseQuit, Icon::Critical);
        if (answer == Answer::Choose && chooseDatabase)
            chooseDatabase();
        else if (answer != Answer::Retry)
            return {Located::Status::Cancelled, nullptr};
    }
}

} // namespace viscora
