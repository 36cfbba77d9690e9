#include "PXNetwork.h"
#include "PXServiceOverride.h"
#include "ScriptedHttpServer.h"

#include "KelvoConfig.h"

#include <QJsonDocument>
#include <QTcpServer>
#include <QTest>

using Reply = ScriptedHttpServer::Reply;

namespace {

struct Outcome
{
    int successes = 0;
    int failures = 0;
    std::optional<QJsonObject> payload;
    QString failureText;

    int calls() const { return successes + failures; }
};

QByteArray paddedEnvelope(qsizetype size)
{
    QByteArray body = R"({"data":{"code":7}})";
    return body + QByteArray(size - body.size(), ' ');
}

} // namespace

class tst_PXNetwork : public QObject
{
    Q_OBJECT

private:
    ScriptedHttpServer *m_server = nullptr;

    PXRequestOptions options(std::chrono::milliseconds timeout = std::chrono::seconds(10)) const
    {
        PXRequestOptions result;
        result.baseURL = m_server->baseURL();
        result.timeout = timeout;
        return result;
    }

    // Runs one request and waits until it has called back, then a little
    // longer, so a second callback would be seen too.
    Outcome send(bool usePost, const QVariantMap &params, const PXRequestOptions &opts)
    {
        auto outcome = std::make_shared<Outcome>();
        auto success = [outcome](const std::optional<QJsonObject> &data) {
            ++outcome->successes;
            outcome->payload = data;
        };
        auto failure = [outcome](const QString &text) {
            ++outcome->failures;
            outcome->failureText = text;
        };
        if (usePost)
            PXNetwork::post(QStringLiteral("/clientcall/probe"), params, success, failure, opts);
        else
            PXNetwork::get(QStringLiteral("/clientcall/probe"), params, success, failure, opts);
        if (!QTest::qWaitFor([&] { return outcome->calls() > 0; }, 15000))
            return *outcome;
        QTest::qWait(50);
        return *outcome;
    }

    Outcome sendReply(const Reply &reply)
    {
        m_server->enqueue(reply);
        return send(false, {}, options());
    }

private Q_SLOTS:
    void init()
    {
        m_server = new ScriptedHttpServer(this);
        QVERIFY(m_server->start());
    }

    void cleanup()
    {
        delete m_server;
        m_server = nullptr;
    }

    void acceptedReplies_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("hasPayload");
        QTest::addColumn<QByteArray>("payload");

