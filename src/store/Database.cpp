#include "store/Database.h"

#include "store/Schema.h"

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
#include <map>
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
QString errorText(const QSqlError &e)
{
    for (const Dialect *d : {&sqliteRules(), &serverRules()})
        if (QString plain = d->plainText(e); !plain.isEmpty())
            return plain;
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

bool isDamaged(const QSqlError &e) { return sqliteRules().damaged(e) || serverRules().damaged(e); }
bool isBusy(const QSqlError &e) { return sqliteRules().busy(e) || serverRules().busy(e); }

} // namespace

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

namespace {

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

std::optional<QString> injectedFault(const QString &statement)
{
    if (const auto &fault = statementFault())
        return fault(statement);
    return std::nullopt;
}

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
        if (const QString j = dialect_->journal(&q); !j.isEmpty())
            journal_ = j;
    }
    if (journal_.isEmpty())
        journal_ = dialect_->journal(nullptr);
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

bool Database::network() const { return dialect_->file() && onNetworkFileSystem(path_); }

QSqlDatabase &Database::sql()
{
    // A server connection that dropped is opened again before it is used. While it cannot be,
    // the statements meant for it go to a stand-in that fails each with the reason: given the
    // closed connection, each would also draw Qt's warning.
    if (!dialect_->connectionLost(db_))
        return db_;
    // Never in the middle of a transaction: what it wrote went with the connection, and the
    // rest must not land alone on a new one.
    if (depth_ > 0) {
        lost_ = DbResult::failure(
            QStringLiteral("the connection to the database was lost during a transaction"));
        lost_.busy = true;
        return unreachable();
    }
    return reopen() ? db_ : unreachable();
}

