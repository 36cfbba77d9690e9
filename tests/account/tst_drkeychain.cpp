#include "DRKeychain.h"
#include "DRKeychainQuery.h"

#include <QTemporaryDir>
#include <QtTest>

class tst_DRKeychain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void absentOrEmptyPasswordReadsNull();
    void errorTable_data();
    void errorTable();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Keychain> m_keychain;
    const QString svc = QStringLiteral("svc");
    const QString uuid = QStringLiteral("UUID");
};

void tst_DRKeychain::init()
{
    m_keychain.reset();
    m_dir = std::make_unique<QTemporaryDir>();
    m_keychain = std::make_unique<Keychain>(m_dir->path() + QStringLiteral("/Keychain"));
}

void tst_DRKeychain::absentOrEmptyPasswordReadsNull()
{
    QVERIFY(DRKeychain::passwordForService(svc, uuid, nullptr, *m_keychain).isNull());
    QVERIFY(DRKeychain::setPassword(QStringLiteral(""), svc, uuid, nullptr, *m_keychain));
    QVERIFY(DRKeychain::passwordForService(svc, uuid, nullptr, *m_keychain).isNull());
}

void tst_DRKeychain::errorTable_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("bad arguments") << -1001 << "Some of the arguments were invalid.";
    QTest::newRow("parameter") << int(KeychainStatus::Param)
                               << "One or more parameters passed to the function were not valid.";
    QTest::newRow("not available")
        << int(KeychainStatus::NotAvailable) << "No keychain is available.";
    QTest::newRow("duplicate") << int(KeychainStatus::DuplicateItem) << "The item already exists.";
    QTest::newRow("not found") << int(KeychainStatus::ItemNotFound) << "The item cannot be found.";
    QTest::newRow("unknown status") << -1 << "An unknown keychain error occurred.";
}

// What a caller gets for each failure: the wrapper's domain and message.
void tst_DRKeychain::errorTable()
{
    QFETCH(int, code);
    QFETCH(QString, message);
    QCOMPARE(DRKeychainError::errorDomain(),
             QStringLiteral("com.ostrel.kelvo.DRKeychainErrorDomain"));
    QCOMPARE(DRKeychainError::messageForKey(DRKeychainError::keyForCode(code)), message);
}

QTEST_APPLESS_MAIN(tst_DRKeychain)
#include "tst_drkeychain.moc"
