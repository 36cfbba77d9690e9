#include "CXURLArguments.h"

#include <QtTest>

using Dictionary = CXURLArguments::Dictionary;

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
            const char *tag;
            const char16_t *escaped, *text; // unlike UTF-8 text, keeps a leading byte-order mark
            bool canonical;
        } rows[] = {{"unreserved kept", u"-._~aZ09", u"-._~aZ09", true},
                    {"space", u"a%20b", u"a b", true},
                    {"reserved", u"%21%2A%27%28%29%3B%3A%40%26%3D%2B%24%2C%2F%3F%25%23%5B%5D",
                     u"!*'();:@&=+$,/?%#[]", true},
                    {"UTF-8, upper-case hex", u"%E4%B8%AD%C3%A9", u"\u4e2d\u00e9", true},
                    {"plus is space", u"a+b", u"a b", false},
                    {"lower-case hex", u"%e4%b8%ad", u"\u4e2d", false},
                    {"raw non-ASCII", u"\u4e2d%20", u"\u4e2d ", false},
                    {"leading byte-order mark kept", u"%EF%BB%BFa", u"\ufeffa", true},
                    {"empty", u"", u"", true},
                    {"one hex digit", u"a%2", nullptr, false},
                    {"not hex", u"%ZZ", nullptr, false},
                    {"not UTF-8", u"%FF", nullptr, false}};
        for (const auto &r : rows)
            QTest::newRow(r.tag) << QStringView(r.escaped).toString()
                                 << (r.text ? QStringView(r.text).toString() : QString())
                                 << r.canonical;
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
