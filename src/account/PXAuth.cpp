#include "PXAuth.h"

#include "AccountLog.h"
#include "CXBase64.h"
#include "Clock.h"
#include "DRKeychain.h"
#include "DeviceInfo.h"
#include "Keychain.h"
#include "OTPOffsetSource.h"
#include "PXServiceAPI.h"
#include "TOTPAuthURL.h"
#include "UserDefaults.h"

#include <KelvoConfig.h>

#include <cmath>

namespace {
// The authority whose offset the codes read, so that a destroyed one is
// never asked.
QPointer<PXAuth> &offsetOwner()
{
    static QPointer<PXAuth> owner;
    return owner;
}

QString bundleIdentifier()
{
    return QString::fromLatin1(KelvoConfig::bundleIdentifier);
}

// The statuses of a keychain that holds its items but cannot open them now.
bool isUnreadableNow(int status)
{
    return status == KeychainStatus::InteractionNotAllowed
        || status == KeychainStatus::NotAvailable;
}
} // namespace

PXAuth &PXAuth::sharedAuth()
{
    static PXAuth *shared = [] {
        auto *auth = new PXAuth(UserDefaults::standardUserDefaults(), Keychain::defaultKeychain());
        auth->installOffsetSource();
        return auth;
    }();
    return *shared;
}

PXAuth::PXAuth(UserDefaults &defaults, Keychain &keychain, QObject *parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_keychain(keychain)
{ }

PXAuth::~PXAuth()
{
    if (offsetOwner() == this)
        OTPOffsetSource::setProvider({});
}

void PXAuth::installOffsetSource()
{
    offsetOwner() = this;
    OTPOffsetSource::setProvider([] {
        PXAuth *owner = offsetOwner();
        return owner ? owner->timeStamp() : 0.0;
    });
}

std::shared_ptr<OTPAuthURL> PXAuth::authURL()
{
    if (m_authURL)
        return m_authURL;
    const QByteArray ref = m_defaults.dataForKey(keychainItemRefKey);
    if (!ref.isEmpty())
        m_authURL = OTPAuthURL::authURLWithKeychainItemRef(ref, m_keychain);
    m_accountUnavailable = !m_authURL && !ref.isEmpty()
        && isUnreadableNow(
            m_keychain.copyMatching({{KeychainKey::Class, KeychainKey::ClassGenericPassword},
                                     {KeychainKey::ValuePersistentRef, ref}}));
    if (m_accountUnavailable)
        qCWarning(lcAccount) << "the bound account's keychain cannot be read now; it is kept";
    return m_authURL;
}

void PXAuth::setAuthURL(std::shared_ptr<OTPAuthURL> authURL)
{
    m_authURL = std::move(authURL);
}

bool PXAuth::setAuthURL(const QString &secretText, const QString &name)
{
    const QByteArray key = CXBase64::encodeData(secretText.toUtf8());
    std::unique_ptr<TOTPAuthURL> account = TOTPAuthURL::initWithSecret(key, name);
    if (!account) {
        qCWarning(lcAccount) << "the bound account could not be created";
        return false;
    }
    account->setKeychain(m_keychain);
    const bool saved = account->saveToKeychain();
    const QByteArray ref = account->keychainItemRef();
    m_authURL = std::move(account);
    if (ref.isNull())
        m_defaults.removeObjectForKey(keychainItemRefKey);
    else
        m_defaults.setObject(ref, keychainItemRefKey);
    // Flushed now: a reference lost to a crash would unbind the account.
    m_defaults.synchronize();
    return saved;
}

void PXAuth::removeAuthURL()
{
    m_defaults.removeObjectForKey(keychainItemRefKey);
}

double PXAuth::timeStamp()
{
    if (m_timeStamp == 0.0)
        m_timeStamp = m_defaults.doubleForKey(timeStampKey);
    return m_timeStamp;
}

void PXAuth::setTimeStamp(double timeStamp)
{
    m_timeStamp = timeStamp;
}

void PXAuth::getServerTime(const PXRequestOptions &options)
{
    const QPointer<PXAuth> self(this);
    PXServiceAPI::getServerTime(
        [self](const PXServiceAPI::Payload &payload) {
            if (self)
                self->acceptServerTime(PXServiceAPI::readMsgNumber(payload));
        },
        [self](const QString &) {
            if (self)
                self->fallBackToStoredTimeStamp();
        },
        options);
}

// A "msg" that is not a positive number is no clock: taking it as 0 would
// move every code back to 1970, so such a reply counts as a failed request.
void PXAuth::acceptServerTime(double milliseconds)
{
    if (!std::isfinite(milliseconds) || milliseconds <= 0.0) {
        qCWarning(lcAccount) << "the service time reply carried no usable time";
        fallBackToStoredTimeStamp();
        return;
    }
    m_timeStamp = milliseconds / 1000.0 - Clock::now();
    m_defaults.setDouble(m_timeStamp, timeStampKey);
    m_defaults.synchronize();
    Q_EMIT serverTimeReplied(true);
}

void PXAuth::fallBackToStoredTimeStamp()
{
    m_timeStamp = m_defaults.doubleForKey(timeStampKey);
    Q_EMIT serverTimeReplied(false);
}

QString PXAuth::getUUID()
{
    if (!m_uuid.isNull())
        return m_uuid;
    DRKeychainError error;
    m_uuid = DRKeychain::passwordForService(bundleIdentifier(), uuidAccount, &error, m_keychain);
    if (!m_uuid.isEmpty())
        return m_uuid;
    // A stored identifier that cannot be read now is still the device's: a
    // new one would change the binding's secret. Ask again next time.
    if (isUnreadableNow(error.code)) {
        m_uuid.clear();
        return {};
    }
    m_uuid = DeviceInfo::identifierForVendor();
    if (!DRKeychain::setPassword(m_uuid, bundleIdentifier(), uuidAccount, nullptr, m_keychain))
        qCWarning(lcAccount) << "the device identifier could not be stored";
    return m_uuid;
}
