#include "store/Database.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <mutex>
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
    // The server's lock timeout is what SQLite says of a file held by another writer; the
    // operator is told the same words whichever backend holds the tests.
    if (e.nativeErrorCode() == QLatin1String("55P03"))
        return QStringLiteral("database is locked");
    QString t = e.databaseText().trimmed();
    if (t.isEmpty())
        t = e.text().trimmed();
    // The server's message is its first line; its severity, context lines and state code
    // are for its log, not for the one line the operator reads.
    t = t.section(QLatin1Char('\n'), 0, 0).trimmed();
    static const QRegularExpression severity(QStringLiteral("^(ERROR|FATAL|PANIC):\\s+"));
    t.remove(severity);
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
    {"TestResult", "CREATE TABLE TestResult (TestId INTEGER, StepNo INTEGER, Time $REAL, "
                   "Temperature $REAL, Speed $REAL, Shearstress $REAL, Gel $REAL, Rbfactor "
                   "$REAL)"},
    {"SequenceName",
     "CREATE TABLE SequenceName (SequenceId INTEGER, SequenceName TEXT, Rbfactor INTEGER)"},
    {"SequenceSetup", "CREATE TABLE SequenceSetup (SequenceId INTEGER, StepNo INTEGER, "
                      "Time $REAL, Temperature $REAL, Speed $REAL, RecordRate INTEGER)"},
};

// Tables of our own beside the four: what happened during a test (a lost connection, say),
// and which tests are being recorded right now.
constexpr TableDef kOwnTables[] = {
    {"TestEvents", "CREATE TABLE TestEvents (TestId INTEGER, Time $REAL, Kind TEXT, Text TEXT)"},
    {"Recordings", "CREATE TABLE Recordings (TestName TEXT, Host TEXT, Pid INTEGER, "
                   "Heartbeat $REAL)"},
};

// The column names a CREATE TABLE text declares, in order.
QStringList declaredColumns(const char *create)
{
    const QString text = QString::fromLatin1(create);
    const qsizetype open = text.indexOf(QLatin1Char('(')),
                    close = text.lastIndexOf(QLatin1Char(')'));
    QStringList names;
    for (const QString &column : text.mid(open + 1, close - open - 1).split(QLatin1Char(',')))
        names << column.trimmed().section(QLatin1Char(' '), 0, 0).remove(QLatin1Char('"'));
    return names;
}

struct IndexDef {
    const char *name;
    const char *create;
};
constexpr IndexDef kIndexes[] = {
    {"TestResultByTest", "CREATE INDEX TestResultByTest ON TestResult (TestId, StepNo, Time)"},
    {"RelatedInfoByName", "CREATE INDEX RelatedInfoByName ON RelatedInfo (TestName)"},
    {"RelatedInfoById", "CREATE INDEX RelatedInfoById ON RelatedInfo (TestId)"},
    {"SequenceSetupBySequence",
     "CREATE INDEX SequenceSetupBySequence ON SequenceSetup (SequenceId, StepNo)"},
    {"TestEventsByTest", "CREATE INDEX TestEventsByTest ON TestEvents (TestId, Time)"},
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

// A failure read by both backends' rules: their codes never look alike (SQLite's are numbers,
// the server's five-character states).
const Dialect &sqliteRules()
{
    static const auto d = Dialect::make(Backend::SQLite);
    return *d;
}
const Dialect &serverRules()
{
    static const auto d = Dialect::make(Backend::PostgreSQL);
    return *d;
}
bool isDamaged(const QSqlError &e) { return sqliteRules().damaged(e) || serverRules().damaged(e); }
bool isBusy(const QSqlError &e) { return sqliteRules().busy(e) || serverRules().busy(e); }

DbResult failureOf(const QSqlError &e)
{
    // SQLite's "attempt to write a readonly database" does not say it is the file.
    const bool readOnlyFile = sqliteRules().readOnly(e);
    DbResult r = DbResult::failure(
        readOnlyFile ? QStringLiteral("the database file cannot be written: it is read-only")
                     : errorText(e));
    r.busy = isBusy(e);
    r.readOnly = readOnlyFile || serverRules().readOnly(e);
    // A file that is no database at all is someone else's, not a damaged one of ours.
    r.damaged = isDamaged(e) && !sqliteRules().foreign(e);
    return r;
}

// The server driver frees a failed transaction's statements after the server has stopped
// taking commands in it, and says so on stderr. Nothing is lost: the statement stays prepared
// on the connection until it closes, one per failed write, which is rare.
QtMessageHandler previousHandler = nullptr;
void quietServerDriver(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtWarningMsg && text.startsWith(QLatin1String("Unable to free statement: ")) &&
        text.contains(QLatin1String("current transaction is aborted")))
        return;
    if (previousHandler)
        previousHandler(type, context, text);
}
void quietenServerDriverOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { previousHandler = qInstallMessageHandler(quietServerDriver); });
}

