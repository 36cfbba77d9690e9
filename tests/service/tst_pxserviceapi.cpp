#include "PXServiceAPI.h"
#include "ScriptedHttpServer.h"
#include "ServiceCall.h"

#include <QJsonDocument>
#include <QTest>

using Starter = std::function<void(const PXRequestOptions &, PXServiceAPI::SuccessFn,
                                   PXServiceAPI::FailureFn)>;
Q_DECLARE_METATYPE(Starter)

namespace {

const QString phone = QStringLiteral("13800138000");
const QString device = QStringLiteral("0A1B2C3D-0000-4000-8000-00000000ABCD");
const QString key = QStringLiteral("a+B 9&");

PXServiceAPI::Payload payload(const QByteArray &json)
{
    if (json.isEmpty())
        return std::nullopt;
    return QJsonDocument::fromJson(json).object();
}

} // namespace

class tst_PXServiceAPI : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readCode_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("expected");

        QTest::newRow("no payload") << QByteArray() << 0;
        QTest::newRow("null") << QByteArray(R"({"code":null})") << 0;
        QTest::newRow("number") << QByteArray(R"({"code":2})") << 2;
        QTest::newRow("fraction truncates") << QByteArray(R"({"code":-1.9})") << -1;
        QTest::newRow("negative text") << QByteArray(R"({"code":"-1"})") << -1;
        QTest::newRow("text with spaces") << QByteArray(R"({"code":"  3 "})") << 3;
        QTest::newRow("text with a tail") << QByteArray(R"({"code":"12ab"})") << 12;
        QTest::newRow("words") << QByteArray(R"({"code":"ok"})") << 0;
        QTest::newRow("too large") << QByteArray(R"({"code":1e12})") << INT_MAX;
        QTest::newRow("text too small")
            << QByteArray(R"({"code":"-99999999999999999999"})") << INT_MIN;
        QTest::newRow("true") << QByteArray(R"({"code":true})") << 1;
        QTest::newRow("object") << QByteArray(R"({"code":{"a":1}})") << 0;
    }

    void readCode()
    {
        QFETCH(QByteArray, json);
        QFETCH(int, expected);
        QCOMPARE(PXServiceAPI::readCode(payload(json)), expected);
    }

    // msg: what readMsg gives (null when there is no text); number: what
    // readMsgNumber gives.
    void readMsg_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("msg");
        QTest::addColumn<double>("number");

        QTest::newRow("no payload") << QByteArray() << QString() << 0.0;
        QTest::newRow("null") << QByteArray(R"({"msg":null})") << QString() << 0.0;
        QTest::newRow("list") << QByteArray(R"({"msg":["a"]})") << QString() << 0.0;
        QTest::newRow("empty text") << QByteArray(R"({"msg":""})") << QString("") << 0.0;
        QTest::newRow("words") << QByteArray(R"({"msg":"验证码已发送"})")
                               << QStringLiteral("验证码已发送") << 0.0;
        QTest::newRow("millisecond clock") << QByteArray(R"({"msg":1700000000000})")
                                           << QStringLiteral("1700000000000") << 1700000000000.0;
        QTest::newRow("fraction") << QByteArray(R"({"msg":1700000000000.5})")
                                  << QStringLiteral("1700000000000.5") << 1700000000000.5;
        QTest::newRow("numeric text") << QByteArray(R"({"msg":" 1700000000000 "})")
                                      << QStringLiteral(" 1700000000000 ") << 1700000000000.0;
        QTest::newRow("infinity as text")
            << QByteArray(R"({"msg":"inf"})") << QStringLiteral("inf") << 0.0;
    }

    void readMsg()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, msg);
        QFETCH(double, number);
        QCOMPARE(PXServiceAPI::readMsg(payload(json)), msg);
        QCOMPARE(PXServiceAPI::readMsg(payload(json)).isNull(), msg.isNull());
        QCOMPARE(PXServiceAPI::readMsgNumber(payload(json)), number);
    }

    void requestShapes_data()
    {
        QTest::addColumn<Starter>("start");
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QStringList>("fields");
        auto row = [](const char *endpoint, const Starter &start, const char *method,
                      const QStringList &fields) {
            QTest::newRow(endpoint) << start << QByteArray(method) << fields;
        };

        using API = PXServiceAPI;
        row("getServerTime", [](auto o, auto s, auto f) { API::getServerTime(s, f, o); }, "GET",
            {});
        row("verifyPhoneBindState",
            [](auto o, auto s, auto f) { API::verifyPhoneBindState(phone, device, s, f, o); },
            "POST", {"IMEIOrIp", "phone"});
        row("getAuthCode", [](auto o, auto s, auto f) { API::getAuthCode(phone, device, s, f, o); },
            "POST", {"IMEIOrIp", "phone"});
        row("checkAuthCode",
            [](auto o, auto s, auto f) { API::checkAuthCode(phone, device, key, s, f, o); }, "POST",
            {"IMEIOrIp", "key", "phone"});
        row("isShowPellin", [](auto o, auto s, auto f) { API::isShowPellin(phone, s, f, o); },
            "POST", {"phone"});
        row("sendGesturePWDAuthCode",
            [](auto o, auto s, auto f) { API::sendGesturePWDAuthCode(phone, s, f, o); }, "POST",
            {"phone"});
        row("checkGesturePWDAuthCode",
            [](auto o, auto s, auto f) { API::checkGesturePWDAuthCode(phone, key, s, f, o); },
            "POST", {"key", "phone"});
    }

    // Each call goes to /clientcall/<its name> with exactly its parameter
    // names, and hands back the payload the service sent.
    void requestShapes()
    {
        QFETCH(Starter, start);
        QFETCH(QByteArray, method);
        QFETCH(QStringList, fields);

        ScriptedHttpServer server;
        QVERIFY(server.start());
        server.enqueue(ScriptedHttpServer::json(R"({"data":{"code":"2","msg":"提示"}})"));
        PXRequestOptions options;
        options.baseURL = server.baseURL();
        const ServiceCall call = ServiceCall::run([&](auto s, auto f) { start(options, s, f); });
        QVERIFY(call.succeeded());
        QCOMPARE(PXServiceAPI::readCode(call.payload), 2);
        QCOMPARE(PXServiceAPI::readMsg(call.payload), QStringLiteral("提示"));

        QCOMPARE(server.requests().size(), 1);
        const auto request = server.requests().constFirst();
        QCOMPARE(request.method, method);
        QCOMPARE(request.path(), "/clientcall/" + QByteArray(QTest::currentDataTag()));
        const QMap<QString, QString> values {{"IMEIOrIp", device}, {"key", key}, {"phone", phone}};
        QMap<QString, QString> expected;
        for (const QString &name : fields)
            expected.insert(name, values.value(name));
        QCOMPARE(request.fields(), expected);
    }
};

QTEST_GUILESS_MAIN(tst_PXServiceAPI)
#include "tst_pxserviceapi.moc"
