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
#include <QScopeGuard>
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

    // A plain request, for the test and marketplace routes.
    ServiceCall call(bool post, const QString &path, const QVariantMap &params)
    {
        const PXRequestOptions opts = options();
        return ServiceCall::run([&](auto s, auto f) {
            (post ? PXNetwork::post : PXNetwork::get)(path, params, s, f, opts);
        });
    }

    static int codeOf(const ServiceCall &result) { return PXServiceAPI::readCode(result.payload); }

    QString lastCode(const QString &phone)
    {
        return PXServiceAPI::readMsg(call(false, "/test/lastCode", {{"phone", phone}}).payload);
    }

    void advance(double seconds)
    {
        QCOMPARE(codeOf(call(false, "/test/advanceClock", {{"seconds", seconds}})), 0);
    }

    double serviceSeconds()
    {
        return PXServiceAPI::readMsgNumber(api(&PXServiceAPI::getServerTime).payload) / 1000.0;
    }

    // Requests a code, reads it from the test route and submits it.
    QString bind(const QString &phone, const QString &device)
    {
        if (codeOf(api(&PXServiceAPI::getAuthCode, phone, device)) != 0)
            return QString();
        const QString key = lastCode(phone);
        return codeOf(api(&PXServiceAPI::checkAuthCode, phone, device, key)) == 0 ? key : QString();
    }

    int bindState(const QString &phone, const QString &device)
    {
        return codeOf(api(&PXServiceAPI::verifyPhoneBindState, phone, device));
    }

    int merchantVerify(const QString &phone, const QString &code)
    {
        return codeOf(call(true, "/merchant/verifyCode", {{"phone", phone}, {"code", code}}));
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
        QVERIFY(result.payload->value(QLatin1String("msg")).isDouble());
        const double millis = PXServiceAPI::readMsgNumber(result.payload);
        QVERIFY(millis >= before - 1000 && millis <= after + 1000);

        advance(3600);
        const double moved = serviceSeconds() * 1000.0;
        QVERIFY(std::fabs(moved - millis - 3600e3) < 5000);
    }

    void malformedPhonesAreRefused()
    {
        const QString key = QStringLiteral("abc123");
        for (const QString &phone : {QStringLiteral("1380013800"),
                                     QStringLiteral("１３８００１３８０００"), QString("")}) {
            for (const ServiceCall &result : {
                     api(&PXServiceAPI::verifyPhoneBindState, phone, deviceA),
                     api(&PXServiceAPI::getAuthCode, phone, deviceA),
                     api(&PXServiceAPI::checkAuthCode, phone, deviceA, key),
                     api(&PXServiceAPI::isShowPellin, phone),
                     api(&PXServiceAPI::sendGesturePWDAuthCode, phone),
                     api(&PXServiceAPI::checkGesturePWDAuthCode, phone, key),
                 }) {
                QVERIFY2(result.succeeded(), qPrintable(phone));
                QCOMPARE(codeOf(result), -1);
                QVERIFY(!PXServiceAPI::readMsg(result.payload).isEmpty());
            }
        }
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
        QCOMPARE(codeOf(api(&PXServiceAPI::getAuthCode, phone, deviceA)), 0);
        // Only the newest code counts.
        const QString second = lastCode(phone);
        if (second != first)
            QCOMPARE(codeOf(api(&PXServiceAPI::checkAuthCode, phone, deviceA, first)), 1);
        QCOMPARE(codeOf(api(&PXServiceAPI::checkAuthCode, phone, deviceA, second)), 0);
    }

    // expected: the check's code; after 0 the phone is bound and the same code
    // is refused once more.
    void checks_data()
    {
        QTest::addColumn<QString>("variant");
        QTest::addColumn<double>("wait");
        QTest::addColumn<int>("wrongFirst");
        QTest::addColumn<int>("expected");

        QTest::newRow("just before expiry") << "as sent" << 295.0 << 0 << 0;
        QTest::newRow("after four wrong guesses") << "as sent" << 0.0 << 4 << 0;
        QTest::newRow("case swapped") << "case swapped" << 0.0 << 0 << 1;
        QTest::newRow("from another device") << "other device" << 0.0 << 0 << 1;
        QTest::newRow("never requested") << "unrequested" << 0.0 << 0 << 1;
        QTest::newRow("expired") << "as sent" << 305.0 << 0 << 2;
        QTest::newRow("after five wrong guesses") << "as sent" << 0.0 << 5 << 2;
    }

    void checks()
    {
        QFETCH(QString, variant);
        QFETCH(double, wait);
        QFETCH(int, wrongFirst);
        QFETCH(int, expected);

        const QString phone = freshPhone();
        QString key = QStringLiteral("Ab12cD");
        if (variant != QLatin1String("unrequested")) {
            QCOMPARE(codeOf(api(&PXServiceAPI::getAuthCode, phone, deviceA)), 0);
            key = lastCode(phone);
        }
        if (variant == QLatin1String("case swapped")) {
            if (swapCase(key) == key)
                QSKIP("the code has no letters");
            key = swapCase(key);
        }
        const QString device = variant == QLatin1String("other device") ? deviceB : deviceA;
        advance(wait);
        auto check = [&](const QString &from, const QString &typed) {
            return api(&PXServiceAPI::checkAuthCode, phone, from, typed);
        };
        for (int i = 0; i < wrongFirst; ++i)
            QCOMPARE(codeOf(check(deviceA, QStringLiteral("zzzzzz"))), 1);
        const ServiceCall result = check(device, key);
        QCOMPARE(codeOf(result), expected);
        QVERIFY(!PXServiceAPI::readMsg(result.payload).isEmpty());
        QCOMPARE(bindState(phone, deviceA), expected == 0 ? 1 : 0);
        if (expected == 0)
            QCOMPARE(codeOf(check(device, key)), 1);
    }

    void pellinIsPerPhone()
    {
        const QString phone = freshPhone();
        auto pellin = [&](const QString &number) {
            return codeOf(api(&PXServiceAPI::isShowPellin, number));
        };
        QCOMPARE(pellin(phone), 0);
        QCOMPARE(codeOf(call(false, "/test/setPellin", {{"phone", phone}, {"code", 2}})), 0);
        QCOMPARE(pellin(phone), 2);
        QCOMPARE(pellin(freshPhone()), 0);

        // A service started with --hide-pellin answers 2 for the phones named.
        auto hidden = std::make_unique<ServiceProcess>(
            QStringLiteral(KELVO_SERVICE_BIN), QStringList {"--hide-pellin", "13700000001"});
        QVERIFY(hidden->start());
        m_service.swap(hidden);
        const auto restore = qScopeGuard([&] { m_service.swap(hidden); });
        QCOMPARE(pellin(QStringLiteral("13700000001")), 2);
        QCOMPARE(pellin(QStringLiteral("13700000002")), 0);
    }

    void gestureCodesNeedABoundPhone()
    {
        const QString phone = freshPhone();
        auto send = [&] { return codeOf(api(&PXServiceAPI::sendGesturePWDAuthCode, phone)); };
        auto check = [&](const QString &key) {
            return codeOf(api(&PXServiceAPI::checkGesturePWDAuthCode, phone, key));
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
        QCOMPARE(bindState(phone, deviceA), 1);
        const ServiceCall other = api(&PXServiceAPI::verifyPhoneBindState, phone, deviceB);
        QCOMPARE(codeOf(other), 2);
        QVERIFY(!PXServiceAPI::readMsg(other.payload).isEmpty());

        double now = serviceSeconds();
        if (std::fmod(now, period) > period - 15) {
            advance(20);
            now = serviceSeconds();
        }
        auto codeAt
            = [&](int steps) { return appCode(phone, messageCode, deviceA, now + steps * period); };
        QCOMPARE(merchantVerify(phone, codeAt(-2)), 1);
        QCOMPARE(merchantVerify(phone, codeAt(-1)), 0);
        QCOMPARE(merchantVerify(phone, codeAt(0)), 0);
        QCOMPARE(merchantVerify(phone, codeAt(0)), 1);
        QCOMPARE(merchantVerify(phone, codeAt(2)), 1);
        QCOMPARE(merchantVerify(phone, codeAt(1)), 0);
        QCOMPARE(merchantVerify(phone, QStringLiteral("abcdef")), 1);
        QCOMPARE(merchantVerify(QStringLiteral("13600000000"), QStringLiteral("123456")), 1);
        QCOMPARE(merchantVerify(QString(), QString()), 1);

        // Confirming from another device moves the binding and settles a new
        // key: the old account's codes stop working.
        advance(61);
        const QString newCode = bind(phone, deviceB);
        QVERIFY(!newCode.isEmpty());
        QCOMPARE(bindState(phone, deviceB), 1);
        QCOMPARE(bindState(phone, deviceA), 2);
        advance(period);
        const double later = serviceSeconds();
        if (appCode(phone, messageCode, deviceA, later) != appCode(phone, newCode, deviceB, later))
            QCOMPARE(merchantVerify(phone, appCode(phone, messageCode, deviceA, later)), 1);
        QCOMPARE(merchantVerify(phone, appCode(phone, newCode, deviceB, later)), 0);
    }

    void badRequestsGetAnEnvelope_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        auto row = [](const char *name, const char *method, const char *endpoint,
                      const QByteArray &body, int status) {
            QTest::newRow(name) << QByteArray(method)
                                << "/clientcall/" + QString::fromLatin1(endpoint) << body << status;
        };

        const QByteArray phone = "phone=13800138000";
        row("missing device", "POST", "getAuthCode", phone, 400);
        row("no body", "POST", "isShowPellin", QByteArray(), 400);
        row("garbage body", "POST", "verifyPhoneBindState", QByteArray("%%%&&==\xff\x00", 10), 400);
        row("GET of a POST endpoint", "GET", "checkAuthCode", QByteArray(), 405);
        row("unknown path", "GET", "nothing", QByteArray(), 404);
        row("oversized body", "POST", "getAuthCode",
            phone + "&IMEIOrIp=" + QByteArray(200 * 1024, 'x'), 413);
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
