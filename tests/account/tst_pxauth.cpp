#include "Clock.h"
#include "DRKeychain.h"
#include "DeviceInfo.h"
#include "Keychain.h"
#include "OTPGenerator.h"
#include "PXAuth.h"
#include "ScriptedHttpServer.h"
#include "ServiceProcess.h"
#include "TOTPAuthURL.h"
#include "UserDefaults.h"

#include <KelvoConfig.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <openssl/evp.h>
#include <openssl/hmac.h>

Q_DECLARE_METATYPE(ScriptedHttpServer::Reply)

namespace {
const QString deviceId = QStringLiteral("0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0");
const QString phone = QStringLiteral("13800138000");
const QString secretText = phone + QStringLiteral(",482913,") + deviceId;

QStringList &capturedLog()
{
    static QStringList lines;
    return lines;
}

QtMessageHandler previousHandler = nullptr;

void captureMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    capturedLog().append(message);
    if (previousHandler)
        previousHandler(type, context, message);
}

// The code computed without any of our classes: HMAC-SHA-1 keyed by the
// ASCII of Base64(secret text), over the big-endian 180-second counter.
QString referenceCode(const QString &text, double seconds)
{
    const QByteArray key = text.toUtf8().toBase64();
    const auto counter = quint64(std::floor(seconds / 180.0));
    unsigned char message[8];
    for (int i = 0; i < 8; ++i)
        message[i] = static_cast<unsigned char>(counter >> (56 - 8 * i));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    HMAC(EVP_sha1(), key.constData(), int(key.size()), message, sizeof message, digest, &length);
    const int offset = digest[length - 1] & 0x0f;
    const quint32 binary = (quint32(digest[offset] & 0x7f) << 24)
        | (quint32(digest[offset + 1]) << 16) | (quint32(digest[offset + 2]) << 8)
        | quint32(digest[offset + 3]);
    return QStringLiteral("%1").arg(binary % 1000000, 6, 10, QLatin1Char('0'));
}

ScriptedHttpServer::Reply serverTimeReply(const QByteArray &data)
{
    return ScriptedHttpServer::json(R"({"data":)" + data + "}");
}
} // namespace

class tst_PXAuth : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void freshInstall();
    void bindingSurvivesRestart();
    void bindingTwiceKeepsBothItems();
    void accountLoadRetriedWhileNoneHeld();
    void removeAuthURLForgetsOnlyReference();
    void zeroOffsetReReadFromStore();
    void serverTimeAccepted_data();
    void serverTimeAccepted();
    void serverTimeRejected_data();
    void serverTimeRejected();
    void codeMatchesDirectDerivation_data();
    void codeMatchesDirectDerivation();
    void offsetFromReferenceService();

private:
    void restart();
    PXRequestOptions optionsFor(const QUrl &baseURL) const;
    double runServerTime(const ScriptedHttpServer::Reply &reply, bool *accepted);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<UserDefaults> m_defaults;
    std::unique_ptr<Keychain> m_keychain;
    std::unique_ptr<PXAuth> m_auth;
};

void tst_PXAuth::initTestCase()
{
    previousHandler = qInstallMessageHandler(captureMessage);
}

void tst_PXAuth::init()
{
    DeviceInfo::setFixedValues(deviceId, QStringLiteral("17.0"));
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    restart();
}

void tst_PXAuth::cleanup()
{
    m_auth.reset();
    m_keychain.reset();
    m_defaults.reset();
    m_dir.reset();
    Clock::clearFixedTime();
}

// Nothing of the secret may reach a log line, whatever the tests did.
void tst_PXAuth::cleanupTestCase()
{
    qInstallMessageHandler(previousHandler);
    const QString key = QString::fromLatin1(secretText.toUtf8().toBase64());
    for (const QString &line : capturedLog()) {
        QVERIFY2(!line.contains(secretText) && !line.contains(key), qPrintable(line));
        QVERIFY2(!line.contains(QStringLiteral("482913")), qPrintable(line));
    }
}

