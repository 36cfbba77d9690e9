#include "KeychainStore.h"

#include "AppPaths.h"
#include "Clock.h"
#include "KeychainStatement.h"
#include "PlatformLog.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Version 2 added the nonce of sealed value data; an older build finds a
// version it does not know and leaves the file alone.
constexpr int schemaVersion = 2;
constexpr int plainOnlyVersion = 1;

constexpr char createItems[] = "CREATE TABLE items ("
                               " ref BLOB NOT NULL UNIQUE,"
                               " class TEXT NOT NULL,"
                               " service TEXT NOT NULL,"
                               " account TEXT NOT NULL,"
                               " label TEXT,"
                               " generic BLOB,"
                               " access_group TEXT,"
                               " accessible TEXT,"
                               " synchronizable INTEGER NOT NULL DEFAULT 0,"
                               " data BLOB,"
                               " created REAL NOT NULL,"
                               " modified REAL NOT NULL,"
                               " nonce BLOB,"
                               " UNIQUE (class, service, account))";

constexpr char probeVersion1[] = "SELECT ref, data FROM items LIMIT 0";

constexpr char addNonce[] = "ALTER TABLE items ADD COLUMN nonce BLOB";

constexpr char probeItems[] = "SELECT ref, class, service, account, label, generic, access_group,"
                              " accessible, synchronizable, data, created, modified, nonce"
                              " FROM items LIMIT 0";

bool isCorruption(int code)
{
    const int primary = code & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

// Only a verdict about the file's contents may cost the user their keychain.
// A full descriptor table, a read-only or unreadable folder, a busy or full
// disk say nothing about the file: the call fails and the next one tries again.
bool isDamage(int code)
{
    return isCorruption(code);
}
} // namespace

KeychainStore::KeychainStore(const QString &folder)
    : m_folder(folder)
{ }

KeychainStore::~KeychainStore()
{
    close();
}

QString KeychainStore::fileName()
{
    return QStringLiteral("keychain.sqlite");
}

QString KeychainStore::filePath() const
{
    return m_folder + QLatin1Char('/') + fileName();
}

sqlite3 *KeychainStore::connection()
{
    if (m_db)
        return m_db;
    OpenResult result = tryOpen();
    if (result == OpenResult::Unreadable && moveAside())
        result = tryOpen();
    if (result != OpenResult::Ready) {
        qCWarning(lcPlatform) << "keychain store unavailable:" << filePath();
        close();
    }
    return m_db;
}

KeychainStore::OpenResult KeychainStore::tryOpen()
{
    close();
    if (!AppPaths::ensurePrivateFolder(m_folder) || !prepareFile())
        return OpenResult::Failed;
    const QByteArray path = QFile::encodeName(filePath());
    const int rc = sqlite3_open_v2(path.constData(), &m_db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc != SQLITE_OK)
        return verdict(rc);
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, 5000);
    // Look before changing anything: a file that is not ours must be moved
    // aside exactly as it was found.
    const OpenResult checked = checkContents();
    if (checked == OpenResult::Unreadable || checked == OpenResult::Failed)
        return checked;
    if (!configure())
        return verdict(sqlite3_extended_errcode(m_db));
    const bool ready = checked == OpenResult::Ready
        || (checked == OpenResult::Empty ? createSchema() : upgradeSchema());
    restrictModes();
    return ready ? OpenResult::Ready : OpenResult::Failed;
}

KeychainStore::OpenResult KeychainStore::verdict(int sqliteCode)
{
    return isDamage(sqliteCode) ? OpenResult::Unreadable : OpenResult::Failed;
}

// SQLite creates its files with the mode of the database file, so creating
// that one 0600 ourselves keeps the journal and shared-memory files private
// too.
bool KeychainStore::prepareFile()
{
    const QByteArray path = QFile::encodeName(filePath());
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool ok = ::fchmod(fd, 0600) == 0;
    ::close(fd);
    return ok;
}

bool KeychainStore::configure()
{
    return pragmaAnswers("PRAGMA journal_mode=WAL", "wal") && execute("PRAGMA synchronous=FULL")
        && execute("PRAGMA foreign_keys=OFF")
        // Overwritten value data is zeroed, not left in free space.
        && execute("PRAGMA secure_delete=ON");
}

