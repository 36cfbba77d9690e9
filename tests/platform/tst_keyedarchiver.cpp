#include "KeyedArchiver.h"
#include "KeyedUnarchiver.h"

#include "FileModes.h"
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <QtTest>

namespace {
const QString loginClass = QStringLiteral("PXLoginModel");

ArchivedObject record(const QVariant &key, const QVariant &value, const QVariant &type)
{
    ArchivedObject o {loginClass, {loginClass, QStringLiteral("NSObject")}, {}};
    if (key.isValid())
        o.values.insert(QStringLiteral("key"), key);
    if (value.isValid())
        o.values.insert(QStringLiteral("value"), value);
    if (type.isValid())
        o.values.insert(QStringLiteral("type"), type);
    return o;
}

QList<ArchivedObject> sampleList()
{
    return {record(QStringLiteral("指纹密码"), false, qint32(1)),
            record(QStringLiteral("手势密码"), true, qint32(2))};
}

QByteArray replaceOnce(QByteArray data, const QByteArray &from, const QByteArray &to)
{
    const qsizetype at = data.indexOf(from);
    Q_ASSERT(at >= 0 && from.size() == to.size());
    data.replace(at, from.size(), to);
    return data;
}
} // namespace

class tst_KeyedArchiver : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void roundTrip_data()
    {
        QTest::addColumn<QList<ArchivedObject>>("objects");
        QTest::newRow("nil key, negative type")
            << QList<ArchivedObject> {record(QString(), true, qint32(-7))};
        QTest::newRow("extreme type") << QList<ArchivedObject> {
            record(QStringLiteral("a"), false, qint32(std::numeric_limits<qint32>::min())),
            record(QStringLiteral("b"), false, qint32(std::numeric_limits<qint32>::max()))};
    }

    void roundTrip()
    {
        QFETCH(QList<ArchivedObject>, objects);
        const QByteArray data = KeyedArchiver::archivedDataWithRootList(objects);
        QVERIFY(data.startsWith("bplist00"));
        const auto back = KeyedUnarchiver::unarchiveRootList(data, loginClass);
        QVERIFY(back.has_value());
        QCOMPARE(back->size(), objects.size());
        for (qsizetype i = 0; i < objects.size(); ++i) {
            QCOMPARE(back->at(i).className, loginClass);
            QCOMPARE(back->at(i).values, objects.at(i).values);
        }
    }

    void refusesWhatIsNotOurs_data()
    {
        QTest::addColumn<QByteArray>("data");
        const QByteArray good = KeyedArchiver::archivedDataWithRootList(sampleList());
        const QByteArray nulString = KeyedArchiver::archivedDataWithRootList(
            {record(QStringLiteral("ABCDEFGHIJKLMNOP"), false, qint32(1))});
        const QByteArray foreign = KeyedArchiver::archivedDataWithRootList(
            {ArchivedObject {QStringLiteral("Other"), {}, {}}});

        QTest::newRow("empty") << QByteArray();
        QTest::newRow("truncated") << good.left(good.size() / 2);
        QTest::newRow("xml plist") << QByteArray("<?xml version=\"1.0\"?><plist><array/></plist>");
        QTest::newRow("other archiver") << replaceOnce(good, "NSKeyedArchiver", "NSKeyedArchivez");
        QTest::newRow("root not a list") << replaceOnce(good, "NSMutableArray", "NSMutableDicti");
        QTest::newRow("other class") << foreign;
        QTest::newRow("string with NUL")
            << replaceOnce(nulString, "ABCDEFGHIJKLMNOP", QByteArray("ABCDEFG\0IJKLMNOP", 16));
        QTest::newRow("over the size cap")
            << QByteArray("bplist00") + QByteArray(KeyedUnarchiver::maximumArchiveSize, 'x');
    }

    void refusesWhatIsNotOurs()
    {
        QFETCH(QByteArray, data);
        QVERIFY(!KeyedUnarchiver::unarchiveRootList(data, loginClass).has_value());
    }

    void readableByPlistutil()
    {
        const QString plistutil = QStandardPaths::findExecutable(QStringLiteral("plistutil"));
        QVERIFY2(!plistutil.isEmpty(),
                 "plistutil is missing: scripts/bootstrap installs libplist-utils");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("loginType.plist"));
        QVERIFY(KeyedArchiver::archiveRootList(sampleList(), path));

        QProcess tool;
        tool.start(plistutil, {QStringLiteral("-i"), path});
        QVERIFY(tool.waitForFinished(10000));
        QCOMPARE(tool.exitCode(), 0);
        const QString flat = QString::fromUtf8(tool.readAllStandardOutput())
                                 .remove(QRegularExpression(QStringLiteral("\\s")));
        for (const char *fragment :
             {"<key>$archiver</key><string>NSKeyedArchiver</string>",
              "<key>$version</key><integer>100000</integer>",
              "<key>root</key><dict><key>CF$UID</key><integer>1</integer></dict>",
              "<string>$null</string>", "<string>指纹密码</string>", "<string>手势密码</string>",
              "<key>value</key><false/>", "<key>value</key><true/>",
              "<key>type</key><integer>1</integer>", "<key>type</key><integer>2</integer>",
              "<key>$classname</key><string>PXLoginModel</string>",
              "<key>$classname</key><string>NSMutableArray</string>",
              "<key>NS.objects</key><array>"})
            QVERIFY2(flat.contains(QString::fromUtf8(fragment)), fragment);
    }

    void fileIsPrivateAndAtomic()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.plist"));
        QVERIFY(KeyedArchiver::archiveRootList(sampleList(), path));
        QCOMPARE(fileMode(path), 0600);
        QVERIFY(KeyedArchiver::archiveRootList({}, path));
        const auto back = KeyedUnarchiver::unarchiveRootListFromFile(path, loginClass);
        QVERIFY(back && back->isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList {QStringLiteral("a.plist")});
    }
};

QTEST_APPLESS_MAIN(tst_KeyedArchiver)
#include "tst_keyedarchiver.moc"
