#include "Keychain.h"

#include "AppPaths.h"
#include "Clock.h"
#include "KeychainItem.h"
#include "KeychainRequest.h"
#include "KeychainSealer.h"
#include "KeychainStatement.h"
#include "KeychainStore.h"

#include <QRandomGenerator>
#include <sqlite3.h>

namespace {
constexpr int persistentRefSize = 16;

QByteArray newPersistentRef()
{
    QByteArray ref(persistentRefSize, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(ref.data()),
                                          persistentRefSize / int(sizeof(quint32)));
    return ref;
}

bool isConstraint(int code)
{
    return (code & 0xff) == SQLITE_CONSTRAINT;
}
} // namespace

// Every operation is one transaction: it commits only when the operation
// succeeded, so a failure part-way leaves the store as it was.
template<typename Operation> int Keychain::inTransaction(Operation operation)
{
    QMutexLocker locker(&m_mutex);
    if (const int ready = m_sealer->prepare(*m_store); ready != KeychainStatus::Success)
        return ready;
    if (!m_store->begin())
        return KeychainStatus::NotAvailable;
    const int status = operation();
    if (status == KeychainStatus::Success && m_store->commit())
        return status;
    m_store->rollback();
    return status == KeychainStatus::Success ? KeychainStatus::NotAvailable : status;
}

Keychain &Keychain::defaultKeychain()
{
    static Keychain keychain(AppPaths::dataRoot() + QStringLiteral("/Keychain"));
    return keychain;
}

Keychain::Keychain(const QString &folder)
    : m_folder(folder)
    , m_store(std::make_unique<KeychainStore>(folder))
    , m_sealer(std::make_unique<KeychainSealer>())
{ }

Keychain::~Keychain() = default;

QString Keychain::folder() const
{
    return m_folder;
}

QString Keychain::filePath() const
{
    return m_store->filePath();
}

int Keychain::addItem(const QVariantMap &attributes, QVariant *result)
{
    KeychainRequest request;
    const int status = KeychainRequest::parse(attributes, KeychainRequest::Use::Add, request);
    if (status != KeychainStatus::Success)
        return status;
    return inTransaction([&] { return insert(request, result); });
}

int Keychain::copyMatching(const QVariantMap &query, QVariant *result)
{
    KeychainRequest request;
    const int status = KeychainRequest::parse(query, KeychainRequest::Use::Query, request);
    if (status != KeychainStatus::Success)
        return status;
    return inTransaction([&] { return select(request, result); });
}

int Keychain::updateItems(const QVariantMap &query, const QVariantMap &attributesToUpdate)
{
    KeychainRequest match;
    KeychainRequest changes;
    int status = KeychainRequest::parse(query, KeychainRequest::Use::Query, match);
    if (status == KeychainStatus::Success)
        status = KeychainRequest::parse(attributesToUpdate, KeychainRequest::Use::Update, changes);
    if (status != KeychainStatus::Success)
        return status;
    if (changes.isEmptyUpdate())
        return KeychainStatus::Param;
    return inTransaction([&] { return change(match, changes); });
}

int Keychain::deleteItems(const QVariantMap &query)
{
    KeychainRequest match;
    const int status = KeychainRequest::parse(query, KeychainRequest::Use::Query, match);
    if (status != KeychainStatus::Success)
        return status;
    return inTransaction([&] { return remove(match); });
}

int Keychain::failed(int sqliteCode)
{
    m_store->noteFailure(sqliteCode);
    return KeychainStatus::NotAvailable;
}

int Keychain::insert(const KeychainRequest &request, QVariant *result)
{
    bool taken = false;
    if (!nameTaken(request, taken))
        return KeychainStatus::NotAvailable;
    if (taken)
        return KeychainStatus::DuplicateItem;
    const double now = Clock::now();
    const QByteArray ref = newPersistentRef();
    const QString service = request.service.value_or(QString());
    const QString account = request.account.value_or(QString());
    QByteArray data;
    QByteArray nonce;
    if (!m_sealer->seal(service, account, request.data.value_or(QByteArray()), data, nonce))
        return KeychainStatus::NotAvailable;
    KeychainStatement statement(m_store->connection(),
                                QStringLiteral("INSERT INTO items (") + KeychainItem::columns()
                                    + QStringLiteral(") VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)"));
    const auto text
        = [](const std::optional<QString> &field) { return field ? QVariant(*field) : QVariant(); };
    const auto bytes = [](const std::optional<QByteArray> &field) {
        return field ? QVariant(*field) : QVariant();
    };
    statement.bindAll({ref, KeychainKey::ClassGenericPassword, service, account,
                       text(request.label), bytes(request.generic), text(request.accessGroup),
                       text(request.accessible), request.synchronizable.value_or(false), data, now,
                       now, nonce});
    const int rc = statement.step();
    if (rc != SQLITE_DONE)
        return isConstraint(rc) ? KeychainStatus::DuplicateItem : failed(rc);
    if (!result)
        return KeychainStatus::Success;
    KeychainItem item;
    if (!readByRef(ref, item))
        return KeychainStatus::NotAvailable;
    if (request.returnData && !m_sealer->open(item))
        return KeychainStatus::Decode;
    *result = item.resultFor(request);
    return KeychainStatus::Success;
}

bool Keychain::nameTaken(const KeychainRequest &request, bool &taken)
{
    KeychainStatement statement(
        m_store->connection(),
        QStringLiteral("SELECT 1 FROM items WHERE class = ? AND service = ? AND account = ?"));
    statement.bindAll({KeychainKey::ClassGenericPassword, request.service.value_or(QString()),
                       request.account.value_or(QString())});
    const int rc = statement.step();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        failed(rc);
        return false;
    }
    taken = rc == SQLITE_ROW;
    return true;
}