Database::Opened Database::open(const QString &location, OpenMode mode, int busyMs)
{
    Opened result;
    if (const QString problem = locationProblem(location); !problem.isEmpty()) {
        result.error = OpenError::Refused;
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
    if (server)
        quietenServerDriverOnce();
    const auto dialect = dialectFor(location);
    const Backend backend = dialect->backend();
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
            db.setConnectOptions(dialect->connectOptions(busyMs));
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
    auto checkColumns = [&](std::span<const schema::Table *const> wanted) -> DbResult {
        // Every column of every table, in one read: cheap enough for each opening.
        if (const DbResult r = run(q, QString::fromLatin1(dialect_->columnListSql())); !r)
            return r;
        std::map<QString, QStringList> columns; // by table, in lower case
        while (q.next())
            columns[q.value(0).toString().toLower()] << q.value(1).toString();
        if (q.lastError().isValid())
            return failureOf(q.lastError());
        q.finish();
        for (const schema::Table *t : wanted) {
            const auto found = columns.find(QString::fromLatin1(t->name).toLower());
            if (found == columns.end())
                continue;
            QStringList missing;
            for (const schema::Column &c : t->columns)
                if (!found->second.contains(QLatin1String(c.name), Qt::CaseInsensitive))
                    missing << QString::fromLatin1(c.name);
            if (!missing.isEmpty())
                return DbResult::failure(
                    QStringLiteral("The %1 is not a viscometer database: its table %2 lacks the "
                                   "columns %3. It was left unchanged.")
                        .arg(QLatin1String(dialect_->file() ? "file" : "database"),
                             QLatin1String(t->name), missing.join(QStringLiteral(", "))));
        }
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
    const auto ours = std::ranges::any_of(schema::testTables(),
                                          [&](const schema::Table *t) { return has(t->name); });
    QStringList foreign;
    for (const QString &t : existing)
        foreign << t;
    if (!ours && !foreign.isEmpty())
        return DbResult::failure(
            QStringLiteral("The file is not a viscometer database: it holds other tables (%1) "
                           "and none of the test tables. It was left unchanged.")
                .arg(foreign.join(QStringLiteral(", "))));
    const auto wanted = schema::tables();
    const auto hasAll = [&] {
        return std::ranges::all_of(wanted, [&](const schema::Table *t) { return has(t->name); });
    };
    // A table of our name is ours only with our columns, whether or not anything is to be made:
    // someone else's TestResult is no database of ours to read or write.
    if (const DbResult r = checkColumns(wanted); !r)
        return r;
    // Nothing to make: the database is used as it is.
    QStringList indexes;
    if (const DbResult r = readNames(dialect_->indexListSql(), indexes); !r)
        return r;
    const bool complete =
        hasAll() && std::ranges::all_of(schema::indexes(), [&](const schema::Index &ix) {
            return indexes.contains(QString::fromLatin1(ix.name), Qt::CaseInsensitive);
        });
    if (complete)
        return DbResult::success();
    auto addIndexes = [&] {
        // Indexes only speed reading; a read-only file without them still works. Outside any
        // transaction: a failed statement would end a server's transaction unseen. Only the
        // missing ones: making one waits for every write in progress, a long copy's included.
        if (const DbResult r = readNames(dialect_->indexListSql(), indexes); !r)
            return r;
        for (const schema::Index &ix : schema::indexes())
            if (!indexes.contains(QString::fromLatin1(ix.name), Qt::CaseInsensitive))
                (void)run(q, QString::fromLatin1(ix.create));
        return DbResult::success();
    };
    if (hasAll())
        return addIndexes();
    // Programs opening an empty database at once: the one holding the writers' lock reads
    // what the others have made by then, and makes only what is still missing.
    const DbResult made = transaction([&]() {
        if (const DbResult r = readTables(); !r)
            return r;
        for (const schema::Table *t : wanted) {
            if (has(t->name))
                continue;
            for (const QString &statement : dialect_->createTable(*t))
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
    if (const char *pageCheck = dialect_->pageCheckSql()) {
        QSqlQuery q(sql());
        q.prepare(QString::fromLatin1(pageCheck));
        if (auto e = readRows(q, "The database file", [&](const QSqlQuery &r) {
                problems << pageProblems(r.value(0).toString());
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

DbResult Database::readTogether(const std::function<DbResult()> &work)
{
    if (depth_ > 0)
        return transaction(work);
    bool begun = false;
    for (const QString &s : dialect_->beginRead()) {
        if (const DbResult r = exec(s); !r) {
            if (begun)
                (void)rollback();
            return r;
        }
        begun = true;
    }
    ++depth_;
    const DbResult r = work();
    --depth_;
    const DbResult left = rollback();
    return r ? left : r;
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
    if (busyMs >= 0)
        for (const QString &s : dialect_->endWrite(busyMs_))
            if (!exec(s)) {
                (void)reopen();
                break;
            }
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
    return readFailure(what, query.lastError());
}

QString readFailure(const char *what, const QSqlError &e)
{
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

std::optional<QString> readAll(Database &db, const char *what, const char *sql,
                               const QVariantList &values,
                               const std::function<void(const QSqlQuery &)> &row)
{
    return readAll(db, what, QString::fromLatin1(sql), values, row);
}

std::optional<QString> readAll(Database &db, const char *what, const QString &sql,
                               const QVariantList &values,
                               const std::function<void(const QSqlQuery &)> &row)
{
    QSqlQuery q(db.sql());
    q.setForwardOnly(true);
    q.prepare(db.text(sql));
    for (const QVariant &v : values)
        q.addBindValue(v);
    return readRows(q, what, row);
}

DbResult execute(Database &db, const QString &sql, const QVariantList &values)
{
    QSqlQuery q(db.sql());
    q.prepare(db.text(sql));
    for (const QVariant &v : values)
        q.addBindValue(v);
    return execute(q);
}

QStringList pageProblems(const QString &row)
{
    // A row may hold several problems, a line each, under a line naming the database.
    QStringList problems;
    for (const QString &line : row.split(QLatin1Char('\n')))
        if (line != QLatin1String("ok") && !line.trimmed().isEmpty() &&
            !line.startsWith(QLatin1String("*** in database ")))
            problems << line;
    return problems;
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
