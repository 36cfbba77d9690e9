#include "DataRow.h"
#include "PXActionSheet.h"
#include "PXAlertView.h"
#include "PXModalPresenter.h"
#include "PXSwitch.h"
#include "PXTextField.h"
#include "TestWidgets.h"

#include <QAccessible>
#include <QPushButton>

class TestComponents : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { PXModalPresenter::clear(); }
    void scriptedAnswerArrivesFromEventLoop()
    {
        QWidget host;
        QList<int> answers;
        const auto record = [&](int index) { answers << index; };
        PXModalPresenter::scriptAnswers({1, 3});
        PXModalPresenter::showAlert(&host, "提示", "msg", {"取消", "确定"}, record);
        PXModalPresenter::showActionSheet(&host, {"a", "b", "c"}, "取消", record);
        QVERIFY(answers.isEmpty());
        QTRY_COMPARE(answers, (QList<int> {1, 3}));
        QCOMPARE(PXModalPresenter::presentations().size(), 2);
        QVERIFY(!openMessageBox());

        // An answer still queued when its host goes is dropped.
        {
            QWidget gone;
            PXModalPresenter::scriptAnswers({0});
            PXModalPresenter::showAlert(&gone, "提示", "gone", {"确定"}, record);
        }
        QTest::qWait(20);
        QCOMPARE(answers.size(), 2);

        // Outside tests nothing is kept.
        PXModalPresenter::setRecording(false);
        PXModalPresenter::showAlert(&host, "提示", "msg", {"确定"});
        QVERIFY(PXModalPresenter::presentations().isEmpty());
    }

    void alertAnswers_data()
    {
        QTest::addColumn<QList<int>>("keys"); // empty: tap "确定"
        QTest::addColumn<int>("expected");
        dataRow("tap", QList<int> {}, 1);
        dataRow("Enter", QList<int> {Qt::Key_Return}, 1);
        dataRow("Escape", QList<int> {Qt::Key_Escape}, 0);
        dataRow("Tab wraps to 取消", QList<int> {Qt::Key_Tab, Qt::Key_Return}, 0);
    }

    void alertAnswers()
    {
        QFETCH(QList<int>, keys);
        QFETCH(int, expected);
        QWidget host;
        host.resize(375, 667);
        host.show();
        int answer = -1;
        PXModalPresenter::showAlert(&host, "提示", "该手机号已绑定", {"取消", "确定"},
                                    [&](int index) { answer = index; });
        PXAlertView *box = openMessageBox();
        QVERIFY(box);
        const auto buttons = box->buttons();
        QCOMPARE(buttons.size(), 2);
        QCOMPARE(buttons[1]->text(), QStringLiteral("确定"));
        QVERIFY(buttons[0]->x() < buttons[1]->x() && buttons[0]->y() == buttons[1]->y());
        QVERIFY(box->cardRect().contains(buttons[1]->geometry()));
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(box);
        QCOMPARE(accessible->role(), QAccessible::AlertMessage);
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("提示"));
        QCOMPARE(box->focusWidget(), buttons[1]);
        if (keys.isEmpty())
            buttons[1]->click();
        for (int key : keys)
            QTest::keyClick(box->focusWidget(), Qt::Key(key));
        QTRY_COMPARE(answer, expected);
        QTRY_VERIFY(!openMessageBox());
    }

    void actionSheetAnswers_data()
    {
        QTest::addColumn<int>("tap"); // button index, -1 the backdrop, -2 Escape
        QTest::addColumn<int>("expected");
        QTest::newRow("first") << 0 << 0;
        QTest::newRow("cancel") << 3 << 3;
        QTest::newRow("backdrop") << -1 << 3;
        QTest::newRow("Escape") << -2 << 3;
    }

    void actionSheetAnswers()
    {
        QFETCH(int, tap);
        QFETCH(int, expected);
        QWidget window;
        window.resize(375, 667);
        window.show();
        QList<int> answers;
        PXModalPresenter::showActionSheet(&window, {"修改手势密码", "忘记手势密码", "切换其他账号"},
                                          "取消", [&](int index) { answers << index; });
        auto *sheet = window.findChild<PXActionSheet *>();
        QVERIFY(sheet);
        const auto buttons = sheet->buttons();
        QCOMPARE(buttons.last()->text(), QStringLiteral("取消"));
        // Choices read top to bottom, cancel at the bottom.
        for (int i = 1; i < buttons.size(); ++i)
            QVERIFY(buttons[i]->y() > buttons[i - 1]->y());
        QCOMPARE(QAccessible::queryAccessibleInterface(sheet)->role(), QAccessible::Dialog);
        QCOMPARE(sheet->focusWidget(), buttons.last());
        if (tap >= 0)
            QTest::mouseClick(buttons[tap], Qt::LeftButton);
        else if (tap == -1)
            QTest::mouseClick(sheet, Qt::LeftButton, {}, QPoint(10, 10));
        else
            QTest::keyClick(sheet->focusWidget(), Qt::Key_Escape);
        QCOMPARE(answers, QList<int> {expected});
        QTRY_VERIFY(!window.findChild<PXActionSheet *>());
    }

    void switchReportsOnlyUserChanges()
    {
        PXSwitch sw;
        QSignalSpy spy(&sw, &PXSwitch::valueChanged);
        sw.setOn(true);
        QCOMPARE(spy.size(), 0);
        QTest::mouseClick(&sw, Qt::LeftButton);
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).toBool(), false);
        sw.setEnabled(false);
        QTest::mouseClick(&sw, Qt::LeftButton);
        QCOMPARE(spy.size(), 1);
    }

    void filterSeesWhereEditsStart_data()
    {
        QTest::addColumn<QString>("initial");
        QTest::addColumn<int>("selectFrom"); // cursor, or selection start
        QTest::addColumn<int>("selectLength");
        QTest::addColumn<int>("key"); // 0: type "typed"
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("change"); // first one seen: position/length/text
        QTest::addColumn<QString>("expected");
        // The same digit as its neighbours: only the cursor tells where it went.
        dataRow("insert among equals", "111", 0, 0, 0, "1", "0/0/1", "1111");
        dataRow("backspace", "12345", 3, 0, int(Qt::Key_Backspace), "", "2/1/", "1245");
        dataRow("delete forward", "12345", 1, 0, int(Qt::Key_Delete), "", "1/1/", "1345");
        dataRow("replace selection", "13800000000", 2, 3, 0, "9", "2/3/9", "139000000");
    }

    void filterSeesWhereEditsStart()
    {
        QFETCH(QString, initial);
        QFETCH(int, selectFrom);
        QFETCH(int, selectLength);
        QFETCH(int, key);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        PXTextField field;
        field.setText(initial);
        field.setSelection(selectFrom, selectLength);
        QStringList seen;
        field.setChangeFilter([&](PXTextField *f, int p, int l, const QString &t) {
            if (f == &field)
                seen << QStringLiteral("%1/%2/%3").arg(p).arg(l).arg(t);
            return p <= 10;
        });
        QSignalSpy edits(&field, &PXTextField::editingChanged);
        if (key)
            QTest::keyClick(&field, Qt::Key(key));
        else
            QTest::keyClicks(&field, typed);
        QTEST(seen.value(0), "change");
        QCOMPARE(field.text(), expected);
        QCOMPARE(edits.isEmpty(), expected == initial);
        if (edits.isEmpty())
            QCOMPARE(field.cursorPosition(), selectFrom);
    }
};

QTEST_MAIN(TestComponents)
#include "tst_components.moc"
