#include "OTPAuthURL.h"

#include "CXScanner.h"
#include "CXStringEncoding.h"
#include "CXURLArguments.h"
#include "HOTPAuthURL.h"
#include "Keychain.h"
#include "OTPAuthURLKeychain.h"
#include "OTPGenerator.h"
#include "TOTPAuthURL.h"

namespace {

const CXStringEncoding &otpauthBase32()
{
    static const std::unique_ptr<CXStringEncoding> codec = [] {
        auto base32 = CXStringEncoding::stringEncodingWithString(
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ234567"));
        base32->addDecodeSynonyms(
            QStringLiteral("AaBbCcDdEeFfGgHhIiJjKkLlMmNnOoPpQqRrSsTtUuVvWwXxYyZz"));
        base32->ignoreCharacters(QStringLiteral(" -"));
        return base32;
    }();
    return *codec;
}

// The text before the first ':', as written.
QString rawScheme(const QString &text)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    return colon < 0 ? QString() : text.left(colon);
}

} // namespace

OTPAuthURL::OTPAuthURL(std::shared_ptr<OTPGenerator> generator, const QString &name)
    : m_name(name)
    , m_generator(std::move(generator))
{ }

OTPAuthURL::~OTPAuthURL() = default;

QByteArray OTPAuthURL::base32Decode(const QString &string)
{
    return otpauthBase32().decode(string);
}

QString OTPAuthURL::encodeBase32(const QByteArray &data)
{
    return otpauthBase32().encode(data);
}

std::unique_ptr<OTPAuthURL> OTPAuthURL::authURLWithURL(const QString &urlText,
                                                       const QByteArray &secret)
{
    const QUrl url(urlText, QUrl::StrictMode);
    if (!url.isValid())
        return nullptr;
    const QString scheme = rawScheme(urlText);
    if (scheme == QLatin1String("totp"))
        return TOTPAuthURL::initWithTOTPURL(urlText);
    if (scheme != QLatin1String("otpauth"))
        return nullptr;

    // Decoded strictly: a name whose escapes are not UTF-8 is refused, not
    // turned into replacement characters.
    const QString path
        = CXURLArguments::cx_stringByRemovingPercentEscapes(url.path(QUrl::FullyEncoded));
    if (path.size() < 2)
        return nullptr;
    const QString name = path.startsWith(QLatin1Char('/')) ? path.mid(1) : path;
    const auto query
        = CXURLArguments::cx_dictionaryWithHttpArgumentsString(url.query(QUrl::FullyEncoded));

    const QString algorithm
        = query.value(QStringLiteral("algorithm"), OTPGenerator::defaultAlgorithm());
    QByteArray key = secret;
    if (key.isNull() && query.contains(QStringLiteral("secret")))
        key = base32Decode(query.value(QStringLiteral("secret")));
    if (key.isNull())
        return nullptr;
    // Read like a C integer: its leading number, 0 when there is none.
    int digits = int(OTPGenerator::defaultDigits());
    if (query.contains(QStringLiteral("digits"))
        && !CXScanner(query.value(QStringLiteral("digits"))).scanInt(&digits))
        digits = 0;
    if (digits < 0)
        return nullptr;

    const QString type = writtenHost(urlText, url);
    if (type == QLatin1String("totp"))
        return TOTPAuthURL::initWithName(name, key, algorithm, unsigned(digits), query);
    if (type == QLatin1String("hotp"))
        return HOTPAuthURL::initWithName(name, key, algorithm, unsigned(digits), query);
    return nullptr;
}

std::unique_ptr<OTPAuthURL>
OTPAuthURL::authURLWithKeychainItemRef(const QByteArray &keychainItemRef, Keychain &keychain)
{
    if (keychainItemRef.isEmpty())
        return nullptr;
    const QVariantMap item = OTPAuthURLKeychain::itemDictionary(keychain, keychainItemRef);
    if (item.isEmpty())
        return nullptr;
    std::unique_ptr<OTPAuthURL> url = authURLWithKeychainDictionary(item);
    if (url) {
        url->setKeychainItemRef(keychainItemRef);
        url->setKeychain(keychain);
    }
    return url;
}

