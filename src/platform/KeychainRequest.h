#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <optional>
#include <utility>

// One dictionary handed to Keychain, checked and split into its parts: the
// item attributes it names, the values, what to return and how many. Each
// operation then says which parts it accepts.
class KeychainRequest
{
public:
    enum class Use { Add, Query, Update };

    // KeychainStatus::Success, or Param for an unknown key, a value of the
    // wrong type, or a part the use does not accept.
    static int parse(const QVariantMap &dictionary, Use use, KeychainRequest &out);

    // "column = ? AND ..." over the attributes named, and its bound values.
    QString whereClause(QVariantList &values) const;
    // "column = ?, ..." for an update, and its bound values.
    QString setClause(QVariantList &values) const;

    bool isEmptyUpdate() const;

    std::optional<QString> service;
    std::optional<QString> account;
    std::optional<QString> label;
    std::optional<QString> accessGroup;
    std::optional<QString> accessible;
    std::optional<QByteArray> generic;
    std::optional<QByteArray> data;
    std::optional<QByteArray> persistentRef;
    std::optional<bool> synchronizable;
    bool synchronizableAny = false;
    bool hasClass = false;

    bool returnData = false;
    bool returnAttributes = false;
    bool returnPersistentRef = false;
    bool matchAll = false;

private:
    QList<std::pair<const char *, QVariant>> attributeTerms() const;
    int take(const QString &key, const QVariant &value);
    int takeReturn(const QString &key, const QVariant &value);
    int takeSynchronizable(const QVariant &value);
    int takeMatchLimit(const QVariant &value);
    int checkUse(Use use) const;
    bool returnsAnything() const;
};
