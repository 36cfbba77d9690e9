#include "CXBase64.h"
#include "PXServiceAPI.h"
#include "ServiceCall.h"
#include "ServiceProcess.h"
#include "TOTPGenerator.h"

#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTest>
#include <cmath>

namespace {

const QString deviceA = QStringLiteral("3F2504E0-4F89-41D3-9A0C-0305E82C3301");
const QString deviceB = QStringLiteral("7C9E6679-7425-40DE-944B-E07FC1F90AE7");
constexpr double period = 180;

QString swapCase(const QString &text)
{
    QString result;
    for (const QChar c : text)
        result += c.isUpper() ? c.toLower() : c.toUpper();
    return result;
}

} // namespace

class tst_ReferenceService : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ServiceProcess> m_service;
    int m_nextPhone = 0;

    PXRequestOptions options() const
    {
        PXRequestOptions result;
        result.baseURL = m_service->baseURL();
        result.timeout = std::chrono::seconds(10);
        return result;
    }

    QString freshPhone() { return QStringLiteral("139%1").arg(++m_nextPhone, 8, 10, QChar('0')); }

    // One catalogue call against the service under test.
    template<typename Endpoint, typename... Args>
    ServiceCall api(Endpoint endpoint, const Args &...args)
    {
        const PXRequestOptions opts = options();
        return ServiceCall::run([&](auto s, auto f) { endpoint(args..., s, f, opts); });
    }

    ServiceCall testRoute(const QString &path, const QVariantMap &params)
    {
        const PXRequestOptions opts = options();
        return ServiceCall::run([&](auto s, auto f) { PXNetwork::get(path, params, s, f, opts); });
    }

    static int codeOf(const ServiceCall &result) { return PXServiceAPI::readCode(result.payload); }

    template<typename Endpoint, typename... Args>
    int apiCode(Endpoint endpoint, const Args &...args)
    {
        return codeOf(api(endpoint, args...));
    }

    QString lastCode(const QString &phone)
    {
        return PXServiceAPI::readMsg(
            testRoute(QStringLiteral("/test/lastCode"), {{QStringLiteral("phone"), phone}})
                .payload);
    }

    void advance(double seconds)
    {
        QCOMPARE(codeOf(testRoute(QStringLiteral("/test/advanceClock"),
                                  {{QStringLiteral("seconds"), seconds}})),
                 0);
    }

    double serviceSeconds()
    {
        const ServiceCall result = api(&PXServiceAPI::getServerTime);
        return PXServiceAPI::readMsgNumber(result.payload) / 1000.0;
    }

    // Requests a code, reads it from the test route and submits it.
    QString bind(const QString &phone, const QString &device)
    {
        const auto sent = api(&PXServiceAPI::getAuthCode, phone, device);
        if (codeOf(sent) != 0)
            return QString();
        const QString key = lastCode(phone);
        const auto checked = api(&PXServiceAPI::checkAuthCode, phone, device, key);
        return codeOf(checked) == 0 ? key : QString();
    }

    int bindState(const QString &phone, const QString &device)
    {
        return apiCode(&PXServiceAPI::verifyPhoneBindState, phone, device);
    }

    int merchantVerify(const QString &phone, const QString &code)
    {
        const PXRequestOptions opts = options();
        return codeOf(ServiceCall::run([&](auto s, auto f) {
            PXNetwork::post(QStringLiteral("/merchant/verifyCode"),
                            {{QStringLiteral("phone"), phone}, {QStringLiteral("code"), code}}, s,
                            f, opts);
        }));
    }

    // The code the app shows: its key is the Base64 text of
    // "phone,message code,device".
    static QString appCode(const QString &phone, const QString &messageCode, const QString &device,
                           double seconds)
    {
        const QByteArray key = CXBase64::encodeData(
            (phone + QLatin1Char(',') + messageCode + QLatin1Char(',') + device).toUtf8());
        const auto generator
            = TOTPGenerator::initWithSecret(key, QStringLiteral("SHA1"), 6, period);
        return generator->generateOTPForCounter(TOTPGenerator::counterForTime(seconds, period));
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_service = std::make_unique<ServiceProcess>(QStringLiteral(KELVO_SERVICE_BIN));
        QVERIFY2(m_service->start(), "kelvo-service did not start");
    }

    // First, while the service clock is still the system clock.
    void serverTimeIsTheServiceClock()
    {
        const double before = double(QDateTime::currentMSecsSinceEpoch());
        const ServiceCall result = api(&PXServiceAPI::getServerTime);
        const double after = double(QDateTime::currentMSecsSinceEpoch());
        QVERIFY(result.succeeded());
        QVERIFY(result.msg().isDouble());
        const double millis = PXServiceAPI::readMsgNumber(result.payload);
        QVERIFY2(millis >= before - 1000 && millis <= after + 1000,
                 qPrintable(result.msg().toVariant().toString()));

        advance(3600);
        const double moved = serviceSeconds() * 1000.0;
        QVERIFY(std::fabs(moved - millis - 3600e3) < 5000);
    }

    void malformedPhonesAreRefused_data()
    {
        QTest::addColumn<QString>("phone");
        QTest::newRow("ten digits") << QStringLiteral("1380013800");
        QTest::newRow("twelve digits") << QStringLiteral("138001380001");
        QTest::newRow("letter") << QStringLiteral("1380013800a");
        QTest::newRow("full-width digits") << QStringLiteral("１３８００１３８０００");
        QTest::newRow("empty") << QString("");
    }

    void malformedPhonesAreRefused()
    {
        QFETCH(QString, phone);
        const QString key = QStringLiteral("abc123");
        const QList<ServiceCall> results = {
            api(&PXServiceAPI::verifyPhoneBindState, phone, deviceA),
            api(&PXServiceAPI::getAuthCode, phone, deviceA),
            api(&PXServiceAPI::checkAuthCode, phone, deviceA, key),
            api(&PXServiceAPI::isShowPellin, phone),
            api(&PXServiceAPI::sendGesturePWDAuthCode, phone),
            api(&PXServiceAPI::checkGesturePWDAuthCode, phone, key),
        };
        for (const ServiceCall &result : results) {
            QVERIFY(result.succeeded());
            QCOMPARE(codeOf(result), -1);
            QVERIFY(!PXServiceAPI::readMsg(result.payload).isEmpty());
        }
    }

    void bindingStateFollowsTheDevice()
    {
        const QString phone = freshPhone();
        QCOMPARE(bindState(phone, deviceA), 0);
        QVERIFY(!bind(phone, deviceA).isEmpty());
        QCOMPARE(bindState(phone, deviceA), 1);
        const ServiceCall other = api(&PXServiceAPI::verifyPhoneBindState, phone, deviceB);
        QCOMPARE(codeOf(other), 2);
        QVERIFY(!PXServiceAPI::readMsg(other.payload).isEmpty());

        // Confirming moves the binding to the new device (a minute later, as
        // codes are sent at most once a minute).
        advance(61);
        QVERIFY(!bind(phone, deviceB).isEmpty());
        QCOMPARE(bindState(phone, deviceB), 1);
        QCOMPARE(bindState(phone, deviceA), 2);
    }

    void messageCodesAreSentAndLimited()
    {
        const QString phone = freshPhone();
        const ServiceCall sent = api(&PXServiceAPI::getAuthCode, phone, deviceA);
        QCOMPARE(codeOf(sent), 0);
        QVERIFY(!PXServiceAPI::readMsg(sent.payload).isEmpty());
        const QString first = lastCode(phone);
        QVERIFY2(QRegularExpression(QStringLiteral("^[A-Za-z0-9]{6}$")).match(first).hasMatch(),
                 qPrintable(first));
        QVERIFY(m_service->output().contains(phone + QStringLiteral(" (bind): ") + first));

        advance(50);
        const ServiceCall early = api(&PXServiceAPI::getAuthCode, phone, deviceA);
        QCOMPARE(codeOf(early), 1);
        QVERIFY(PXServiceAPI::readMsg(early.payload).contains(QStringLiteral("10")));
        QCOMPARE(lastCode(phone), first);

        advance(11);
        QCOMPARE(apiCode(&PXServiceAPI::getAuthCode, phone, deviceA), 0);
        // Only the newest code counts.
        const QString second = lastCode(phone);
        if (second != first) {
            QCOMPARE(apiCode(&PXServiceAPI::checkAuthCode, phone, deviceA, first), 1);
        }
        QCOMPARE(apiCode(&PXServiceAPI::checkAuthCode, phone, deviceA, second), 0);
    }

    void acceptedChecks_data()
    {
        QTest::addColumn<double>("wait");
        QTest::addColumn<int>("wrongFirst");
        QTest::newRow("at once") << 0.0 << 0;
        QTest::newRow("just before expiry") << 295.0 << 0;
        QTest::newRow("after four wrong guesses") << 0.0 << 4;
    }

    void acceptedChecks()
    {
        QFETCH(double, wait);
        QFETCH(int, wrongFirst);
        const QString phone = freshPhone();
        QCOMPARE(apiCode(&PXServiceAPI::getAuthCode, phone, deviceA), 0);
        const QString key = lastCode(phone);
        advance(wait);
        auto check = [&](const QString &typed) {
            return apiCode(&PXServiceAPI::checkAuthCode, phone, deviceA, typed);
        };
        for (int i = 0; i < wrongFirst; ++i)
            QCOMPARE(check(QStringLiteral("000000")), 1);
        QCOMPARE(check(key), 0);
        QCOMPARE(bindState(phone, deviceA), 1);
        // A code is good once.
        QCOMPARE(check(key), 1);
    }

    void refusedChecks_data()
    {
        QTest::addColumn<QString>("variant");
        QTest::addColumn<double>("wait");
        QTest::addColumn<int>("wrongFirst");
        QTest::addColumn<int>("expected");

        QTest::newRow("case swapped") << "case swapped" << 0.0 << 0 << 1;
        QTest::newRow("five characters") << "truncated" << 0.0 << 0 << 1;
        QTest::newRow("from another device") << "other device" << 0.0 << 0 << 1;
        QTest::newRow("never requested") << "unrequested" << 0.0 << 0 << 1;
        QTest::newRow("expired") << "as sent" << 305.0 << 0 << 2;
        QTest::newRow("after five wrong guesses") << "as sent" << 0.0 << 5 << 2;
    }

    void refusedChecks()
    {
        QFETCH(QString, variant);
        QFETCH(double, wait);
        QFETCH(int, wrongFirst);
        QFETCH(int, expected);

        const QString phone = freshPhone();
        QString key = QStringLiteral("Ab12cD");
        if (variant != QLatin1String("unrequested")) {
            QCOMPARE(apiCode(&PXServiceAPI::getAuthCode, phone, deviceA), 0);
            key = lastCode(phone);
        }
        if (variant == QLatin1String("case swapped")) {
            if (swapCase(key) == key)
                QSKIP("the code has no letters");
            key = swapCase(key);
        } else if (variant == QLatin1String("truncated")) {
            key.chop(1);
        }
        const QString device = variant == QLatin1String("other device") ? deviceB : deviceA;
        advance(wait);
        for (int i = 0; i < wrongFirst; ++i) {
            QCOMPARE(
                apiCode(&PXServiceAPI::checkAuthCode, phone, deviceA, QStringLiteral("zzzzzz")), 1);
        }
        const ServiceCall result = api(&PXServiceAPI::checkAuthCode, phone, device, key);
        QCOMPARE(codeOf(result), expected);
        QVERIFY(!PXServiceAPI::readMsg(result.payload).isEmpty());
        QCOMPARE(bindState(phone, deviceA), 0);
    }

    void pellinIsPerPhone()
    {
        const QString phone = freshPhone();
        auto pellin
            = [&](const QString &number) { return apiCode(&PXServiceAPI::isShowPellin, number); };
        QCOMPARE(pellin(phone), 0);
        QCOMPARE(codeOf(testRoute(QStringLiteral("/test/setPellin"),
                                  {{QStringLiteral("phone"), phone}, {QStringLiteral("code"), 2}})),
                 0);
        QCOMPARE(pellin(phone), 2);
        QCOMPARE(pellin(freshPhone()), 0);

        ServiceProcess hidden(QStringLiteral(KELVO_SERVICE_BIN),
                              {QStringLiteral("--hide-pellin"), QStringLiteral("13700000001")});
        QVERIFY(hidden.start());
        PXRequestOptions opts = options();
        opts.baseURL = hidden.baseURL();
        auto pellinThere = [&](const QString &number) {
            return PXServiceAPI::readCode(ServiceCall::run([&](auto s, auto f) {
                                              PXServiceAPI::isShowPellin(number, s, f, opts);
                                          }).payload);
        };
        QCOMPARE(pellinThere(QStringLiteral("13700000001")), 2);
        QCOMPARE(pellinThere(QStringLiteral("13700000002")), 0);
    }

    void gestureCodesNeedABoundPhone()
    {
        const QString phone = freshPhone();
        auto send = [&] { return apiCode(&PXServiceAPI::sendGesturePWDAuthCode, phone); };
        auto check = [&](const QString &key) {
            return apiCode(&PXServiceAPI::checkGesturePWDAuthCode, phone, key);
        };
        QCOMPARE(send(), 3);
        QCOMPARE(check(QStringLiteral("abcdef")), 3);

        const QString bindCode = bind(phone, deviceA);
        QVERIFY(!bindCode.isEmpty());
        QCOMPARE(send(), 0);
        const QString key = lastCode(phone);
        QVERIFY(m_service->output().contains(phone + QStringLiteral(" (gesture): ") + key));
        QCOMPARE(send(), 1); // within the minute
        if (bindCode != key)
            QCOMPARE(check(bindCode), 1);
        QCOMPARE(check(key), 0);
        QCOMPARE(check(key), 1);
    }

    // Bind as the app does, derive the same key, and let the marketplace
    // check codes computed from it.
    void merchantChecksTheAppsCode()
    {
        const QString phone = freshPhone();
        QCOMPARE(bindState(phone, deviceA), 0);
        const QString messageCode = bind(phone, deviceA);
        QVERIFY(!messageCode.isEmpty());

        double now = serviceSeconds();
        if (std::fmod(now, period) > period - 15) {
            advance(20);
            now = serviceSeconds();
        }
        auto codeAt
            = [&](int steps) { return appCode(phone, messageCode, deviceA, now + steps * period); };
        QCOMPARE(merchantVerify(phone, codeAt(-2)), 1);
        QCOMPARE(merchantVerify(phone, codeAt(-1)), 0);
        QCOMPARE(merchantVerify(phone, codeAt(-1)), 1);
        QCOMPARE(merchantVerify(phone, codeAt(0)), 0);
        QCOMPARE(merchantVerify(phone, codeAt(0)), 1);
        QCOMPARE(merchantVerify(phone, codeAt(-1)), 1);
        QCOMPARE(merchantVerify(phone, codeAt(2)), 1);
        QCOMPARE(merchantVerify(phone, codeAt(1)), 0);

        // Rebinding settles a new key: the old account's codes stop working.
        advance(61);
        const QString newCode = bind(phone, deviceB);
        QVERIFY(!newCode.isEmpty());
        advance(period);
        const double later = serviceSeconds();
        if (appCode(phone, messageCode, deviceA, later) != appCode(phone, newCode, deviceB, later))
            QCOMPARE(merchantVerify(phone, appCode(phone, messageCode, deviceA, later)), 1);
        QCOMPARE(merchantVerify(phone, appCode(phone, newCode, deviceB, later)), 0);
    }

    void merchantRefusals_data()
    {
        QTest::addColumn<QString>("phone");
        QTest::addColumn<QString>("code");
        QTest::newRow("unbound phone") << QStringLiteral("13600000000") << QStringLiteral("123456");
        QTest::newRow("empty code") << QString() << QString();
        QTest::newRow("letters") << QStringLiteral("13600000000") << QStringLiteral("abcdef");
    }

    void merchantRefusals()
    {
        QFETCH(QString, phone);
        QFETCH(QString, code);
        QCOMPARE(merchantVerify(phone, code), 1);
    }

    void badRequestsGetAnEnvelope_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");

        QTest::newRow("missing device")
            << QByteArray("POST") << QStringLiteral("/clientcall/getAuthCode")
            << QByteArray("phone=13800138000") << 400;
        QTest::newRow("missing key")
            << QByteArray("POST") << QStringLiteral("/clientcall/checkAuthCode")
            << QByteArray("phone=13800138000&IMEIOrIp=x") << 400;
        QTest::newRow("no body") << QByteArray("POST") << QStringLiteral("/clientcall/isShowPellin")
                                 << QByteArray() << 400;
        QTest::newRow("garbage body")
            << QByteArray("POST") << QStringLiteral("/clientcall/verifyPhoneBindState")
            << QByteArray("%%%&&==\xff\x00", 10) << 400;
        QTest::newRow("GET of a POST endpoint")
            << QByteArray("GET") << QStringLiteral("/clientcall/checkAuthCode") << QByteArray()
            << 405;
        QTest::newRow("POST of the clock")
            << QByteArray("POST") << QStringLiteral("/clientcall/getServerTime")
            << QByteArray("a=b") << 405;
        QTest::newRow("DELETE") << QByteArray("DELETE") << QStringLiteral("/clientcall/getAuthCode")
                                << QByteArray() << 405;
        QTest::newRow("unknown path")
            << QByteArray("GET") << QStringLiteral("/clientcall/nothing") << QByteArray() << 404;
        QTest::newRow("oversized body")
            << QByteArray("POST") << QStringLiteral("/clientcall/getAuthCode")
            << QByteArray("phone=13800138000&IMEIOrIp=") + QByteArray(200 * 1024, 'x') << 413;
    }

    void badRequestsGetAnEnvelope()
    {
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        QFETCH(int, status);

        QNetworkAccessManager manager;
        manager.setProxy(QNetworkProxy::NoProxy);
        QNetworkRequest request(QUrl(m_service->baseURL().toString() + path));
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArrayLiteral("application/x-www-form-urlencoded"));
        QNetworkReply *reply = manager.sendCustomRequest(request, method, body);
        QTRY_VERIFY_WITH_TIMEOUT(reply->isFinished(), 10000);
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), status);
        QCOMPARE(reply->rawHeader("Content-Type"), QByteArray("text/html; charset=utf-8"));
        const QJsonObject data = QJsonDocument::fromJson(reply->readAll())
                                     .object()
                                     .value(QLatin1String("data"))
                                     .toObject();
        QVERIFY(data.value(QLatin1String("code")).toInt() < 0);
        QVERIFY(!data.value(QLatin1String("msg")).toString().isEmpty());
        delete reply;

        // And the service is still there.
        QVERIFY(api(&PXServiceAPI::getServerTime).succeeded());
    }
};

QTEST_GUILESS_MAIN(tst_ReferenceService)
#include "tst_referenceservice.moc"
