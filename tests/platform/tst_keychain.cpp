#include "Keychain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace KeychainKey;

namespace {
QVariantMap genp(QVariantMap map)
{
    map.insert(Class, ClassGenericPassword);
    return map;
}

QVariantMap item(const QString &service, const QString &account, const QByteArray &data)
{
    return genp({{Service, service}, {Account, account}, {ValueData, data}});
}

QByteArray addForRef(Keychain &keychain, QVariantMap attributes)
{
    attributes.insert(ReturnPersistentRef, true);
    QVariant ref;
    if (keychain.addItem(attributes, &ref) != KeychainStatus::Success)
        return {};
    return ref.toByteArray();
}

QVariant lookup(Keychain &keychain, const QVariantMap &query, int *status = nullptr)
{
    QVariant result;
    const int rc = keychain.copyMatching(genp(query), &result);
    if (status)
        *status = rc;
    return result;
}

QByteArray dataFor(Keychain &keychain, const QString &service, const QString &account)
{
    return lookup(keychain, {{Service, service}, {Account, account}, {ReturnData, true}})
        .toByteArray();
}

int modeOf(const QString &path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return int(info.st_mode & 07777);
}

QStringList movedAside(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("*.unreadable-*")}, QDir::Files);
}
} // namespace

class tst_Keychain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void lookupsAcrossRestart();
    void invalidRequests_data();
    void invalidRequests();
    void missingItems_data();
    void missingItems();
    void duplicateKeepsOriginal();
    void renameOntoTakenNameChangesNothing();
    void updateByRefTouchesOnlyGivenAttributes();
    void deleteByRefLeavesOthers();
    void emptyDataIsNotAbsentData();
    void synchronizableMatching_data();
    void synchronizableMatching();
    void filesArePrivate();
    void unreadableFileMovedAside_data();
    void unreadableFileMovedAside();
    void emptyFileStartsStore();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Keychain> m_keychain;
    QString folder() const { return m_dir->path() + QStringLiteral("/Keychain"); }
};

void tst_Keychain::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_keychain = std::make_unique<Keychain>(folder());
}

void tst_Keychain::cleanup()
{
    m_keychain.reset();
    m_dir.reset();
}

void tst_Keychain::lookupsAcrossRestart()
{
    QVariantMap first = item(QStringLiteral("svc"), QStringLiteral("alice"), "secret-a");
    first.insert(Generic, QByteArray("otpauth://totp/alice?"));
    first.insert(Label, QStringLiteral("Alice"));
    const QByteArray refA = addForRef(*m_keychain, first);
    const QByteArray refB
        = addForRef(*m_keychain, item(QStringLiteral("svc"), QStringLiteral("bob"), "secret-b"));
    QCOMPARE(refA.size(), 16);
    QCOMPARE(refB.size(), 16);
    QVERIFY(refA != refB);

    m_keychain = std::make_unique<Keychain>(folder());

    const QVariantMap byRef
        = lookup(*m_keychain,
                 {{ValuePersistentRef, refA}, {ReturnAttributes, true}, {ReturnData, true}})
              .toMap();
    QCOMPARE(byRef.value(ValueData).toByteArray(), QByteArray("secret-a"));
    QCOMPARE(byRef.value(Generic).toByteArray(), QByteArray("otpauth://totp/alice?"));
    QCOMPARE(byRef.value(Account).toString(), QStringLiteral("alice"));
    QCOMPARE(byRef.value(Label).toString(), QStringLiteral("Alice"));
    QVERIFY(byRef.value(CreationDate).toDateTime().isValid());

    QCOMPARE(dataFor(*m_keychain, QStringLiteral("svc"), QStringLiteral("bob")),
             QByteArray("secret-b"));

    const QVariantList all = lookup(*m_keychain,
                                    {{Service, QStringLiteral("svc")},
                                     {ReturnAttributes, true},
                                     {MatchLimit, MatchLimitAll}})
                                 .toList();
    QCOMPARE(all.size(), 2);
    for (const QVariant &entry : all)
        QVERIFY(!entry.toMap().contains(ValueData));
}

