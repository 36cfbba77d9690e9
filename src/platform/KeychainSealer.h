#pragma once

#include <QByteArray>
#include <QString>

class KeychainItem;
class KeychainStore;

// Whether, and under which key, the keychain's value data is sealed. With a
// Secret Service the data is sealed under its master key and plain rows left
// by an earlier run are sealed once, in one transaction. Without one (no
// session bus, a desktop without a keyring) the data stays plain, as it
// always was. A keyring that is locked or does not answer makes every call
// fail without touching the file; the next call asks again.
class KeychainSealer
{
public:
    KeychainSealer();
    ~KeychainSealer();
    KeychainSealer(const KeychainSealer &) = delete;
    KeychainSealer &operator=(const KeychainSealer &) = delete;

    // KeychainStatus::Success when the store may be used now, else the
    // status every operation answers: InteractionNotAllowed while the
    // keyring is locked, NotAvailable when the key cannot be had.
    int prepare(KeychainStore &store);

    // What to store for plain under the identity: the sealed bytes and the
    // nonce, or the plain bytes and a null nonce. False when sealing failed.
    bool seal(const QString &service, const QString &account, const QByteArray &plain,
              QByteArray &stored, QByteArray &nonce) const;
    // Replaces item.data by its plain bytes; false when it fails to open.
    bool open(KeychainItem &item) const;

private:
    enum class Mode { Undecided, Plain, Sealed };

    int adoptKey(KeychainStore &store, bool create);
    int goPlain(KeychainStore &store);
    bool hasSealedRows(KeychainStore &store, bool &sealed) const;
    bool sealPlainRows(KeychainStore &store, int &count) const;

    Mode m_mode = Mode::Undecided;
    QByteArray m_key;
};
