#include "DataRow.h"
#include "FprintdStandIn.h"
#include "PXApplicationRoutes.h"
#include "PXModalPresenter.h"
#include "PXTouchIDView.h"
#include "TestWidgets.h"

#include <QPushButton>
#include <QtTest>

namespace {
const QString notSupported = QStringLiteral("当前设备不支持指纹识别");
constexpr qint64 untold = -1;
constexpr qint64 verified = PXLockResultVerified;
constexpr qint64 failed = PXLockResultVerifyFailed;
} // namespace

// The fingerprint lock screen against our fingerprint service stand-in
// (fprintd.py beside this file, on python3-dbusmock) on a private bus.
class tst_TouchID : public QObject, public PXTouchIDViewDelegate, public PXApplicationRoutes
{
    Q_OBJECT
    FprintdStandIn m_fprintd;
    QList<qint64> m_results;
    int m_bindRoots = 0;

    void touchIDResult(qint64 result) override { m_results.append(result); }
    void setActionController() override { }
    void setBindRootController() override { ++m_bindRoots; }

private Q_SLOTS:
    void initTestCase()
    {
        if (const QString missing = FprintdStandIn::missingTools(); !missing.isEmpty())
            QSKIP(qPrintable(missing));
        QVERIFY(m_fprintd.startBus());
        PXApplicationRoutes::install(this);
    }

    void cleanupTestCase() { PXApplicationRoutes::uninstall(this); }

    void cleanup()
    {
        m_fprintd.stopService();
        PXModalPresenter::setRecording(false);
        PXModalPresenter::clear();
        m_results.clear();
        m_bindRoots = 0;
    }

    // The status line (grey after success, else red), what the host was told,
    // the reader released at the end, and "切换其他账号" still there.
    void outcome_data()
    {
        QTest::addColumn<QString>("parameters"); // of the service; empty: none runs
        // Pressed on the prompt while the reader waits; -1 closes it, -2 takes
        // the view away.
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("message");
        QTest::addColumn<qint64>("result");
        const QString stopped = QStringLiteral("在验证的TouchID的过程中被系统取消");
        const QString success = QStringLiteral("TouchID验证成功");
        const QString failure = QStringLiteral("TouchID验证失败");
        dataRow("no service", QString(), 0, notSupported, untold);
        dataRow("no reader", R"({"devices": 0})", 0, notSupported, untold);
        dataRow("no finger", R"({"fingers": []})", 0, notSupported, untold);
        dataRow("match", R"({"verify": ["verify-match"]})", 0, success, verified);
        dataRow("no match", R"({"verify": ["verify-no-match"]})", 0, failure, failed);
        dataRow("retries, then match",
                R"({"verify": ["verify-retry-scan", "verify-swipe-too-short", "verify-match"]})", 0,
                success, verified);
        dataRow("unplugged", R"({"verify": ["verify-disconnected"]})", 0, stopped, failed);
        dataRow("service gone", R"({"vanish": true})", 0, stopped, failed);
        dataRow("reader error", R"({"verify": ["verify-unknown-error"]})", 0, QString(), failed);
        dataRow("prompt gone", "{}", -1, stopped, failed);
        dataRow("view gone", "{}", -2, QString(), untold);
        dataRow("user cancel", "{}", int(Qt::Key_Escape), "取消TouchID验证", failed);
        dataRow("fallback", "{}", int(Qt::Key_Return), "在TouchID对话框中点击输入密码按钮", failed);
    }

    void outcome()
    {
        QFETCH(QString, parameters);
        QFETCH(int, key);
        QFETCH(QString, message);
        QFETCH(qint64, result);
        if (!parameters.isEmpty())
            QVERIFY(m_fprintd.startService(parameters));
        const bool supported = message != notSupported;
        PXModalPresenter::scriptAnswers(supported ? QList<int>() : QList<int> {0});
        QWidget window;
        window.resize(375, 667);
        auto *view = new PXTouchIDView(&window);
        view->setDelegate(this);
        view->setPasswordHandle(PXTouchIDView::lockHostHandle);
        window.show();
        if (key) {
            QTRY_COMPARE(FprintdStandIn::readerState(), QStringLiteral("verifying"));
            if (key == -2) { // the reader is let go, the prompt goes, nobody is told
                delete view;
                QTRY_COMPARE(FprintdStandIn::readerState(), QStringLiteral("idle"));
                QTRY_VERIFY(!openMessageBox());
                QTest::qWait(100);
                QCOMPARE(m_results, QList<qint64>());
                return;
            }
            if (key < 0)
                openMessageBox()->close(); // as its window going would
            else
                QTest::keyClick(openMessageBox(), Qt::Key(key));
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_results.size() + PXModalPresenter::presentations().size(),
                                  supported ? 2 : 1, 10000);
        QCOMPARE(view->label()->text(), message);
        QCOMPARE(view->label()->palette().color(QPalette::WindowText),
                 result == verified ? PXTouchIDView::grey() : PXTouchIDView::red());
        QCOMPARE(m_results, result == untold ? QList<qint64>() : QList<qint64> {result});
        QCOMPARE(PXModalPresenter::presentations().value(0).kind,
                 supported ? PXModalPresenter::Kind::Prompt : PXModalPresenter::Kind::Alert);
        QVERIFY(!openMessageBox());
        if (FprintdStandIn::serviceUp())
            QCOMPARE(FprintdStandIn::readerState(), QStringLiteral("idle"));
        view->switchAccountButton()->click(); // the way out, whatever the reader did
        QCOMPARE(m_bindRoots, 1);
    }
};

QTEST_MAIN(tst_TouchID)
#include "tst_touchid.moc"
