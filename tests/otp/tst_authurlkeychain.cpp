#include "HOTPAuthURL.h"
#include "HOTPGenerator.h"
#include "Keychain.h"
#include "OTPAuthURLKeychain.h"
#include "TOTPAuthURL.h"
#include "TOTPGenerator.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>

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

int itemCount(Keychain &keychain)
{
    QVariant result;
    keychain.copyMatching(
        {{Class, ClassGenericPassword}, {ReturnAttributes, true}, {MatchLimit, MatchLimitAll}},
        &result);
    return int(result.toList().size());
}

bool addRaw(Keychain &keychain, const QString &account, const QByteArray &generic)
{
    return keychain.addItem({{Class, ClassGenericPassword},
                             {Service, OTPAuthURLKeychain::serviceName()},
                             {Account, account},
                             {Generic, generic},
                             {ValueData, secret}})
        == KeychainStatus::Success;
}
} // namespace

class tst_AuthURLKeychain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void savedAccountLoadsAfterRestart_data();
    void savedAccountLoadsAfterRestart();
    void takenNameGetsSuffix();
    void giveUpAfterThousandTakenNames();
    void updateRewritesOnlyURL();
    void failedUpdateKeepsReference();
    void failedFirstSaveLeavesNoReference();
    void removeClearsReference();
    void unloadableReferences_data();
    void unloadableReferences();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Keychain> m_keychain;
    QString folder() const { return m_dir->path() + QStringLiteral("/Keychain"); }
    std::unique_ptr<TOTPAuthURL> account(const QString &name) const;
};

void tst_AuthURLKeychain::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_keychain = std::make_unique<Keychain>(folder());
}

void tst_AuthURLKeychain::cleanup()
{
    m_keychain.reset();
    m_dir.reset();
}

std::unique_ptr<TOTPAuthURL> tst_AuthURLKeychain::account(const QString &name) const
{
    std::unique_ptr<TOTPAuthURL> url = TOTPAuthURL::initWithSecret(secret, name);
    if (url)
        url->setKeychain(*m_keychain);
    return url;
}

void tst_AuthURLKeychain::savedAccountLoadsAfterRestart_data()
{
    QTest::addColumn<QString>("url");
    QTest::newRow("defaults") << "otpauth://totp/13800138000?";
    QTest::newRow("escaped name") << "otpauth://totp/a%20b%2Fc?";
    QTest::newRow("other parameters") << "otpauth://totp/x?algorithm=SHA256&digits=8&period=30";
    QTest::newRow("counter based") << "otpauth://hotp/h?counter=5";
}

void tst_AuthURLKeychain::savedAccountLoadsAfterRestart()
{
    QFETCH(QString, url);
    std::unique_ptr<OTPAuthURL> original = OTPAuthURL::authURLWithURL(url, secret);
    QVERIFY(original);
    original->setKeychain(*m_keychain);
    QVERIFY(!original->isInKeychain());
    QVERIFY(original->saveToKeychain());
    QVERIFY(original->isInKeychain());

    const QVariantMap item = itemByRef(*m_keychain, original->keychainItemRef());
    QCOMPARE(item.value(Service).toString(), OTPAuthURLKeychain::serviceName());
    QCOMPARE(item.value(Account).toString(), original->name());
    QCOMPARE(item.value(ValueData).toByteArray(), secret);
    QVERIFY(!item.value(Generic).toByteArray().contains("secret"));

    Keychain reopened(folder());
    std::unique_ptr<OTPAuthURL> loaded
        = OTPAuthURL::authURLWithKeychainItemRef(original->keychainItemRef(), reopened);
    QVERIFY(loaded);
    QCOMPARE(loaded->name(), original->name());
    QCOMPARE(loaded->url(), original->url());
    QCOMPARE(loaded->generator()->secret(), secret);
    QCOMPARE(loaded->keychainItemRef(), original->keychainItemRef());
    QCOMPARE(loaded->metaObject(), original->metaObject());
    QCOMPARE(loaded->checkCode(), original->checkCode());
}

void tst_AuthURLKeychain::takenNameGetsSuffix()
{
    std::unique_ptr<TOTPAuthURL> first = account(QStringLiteral("13800138000"));
    std::unique_ptr<TOTPAuthURL> second = account(QStringLiteral("13800138000"));
    QVERIFY(first->saveToKeychain());
    QVERIFY(second->saveToKeychain());
    QVERIFY(first->keychainItemRef() != second->keychainItemRef());
    QCOMPARE(second->name(), QStringLiteral("13800138000"));

    const QString stored
        = itemByRef(*m_keychain, second->keychainItemRef()).value(Account).toString();
    QVERIFY2(QRegularExpression(QStringLiteral("^13800138000\\.[0-9]+$")).match(stored).hasMatch(),
             qPrintable(stored));
    QCOMPARE(itemByRef(*m_keychain, first->keychainItemRef()).value(Account).toString(),
             QStringLiteral("13800138000"));
}

void tst_AuthURLKeychain::giveUpAfterThousandTakenNames()
{
    // Replay the name sequence a save will try and take every one of them.
    constexpr unsigned seed = 20240601;
    ::srandom(seed);
    QVERIFY(addRaw(*m_keychain, QStringLiteral("n"), "otpauth://totp/n?"));
    for (int attempt = 1; attempt < OTPAuthURLKeychain::maximumAddTries; ++attempt) {
        const QString name = QStringLiteral("n.") + QString::number(::random());
        QVERIFY(addRaw(*m_keychain, name, "otpauth://totp/n?"));
    }
    const int before = itemCount(*m_keychain);

    ::srandom(seed);
    std::unique_ptr<TOTPAuthURL> url = account(QStringLiteral("n"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("taken")));
    QVERIFY(!url->saveToKeychain());
    QVERIFY(!url->isInKeychain());
    QCOMPARE(itemCount(*m_keychain), before);
}

