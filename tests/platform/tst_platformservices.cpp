#include "Application.h"
#include "BrowserHandoff.h"
#include "DeviceInfo.h"
#include "NotificationCenter.h"
#include "UserDefaults.h"

#include "FileModes.h"
#include <QDesktopServices>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUuid>

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
        const QString n = QStringLiteral("N"), m = QStringLiteral("M");
        auto first = std::make_unique<QObject>();
        auto second = std::make_unique<QObject>();
        int secondCalls = 0;
        center.addObserver(first.get(), n, nullptr, [&](const Notification &) { second.reset(); });
        center.addObserver(second.get(), n, nullptr, [&](const Notification &) { ++secondCalls; });
        center.postNotification(n);
        QCOMPARE(secondCalls, 0);
        QCOMPARE(center.observerCount(), 1);
        // A row hears its own account only, and nothing once it has left.
        int sender = 0, calls = 0;
        center.addObserver(first.get(), m, &sender, [&](const Notification &) { ++calls; });
        center.postNotification(m, &calls);
        center.postNotification(m, &sender);
        center.removeObserver(first.get());
        center.postNotification(m, &sender);
        QCOMPARE(calls, 1);
    }

    void userDefaultsSurviveRestart()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("state/defaults.ini"));
        UserDefaults defaults(path);
        defaults.setObject(QByteArray("\x00\x01\xfe", 3), QStringLiteral("keychainItemRef"));
        defaults.setDouble(1.7e9 + 0.25, QStringLiteral("com.ostrel.limitbegantime"));
        QVERIFY(defaults.synchronize());
        QCOMPARE(fileMode(path), 0600);
        QCOMPARE(fileMode(dir.filePath(QStringLiteral("state"))), 0700);
        UserDefaults reread(path);
        QCOMPARE(reread.dataForKey(QStringLiteral("keychainItemRef")),
                 QByteArray("\x00\x01\xfe", 3));
        QCOMPARE(reread.doubleForKey(QStringLiteral("com.ostrel.limitbegantime")), 1.7e9 + 0.25);
        // A data root that exists already (a folder the user pointed the app at)
        // keeps its mode; what the app creates inside is private.
        QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0705), 0);
        UserDefaults(dir.filePath(QStringLiteral("x.ini"))).setBool(true, QStringLiteral("x"));
        QCOMPARE(fileMode(dir.path()), 0705);
        // A folder that cannot be made is a failed save, not a silent one.
        UserDefaults blocked(dir.filePath(QStringLiteral("x.ini/defaults.ini")));
        blocked.setDouble(1.0, QStringLiteral("timeStamp"));
        QVERIFY(!blocked.synchronize());
    }

    void deviceIdentifier()
    {
        const QString a
            = DeviceInfo::identifierFrom("machine-a", QStringLiteral("com.ostrel.kelvo"));
        QCOMPARE(QUuid::fromString(a).toString(QUuid::WithoutBraces).toUpper(), a);
        QCOMPARE(DeviceInfo::identifierFrom("machine-a", QStringLiteral("com.ostrel.kelvo")), a);
        QVERIFY(DeviceInfo::identifierFrom("machine-b", QStringLiteral("com.ostrel.kelvo")) != a);
        QVERIFY(DeviceInfo::identifierFrom("machine-a", QStringLiteral("com.other.app")) != a);
    }

    // A login URL carries a one-time token; every local user can read the
    // command lines of xdg-open and the browser, so only a private page's file
    // URL may go there.
    void loginURLHandedOverInPrivatePage()
    {
        QTemporaryDir runtime; // 0700, as a session's runtime folder is
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        const QUrl login(QStringLiteral("https://m.example.test/login?win=m&token=a\"b>"));
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
            const QByteArray text = fileBytes(page);
            QVERIFY2(text.contains(
                         "content=\"0;url=https://m.example.test/login?win=m&amp;token=a%22b%3E\""),
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
        QCOMPARE(::chmod(QFile::encodeName(runtime.path()).constData(), 0750), 0);
        QVERIFY(Application::instanceServerName().startsWith(data.path()));
        qunsetenv("KELVO_DATA_DIR");
        qunsetenv("XDG_RUNTIME_DIR");
    }
};

QTEST_GUILESS_MAIN(tst_PlatformServices)
#include "tst_platformservices.moc"
