#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariantMap>
#include <memory>

class Keychain;
class OTPGenerator;

// One account: a display name, the generator holding its secret, and the
// persistent reference of its keychain item once it has been stored. It
// reads and writes the "otpauth" URL that is kept beside the secret. A
// QObject because accounts observe and post notifications as themselves.
class OTPAuthURL : public QObject
{
    Q_OBJECT
public:
    static inline const QString OTPAuthURLDidGenerateNewOTPNotification
        = QStringLiteral("OTPAuthURLDidGenerateNewOTPNotification");
    static inline const QString OTPAuthURLWillGenerateNewOTPWarningNotification
        = QStringLiteral("OTPAuthURLWillGenerateNewOTPWarningNotification");
    static inline const QString OTPAuthURLSecondsBeforeNewOTP
        = QStringLiteral("OTPAuthURLSecondsBeforeNewOTP");

    // Parses "otpauth://totp|hotp/<name>?<arguments>" or the older
    // "totp://<user>@<host>#<base32 secret>". A non-null secret replaces the
    // URL's "secret" argument (not used by the older form). The scheme and
    // the type are compared case-sensitively, so the text is taken as given
    // rather than as a QUrl, which would fold their case. Null on any fault.
    static std::unique_ptr<OTPAuthURL> authURLWithURL(const QString &url,
                                                      const QByteArray &secret = QByteArray());

    // Rebuilds a saved account from its keychain item, with its reference
    // set; null for a missing or unknown reference or an unreadable item.
    static std::unique_ptr<OTPAuthURL> authURLWithKeychainItemRef(const QByteArray &keychainItemRef,
                                                                  Keychain &keychain);
    static std::unique_ptr<OTPAuthURL>
    authURLWithKeychainItemRef(const QByteArray &keychainItemRef);
    // From an item's attribute dictionary with its value data: the generic
    // attribute is the URL text, the data the secret.
    static std::unique_ptr<OTPAuthURL> authURLWithKeychainDictionary(const QVariantMap &dictionary);

    // Base32 of RFC 4648 without padding; decoding folds case and skips
    // spaces and hyphens. Null when the text does not decode.
    static QByteArray base32Decode(const QString &string);
    static QString encodeBase32(const QByteArray &data);

    ~OTPAuthURL() override;

    QString name() const { return m_name; }
    void setName(const QString &name) { m_name = name; }
    std::shared_ptr<OTPGenerator> generator() const { return m_generator; }

    // Null until the account has been saved to the keychain.
    QByteArray keychainItemRef() const { return m_keychainItemRef; }
    void setKeychainItemRef(const QByteArray &keychainItemRef)
    {
        m_keychainItemRef = keychainItemRef;
    }

    // The keychain the account is saved in: the app's own unless set (the
    // keychain must outlive the account).
    Keychain &keychain() const;
    void setKeychain(Keychain &keychain) { m_keychain = &keychain; }

    // A new account is added as a new item (under "name.<n>" while its name
    // is taken) and keeps the item's reference; a saved one only has its
    // stored URL rewritten. The name itself never changes.
    bool saveToKeychain();
    // Deletes the referenced item and forgets the reference; false without
    // a reference or when the item could not be deleted.
    bool removeFromKeychain();
    bool isInKeychain() const { return !m_keychainItemRef.isNull(); }

    // The URL without the secret; arguments equal to the defaults are left
    // out, but the "?" is always written.
    virtual QUrl url() const = 0;
    // The code to show now.
    virtual QString otpCode() const = 0;
    // The code for counter 0: identifies secret, algorithm and digits.
    QString checkCode() const;
    virtual void generateNextOTPCode();
    QString description() const;

protected:
    OTPAuthURL(std::shared_ptr<OTPGenerator> generator, const QString &name);

    // QUrl folds the host to lower case, but the host is compared (as the
    // type) and shown (in the older form's name) as written.
    static QString writtenHost(const QString &text, const QUrl &url);

    // Shared by the subclasses' url(): "otpauth://<type>/<name>?<arguments>".
    QUrl urlWithType(const QString &type, const QMap<QString, QString> &arguments) const;
    // The parts common to both types: "algorithm" and "digits" when they
    // differ from the defaults.
    QMap<QString, QString> commonArguments() const;

private:
    QString m_name;
    std::shared_ptr<OTPGenerator> m_generator;
    QByteArray m_keychainItemRef;
    Keychain *m_keychain = nullptr;
};
