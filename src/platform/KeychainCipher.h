#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// AES-256-GCM over one item's value data. The associated data is the item's
// identity (class, service, account), so value data copied or swapped
// between rows fails to open instead of handing out another item's secret.
class KeychainCipher
{
public:
    static constexpr int nonceSize = 12;
    static constexpr int tagSize = 16;

    static QByteArray identity(const QString &itemClass, const QString &service,
                               const QString &account);
    // The ciphertext followed by the tag, under a fresh random nonce; null on
    // failure.
    static QByteArray seal(const QByteArray &key, const QByteArray &plain,
                           const QByteArray &identity, QByteArray &nonce);
    // The plain value data, or nothing when the tag does not match.
    static std::optional<QByteArray> open(const QByteArray &key, const QByteArray &sealed,
                                          const QByteArray &nonce, const QByteArray &identity);
};