bool Keychain::readByRef(const QByteArray &ref, KeychainItem &item)
{
    KeychainStatement statement(m_store->connection(),
                                QStringLiteral("SELECT ") + KeychainItem::columns()
                                    + QStringLiteral(" FROM items WHERE ref = ?"));
    statement.bindAll({ref});
    const int rc = statement.step();
    if (rc != SQLITE_ROW) {
        failed(rc);
        return false;
    }
    item = KeychainItem::fromRow(statement);
    return true;
}

int Keychain::select(const KeychainRequest &request, QVariant *result)
{
    QVariantList values;
    QString sql = QStringLiteral("SELECT ") + KeychainItem::columns()
        + QStringLiteral(" FROM items WHERE ") + request.whereClause(values)
        + QStringLiteral(" ORDER BY rowid");
    if (!request.matchAll)
        sql += QStringLiteral(" LIMIT 1");
    KeychainStatement statement(m_store->connection(), sql);
    statement.bindAll(values);
    QVariantList found;
    int rc = SQLITE_ROW;
    bool damaged = false;
    while ((rc = statement.step()) == SQLITE_ROW) {
        KeychainItem item = KeychainItem::fromRow(statement);
        // A row whose data fails to open is that row's damage: its caller
        // hears so, and never gets bytes meant for another item.
        if (request.returnData && !m_sealer->open(item))
            damaged = true;
        else
            found.append(item.resultFor(request));
    }
    if (rc != SQLITE_DONE)
        return failed(rc);
    if (damaged && found.isEmpty())
        return KeychainStatus::Decode;
    if (found.isEmpty())
        return KeychainStatus::ItemNotFound;
    if (result)
        *result = request.matchAll ? QVariant(found) : found.constFirst();
    return KeychainStatus::Success;
}

int Keychain::change(const KeychainRequest &match, const KeychainRequest &changes)
{
    if (!changes.data && !changes.service && !changes.account)
        return changeAttributes(match, changes);
    std::vector<KeychainItem> items;
    if (const int status = collect(match, items); status != KeychainStatus::Success)
        return status;
    for (KeychainItem &item : items) {
        if (const int status = reseal(item, changes); status != KeychainStatus::Success)
            return status;
    }
    return items.empty() ? KeychainStatus::ItemNotFound : KeychainStatus::Success;
}

int Keychain::changeAttributes(const KeychainRequest &match, const KeychainRequest &changes)
{
    QVariantList values;
    QString sql = QStringLiteral("UPDATE items SET ") + changes.setClause(values)
        + QStringLiteral(", modified = ?");
    values.append(Clock::now());
    sql += QStringLiteral(" WHERE ") + match.whereClause(values);
    KeychainStatement statement(m_store->connection(), sql);
    statement.bindAll(values);
    const int rc = statement.step();
    if (rc != SQLITE_DONE)
        return isConstraint(rc) ? KeychainStatus::DuplicateItem : failed(rc);
    return sqlite3_changes(m_store->connection()) > 0 ? KeychainStatus::Success
                                                      : KeychainStatus::ItemNotFound;
}

int Keychain::collect(const KeychainRequest &match, std::vector<KeychainItem> &items)
{
    QVariantList values;
    KeychainStatement statement(m_store->connection(),
                                QStringLiteral("SELECT ") + KeychainItem::columns()
                                    + QStringLiteral(" FROM items WHERE ")
                                    + match.whereClause(values));
    statement.bindAll(values);
    int rc = SQLITE_ROW;
    while ((rc = statement.step()) == SQLITE_ROW)
        items.push_back(KeychainItem::fromRow(statement));
    return rc == SQLITE_DONE ? KeychainStatus::Success : failed(rc);
}

// Sealed value data is bound to the item's service and account, so a change
// of either, or of the data, writes the data again under the new identity.
int Keychain::reseal(KeychainItem &item, const KeychainRequest &changes)
{
    if (!changes.data && !m_sealer->open(item))
        return KeychainStatus::Decode;
    QByteArray data;
    QByteArray nonce;
    if (!m_sealer->seal(changes.service.value_or(item.service),
                        changes.account.value_or(item.account), changes.data.value_or(item.data),
                        data, nonce))
        return KeychainStatus::NotAvailable;
    KeychainRequest attributes = changes;
    attributes.data.reset();
    QVariantList values;
    QString sql = QStringLiteral("UPDATE items SET ");
    if (!attributes.isEmptyUpdate())
        sql += attributes.setClause(values) + QStringLiteral(", ");
    sql += QStringLiteral("data = ?, nonce = ?, modified = ? WHERE ref = ?");
    values << data << nonce << Clock::now() << item.persistentRef;
    KeychainStatement statement(m_store->connection(), sql);
    statement.bindAll(values);
    const int rc = statement.step();
    if (rc != SQLITE_DONE)
        return isConstraint(rc) ? KeychainStatus::DuplicateItem : failed(rc);
    return KeychainStatus::Success;
}

int Keychain::remove(const KeychainRequest &match)
{
    QVariantList values;
    KeychainStatement statement(m_store->connection(),
                                QStringLiteral("DELETE FROM items WHERE ")
                                    + match.whereClause(values));
    statement.bindAll(values);
    const int rc = statement.step();
    if (rc != SQLITE_DONE)
        return failed(rc);
    return sqlite3_changes(m_store->connection()) > 0 ? KeychainStatus::Success
                                                      : KeychainStatus::ItemNotFound;
}
