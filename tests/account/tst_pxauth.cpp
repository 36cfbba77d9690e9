#include "Clock.h"
#include "DRKeychain.h"
#include "DeviceInfo.h"
#include "FileModes.h"
#include "IndependentCode.h"
#include "Keychain.h"
#include "NotificationCenter.h"
#include "PXAuth.h"
#include "ScriptedHttpServer.h"
#include "TOTPAuthURL.h"
#include "UserDefaults.h"

#include <QtTest>

namespace {
const QString deviceId = QStringLiteral("0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0");
const QString phone = QStringLiteral("13800138000");
const QString secretText = phone + QStringLiteral(",482913,") + deviceId;

QStringList capturedLog;
QtMessageHandler previousHandler = nullptr;

void captureMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    capturedLog.append(message);
    if (previousHandler)
        previousHandler(type, context, message);
}

} // namespace

class tst_PXAuth : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { previousHandler = qInstallMessageHandler(captureMessage); }
    void init()
    {
        DeviceInfo::setFixedValues(deviceId, QStringLiteral("17.0"));
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        restart();
    }

    void cleanup()
    {
        m_auth.reset();
        m_keychain.reset();
        m_defaults.reset();
        m_dir.reset();
        Clock::clearFixedTime();
    }

    // Nothing of the secret may reach a log line, whatever the tests did.
    void cleanupTestCase()
    {
        qInstallMessageHandler(previousHandler);
        const QString key = QString::fromLatin1(secretText.toUtf8().toBase64());
        for (const QString &line : std::as_const(capturedLog))
            QVERIFY2(!line.contains(key) && !line.contains(QStringLiteral("482913")),
                     qPrintable(line));
    }

    void freshInstall()
    {
        QVERIFY(!m_auth->authURL());
        QCOMPARE(m_auth->timeStamp(), 0.0);
        // An offset of exactly 0 is "not known yet": the store is asked again.
        m_defaults->setDouble(2.5, PXAuth::timeStampKey);
        QCOMPARE(m_auth->timeStamp(), 2.5);
        QCOMPARE(m_auth->getUUID(), deviceId);
        // Whatever the platform reports later, the stored identifier stays.
        DeviceInfo::setFixedValues(QStringLiteral("AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE"),
                                   QStringLiteral("18.0"));
        restart();
        QCOMPARE(m_auth->getUUID(), deviceId);
    }

    void bindingAcrossRestarts()
    {
        Clock::setFixedTime(1700000000.0);
        QVERIFY(m_auth->setAuthURL(QStringLiteral("1,000111,2"), phone));
        // A screen shows the first account and observes it while a pushed
        // binding screen binds the second one.
        std::shared_ptr<OTPAuthURL> shown = m_auth->authURL();
        const QByteArray firstRef = shown->keychainItemRef();
        NotificationCenter &center = NotificationCenter::defaultCenter();
        QObject screen;
        int newCodes = 0;
        center.addObserver(&screen, OTPAuthURL::OTPAuthURLDidGenerateNewOTPNotification,
                           shown.get(), [&newCodes](const Notification &) { ++newCodes; });
        QVERIFY(m_auth->setAuthURL(secretText, phone));
        center.postNotification(TOTPAuthURL::TOTPAuthURLTimerNotification,
                                TOTPAuthURL::classToken());
        QCOMPARE(newCodes, 1);
        QCOMPARE(shown->keychainItemRef(), firstRef);
        // Released by its last holder, the old account stops taking ticks.
        const int observers = center.observerCount();
        shown.reset();
        QCOMPARE(center.observerCount(), observers - 1);
        auto *bound = qobject_cast<TOTPAuthURL *>(m_auth->authURL().get());
        QVERIFY(bound && bound->keychainItemRef() != firstRef);
        const QByteArray ref = bound->keychainItemRef();
        const QString code = bound->otpCode();
        const QUrl url = bound->url();

        const QByteArray defaultsFile = fileBytes(m_defaults->filePath());
        QVERIFY(defaultsFile.contains("Ref") && !defaultsFile.contains("482913")
                && !defaultsFile.contains(secretText.toUtf8().toBase64()));

        restart();
        const std::shared_ptr<OTPAuthURL> loaded = m_auth->authURL();
        QVERIFY(qobject_cast<TOTPAuthURL *>(loaded.get()));
        QCOMPARE(loaded->keychainItemRef(), ref);
        QCOMPARE(loaded->url(), url);
        QCOMPARE(loaded->otpCode(), code);
        // The first binding's item stays.
        QCOMPARE(DRKeychain::allAccounts(nullptr, *m_keychain).value().size(), 2);

        // Removing forgets only the reference, from the next start on.
        m_auth->removeAuthURL();
        QVERIFY(m_auth->authURL());
        m_defaults->synchronize();
        restart();
        QVERIFY(!m_auth->authURL());
        QCOMPARE(DRKeychain::allAccounts(nullptr, *m_keychain).value().size(), 2);
    }

    void failedSaveBindsForThisRunOnly()
    {
        QVERIFY(m_auth->setAuthURL(QStringLiteral("1,000111,2"), phone));
        QVERIFY(QDir(keychainFolder()).removeRecursively());
        QVERIFY(blockKeychain());
        restart();
        QVERIFY(!m_auth->setAuthURL(secretText, phone));
        QCOMPARE(m_auth->authURL()->name(), phone);
        QVERIFY(m_defaults->dataForKey(PXAuth::keychainItemRefKey).isNull());
        restart();
        QVERIFY(!m_auth->authURL());
    }

    // A keychain unreadable for now (as under a locked keyring) is no unbinding,
    // and no reason to invent a new device identifier.
    void unreadableKeychainKeepsTheAccount()
    {
        QCOMPARE(m_auth->getUUID(), deviceId);
        QVERIFY(m_auth->setAuthURL(secretText, phone));
        const QString folder = keychainFolder();
        QVERIFY(QDir().rename(folder, folder + QStringLiteral(".away")));
        QVERIFY(blockKeychain());
        DeviceInfo::setFixedValues(QStringLiteral("AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE"),
                                   QStringLiteral("18.0"));
        restart();
        QVERIFY(!m_auth->authURL());
        QVERIFY(m_auth->accountUnavailable());
        QVERIFY(m_auth->getUUID().isNull());
        QVERIFY(QFile::remove(folder));
        QVERIFY(QDir().rename(folder + QStringLiteral(".away"), folder));
        QCOMPARE(m_auth->authURL()->name(), phone);
        QVERIFY(!m_auth->accountUnavailable());
        QCOMPARE(m_auth->getUUID(), deviceId);
    }

    void serverTime_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<double>("deviceTime");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<double>("expected");

        const auto data
            = [](const char *json) -> QByteArray { return "{\"data\":" + QByteArray(json) + '}'; };
        const double now = 1700000000.0;
        // Rejected answers fall back to the stored offset of 7 seconds.
        QTest::newRow("service ahead")
            << data(R"({"code":0,"msg":1700000000000})") << 200 << 1699999990.5 << true << 9.5;
        QTest::newRow("behind, numeric text")
            << data(R"({"msg":"1700000000250"})") << 200 << 1700000012.0 << true << -11.75;
        QTest::newRow("code not looked at")
            << data(R"({"code":1,"msg":1700000000000})") << 200 << 1699999999.0 << true << 1.0;
        QTest::newRow("server error")
            << data(R"({"msg":1700000000000})") << 500 << now << false << 7.0;
        QTest::newRow("msg text") << data(R"({"msg":"soon"})") << 200 << now << false << 7.0;
        QTest::newRow("msg zero") << data(R"({"msg":0})") << 200 << now << false << 7.0;
    }

    void serverTime()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(double, deviceTime);
        QFETCH(bool, accepted);
        QFETCH(double, expected);
        m_defaults->setDouble(7.0, PXAuth::timeStampKey);
        m_auth->setTimeStamp(3.0);
        Clock::setFixedTime(deviceTime);
        ScriptedHttpServer server;
        QVERIFY(server.start());
        ScriptedHttpServer::Reply reply = ScriptedHttpServer::json(body);
        reply.status = status;
        server.setDefaultReply(reply);

        PXRequestOptions options;
        options.baseURL = server.baseURL();
        QSignalSpy replied(m_auth.get(), &PXAuth::serverTimeReplied);
        m_auth->getServerTime(options);
        QVERIFY(replied.wait(10000));
        QCOMPARE(replied.size(), 1);
        QCOMPARE(replied.first(), QVariantList {QVariant(accepted)});
        QCOMPARE(server.requests().value(0).path(), QByteArray("/clientcall/getServerTime"));
        QCOMPARE(m_auth->timeStamp(), expected);
        restart();
        QCOMPARE(m_auth->timeStamp(), expected);
    }

    void codeMatchesDirectDerivation_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("deviceTime");
        QTest::addColumn<double>("offset");

        QTest::newRow("offset crosses a period")
            << secretText << 1699999919.6 << 0.5; // 1699999920 = 180 * k
        QTest::newRow("behind, fractional")
            << "15900001111,000001,FFFFFFFF-0000-1111-2222-333333333333" << 1700000100.25 << -95.75;
        QTest::newRow("padding in Base64") << "1,2,3" << 1234567890.0 << 12.0;
    }

    void codeMatchesDirectDerivation()
    {
        QFETCH(QString, text);
        QFETCH(double, deviceTime);
        QFETCH(double, offset);
        QVERIFY(m_auth->setAuthURL(text, text.section(QLatin1Char(','), 0, 0)));
        m_auth->setTimeStamp(offset);
        Clock::setFixedTime(deviceTime);
        QCOMPARE(m_auth->authURL()->otpCode(), independentCode(text, deviceTime + offset));
    }

    void absentOrEmptyPasswordReadsNull()
    {
        const QString service = QStringLiteral("svc"), account = PXAuth::uuidAccount;
        QVERIFY(DRKeychain::passwordForService(service, account, nullptr, *m_keychain).isNull());
        QVERIFY(DRKeychain::setPassword(QString(""), service, account, nullptr, *m_keychain));
        QVERIFY(DRKeychain::passwordForService(service, account, nullptr, *m_keychain).isNull());
    }

private:
    QString keychainFolder() const { return m_dir->path() + QStringLiteral("/Keychain"); }

    // The keychain's folder becomes unusable: a file stands in its place.
    bool blockKeychain() { return QFile(keychainFolder()).open(QIODevice::WriteOnly); }

    // A new process: the stores are reopened from their files.
    void restart()
    {
        m_auth.reset();
        m_keychain.reset();
        m_defaults.reset();
        m_defaults
            = std::make_unique<UserDefaults>(m_dir->path() + QStringLiteral("/defaults.ini"));
        m_keychain = std::make_unique<Keychain>(keychainFolder());
        m_auth = std::make_unique<PXAuth>(*m_defaults, *m_keychain);
        m_auth->installOffsetSource();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<UserDefaults> m_defaults;
    std::unique_ptr<Keychain> m_keychain;
    std::unique_ptr<PXAuth> m_auth;
};

QTEST_GUILESS_MAIN(tst_PXAuth)
#include "tst_pxauth.moc"
