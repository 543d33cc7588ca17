#include "store/DatabaseLocator.h"

namespace viscora {

namespace {
Failure unexpected(const QString &why)
{
    return {("Unexpected Error: " + why).toStdString(), {}, {}};
}
} // namespace

QString findDatabaseFile(const QString &dir)
{
    return findFileCaseInsensitive(dir, QString::fromLatin1(Database::kFileName));
}

Result<std::unique_ptr<Database>> openStartDatabase(const QString &location)
{
    const bool server = isServerLocation(location);
    auto opened = Database::open(location, server ? Database::OpenMode::CreateIfMissing
                                                  : Database::OpenMode::MustExist);
    if (opened.error == Database::OpenError::Damaged)
        return Failure{opened.message.toStdString(), {}, {}};
    if (!opened.db)
        return unexpected(opened.message);
    return std::move(opened.db);
}

} // namespace viscora
