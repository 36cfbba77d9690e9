#include "Application.h"
#include "Clock.h"
#include "CryptorTools.h"
#include "KLCryptor.h"
#include "KelvoConfig.h"
#include "NotificationCenter.h"
#include "OTPCountdownClock.h"
#include "OTPOffsetSource.h"
#include "PXAuth.h"
#include "PXCodeController.h"
#include "PXCodeCopier.h"
#include "PXFadingLabel.h"
#include "PXNavigationController.h"
#include "PXNetwork.h"
#include "PXServiceOverride.h"
#include "ServiceCall.h"
#include "ServiceProcess.h"
#include "TOTPAuthURL.h"
#include "TOTPCodeCell.h"
#include "UserDefaults.h"

#include <IndependentCode.h>
#include <TestWidgets.h>

#include <QClipboard>
#include <QPushButton>
#include <QtTest>

namespace {

const QString phone = QStringLiteral("13800138000");
constexpr double base = 180.0 * 10000000; // a whole number of periods
double offset = 0;

void tickAt(double deviceTime)
{
    Clock::setFixedTime(base + deviceTime);
    NotificationCenter::defaultCenter().postNotification(TOTPAuthURL::TOTPAuthURLTimerNotification,
                                                         TOTPAuthURL::classToken());
}

QString fadeName(const TOTPCodeCell &cell)
{
    return cell.runningFade() ? cell.runningFade()->objectName() : QString();
}

} // namespace

class tst_CodeScreen : public QObject
{
    Q_OBJECT
    std::unique_ptr<ServiceProcess> m_service;
    std::unique_ptr<PXServiceOverride> m_override;

    // The service's entrance answer; below 0, no service.
    void answer(int code)
    {
        m_override.reset();
        const bool down = code < 0;
        m_override = std::make_unique<PXServiceOverride>(
            down ? QUrl(QStringLiteral("http://127.0.0.1:1")) : m_service->baseURL());
        const QVariantMap params {{QStringLiteral("phone"), phone}, {QStringLiteral("code"), code}};
        QVERIFY(down || ServiceCall::run([&](auto s, auto f) {
                            PXNetwork::get(QStringLiteral("/test/setPellin"), params, s, f);
                        }).succeeded());
    }

private Q_SLOTS:
    void initTestCase()
    {
        static QTemporaryDir data; // every store of this process
        qputenv("KELVO_DATA_DIR", data.path().toLocal8Bit());
        m_service = std::make_unique<ServiceProcess>(QStringLiteral(KELVO_SERVICE_BIN));
        QVERIFY(m_service->start());
        PXAuth &auth = PXAuth::sharedAuth();
        QVERIFY(auth.setAuthURL(phone + QStringLiteral(",Ab3dE9,") + auth.getUUID(), phone));
        OTPOffsetSource::setProvider([] { return offset; });
    }

    void entrance_data()
    {
        QTest::addColumn<bool>("phoneStored");
        QTest::addColumn<bool>("storedHide");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("hides"); // one tile, and true stored
        QTest::newRow("0 shows both") << true << true << 0 << false;
        QTest::newRow("2 hides Pellin") << true << false << 2 << true;
        QTest::newRow("1 keeps a fresh screen's false") << true << true << 1 << false;
        QTest::newRow("failure: the stored true decides") << true << true << -1 << true;
        QTest::newRow("no phone: the stored flag decides") << false << true << 0 << true;
    }

    void entrance()
    {
        QFETCH(bool, phoneStored);
        QFETCH(bool, storedHide);
        QFETCH(bool, hides);
        UserDefaults &defaults = UserDefaults::standardUserDefaults();
        defaults.setObject(phoneStored ? phone : QString(), PXAuth::phoneNumberKey);
        defaults.setBool(storedHide, PXCodeController::hidePellinKey);
        defaults.synchronize();
        QFETCH(int, code);
        answer(code);
        auto *screen = new PXCodeController;
        PXNavigationController navigation(screen);
        navigation.resize(320, 568);
        QSignalSpy serverTimes(&PXAuth::sharedAuth(), &PXAuth::serverTimeReplied);
        navigation.show();
        QTRY_VERIFY(screen->clock());
        QCOMPARE(screen->loginButtons().size(), hides ? 1 : 2);
        QCOMPARE(UserDefaults(defaults.filePath()).boolForKey(PXCodeController::hidePellinKey),
                 hides);

        // Back on the screen after the answer became 2: rebuilt, not added to.
        const QPointer<OTPCountdownClock> firstClock = screen->clock();
        answer(2);
        navigation.pushViewController(new PXBaseController, false);
        navigation.popViewControllerAnimated(false);
        QTRY_VERIFY(firstClock.isNull());
        QCOMPARE(screen->findChildren<PXLoginButton *>().size(), 2); // Pellin's hidden
        QTRY_COMPARE(serverTimes.size(), 2); // the service clock, asked on each appearance
    }

