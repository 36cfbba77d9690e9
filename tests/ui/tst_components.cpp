#include "PXActionSheet.h"
#include "PXModalPresenter.h"
#include "PXSwitch.h"
#include "PXTableView.h"
#include "PXTextField.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

struct Change
{
    int position;
    int length;
    QString text;
};

// The binding screen's rule: an edit counts only where it starts.
bool startsAtOrBefore(int last, int position)
{
    return position <= last;
}

class CountingSource : public PXTableViewDataSource
{
public:
    int numberOfRows() const override { return rows; }
    QWidget *cellForRow(int row) override
    {
        ++asked;
        return new QLabel(QString::number(row));
    }
    int rows = 0;
    int asked = 0;
};

QMessageBox *openMessageBox()
{
    const auto widgets = QApplication::topLevelWidgets();
    for (QWidget *w : widgets) {
        if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
            return box;
    }
    return nullptr;
}

} // namespace

class TestComponents : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { PXModalPresenter::clear(); }
    void scriptedAnswerArrivesFromEventLoop();
    void scriptedAnswerDroppedWithHost();
    void alertButtonsKeepTheirIndices();
    void actionSheetAnswers_data();
    void actionSheetAnswers();
    void switchReportsOnlyUserChanges();
    void tableAsksForRowsOnReload();
    void filterSeesWhereEditsStart_data();
    void filterSeesWhereEditsStart();
    void filterLimitsByPosition_data();
    void filterLimitsByPosition();
};

void TestComponents::scriptedAnswerArrivesFromEventLoop()
{
    QWidget host;
    QList<int> answers;
    PXModalPresenter::scriptAnswers({1, 3});
    PXModalPresenter::showAlert(&host, "提示", "msg", {"取消", "确定"},
                                [&](int index) { answers << index; });
    PXModalPresenter::showActionSheet(&host, {"a", "b", "c"}, "取消",
                                      [&](int index) { answers << index; });
    QVERIFY(answers.isEmpty());
    QTRY_COMPARE(answers, (QList<int> {1, 3}));
    const auto shown = PXModalPresenter::presentations();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[1].kind, PXModalPresenter::Kind::ActionSheet);
    QCOMPARE(shown[1].buttons, (QStringList {"a", "b", "c", "取消"}));
    QVERIFY(shown[1].title.isEmpty());
    QVERIFY(!openMessageBox());
}

void TestComponents::scriptedAnswerDroppedWithHost()
{
    bool answered = false;
    {
        QWidget host;
        PXModalPresenter::scriptAnswers({0});
        PXModalPresenter::showAlert(&host, "提示", "gone", {"确定"}, [&](int) { answered = true; });
    }
    QTest::qWait(20);
    QVERIFY(!answered);
}

void TestComponents::alertButtonsKeepTheirIndices()
{
    QWidget host;
    host.show();
    int answer = -1;
    PXModalPresenter::showAlert(&host, "提示", "该手机号已绑定", {"取消", "确定"},
                                [&](int index) { answer = index; });
    QMessageBox *box = nullptr;
    QTRY_VERIFY((box = openMessageBox()) != nullptr);
    QCOMPARE(box->text(), QStringLiteral("提示"));
    QCOMPARE(box->informativeText(), QStringLiteral("该手机号已绑定"));
    const auto buttons = box->buttons();
    QCOMPARE(buttons.size(), 2);
    QAbstractButton *confirm = nullptr;
    for (QAbstractButton *b : buttons) {
        if (b->text() == QStringLiteral("确定"))
            confirm = b;
    }
    QVERIFY(confirm);
    confirm->click();
    QTRY_COMPARE(answer, 1);
    QTRY_VERIFY(!openMessageBox());
}

void TestComponents::actionSheetAnswers_data()
{
    QTest::addColumn<int>("tap"); // button index, or -1 for the backdrop
    QTest::addColumn<int>("expected");
    QTest::newRow("first") << 0 << 0;
    QTest::newRow("third") << 2 << 2;
    QTest::newRow("cancel") << 3 << 3;
    QTest::newRow("backdrop") << -1 << 3;
}

void TestComponents::actionSheetAnswers()
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
    QCOMPARE(sheet->geometry(), window.rect());
    const auto buttons = sheet->buttons();
    QCOMPARE(buttons.last()->text(), QStringLiteral("取消"));
    // Choices read top to bottom, cancel at the bottom.
    for (int i = 1; i < buttons.size(); ++i)
        QVERIFY(buttons[i]->y() > buttons[i - 1]->y());
    if (tap >= 0)
        QTest::mouseClick(buttons[tap], Qt::LeftButton);
    else
        QTest::mouseClick(sheet, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(answers, QList<int> {expected});
    QTRY_VERIFY(!window.findChild<PXActionSheet *>());
}

