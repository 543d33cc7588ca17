#include "store/Database.h"

#include "core/Prompter.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <vector>

#include <sys/vfs.h>

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

// Tables of our own beside the four: what happened during a test (a lost connection, say),
// and which tests are being recorded right now.
constexpr TableDef kOwnTables[] = {
    {"TestEvents", "CREATE TABLE TestEvents (TestId INTEGER, Time REAL, Kind TEXT, Text TEXT)"},
    {"Recordings", "CREATE TABLE Recordings (TestName TEXT, Host TEXT, Pid INTEGER, "
                   "Heartbeat REAL)"},
};

constexpr const char *kIndexes[] = {
    "CREATE INDEX IF NOT EXISTS TestResultByTest ON TestResult (TestId, StepNo, Time)",
    "CREATE INDEX IF NOT EXISTS RelatedInfoByName ON RelatedInfo (TestName)",
    "CREATE INDEX IF NOT EXISTS RelatedInfoById ON RelatedInfo (TestId)",
    "CREATE INDEX IF NOT EXISTS SequenceSetupBySequence ON SequenceSetup (SequenceId, StepNo)",
    "CREATE INDEX IF NOT EXISTS TestEventsByTest ON TestEvents (TestId, Time)",
};

// File systems on which SQLite's write-ahead log cannot be shared: its index lives in shared
// memory, which a network file system does not share between machines.
bool onNetworkFileSystem(const QString &path)
{
    struct statfs fs {};
    if (statfs(QFileInfo(path).absolutePath().toLocal8Bit().constData(), &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x6969UL:     // NFS
    case 0x517BUL:     // SMB
    case 0xFF534D42UL: // CIFS
    case 0xFE534D42UL: // SMB2
    case 0x65735546UL: // FUSE (sshfs and the like)
    case 0x01021997UL: // 9P
    case 0x564C0000UL: // "VL.." vboxsf
    case 0x73757245UL: // Coda
    case 0x5346414FUL: // AFS
        return true;
    default:
        return false;
    }
}

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

bool Database::network() const { return onNetworkFileSystem(path_); }

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
    std::unique_ptr<Database> opened;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyMs));
        if (!db.open()) {
            result.error = OpenError::Other;
            result.message = errorText(db.lastError());
        } else {
            opened.reset(new Database(db, path));
            opened->busyMs_ = busyMs;
        }
    } // the only handle left is the Database's, so closing it removes the connection cleanly
    if (!opened) {
        QSqlDatabase::removeDatabase(name);
        return result;
    }
    const DbResult schema = opened->ensureSchema();
    if (!schema) {
        result.error = OpenError::Other;
        result.message = schema.error;
        return result;
    }
    opened->chooseJournal();
    result.db = std::move(opened);
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
        existing << q.value(0).toString();
    if (q.lastError().isValid())
        return DbResult::failure(errorText(q.lastError()));
    q.finish();
    auto has = [&](const char *table) {
        return existing.contains(QString::fromLatin1(table), Qt::CaseInsensitive);
    };
    // Someone else's database under our name: say so, and change nothing in it.
    const bool ours = std::any_of(std::begin(kTables), std::end(kTables),
                                  [&](const TableDef &t) { return has(t.name); });
    QStringList foreign;
    for (const QString &t : existing)
        if (!t.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive))
            foreign << t;
    if (!ours && !foreign.isEmpty())
        return DbResult::failure(
            QStringLiteral("The file is not a viscometer database: it holds other tables (%1) "
                           "and none of the test tables. It was left unchanged.")
                .arg(foreign.join(QStringLiteral(", "))));
    std::vector<TableDef> wanted(std::begin(kTables), std::end(kTables));
    wanted.insert(wanted.end(), std::begin(kOwnTables), std::end(kOwnTables));
    for (const TableDef &t : wanted) {
        if (has(t.name))
            continue;
        if (!q.exec(QString::fromLatin1(t.create)))
            return DbResult::failure(errorText(q.lastError()));
    }
    // Indexes only speed reading; a read-only file without them still works.
    for (const char *ix : kIndexes)
        q.exec(QString::fromLatin1(ix));
    return DbResult::success();
}

DbRead<QStringList> Database::integrityProblems()
{
    QStringList problems;
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("PRAGMA integrity_check"));
    if (auto e = readRows(q, "The database file", [&](const QSqlQuery &r) {
            const QString line = r.value(0).toString();
            if (line != QLatin1String("ok"))
                problems << line;
        }))
        return DbRead<QStringList>::failure(*e);
    return problems;
}

void Database::chooseJournal()
{
    // A local file gets the write-ahead log, so that readers never hold up a recording; a
    // file on a network share keeps the rollback journal, which works across machines.
    QSqlQuery q(db_);
    q.exec(network() ? QStringLiteral("PRAGMA journal_mode=DELETE")
                     : QStringLiteral("PRAGMA journal_mode=WAL"));
    journal_ = q.next() ? q.value(0).toString().toLower() : QString();
}

namespace {
// The SQLite result code of an error, without its extended part.
int primaryCode(const QSqlError &e)
{
    bool ok = false;
    const int code = e.nativeErrorCode().toInt(&ok);
    return ok ? code & 0xFF : -1;
}
// SQLITE_CORRUPT and SQLITE_NOTADB: the file itself is broken.
bool isDamaged(const QSqlError &e)
{
    const int code = primaryCode(e);
    return code == 11 || code == 26;
}
// SQLITE_BUSY and SQLITE_LOCKED: another connection holds the file for now.
bool isBusy(const QSqlError &e)
{
    const int code = primaryCode(e);
    return code == 5 || code == 6;
}

DbResult failureOf(const QSqlError &e)
{
    DbResult r = DbResult::failure(errorText(e));
    r.busy = isBusy(e);
    return r;
}
} // namespace

DbResult Database::exec(const char *statement)
{
    QSqlQuery q(db_);
    return q.exec(QString::fromLatin1(statement)) ? DbResult::success() : failureOf(q.lastError());
}

DbResult Database::transaction(const std::function<DbResult()> &work, int busyMs)
{
    // A transaction inside another one joins it.
    if (depth_ > 0) {
        ++depth_;
        DbResult r = work();
        --depth_;
        return r;
    }
    if (busyMs >= 0)
        setBusyTimeout(busyMs);
    // The write lock is taken first, so that what the work reads stays true until it commits.
    DbResult r = exec("BEGIN IMMEDIATE");
    if (r) {
        ++depth_;
        r = work();
        --depth_;
        if (r)
            r = exec("COMMIT");
        if (!r)
            exec("ROLLBACK");
    }
    if (busyMs >= 0)
        setBusyTimeout(busyMs_);
    return r;
}

void Database::setBusyTimeout(int ms)
{
    QSqlQuery q(db_);
    q.exec(QStringLiteral("PRAGMA busy_timeout=%1").arg(ms));
}

DbResult queryFailure(const QSqlQuery &query) { return failureOf(query.lastError()); }

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
