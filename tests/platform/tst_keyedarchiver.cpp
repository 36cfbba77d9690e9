#include "KeyedArchiver.h"
#include "KeyedUnarchiver.h"

#include "FileModes.h"
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <QtTest>

namespace {
const QString loginClass = QStringLiteral("PXLoginModel");

ArchivedObject record(const QString &key, bool value, qint32 type)
{
    return {loginClass,
            {loginClass, QStringLiteral("NSObject")},
            {{QStringLiteral("key"), key}, {"value", value}, {"type", type}}};
}

QList<ArchivedObject> sampleList()
{
    return {record(QStringLiteral("指纹密码"), false, 1),
            record(QStringLiteral("手势密码"), true, 2)};
}
} // namespace

class tst_KeyedArchiver : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void roundTrip_data()
    {
        QTest::addColumn<QList<ArchivedObject>>("objects");
        QTest::newRow("nil key, negative type") << QList<ArchivedObject> {record({}, true, -7)};
        QTest::newRow("extreme type") << QList<ArchivedObject> {
            record(QStringLiteral("a"), false, std::numeric_limits<qint32>::min()),
            record(QStringLiteral("b"), false, std::numeric_limits<qint32>::max())};
    }

    void roundTrip()
    {
        QFETCH(QList<ArchivedObject>, objects);
        const auto back = KeyedUnarchiver::unarchiveRootList(
            KeyedArchiver::archivedDataWithRootList(objects), loginClass);
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

        QTest::newRow("empty") << QByteArray();
        QTest::newRow("truncated") << good.left(good.size() / 2);
        QTest::newRow("xml plist") << QByteArray("<?xml version=\"1.0\"?><plist><array/></plist>");
        QTest::newRow("other archiver")
            << QByteArray(good).replace("NSKeyedArchiver", "NSKeyedArchivez");
        QTest::newRow("root not a list")
            << QByteArray(good).replace("NSMutableArray", "NSMutableDicti");
        QTest::newRow("other class") << KeyedArchiver::archivedDataWithRootList(
            {ArchivedObject {QStringLiteral("Other"), {}, {}}});
        QTest::newRow("string with NUL")
            << KeyedArchiver::archivedDataWithRootList(
                   {record(QStringLiteral("ABCDEFGHIJKLMNOP"), false, 1)})
                   .replace("GHI", QByteArray("G\0I", 3));
        QTest::newRow("over the size cap")
            << QByteArray("bplist00") + QByteArray(KeyedUnarchiver::maximumArchiveSize, 'x');
    }

    void refusesWhatIsNotOurs()
    {
        QFETCH(QByteArray, data);
        QVERIFY(!KeyedUnarchiver::unarchiveRootList(data, loginClass).has_value());
    }

    void fileReadableByPlistutil()
    {
        const QString plistutil = QStandardPaths::findExecutable(QStringLiteral("plistutil"));
        QVERIFY2(!plistutil.isEmpty(),
                 "plistutil is missing: scripts/bootstrap installs libplist-utils");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("loginType.plist"));
        QVERIFY(KeyedArchiver::archiveRootList(sampleList(), path));
        QCOMPARE(fileMode(path), 0600);
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
        QVERIFY(KeyedArchiver::archiveRootList({}, path));
        const auto back = KeyedUnarchiver::unarchiveRootListFromFile(path, loginClass);
        QVERIFY(back && back->isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList {QFileInfo(path).fileName()});
    }
};

QTEST_APPLESS_MAIN(tst_KeyedArchiver)
#include "tst_keyedarchiver.moc"
