#include "OTPAuthURLKeychain.h"

#include "Keychain.h"
#include "OtpLog.h"

#include <QStringDecoder>
#include <cstdlib>

using namespace KeychainKey;

QString OTPAuthURLKeychain::serviceName()
{
    return QStringLiteral("com.ostrel.kelvo.otpauth");
}

// The first try uses the name itself; later ones add the C library's
// random(), deliberately left unseeded so a run's names are reproducible.
QString OTPAuthURLKeychain::nameForTry(const QString &name, int attempt)
{
    if (attempt == 0)
        return name;
    return name + QLatin1Char('.') + QString::number(::random());
}

QVariantMap OTPAuthURLKeychain::byReference(const QByteArray &ref)
{
    return {{Class, ClassGenericPassword}, {ValuePersistentRef, ref}};
}

QByteArray OTPAuthURLKeychain::add(Keychain &keychain, const QString &name,
                                   const QByteArray &secret, const QByteArray &urlText)
{
    QVariantMap attributes {{Class, ClassGenericPassword},
                            {Service, serviceName()},
                            {Generic, urlText},
                            {ValueData, secret.isNull() ? QByteArray("", 0) : secret},
                            {ReturnPersistentRef, true}};
    for (int attempt = 0; attempt < maximumAddTries; ++attempt) {
        attributes.insert(Account, nameForTry(name, attempt));
        QVariant ref;
        const int status = keychain.addItem(attributes, &ref);
        if (status == KeychainStatus::Success)
            return ref.toByteArray();
        if (status != KeychainStatus::DuplicateItem) {
            qCWarning(lcOtp) << "saving the account to the keychain failed, status" << status;
            return {};
        }
    }
    qCWarning(lcOtp) << "saving the account to the keychain failed: every name tried is taken";
    return {};
}

bool OTPAuthURLKeychain::updateURL(Keychain &keychain, const QByteArray &ref,
                                   const QByteArray &urlText)
{
    const int status = keychain.updateItems(byReference(ref), {{Generic, urlText}});
    if (status != KeychainStatus::Success)
        qCWarning(lcOtp) << "updating the account's keychain item failed, status" << status;
    return status == KeychainStatus::Success;
}

bool OTPAuthURLKeychain::remove(Keychain &keychain, const QByteArray &ref)
{
    return keychain.deleteItems(byReference(ref)) == KeychainStatus::Success;
}

QVariantMap OTPAuthURLKeychain::itemDictionary(Keychain &keychain, const QByteArray &ref)
{
    QVariantMap query = byReference(ref);
    query.insert(ReturnAttributes, true);
    query.insert(ReturnData, true);
    QVariant result;
    if (keychain.copyMatching(query, &result) != KeychainStatus::Success)
        return {};
    return result.toMap();
}

// Text that is not UTF-8 is no URL of ours; decoding it with replacement
// characters would invent an account name.
QString OTPAuthURLKeychain::urlText(const QVariantMap &dictionary)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    const QString text = decoder(dictionary.value(Generic).toByteArray());
    return decoder.hasError() ? QString() : text;
}

QByteArray OTPAuthURLKeychain::secret(const QVariantMap &dictionary)
{
    return dictionary.value(ValueData).toByteArray();
}
