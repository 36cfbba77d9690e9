#include "PXServiceAPI.h"
#include "ScriptedHttpServer.h"
#include "ServiceCall.h"

#include <QJsonDocument>
#include <QTest>

using Starter = std::function<void(const PXRequestOptions &, PXServiceAPI::SuccessFn,
                                   PXServiceAPI::FailureFn)>;
Q_DECLARE_METATYPE(Starter)

namespace {

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
        QTest::newRow("absent") << QByteArray(R"({"msg":"x"})") << 0;
        QTest::newRow("null") << QByteArray(R"({"code":null})") << 0;
        QTest::newRow("number") << QByteArray(R"({"code":2})") << 2;
        QTest::newRow("negative") << QByteArray(R"({"code":-1})") << -1;
        QTest::newRow("fraction truncates") << QByteArray(R"({"code":-1.9})") << -1;
        QTest::newRow("numeric text") << QByteArray(R"({"code":"2"})") << 2;
        QTest::newRow("negative text") << QByteArray(R"({"code":"-1"})") << -1;
        QTest::newRow("text with spaces") << QByteArray(R"({"code":"  3 "})") << 3;
        QTest::newRow("text with a tail") << QByteArray(R"({"code":"12ab"})") << 12;
        QTest::newRow("words") << QByteArray(R"({"code":"ok"})") << 0;
        QTest::newRow("too large") << QByteArray(R"({"code":1e12})") << INT_MAX;
        QTest::newRow("too small") << QByteArray(R"({"code":-1e12})") << INT_MIN;
        QTest::newRow("text too large")
            << QByteArray(R"({"code":"99999999999999999999"})") << INT_MAX;
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

    void readMsg_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("isNull");

