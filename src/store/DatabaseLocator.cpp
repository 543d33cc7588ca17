#include "store/DatabaseLocator.h"

#include "core/Prompter.h"

#include <QDir>
#include <QFileInfo>

namespace viscora {

bool hasDatabaseFileName(const QString &path)
{
    return path.toUpper().endsWith(QStringLiteral("K7400R.MDB"));
}

namespace {

Located openOrReport(Prompter &prompter, const QString &path,
                     Database::OpenMode mode = Database::OpenMode::MustExist)
{
    Located result;
    auto opened = Database::open(path, mode);
    if (opened.db) {
        result.status = Located::Status::Opened;
        result.db = std::move(opened.db);
        return result;
    }
    prompter.message(("Unexpected Error: " + opened.message).toStdString());
    result.status = Located::Status::Failed;
    return result;
}

} // namespace

Located locateDatabase(Prompter &prompter, const QString &location)
{
    if (isServerLocation(location)) {
        const QString problem = serverLocationProblem(location);
        if (!problem.isEmpty()) {
            prompter.message(("Unexpected Error: " + problem).toStdString());
            return {Located::Status::Failed, nullptr};
        }
        return openOrReport(prompter, location, Database::OpenMode::CreateIfMissing);
    }
    if (!location.isEmpty()) {
        const QFileInfo info(location);
        if (info.exists())
            QDir::setCurrent(info.absolutePath());
        return openOrReport(prompter, info.absoluteFilePath());
    }
    const QString cwd = QDir::currentPath();
    const QString found = findFileCaseInsensitive(cwd, QString::fromLatin1(Database::kFileName));
    if (!found.isEmpty())
        return openOrReport(prompter, found);

    FileDialogRequest request;
    request.title = "Unable to find the k7400r.mdb file location";
    request.filter = "(*.mdb)|*.mdb";
    request.initialDir = cwd.toStdString();
    request.proposedName = "K7400r.mdb";
    request.fileMustExist = true;
    request.pathMustExist = true;
    // A file of another name cannot be the database; the dialog is shown again for it.
    for (;;) {
        const QString chosen = QString::fromStdString(prompter.openFile(request));
        if (chosen.isEmpty())
            return {Located::Status::Cancelled, nullptr};
        if (!hasDatabaseFileName(chosen))
            continue;
        const QFileInfo info(chosen);
        QDir::setCurrent(info.absolutePath());
        return openOrReport(prompter, info.absoluteFilePath());
    }
}

} // namespace viscora
