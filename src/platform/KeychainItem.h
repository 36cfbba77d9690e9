#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <optional>

class KeychainRequest;
class KeychainStatement;

// One stored item as read from the store, and the shapes a lookup hands it
// back in.
class KeychainItem
{
public:
    // The columns fromRow() expects, in order.
    static QString columns();
    static KeychainItem fromRow(const KeychainStatement &row);

    // The attribute dictionary (no value data, no reference).
    QVariantMap attributes() const;
    // What the request asked for: one kind alone is returned bare (the data,
    // the reference or the attribute dictionary); several come together in
    // a dictionary; none gives an invalid QVariant.
    QVariant resultFor(const KeychainRequest &request) const;

    QByteArray persistentRef;
    QString itemClass;
    QString service;
    QString account;
    QString label;
    QByteArray generic;
    QString accessGroup;
    QString accessible;
    bool synchronizable = false;
    QByteArray data;
    double created = 0;
    double modified = 0;
    // Null for plain value data.
    QByteArray nonce;
};
