#include "OTPAuthURL.h"
#include "OTPCountdownClock.h"
#include "PXAuth.h"
#include "PXCodeController.h"
#include "PXFadingLabel.h"
#include "PXNavigationController.h"
#include "PXNetwork.h"
#include "PXServiceOverride.h"
#include "ServiceCall.h"
#include "ServiceProcess.h"
#include "TOTPCodeCell.h"
#include "UserDefaults.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString phone = QStringLiteral("13800138000");
constexpr int unreachable = -1;
} // namespace

class tst_CodeScreen : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void entrance_data();
    void entrance();
    void rebuildReplacesContent();
    void tilesShareTheWidth();

private:
    void answer(int code);
    std::unique_ptr<ServiceProcess> m_service;
    std::unique_ptr<PXServiceOverride> m_override;
};

void tst_CodeScreen::initTestCase()
{
    m_service = std::make_unique<ServiceProcess>(QStringLiteral(KELVO_SERVICE_BIN));
    QVERIFY(m_service->start());
    m_override = std::make_unique<PXServiceOverride>(m_service->baseURL());
    PXAuth &auth = PXAuth::sharedAuth();
    QVERIFY(auth.setAuthURL(phone + QStringLiteral(",Ab3dE9,") + auth.getUUID(), phone));
}

// Sets what the service answers to the entrance query, or makes it unreachable.
void tst_CodeScreen::answer(int code)
{
    m_override.reset();
    if (code == unreachable) {
        m_override
            = std::make_unique<PXServiceOverride>(QUrl(QStringLiteral("http://127.0.0.1:1")));
        return;
    }
    m_override = std::make_unique<PXServiceOverride>(m_service->baseURL());
    const QVariantMap params {{QStringLiteral("phone"), phone}, {QStringLiteral("code"), code}};
    QVERIFY(ServiceCall::run([&](auto s, auto f) {
                PXNetwork::get(QStringLiteral("/test/setPellin"), params, s, f);
            }).succeeded());
}

void tst_CodeScreen::entrance_data()
{
    QTest::addColumn<bool>("phoneStored");
    QTest::addColumn<bool>("storedHide");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("tiles");
    QTest::addColumn<bool>("storedAfter");
    QTest::newRow("0 shows both") << true << true << 0 << 2 << false;
    QTest::newRow("2 hides Pellin") << true << false << 2 << 1 << true;
    QTest::newRow("1 keeps a fresh screen's false") << true << true << 1 << 2 << false;
    QTest::newRow("failure: the stored true decides") << true << true << unreachable << 1 << true;
    QTest::newRow("no phone: the stored flag decides") << false << true << 0 << 1 << true;
}

void tst_CodeScreen::entrance()
{
    QFETCH(bool, phoneStored);
    QFETCH(bool, storedHide);
    QFETCH(int, code);
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    if (phoneStored)
        defaults.setObject(phone, PXCodeController::phoneNumberKey);
    else
        defaults.removeObjectForKey(PXCodeController::phoneNumberKey);
    defaults.setBool(storedHide, PXCodeController::hidePellinKey);
    defaults.synchronize();
    answer(code);

    auto *screen = new PXCodeController;
    PXNavigationController navigation(screen);
    navigation.resize(375, 667);
    navigation.show();
    QTRY_VERIFY(screen->clock());
    QTEST(int(screen->loginButtons().size()), "tiles");
    QTEST(UserDefaults(defaults.filePath()).boolForKey(PXCodeController::hidePellinKey),
          "storedAfter");
    QCOMPARE(screen->loginButtons().first()->text(), QStringLiteral("浏览器登录"));
}

void tst_CodeScreen::rebuildReplacesContent()
{
    UserDefaults::standardUserDefaults().setObject(phone, PXCodeController::phoneNumberKey);
    answer(0);
    auto *screen = new PXCodeController;
    PXNavigationController navigation(screen);
    navigation.resize(375, 667);
    navigation.show();
    QTRY_COMPARE(screen->loginButtons().size(), 2);
    const QPointer<OTPCountdownClock> firstClock = screen->clock();

    answer(2);
    navigation.pushViewController(new PXBaseController, false);
    navigation.popViewControllerAnimated(false);
    QTRY_VERIFY(firstClock.isNull());
    QTRY_COMPARE(screen->loginButtons().size(), 1);
    QCOMPARE(screen->findChildren<PXLoginButton *>().size(), 2); // built once, Pellin hidden
    QCOMPARE(screen->findChildren<TOTPCodeCell *>().size(), 1);
    QCOMPARE(screen->findChildren<OTPCountdownClock *>().size(), 1);
    QCOMPARE(screen->loginButtons().first()->geometry(), QRect(148, 394, 80, 110));

    // The row shows the bound account's code, and the login key carries it.
    const QString code = screen->codeCell()->codeLabel()->text();
    QCOMPARE(code, screen->authURL()->otpCode());
    QCOMPARE(screen->key(), phone + QLatin1Char('&') + code);
}

void tst_CodeScreen::tilesShareTheWidth()
{
    const QList<QRectF> two = PXCodeController::loginButtonFrames(320, 0, false);
    QCOMPARE(two.at(0).left(), 160.0 / 3);
    QCOMPARE(two.at(0).right(), 160.0 / 3 + 80);
    QCOMPARE(two.at(1).left(), 320 - 160.0 / 3 - 80);
    QCOMPARE(two.at(1).right(), 320 - 160.0 / 3);
}

int main(int argc, char **argv)
{
    QTemporaryDir data;
    qputenv("KELVO_DATA_DIR", data.path().toLocal8Bit());
    QApplication app(argc, argv);
    tst_CodeScreen test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_codescreen.moc"
