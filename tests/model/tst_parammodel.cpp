#include "KeyedArchiver.h"
#include "PXFilePathVM.h"
#include "PXLoginModel.h"
#include "PXParamModel.h"

#include "DataRow.h"
#include "FileModes.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QByteArray archiveOf(const QList<std::tuple<QString, bool, int>> &entries)
{
    QList<ArchivedObject> objects;
    for (const auto &[key, value, type] : entries)
        objects.append(PXLoginModel::initWithKey(key, value, type)->encodeWithCoder());
    return KeyedArchiver::archivedDataWithRootList(objects);
}

} // namespace

class tst_ParamModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lockType_data()
    {
        QTest::addColumn<QByteArray>("file"); // null: no file at all
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("guarded"); // the lock shown while a pattern is stored
        QTest::addColumn<QStringList>("keys");
        const QString fp = QStringLiteral("指纹密码"), ge = QStringLiteral("手势密码");
        const QString iris = QStringLiteral("虹膜");
        const QStringList two {fp, ge}, three {fp, ge, iris};
        const auto list = [&](bool f, bool g) { return archiveOf({{fp, f, 1}, {ge, g, 2}}); };
        dataRow("none on", list(false, false), 0, 0, two);
        dataRow("fingerprint on", list(true, false), 1, 1, two);
        dataRow("gesture on", list(false, true), 2, 2, two);
        dataRow("both on: the later entry decides", list(true, true), 2, 2, two);
        dataRow("as stored", archiveOf({{ge, true, 2}, {fp, true, 1}}), 1, 1, QStringList {ge, fp});
        dataRow("empty list", archiveOf({}), 0, 2, two);
        dataRow("missing file", QByteArray(), 0, 2, two);
        dataRow("corrupt file", QByteArray("bplist00\x01\x02garbage", 17), 0, 2, two);
        ArchivedObject wrong = PXLoginModel::initWithKey(ge, true, 2)->encodeWithCoder();
        wrong.values.insert(QStringLiteral("value"), qint32(1));
        dataRow("wrong member type", KeyedArchiver::archivedDataWithRootList({wrong}), 0, 2, two);
        // Written by a later version: only the kinds this build knows lock.
        const auto later = [&](bool g, bool i) {
            return archiveOf({{fp, false, 1}, {ge, g, 2}, {iris, i, 7}});
        };
        dataRow("gesture, then an unknown kind on", later(true, true), 2, 2, three);
        dataRow("an unknown kind on alone", later(false, true), 0, 2, three);
        dataRow("an unknown kind off", later(false, false), 0, 0, three);
    }

    void lockType()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, expected);
        QFETCH(int, guarded);
        QFETCH(QStringList, keys);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("loginType.plist"));
        QFile written(path);
        QVERIFY(
            file.isNull()
            || (written.open(QIODevice::WriteOnly) && written.write(file) >= 0 && written.flush()));
        PXParamModel model(path);
        QCOMPARE(model.loginType(), qint64(expected));
        QCOMPARE(model.guardingType(false), qint64(expected));
        QCOMPARE(model.guardingType(true), qint64(guarded));
        QStringList actualKeys;
        for (const auto &entry : model.loginTypes())
            actualKeys << entry->key();
        QCOMPARE(actualKeys, keys);
        // A file that was not ours is left alone until a writer replaces it.
        if (!file.isNull())
            QCOMPARE(fileBytes(path), file);
    }

    void filePaths()
    {
        QTemporaryDir dir;
        qputenv("KELVO_DATA_DIR", dir.path().toLocal8Bit());
        PXFilePathVM paths;
        const QString docs = dir.path() + QStringLiteral("/Documents");
        QCOMPARE(paths.loginTypeFile(), docs + QStringLiteral("/Plist/loginType.plist"));
        QCOMPARE(fileMode(docs + QStringLiteral("/Plist")), 0700);
        QCOMPARE(fileMode(docs + QStringLiteral("/DB")), -1);
        QCOMPARE(paths.dbFolder(), docs + QStringLiteral("/DB"));
        QCOMPARE(fileMode(docs + QStringLiteral("/DB")), 0700);
        qunsetenv("KELVO_DATA_DIR");
    }
};

QTEST_APPLESS_MAIN(tst_ParamModel)
#include "tst_parammodel.moc"
