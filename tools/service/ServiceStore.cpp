#include "ServiceStore.h"

#include "ServiceStatement.h"

#include <QFile>
#include <QScopeGuard>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// DOUBLE PRECISION, not REAL: REAL is four bytes in PostgreSQL, too coarse
// for seconds since 1970.
const char *const schema[] = {
    "CREATE TABLE IF NOT EXISTS bindings (phone TEXT PRIMARY KEY, device TEXT NOT NULL,"
    " hmac_key TEXT NOT NULL, last_merchant_step BIGINT NOT NULL DEFAULT -1)",
    "CREATE TABLE IF NOT EXISTS message_codes (phone TEXT NOT NULL, purpose TEXT NOT NULL,"
    " code TEXT NOT NULL, device TEXT NOT NULL, issued_at DOUBLE PRECISION NOT NULL,"
    " failed_attempts INTEGER NOT NULL, used INTEGER NOT NULL, PRIMARY KEY (phone, purpose))",
    "CREATE TABLE IF NOT EXISTS pellin (phone TEXT PRIMARY KEY, code INTEGER NOT NULL)",
    "CREATE TABLE IF NOT EXISTS merchant_guard (phone TEXT PRIMARY KEY,"
    " failures INTEGER NOT NULL, blocked_until DOUBLE PRECISION NOT NULL)",
};

const char *const messageCodeColumns
    = "SELECT phone, purpose, code, device, issued_at, failed_attempts, used FROM message_codes";

const char sqliteHeader[16] = "SQLite format 3";

} // namespace

ServiceStore::~ServiceStore()
{
    sqlite3_close(m_db);
}

bool ServiceStore::open(const QString &path)
{
    const bool inMemory = path == QLatin1String(":memory:");
    if (!inMemory && !preparePrivateFile(path))
        return false;
    const QByteArray name = QFile::encodeName(path);
    const int flags
        = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW | (inMemory ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(name.constData(), &m_db, flags, nullptr) != SQLITE_OK)
        return false;
    sqlite3_busy_timeout(m_db, 5000);
    // Several service processes may share one file; WAL lets them read
    // while one writes.
    if (!inMemory && !ServiceStatement(m_db, "PRAGMA journal_mode = WAL").run())
        return false;
    return createTables();
}

bool ServiceStore::preparePrivateFile(const QString &path)
{
    // Created 0600 by open() itself, so there is no moment in which another
    // user could open it; SQLite gives its journal files the same mode.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0)
        return false;
    const auto closeFile = qScopeGuard([fd] { ::close(fd); });
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    if (st.st_size > 0) {
        char header[sizeof sqliteHeader] = {};
        if (::pread(fd, header, sizeof header, 0) != ssize_t(sizeof header)
            || std::memcmp(header, sqliteHeader, sizeof header) != 0) {
            return false;
        }
    }
    return (st.st_mode & 077) == 0 || ::fchmod(fd, S_IRUSR | S_IWUSR) == 0;
}

bool ServiceStore::createTables()
{
    for (const char *sql : schema) {
        if (!ServiceStatement(m_db, sql).run())
            return false;
    }
    return true;
}

std::optional<ServiceStore::Binding> ServiceStore::binding(const QString &phone) const
{
    ServiceStatement row(
        m_db, "SELECT device, hmac_key, last_merchant_step FROM bindings WHERE phone = $1",
        {phone});
    if (!row.next())
        return std::nullopt;
    return Binding {phone, row.column(0).toString(), row.column(1).toString().toLatin1(),
                    row.column(2).toLongLong()};
}

bool ServiceStore::saveBinding(const Binding &binding)
{
    return ServiceStatement(m_db,
                            "INSERT INTO bindings (phone, device, hmac_key, last_merchant_step)"
                            " VALUES ($1, $2, $3, $4) ON CONFLICT (phone) DO UPDATE SET"
                            " device = excluded.device, hmac_key = excluded.hmac_key,"
                            " last_merchant_step = excluded.last_merchant_step",
                            {binding.phone, binding.device, QString::fromLatin1(binding.hmacKey),
                             binding.lastMerchantStep})
        .run();
}

