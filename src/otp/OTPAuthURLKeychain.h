#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantMap>

class Keychain;

// How an account sits in the keychain: one generic-password item per
// account under one service name of ours, the account's name as the item's
// account, its URL (never the secret) as the generic attribute and the
// secret as the value data.
class OTPAuthURLKeychain
{
public:
    // The service of every account item.
    static QString serviceName();
    // The most names an add tries before giving up on duplicates.
    static constexpr int maximumAddTries = 1000;

    // Adds a new item under name, or "name.<random>" while names are taken.
    // The item's persistent reference, or null on failure.
    static QByteArray add(Keychain &keychain, const QString &name, const QByteArray &secret,
                          const QByteArray &urlText);
    // Rewrites only the generic attribute of the referenced item.
    static bool updateURL(Keychain &keychain, const QByteArray &ref, const QByteArray &urlText);
    static bool remove(Keychain &keychain, const QByteArray &ref);
    // The item's attributes with its value data; empty on failure.
    static QVariantMap itemDictionary(Keychain &keychain, const QByteArray &ref);
    // The URL text and the secret stored in an item's dictionary.
    static QString urlText(const QVariantMap &dictionary);
    static QByteArray secret(const QVariantMap &dictionary);

private:
    static QString nameForTry(const QString &name, int attempt);
    static QVariantMap byReference(const QByteArray &ref);
};