// The server's code of a connection that could not be made, which counts as busy.
const QString kConnectionFailure = QStringLiteral("08006");
const QString kUnreachable = QStringLiteral("-unreachable");

// Stands in for a connection that could not be opened again: every statement fails at once
// with the reason the connection could not be made.
class UnreachableResult final : public QSqlResult {
public:
    UnreachableResult(const QSqlDriver *driver, QSqlError why)
        : QSqlResult(driver), why_(std::move(why))
    {}

protected:
    QVariant data(int) override { return {}; }
    bool isNull(int) override { return true; }
    bool reset(const QString &) override { return fail(); }
    bool prepare(const QString &) override { return fail(); }
    bool exec() override { return fail(); }
    bool fetch(int) override { return false; }
    bool fetchFirst() override { return false; }
    bool fetchLast() override { return false; }
    int size() override { return -1; }
    int numRowsAffected() override { return -1; }

private:
    bool fail()
    {
        setLastError(why_);
        return false;
    }
    QSqlError why_;
};

class UnreachableDriver final : public QSqlDriver {
public:
    UnreachableDriver() { setOpen(true); }
    bool hasFeature(DriverFeature f) const override
    {
        return f == PreparedQueries || f == PositionalPlaceholders;
    }
    bool open(const QString &, const QString &, const QString &, const QString &, int,
              const QString &) override
    {
        return true;
    }
    void close() override {}
    QSqlResult *createResult() const override { return new UnreachableResult(this, why); }
    QSqlError why;
};

Database::StatementFault &statementFault()
{
    static Database::StatementFault fault;
    return fault;
}

} // namespace

void Database::setStatementFault(StatementFault fault) { statementFault() = std::move(fault); }

namespace {
std::optional<QString> injectedFault(const QString &statement)
{
    if (const auto &fault = statementFault())
        return fault(statement);
    return std::nullopt;
}
} // namespace

DbResult Database::run(QSqlQuery &q, const QString &statement)
{
    if (auto e = injectedFault(statement))
        return DbResult::failure(*e);
    // Given a closed connection, a statement draws Qt's warning and can only fail: it fails
    // with the reason the connection could not be opened again.
    if (!db_.isOpen()) {
        if (!lost_.ok)
            return lost_;
        DbResult closed = DbResult::failure(QStringLiteral("the database is not open"));
        closed.busy = true;
        return closed;
    }
    return q.exec(statement) ? DbResult::success() : failureOf(q.lastError());
}

DbResult Database::onConnect()
{
    for (const QString &s : dialect_->onConnect()) {
        QSqlQuery q(db_);
        if (DbResult r = run(q, s); !r)
            return r;
    }
    return DbResult::success();
}

DbResult Database::setUp()
{
    for (const QString &s : dialect_->setUp(network(), busyMs_)) {
        QSqlQuery q(db_);
        if (DbResult r = run(q, s); !r)
            return r;
        // SQLite's journal pragma answers with the journal the file is kept with now.
        if (backend() == Backend::SQLite && q.next())
            journal_ = q.value(0).toString().toLower();
    }
    if (backend() == Backend::PostgreSQL)
        journal_ = QStringLiteral("server");
    return DbResult::success();
}

DbResult Database::reopen()
{
    db_.close();
    DbResult r = db_.open() ? onConnect() : failureOf(db_.lastError());
    if (r)
        r = setUp();
    // Half set up is not ours to use: left closed, every use fails as a lost connection does,
    // and a server's is tried again at the next.
    if (!r)
        db_.close();
    lost_ = r;
    lost_.busy = true;
    return r;
}

DbResult Database::reconnect()
{
    if (depth_ > 0)
        return DbResult::failure(QStringLiteral("a transaction is in progress"));
    return reopen();
}

