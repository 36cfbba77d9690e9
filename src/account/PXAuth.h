#pragma once

#include "PXRequestOptions.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

class Keychain;
class OTPAuthURL;
class UserDefaults;

// The bound merchant account, the offset between the device clock and the
// service clock, and the device identifier. One shared instance serves the
// app over the standard stores; tests make their own over temporary ones.
class PXAuth : public QObject
{
    Q_OBJECT
public:
    static inline const QString keychainItemRefKey = QStringLiteral("keychainItemRef");
    static inline const QString timeStampKey = QStringLiteral("timeStamp");
    // The bound phone number: written by binding, read by the code screen and
    // the lock's re-verification.
    static inline const QString phoneNumberKey = QStringLiteral("phoneNumber");
    static inline const QString uuidAccount = QStringLiteral("UUID");

    // Created on first use over the standard user defaults and keychain; it
    // also becomes the offset source of every code.
    static PXAuth &sharedAuth();

    PXAuth(UserDefaults &defaults, Keychain &keychain, QObject *parent = nullptr);
    ~PXAuth() override;

    // The bound account, loaded from the keychain while none is held; null
    // when nothing is bound (or the stored item cannot be read). Shared: a
    // screen showing the account keeps it alive after a rebinding replaced
    // it here.
    std::shared_ptr<OTPAuthURL> authURL();
    // True when the last authURL() found an account bound but its keychain
    // cannot be read now (the desktop keyring is locked or its key cannot be
    // had): the account is kept, not gone, and a later call may load it.
    bool accountUnavailable() const { return m_accountUnavailable; }
    // Replaces the held account; nothing is stored.
    void setAuthURL(std::shared_ptr<OTPAuthURL> authURL);
    // Creates, holds and stores the account of a binding: the HMAC key is the
    // Base64 text of secretText. False when the account could not be created
    // or saved (a created account is still held for this run).
    bool setAuthURL(const QString &secretText, const QString &name);
    // Forgets the stored reference; the held account and its item stay.
    void removeAuthURL();

    // Service clock minus device clock, in seconds.
    double timeStamp();
    void setTimeStamp(double timeStamp);
    // Asks the service for its clock and updates the offset; returns at once.
    void getServerTime(const PXRequestOptions &options = PXRequestOptions());

    // The device identifier sent to the service and mixed into the secret.
    QString getUUID();

    // Makes every code and tick read this authority's offset.
    void installOffsetSource();

Q_SIGNALS:
    // After each getServerTime reply: whether the service's clock was used.
    void serverTimeReplied(bool accepted);

private:
    void acceptServerTime(double milliseconds);
    void fallBackToStoredTimeStamp();

    UserDefaults &m_defaults;
    Keychain &m_keychain;
    std::shared_ptr<OTPAuthURL> m_authURL;
    double m_timeStamp = 0.0;
    QString m_uuid;
    bool m_accountUnavailable = false;
};