    // opened: how each URL opened begins.
    void login_data()
    {
        QTest::addColumn<qint64>("port");
        QTest::addColumn<int>("tap"); // on the image, on the tile beside it, or the port alone
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QStringList>("opened");
        const QString web
            = KelvoConfig::webLoginBase + QStringLiteral("/pso/vipostrellogin?win=m&token=");
        QTest::newRow("web, tile: no fallback") << qint64(0) << 1 << false << QStringList {web};
        QTest::newRow("Pellin, image") << qint64(2) << 0 << true << QStringList {"corvix://?"};
        QTest::newRow("Pellin missing, tile")
            << qint64(2) << 1 << false << QStringList {"corvix://?", KelvoConfig::partnerStoreURL};
        QTest::newRow("main app missing")
            << qint64(1) << 2 << false << QStringList {"lumo://?", KelvoConfig::mainStoreURL};
        QTest::newRow("port 5: nothing") << qint64(5) << 2 << false << QStringList();
    }

    void login()
    {
        QFETCH(qint64, port);
        QFETCH(int, tap);
        QFETCH(bool, installed);
        QFETCH(QStringList, opened);
        Clock::setFixedTime(base); // one code throughout
        offset = 0;
        UserDefaults::standardUserDefaults().setObject(phone, PXAuth::phoneNumberKey);
        answer(0);
        auto *screen = new PXCodeController;
        PXNavigationController navigation(screen);
        navigation.show();
        QTRY_COMPARE(screen->loginButtons().size(), 2);
        QStringList urls;
        Application::sharedApplication().setURLOpener([&](const QUrl &url) {
            urls << url.toString();
            return installed;
        });
        PXLoginButton *tile = screen->loginButtons().value(port == 2 ? 1 : 0);
        if (tap == 0)
            QTest::mouseClick(tile->imageButton(), Qt::LeftButton);
        else if (tap == 1)
            QTest::mouseClick(tile, Qt::LeftButton, {}, QPoint(40, 100));
        else
            screen->loginButtonClicked(port);
        Application::sharedApplication().setURLOpener({});
        QCOMPARE(urls.size(), opened.size());
        for (qsizetype i = 0; i < urls.size(); ++i)
            QVERIFY2(urls.at(i).startsWith(opened.at(i)), qPrintable(urls.at(i)));
        if (opened.isEmpty())
            return;
        QString token = urls.first().mid(opened.first().size());
        const CryptorTools *key = port == 0 ? KLCryptor::m_getRSAPrivateTool()
            : port == 1                     ? KLCryptor::app_getRSAPrivateTool()
                                            : KLCryptor::Pellin_getRSAPrivateTool();
        if (port == 0) { // URL-safe alphabet, padding kept
            QVERIFY(!token.contains('+') && !token.contains('/') && token.endsWith('='));
            token.replace('-', '+').replace('_', '/');
        }
        const QString secret = phone + QStringLiteral(",Ab3dE9,") + PXAuth::sharedAuth().getUUID();
        QCOMPARE(key->RSADecryptString(token),
                 phone + QLatin1Char('&') + independentCode(secret, base));
    }

