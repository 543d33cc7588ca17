#include "store/ServerStream.h"

#include "store/Schema.h"

#include <QSqlDriver>
#include <QSqlError>

#include <libpq-fe.h>

#include <charconv>
#include <cmath>
#include <memory>
#include <vector>

namespace viscora {

namespace {

// The server library's connection under the Qt driver's; null when there is none to use (a
// file, or a connection that is closed or could not be opened again).
PGconn *serverConnection(Database &db)
{
    if (db.backend() != Backend::PostgreSQL)
        return nullptr;
    QSqlDatabase &sql = db.sql();
    if (!sql.isOpen() || !sql.driver())
        return nullptr;
    const QVariant handle = sql.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "pg_conn*") != 0)
        return nullptr;
    auto *conn = *static_cast<PGconn *const *>(handle.data());
    return conn && PQstatus(conn) == CONNECTION_OK ? conn : nullptr;
}

// A server's failure as the Qt driver words it, so it is read by the same rules; one without
// the server's state is the connection's own.
QSqlError errorOf(PGconn *conn, const PGresult *result)
{
    const char *state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const char *message = result ? PQresultErrorMessage(result) : "";
    if (!message || !*message)
        message = PQerrorMessage(conn);
    return QSqlError(QStringLiteral("Unable to create query"), QString::fromUtf8(message),
                     QSqlError::StatementError,
                     state ? QString::fromLatin1(state) : QStringLiteral("08006"));
}

using PgResult = std::unique_ptr<PGresult, decltype(&PQclear)>;
PgResult take(PGconn *conn) { return {PQgetResult(conn), &PQclear}; }

// Reads what is left of a command's results; the first failure among them, if any.
std::optional<QSqlError> drain(PGconn *conn)
{
    std::optional<QSqlError> failure;
    while (PgResult r = take(conn)) {
        const ExecStatusType s = PQresultStatus(r.get());
        if (!failure && s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK && s != PGRES_SINGLE_TUPLE)
            failure = errorOf(conn, r.get());
        // A stream the server still waits on cannot be left open: it would hold the session.
        if (s == PGRES_COPY_IN)
            PQputCopyEnd(conn, "abandoned");
    }
    return failure;
}

void appendNumber(std::string &out, double v)
{
    if (std::isinf(v)) {
        out += v > 0 ? "Infinity" : "-Infinity";
        return;
    }
    if (std::isnan(v)) {
        out += "NaN";
        return;
    }
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, v).ptr;
    out.append(text, end);
}

// A value in COPY's text form: \N for NULL, its own escapes for the characters it uses.
void appendValue(std::string &out, const QVariant &v)
{
    if (v.isNull()) {
        out += "\\N";
        return;
    }
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        appendNumber(out, v.toDouble());
        return;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong: {
        char text[24];
        const auto end = std::to_chars(text, text + sizeof text, v.toLongLong()).ptr;
        out.append(text, end);
        return;
    }
    default:
        break;
    }
    for (const char c : v.toString().toUtf8()) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
}

// What a stream holds before it is handed to the server.
constexpr std::size_t kSendBytes = 1 << 18;

} // namespace

CopyIn::CopyIn(Database &db, const schema::Table &table)
    : db_(db), statement_(QStringLiteral("COPY %1 (%2) FROM STDIN")
                              .arg(QLatin1String(table.name), schema::columns(table)))
{}

CopyIn::~CopyIn() { abandon(); }

DbResult CopyIn::begin()
{
    if (auto e = injectedFault(statement_))
        return DbResult::failure(*e);
    auto *conn = serverConnection(db_);
    if (!conn || PQtransactionStatus(conn) == PQTRANS_ACTIVE)
        return DbResult::failure(QStringLiteral("the server's connection is not open"));
    PgResult r{PQexec(conn, statement_.toUtf8().constData()), &PQclear};
    if (PQresultStatus(r.get()) != PGRES_COPY_IN) {
        const QSqlError e = errorOf(conn, r.get());
        r.reset();
        drain(conn);
        return failureOf(e);
    }
    conn_ = conn;
    return DbResult::success();
}