QSqlDatabase &Database::unreachable()
{
    if (!unreachable_.isValid())
        unreachable_ = QSqlDatabase::addDatabase(new UnreachableDriver, connection_ + kUnreachable);
    static_cast<UnreachableDriver *>(unreachable_.driver())->why =
        QSqlError(QString(), lost_.error, QSqlError::ConnectionError, kConnectionFailure);
    return unreachable_;
}

Database::Database(QSqlDatabase db, QString location, Backend backend)
    : db_(std::move(db)), path_(std::move(location)), connection_(db_.connectionName()),
      dialect_(Dialect::make(backend))
{}

Database::~Database()
{
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(connection_);
    if (unreachable_.isValid()) {
        unreachable_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(connection_ + kUnreachable);
    }
}

bool Database::network() const
{
    return dialect_->backend() == Backend::SQLite && onNetworkFileSystem(path_);
}

QSqlDatabase &Database::sql()
{
    // A server connection that dropped is opened again before it is used. While it cannot be,
    // the statements meant for it go to a stand-in that fails each with the reason: given the
    // closed connection, each would also draw Qt's warning.
    if (dialect_->connectionLost(db_) && !reopen())
        return unreachable();
    return db_;
}

Database::Opened Database::open(const QString &location, OpenMode mode, int busyMs)
{
    Opened result;
    if (const QString problem = locationProblem(location); !problem.isEmpty()) {
        result.error = OpenError::Other;
        result.message = problem;
        return result;
    }
    const bool server = isServerLocation(location);
    if (!server) {
        const QFileInfo info(location);
        if (!info.exists() && mode == OpenMode::MustExist) {
            result.error = OpenError::NotFound;
            result.message = QStringLiteral("Could not find file '%1'.").arg(location);
            return result;
        }
        if (info.exists() && !info.isFile()) {
            result.error = OpenError::Other;
            result.message = QStringLiteral("'%1' is not a file.").arg(location);
            return result;
        }
    }
    const Backend backend = server ? Backend::PostgreSQL : Backend::SQLite;
    if (server)
        quietenServerDriverOnce();
    const auto dialect = Dialect::make(backend);
    const QString name = nextConnectionName();
    std::unique_ptr<Database> opened;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QString::fromLatin1(dialect->driver()), name);
        if (server) {
            const auto settings = serverSettings(location);
            if (!settings) {
                result.error = OpenError::Other;
                result.message = settings.error();
            } else {
                db.setHostName(settings->host);
                db.setPort(settings->port);
                db.setUserName(settings->user);
                db.setPassword(settings->password);
                db.setDatabaseName(settings->database);
                db.setConnectOptions(settings->options);
            }
        } else {
            db.setDatabaseName(location);
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyMs));
        }
        if (result.message.isEmpty() && !db.open()) {
            result.error = OpenError::Other;
            result.message = errorText(db.lastError());
            if (server)
                result.message += QStringLiteral(" (") + shownLocation(location) + ')';
        } else if (result.message.isEmpty()) {
            opened.reset(new Database(db, location, backend));
            opened->busyMs_ = busyMs;
        }
    } // the only handle left is the Database's, so closing it removes the connection cleanly
    if (!opened) {
        QSqlDatabase::removeDatabase(name);
        return result;
    }
    // The schema is read first: a file that is not ours is left exactly as it was. A journal
    // that cannot be set is refused too: the write-ahead log on a network share is not safe.
    DbResult ready = opened->onConnect();
    if (ready)
        ready = opened->ensureSchema();
    if (ready)
        ready = opened->setUp();
    if (!ready) {
        result.error = ready.damaged ? OpenError::Damaged : OpenError::Other;
        result.message = ready.damaged
                             ? QStringLiteral("The database file is damaged: ") + ready.error
                             : ready.error;
        return result;
    }
    result.db = std::move(opened);
    return result;
}

