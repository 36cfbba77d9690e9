#include "FileModes.h"
#include "IndependentCode.h"
#include "PXServiceAPI.h"
#include "ServiceCall.h"
#include "ServiceProcess.h"

#include <QTcpSocket>
#include <QtTest>

namespace {

const QString deviceA = QStringLiteral("3F2504E0-4F89-41D3-9A0C-0305E82C3301");
const QString deviceB = QStringLiteral("7C9E6679-7425-40DE-944B-E07FC1F90AE7");
const QString wrongCode = QStringLiteral("abcdef");
constexpr double period = 180;
constexpr int throttled = -3;

QByteArray request(const char *method, const char *path, const QByteArray &body = {},
                   const QByteArray &headers = "Host: 127.0.0.1\r\nConnection: close\r\n")
{
    QByteArray head = QByteArray(method) + ' ' + path + " HTTP/1.1\r\n" + headers;
    if (!body.isEmpty())
        head += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: "
            + QByteArray::number(body.size()) + "\r\n";
    return head + "\r\n" + body;
}

} // namespace

class tst_ReferenceService : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ServiceProcess> m_service;
    ServiceProcess *m_target = nullptr;
    int m_nextPhone = 0;

    // (Re)starts a service in slot and points the helpers below at it.
    bool start(std::unique_ptr<ServiceProcess> &slot, const QStringList &arguments)
    {
        slot = std::make_unique<ServiceProcess>(QStringLiteral(KELVO_SERVICE_BIN), arguments);
        m_target = slot.get();
        return slot->start();
    }

    QString freshPhone() { return QStringLiteral("139%1").arg(++m_nextPhone, 8, 10, QChar('0')); }

    template<typename Endpoint, typename... Args>
    ServiceCall api(Endpoint endpoint, const Args &...args)
    {
        PXRequestOptions opts;
        opts.baseURL = m_target->baseURL();
        return ServiceCall::run([&](auto s, auto f) { endpoint(args..., s, f, opts); });
    }

    ServiceCall call(bool post, const QString &path, const QVariantMap &params)
    {
        return api(post ? &PXNetwork::post : &PXNetwork::get, path, params);
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

    // The code the app shows, computed without the OTP classes the service uses.
    static QString appCode(const QString &phone, const QString &messageCode, const QString &device,
                           double seconds)
    {
        return independentCode(phone + ',' + messageCode + ',' + device, seconds);
    }

    // Sends raw bytes and reads until the service closes or stays silent.
    QByteArray exchange(const QByteArray &bytes)
    {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, quint16(m_service->baseURL().port()));
        socket.write(bytes);
        QByteArray received;
        while (socket.waitForReadyRead(5000))
            received += socket.readAll();
        return received;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY2(start(m_service, {"--idle-timeout", "2"}), "kelvo-service did not start");
    }

    void init() { m_target = m_service.get(); }

    // code, msg (null when there is no text) and number: what readCode,
    // readMsg and readMsgNumber make of the payload.
    void payloadReaders_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("msg");
        QTest::addColumn<double>("number");
        auto row
            = [](const char *name, const char *json, int code, const QString &msg, double number) {
                  QTest::newRow(name) << QByteArray(json) << code << msg << number;
              };

        row("no payload", "", 0, QString(), 0);
        row("nulls", R"({"code":null,"msg":null})", 0, QString(), 0);
        row("numbers", R"({"code":-1.9,"msg":1700000000000.5})", -1, "1700000000000.5",
            1700000000000.5);
        row("numeric text with a tail", R"({"code":" -12ab","msg":" 1700000000000x"})", -12,
            " 1700000000000x", 1.7e12);
        row("out of range", R"({"code":1e12,"msg":"inf"})", INT_MAX, "inf", 0);
        row("text too small", R"({"code":"-99999999999999999999","msg":["a"]})", INT_MIN, QString(),
            0);
        row("true and empty text", R"({"code":true,"msg":""})", 1, "", 0);
    }

    void payloadReaders()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, msg);
        const PXServiceAPI::Payload payload
            = json.isEmpty() ? PXServiceAPI::Payload() : QJsonDocument::fromJson(json).object();
        QTEST(PXServiceAPI::readCode(payload), "code");
        QCOMPARE(PXServiceAPI::readMsg(payload), msg);
        QCOMPARE(PXServiceAPI::readMsg(payload).isNull(), msg.isNull());
        QTEST(PXServiceAPI::readMsgNumber(payload), "number");
    }

    void malformedPhonesAreRefused_data()
    {
        QTest::addColumn<QString>("phone");
        QTest::newRow("full-width digits") << QStringLiteral("１３８００１３８０００");
        QTest::newRow("twelve digits") << QStringLiteral("138001380001");
    }

    void malformedPhonesAreRefused()
    {
        QFETCH(QString, phone);
        for (const ServiceCall &result : {
                 api(&PXServiceAPI::verifyPhoneBindState, phone, deviceA),
                 api(&PXServiceAPI::getAuthCode, phone, deviceA),
                 api(&PXServiceAPI::checkAuthCode, phone, deviceA, wrongCode),
                 api(&PXServiceAPI::isShowPellin, phone),
                 api(&PXServiceAPI::sendGesturePWDAuthCode, phone),
                 api(&PXServiceAPI::checkGesturePWDAuthCode, phone, wrongCode),
             }) {
            QCOMPARE(codeOf(result), -1);
            QVERIFY(!PXServiceAPI::readMsg(result.payload).isEmpty());
        }
    }

    // Bind codes, then gesture codes for the bound phone: six letters and digits,
    // announced on the message channel, one a minute, the newest one only, once.
    void messageCodes()
    {
        const QString phone = freshPhone();
        auto sendGesture
            = [&] { return codeOf(api(&PXServiceAPI::sendGesturePWDAuthCode, phone)); };
        auto checkGesture = [&](const QString &key) {
            return codeOf(api(&PXServiceAPI::checkGesturePWDAuthCode, phone, key));
        };
        QCOMPARE(sendGesture(), 3);
        QCOMPARE(checkGesture(wrongCode), 3);

        QCOMPARE(codeOf(api(&PXServiceAPI::getAuthCode, phone, deviceA)), 0);
        const QString first = lastCode(phone);
        QVERIFY(QRegularExpression(QStringLiteral("^[A-Za-z0-9]{6}$")).match(first).hasMatch());
        QVERIFY(m_service->output().contains(phone + QStringLiteral(" (bind): ") + first));
        advance(50);
        const ServiceCall early = api(&PXServiceAPI::getAuthCode, phone, deviceA);
        QCOMPARE(codeOf(early), 1);
        QVERIFY(PXServiceAPI::readMsg(early.payload).contains(QStringLiteral("10")));
        advance(11);
        QCOMPARE(codeOf(api(&PXServiceAPI::getAuthCode, phone, deviceA)), 0);
        const QString second = lastCode(phone);
        if (second != first)
            QCOMPARE(codeOf(api(&PXServiceAPI::checkAuthCode, phone, deviceA, first)), 1);
        QCOMPARE(codeOf(api(&PXServiceAPI::checkAuthCode, phone, deviceA, second)), 0);

        QCOMPARE(sendGesture(), 0);
        const QString key = lastCode(phone);
        QVERIFY(m_service->output().contains(phone + QStringLiteral(" (gesture): ") + key));
        QCOMPARE(checkGesture(key), 0);
        QCOMPARE(checkGesture(key), 1);
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
        const QString device = variant == QLatin1String("other device") ? deviceB : deviceA;
        advance(wait);
        for (int i = 0; i < wrongFirst; ++i)
            QCOMPARE(codeOf(api(&PXServiceAPI::checkAuthCode, phone, deviceA, wrongCode)), 1);
        const ServiceCall result = api(&PXServiceAPI::checkAuthCode, phone, device, key);
        QCOMPARE(codeOf(result), expected);
        QVERIFY(!PXServiceAPI::readMsg(result.payload).isEmpty());
        QCOMPARE(bindState(phone, deviceA), expected == 0 ? 1 : 0);
        if (expected == 0)
            QCOMPARE(codeOf(api(&PXServiceAPI::checkAuthCode, phone, device, key)), 1);
    }

    void pellinIsPerPhone()
    {
        std::unique_ptr<ServiceProcess> hidden;
        QVERIFY(start(hidden, {"--hide-pellin", "13700000001"}));
        QCOMPARE(codeOf(api(&PXServiceAPI::isShowPellin, QStringLiteral("13700000001"))), 2);
        QCOMPARE(codeOf(api(&PXServiceAPI::isShowPellin, QStringLiteral("13700000002"))), 0);
    }

    // Bind as the app does; the marketplace checks codes from the same key.
    void merchantChecksTheAppsCode()
    {
        const QString phone = freshPhone();
        const QString messageCode = bind(phone, deviceA);
        QVERIFY(!messageCode.isEmpty());
        QCOMPARE(bindState(phone, deviceB), 2);

        advance(1.5 * period - std::fmod(serviceSeconds(), period)); // mid-step
        const double now = serviceSeconds();
        auto codeAt
            = [&](int steps) { return appCode(phone, messageCode, deviceA, now + steps * period); };
        QCOMPARE(merchantVerify(phone, codeAt(-2)), 1);
        QCOMPARE(merchantVerify(phone, codeAt(-1)), 0);
        QCOMPARE(merchantVerify(phone, codeAt(0)), 0);
        QCOMPARE(merchantVerify(phone, codeAt(0)), 1);
        QCOMPARE(merchantVerify(phone, codeAt(2)), 1);
        QCOMPARE(merchantVerify(phone, codeAt(1)), 0);
        QCOMPARE(merchantVerify(QStringLiteral("13600000000"), QStringLiteral("123456")), 1);

        // Confirming from another device moves the binding and settles a new
        // key: the old account's codes stop working.
        advance(61);
        const QString newCode = bind(phone, deviceB);
        QVERIFY(!newCode.isEmpty());
        QCOMPARE(bindState(phone, deviceA), 2);
        advance(period);
        const double later = serviceSeconds();
        if (appCode(phone, messageCode, deviceA, later) != appCode(phone, newCode, deviceB, later))
            QCOMPARE(merchantVerify(phone, appCode(phone, messageCode, deviceA, later)), 1);
        QCOMPARE(merchantVerify(phone, appCode(phone, newCode, deviceB, later)), 0);
    }

    // answers: status/code of each answer on one connection, in order.
    void httpRequests_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("answers");
        const QByteArray phone = "phone=13800138000";
        const QByteArray host = "Host: 127.0.0.1\r\nConnection: close\r\n";
        auto row = [](const char *name, const QByteArray &bytes, const QString &answers) {
            QTest::newRow(name) << bytes << answers;
        };

        row("missing parameter", request("POST", "/clientcall/getAuthCode", phone), "400/-2");
        row("wrong method", request("GET", "/clientcall/checkAuthCode"), "405/-405");
        row("unknown path", request("GET", "/clientcall/nothing"), "404/-404");
        row("parameter not UTF-8",
            request("POST", "/clientcall/verifyPhoneBindState", phone + "&IMEIOrIp=%C3%28"),
            "400/-2");
        row("no Host", request("GET", "/clientcall/getServerTime", QByteArray(), QByteArray()),
            "400/-400");
        row("declared body over 64 KiB, not sent",
            request("POST", "/clientcall/getAuthCode", QByteArray(),
                    host + "Content-Length: 314572800\r\n"),
            "413/-413");
        row("head over 16 KiB",
            request("GET", "/clientcall/getServerTime", {},
                    host + "X-Fill: " + QByteArray(16 * 1024 + 1, 'a') + "\r\n"),
            "431/-431");
        auto framed = [&](const QByteArray &lengths) -> QByteArray {
            return request("POST", "/clientcall/isShowPellin", QByteArray(), host + lengths)
                + phone;
        };
        row("two lengths", framed("Content-Length: 17\r\nContent-Length: 5\r\n"), "400/-400");
        row("length beside chunked", framed("Content-Length: 17\r\nTransfer-Encoding: chunked\r\n"),
            "400/-400");
        row("two pipelined",
            request("GET", "/clientcall/getServerTime", QByteArray(), "Host: 127.0.0.1\r\n")
                + request("POST", "/clientcall/isShowPellin", phone),
            "200/0 200/0");
        // Pipelined pairs, most within one tick of the service clock (a millisecond): a
        // second request in the same instant is refused.
        QByteArray pairs;
        for (char i = '0'; i <= '7'; ++i) {
            const QByteArray ask = "phone=1350000000" + QByteArray(1, i) + "&IMEIOrIp=d";
            pairs += request("POST", "/clientcall/getAuthCode", ask, "Host: 127.0.0.1\r\n")
                         .repeated(2);
        }
        row("code asked twice at once", pairs + request("GET", "/clientcall/getServerTime"),
            QStringLiteral("200/0 200/1 ").repeated(8) + "200/0");
    }

    void httpRequests()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, answers);

        const QString received = QString::fromUtf8(exchange(bytes));
        QStringList seen;
        static const QRegularExpression answer(
            QStringLiteral(R"(HTTP/1.1 (\d{3})[^{]*\{"data":\{"code":(-?\d+))"));
        for (const auto &match : answer.globalMatch(received))
            seen << match.captured(1) + '/' + match.captured(2);
        QCOMPARE(seen.join(QLatin1Char(' ')), answers);
        QCOMPARE(received.count(QStringLiteral("Content-Type: text/html; charset=utf-8")),
                 seen.size());
    }

    // This service closes connections silent for 2 s.
    void silentConnectionsAreClosed()
    {
        QTcpSocket silent;
        silent.connectToHost(QHostAddress::LocalHost, quint16(m_service->baseURL().port()));
        QVERIFY(silent.waitForConnected(5000));
        QElapsedTimer timer;
        timer.start();
        QVERIFY(api(&PXServiceAPI::getServerTime).succeeded());
        QVERIFY(silent.waitForDisconnected(10000));
        QVERIFY2(timer.elapsed() >= 1500, qPrintable(QString::number(timer.elapsed())));
    }

    // Two processes on one store: of 50 submissions of one code, one wins.
    // Then five wrong codes close the check, each further one doubles the
    // wait, the count outlives a restart, and a good code opens it again.
    void merchantCheckOnASharedStore()
    {
        const QStringList arguments {"--db", m_dir.filePath(QStringLiteral("shared.sqlite"))};
        std::unique_ptr<ServiceProcess> first, second;
        QVERIFY(start(second, arguments) && start(first, arguments));
        const QString phone = freshPhone();
        const QString messageCode = bind(phone, deviceA);
        QVERIFY(!messageCode.isEmpty());
        auto rightCode = [&](int steps) {
            return appCode(phone, messageCode, deviceA, serviceSeconds() + steps * period);
        };
        QList<int> codes;
        const QVariantMap params {{"phone", phone}, {"code", rightCode(0)}};
        for (int i = 0; i < 50; ++i) {
            PXRequestOptions opts;
            opts.baseURL = (i % 2 ? first : second)->baseURL();
            PXNetwork::post(
                QStringLiteral("/merchant/verifyCode"), params,
                [&](const auto &payload) { codes << PXServiceAPI::readCode(payload); },
                [&](const QString &) { codes << -1000; }, opts);
        }
        QTRY_COMPARE_WITH_TIMEOUT(codes.size(), 50, 20000);
        QCOMPARE(codes.count(0), 1);
        QCOMPARE(codes.count(1), 49);

        for (int i = 0; i < 5; ++i)
            QCOMPARE(merchantVerify(phone, wrongCode), 1);
        QCOMPARE(merchantVerify(phone, rightCode(1)), throttled);
        for (int wait = 1; wait <= 8; wait *= 2) {
            advance(wait);
            QCOMPARE(merchantVerify(phone, wrongCode), 1);
        }
        const ServiceCall closed
            = call(true, "/merchant/verifyCode", {{"phone", phone}, {"code", rightCode(1)}});
        QCOMPARE(codeOf(closed), throttled);
        QVERIFY(PXServiceAPI::readMsg(closed.payload).contains(QStringLiteral("16")));

        QVERIFY(start(first, arguments));
        QCOMPARE(merchantVerify(phone, rightCode(1)), throttled);
        advance(40);
        QCOMPARE(merchantVerify(phone, rightCode(1)), 0);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(merchantVerify(phone, wrongCode), 1);
        advance(period);
        QCOMPARE(merchantVerify(phone, rightCode(1)), 0);
    }

    // exit: 2 when the store opened (the bad --hide-pellin stops it right
    // after), 1 when it was refused. Traced: with no chmod of any kind, the
    // mode a file has is the one it was created with.
    void databaseFiles_data()
    {
        QTest::addColumn<QByteArray>("existing");
        QTest::addColumn<int>("exit");
        QTest::newRow("new file") << QByteArray() << 2;
        QTest::newRow("not a database") << QByteArray("keep me\n") << 1;
    }

    void databaseFiles()
    {
        QFETCH(QByteArray, existing);
        QFETCH(int, exit);
        if (QStandardPaths::findExecutable(QStringLiteral("strace")).isEmpty())
            QSKIP("strace is not installed");
        QFile file(m_dir.filePath(QTest::currentDataTag()));
        if (!existing.isEmpty())
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(existing) && file.flush());
        const int mode = existing.isEmpty() ? 0600 : fileMode(file.fileName());
        ::umask(022);
        QProcess traced; // LeakSanitizer cannot run under a tracer
        traced.start("env",
                     {"ASAN_OPTIONS=detect_leaks=0", "strace", "-f", "-qq", "-e",
                      "trace=chmod,fchmod,fchmodat", KELVO_SERVICE_BIN, "--port", "0", "--db",
                      file.fileName(), "--hide-pellin", "x"});
        QVERIFY(traced.waitForFinished(20000));
        QCOMPARE(traced.exitCode(), exit);
        const QByteArray calls = traced.readAllStandardError();
        QVERIFY2(!calls.contains("chmod("), calls.constData());
        QCOMPARE(fileMode(file.fileName()), mode);
        file.close();
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().left(existing.size()), existing);
    }
};

QTEST_GUILESS_MAIN(tst_ReferenceService)
#include "tst_referenceservice.moc"
