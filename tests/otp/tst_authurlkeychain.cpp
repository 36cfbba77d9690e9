#include "Keychain.h"
#include "OTPAuthURLKeychain.h"
#include "OTPGenerator.h"
#include "TOTPAuthURL.h"

#include <QtTest>

using namespace KeychainKey;

namespace {
const QByteArray secret("12345678901234567890");

QVariantMap itemByRef(Keychain &keychain, const QByteArray &ref)
{
    QVariant result;
    keychain.copyMatching({{Class, ClassGenericPassword},
                           {ValuePersistentRef, ref},
                           {ReturnAttributes, true},
                           {ReturnData, true}},
                          &result);
    return result.toMap();
}

} // namespace

class tst_AuthURLKeychain : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Keychain> m_keychain;
    QString folder() const { return m_dir->path() + QStringLiteral("/Keychain"); }

    std::unique_ptr<TOTPAuthURL> account(const QString &name) const
    {
        std::unique_ptr<TOTPAuthURL> url = TOTPAuthURL::initWithSecret(secret, name);
        url->setKeychain(*m_keychain);
        return url;
    }

private Q_SLOTS:
    void init()
    {
        m_keychain.reset();
        m_dir = std::make_unique<QTemporaryDir>();
        m_keychain = std::make_unique<Keychain>(folder());
    }

    void savedAccountLoadsAfterRestart_data()
    {
        QTest::addColumn<QString>("url");
        QTest::newRow("escaped name, parameters")
            << "otpauth://totp/a%20b%2Fc?algorithm=SHA256&digits=8&period=30";
        QTest::newRow("counter based") << "otpauth://hotp/h?counter=5";
    }

    void savedAccountLoadsAfterRestart()
    {
        QFETCH(QString, url);
        std::unique_ptr<OTPAuthURL> original = OTPAuthURL::authURLWithURL(url, secret);
        QVERIFY(original);
        original->setKeychain(*m_keychain);
        QVERIFY(original->saveToKeychain() && original->isInKeychain());

        const QVariantMap item = itemByRef(*m_keychain, original->keychainItemRef());
        QCOMPARE(item.value(Service).toString(), OTPAuthURLKeychain::serviceName());
        QCOMPARE(item.value(Account).toString(), original->name());
        QCOMPARE(item.value(ValueData).toByteArray(), secret);
        QVERIFY(!item.value(Generic).toByteArray().contains("secret"));

        Keychain reopened(folder());
        std::unique_ptr<OTPAuthURL> loaded
            = OTPAuthURL::authURLWithKeychainItemRef(original->keychainItemRef(), reopened);
        QVERIFY(loaded);
        QCOMPARE(loaded->url(), original->url());
        QCOMPARE(loaded->generator()->secret(), secret);
        QCOMPARE(loaded->metaObject(), original->metaObject());
    }

    void takenNameGetsSuffix()
    {
        const QString name = QStringLiteral("13800138000");
        const auto first = account(name), second = account(name);
        QVERIFY(first->saveToKeychain() && second->saveToKeychain());
        QCOMPARE(second->name(), name);
        const QString stored
            = itemByRef(*m_keychain, second->keychainItemRef()).value(Account).toString();
        QVERIFY2(QRegularExpression("^13800138000\\.[0-9]+$").match(stored).hasMatch(),
                 qPrintable(stored));
        QCOMPARE(itemByRef(*m_keychain, first->keychainItemRef()).value(Account).toString(), name);
    }

    void removedOrVanishedItems()
    {
        const auto vanished = account("vanished"), url = account("gone");
        QVERIFY(vanished->saveToKeychain() && url->saveToKeychain());
        QVERIFY(!OTPAuthURL::authURLWithKeychainItemRef({}, *m_keychain)); // matches no item

        // Deleted behind the account's back: nothing loads, a failed save keeps the reference.
        const QByteArray ref = vanished->keychainItemRef();
        QCOMPARE(
            m_keychain->deleteItems({{Class, ClassGenericPassword}, {ValuePersistentRef, ref}}),
            KeychainStatus::Success);
        QVERIFY(!OTPAuthURL::authURLWithKeychainItemRef(ref, *m_keychain));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("failed")));
        QVERIFY(!vanished->saveToKeychain());
        QCOMPARE(vanished->keychainItemRef(), ref);

        const QByteArray removedRef = url->keychainItemRef();
        QVERIFY(url->removeFromKeychain() && !url->isInKeychain());
        QVERIFY(!url->removeFromKeychain());
        QVERIFY(!OTPAuthURL::authURLWithKeychainItemRef(removedRef, *m_keychain));
    }

    void unloadableReferences_data()
    {
        QTest::addColumn<QByteArray>("generic");
        QTest::newRow("not a URL") << QByteArray("not a url");
        QTest::newRow("no generic attribute") << QByteArray();
    }

    void unloadableReferences()
    {
        QFETCH(QByteArray, generic);
        QVariantMap attributes {{Class, ClassGenericPassword},
                                {Service, OTPAuthURLKeychain::serviceName()},
                                {Account, "a"},
                                {ValueData, secret},
                                {ReturnPersistentRef, true}};
        if (!generic.isNull())
            attributes.insert(Generic, generic);
        QVariant ref;
        QCOMPARE(m_keychain->addItem(attributes, &ref), KeychainStatus::Success);
        QVERIFY(!OTPAuthURL::authURLWithKeychainItemRef(ref.toByteArray(), *m_keychain));
    }
};

QTEST_GUILESS_MAIN(tst_AuthURLKeychain)
#include "tst_authurlkeychain.moc"