void tst_Keychain::invalidRequests_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QVariantMap>("dictionary");

    const QVariantMap good = item(QStringLiteral("s"), QStringLiteral("a"), "d");
    QVariantMap noClass = good;
    noClass.remove(Class);
    QVariantMap otherClass = good;
    otherClass.insert(Class, QStringLiteral("inet"));
    QVariantMap unknownKey = good;
    unknownKey.insert(QStringLiteral("colour"), QStringLiteral("red"));
    QVariantMap serviceAsBytes = good;
    serviceAsBytes.insert(Service, QByteArray("s"));
    QVariantMap dataAsText = good;
    dataAsText.insert(ValueData, QStringLiteral("d"));
    QVariantMap addWithRef = good;
    addWithRef.insert(ValuePersistentRef, QByteArray(16, 'x'));
    QVariantMap addSyncAny = good;
    addSyncAny.insert(Synchronizable, SynchronizableAny);
    QVariantMap badAccessible = good;
    badAccessible.insert(Accessible, QStringLiteral("sometimes"));
    QVariantMap returnAsText = good;
    returnAsText.insert(ReturnData, QStringLiteral("yes"));

    QTest::newRow("add without class") << "add" << noClass;
    QTest::newRow("add other class") << "add" << otherClass;
    QTest::newRow("add unknown key") << "add" << unknownKey;
    QTest::newRow("add service as bytes") << "add" << serviceAsBytes;
    QTest::newRow("add data as text") << "add" << dataAsText;
    QTest::newRow("add with reference") << "add" << addWithRef;
    QTest::newRow("add synchronizable any") << "add" << addSyncAny;
    QTest::newRow("add unknown accessibility") << "add" << badAccessible;
    QTest::newRow("query without class") << "copy" << QVariantMap {{Service, QStringLiteral("s")}};
    QTest::newRow("query on value data") << "copy" << good;
    QTest::newRow("query bad match limit") << "copy" << genp({{MatchLimit, QStringLiteral("two")}});
    QTest::newRow("query return flag as text") << "copy" << returnAsText;
    QTest::newRow("update nothing") << "update" << QVariantMap();
    QTest::newRow("update with return flag") << "update" << QVariantMap {{ReturnData, true}};
    QTest::newRow("update the reference")
        << "update" << QVariantMap {{ValuePersistentRef, QByteArray(16, 'x')}};
    QTest::newRow("delete without class")
        << "delete" << QVariantMap {{Account, QStringLiteral("a")}};
}

void tst_Keychain::invalidRequests()
{
    QFETCH(QString, operation);
    QFETCH(QVariantMap, dictionary);
    const QByteArray ref
        = addForRef(*m_keychain, item(QStringLiteral("s"), QStringLiteral("a"), "original"));
    QVERIFY(!ref.isEmpty());

    int status = KeychainStatus::Success;
    if (operation == QLatin1String("add"))
        status = m_keychain->addItem(dictionary);
    else if (operation == QLatin1String("copy"))
        status = m_keychain->copyMatching(dictionary);
    else if (operation == QLatin1String("update"))
        status = m_keychain->updateItems(genp({{ValuePersistentRef, ref}}), dictionary);
    else
        status = m_keychain->deleteItems(dictionary);
    QCOMPARE(status, KeychainStatus::Param);

    const QVariantList all
        = lookup(*m_keychain, {{ReturnData, true}, {MatchLimit, MatchLimitAll}}).toList();
    QCOMPARE(all, QVariantList {QByteArray("original")});
}

void tst_Keychain::missingItems_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QVariantMap>("query");

    const QVariantMap otherAccount {{Service, QStringLiteral("s")}, {Account, QStringLiteral("b")}};
    const QVariantMap unknownRef {{ValuePersistentRef, QByteArray(16, '\0')}};
    QTest::newRow("copy other account") << "copy" << otherAccount;
    QTest::newRow("copy unknown reference") << "copy" << unknownRef;
    QTest::newRow("copy all of another service")
        << "copy" << QVariantMap {{Service, QStringLiteral("t")}, {MatchLimit, MatchLimitAll}};
    QTest::newRow("update unknown reference") << "update" << unknownRef;
    QTest::newRow("delete other account") << "delete" << otherAccount;
    QTest::newRow("delete unknown reference") << "delete" << unknownRef;
}

void tst_Keychain::missingItems()
{
    QFETCH(QString, operation);
    QFETCH(QVariantMap, query);
    QVERIFY(
        !addForRef(*m_keychain, item(QStringLiteral("s"), QStringLiteral("a"), "kept")).isEmpty());

    QVariant result(QStringLiteral("untouched"));
    int status = KeychainStatus::Success;
    if (operation == QLatin1String("copy"))
        status = m_keychain->copyMatching(genp(query), &result);
    else if (operation == QLatin1String("update"))
        status = m_keychain->updateItems(genp(query), {{ValueData, QByteArray("new")}});
    else
        status = m_keychain->deleteItems(genp(query));
    QCOMPARE(status, KeychainStatus::ItemNotFound);
    QCOMPARE(result.toString(), QStringLiteral("untouched"));
    QCOMPARE(dataFor(*m_keychain, QStringLiteral("s"), QStringLiteral("a")), QByteArray("kept"));
}

