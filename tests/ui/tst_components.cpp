#include "DataRow.h"
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

    void cardAnswers_data()
    {
        QTest::addColumn<bool>("sheet"); // else an alert
        QTest::addColumn<int>("tap"); // button index, -1 the backdrop, -2 keys only
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("expected");
        const QList<int> none, escape {Qt::Key_Escape};
        dataRow("alert: tap", false, 1, none, 1);
        dataRow("alert: Enter", false, -2, QList<int> {Qt::Key_Return}, 1);
        dataRow("alert: Escape", false, -2, escape, 0);
        dataRow("alert: Tab wraps to 取消", false, -2, QList<int> {Qt::Key_Tab, Qt::Key_Return}, 0);
        dataRow("sheet: first", true, 0, none, 0);
        dataRow("sheet: cancel", true, 3, none, 3);
        dataRow("sheet: backdrop", true, -1, none, 3);
        dataRow("sheet: Escape", true, -2, escape, 3);
    }

    void cardAnswers()
    {
        QFETCH(bool, sheet);
        QFETCH(int, tap);
        QFETCH(QList<int>, keys);
        QFETCH(int, expected);
        QWidget host;
        host.resize(375, 667);
        host.show();
        QList<int> answers;
        const auto record = [&](int index) { answers << index; };
        if (sheet)
            PXModalPresenter::showActionSheet(
                &host, {"修改手势密码", "忘记手势密码", "切换其他账号"}, "取消", record);
        else
            PXModalPresenter::showAlert(&host, "提示", "该手机号已绑定", {"取消", "确定"}, record);
        auto *card = shownWidget<PXModalOverlay>();
        QVERIFY(card);
        const auto buttons = card->buttons();
        QCOMPARE(buttons.last()->text(), QString(sheet ? "取消" : "确定"));
        // A sheet reads top to bottom, cancel at the bottom; an alert's two sit side by side.
        for (int i = 1; i < buttons.size(); ++i)
            QVERIFY(sheet ? buttons[i]->y() > buttons[i - 1]->y()
                          : buttons[i]->x() > buttons[i - 1]->x()
                            && buttons[i]->y() == buttons[i - 1]->y());
        if (auto *alert = qobject_cast<PXAlertView *>(card))
            QVERIFY(alert->cardRect().contains(buttons.last()->geometry()));
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(card);
        QCOMPARE(accessible->role(), sheet ? QAccessible::Dialog : QAccessible::AlertMessage);
        QVERIFY(sheet || accessible->text(QAccessible::Name) == QStringLiteral("提示"));
        QCOMPARE(card->focusWidget(), buttons.last());
        if (tap >= 0)
            QTest::mouseClick(buttons[tap], Qt::LeftButton);
        else if (tap == -1)
            QTest::mouseClick(card, Qt::LeftButton, {}, QPoint(10, 10));
        for (int key : keys)
            QTest::keyClick(card->focusWidget(), Qt::Key(key));
        QTRY_COMPARE(answers, QList<int> {expected});
        QTRY_VERIFY(!shownWidget<PXModalOverlay>());
    }

    void switchReportsOnlyUserChanges()
    {
        PXSwitch sw;
        QSignalSpy spy(&sw, &PXSwitch::valueChanged);
        sw.setOn(true);
        QCOMPARE(spy.size(), 0);
        QTest::mouseClick(&sw, Qt::LeftButton);
        QCOMPARE(QList<QVariantList>(spy), QList<QVariantList> {{false}});
        sw.setEnabled(false);
        QTest::mouseClick(&sw, Qt::LeftButton);
        QCOMPARE(spy.size(), 1);
    }

    void filterSeesWhereEditsStart_data()
    {
        QTest::addColumn<QString>("initial");
        QTest::addColumn<int>("selectFrom"); // cursor, or selection start
        QTest::addColumn<int>("selectLength");
        QTest::addColumn<QString>("key"); // as a key sequence names it
        QTest::addColumn<QString>("change"); // first one seen: position/length/text
        QTest::addColumn<QString>("expected");
        // The same digit as its neighbours: only the cursor tells where it went.
        dataRow("insert among equals", "111", 0, 0, "1", "0/0/1", "1111");
        dataRow("backspace", "12345", 3, 0, "Backspace", "2/1/", "1245");
        dataRow("delete forward", "12345", 1, 0, "Del", "1/1/", "1345");
        dataRow("replace selection", "13800000000", 2, 3, "9", "2/3/9", "139000000");
    }

    void filterSeesWhereEditsStart()
    {
        QFETCH(QString, initial);
        QFETCH(int, selectFrom);
        QFETCH(int, selectLength);
        QFETCH(QString, key);
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
        QTest::keySequence(&field, QKeySequence(key));
        QTEST(seen.value(0), "change");
        QTEST(field.text(), "expected");
        QCOMPARE(edits.isEmpty(), field.text() == initial);
    }
};

QTEST_MAIN(TestComponents)
#include "tst_components.moc"
