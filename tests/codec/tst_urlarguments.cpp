#include "CXURLArguments.h"

#include <QtTest>

using Dictionary = CXURLArguments::Dictionary;

class tst_URLArguments : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void escape_data();
    void escape();
    void unescapeValid_data();
    void unescapeValid();
    void unescapeInvalid_data();
    void unescapeInvalid();
    void parse_data();
    void parse();
    void writeThenParse();
};

void tst_URLArguments::escape_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("escaped");
    QTest::newRow("unreserved kept") << "-._~aZ09"
                                     << "-._~aZ09";
    QTest::newRow("space") << "a b"
                           << "a%20b";
    QTest::newRow("reserved") << "!*'();:@&=+$,/?%#[]"
                              << "%21%2A%27%28%29%3B%3A%40%26%3D%2B%24%2C%2F%3F%25%23%5B%5D";
    QTest::newRow("UTF-8, upper-case hex") << QStringLiteral("\u4e2d\u00e9") << "%E4%B8%AD%C3%A9";
}

void tst_URLArguments::escape()
{
    QFETCH(QString, text);
    QFETCH(QString, escaped);
    QCOMPARE(CXURLArguments::cx_stringByEscapingForURLArgument(text), escaped);
    QCOMPARE(CXURLArguments::cx_stringByUnescapingFromURLArgument(escaped), text);
}

void tst_URLArguments::unescapeValid_data()
{
    QTest::addColumn<QString>("escaped");
    QTest::addColumn<QString>("text");
    QTest::newRow("plus is space") << "a+b"
                                   << "a b";
    QTest::newRow("escaped plus") << "%2B"
                                  << "+";
    QTest::newRow("lower-case hex") << "%e4%b8%ad" << QStringLiteral("\u4e2d");
    QTest::newRow("raw non-ASCII") << QStringLiteral("\u4e2d%20") << QStringLiteral("\u4e2d ");
    QTest::newRow("empty") << ""
                           << "";
}

void tst_URLArguments::unescapeValid()
{
    QFETCH(QString, escaped);
    QFETCH(QString, text);
    const QString result = CXURLArguments::cx_stringByUnescapingFromURLArgument(escaped);
    QVERIFY(!result.isNull());
    QCOMPARE(result, text);
}

void tst_URLArguments::unescapeInvalid_data()
{
    QTest::addColumn<QString>("escaped");
    QTest::newRow("lone percent") << "%";
    QTest::newRow("one hex digit") << "a%2";
    QTest::newRow("not hex") << "%ZZ";
    QTest::newRow("not UTF-8") << "%FF";
    QTest::newRow("truncated UTF-8") << "%E4%B8";
}

void tst_URLArguments::unescapeInvalid()
{
    QFETCH(QString, escaped);
    QVERIFY(CXURLArguments::cx_stringByUnescapingFromURLArgument(escaped).isNull());
}

void tst_URLArguments::parse_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<Dictionary>("expected");
    QTest::newRow("two") << "a=1&b=2" << Dictionary {{"a", "1"}, {"b", "2"}};
    QTest::newRow("first occurrence wins") << "d=7&d=8" << Dictionary {{"d", "7"}};
    QTest::newRow("empty pieces") << "&&a=1&" << Dictionary {{"a", "1"}};
    QTest::newRow("no equals") << "a" << Dictionary {{"a", ""}};
    QTest::newRow("split at first equals") << "a=b=c" << Dictionary {{"a", "b=c"}};
    QTest::newRow("bad value reads empty") << "a=%ZZ&b=2" << Dictionary {{"a", ""}, {"b", "2"}};
    QTest::newRow("bad key reads empty") << "%ZZ=1" << Dictionary {{"", "1"}};
    QTest::newRow("plus and escapes") << "a+b=c%26d" << Dictionary {{"a b", "c&d"}};
    QTest::newRow("nothing") << "" << Dictionary {};
}

void tst_URLArguments::parse()
{
    QFETCH(QString, arguments);
    QFETCH(Dictionary, expected);
    QCOMPARE(CXURLArguments::cx_dictionaryWithHttpArgumentsString(arguments), expected);
}

void tst_URLArguments::writeThenParse()
{
    const Dictionary arguments {{"a b", "c&d=e"}, {QStringLiteral("\u4e2d"), "+"}, {"x", ""}};
    const QString text = CXURLArguments::cx_httpArgumentsString(arguments);
    QVERIFY(text.contains(QLatin1String("a%20b=c%26d%3De")));
    QCOMPARE(CXURLArguments::cx_dictionaryWithHttpArgumentsString(text), arguments);
}

QTEST_APPLESS_MAIN(tst_URLArguments)
#include "tst_urlarguments.moc"
