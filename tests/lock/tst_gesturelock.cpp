#include "Clock.h"
#include "DataRow.h"
#include "PXCodeView.h"
#include "PXColor.h"
#include "PXGestureIDView.h"
#include "PXModalPresenter.h"
#include "PXPasswordVM.h"
#include "PXTimerInstance.h"
#include "TestWidgets.h"
#include "UserDefaults.h"

#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

constexpr double t0 = 1.8e9;

struct Recorder : PXGestureViewDelegate, PXGestureIDViewDelegate
{
    QString results; // one digit per pad result
    QStringList calls;
    void handlePasswordResult(qint64 result) override { results += QString::number(result); }
    void gestureIDResult(qint64 result) override { calls.append(QString::number(result)); }
    void cannotModifyGesturePassword() override { calls.append(QStringLiteral("cannot")); }
    void didClickModifyGesturePassword() override { calls.append(QStringLiteral("modify")); }
    void forgetGestureID() override { calls.append(QStringLiteral("forget")); }
    void changeAccount() override { calls.append(QStringLiteral("account")); }
};

// What the file holds, not what the store buffers.
UserDefaults onDisk()
{
    return UserDefaults(UserDefaults::standardUserDefaults().filePath());
}

// "4": the centre of node 4; "i4": just inside its top left corner;
// "g01": halfway between the centres of 0 and 1, in the gap.
QPoint pointAt(PXGestureView &pad, const QString &at)
{
    const auto node = [&pad, &at](int i) { return pad.codeArray().at(at.at(i).digitValue()); };
    if (at.startsWith(QLatin1Char('i')))
        return node(1)->frame().topLeft().toPoint() + QPoint(1, 1);
    if (at.startsWith(QLatin1Char('g')))
        return ((node(1)->frame().center() + node(2)->frame().center()) / 2).toPoint();
    return node(0)->frame().center().toPoint();
}

// Steps: p, m, r: the mouse's press, move, release; t, u, e, c: a finger's
// begin, move, end, cancel; w: wait past the reset.
void run(PXGestureView &pad, const QString &script)
{
    static QPointingDevice *finger = QTest::createTouchDevice();
    QTouchEvent cancel(QEvent::TouchCancel, finger);
    const QHash<QChar, std::function<void(QPoint)>> steps {
        {'p', [&](QPoint at) { QTest::mousePress(&pad, Qt::LeftButton, {}, at); }},
        {'m', [&](QPoint at) { QTest::mouseMove(&pad, at); }},
        {'r', [&](QPoint at) { QTest::mouseRelease(&pad, Qt::LeftButton, {}, at); }},
        {'t', [&](QPoint at) { QTest::touchEvent(&pad, finger).press(0, at, &pad); }},
        {'u', [&](QPoint at) { QTest::touchEvent(&pad, finger).move(0, at, &pad); }},
        {'e', [&](QPoint at) { QTest::touchEvent(&pad, finger).release(0, at, &pad); }},
        {'c', [&](QPoint) { QCoreApplication::sendEvent(&pad, &cancel); }},
        {'w', [](QPoint) { QTest::qWait(PXGestureView::resetMilliseconds + 150); }},
    };
    for (const QString &step : script.split(QLatin1Char(' ')))
        steps[step.at(0)](step.size() > 1 ? pointAt(pad, step.mid(1)) : QPoint(1, 1));
}

// Draws nodes with the keypad's digits (7 8 9 on top), after Escape has
// cleared the pad.
void draw(QWidget *pad, const QString &nodes)
{
    QTest::keyClick(pad, Qt::Key_Escape);
    for (QChar node : nodes)
        QTest::keyClick(pad, "789456123"[node.digitValue()]);
    QTest::keyClick(pad, Qt::Key_Enter);
}

// A pad as the lock screen sets it up, shown.
void setUp(PXGestureView &pad, Recorder &recorder, qint64 mode)
{
    pad.setDelegate(&recorder);
    pad.setPasswordHandle(mode);
    pad.resize(275, 275);
    pad.setWidth(275);
    pad.show();
}

// Whether the widget, as drawn, shows any pixel of exactly this colour.
bool drawsIn(QWidget *widget, const QColor &colour)
{
    const QImage image = widget->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour.rgba())
                return true;
    return false;
}

} // namespace

