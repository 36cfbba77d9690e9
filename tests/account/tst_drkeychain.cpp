#include "DRKeychain.h"
#include "DRKeychainQuery.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

using namespace KeychainKey;

class tst_DRKeychain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void errorTable_data();
    void errorTable();
    void missingArgumentsTouchNothing_data();
    void missingArgumentsTouchNothing();
    void passwordRoundTripAcrossRestart();
    void saveReplacesPassword();
    void absentOrEmptyPasswordReadsNull_data();
    void absentOrEmptyPasswordReadsNull();
    void accountsForService();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Keychain> m_keychain;
    QString folder() const { return m_dir->path() + QStringLiteral("/Keychain"); }
};

void tst_DRKeychain::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_keychain = std::make_unique<Keychain>(folder());
}

void tst_DRKeychain::cleanup()
{
    m_keychain.reset();
    m_dir.reset();
}

void tst_DRKeychain::errorTable_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("key");

    QTest::newRow("not found") << -25300 << "errSecItemNotFound";
    QTest::newRow("bad arguments") << -1001 << "DRKeychainErrorBadArguments";
    QTest::newRow("unknown") << -1 << "errSecDefault";
    QTest::newRow("positive") << 7 << "errSecDefault";
}

void tst_DRKeychain::errorTable()
{
    QFETCH(int, code);
    QFETCH(QString, key);
    const std::optional<DRKeychainError> error = DRKeychainQuery::errorWithCode(code);
    QVERIFY(error);
    QCOMPARE(error->code, code);
    QCOMPARE(DRKeychainError::keyForCode(code), key);
    QVERIFY(!error->domain.isEmpty());
    // Every key of ours has a message of its own rather than the key echoed.
    QVERIFY(!error->message.isEmpty());
    QVERIFY(error->message != key);
    QVERIFY(!DRKeychainQuery::errorWithCode(0));
    QCOMPARE(DRKeychainError::messageForKey(QStringLiteral("noSuchKey")),
             QStringLiteral("noSuchKey"));
}

void tst_DRKeychain::missingArgumentsTouchNothing_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("service");
    QTest::addColumn<QString>("account");

    QTest::newRow("set, null service") << "set" << QString() << "UUID";
    QTest::newRow("set, null account") << "set"
                                       << "svc" << QString();
    QTest::newRow("set, null password") << "set-null"
                                        << "svc"
                                        << "UUID";
    QTest::newRow("get, null service") << "get" << QString() << "UUID";
    QTest::newRow("get, null account") << "get"
                                       << "svc" << QString();
    QTest::newRow("delete, null service") << "delete" << QString() << "UUID";
    QTest::newRow("delete, null account") << "delete"
                                          << "svc" << QString();
}

void tst_DRKeychain::missingArgumentsTouchNothing()
{
    QFETCH(QString, operation);
    QFETCH(QString, service);
    QFETCH(QString, account);
    DRKeychainError error;
    bool ok = true;
    if (operation == QLatin1String("set"))
        ok = DRKeychain::setPassword(QStringLiteral("pw"), service, account, &error, *m_keychain);
    else if (operation == QLatin1String("set-null"))
        ok = DRKeychain::setPassword(QString(), service, account, &error, *m_keychain);
    else if (operation == QLatin1String("get"))
        ok = !DRKeychain::passwordForService(service, account, &error, *m_keychain).isNull();
    else
        ok = DRKeychain::deletePasswordForService(service, account, &error, *m_keychain);
    QVERIFY(!ok);
    QCOMPARE(error.code, DRKeychainQuery::badArgumentsCode);
    // The store was never opened, so not even its file exists.
    QVERIFY(!QFileInfo::exists(m_keychain->filePath()));
}

void tst_DRKeychain::passwordRoundTripAcrossRestart()
{
    QVERIFY(DRKeychain::setPassword(QStringLiteral("設備-1"), QStringLiteral("svc"),
                                    QStringLiteral("UUID"), nullptr, *m_keychain));
    Keychain reopened(folder());
    QCOMPARE(DRKeychain::passwordForService(QStringLiteral("svc"), QStringLiteral("UUID"), nullptr,
                                            reopened),
             QStringLiteral("設備-1"));
    QVERIFY(DRKeychain::deletePasswordForService(QStringLiteral("svc"), QStringLiteral("UUID"),
                                                 nullptr, reopened));
    DRKeychainError error;
    QVERIFY(DRKeychain::passwordForService(QStringLiteral("svc"), QStringLiteral("UUID"), &error,
                                           reopened)
                .isNull());
    QCOMPARE(error.code, KeychainStatus::ItemNotFound);
}

void tst_DRKeychain::saveReplacesPassword()
{
    DRKeychainQuery first(*m_keychain);
    first.setService(QStringLiteral("svc"));
    first.setAccount(QStringLiteral("a"));
    first.setPassword(QStringLiteral("old"));
    QVERIFY(first.save());
    QVERIFY(DRKeychain::setPassword(QStringLiteral("new"), QStringLiteral("svc"),
                                    QStringLiteral("a"), nullptr, *m_keychain));

    const std::optional<QList<QVariantMap>> items
        = DRKeychain::accountsForService(QStringLiteral("svc"), nullptr, *m_keychain);
    QVERIFY(items);
    QCOMPARE(items->size(), 1);
    DRKeychainQuery fetched(*m_keychain);
    fetched.setService(QStringLiteral("svc"));
    fetched.setAccount(QStringLiteral("a"));
    QVERIFY(fetched.fetch());
    QCOMPARE(fetched.password(), QStringLiteral("new"));
}

void tst_DRKeychain::absentOrEmptyPasswordReadsNull_data()
{
    QTest::addColumn<bool>("stored");
    QTest::newRow("no item") << false;
    QTest::newRow("empty data") << true;
}

void tst_DRKeychain::absentOrEmptyPasswordReadsNull()
{
    QFETCH(bool, stored);
    if (stored)
        QVERIFY(DRKeychain::setPassword(QStringLiteral(""), QStringLiteral("svc"),
                                        QStringLiteral("UUID"), nullptr, *m_keychain));
    QVERIFY(DRKeychain::passwordForService(QStringLiteral("svc"), QStringLiteral("UUID"), nullptr,
                                           *m_keychain)
                .isNull());
}

void tst_DRKeychain::accountsForService()
{
    for (const char *account : {"a", "b"})
        QVERIFY(DRKeychain::setPassword(QStringLiteral("x"), QStringLiteral("one"),
                                        QString::fromLatin1(account), nullptr, *m_keychain));
    QVERIFY(DRKeychain::setPassword(QStringLiteral("x"), QStringLiteral("two"), QStringLiteral("c"),
                                    nullptr, *m_keychain));

    const auto one = DRKeychain::accountsForService(QStringLiteral("one"), nullptr, *m_keychain);
    QVERIFY(one);
    QCOMPARE(one->size(), 2);
    for (const QVariantMap &item : *one)
        QVERIFY(!item.contains(ValueData));
    QCOMPARE(DRKeychain::allAccounts(nullptr, *m_keychain).value_or(QList<QVariantMap>()).size(),
             3);

    DRKeychainError error;
    QVERIFY(!DRKeychain::accountsForService(QStringLiteral("three"), &error, *m_keychain));
    QCOMPARE(error.code, KeychainStatus::ItemNotFound);
}

QTEST_APPLESS_MAIN(tst_DRKeychain)
#include "tst_drkeychain.moc"