bool ServiceStore::claimMerchantStep(const QString &phone, const QByteArray &hmacKey, qint64 step)
{
    ServiceStatement claim(m_db,
                           "UPDATE bindings SET last_merchant_step = $3 WHERE phone = $1"
                           " AND hmac_key = $2 AND last_merchant_step < $3 RETURNING phone",
                           {phone, QString::fromLatin1(hmacKey), step});
    const bool claimed = claim.next();
    return claim.run() && claimed;
}

std::optional<ServiceStore::MerchantGuard> ServiceStore::merchantGuard(const QString &phone) const
{
    ServiceStatement row(
        m_db, "SELECT failures, blocked_until FROM merchant_guard WHERE phone = $1", {phone});
    if (!row.next())
        return std::nullopt;
    return MerchantGuard {row.column(0).toInt(), row.column(1).toDouble()};
}

int ServiceStore::countWrongMerchantCode(const QString &phone)
{
    ServiceStatement count(m_db,
                           "INSERT INTO merchant_guard (phone, failures, blocked_until)"
                           " VALUES ($1, 1, 0) ON CONFLICT (phone) DO UPDATE SET"
                           " failures = merchant_guard.failures + 1 RETURNING failures",
                           {phone});
    const int failures = count.next() ? count.column(0).toInt() : -1;
    return count.run() ? failures : -1;
}

bool ServiceStore::blockMerchantChecks(const QString &phone, double until)
{
    return ServiceStatement(m_db,
                            "UPDATE merchant_guard SET blocked_until = $2"
                            " WHERE phone = $1 AND blocked_until < $2",
                            {phone, until})
        .run();
}

bool ServiceStore::clearMerchantGuard(const QString &phone)
{
    return ServiceStatement(m_db, "DELETE FROM merchant_guard WHERE phone = $1", {phone}).run();
}

std::optional<ServiceStore::MessageCode> ServiceStore::messageCode(const QString &phone,
                                                                   const QString &purpose) const
{
    const QByteArray sql = QByteArray(messageCodeColumns) + " WHERE phone = $1 AND purpose = $2";
    ServiceStatement row(m_db, sql.constData(), {phone, purpose});
    if (!row.next())
        return std::nullopt;
    return messageCodeFromRow(row);
}

std::optional<ServiceStore::MessageCode> ServiceStore::lastMessageCode(const QString &phone) const
{
    const QByteArray sql
        = QByteArray(messageCodeColumns) + " WHERE phone = $1 ORDER BY issued_at DESC LIMIT 1";
    ServiceStatement row(m_db, sql.constData(), {phone});
    if (!row.next())
        return std::nullopt;
    return messageCodeFromRow(row);
}

bool ServiceStore::saveMessageCode(const MessageCode &code)
{
    return ServiceStatement(m_db,
                            "INSERT INTO message_codes (phone, purpose, code, device, issued_at,"
                            " failed_attempts, used) VALUES ($1, $2, $3, $4, $5, $6, $7)"
                            " ON CONFLICT (phone, purpose) DO UPDATE SET code = excluded.code,"
                            " device = excluded.device, issued_at = excluded.issued_at,"
                            " failed_attempts = excluded.failed_attempts, used = excluded.used",
                            {code.phone, code.purpose, code.code, code.device, code.issuedAt,
                             code.failedAttempts, code.used})
        .run();
}

int ServiceStore::pellinCode(const QString &phone) const
{
    ServiceStatement row(m_db, "SELECT code FROM pellin WHERE phone = $1", {phone});
    return row.next() ? row.column(0).toInt() : 0;
}

bool ServiceStore::setPellinCode(const QString &phone, int code)
{
    return ServiceStatement(m_db,
                            "INSERT INTO pellin (phone, code) VALUES ($1, $2)"
                            " ON CONFLICT (phone) DO UPDATE SET code = excluded.code",
                            {phone, code})
        .run();
}

ServiceStore::MessageCode ServiceStore::messageCodeFromRow(const ServiceStatement &row)
{
    MessageCode code;
    code.phone = row.column(0).toString();
    code.purpose = row.column(1).toString();
    code.code = row.column(2).toString();
    code.device = row.column(3).toString();
    code.issuedAt = row.column(4).toDouble();
    code.failedAttempts = row.column(5).toInt();
    code.used = row.column(6).toLongLong() != 0;
    return code;
}