        const QByteArray envelope
            = R"({"data":{"code":"2","msg":"已绑定","extra":[1,{"a":null}]}})";
        const QByteArray inner = R"({"code":"2","msg":"已绑定","extra":[1,{"a":null}]})";
        QTest::newRow("text/html") << 200 << QByteArray("text/html") << envelope << true << inner;
        QTest::newRow("text/html with charset")
            << 200 << QByteArray("text/html; charset=utf-8") << envelope << true << inner;
        QTest::newRow("text/json") << 200 << QByteArray("text/json") << envelope << true << inner;
        QTest::newRow("type in capitals")
            << 200 << QByteArray("Text/JSON;charset=UTF-8") << envelope << true << inner;
        QTest::newRow("status 201") << 201 << QByteArray("text/html") << envelope << true << inner;
        QTest::newRow("status 299") << 299 << QByteArray("text/html") << envelope << true << inner;
        QTest::newRow("no data member")
            << 200 << QByteArray("text/html") << QByteArray(R"({"code":0,"msg":"x"})") << false
            << QByteArray();
        QTest::newRow("data is null") << 200 << QByteArray("text/html")
                                      << QByteArray(R"({"data":null})") << false << QByteArray();
        QTest::newRow("empty data object")
            << 200 << QByteArray("text/json") << QByteArray(R"( {"data":{}} )") << true
            << QByteArray("{}");
    }

    void acceptedReplies()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArray, body);
        QFETCH(bool, hasPayload);
        QFETCH(QByteArray, payload);

        Reply reply = ScriptedHttpServer::json(body, contentType);
        reply.status = status;
        const Outcome outcome = sendReply(reply);
        QCOMPARE(outcome.failures, 0);
        QCOMPARE(outcome.successes, 1);
        QCOMPARE(outcome.payload.has_value(), hasPayload);
        if (hasPayload)
            QCOMPARE(*outcome.payload, QJsonDocument::fromJson(payload).object());
    }

    void refusedReplies_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("text");

        const QString network = QStringLiteral("网络不给力！");
        const QString format = QStringLiteral("返回数据封装格式错误!");
        const QByteArray envelope = R"({"data":{"code":0,"msg":"ok"}})";
        QTest::newRow("application/json")
            << 200 << QByteArray("application/json") << envelope << network;
        QTest::newRow("text/plain") << 200 << QByteArray("text/plain") << envelope << network;
        QTest::newRow("text/htmlx") << 200 << QByteArray("text/htmlx") << envelope << network;
        QTest::newRow("no content type") << 200 << QByteArray() << envelope << network;
        QTest::newRow("status 404") << 404 << QByteArray("text/html") << envelope << network;
        QTest::newRow("status 500") << 500 << QByteArray("text/html") << envelope << network;
        QTest::newRow("truncated JSON")
            << 200 << QByteArray("text/html") << QByteArray(R"({"data":{"code":0)") << network;
        QTest::newRow("trailing garbage")
            << 200 << QByteArray("text/html") << QByteArray(R"({"data":{}} x)") << network;
        QTest::newRow("two values")
            << 200 << QByteArray("text/html") << QByteArray("1,2") << network;
        QTest::newRow("invalid UTF-8")
            << 200 << QByteArray("text/html") << QByteArray("{\"data\":{\"msg\":\"\xff\xfe\"}}")
            << network;
        QTest::newRow("array") << 200 << QByteArray("text/html") << QByteArray(R"([{"data":{}}])")
                               << format;
        QTest::newRow("empty body") << 200 << QByteArray("text/html") << QByteArray() << format;
        QTest::newRow("blank body")
            << 200 << QByteArray("text/json") << QByteArray(" \r\n") << format;
        QTest::newRow("empty body, no type") << 200 << QByteArray() << QByteArray() << format;
        QTest::newRow("bare number")
            << 200 << QByteArray("text/html") << QByteArray("42") << format;
        QTest::newRow("bare string")
            << 200 << QByteArray("text/html") << QByteArray(R"("ok")") << format;
        QTest::newRow("data is text")
            << 200 << QByteArray("text/html") << QByteArray(R"({"data":"ok"})") << format;
        QTest::newRow("data is a list")
            << 200 << QByteArray("text/html") << QByteArray(R"({"data":[{"code":0}]})") << format;
    }

    void refusedReplies()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArray, body);
        QFETCH(QString, text);

        Reply reply = ScriptedHttpServer::json(body, contentType);
        reply.status = status;
        const Outcome outcome = sendReply(reply);
        QCOMPARE(outcome.successes, 0);
        QCOMPARE(outcome.failures, 1);
        QCOMPARE(outcome.failureText, text);
    }

    void parametersArriveIntact_data()
    {
        QTest::addColumn<bool>("usePost");
        QTest::addColumn<QString>("value");

        const QStringList values = {QStringLiteral("a+b"),
                                    QStringLiteral("中文 测试"),
                                    QStringLiteral("a&b=c"),
                                    QStringLiteral("100%25"),
                                    QStringLiteral("#?/;"),
                                    QStringLiteral("😀"),
                                    QString()};
        for (const QString &value : values) {
            QTest::addRow("GET %s", qPrintable(value)) << false << value;
            QTest::addRow("POST %s", qPrintable(value)) << true << value;
        }
    }

    void parametersArriveIntact()
    {
        QFETCH(bool, usePost);
        QFETCH(QString, value);

        const QVariantMap params {{QStringLiteral("phone"), QStringLiteral("13800138000")},
                                  {QStringLiteral("key"), value},
                                  {QStringLiteral("名字"), QStringLiteral("x")}};
        QCOMPARE(send(usePost, params, options()).successes, 1);
        QCOMPARE(m_server->requests().size(), 1);
        const auto request = m_server->requests().constFirst();
        if (usePost) {
            QCOMPARE(request.method, QByteArray("POST"));
            QCOMPARE(request.headers.value("content-type"),
                     QByteArray("application/x-www-form-urlencoded"));
            QVERIFY(!request.target.contains('?'));
        } else {
            QCOMPARE(request.method, QByteArray("GET"));
            QVERIFY(request.body.isEmpty());
        }
        QCOMPARE(request.path(), QByteArray("/clientcall/probe"));
        QMap<QString, QString> expected;
        for (auto it = params.cbegin(); it != params.cend(); ++it)
            expected.insert(it.key(), it.value().toString());
        QCOMPARE(request.fields(), expected);
    }

    void getWithoutParametersHasNoQuery()
    {
        QCOMPARE(send(false, {}, options()).successes, 1);
        QCOMPARE(m_server->requests().constFirst().target, QByteArray("/clientcall/probe"));
    }

    void bodyLimit_data()
    {
        QTest::addColumn<qsizetype>("size");
        QTest::addColumn<bool>("declareLength");
        QTest::addColumn<bool>("accepted");

        const qsizetype limit = 1024 * 1024;
        QTest::newRow("at the limit, declared") << limit << true << true;
        QTest::newRow("at the limit, undeclared") << limit << false << true;
        QTest::newRow("one byte over, declared") << limit + 1 << true << false;
        QTest::newRow("one byte over, undeclared") << limit + 1 << false << false;
        QTest::newRow("far over, undeclared") << 8 * limit << false << false;
    }

    void bodyLimit()
    {
        QFETCH(qsizetype, size);
        QFETCH(bool, declareLength);
        QFETCH(bool, accepted);

        Reply reply = ScriptedHttpServer::json(paddedEnvelope(size));
        reply.declareLength = declareLength;
        const Outcome outcome = sendReply(reply);
        QCOMPARE(outcome.calls(), 1);
        if (accepted) {
            QCOMPARE(outcome.successes, 1);
            QCOMPARE(outcome.payload->value(QLatin1String("code")).toInt(), 7);
        } else {
            QCOMPARE(outcome.failureText, PXNetwork::networkFailureText());
        }
    }

    void transportFailures_data()
    {
        QTest::addColumn<int>("action");
        QTest::newRow("silent server") << int(Reply::Action::Hang);
        QTest::newRow("connection dropped") << int(Reply::Action::Close);
    }

    void transportFailures()
    {
        QFETCH(int, action);
        Reply reply;
        reply.action = Reply::Action(action);
        // The access manager retries once on a dropped connection.
        m_server->setDefaultReply(reply);
        const Outcome outcome = send(true, {}, options(std::chrono::milliseconds(300)));
        QCOMPARE(outcome.successes, 0);
        QCOMPARE(outcome.failures, 1);
        QCOMPARE(outcome.failureText, PXNetwork::networkFailureText());
    }

    void timeoutIsThirtySecondsByDefault()
    {
        QCOMPARE(PXRequestOptions().timeout, std::chrono::milliseconds(30000));
        QCOMPARE(PXRequestOptions().maxBodyBytes, qint64(1024 * 1024));
    }

    void nobodyListening()
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        PXRequestOptions opts = options();
        opts.baseURL = QUrl(QStringLiteral("http://127.0.0.1:%1").arg(probe.serverPort()));
        probe.close();
        const Outcome outcome = send(false, {}, opts);
        QCOMPARE(outcome.calls(), 1);
        QCOMPARE(outcome.failureText, PXNetwork::networkFailureText());
    }

    void requestsInFlightAreIndependent()
    {
        Reply slow;
        slow.action = Reply::Action::Hang;
        m_server->enqueue(slow);
        m_server->enqueue(ScriptedHttpServer::json(R"({"data":{"code":1}})"));
        m_server->enqueue(ScriptedHttpServer::json(R"({"data":{"code":2}})"));

        QList<int> codes;
        int failures = 0;
        auto success = [&codes](const std::optional<QJsonObject> &data) {
            codes.append(data->value(QLatin1String("code")).toInt());
        };
        auto failure = [&failures](const QString &) { ++failures; };
        const auto opts = options(std::chrono::milliseconds(1500));
        PXNetwork::post(QStringLiteral("/a"), {}, success, failure, opts);
        QTRY_COMPARE(m_server->requests().size(), 1);
        PXNetwork::post(QStringLiteral("/b"), {}, success, failure, opts);
        QTRY_COMPARE(codes.size(), 1);
        PXNetwork::post(QStringLiteral("/c"), {}, success, failure, opts);
        QTRY_COMPARE(codes, QList<int>({1, 2}));
        QTRY_COMPARE(failures, 1);
        QTest::qWait(100);
        QCOMPARE(codes.size() + failures, 3);
    }

    void resolve_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("expected");

        QTest::newRow("host only") << "http://127.0.0.1:8756"
                                   << "/clientcall/getServerTime"
                                   << "http://127.0.0.1:8756/clientcall/getServerTime";
        QTest::newRow("slashes on both sides") << "http://h:1/"
                                               << "/clientcall/x"
                                               << "http://h:1/clientcall/x";
        QTest::newRow("no leading slash") << "http://h:1"
                                          << "clientcall/x"
                                          << "http://h:1/clientcall/x";
        QTest::newRow("base with a path") << "http://h/api"
                                          << "/clientcall/x"
                                          << "http://h/api/clientcall/x";
        QTest::newRow("absolute url wins") << "http://h:1"
                                           << "http://other:2/y?z=1"
                                           << "http://other:2/y?z=1";
    }

    void resolve()
    {
        QFETCH(QString, base);
        QFETCH(QString, url);
        QFETCH(QString, expected);
        QCOMPARE(PXNetwork::resolve(url, QUrl(base)).toString(), expected);
    }

    void overrideIsScoped()
    {
        const QUrl configured(QString::fromLatin1(KelvoConfig::serviceBaseURL));
        QCOMPARE(PXRequestOptions().baseURL, configured);
        {
            PXServiceOverride outer(m_server->baseURL());
            QCOMPARE(PXRequestOptions().baseURL, m_server->baseURL());
            {
                PXServiceOverride inner(QUrl(QStringLiteral("http://127.0.0.1:1")));
                QCOMPARE(PXRequestOptions().baseURL, QUrl(QStringLiteral("http://127.0.0.1:1")));
            }
            QCOMPARE(PXRequestOptions().baseURL, m_server->baseURL());
            int successes = 0;
            PXNetwork::get(
                QStringLiteral("/x"), {}, [&](const auto &) { ++successes; }, nullptr);
            QTRY_COMPARE(successes, 1);
        }
        QCOMPARE(PXRequestOptions().baseURL, configured);
    }
};

QTEST_GUILESS_MAIN(tst_PXNetwork)
#include "tst_pxnetwork.moc"
