#include "FileModes.h"
#include "Keychain.h"

#include <QDir>
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

QVariantMap item(const QString &account, const QByteArray &data)
{
    return genp({{Service, QStringLiteral("s")}, {Account, account}, {ValueData, data}});
}

QByteArray addForRef(Keychain &keychain, QVariantMap attributes)
{
    attributes.insert(ReturnPersistentRef, true);
    QVariant ref;
    return keychain.addItem(attributes, &ref) == KeychainStatus::Success ? ref.toByteArray()
                                                                         : QByteArray();
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
    void emptyDataIsNotAbsentData();
    void filesArePrivate();

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
    QVariantMap first = item(QStringLiteral("alice"), "secret-a");
    first.insert(Generic, QByteArray("otpauth://totp/alice?"));
    const QByteArray refA = addForRef(*m_keychain, first);
    const QByteArray refB = addForRef(*m_keychain, item(QStringLiteral("bob"), "secret-b"));
    QCOMPARE(refA.size(), 16);
    QVERIFY(refA != refB);

    m_keychain = std::make_unique<Keychain>(folder());
    const QVariantMap byRef
        = lookup(*m_keychain,
                 {{ValuePersistentRef, refA}, {ReturnAttributes, true}, {ReturnData, true}})
              .toMap();
    QCOMPARE(byRef.value(ValueData).toByteArray(), QByteArray("secret-a"));
    QCOMPARE(byRef.value(Generic).toByteArray(), QByteArray("otpauth://totp/alice?"));
    QCOMPARE(byRef.value(Account).toString(), QStringLiteral("alice"));
    QCOMPARE(dataFor(*m_keychain, QStringLiteral("s"), QStringLiteral("bob")),
             QByteArray("secret-b"));

    const QVariantList all
        = lookup(*m_keychain, {{ReturnAttributes, true}, {MatchLimit, MatchLimitAll}}).toList();
    QCOMPARE(all.size(), 2);
    for (const QVariant &entry : all)
        QVERIFY(!entry.toMap().contains(ValueData));
}

void tst_Keychain::invalidRequests_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");

    const QVariant none;
    QTest::newRow("add without class") << "add" << Class << none;
    QTest::newRow("add other class") << "add" << Class << QVariant(QStringLiteral("inet"));
    QTest::newRow("add unknown key") << "add"
                                     << "colour" << QVariant(QStringLiteral("red"));
    QTest::newRow("add service as bytes") << "add" << Service << QVariant(QByteArray("s"));
    QTest::newRow("add with reference")
        << "add" << ValuePersistentRef << QVariant(QByteArray(16, 'x'));
    QTest::newRow("add unknown accessibility")
        << "add" << Accessible << QVariant(QStringLiteral("sometimes"));
    QTest::newRow("query on value data") << "copy" << ValueData << QVariant(QByteArray("d"));
    QTest::newRow("query bad match limit")
        << "copy" << MatchLimit << QVariant(QStringLiteral("two"));
    QTest::newRow("update with return flag") << "update" << ReturnData << QVariant(true);
    QTest::newRow("update nothing") << "update" << QString() << none;
}

// A rejected request must leave the store exactly as it was.
void tst_Keychain::invalidRequests()
{
    QFETCH(QString, operation);
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    const QByteArray ref = addForRef(*m_keychain, item(QStringLiteral("a"), "original"));
    QVERIFY(!ref.isEmpty());

    QVariantMap dictionary = operation == QLatin1String("add")
        ? item(QStringLiteral("b"), "new")
        : genp({{Service, QStringLiteral("s")}});
    if (value.isValid())
        dictionary.insert(key, value);
    else
        dictionary.remove(key);
    int status = KeychainStatus::Success;
    if (operation == QLatin1String("add"))
        status = m_keychain->addItem(dictionary);
    else if (operation == QLatin1String("copy"))
        status = m_keychain->copyMatching(dictionary);
    else
        status
            = m_keychain->updateItems(genp({{ValuePersistentRef, ref}}),
                                      key.isEmpty() ? QVariantMap() : QVariantMap {{key, value}});
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
    QTest::newRow("update unknown reference") << "update" << unknownRef;
    QTest::newRow("delete other account") << "delete" << otherAccount;
}

void tst_Keychain::missingItems()
{
    QFETCH(QString, operation);
    QFETCH(QVariantMap, query);
    QVERIFY(!addForRef(*m_keychain, item(QStringLiteral("a"), "kept")).isEmpty());

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
    QCOMPARE(m_keychain->addItem(item(QStringLiteral("a"), "first")), KeychainStatus::Success);
    QVariant result;
    QCOMPARE(m_keychain->addItem(item(QStringLiteral("a"), "second"), &result),
             KeychainStatus::DuplicateItem);
    QVERIFY(!result.isValid());
    QCOMPARE(dataFor(*m_keychain, QStringLiteral("s"), QStringLiteral("a")), QByteArray("first"));

    QVariantMap otherService = item(QStringLiteral("a"), "other service");
    otherService.insert(Service, QStringLiteral("t"));
    QCOMPARE(m_keychain->addItem(otherService), KeychainStatus::Success);
}

void tst_Keychain::renameOntoTakenNameChangesNothing()
{
    QVariantMap other = item(QStringLiteral("x"), "two");
    other.insert(Service, QStringLiteral("t"));
    QCOMPARE(m_keychain->addItem(item(QStringLiteral("x"), "one")), KeychainStatus::Success);
    QCOMPARE(m_keychain->addItem(other), KeychainStatus::Success);
    // Both match; moving both into service "u" collides on the second row, so
    // the first must be rolled back too.
    QCOMPARE(m_keychain->updateItems(genp({{Account, QStringLiteral("x")}}),
                                     {{Service, QStringLiteral("u")}}),
             KeychainStatus::DuplicateItem);
    QCOMPARE(dataFor(*m_keychain, QStringLiteral("s"), QStringLiteral("x")), QByteArray("one"));
    QCOMPARE(dataFor(*m_keychain, QStringLiteral("t"), QStringLiteral("x")), QByteArray("two"));
}

void tst_Keychain::emptyDataIsNotAbsentData()
{
    QCOMPARE(m_keychain->addItem(item(QStringLiteral("empty"), QByteArray(""))),
             KeychainStatus::Success);
    QCOMPARE(m_keychain->addItem(
                 genp({{Service, QStringLiteral("s")}, {Account, QStringLiteral("none")}})),
             KeychainStatus::Success);
    const QByteArray empty = dataFor(*m_keychain, QStringLiteral("s"), QStringLiteral("empty"));
    QVERIFY(!empty.isNull() && empty.isEmpty());
    QVERIFY(dataFor(*m_keychain, QStringLiteral("s"), QStringLiteral("none")).isNull());
}

void tst_Keychain::filesArePrivate()
{
    // A folder left open by an earlier run is tightened, and a permissive
    // umask does not leak into the files.
    QVERIFY(QDir().mkpath(folder()));
    QFile::setPermissions(folder(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                              | QFile::ExeOther);
    const mode_t oldMask = ::umask(0);
    m_keychain = std::make_unique<Keychain>(folder());
    QCOMPARE(m_keychain->addItem(item(QStringLiteral("a"), "d")), KeychainStatus::Success);
    ::umask(oldMask);

    QCOMPARE(fileMode(folder()), 0700);
    for (const char *suffix : {"", "-wal", "-shm"})
        QCOMPARE(fileMode(m_keychain->filePath() + QLatin1String(suffix)), 0600);
}

QTEST_APPLESS_MAIN(tst_Keychain)
#include "tst_keychain.moc"