// A new process: the stores are reopened from their files.
void tst_PXAuth::restart()
{
    m_auth.reset();
    m_keychain.reset();
    m_defaults.reset();
    m_defaults = std::make_unique<UserDefaults>(m_dir->path() + QStringLiteral("/defaults.ini"));
    m_keychain = std::make_unique<Keychain>(m_dir->path() + QStringLiteral("/Keychain"));
    m_auth = std::make_unique<PXAuth>(*m_defaults, *m_keychain);
    m_auth->installOffsetSource();
}

PXRequestOptions tst_PXAuth::optionsFor(const QUrl &baseURL) const
{
    PXRequestOptions options;
    options.baseURL = baseURL;
    options.timeout = std::chrono::milliseconds(5000);
    return options;
}

double tst_PXAuth::runServerTime(const ScriptedHttpServer::Reply &reply, bool *accepted)
{
    ScriptedHttpServer server;
    if (!server.start())
        return NAN;
    server.setDefaultReply(reply);
    QSignalSpy replied(m_auth.get(), &PXAuth::serverTimeReplied);
    m_auth->getServerTime(optionsFor(server.baseURL()));
    if (!replied.wait(10000) || replied.size() != 1)
        return NAN;
    *accepted = replied.first().first().toBool();
    if (server.requests().value(0).path() != "/clientcall/getServerTime")
        return NAN;
    return m_auth->timeStamp();
}

void tst_PXAuth::freshInstall()
{
    QVERIFY(!m_auth->authURL());
    QCOMPARE(m_auth->timeStamp(), 0.0);
    QCOMPARE(m_auth->getUUID(), deviceId);
    // Whatever the platform reports later, the stored identifier stays.
    DeviceInfo::setFixedValues(QStringLiteral("AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE"),
                               QStringLiteral("18.0"));
    restart();
    QCOMPARE(m_auth->getUUID(), deviceId);
    QCOMPARE(DRKeychain::passwordForService(QString::fromLatin1(KelvoConfig::bundleIdentifier),
                                            QStringLiteral("UUID"), nullptr, *m_keychain),
             deviceId);
}

void tst_PXAuth::bindingSurvivesRestart()
{
    QVERIFY(m_auth->setAuthURL(secretText, phone));
    auto *bound = qobject_cast<TOTPAuthURL *>(m_auth->authURL());
    QVERIFY(bound);
    QCOMPARE(bound->name(), phone);
    QCOMPARE(bound->generator()->secret(), secretText.toUtf8().toBase64());
    QCOMPARE(m_defaults->dataForKey(PXAuth::keychainItemRefKey), bound->keychainItemRef());
    const QString code = bound->otpCode();
    const QUrl url = bound->url();

    QFile stored(m_defaults->filePath());
    QVERIFY(stored.open(QIODevice::ReadOnly));
    const QByteArray defaultsFile = stored.readAll();
    QVERIFY(!defaultsFile.isEmpty());
    QVERIFY(!defaultsFile.contains(secretText.toUtf8()));
    QVERIFY(!defaultsFile.contains(secretText.toUtf8().toBase64()));
    QVERIFY(!defaultsFile.contains("482913"));

    restart();
    OTPAuthURL *loaded = m_auth->authURL();
    QVERIFY(qobject_cast<TOTPAuthURL *>(loaded));
    QCOMPARE(loaded->name(), phone);
    QCOMPARE(loaded->generator()->secret(), secretText.toUtf8().toBase64());
    QCOMPARE(loaded->url(), url);
    QCOMPARE(loaded->otpCode(), code);
}