void tst_Keychain::duplicateKeepsOriginal()
{
    QVERIFY(
        !addForRef(*m_keychain, item(QStringLiteral("s"), QStringLiteral("a"), "first")).isEmpty());
    QVariant result;
    QCOMPARE(m_keychain->addItem(item(QStringLiteral("s"), QStringLiteral("a"), "second"), &result),
             KeychainStatus::DuplicateItem);
    QVERIFY(!result.isValid());
    QCOMPARE(dataFor(*m_keychain, QStringLiteral("s"), QStringLiteral("a")), QByteArray("first"));

    // The same account under another service, or another account, is a different item.
    QCOMPARE(m_keychain->addItem(item(QStringLiteral("t"), QStringLiteral("a"), "other service")),
             KeychainStatus::Success);
    QCOMPARE(m_keychain->addItem(item(QStringLiteral("s"), QStringLiteral("a.1"), "other account")),
             KeychainStatus::Success);
}

void tst_Keychain::renameOntoTakenNameChangesNothing()
{
    QVERIFY(
        !addForRef(*m_keychain, item(QStringLiteral("s"), QStringLiteral("x"), "one")).isEmpty());
    QVERIFY(
        !addForRef(*m_keychain, item(QStringLiteral("t"), QStringLiteral("x"), "two")).isEmpty());
    // Both match; moving both into service "u" collides on the second row, so
    // the first must be rolled back too.
    QCOMPARE(m_keychain->updateItems(genp({{Account, QStringLiteral("x")}}),
                                     {{Service, QStringLiteral("u")}}),
             KeychainStatus::DuplicateItem);
    QCOMPARE(dataFor(*m_keychain, QStringLiteral("s"), QStringLiteral("x")), QByteArray("one"));
    QCOMPARE(dataFor(*m_keychain, QStringLiteral("t"), QStringLiteral("x")), QByteArray("two"));
    int status = 0;
    lookup(*m_keychain, {{Service, QStringLiteral("u")}}, &status);
    QCOMPARE(status, KeychainStatus::ItemNotFound);
}

void tst_Keychain::updateByRefTouchesOnlyGivenAttributes()
{
    QVariantMap attributes = item(QStringLiteral("s"), QStringLiteral("a"), "secret");
    attributes.insert(Generic, QByteArray("counter=1"));
    attributes.insert(Label, QStringLiteral("label"));
    const QByteArray ref = addForRef(*m_keychain, attributes);
    QCOMPARE(m_keychain->updateItems(genp({{ValuePersistentRef, ref}}),
                                     {{Generic, QByteArray("counter=2")}}),
             KeychainStatus::Success);

    const QVariantMap after = lookup(*m_keychain,
                                     {{ValuePersistentRef, ref},
                                      {ReturnAttributes, true},
                                      {ReturnData, true},
                                      {ReturnPersistentRef, true}})
                                  .toMap();
    QCOMPARE(after.value(Generic).toByteArray(), QByteArray("counter=2"));
    QCOMPARE(after.value(ValueData).toByteArray(), QByteArray("secret"));
    QCOMPARE(after.value(Account).toString(), QStringLiteral("a"));
    QCOMPARE(after.value(Label).toString(), QStringLiteral("label"));
    QCOMPARE(after.value(ValuePersistentRef).toByteArray(), ref);
}

void tst_Keychain::deleteByRefLeavesOthers()
{
    const QByteArray refA
        = addForRef(*m_keychain, item(QStringLiteral("s"), QStringLiteral("a"), "a"));
    QVERIFY(!addForRef(*m_keychain, item(QStringLiteral("s"), QStringLiteral("b"), "b")).isEmpty());
    QCOMPARE(m_keychain->deleteItems(genp({{ValuePersistentRef, refA}})), KeychainStatus::Success);

    Keychain reopened(folder());
    int status = 0;
    lookup(reopened, {{ValuePersistentRef, refA}, {ReturnData, true}}, &status);
    QCOMPARE(status, KeychainStatus::ItemNotFound);
    QCOMPARE(dataFor(reopened, QStringLiteral("s"), QStringLiteral("b")), QByteArray("b"));
    // The name is free again.
    QCOMPARE(reopened.addItem(item(QStringLiteral("s"), QStringLiteral("a"), "again")),
             KeychainStatus::Success);
}