    // A quarter in by the service clock, 9 o'clock is in the sector, the hand
    // lies along 3 o'clock; in the last eighth the face turns red.
    void clockDrawsAndSleeps()
    {
        offset = 0.5;
        Clock::setFixedTime(base + 45 - offset);
        OTPCountdownClock clock(QRect(0, 0, 150, 150), 180);
        QCOMPARE(clock.accessibleDescription(), QStringLiteral("剩余135秒"));
        QImage image(300, 300, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(2);
        image.fill(Qt::transparent);
        const auto at = [&](int x, int y) { return image.pixelColor(2 * x, 2 * y); };
        clock.render(&image, {}, {}, QWidget::DrawChildren); // as a child: no window fill
        QVERIFY(at(40, 75).blue() - at(40, 75).red() > 25);
        QCOMPARE(image.pixelColor(2 * 120, 2 * 75 - 1).rgb(), QColor(0x44C0FE).rgb());
        Clock::setFixedTime(base + 171 - offset); // f = 0.95: 18 degrees left
        clock.render(&image, {}, {}, QWidget::DrawChildren);
        QVERIFY(at(67, 26).red() > at(67, 26).blue());
        Q_EMIT qApp->applicationStateChanged(Qt::ApplicationInactive);
        QVERIFY(!clock.isTicking());
        Q_EMIT qApp->applicationStateChanged(Qt::ApplicationActive);
        QVERIFY(clock.isTicking());
    }

    // From a code shown 100 s into a period the clock moves, and the row
    // notices on the next tick or on activation. Which ticks announce a new
    // code (offset, clock set back) is the tick's own business.
    void newCode_data()
    {
        QTest::addColumn<double>("time");
        QTest::addColumn<bool>("tick");
        QTest::addColumn<QString>("fade");
        QTest::addColumn<bool>("sameDigits"); // warned, then a period with the same code
        const QString out = QStringLiteral("otpFadeOut");
        QTest::newRow("same period") << 150.0 << true << QString() << false;
        QTest::newRow("warning 4 s ahead") << 176.0 << true << "Warning" << false;
        QTest::newRow("boundary") << 180.0 << true << out << false;
        QTest::newRow("stale on activation") << 200.0 << false << out << false;
        QTest::newRow("warned, same digits next") << 180.0 << true << out << true;
    }

    void newCode()
    {
        QFETCH(double, time);
        QFETCH(bool, tick);
        QFETCH(QString, fade);
        QFETCH(bool, sameDigits);
        offset = 0;
        // AAAA4Z3X has 535054 in both periods around base + 180.
        std::shared_ptr<OTPAuthURL> account = OTPAuthURL::authURLWithURL(
            QStringLiteral("otpauth://totp/1?secret=") + (sameDigits ? "AAAA4Z3X" : "MZXW6"));
        tickAt(100); // a stored account's first tick announces nothing
        TOTPCodeCell cell;
        cell.setAuthURL(account);
        const QString old = cell.codeLabel()->text();
        if (sameDigits)
            tickAt(176);
        Clock::setFixedTime(base + time);
        tick ? tickAt(time) : Q_EMIT qApp->applicationStateChanged(Qt::ApplicationActive);
        const QString current = account->otpCode();
        QCOMPARE(current != old || sameDigits, fade == QLatin1String("otpFadeOut"));
        QCOMPARE(cell.codeLabel()->accessibleName(), current);
        QCOMPARE(fadeName(cell), fade);
        if (cell.runningFade()) // 4 s of warning, or the short fade of a new code
            QCOMPARE(cell.runningFade()->duration(), fade == QLatin1String("Warning") ? 4000 : 250);
        if (fade != QLatin1String("otpFadeOut"))
            return;
        // The old code fades out of the warning label, then the new one in.
        QCOMPARE(cell.warningLabel()->text(), old);
        QTRY_COMPARE(fadeName(cell), QStringLiteral("otpFadeIn"));
        QCOMPARE(cell.warningLabel()->text(), current);
        QTRY_VERIFY(!cell.runningFade());
        QVERIFY(cell.codeLabel()->opacity() == 1.0 && cell.warningLabel()->isHidden());
    }

    void copy_data()
    {
        QTest::addColumn<bool>("keyboard");
        QTest::addColumn<bool>("copiedOver"); // something else copied before the period ends
        QTest::addColumn<QString>("then"); // before the period ends
        QTest::newRow("click, still on the clipboard") << false << false << QString();
        QTest::newRow("Ctrl+C, copied over") << true << true << QString();
        QTest::newRow("row rebuilt") << false << false << "rebuild";
        QTest::newRow("app quits") << false << false << "quit";
    }

    // Last: a row quits the application's event loop.
    void copy()
    {
        QFETCH(bool, keyboard);
        QFETCH(bool, copiedOver);
        QFETCH(QString, then);
        offset = 0;
        std::shared_ptr<OTPAuthURL> account
            = OTPAuthURL::authURLWithURL(QStringLiteral("otpauth://totp/1?secret=MZXW6"));
        Clock::setFixedTime(base + 178.8); // 1.2 s before the period ends
        QWidget screen;
        auto *cell = new TOTPCodeCell(&screen);
        cell->setAuthURL(account);
        screen.show();
        QApplication::setActiveWindow(&screen);
        QVERIFY(QTest::qWaitForWindowActive(&screen));
        keyboard ? QTest::keyClick(&screen, Qt::Key_C, Qt::ControlModifier)
                 : QTest::mouseClick(cell, Qt::LeftButton);
        QClipboard *clipboard = QGuiApplication::clipboard();
        QCOMPARE(clipboard->text(), account->otpCode());
        QCOMPARE(clipboard->mimeData()->data(PXCodeCopier::secretHintType), "secret");
        QCOMPARE(currentToast(), QStringLiteral("已复制"));
        if (copiedOver)
            clipboard->setText(QStringLiteral("mine"));
        if (then == QLatin1String("rebuild")) {
            delete cell;
            (new TOTPCodeCell(&screen))->setAuthURL(account);
        } else if (then == QLatin1String("quit")) {
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
            QCoreApplication::exec();
            QCOMPARE(clipboard->text(), QString());
            return;
        }
        QTest::qWait(600); // seconds left, not milliseconds
        QCOMPARE(clipboard->text(), copiedOver ? QStringLiteral("mine") : account->otpCode());
        QTRY_VERIFY(PXCodeCopier::shared()->pendingCode().isEmpty());
        QCOMPARE(clipboard->text(), copiedOver ? QStringLiteral("mine") : QString());
    }
};

QTEST_MAIN(tst_CodeScreen)
#include "tst_codescreen.moc"
