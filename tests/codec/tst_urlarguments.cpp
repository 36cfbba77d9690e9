#include "CXURLArguments.h"

#include <QtTest>

using Dictionary = CXURLArguments::Dictionary;

namespace {
// Unlike QString::fromUtf8, keeps a leading byte-order mark.
QString utf8(const char *text)
{
    return QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom)(text);
}
} // namespace

class tst_URLArguments : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Canonical rows are also what escaping the text must give; rows without
    // text must be refused.
    void unescape_data()
    {
        QTest::addColumn<QString>("escaped");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("canonical");
        const struct
        {
            const char *tag, *escaped, *text;
            bool canonical;
        } rows[] = {
            {"unreserved kept", "-._~aZ09", "-._~aZ09", true},
            {"space", "a%20b", "a b", true},
            {"reserved", "%21%2A%27%28%29%3B%3A%40%26%3D%2B%24%2C%2F%3F%25%23%5B%5D",
             "!*'();:@&=+$,/?%#[]", true},
            {"UTF-8, upper-case hex", "%E4%B8%AD%C3%A9", "\u4e2d\u00e9", true},
            {"plus is space", "a+b", "a b", false},
            {"lower-case hex", "%e4%b8%ad", "\u4e2d", false},
            {"raw non-ASCII", "\u4e2d%20", "\u4e2d ", false},
            {"leading byte-order mark kept", "%EF%BB%BFa", "\ufeffa", true},
            {"empty", "", "", true},
            {"one hex digit", "a%2", nullptr, false},
            {"not hex", "%ZZ", nullptr, false},
            {"not UTF-8", "%FF", nullptr, false},
        };
        for (const auto &r : rows)
            QTest::newRow(r.tag) << QString::fromUtf8(r.escaped)
                                 << (r.text ? utf8(r.text) : QString()) << r.canonical;
    }

    void unescape()
    {
        QFETCH(QString, escaped);
        QFETCH(QString, text);
        QFETCH(bool, canonical);
        const QString result = CXURLArguments::cx_stringByUnescapingFromURLArgument(escaped);
        QCOMPARE(result.isNull(), text.isNull());
        QCOMPARE(result, text);
        if (canonical)
            QCOMPARE(CXURLArguments::cx_stringByEscapingForURLArgument(text), escaped);
    }

    void parse_data()
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
        QTest::newRow("nothing") << "" << Dictionary {};
    }

    void parse()
    {
        QFETCH(QString, arguments);
        QTEST(CXURLArguments::cx_dictionaryWithHttpArgumentsString(arguments), "expected");
    }
};

QTEST_APPLESS_MAIN(tst_URLArguments)
#include "tst_urlarguments.moc"