void tst_Keychain::emptyDataIsNotAbsentData()
{
    QVERIFY(
        !addForRef(*m_keychain, item(QStringLiteral("s"), QStringLiteral("empty"), QByteArray("")))
             .isEmpty());
    QVERIFY(!addForRef(*m_keychain,
                       genp({{Service, QStringLiteral("s")}, {Account, QStringLiteral("none")}}))
                 .isEmpty());
    const QByteArray empty = dataFor(*m_keychain, QStringLiteral("s"), QStringLiteral("empty"));
    QVERIFY(!empty.isNull());
    QVERIFY(empty.isEmpty());
    QVERIFY(dataFor(*m_keychain, QStringLiteral("s"), QStringLiteral("none")).isNull());
}

void tst_Keychain::synchronizableMatching_data()
{
    QTest::addColumn<QVariant>("queried");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("absent: local only") << QVariant() << QStringList {QStringLiteral("local")};
    QTest::newRow("false") << QVariant(false) << QStringList {QStringLiteral("local")};
    QTest::newRow("true") << QVariant(true) << QStringList {QStringLiteral("synced")};
    QTest::newRow("any") << QVariant(SynchronizableAny)
                         << QStringList {QStringLiteral("local"), QStringLiteral("synced")};
}

void tst_Keychain::synchronizableMatching()
{
    QFETCH(QVariant, queried);
    QFETCH(QStringList, expected);
    QVariantMap synced = item(QStringLiteral("s"), QStringLiteral("synced"), "1");
    synced.insert(Synchronizable, true);
    QCOMPARE(m_keychain->addItem(synced), KeychainStatus::Success);
    QCOMPARE(m_keychain->addItem(item(QStringLiteral("s"), QStringLiteral("local"), "2")),
             KeychainStatus::Success);

    QVariantMap query {{ReturnAttributes, true}, {MatchLimit, MatchLimitAll}};
    if (queried.isValid())
        query.insert(Synchronizable, queried);
    QStringList accounts;
    for (const QVariant &entry : lookup(*m_keychain, query).toList())
        accounts.append(entry.toMap().value(Account).toString());
    accounts.sort();
    QCOMPARE(accounts, expected);
}

void tst_Keychain::filesArePrivate()
{
    // A store file left readable by an earlier run is tightened too.
    QVERIFY(QDir().mkpath(folder()));
    QFile::setPermissions(folder(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                              | QFile::ExeOther);
    const mode_t oldMask = ::umask(0);
    m_keychain = std::make_unique<Keychain>(folder());
    QCOMPARE(m_keychain->addItem(item(QStringLiteral("s"), QStringLiteral("a"), "d")),
             KeychainStatus::Success);
    ::umask(oldMask);

    QCOMPARE(modeOf(folder()), 0700);
    QCOMPARE(modeOf(m_keychain->filePath()), 0600);
    QCOMPARE(modeOf(m_keychain->filePath() + QStringLiteral("-wal")), 0600);
    QCOMPARE(modeOf(m_keychain->filePath() + QStringLiteral("-shm")), 0600);
}

void tst_Keychain::unreadableFileMovedAside_data()
{
    QTest::addColumn<QByteArray>("contents");

    QTest::newRow("text") << QByteArray("this is not a keychain\n").repeated(200);
    QTest::newRow("database header, garbage pages")
        << QByteArray("SQLite format 3\0", 16) + QByteArray(4080, '\xff');
}

void tst_Keychain::unreadableFileMovedAside()
{
    QFETCH(QByteArray, contents);
    QVERIFY(QDir().mkpath(folder()));
    QFile file(m_keychain->filePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
    file.close();

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("unreadable")));
    QCOMPARE(m_keychain->addItem(item(QStringLiteral("s"), QStringLiteral("a"), "fresh")),
             KeychainStatus::Success);
    QCOMPARE(dataFor(*m_keychain, QStringLiteral("s"), QStringLiteral("a")), QByteArray("fresh"));

    const QStringList aside = movedAside(folder());
    QCOMPARE(aside.size(), 1);
    QFile kept(folder() + QLatin1Char('/') + aside.first());
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), contents);
}

void tst_Keychain::emptyFileStartsStore()
{
    QVERIFY(QDir().mkpath(folder()));
    QFile file(m_keychain->filePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QCOMPARE(m_keychain->addItem(item(QStringLiteral("s"), QStringLiteral("a"), "d")),
             KeychainStatus::Success);
    QVERIFY(movedAside(folder()).isEmpty());
}

QTEST_APPLESS_MAIN(tst_Keychain)
#include "tst_keychain.moc"
