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

QVariantMap item(const QString &account, const QByteArray &data, const QString &service = "s")
{
    return genp({{Service, service}, {Account, account}, {ValueData, data}});
}

QByteArray addForRef(Keychain &keychain, QVariantMap attributes)
{
    attributes.insert(ReturnPersistentRef, true);
    QVariant ref;
    return keychain.addItem(attributes, &ref) == KeychainStatus::Success ? ref.toByteArray()
                                                                         : QByteArray();
}

QVariant lookup(Keychain &keychain, const QVariantMap &query)
{
    QVariant result;
    keychain.copyMatching(genp(query), &result);
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

    void lookupsAcrossRestart();
    void failedRequestsChangeNothing_data();
    void failedRequestsChangeNothing();
    void collisionsKeepOriginals();
    void filesArePrivate();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Keychain> m_keychain;
    QString folder() const { return m_dir->path() + QStringLiteral("/Keychain"); }
};

void tst_Keychain::init()
{
    m_keychain.reset();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_keychain = std::make_unique<Keychain>(folder());
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

void tst_Keychain::failedRequestsChangeNothing_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QVariantMap>("request");
    QTest::addColumn<int>("status");

    const int param = KeychainStatus::Param;
    const int missing = KeychainStatus::ItemNotFound;
    const QVariantMap unknownRef {{ValuePersistentRef, QByteArray(16, '\0')}};
    // For "add", an invalid value removes the key from a valid item.
    QTest::newRow("add without class") << "add" << QVariantMap {{Class, QVariant()}} << param;
    QTest::newRow("add with reference")
        << "add" << QVariantMap {{ValuePersistentRef, QByteArray(16, 'x')}} << param;
    QTest::newRow("update nothing") << "update" << QVariantMap() << param;
    QTest::newRow("copy unknown reference") << "copy" << unknownRef << missing;
    QTest::newRow("update unknown reference") << "update-ref" << unknownRef << missing;
    QTest::newRow("delete other account")
        << "delete" << QVariantMap {{Service, "s"}, {Account, "b"}} << missing;
}

// A rejected request, or one that matches nothing, leaves the store as it was.
void tst_Keychain::failedRequestsChangeNothing()
{
    QFETCH(QString, operation);
    QFETCH(QVariantMap, request);
    QFETCH(int, status);
    const QByteArray ref = addForRef(*m_keychain, item(QStringLiteral("a"), "original"));
    QVERIFY(!ref.isEmpty());

    QVariant result(QStringLiteral("untouched"));
    int actual = KeychainStatus::Success;
    if (operation == QLatin1String("add")) {
        QVariantMap attributes = item(QStringLiteral("b"), "new");
        for (auto it = request.cbegin(); it != request.cend(); ++it) {
            if (it.value().isValid())
                attributes.insert(it.key(), it.value());
            else
                attributes.remove(it.key());
        }
        actual = m_keychain->addItem(attributes);
    } else if (operation == QLatin1String("copy")) {
        actual = m_keychain->copyMatching(genp(request), &result);
    } else if (operation == QLatin1String("update")) {
        actual = m_keychain->updateItems(genp({{ValuePersistentRef, ref}}), request);
    } else if (operation == QLatin1String("update-ref")) {
        actual = m_keychain->updateItems(genp(request), {{ValueData, QByteArray("new")}});
    } else {
        actual = m_keychain->deleteItems(genp(request));
    }
    QCOMPARE(actual, status);
    QCOMPARE(result.toString(), QStringLiteral("untouched"));
    const QVariantList all
        = lookup(*m_keychain, {{ReturnData, true}, {MatchLimit, MatchLimitAll}}).toList();
    QCOMPARE(all, QVariantList {QByteArray("original")});
}

void tst_Keychain::collisionsKeepOriginals()
{
    QCOMPARE(m_keychain->addItem(item(QStringLiteral("x"), "one")), KeychainStatus::Success);
    QVariant result;
    QCOMPARE(m_keychain->addItem(item(QStringLiteral("x"), "again"), &result),
             KeychainStatus::DuplicateItem);
    QVERIFY(!result.isValid());
    QCOMPARE(m_keychain->addItem(item(QStringLiteral("x"), "two", QStringLiteral("t"))),
             KeychainStatus::Success);
    // Both match; moving both into service "u" collides on the second row, so
    // the first must be rolled back too.
    QCOMPARE(m_keychain->updateItems(genp({{Account, QStringLiteral("x")}}),
                                     {{Service, QStringLiteral("u")}}),
             KeychainStatus::DuplicateItem);
    QCOMPARE(dataFor(*m_keychain, QStringLiteral("s"), QStringLiteral("x")), QByteArray("one"));
    QCOMPARE(dataFor(*m_keychain, QStringLiteral("t"), QStringLiteral("x")), QByteArray("two"));
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
