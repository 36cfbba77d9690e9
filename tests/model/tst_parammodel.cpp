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
        QTest::addColumn<qint64>("expected");
        QTest::addColumn<qint64>("guarded"); // the lock shown while a pattern is stored
        QTest::addColumn<QStringList>("keys");
        const QString fp = QStringLiteral("指纹密码");
        const QString ge = QStringLiteral("手势密码");
        const QStringList defaults {fp, ge};
        const QString iris = QStringLiteral("虹膜");
        const QStringList three {fp, ge, iris};
        const auto list = [&](bool f, bool g) { return archiveOf({{fp, f, 1}, {ge, g, 2}}); };
        dataRow("none on", list(false, false), qint64(0), qint64(0), defaults);
        dataRow("fingerprint on", list(true, false), qint64(1), qint64(1), defaults);
        dataRow("gesture on", list(false, true), qint64(2), qint64(2), defaults);
        dataRow("both on: the later entry decides", list(true, true), qint64(2), qint64(2),
                defaults);
        dataRow("order as stored", archiveOf({{ge, true, 2}, {fp, true, 1}}), qint64(1), qint64(1),
                QStringList {ge, fp});
        dataRow("empty list", archiveOf({}), qint64(0), qint64(2), defaults);
        dataRow("missing file", QByteArray(), qint64(0), qint64(2), defaults);
        dataRow("corrupt file", QByteArray("bplist00\x01\x02garbage", 17), qint64(0), qint64(2),
                defaults);
        ArchivedObject wrongType = PXLoginModel::initWithKey(ge, true, 2)->encodeWithCoder();
        wrongType.values.insert(QStringLiteral("value"), qint32(1));
        dataRow("member of the wrong type", KeyedArchiver::archivedDataWithRootList({wrongType}),
                qint64(0), qint64(2), defaults);
        // Written by a later version: only the kinds this build knows lock.
        dataRow("gesture, then an unknown kind on",
                archiveOf({{fp, false, 1}, {ge, true, 2}, {iris, true, 7}}), qint64(2), qint64(2),
                three);
        dataRow("an unknown kind on alone",
                archiveOf({{fp, false, 1}, {ge, false, 2}, {iris, true, 7}}), qint64(0), qint64(2),
                three);
        dataRow("an unknown kind off",
                archiveOf({{fp, false, 1}, {ge, false, 2}, {iris, false, 7}}), qint64(0), qint64(0),
                three);
    }

    void lockType()
    {
        QFETCH(QByteArray, file);
        QFETCH(qint64, expected);
        QFETCH(QStringList, keys);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("loginType.plist"));
        QFile written(path);
        QVERIFY(file.isNull() || (written.open(QIODevice::WriteOnly) && written.write(file) >= 0));
        written.close();
        PXParamModel model(path);
        QCOMPARE(model.loginType(), expected);
        QCOMPARE(model.guardingType(false), expected);
        QTEST(model.guardingType(true), "guarded");
        QStringList actualKeys;
        for (const auto &entry : model.loginTypes())
            actualKeys << entry->key();
        QCOMPARE(actualKeys, keys);
        // A file that was not ours is left alone until a writer replaces it.
        if (!file.isNull())
            QCOMPARE(fileBytes(path), file);
    }

    void saveAndReload()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Plist/loginType.plist"));
        {
            PXParamModel model(path);
            model.loginTypes()[0]->setValue(true);
            // The folder does not exist: the write fails, the list in memory stands.
            QVERIFY(!model.saveLoginTypes());
            QCOMPARE(model.loginType(), qint64(1));
            QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("Plist"))));
            QVERIFY(model.saveLoginTypes());
        }
        PXParamModel reloaded(path);
        QCOMPARE(reloaded.loginType(), qint64(1));
        QCOMPARE(reloaded.loginTypes().size(), 2);
        QCOMPARE(reloaded.loginTypes()[1]->key(), QStringLiteral("手势密码"));
        QCOMPARE(reloaded.loginTypes()[1]->type(), qint64(2));
    }

    void filePaths()
    {
        QTemporaryDir dir;
        qputenv("KELVO_DATA_DIR", dir.path().toLocal8Bit());
        PXFilePathVM paths;
        const QString docs = dir.path() + QStringLiteral("/Documents");
        QCOMPARE(paths.documentFolder(), docs);
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