void tst_PXAuth::bindingTwiceKeepsBothItems()
{
    QVERIFY(m_auth->setAuthURL(secretText, phone));
    const QByteArray firstRef = m_auth->authURL()->keychainItemRef();
    const QString secondSecret = phone + QStringLiteral(",000111,") + deviceId;
    QVERIFY(m_auth->setAuthURL(secondSecret, phone));
    const QByteArray secondRef = m_auth->authURL()->keychainItemRef();
    QVERIFY(secondRef != firstRef);
    QCOMPARE(m_auth->authURL()->name(), phone);

    const auto items = DRKeychain::allAccounts(nullptr, *m_keychain);
    QVERIFY(items);
    QStringList accounts;
    for (const QVariantMap &item : *items)
        accounts.append(item.value(KeychainKey::Account).toString());
    accounts.sort();
    QCOMPARE(accounts.size(), 2);
    QCOMPARE(accounts.first(), phone);
    QVERIFY(accounts.last().startsWith(phone + QLatin1Char('.')));

    restart();
    QVERIFY(m_auth->authURL());
    QCOMPARE(m_auth->authURL()->keychainItemRef(), secondRef);
    QCOMPARE(m_auth->authURL()->generator()->secret(), secondSecret.toUtf8().toBase64());
}

void tst_PXAuth::accountLoadRetriedWhileNoneHeld()
{
    m_defaults->setObject(QByteArray(16, '\x01'), PXAuth::keychainItemRefKey);
    QVERIFY(!m_auth->authURL());

    // Another writer stores an account and its reference: the next ask finds it.
    std::unique_ptr<TOTPAuthURL> account = TOTPAuthURL::initWithSecret("key", phone);
    account->setKeychain(*m_keychain);
    QVERIFY(account->saveToKeychain());
    m_defaults->setObject(account->keychainItemRef(), PXAuth::keychainItemRefKey);
    QVERIFY(m_auth->authURL());
    QCOMPARE(m_auth->authURL()->keychainItemRef(), account->keychainItemRef());
}

void tst_PXAuth::removeAuthURLForgetsOnlyReference()
{
    QVERIFY(m_auth->setAuthURL(secretText, phone));
    m_auth->removeAuthURL();
    QVERIFY(m_auth->authURL());
    m_defaults->synchronize();
    restart();
    QVERIFY(!m_auth->authURL());
    const auto items = DRKeychain::allAccounts(nullptr, *m_keychain);
    QVERIFY(items);
    QCOMPARE(items->size(), 1);
}

void tst_PXAuth::zeroOffsetReReadFromStore()
{
    m_defaults->setDouble(0.0, PXAuth::timeStampKey);
    QCOMPARE(m_auth->timeStamp(), 0.0);
    m_defaults->setDouble(-2.25, PXAuth::timeStampKey);
    QCOMPARE(m_auth->timeStamp(), -2.25);
    // Once known, the held offset is kept.
    m_defaults->setDouble(7.0, PXAuth::timeStampKey);
    QCOMPARE(m_auth->timeStamp(), -2.25);
    m_auth->setTimeStamp(1.5);
    QCOMPARE(m_auth->timeStamp(), 1.5);
}

void tst_PXAuth::serverTimeAccepted_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<double>("deviceTime");
    QTest::addColumn<double>("expected");

    QTest::newRow("service ahead")
        << QByteArray(R"({"code":0,"msg":1700000000000})") << 1699999990.5 << 9.5;
    QTest::newRow("service behind")
        << QByteArray(R"({"code":0,"msg":1700000000000})") << 1700000012.0 << -12.0;
    QTest::newRow("numeric text") << QByteArray(R"({"msg":"1700000000250"})") << 1700000000.0
                                  << 0.25;
    QTest::newRow("code not looked at")
        << QByteArray(R"({"code":1,"msg":1700000000000})") << 1699999999.0 << 1.0;
}

void tst_PXAuth::serverTimeAccepted()
{
    QFETCH(QByteArray, data);
    QFETCH(double, deviceTime);
    QFETCH(double, expected);
    Clock::setFixedTime(deviceTime);
    bool accepted = false;
    const double offset = runServerTime(serverTimeReply(data), &accepted);
    QVERIFY(accepted);
    QVERIFY(qAbs(offset - expected) < 1e-6);

    restart();
    QVERIFY(qAbs(m_auth->timeStamp() - expected) < 1e-6);
}