DbResult CopyIn::send()
{
    auto *conn = static_cast<PGconn *>(conn_);
    if (!buffer_.empty() &&
        PQputCopyData(conn, buffer_.data(), static_cast<int>(buffer_.size())) != 1) {
        const QSqlError e = errorOf(conn, nullptr);
        abandon();
        return failureOf(e);
    }
    buffer_.clear();
    return DbResult::success();
}

DbResult CopyIn::add(const QVariantList &row)
{
    if (!conn_)
        if (DbResult r = begin(); !r)
            return r;
    for (qsizetype i = 0; i < row.size(); ++i) {
        if (i)
            buffer_ += '\t';
        appendValue(buffer_, row[i]);
    }
    buffer_ += '\n';
    return buffer_.size() >= kSendBytes ? send() : DbResult::success();
}

DbResult CopyIn::finish()
{
    if (!conn_)
        return DbResult::success();
    if (DbResult r = send(); !r)
        return r;
    auto *conn = static_cast<PGconn *>(conn_);
    conn_ = nullptr;
    if (PQputCopyEnd(conn, nullptr) != 1) {
        const QSqlError e = errorOf(conn, nullptr);
        drain(conn);
        return failureOf(e);
    }
    if (const auto e = drain(conn))
        return failureOf(*e);
    return DbResult::success();
}

void CopyIn::abandon()
{
    buffer_.clear();
    if (!conn_)
        return;
    auto *conn = static_cast<PGconn *>(conn_);
    conn_ = nullptr;
    PQputCopyEnd(conn, "abandoned");
    drain(conn);
}

bool canStreamReads(Database &db)
{
    PGconn *conn = serverConnection(db);
    return conn && PQtransactionStatus(conn) != PQTRANS_ACTIVE;
}

std::optional<QString> readServerNumbers(Database &db, const char *what, const QString &sql,
                                         const QVariantList &values, int columns, double null,
                                         const std::function<void(const double *)> &row)
{
    const QString text = db.text(sql);
    if (auto e = injectedFault(text))
        return QString::fromUtf8(what) + QStringLiteral(" could not be read: ") + *e;
    PGconn *conn = serverConnection(db);
    if (!conn)
        return readFailure(what, QSqlError(QStringLiteral("Unable to create query"),
                                           QStringLiteral("the server's connection is not open"),
                                           QSqlError::ConnectionError, QStringLiteral("08003")));
    // The server's placeholders are numbered.
    QString numbered;
    int n = 0;
    for (const QChar c : text)
        numbered += c == QLatin1Char('?') ? QStringLiteral("$%1").arg(++n) : QString(c);
    std::vector<std::string> params;
    params.reserve(static_cast<std::size_t>(values.size()));
    for (const QVariant &v : values) {
        std::string p;
        if (v.typeId() == QMetaType::Double)
            appendNumber(p, v.toDouble());
        else
            p = v.toString().toStdString();
        params.push_back(std::move(p));
    }
    std::vector<const char *> pointers;
    for (const std::string &p : params)
        pointers.push_back(p.c_str());
    if (!PQsendQueryParams(conn, numbered.toUtf8().constData(), static_cast<int>(pointers.size()),
                           nullptr, pointers.data(), nullptr, nullptr, 0))
        return readFailure(what, errorOf(conn, nullptr));
    PQsetSingleRowMode(conn);
    std::optional<QSqlError> failure;
    std::vector<double> numbers(static_cast<std::size_t>(columns));
    while (PgResult r = take(conn)) {
        const ExecStatusType s = PQresultStatus(r.get());
        if (s == PGRES_TUPLES_OK)
            continue;
        if (s != PGRES_SINGLE_TUPLE) {
            if (!failure)
                failure = errorOf(conn, r.get());
            continue;
        }
        if (failure)
            continue;
        for (int c = 0; c < columns; ++c) {
            double &v = numbers[static_cast<std::size_t>(c)];
            if (PQgetisnull(r.get(), 0, c)) {
                v = null;
                continue;
            }
            const char *value = PQgetvalue(r.get(), 0, c);
            const char *end = value + PQgetlength(r.get(), 0, c);
            if (std::from_chars(value, end, v).ec != std::errc())
                v = 0;
        }
        row(numbers.data());
    }
    if (failure)
        return readFailure(what, *failure);
    return std::nullopt;
}

} // namespace viscora
