#include "store/Database.h"

#include "core/Prompter.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <atomic>

namespace viscora {

const char *Database::kFileName = "k7400r.mdb";

namespace {

QString nextConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("viscora-%1").arg(++counter);
}

QString errorText(const QSqlError &e)
{
    QString t = e.databaseText().trimmed();
    if (t.isEmpty())
        t = e.text().trimmed();
    return t;
}

struct TableDef {
    const char *name;
    const char *create;
};

// Column order is the contract with every reader and writer; "Desc" is a keyword.
constexpr TableDef kTables[] = {
    {"RelatedInfo", "CREATE TABLE RelatedInfo (TestId INTEGER, TestName TEXT, MudId TEXT, "
                    "SampleTime TEXT, CompanyName TEXT, \"Desc\" TEXT)"},
    {"TestResult", "CREATE TABLE TestResult (TestId INTEGER, StepNo INTEGER, Time REAL, "
                   "Temperature REAL, Speed REAL, Shearstress REAL, Gel REAL, Rbfactor REAL)"},
    {"SequenceName",
     "CREATE TABLE SequenceName (SequenceId INTEGER, SequenceName TEXT, Rbfactor INTEGER)"},
    {"SequenceSetup", "CREATE TABLE SequenceSetup (SequenceId INTEGER, StepNo INTEGER, "
                      "Time REAL, Temperature REAL, Speed REAL, RecordRate INTEGER)"},
};

constexpr const char *kIndexes[] = {
    "CREATE INDEX IF NOT EXISTS TestResultByTest ON TestResult (TestId, StepNo, Time)",
    "CREATE INDEX IF NOT EXISTS RelatedInfoByName ON RelatedInfo (TestName)",
    "CREATE INDEX IF NOT EXISTS SequenceSetupBySequence ON SequenceSetup (SequenceId, StepNo)",
};

} // namespace

Database::Database(QSqlDatabase db, QString path)
    : db_(std::move(db)), path_(std::move(path)), connection_(db_.connectionName())
{}

Database::~Database()
{
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(connection_);
}

Database::Opened Database::open(const QString &path, OpenMode mode, int busyMs)
{
    Opened result;
    const QFileInfo info(path);
    if (!info.exists() && mode == OpenMode::MustExist) {
        result.error = OpenError::NotFound;
        result.message = QStringLiteral("Could not find file '%1'.").arg(path);
        return result;
    }
    if (info.exists() && !info.isFile()) {
        result.error = OpenError::Other;
        result.message = QStringLiteral("'%1' is not a file.").arg(path);
        return result;
    }
    const QString name = nextConnectionName();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyMs));
        if (!db.open()) {
            result.error = OpenError::Other;
            result.message = errorText(db.lastError());
        } else {
            std::unique_ptr<Database> opened(new Database(db, path));
            const DbResult schema = opened->ensureSchema();
            if (schema) {
                result.db = std::move(opened);
                return result;
            }
            result.error = OpenError::Other;
            result.message = schema.error;
            opened.reset();
            return result;
        }
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}

DbResult Database::ensureSchema()
{
    QSqlQuery q(db_);
    // Reading the schema is what tells a foreign or damaged file from a database.
    if (!q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'")))
        return DbResult::failure(errorText(q.lastError()));
    QStringList existing;
    while (q.next())
        existing << q.value(0).toString().toLower();
    q.finish();
    for (const auto &t : kTables) {
        if (existing.contains(QString::fromLatin1(t.name).toLower()))
            continue;
        if (!q.exec(QString::fromLatin1(t.create)))
            return DbResult::failure(errorText(q.lastError()));
    }
    // Indexes only speed reading; a read-only file without them still works.
    for (const char *ix : kIndexes)
        q.exec(QString::fromLatin1(ix));
    return DbResult::success();
}

DbResult Database::transaction(const std::function<DbResult()> &work)
{
    if (!db_.transaction())
        return DbResult::failure(errorText(db_.lastError()));
    DbResult r = work();
    if (!r) {
        db_.rollback();
        return r;
    }
    if (!db_.commit()) {
        const QString e = errorText(db_.lastError());
        db_.rollback();
        return DbResult::failure(e);
    }
    return r;
}

QString errorOf(const QSqlQuery &query) { return errorText(query.lastError()); }

namespace {
// SQLITE_CORRUPT and SQLITE_NOTADB, as the driver reports them.
bool isDamaged(const QSqlError &e)
{
    const QString code = e.nativeErrorCode();
    return code == QLatin1String("11") || code == QLatin1String("26");
}
} // namespace

const char *const kDatabaseErrorTitle = "Database Error";

QString readFailure(const char *what, const QSqlQuery &query)
{
    const QSqlError e = query.lastError();
    if (isDamaged(e))
        return QStringLiteral("The database file is damaged: ") + errorText(e);
    return QString::fromUtf8(what) + QStringLiteral(" could not be read: ") + errorText(e);
}

std::optional<QString> readRows(QSqlQuery &query, const char *what,
                                const std::function<void(const QSqlQuery &)> &row)
{
    // A failed prepare (an unknown column, say) has already set the error.
    if (query.lastError().isValid() || !query.exec())
        return readFailure(what, query);
    while (query.next())
        row(query);
    if (query.lastError().isValid())
        return readFailure(what, query);
    return std::nullopt;
}

void showDbFailure(Prompter &prompter, const QString &message)
{
    prompter.message(message.toStdString(), kDatabaseErrorTitle);
}

QString findFileCaseInsensitive(const QString &dir, const QString &fileName)
{
    const QDir d(dir);
    const QString exact = d.filePath(fileName);
    if (QFileInfo(exact).isFile())
        return exact;
    const QStringList entries = d.entryList(QDir::Files | QDir::Hidden);
    for (const QString &e : entries)
        if (e.compare(fileName, Qt::CaseInsensitive) == 0)
            return d.filePath(e);
    return {};
}

} // namespace viscora
