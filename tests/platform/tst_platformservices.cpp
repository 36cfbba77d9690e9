#include "Application.h"
#include "BrowserHandoff.h"
#include "DeviceInfo.h"
#include "NotificationCenter.h"
#include "UserDefaults.h"

#include "FileModes.h"
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <QtTest>

class tst_PlatformServices : public QObject
{
    Q_OBJECT
public Q_SLOTS:
    void recordOpened(const QUrl &url) { m_opened.append(url); }

private:
    QList<QUrl> m_opened;

private Q_SLOTS:
    void observerGoneMidDelivery()
    {
        NotificationCenter center;
        auto first = std::make_unique<QObject>();
        auto second = std::make_unique<QObject>();
        int secondCalls = 0;
        center.addObserver(first.get(), QStringLiteral("N"), nullptr,
                           [&](const Notification &) { second.reset(); });
        center.addObserver(second.get(), QStringLiteral("N"), nullptr,
                           [&](const Notification &) { ++secondCalls; });
        center.postNotification(QStringLiteral("N"));
        QCOMPARE(secondCalls, 0);
        QCOMPARE(center.observerCount(), 1);
        // A row hears its own account only, and nothing once it has left.
        int sender = 0, calls = 0;
        center.addObserver(first.get(), QStringLiteral("M"), &sender,
                           [&](const Notification &) { ++calls; });
        center.postNotification(QStringLiteral("M"), &calls);
        center.postNotification(QStringLiteral("M"), &sender);
        center.removeObserver(first.get());
        center.postNotification(QStringLiteral("M"), &sender);
        QCOMPARE(calls, 1);
    }

    void userDefaultsSurviveRestart()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("state/defaults.ini"));
        {
            UserDefaults defaults(path);
            defaults.setObject(QByteArray("\x00\x01\xfe", 3), QStringLiteral("keychainItemRef"));
            defaults.setDouble(1.7e9 + 0.25, QStringLiteral("com.ostrel.limitbegantime"));
            QVERIFY(defaults.synchronize());
        }
        QCOMPARE(fileMode(path), 0600);
        QCOMPARE(fileMode(dir.filePath(QStringLiteral("state"))), 0700);
        // A data root that exists already (a folder the user pointed the app at)
        // keeps its mode; what the app creates inside is private.
        QVERIFY(QFile::setPermissions(dir.path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                          | QFile::ReadOther | QFile::ExeOther));
        UserDefaults(dir.filePath(QStringLiteral("defaults.ini")))
            .setBool(true, QStringLiteral("x"));
        QCOMPARE(fileMode(dir.path()), 0705);
        UserDefaults reread(path);
        QCOMPARE(reread.dataForKey(QStringLiteral("keychainItemRef")),
                 QByteArray("\x00\x01\xfe", 3));
        QCOMPARE(reread.doubleForKey(QStringLiteral("com.ostrel.limitbegantime")), 1.7e9 + 0.25);
    }

    void userDefaultsUnwritable()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath(QStringLiteral("blocked")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        UserDefaults defaults(dir.filePath(QStringLiteral("blocked/defaults.ini")));
        defaults.setDouble(1.0, QStringLiteral("timeStamp"));
        QVERIFY(!defaults.synchronize());
    }

    void deviceIdentifier()
    {
        const QRegularExpression uuid(
            QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));
        const QString a
            = DeviceInfo::identifierFrom("machine-a", QStringLiteral("com.ostrel.kelvo"));
        QVERIFY(uuid.match(a).hasMatch());
        QCOMPARE(DeviceInfo::identifierFrom("machine-a", QStringLiteral("com.ostrel.kelvo")), a);
        QVERIFY(DeviceInfo::identifierFrom("machine-b", QStringLiteral("com.ostrel.kelvo")) != a);
        QVERIFY(DeviceInfo::identifierFrom("machine-a", QStringLiteral("com.other.app")) != a);
        if (QFile::exists(QStringLiteral("/etc/machine-id")))
            QVERIFY(uuid.match(DeviceInfo::identifierForVendor()).hasMatch());
    }

    // A login URL carries a one-time token; every local user can read the
    // command lines of xdg-open and the browser, so only a private page's file
    // URL may go there.
    void loginURLHandedOverInPrivatePage()
    {
        QTemporaryDir runtime;
        QVERIFY(QFile::setPermissions(runtime.path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        const QUrl login(
            QStringLiteral("https://m.example.test/pso/vipostrellogin?win=m&token=a\"b>"));
        QString page;
        {
            Application application;
            QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "recordOpened");
            QVERIFY(application.openURL(login));
            QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
            QCOMPARE(m_opened.size(), 1);
            page = m_opened.first().toLocalFile();
            QCOMPARE(QFileInfo(page).path(), runtime.filePath(QStringLiteral("kelvo-ostrel")));
            QCOMPARE(fileMode(QFileInfo(page).path()), 0700);
            QCOMPARE(fileMode(page), 0600);
            QFile file(page);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray text = file.readAll();
            QVERIFY2(text.contains("content=\"0;url=https://m.example.test/pso/"
                                   "vipostrellogin?win=m&amp;token=a%22b%3E\""),
                     text.constData());
        }
        QVERIFY(!QFile::exists(page));
        BrowserHandoff handoff(std::chrono::milliseconds(100));
        page = handoff.pageFor(login).toLocalFile();
        QVERIFY(QFile::exists(page));
        QTRY_VERIFY(!QFile::exists(page));
        // A runtime folder its group can read is no place for the socket.
        QTemporaryDir data;
        qputenv("KELVO_DATA_DIR", QFile::encodeName(data.path()));
        QVERIFY(QFile::setPermissions(runtime.path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                          | QFile::ReadGroup | QFile::ExeGroup));
        QVERIFY(Application::instanceServerName().startsWith(data.path()));
        qunsetenv("KELVO_DATA_DIR");
        qunsetenv("XDG_RUNTIME_DIR");
    }
};

QTEST_GUILESS_MAIN(tst_PlatformServices)
#include "tst_platformservices.moc"