void tst_AuthURLKeychain::updateRewritesOnlyURL()
{
    std::unique_ptr<OTPAuthURL> url
        = OTPAuthURL::authURLWithURL(QStringLiteral("otpauth://hotp/h?counter=5"), secret);
    QVERIFY(url);
    url->setKeychain(*m_keychain);
    url->generateNextOTPCode();
    QCOMPARE(itemCount(*m_keychain), 0);
    QVERIFY(url->saveToKeychain());
    const QByteArray ref = url->keychainItemRef();
    QVERIFY(itemByRef(*m_keychain, ref).value(Generic).toByteArray().contains("counter=6"));
    // Change the stored secret and name behind the account's back: an update
    // must leave both as they are.
    QCOMPARE(m_keychain->updateItems(
                 {{Class, ClassGenericPassword}, {ValuePersistentRef, ref}},
                 {{ValueData, QByteArray("other")}, {Account, QStringLiteral("renamed")}}),
             KeychainStatus::Success);

    url->generateNextOTPCode();
    QCOMPARE(url->keychainItemRef(), ref);
    const QVariantMap item = itemByRef(*m_keychain, ref);
    QVERIFY(item.value(Generic).toByteArray().contains("counter=7"));
    QCOMPARE(item.value(ValueData).toByteArray(), QByteArray("other"));
    QCOMPARE(item.value(Account).toString(), QStringLiteral("renamed"));
    QCOMPARE(itemCount(*m_keychain), 1);
}

void tst_AuthURLKeychain::failedUpdateKeepsReference()
{
    std::unique_ptr<TOTPAuthURL> url = account(QStringLiteral("a"));
    QVERIFY(url->saveToKeychain());
    const QByteArray ref = url->keychainItemRef();
    QCOMPARE(m_keychain->deleteItems({{Class, ClassGenericPassword}, {ValuePersistentRef, ref}}),
             KeychainStatus::Success);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("failed")));
    QVERIFY(!url->saveToKeychain());
    QCOMPARE(url->keychainItemRef(), ref);
    QCOMPARE(itemCount(*m_keychain), 0);
}

void tst_AuthURLKeychain::failedFirstSaveLeavesNoReference()
{
    // A plain file where the keychain's folder should be: nothing can be stored.
    QFile blocker(m_dir->path() + QStringLiteral("/Blocked"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Keychain unusable(blocker.fileName());
    std::unique_ptr<TOTPAuthURL> url = TOTPAuthURL::initWithSecret(secret, QStringLiteral("a"));
    url->setKeychain(unusable);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral(".*")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("status")));
    QVERIFY(!url->saveToKeychain());
    QVERIFY(!url->isInKeychain());
}

void tst_AuthURLKeychain::removeClearsReference()
{
    std::unique_ptr<TOTPAuthURL> kept = account(QStringLiteral("kept"));
    std::unique_ptr<TOTPAuthURL> url = account(QStringLiteral("gone"));
    QVERIFY(!url->removeFromKeychain());
    QVERIFY(kept->saveToKeychain());
    QVERIFY(url->saveToKeychain());
    const QByteArray ref = url->keychainItemRef();

    QVERIFY(url->removeFromKeychain());
    QVERIFY(!url->isInKeychain());
    QVERIFY(!url->removeFromKeychain());
    QVERIFY(!OTPAuthURL::authURLWithKeychainItemRef(ref, *m_keychain));
    QVERIFY(OTPAuthURL::authURLWithKeychainItemRef(kept->keychainItemRef(), *m_keychain));
}

void tst_AuthURLKeychain::unloadableReferences_data()
{
    QTest::addColumn<QByteArray>("generic");
    QTest::addColumn<bool>("useStoredRef");

    QTest::newRow("null reference") << QByteArray("otpauth://totp/a?") << false;
    QTest::newRow("not a URL") << QByteArray("not a url") << true;
    QTest::newRow("unknown type") << QByteArray("otpauth://motp/a?") << true;
    QTest::newRow("no generic attribute") << QByteArray() << true;
    QTest::newRow("URL not UTF-8") << QByteArray("otpauth://totp/\xff?") << true;
}

void tst_AuthURLKeychain::unloadableReferences()
{
    QFETCH(QByteArray, generic);
    QFETCH(bool, useStoredRef);
    QVariantMap attributes {{Class, ClassGenericPassword},
                            {Service, OTPAuthURLKeychain::serviceName()},
                            {Account, QStringLiteral("a")},
                            {ValueData, secret},
                            {ReturnPersistentRef, true}};
    if (!generic.isNull())
        attributes.insert(Generic, generic);
    QVariant ref;
    QCOMPARE(m_keychain->addItem(attributes, &ref), KeychainStatus::Success);
    QVERIFY(!OTPAuthURL::authURLWithKeychainItemRef(useStoredRef ? ref.toByteArray() : QByteArray(),
                                                    *m_keychain));
    if (useStoredRef)
        QVERIFY(!OTPAuthURL::authURLWithKeychainDictionary(attributes));
}

QTEST_GUILESS_MAIN(tst_AuthURLKeychain)
#include "tst_authurlkeychain.moc"
