#include "KeychainItem.h"

#include "KeychainKeys.h"
#include "KeychainRequest.h"
#include "KeychainStatement.h"

#include <QDateTime>
#include <cmath>

namespace {
// Dates come from a file that may have been damaged; only convert values a
// date can hold.
QVariant dateFromSeconds(double seconds)
{
    constexpr double limit = 1.0e11; // beyond the year 5000
    if (!std::isfinite(seconds) || std::fabs(seconds) > limit)
        return {};
    return QDateTime::fromMSecsSinceEpoch(qint64(std::llround(seconds * 1000.0)), Qt::UTC);
}

void insertIfPresent(QVariantMap &map, const QString &key, const QString &value)
{
    if (!value.isNull())
        map.insert(key, value);
}
} // namespace

QString KeychainItem::columns()
{
    return QStringLiteral("ref, class, service, account, label, generic, access_group, accessible,"
                          " synchronizable, data, created, modified, nonce");
}

KeychainItem KeychainItem::fromRow(const KeychainStatement &row)
{
    KeychainItem item;
    item.persistentRef = row.blob(0);
    item.itemClass = row.text(1);
    item.service = row.text(2);
    item.account = row.text(3);
    item.label = row.text(4);
    item.generic = row.blob(5);
    item.accessGroup = row.text(6);
    item.accessible = row.text(7);
    item.synchronizable = row.integer(8) != 0;
    item.data = row.blob(9);
    item.created = row.real(10);
    item.modified = row.real(11);
    item.nonce = row.blob(12);
    return item;
}

QVariantMap KeychainItem::attributes() const
{
    using namespace KeychainKey;
    QVariantMap map;
    map.insert(Class, itemClass);
    map.insert(Service, service);
    map.insert(Account, account);
    insertIfPresent(map, Label, label);
    insertIfPresent(map, AccessGroup, accessGroup);
    insertIfPresent(map, Accessible, accessible);
    if (!generic.isNull())
        map.insert(Generic, generic);
    map.insert(Synchronizable, synchronizable);
    const QVariant createdDate = dateFromSeconds(created);
    if (createdDate.isValid())
        map.insert(CreationDate, createdDate);
    const QVariant modifiedDate = dateFromSeconds(modified);
    if (modifiedDate.isValid())
        map.insert(ModificationDate, modifiedDate);
    return map;
}

QVariant KeychainItem::resultFor(const KeychainRequest &request) const
{
    const int kinds = int(request.returnData) + int(request.returnAttributes)
        + int(request.returnPersistentRef);
    if (kinds == 0)
        return {};
    if (kinds == 1) {
        if (request.returnData)
            return data;
        if (request.returnPersistentRef)
            return persistentRef;
        return attributes();
    }
    QVariantMap map = request.returnAttributes ? attributes() : QVariantMap();
    if (request.returnData)
        map.insert(KeychainKey::ValueData, data);
    if (request.returnPersistentRef)
        map.insert(KeychainKey::ValuePersistentRef, persistentRef);
    return map;
}