DbResult Database::ensureSchema()
{
    QSqlQuery q(db_);
    auto readNames = [&](const char *sql, QStringList &into) -> DbResult {
        into.clear();
        if (const DbResult r = run(q, QString::fromLatin1(sql)); !r)
            return r;
        while (q.next())
            into << q.value(0).toString();
        if (q.lastError().isValid())
            return failureOf(q.lastError());
        q.finish();
        return DbResult::success();
    };
    QStringList existing;
    auto readTables = [&] { return readNames(dialect_->tableListSql(), existing); };
    // Reading the schema is what tells a foreign or damaged file from a database.
    if (const DbResult r = readTables(); !r)
        return r;
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
    // Nothing to make: the database is used as it is (a column lost from one of ours fails the
    // reads that need it, each saying so).
    QStringList indexes;
    if (const DbResult r = readNames(dialect_->indexListSql(), indexes); !r)
        return r;
    const bool complete =
        std::all_of(wanted.begin(), wanted.end(), [&](const TableDef &t) { return has(t.name); }) &&
        std::all_of(std::begin(kIndexes), std::end(kIndexes), [&](const IndexDef &ix) {
            return indexes.contains(QString::fromLatin1(ix.name), Qt::CaseInsensitive);
        });
    if (complete)
        return DbResult::success();
    // Before anything is made in it: a table of our name is ours only with our columns, and
    // someone else's TestResult is no reason to make tables beside it.
    for (const TableDef &t : wanted) {
        const auto found = std::find_if(existing.begin(), existing.end(), [&](const QString &e) {
            return e.compare(QLatin1String(t.name), Qt::CaseInsensitive) == 0;
        });
        if (found == existing.end())
            continue;
        const QString read =
            QStringLiteral("SELECT * FROM %1 WHERE 1=0")
                .arg(db_.driver()->escapeIdentifier(*found, QSqlDriver::TableName));
        if (const DbResult r = run(q, read); !r)
            return r;
        const QSqlRecord columns = q.record();
        q.finish();
        QStringList missing;
        for (const QString &c : declaredColumns(t.create))
            if (!columns.contains(c)) // in any letter case
                missing << c;
        if (!missing.isEmpty())
            return DbResult::failure(
                QStringLiteral("The %1 is not a viscometer database: its table %2 lacks the "
                               "columns %3. It was left unchanged.")
                    .arg(QLatin1String(backend() == Backend::SQLite ? "file" : "database"),
                         QLatin1String(t.name), missing.join(QStringLiteral(", "))));
    }
    auto addIndexes = [&] {
        // Indexes only speed reading; a read-only file without them still works. Outside any
        // transaction: a failed statement would end a server's transaction unseen. Only the
        // missing ones: making one waits for every write in progress, a long copy's included.
        if (const DbResult r = readNames(dialect_->indexListSql(), indexes); !r)
            return r;
        for (const IndexDef &ix : kIndexes)
            if (!indexes.contains(QString::fromLatin1(ix.name), Qt::CaseInsensitive))
                (void)run(q, QString::fromLatin1(ix.create));
        return DbResult::success();
    };
    if (std::all_of(wanted.begin(), wanted.end(), [&](const TableDef &t) { return has(t.name); }))
        return addIndexes();
    // Programs opening an empty database at once: the one holding the writers' lock reads
    // what the others have made by then, and makes only what is still missing.
    const DbResult made = transaction([&]() {
        if (const DbResult r = readTables(); !r)
            return r;
        for (const TableDef &t : wanted) {
            if (has(t.name))
                continue;
            for (const QString &statement : dialect_->createTable(t.name, t.create))
                if (const DbResult r = run(q, statement); !r)
                    return r;
        }
        return DbResult::success();
    });
    return made ? addIndexes() : made;
}

