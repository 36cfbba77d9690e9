#include "PXNetwork.h"
#include "ScriptedHttpServer.h"
#include "ServiceCall.h"

#include <QtTest>

using Reply = ScriptedHttpServer::Reply;
Q_DECLARE_METATYPE(Reply)

class tst_PXNetwork : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScriptedHttpServer> m_server;

    PXRequestOptions options(std::chrono::milliseconds timeout = std::chrono::seconds(10)) const
    {
        PXRequestOptions result;
        result.baseURL = m_server->baseURL();
        result.timeout = timeout;
        return result;
    }

    // Runs one request to its end; a second callback would be seen too.
    ServiceCall send(bool usePost, const QVariantMap &params, const PXRequestOptions &opts)
    {
        const auto method = usePost ? &PXNetwork::post : &PXNetwork::get;
        return ServiceCall::run([&](auto s, auto f) {
            method(QStringLiteral("/clientcall/probe"), params, s, f, opts);
        });
    }

private Q_SLOTS:
    void init()
    {
        m_server = std::make_unique<ScriptedHttpServer>();
        QVERIFY(m_server->start());
    }

    // expected: a JSON object is the payload of a success, empty is a success
    // without payload, anything else the text of a failure.
    void replies_data()
    {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *name, int status, const QByteArray &type, const QByteArray &body,
                      const QString &expected, bool declareLength = true) {
            Reply reply = ScriptedHttpServer::json(body, type);
            reply.status = status;
            reply.declareLength = declareLength;
            QTest::newRow(name) << reply << expected;
        };
        auto broken = [](const char *name, Reply::Action action) {
            Reply reply;
            reply.action = action;
            QTest::newRow(name) << reply << PXNetwork::networkFailureText();
        };

        const QString network = QStringLiteral("网络不给力！");
        const QString format = QStringLiteral("返回数据封装格式错误!");
        const QByteArray html = "text/html";
        const QString inner
            = QStringLiteral(R"({"code":"2","msg":"已绑定","extra":[1,{"a":null}]})");
        const QByteArray envelope = R"({"data":)" + inner.toUtf8() + "}";
        row("html with parameters", 200, "text/html; charset=utf-8", envelope, inner);
        row("text/json in capitals", 200, "Text/JSON;charset=UTF-8", envelope, inner);
        row("status 299", 299, html, envelope, inner);
        row("no data member", 200, html, R"({"code":0,"msg":"x"})", QString());
        row("empty data object", 200, html, R"( {"data":{}} )", QStringLiteral("{}"));
        const QByteArray seven = R"({"data":{"code":7}})";
        const QByteArray atLimit = seven + QByteArray(1024 * 1024 - seven.size(), ' ');
        row("1 MiB, undeclared", 200, html, atLimit, R"({"code":7})", false);

        row("application/json", 200, "application/json", envelope, network);
        row("text/htmlx", 200, "text/htmlx", envelope, network);
        row("no content type", 200, QByteArray(), envelope, network);
        row("status 300, not followed", 300, html, envelope, network);
        row("trailing garbage", 200, html, R"({"data":{}} x)", network);
        row("invalid UTF-8", 200, html, "{\"data\":{\"msg\":\"\xff\xfe\"}}", network);
        row("1 MiB + 1, declared", 200, html, atLimit + ' ', network);
        row("1 MiB + 1, undeclared", 200, html, atLimit + ' ', network, false);
        broken("silent server (timeout)", Reply::Action::Hang);
        broken("connection dropped", Reply::Action::Close);
        broken("nobody listening", Reply::Action::Respond);
        row("array", 200, html, R"([{"data":{}}])", format);
        row("empty body", 200, html, QByteArray(), format);
        row("data is text", 200, html, R"({"data":"ok"})", format);
    }

    void replies()
    {
        QFETCH(Reply, reply);
        QFETCH(QString, expected);

        // The default reply: the access manager retries a dropped connection once.
        m_server->setDefaultReply(reply);
        if (QTest::currentDataTag() == QByteArrayView("nobody listening"))
            m_server->close();
        const ServiceCall call = send(false, {}, options(std::chrono::milliseconds(2000)));
        QCOMPARE(call.successes + call.failures, 1);
        if (expected.isEmpty() || expected.startsWith(QLatin1Char('{'))) {
            QVERIFY2(call.succeeded(), qPrintable(call.failureText));
            QCOMPARE(call.payload.has_value(), !expected.isEmpty());
            if (call.payload)
                QCOMPARE(*call.payload, QJsonDocument::fromJson(expected.toUtf8()).object());
        } else {
            QCOMPARE(call.failureText, expected);
        }
    }

    void parametersArriveIntact_data()
    {
        QTest::addColumn<bool>("usePost");
        QTest::newRow("GET") << false;
        QTest::newRow("POST") << true;
    }

    void parametersArriveIntact()
    {
        QFETCH(bool, usePost);

        const QMap<QString, QString> fields {
            {"phone", "13800138000"},          {"plus", "a+b"}, {"名字", "中文 测试"},
            {"reserved", "a&b=c 100%25 #?/;"}, {"emoji", "😀"},  {"empty", ""}};
        QVariantMap params;
        for (auto it = fields.cbegin(); it != fields.cend(); ++it)
            params.insert(it.key(), it.value());
        QVERIFY(send(usePost, params, options()).succeeded());
        QCOMPARE(m_server->requests().size(), 1);
        const auto request = m_server->requests().constFirst();
        QCOMPARE(request.method, usePost ? QByteArray("POST") : QByteArray("GET"));
        if (usePost) {
            QCOMPARE(request.headers.value("content-type"),
                     QByteArray("application/x-www-form-urlencoded"));
            QVERIFY(!request.target.contains('?'));
        }
        QCOMPARE(request.path(), QByteArray("/clientcall/probe"));
        QCOMPARE(request.fields(), fields);
    }

    // A hanging request delays no other: the second answers first, then it times out.
    void requestsInFlightAreIndependent()
    {
        Reply slow;
        slow.action = Reply::Action::Hang;
        m_server->enqueue(slow);
        m_server->enqueue(ScriptedHttpServer::json(R"({"data":{"code":1}})"));
        QStringList outcomes;
        auto success
            = [&](const auto &data) { outcomes << data->value("code").toVariant().toString(); };
        auto failure = [&](const QString &) { outcomes << QStringLiteral("failure"); };
        const auto opts = options(std::chrono::milliseconds(1500));
        PXNetwork::post(QStringLiteral("/a"), {}, success, failure, opts);
        QTRY_COMPARE(m_server->requests().size(), 1);
        PXNetwork::post(QStringLiteral("/b"), {}, success, failure, opts);
        QTRY_COMPARE(outcomes, QStringList({"1", "failure"}));
        QTest::qWait(100);
        QCOMPARE(outcomes.size(), 2);
    }

    void resolve()
    {
        auto resolve = [](const char *url, const char *base) {
            return PXNetwork::resolve(QString::fromLatin1(url), QUrl(QString::fromLatin1(base)));
        };
        QCOMPARE(resolve("/clientcall/x", "http://h:1/"), QUrl("http://h:1/clientcall/x"));
        QCOMPARE(resolve("clientcall/x", "http://h:1"), QUrl("http://h:1/clientcall/x"));
        QCOMPARE(resolve("/clientcall/x", "http://h/api"), QUrl("http://h/api/clientcall/x"));
        QCOMPARE(resolve("http://other:2/y?z=1", "http://h:1"), QUrl("http://other:2/y?z=1"));
    }
};

QTEST_GUILESS_MAIN(tst_PXNetwork)
#include "tst_pxnetwork.moc"