KeychainStore::OpenResult KeychainStore::checkContents()
{
    // A statement that cannot run (no descriptor, no read access) is no
    // verdict on the contents; only answers and corruption codes are.
    KeychainStatement check(m_db, QStringLiteral("PRAGMA quick_check"));
    if (const int rc = check.step(); rc != SQLITE_ROW)
        return verdict(rc);
    if (check.text(0) != QLatin1String("ok"))
        return OpenResult::Unreadable;
    KeychainStatement version(m_db, QStringLiteral("PRAGMA user_version"));
    if (const int rc = version.step(); rc != SQLITE_ROW)
        return verdict(rc);
    const qint64 found = version.integer(0);
    if (found == 0)
        return checkEmpty();
    if (found != schemaVersion && found != plainOnlyVersion)
        return OpenResult::Unreadable;
    KeychainStatement probe(
        m_db, QString::fromLatin1(found == schemaVersion ? probeItems : probeVersion1));
    const int rc = probe.prepareStatus();
    if (rc == SQLITE_OK)
        return found == schemaVersion ? OpenResult::Ready : OpenResult::Outdated;
    // A missing table or column is a foreign schema.
    return (rc & 0xff) == SQLITE_ERROR ? OpenResult::Unreadable : verdict(rc);
}

KeychainStore::OpenResult KeychainStore::checkEmpty()
{
    KeychainStatement tables(m_db, QStringLiteral("SELECT count(*) FROM sqlite_master"));
    if (const int rc = tables.step(); rc != SQLITE_ROW)
        return verdict(rc);
    return tables.integer(0) == 0 ? OpenResult::Empty : OpenResult::Unreadable;
}

bool KeychainStore::createSchema()
{
    return changeSchema(createItems);
}

// The items keep their plain value data; sealing them is the sealer's work.
bool KeychainStore::upgradeSchema()
{
    return changeSchema(addNonce);
}

bool KeychainStore::changeSchema(const char *sql)
{
    if (!begin())
        return false;
    const QByteArray setVersion = "PRAGMA user_version=" + QByteArray::number(schemaVersion);
    if (execute(sql) && execute(setVersion.constData()) && commit())
        return true;
    rollback();
    return false;
}

void KeychainStore::checkpoint()
{
    execute("PRAGMA wal_checkpoint(TRUNCATE)");
}

void KeychainStore::close()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

bool KeychainStore::moveAside()
{
    close();
    const QString stamp = QDateTime::fromMSecsSinceEpoch(qint64(Clock::now() * 1000.0), Qt::UTC)
                              .toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = filePath() + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = filePath() + QStringLiteral(".unreadable-") + stamp + QLatin1Char('-')
            + QString::number(n);
    if (!QFile::rename(filePath(), target)) {
        qCWarning(lcPlatform) << "could not move the unreadable keychain store aside:"
                              << filePath();
        return false;
    }
    // The journal belongs to the moved file; keep the pair together.
    for (const char *suffix : {"-wal", "-shm"}) {
        const QString companion = filePath() + QLatin1String(suffix);
        if (QFileInfo::exists(companion))
            QFile::rename(companion, target + QLatin1String(suffix));
    }
    qCWarning(lcPlatform) << "keychain store was unreadable; moved it to" << target
                          << "and started an empty one";
    return true;
}

bool KeychainStore::begin()
{
    return connection() && execute("BEGIN IMMEDIATE");
}

bool KeychainStore::commit()
{
    return execute("COMMIT");
}

void KeychainStore::rollback()
{
    if (m_db && !sqlite3_get_autocommit(m_db))
        execute("ROLLBACK");
}

void KeychainStore::noteFailure(int sqliteCode)
{
    if (!m_db)
        return;
    qCWarning(lcPlatform) << "keychain store error:" << sqlite3_errstr(sqliteCode);
    if (isCorruption(sqliteCode)) {
        rollback();
        close();
    }
}

bool KeychainStore::execute(const char *sql)
{
    if (!m_db)
        return false;
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    return rc == SQLITE_OK;
}

bool KeychainStore::pragmaAnswers(const char *sql, const char *expected)
{
    KeychainStatement statement(m_db, QString::fromLatin1(sql));
    return statement.step() == SQLITE_ROW && statement.text(0) == QLatin1String(expected);
}

void KeychainStore::restrictModes() const
{
    for (const char *suffix : {"", "-wal", "-shm"}) {
        const QString path = filePath() + QLatin1String(suffix);
        if (QFileInfo::exists(path))
            AppPaths::makePrivateFile(path);
    }
}