void TestComponents::switchReportsOnlyUserChanges()
{
    PXSwitch sw;
    QSignalSpy spy(&sw, &PXSwitch::valueChanged);
    sw.setOn(true);
    QVERIFY(sw.isOn());
    QCOMPARE(spy.size(), 0);
    QTest::mouseClick(&sw, Qt::LeftButton);
    QVERIFY(!sw.isOn());
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.at(0).at(0).toBool(), false);
    sw.setEnabled(false);
    QTest::mouseClick(&sw, Qt::LeftButton);
    QCOMPARE(spy.size(), 1);
}

void TestComponents::tableAsksForRowsOnReload()
{
    CountingSource source;
    source.rows = 2;
    PXTableView table;
    table.resize(320, 400);
    table.setDataSource(&source);
    table.setRowHeight(60);
    table.setSectionHeaderHeight(30);
    table.setShowsSeparators(false);
    table.reloadData();
    QCOMPARE(table.numberOfRows(), 2);
    QWidget *secondCell = table.cellForRow(1);
    QVERIFY(secondCell);
    QPointer<QWidget> second(secondCell);
    QCOMPARE(secondCell->geometry(), QRect(0, 90, table.viewport()->width(), 60));
    QCOMPARE(table.cellForRow(2), nullptr);
    QCOMPARE(table.cellForRow(-1), nullptr);

    source.rows = 1;
    table.reloadData();
    QCOMPARE(source.asked, 3);
    QCOMPARE(table.numberOfRows(), 1);
    QVERIFY(second.isNull());
    QCOMPARE(qobject_cast<QLabel *>(table.cellForRow(0))->text(), QStringLiteral("0"));
}

void TestComponents::filterSeesWhereEditsStart_data()
{
    QTest::addColumn<QString>("initial");
    QTest::addColumn<int>("selectFrom"); // cursor, or selection start
    QTest::addColumn<int>("selectLength");
    QTest::addColumn<int>("key"); // 0: type "typed"
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("text");
    QTest::newRow("append") << "138" << 3 << 0 << 0 << "0" << 3 << 0 << "0";
    // The same digit as its neighbours: only the cursor tells where it went.
    QTest::newRow("insert among equals") << "111" << 0 << 0 << 0 << "1" << 0 << 0 << "1";
    QTest::newRow("backspace") << "12345" << 3 << 0 << int(Qt::Key_Backspace) << "" << 2 << 1 << "";
    QTest::newRow("delete forward")
        << "12345" << 1 << 0 << int(Qt::Key_Delete) << "" << 1 << 1 << "";
    QTest::newRow("replace selection") << "13800000000" << 2 << 3 << 0 << "9" << 2 << 3 << "9";
    QTest::newRow("delete selection")
        << "13800000000" << 4 << 4 << int(Qt::Key_Backspace) << "" << 4 << 4 << "";
}

void TestComponents::filterSeesWhereEditsStart()
{
    QFETCH(QString, initial);
    QFETCH(int, selectFrom);
    QFETCH(int, selectLength);
    QFETCH(int, key);
    QFETCH(QString, typed);
    QFETCH(int, position);
    QFETCH(int, length);
    QFETCH(QString, text);

    PXTextField field;
    field.setText(initial);
    if (selectLength > 0)
        field.setSelection(selectFrom, selectLength);
    else
        field.setCursorPosition(selectFrom);
    QList<Change> seen;
    field.setChangeFilter([&](PXTextField *f, int p, int l, const QString &t) {
        if (f == &field)
            seen.append({p, l, t});
        return true;
    });
    if (key)
        QTest::keyClick(&field, Qt::Key(key));
    else
        QTest::keyClicks(&field, typed);
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen[0].position, position);
    QCOMPARE(seen[0].length, length);
    QCOMPARE(seen[0].text, text);
}

void TestComponents::filterLimitsByPosition_data()
{
    QTest::addColumn<QString>("initial");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("changes"); // editingChanged() signals
    QTest::newRow("typing stops at 11") << "" << 0 << "1380000000012"
                                        << "13800000000" << 11;
    QTest::newRow("early insert still accepted") << "13800000000" << 3 << "5"
                                                 << "138500000000" << 1;
    QTest::newRow("refused edit keeps cursor") << "13800000000" << 11 << "9x"
                                               << "13800000000" << 0;
}

void TestComponents::filterLimitsByPosition()
{
    QFETCH(QString, initial);
    QFETCH(int, cursor);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    QFETCH(int, changes);

    PXTextField field;
    field.setPlaceholderText("请输入手机号");
    field.setText(initial);
    field.setCursorPosition(cursor);
    field.setChangeFilter([](PXTextField *, int position, int, const QString &) {
        return startsAtOrBefore(10, position);
    });
    QSignalSpy spy(&field, &PXTextField::editingChanged);
    QTest::keyClicks(&field, typed);
    QCOMPARE(field.text(), expected);
    QCOMPARE(spy.size(), changes);
    if (changes == 0)
        QCOMPARE(field.cursorPosition(), cursor);
    // Deletions start inside the text and always pass.
    QTest::keyClick(&field, Qt::Key_Backspace);
    QCOMPARE(field.text().size(), expected.size() - 1);
}

QTEST_MAIN(TestComponents)
#include "tst_components.moc"