        QTest::newRow("no payload") << QByteArray() << QString() << true;
        QTest::newRow("absent") << QByteArray(R"({"code":0})") << QString() << true;
        QTest::newRow("null") << QByteArray(R"({"msg":null})") << QString() << true;
        QTest::newRow("text") << QByteArray(R"({"msg":"验证码已发送"})")
                              << QStringLiteral("验证码已发送") << false;
        QTest::newRow("empty text") << QByteArray(R"({"msg":""})") << QString("") << false;
        QTest::newRow("millisecond clock")
            << QByteArray(R"({"msg":1700000000000})") << QStringLiteral("1700000000000") << false;
        QTest::newRow("list") << QByteArray(R"({"msg":["a"]})") << QString() << true;
    }

    void readMsg()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, expected);
        QFETCH(bool, isNull);
        const QString msg = PXServiceAPI::readMsg(payload(json));
        QCOMPARE(msg, expected);
        QCOMPARE(msg.isNull(), isNull);
    }

    void readMsgNumber_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<double>("expected");

        QTest::newRow("no payload") << QByteArray() << 0.0;
        QTest::newRow("number") << QByteArray(R"({"msg":1700000000000})") << 1700000000000.0;
        QTest::newRow("fraction") << QByteArray(R"({"msg":1700000000000.5})") << 1700000000000.5;
        QTest::newRow("numeric text")
            << QByteArray(R"({"msg":" 1700000000000 "})") << 1700000000000.0;
        QTest::newRow("words") << QByteArray(R"({"msg":"soon"})") << 0.0;
        QTest::newRow("infinity as text") << QByteArray(R"({"msg":"inf"})") << 0.0;
        QTest::newRow("nan as text") << QByteArray(R"({"msg":"nan"})") << 0.0;
        QTest::newRow("null") << QByteArray(R"({"msg":null})") << 0.0;
    }

    void readMsgNumber()
    {
        QFETCH(QByteArray, json);
        QFETCH(double, expected);
        QCOMPARE(PXServiceAPI::readMsgNumber(payload(json)), expected);
    }

    void requestShapes_data()
    {
        QTest::addColumn<Starter>("start");
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QVariantMap>("fields");

        const QString phone = QStringLiteral("13800138000");
        const QString device = QStringLiteral("0A1B2C3D-0000-4000-8000-00000000ABCD");
        const QString key = QStringLiteral("a+B 9&");
        QTest::newRow("getServerTime")
            << Starter([](const auto &o, auto s, auto f) { PXServiceAPI::getServerTime(s, f, o); })
            << QByteArray("GET") << QByteArray("/clientcall/getServerTime") << QVariantMap();
        QTest::newRow("verifyPhoneBindState")
            << Starter([=](const auto &o, auto s, auto f) {
                   PXServiceAPI::verifyPhoneBindState(phone, device, s, f, o);
               })
            << QByteArray("POST") << QByteArray("/clientcall/verifyPhoneBindState")
            << QVariantMap {{"IMEIOrIp", device}, {"phone", phone}};
        QTest::newRow("getAuthCode") << Starter([=](const auto &o, auto s, auto f) {
            PXServiceAPI::getAuthCode(phone, device, s, f, o);
        }) << QByteArray("POST") << QByteArray("/clientcall/getAuthCode")
                                     << QVariantMap {{"IMEIOrIp", device}, {"phone", phone}};
        QTest::newRow("checkAuthCode")
            << Starter([=](const auto &o, auto s, auto f) {
                   PXServiceAPI::checkAuthCode(phone, device, key, s, f, o);
               })
            << QByteArray("POST") << QByteArray("/clientcall/checkAuthCode")
            << QVariantMap {{"IMEIOrIp", device}, {"key", key}, {"phone", phone}};
        QTest::newRow("isShowPellin") << Starter([=](const auto &o, auto s, auto f) {
            PXServiceAPI::isShowPellin(phone, s, f, o);
        }) << QByteArray("POST") << QByteArray("/clientcall/isShowPellin")
                                      << QVariantMap {{"phone", phone}};
        QTest::newRow("sendGesturePWDAuthCode") << Starter([=](const auto &o, auto s, auto f) {
            PXServiceAPI::sendGesturePWDAuthCode(phone, s, f, o);
        }) << QByteArray("POST") << QByteArray("/clientcall/sendGesturePWDAuthCode")
                                                << QVariantMap {{"phone", phone}};
        QTest::newRow("checkGesturePWDAuthCode") << Starter([=](const auto &o, auto s, auto f) {
            PXServiceAPI::checkGesturePWDAuthCode(phone, key, s, f, o);
        }) << QByteArray("POST") << QByteArray("/clientcall/checkGesturePWDAuthCode")
                                                 << QVariantMap {{"key", key}, {"phone", phone}};
    }

    // Each call goes to its own path with exactly its parameter names, and
    // hands back the payload the service sent.
    void requestShapes()
    {
        QFETCH(Starter, start);
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, path);
        QFETCH(QVariantMap, fields);

        ScriptedHttpServer server;
        QVERIFY(server.start());
        server.enqueue(ScriptedHttpServer::json(R"({"data":{"code":"2","msg":"提示"}})"));
        PXRequestOptions options;
        options.baseURL = server.baseURL();
        const ServiceCall call = ServiceCall::run(
            [&](ServiceCall::SuccessFn s, ServiceCall::FailureFn f) { start(options, s, f); });
        QVERIFY(call.succeeded());
        QCOMPARE(PXServiceAPI::readCode(call.payload), 2);
        QCOMPARE(PXServiceAPI::readMsg(call.payload), QStringLiteral("提示"));

        QCOMPARE(server.requests().size(), 1);
        const auto request = server.requests().constFirst();
        QCOMPARE(request.method, method);
        QCOMPARE(request.path(), path);
        QMap<QString, QString> expected;
        for (auto it = fields.cbegin(); it != fields.cend(); ++it)
            expected.insert(it.key(), it.value().toString());
        QCOMPARE(request.fields(), expected);
    }
};

QTEST_GUILESS_MAIN(tst_PXServiceAPI)
#include "tst_pxserviceapi.moc"
