#include "KeychainRequest.h"

#include "KeychainKeys.h"

namespace {
int takeText(const QVariant &value, std::optional<QString> &field)
{
    if (value.typeId() != QMetaType::QString)
        return KeychainStatus::Param;
    field = value.toString();
    return KeychainStatus::Success;
}

int takeBytes(const QVariant &value, std::optional<QByteArray> &field)
{
    if (value.typeId() != QMetaType::QByteArray)
        return KeychainStatus::Param;
    field = value.toByteArray();
    return KeychainStatus::Success;
}

bool isKnownAccessibility(const QString &value)
{
    using namespace KeychainKey;
    for (const QString &known :
         {AccessibleWhenUnlocked, AccessibleAfterFirstUnlock, AccessibleAlways,
          AccessibleWhenPasscodeSetThisDeviceOnly, AccessibleWhenUnlockedThisDeviceOnly,
          AccessibleAfterFirstUnlockThisDeviceOnly, AccessibleAlwaysThisDeviceOnly}) {
        if (value == known)
            return true;
    }
    return false;
}

using Term = std::pair<const char *, QVariant>;

template<typename T>
void addOptional(QList<Term> &terms, const char *column, const std::optional<T> &field)
{
    if (field)
        terms.append({column, QVariant::fromValue(*field)});
}

QString joinTerms(const QList<Term> &terms, const QString &separator, QVariantList &values)
{
    QString clause;
    for (const Term &term : terms) {
        if (!clause.isEmpty())
            clause += separator;
        clause += QLatin1String(term.first) + QStringLiteral(" = ?");
        values.append(term.second);
    }
    return clause;
}
} // namespace

int KeychainRequest::parse(const QVariantMap &dictionary, Use use, KeychainRequest &out)
{
    out = KeychainRequest();
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
        const int status = out.take(it.key(), it.value());
        if (status != KeychainStatus::Success)
            return status;
    }
    return out.checkUse(use);
}

int KeychainRequest::take(const QString &key, const QVariant &value)
{
    using namespace KeychainKey;
    if (key == Class) {
        hasClass = true;
        return value.typeId() == QMetaType::QString && value.toString() == ClassGenericPassword
            ? KeychainStatus::Success
            : KeychainStatus::Param;
    }
    if (key == Service)
        return takeText(value, service);
    if (key == Account)
        return takeText(value, account);
    if (key == Label)
        return takeText(value, label);
    if (key == AccessGroup)
        return takeText(value, accessGroup);
    if (key == Accessible) {
        const int status = takeText(value, accessible);
        return status == KeychainStatus::Success && !isKnownAccessibility(*accessible)
            ? KeychainStatus::Param
            : status;
    }
    if (key == Generic)
        return takeBytes(value, generic);
    if (key == ValueData)
        return takeBytes(value, data);
    if (key == ValuePersistentRef)
        return takeBytes(value, persistentRef);
    if (key == Synchronizable)
        return takeSynchronizable(value);
    if (key == MatchLimit)
        return takeMatchLimit(value);
    return takeReturn(key, value);
}

int KeychainRequest::takeReturn(const QString &key, const QVariant &value)
{
    bool *flag = nullptr;
    if (key == KeychainKey::ReturnData)
        flag = &returnData;
    else if (key == KeychainKey::ReturnAttributes)
        flag = &returnAttributes;
    else if (key == KeychainKey::ReturnPersistentRef)
        flag = &returnPersistentRef;
    if (!flag || value.typeId() != QMetaType::Bool)
        return KeychainStatus::Param;
    *flag = value.toBool();
    return KeychainStatus::Success;
}

int KeychainRequest::takeSynchronizable(const QVariant &value)
{
    if (value.typeId() == QMetaType::Bool) {
        synchronizable = value.toBool();
        return KeychainStatus::Success;
    }
    if (value.typeId() == QMetaType::QString
        && value.toString() == KeychainKey::SynchronizableAny) {
        synchronizableAny = true;
        return KeychainStatus::Success;
    }
    return KeychainStatus::Param;
}

int KeychainRequest::takeMatchLimit(const QVariant &value)
{
    if (value.typeId() != QMetaType::QString)
        return KeychainStatus::Param;
    if (value.toString() == KeychainKey::MatchLimitAll)
        matchAll = true;
    else if (value.toString() != KeychainKey::MatchLimitOne)
        return KeychainStatus::Param;
    return KeychainStatus::Success;
}

bool KeychainRequest::returnsAnything() const
{
    return returnData || returnAttributes || returnPersistentRef;
}

int KeychainRequest::checkUse(Use use) const
{
    bool ok = true;
    switch (use) {
    case Use::Add:
        ok = hasClass && !persistentRef && !synchronizableAny && !matchAll;
        break;
    case Use::Query:
        ok = hasClass && !data;
        break;
    case Use::Update:
        ok = !persistentRef && !synchronizableAny && !returnsAnything() && !matchAll;
        break;
    }
    return ok ? KeychainStatus::Success : KeychainStatus::Param;
}

bool KeychainRequest::isEmptyUpdate() const
{
    return !service && !account && !label && !accessGroup && !accessible && !generic && !data
        && !synchronizable;
}

// The attributes an item is matched on and that an update may change.
QList<Term> KeychainRequest::attributeTerms() const
{
    QList<Term> terms;
    addOptional(terms, "service", service);
    addOptional(terms, "account", account);
    addOptional(terms, "label", label);
    addOptional(terms, "access_group", accessGroup);
    addOptional(terms, "accessible", accessible);
    addOptional(terms, "generic", generic);
    return terms;
}

QString KeychainRequest::whereClause(QVariantList &values) const
{
    QList<Term> terms {{"class", KeychainKey::ClassGenericPassword}};
    addOptional(terms, "ref", persistentRef);
    terms += attributeTerms();
    if (!synchronizableAny)
        terms.append({"synchronizable", synchronizable.value_or(false)});
    return joinTerms(terms, QStringLiteral(" AND "), values);
}

QString KeychainRequest::setClause(QVariantList &values) const
{
    QList<Term> terms = attributeTerms();
    addOptional(terms, "data", data);
    addOptional(terms, "synchronizable", synchronizable);
    return joinTerms(terms, QStringLiteral(", "), values);
}