DbRead<QStringList> Database::integrityProblems()
{
    QStringList problems;
    if (dialect_->backend() == Backend::SQLite) {
        QSqlQuery q(sql());
        q.prepare(QStringLiteral("PRAGMA integrity_check"));
        // A row may hold several problems, a line each, under a line naming the database.
        if (auto e = readRows(q, "The database file", [&](const QSqlQuery &r) {
                for (const QString &line : r.value(0).toString().split(QLatin1Char('\n')))
                    if (line != QLatin1String("ok") && !line.trimmed().isEmpty() &&
                        !line.startsWith(QLatin1String("*** in database ")))
                        problems << line;
            }))
            return DbRead<QStringList>::failure(*e);
    }
    // What the program itself keeps true, on either backend: dense ids, no orphan rows.
    const struct {
        const char *sql, *problem;
    } checks[] = {
        {"SELECT COUNT(*) FROM RelatedInfo WHERE TestId<1 OR TestId>(SELECT COUNT(*) FROM "
         "RelatedInfo)",
         "test ids are not 1 to the number of tests"},
        {"SELECT COUNT(*) - COUNT(DISTINCT TestId) FROM RelatedInfo", "a test id is used twice"},
        {"SELECT COUNT(*) FROM TestResult WHERE TestId NOT IN (SELECT TestId FROM RelatedInfo)",
         "rows belong to no test"},
        {"SELECT COUNT(*) FROM SequenceName WHERE SequenceId<1 OR SequenceId>(SELECT COUNT(*) "
         "FROM SequenceName)",
         "sequence ids are not 1 to the number of sequences"},
        {"SELECT COUNT(*) FROM SequenceSetup WHERE SequenceId NOT IN (SELECT SequenceId FROM "
         "SequenceName)",
         "steps belong to no sequence"},
    };
    for (const auto &c : checks) {
        QSqlQuery q(sql());
        q.prepare(QString::fromLatin1(c.sql));
        long long count = 0;
        if (auto e = readRows(q, "The database file",
                              [&](const QSqlQuery &r) { count = r.value(0).toLongLong(); }))
            return DbRead<QStringList>::failure(*e);
        if (count > 0)
            problems << QStringLiteral("%1 (%2)").arg(QString::fromLatin1(c.problem)).arg(count);
    }
    return problems;
}

DbResult Database::exec(const QString &statement)
{
    QSqlQuery q(sql());
    return run(q, statement);
}

DbResult Database::rollback()
{
    // Not through sql(): a lost server connection ended its transaction with it.
    QSqlQuery q(db_);
    if (run(q, QStringLiteral("ROLLBACK")) || dialect_->connectionLost(db_))
        return DbResult::success();
    q.finish();
    if (const DbResult again = reopen(); !again)
        return DbResult::failure(QStringLiteral("the connection could not be opened again: ") +
                                 again.error);
    return DbResult::success();
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
    DbResult r = DbResult::success();
    bool begun = false;
    for (const QString &s : dialect_->beginWrite(busyMs >= 0 ? busyMs : busyMs_)) {
        r = exec(s);
        if (!r)
            break;
        begun = true;
    }
    if (r) {
        ++depth_;
        r = work();
        --depth_;
        if (r)
            r = exec(QStringLiteral("COMMIT"));
    }
    if (!r) {
        if (begun)
            if (const DbResult undone = rollback(); !undone)
                r.error += QStringLiteral("; ") + undone.error;
        // A server that cannot be reached may well be back later: nothing was written.
        if (dialect_->connectionLost(db_))
            r.busy = true;
    }
    // The wait asked for is this transaction's alone: a connection that cannot be set back is
    // opened again, with its usual one. Should that fail, what uses it next says so.
    if (busyMs >= 0 && dialect_->backend() == Backend::SQLite &&
        !exec(QStringLiteral("PRAGMA busy_timeout=%1").arg(busyMs_)))
        (void)reopen();
    return r;
}

DbResult queryFailure(const QSqlQuery &query) { return failureOf(query.lastError()); }

DbResult execute(QSqlQuery &query)
{
    if (auto e = injectedFault(query.lastQuery()))
        return DbResult::failure(*e);
    return query.exec() ? DbResult::success() : queryFailure(query);
}

const char *const kDatabaseErrorTitle = "Database Error";

QString readFailure(const char *what, const QSqlQuery &query)
{
    const QSqlError e = query.lastError();
    if (isDamaged(e))
        return QStringLiteral("The database file is damaged: ") + errorText(e);
    return QString::fromUtf8(what) + QStringLiteral(" could not be read: ") + errorText(e);
}

std::optional<QString> startRead(QSqlQuery &query, const char *what)
{
    // A failed prepare (an unknown column, say) has already set the error.
    if (query.lastError().isValid())
        return readFailure(what, query);
    if (auto e = injectedFault(query.lastQuery()))
        return QString::fromUtf8(what) + QStringLiteral(" could not be read: ") + *e;
    if (!query.exec())
        return readFailure(what, query);
    return std::nullopt;
}

std::optional<QString> readRows(QSqlQuery &query, const char *what,
                                const std::function<void(const QSqlQuery &)> &row)
{
    if (auto e = startRead(query, what))
        return e;
    while (query.next())
        row(query);
    if (query.lastError().isValid())
        return readFailure(what, query);
    return std::nullopt;
}

Failure dbFailure(const QString &message)
{
    return {message.toStdString(), kDatabaseErrorTitle, {}};
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