class tst_GestureLock : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        static QTemporaryDir data;
        qputenv("KELVO_DATA_DIR", data.path().toLocal8Bit());
    }

    void init()
    {
        PXTimerInstance::shareInstance()->stopTimer();
        UserDefaults &defaults = UserDefaults::standardUserDefaults();
        defaults.removeObjectForKey(PXTimerInstance::limitBeganTimeKey);
        defaults.removeObjectForKey(PXGestureIDView::limitCountKey);
        PXPasswordVM::sharedPasswordVM()->setPassword("012", "012");
        Clock::setFixedTime(t0);
    }

    void drawing_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("password"); // the selection after the script
        QTest::addColumn<QString>("results"); // verified against 012
        dataRow("top row", "p0 mg01 mi1 m1 mg12 m2 r", "012", "3");
        dataRow("column then row", "p0 mg03 mi3 mg36 m6 mi7 m8 r", "03678", "4");
        dataRow("sliding back", "p0 m1 m2 m1 m0 m4 r", "0124", "4");
        dataRow("nothing between nodes is added", "p0 m2 r", "02", "4");
        dataRow("press on a selected node", "p0 m1 m2 r p1 m4 r", "01214", "34");
        dataRow("no node: nothing, not even a reset", "pg01 mg45 r p4 w", "4", "");
        dataRow("the reset takes a new stroke too", "p0 m1 m2 r p4 m5 w", "", "3");
        dataRow("a finger; its cancel keeps its nodes", "t3 u4 c t5 e5", "345", "4");
    }

    void drawing()
    {
        QFETCH(QString, script);
        PXGestureView pad;
        Recorder recorder;
        setUp(pad, recorder, PXPasswordHandleVerify);
        QVERIFY(QTest::qWaitForWindowExposed(&pad));
        run(pad, script);
        QTEST(pad.getPassword(), "password");
        QTEST(recorder.results, "results");
        for (PXCodeView *code : pad.selectedCodes())
            QCOMPARE(code->success(), !recorder.results.endsWith(QLatin1Char('4')));
        for (PXCodeView *code : pad.codeArray()) // what a screen reader is told
            QCOMPARE(QAccessible::queryAccessibleInterface(code)->state().checked,
                     pad.isSelected(code));
    }

    void modes_data()
    {
        QTest::addColumn<qint64>("mode");
        QTest::addColumn<QStringList>("drawings");
        QTest::addColumn<QString>("results");
        QTest::addColumn<QString>("stored");
        dataRow("set, mismatch, set", qint64(1), QStringList {"0125", "0124", "0125"}, "021",
                "0125");
        dataRow("set one node", qint64(1), QStringList {"4", "4"}, "01", "4");
        dataRow("verify", qint64(2), QStringList {"012", "0123", "01", "210"}, "3444", "012");
        dataRow("none: never told", qint64(0), QStringList {"0125"}, "", "012");
    }

    void modes()
    {
        QFETCH(qint64, mode);
        QFETCH(QStringList, drawings);
        PXGestureView pad;
        Recorder recorder;
        setUp(pad, recorder, mode);
        for (const QString &drawing : drawings)
            draw(&pad, drawing);
        QTEST(recorder.results, "results");
        QCOMPARE(pad.success(), !recorder.results.endsWith('2') && !recorder.results.endsWith('4'));
        QTEST(onDisk().stringForKey(PXPasswordVM::gestureIdKey), "stored");
    }

    void freeze_data()
    {
        QTest::addColumn<double>("begin"); // a stored freeze's start - t0; NaN: none
        QTest::addColumn<int>("wrong"); // wrong patterns drawn on the first screen
        QTest::addColumn<bool>("restart"); // then a new process, a new screen
        QTest::addColumn<int>("ticks"); // then this many minutes pass
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<bool>("red");
        QTest::addColumn<int>("count"); // also stored; 0 means frozen
        const double none = qQNaN();
        dataRow("four wrong", none, 4, false, 0, "密码错误，还可以再输入1次", true, 1);
        dataRow("fifth freezes", none, 5, false, 0, "请30分钟后重试", true, 0);
        dataRow("a minute on", none, 5, false, 1, "请29分钟后重试", true, 0);
        dataRow("runs out, colour stays", none, 5, false, 30, "请绘制解锁图案", true, 5);
        dataRow("restart keeps one attempt", none, 4, true, 0, "请绘制解锁图案", false, 1);
        dataRow("restart keeps the freeze", none, 5, true, 0, "请30分钟后重试", false, 0);
        dataRow("10 minutes in", -600.0, 0, false, 0, "请20分钟后重试", false, 0);
        dataRow("clock set back an hour", 3600.0, 0, false, 0, "请30分钟后重试", false, 0);
        dataRow("30 minutes on: over", -1800.0, 0, false, 0, "请绘制解锁图案", false, 5);
    }

    void freeze()
    {
        QFETCH(double, begin);
        QFETCH(int, count);
        UserDefaults &defaults = UserDefaults::standardUserDefaults();
        if (!qIsNaN(begin)) { // as the fifth wrong pattern left it
            defaults.setDouble(t0 + begin, PXTimerInstance::limitBeganTimeKey);
            defaults.setObject(0, PXGestureIDView::limitCountKey);
        }
        Recorder host;
        auto screen = std::make_unique<PXGestureIDView>();
        screen->setDelegate(&host);
        QFETCH(int, wrong);
        for (int i = 0; i < wrong; ++i)
            draw(screen->gestureView(), QStringLiteral("345"));
        QCOMPARE(host.calls, wrong == 5 ? QStringList {"cannot"} : QStringList {});
        if (QFETCH(bool, restart); restart) {
            screen.reset();
            PXTimerInstance::shareInstance()->stopTimer();
            screen = std::make_unique<PXGestureIDView>();
        }
        // The countdown's own timer, sped up; the clock stands still.
        QFETCH(int, ticks);
        if (ticks > 0) {
            QTimer *timer = PXTimerInstance::shareInstance()->timer();
            QVERIFY(timer);
            int ticked = 0;
            const auto counting = connect(timer, &QTimer::timeout, timer, [&ticked, ticks, timer] {
                if (++ticked == ticks)
                    timer->stop();
            });
            timer->setInterval(1);
            QTRY_COMPARE(ticked, ticks);
            disconnect(counting);
        }
        QTEST(screen->label()->text(), "prompt");
        QTEST(screen->label()->palette().color(QPalette::WindowText) == Qt::red, "red");
        QCOMPARE(screen->count(), count);
        QCOMPARE(onDisk().integerForKey(PXGestureIDView::limitCountKey), count);
        QCOMPARE(screen->gestureView()->isEnabled(), count > 0);
        QCOMPARE(screen->manageBtn()->isEnabled(), count > 0);
        QCOMPARE(drawsIn(screen->manageBtn(), PXColor::accent()), count > 0); // looks it, too
        QCOMPARE(PXTimerInstance::shareInstance()->isRunning(), count == 0);
        if (wrong == 5)
            QCOMPARE(onDisk().doubleForKey(PXTimerInstance::limitBeganTimeKey), t0);
    }

    // The password management flow, from the keyboard.
    void manage()
    {
        PXPasswordVM::sharedPasswordVM()->clearPassword();
        QVERIFY(!PXGestureIDView().manageBtn()); // set mode has nothing to manage
        PXPasswordVM::sharedPasswordVM()->setPassword("012", "012");
        Recorder host;
        PXGestureIDView screen;
        screen.setDelegate(&host);
        screen.resize(375, 623);
        screen.show();
        PXModalPresenter::scriptAnswers({3, 1, 2, 0});
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(screen.manageBtn(), Qt::Key_Space);
        QTRY_COMPARE(host.calls, (QStringList {"forget", "account", "modify"}));
        QCOMPARE(screen.label()->text(), QStringLiteral("请输入原手势密码"));
        const QStringList drawings {"345", "012", "678", "678"};
        const QStringList prompts {"密码错误，还可以再输入4次", "请绘制新的解锁图案",
                                   "请再绘制解锁图案", "设置成功"};
        for (qsizetype i = 0; i < drawings.size(); ++i) {
            draw(screen.gestureView(), drawings.at(i));
            QCOMPARE(screen.label()->text(), prompts.at(i));
            QCOMPARE(screen.count(), i == 0 ? 4 : 5); // a verified pattern refills them
        }
        QCOMPARE(currentToast(), QStringLiteral("设置成功"));
        QCOMPARE(host.calls.constLast(), QStringLiteral("1"));
        QVERIFY(PXPasswordVM::sharedPasswordVM()->verifyPassword(QStringLiteral("678")));
    }
};

QTEST_MAIN(tst_GestureLock)
#include "tst_gesturelock.moc"
