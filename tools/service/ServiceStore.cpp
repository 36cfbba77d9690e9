#include "ServiceStore.h"

#include "AppPaths.h"
#include "ServiceStatement.h"

#include <sqlite3.h>

namespace {

const char *const schema[] = {
    "CREATE TABLE IF NOT EXISTS bindings (phone TEXT PRIMARY KEY, device TEXT NOT NULL,"
    " hmac_key TEXT NOT NULL, last_merchant_step INTEGER NOT NULL DEFAULT -1)",
    "CREATE TABLE IF NOT EXISTS message_codes (phone TEXT NOT NULL, purpose TEXT NOT NULL,"
    " code TEXT NOT NULL, device TEXT NOT NULL, issued_at REAL NOT NULL,"
    " failed_attempts INTEGER NOT NULL, used INTEGER NOT NULL, PRIMARY KEY (phone, purpose))",
    "CREATE TABLE IF NOT EXISTS pellin (phone TEXT PRIMARY KEY, code INTEGER NOT NULL)",
};

const char *const messageCodeColumns
    = "SELECT phone, purpose, code, device, issued_at, failed_attempts, used FROM message_codes";

} // namespace

ServiceStore::~ServiceStore()
{
    sqlite3_close(m_db);
}

bool ServiceStore::open(const QString &path)
{
    const QByteArray name = path.toUtf8();
    if (sqlite3_open_v2(name.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr)
        != SQLITE_OK) {
        return false;
    }
    sqlite3_busy_timeout(m_db, 2000);
    // The file holds every bound account's HMAC key.
    if (path != QLatin1String(":memory:") && !AppPaths::makePrivateFile(path))
        return false;
    return createTables();
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
        m_db, "SELECT device, hmac_key, last_merchant_step FROM bindings WHERE phone = ?", {phone});
    if (!row.next())
        return std::nullopt;
    return Binding {phone, row.column(0).toString(), row.column(1).toString().toLatin1(),
                    row.column(2).toLongLong()};
}

bool ServiceStore::saveBinding(const Binding &binding)
{
    return ServiceStatement(m_db,
                            "INSERT OR REPLACE INTO bindings (phone, device, hmac_key,"
                            " last_merchant_step) VALUES (?, ?, ?, ?)",
                            {binding.phone, binding.device, QString::fromLatin1(binding.hmacKey),
                             binding.lastMerchantStep})
        .run();
}

bool ServiceStore::setLastMerchantStep(const QString &phone, qint64 step)
{
    return ServiceStatement(m_db, "UPDATE bindings SET last_merchant_step = ? WHERE phone = ?",
                            {step, phone})
        .run();
}

std::optional<ServiceStore::MessageCode> ServiceStore::messageCode(const QString &phone,
                                                                   const QString &purpose) const
{
    const QByteArray sql = QByteArray(messageCodeColumns) + " WHERE phone = ? AND purpose = ?";
    ServiceStatement row(m_db, sql.constData(), {phone, purpose});
    if (!row.next())
        return std::nullopt;
    return messageCodeFromRow(row);
}

std::optional<ServiceStore::MessageCode> ServiceStore::lastMessageCode(const QString &phone) const
{
    const QByteArray sql
        = QByteArray(messageCodeColumns) + " WHERE phone = ? ORDER BY issued_at DESC LIMIT 1";
    ServiceStatement row(m_db, sql.constData(), {phone});
    if (!row.next())
        return std::nullopt;
    return messageCodeFromRow(row);
}

bool ServiceStore::saveMessageCode(const MessageCode &code)
{
    return ServiceStatement(m_db,
                            "INSERT OR REPLACE INTO message_codes (phone, purpose, code, device,"
                            " issued_at, failed_attempts, used) VALUES (?, ?, ?, ?, ?, ?, ?)",
                            {code.phone, code.purpose, code.code, code.device, code.issuedAt,
                             code.failedAttempts, code.used})
        .run();
}

int ServiceStore::pellinCode(const QString &phone) const
{
    ServiceStatement row(m_db, "SELECT code FROM pellin WHERE phone = ?", {phone});
    return row.next() ? row.column(0).toInt() : 0;
}

bool ServiceStore::setPellinCode(const QString &phone, int code)
{
    return ServiceStatement(m_db, "INSERT OR REPLACE INTO pellin (phone, code) VALUES (?, ?)",
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