std::unique_ptr<OTPAuthURL>
OTPAuthURL::authURLWithKeychainItemRef(const QByteArray &keychainItemRef)
{
    return authURLWithKeychainItemRef(keychainItemRef, Keychain::defaultKeychain());
}

std::unique_ptr<OTPAuthURL> OTPAuthURL::authURLWithKeychainDictionary(const QVariantMap &dictionary)
{
    const QString urlText = OTPAuthURLKeychain::urlText(dictionary);
    if (urlText.isEmpty())
        return nullptr;
    return authURLWithURL(urlText, OTPAuthURLKeychain::secret(dictionary));
}

Keychain &OTPAuthURL::keychain() const
{
    return m_keychain ? *m_keychain : Keychain::defaultKeychain();
}

bool OTPAuthURL::saveToKeychain()
{
    const QByteArray urlText = url().toString(QUrl::FullyEncoded).toUtf8();
    if (isInKeychain())
        return OTPAuthURLKeychain::updateURL(keychain(), m_keychainItemRef, urlText);
    const QByteArray ref
        = OTPAuthURLKeychain::add(keychain(), m_name, m_generator->secret(), urlText);
    if (ref.isNull())
        return false;
    m_keychainItemRef = ref;
    return true;
}

bool OTPAuthURL::removeFromKeychain()
{
    if (!isInKeychain() || !OTPAuthURLKeychain::remove(keychain(), m_keychainItemRef))
        return false;
    m_keychainItemRef = QByteArray();
    return true;
}

QString OTPAuthURL::writtenHost(const QString &text, const QUrl &url)
{
    const qsizetype marker = text.indexOf(QLatin1String("://"));
    if (marker < 0)
        return url.host();
    const qsizetype start = marker + 3;
    qsizetype end = start;
    while (end < text.size() && !QStringView(u"/?#").contains(text.at(end)))
        ++end;
    QString host = text.mid(start, end - start);
    host = host.mid(host.lastIndexOf(QLatin1Char('@')) + 1);
    const qsizetype port = host.indexOf(QLatin1Char(':'));
    if (port >= 0)
        host.truncate(port);
    return host.compare(url.host(), Qt::CaseInsensitive) == 0 ? host : url.host();
}

QString OTPAuthURL::checkCode() const
{
    return m_generator->generateOTPForCounter(0);
}

void OTPAuthURL::generateNextOTPCode() { }

QString OTPAuthURL::description() const
{
    const auto identity
        = [](const void *p) { return QStringLiteral("0x%1").arg(quintptr(p), 0, 16); };
    const void *ref = m_keychainItemRef.isNull() ? nullptr : m_keychainItemRef.constData();
    return QStringLiteral("<%1 %2> Name: %3 ref: %4 checkCode: %5")
        .arg(QString::fromLatin1(metaObject()->className()), identity(this), m_name, identity(ref),
             checkCode());
}

QMap<QString, QString> OTPAuthURL::commonArguments() const
{
    QMap<QString, QString> arguments;
    if (m_generator->algorithm() != OTPGenerator::defaultAlgorithm())
        arguments.insert(QStringLiteral("algorithm"), m_generator->algorithm());
    if (m_generator->digits() != OTPGenerator::defaultDigits())
        arguments.insert(QStringLiteral("digits"), QString::number(m_generator->digits()));
    return arguments;
}

QUrl OTPAuthURL::urlWithType(const QString &type, const QMap<QString, QString> &arguments) const
{
    const QString text = QStringLiteral("otpauth://%1/%2?%3")
                             .arg(type, CXURLArguments::cx_stringByEscapingForURLArgument(m_name),
                                  CXURLArguments::cx_httpArgumentsString(arguments));
    return QUrl(text, QUrl::StrictMode);
}