void tst_PXAuth::serverTimeRejected_data()
{
    QTest::addColumn<ScriptedHttpServer::Reply>("reply");

    ScriptedHttpServer::Reply serverError = serverTimeReply(R"({"msg":1700000000000})");
    serverError.status = 500;

    QTest::newRow("server error") << serverError;
    QTest::newRow("not JSON") << ScriptedHttpServer::json("<html>");
    QTest::newRow("msg absent") << serverTimeReply(R"({"code":0})");
    QTest::newRow("msg text") << serverTimeReply(R"({"msg":"soon"})");
    QTest::newRow("msg zero") << serverTimeReply(R"({"msg":0})");
    QTest::newRow("msg negative") << serverTimeReply(R"({"msg":-1700000000000})");
}

void tst_PXAuth::serverTimeRejected()
{
    QFETCH(ScriptedHttpServer::Reply, reply);
    m_defaults->setDouble(9.5, PXAuth::timeStampKey);
    m_auth->setTimeStamp(3.0);
    Clock::setFixedTime(1700000000.0);
    bool accepted = true;
    const double offset = runServerTime(reply, &accepted);
    QVERIFY(!accepted);
    // Back to what was last stored, which stays as it was.
    QCOMPARE(offset, 9.5);
    QCOMPARE(m_defaults->doubleForKey(PXAuth::timeStampKey), 9.5);
}

void tst_PXAuth::codeMatchesDirectDerivation_data()
{
    QTest::addColumn<QString>("phoneNumber");
    QTest::addColumn<QString>("smsCode");
    QTest::addColumn<QString>("device");
    QTest::addColumn<double>("deviceTime");
    QTest::addColumn<double>("offset");

    QTest::newRow("no offset") << phone << "482913" << deviceId << 1700000000.0 << 0.0;
    QTest::newRow("offset crosses a period")
        << phone << "482913" << deviceId << 1699999919.6 << 0.5; // 1699999920 = 180 * k
    QTest::newRow("behind, fractional") << "15900001111"
                                        << "000001" << deviceId << 1700000100.25 << -95.75;
    QTest::newRow("other device") << "18612345678"
                                  << "990011"
                                  << "FFFFFFFF-0000-1111-2222-333333333333" << 1234567890.0 << 12.0;
    QTest::newRow("padding in Base64") << "1"
                                       << "2"
                                       << "3" << 1700000000.0 << 0.0;
}

void tst_PXAuth::codeMatchesDirectDerivation()
{
    QFETCH(QString, phoneNumber);
    QFETCH(QString, smsCode);
    QFETCH(QString, device);
    QFETCH(double, deviceTime);
    QFETCH(double, offset);
    const QString text = QStringLiteral("%1,%2,%3").arg(phoneNumber, smsCode, device);
    QVERIFY(m_auth->setAuthURL(text, phoneNumber));
    m_auth->setTimeStamp(offset);
    Clock::setFixedTime(deviceTime);
    QCOMPARE(m_auth->authURL()->otpCode(), referenceCode(text, deviceTime + offset));
}

void tst_PXAuth::offsetFromReferenceService()
{
#ifndef KELVO_SERVICE_BIN
    QSKIP("the reference service is not part of this build");
#else
    ServiceProcess service(QStringLiteral(KELVO_SERVICE_BIN));
    QVERIFY(service.start());
    // The device clock runs 1000 seconds behind the machine the service uses.
    const double deviceBehind = 1000.0;
    Clock::clearFixedTime();
    Clock::setFixedTime(Clock::now() - deviceBehind);
    QSignalSpy replied(m_auth.get(), &PXAuth::serverTimeReplied);
    m_auth->getServerTime(optionsFor(service.baseURL()));
    QVERIFY(replied.wait(10000));
    QCOMPARE(replied.first().first().toBool(), true);
    QVERIFY2(qAbs(m_auth->timeStamp() - deviceBehind) < 5.0,
             qPrintable(QString::number(m_auth->timeStamp())));
#endif
}

QTEST_GUILESS_MAIN(tst_PXAuth)
#include "tst_pxauth.moc"
