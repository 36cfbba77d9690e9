#include "PXMessageView.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QTest>

// The toast is one object for the whole process, so the order of these cases
// matters: the first one creates it.
class TestMessageView : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void oneViewFollowsItsHost()
    {
        QPointer<PXMessageView> shared;
        {
            QWidget first, second;
            shared = PXMessageView::sharedWithSuperview(&first, "one");
            QCOMPARE(PXMessageView::sharedWithSuperview(&second, "two"), shared.data());
            QCOMPARE(shared->parentWidget(), &second);
            // The strip stays centred when the window is resized under it.
            second.show();
            second.resize(600, 500);
            QCOMPARE(shared->size(), QSize(600, 500));
            QVERIFY((shared->label()->geometry().center() - QPoint(300, 250)).manhattanLength()
                    <= 2);
        }
        // Destroyed with its host while showing; the next message makes a new one.
        QVERIFY(shared.isNull());
        QWidget next;
        next.resize(240, 320);
        PXMessageView *view = PXMessageView::sharedWithSuperview(&next, "<b>back</b>");
        QCOMPARE(view->parentWidget(), &next);
        QCOMPARE(view->size(), QSize(240, 320));
        QCOMPARE(view->label()->text(), QStringLiteral("<b>back</b>"));
        QCOMPARE(view->label()->textFormat(), Qt::PlainText); // service text, not markup
        view->removeMessage();
        // No host: no toast, and above all no window of its own.
        QVERIFY(!PXMessageView::sharedWithSuperview(nullptr, "lost"));
        QVERIFY(!view->isVisible());
    }

    void newerMessageGetsItsFullSecond()
    {
        QWidget host;
        host.show();
        QElapsedTimer sinceFirst, sinceSecond;
        sinceFirst.start();
        PXMessageView *view = PXMessageView::sharedWithSuperview(&host, "first");
        QTest::qWait(500);
        sinceSecond.start();
        PXMessageView::sharedWithSuperview(&host, "second");
        // Run the event loop past the end of the first message's second.
        while (sinceFirst.elapsed() < PXMessageView::displayMilliseconds + 100)
            QTest::qWait(10);
        if (sinceSecond.elapsed() >= PXMessageView::displayMilliseconds)
            QSKIP("the machine was too slow to tell the two timers apart");
        QVERIFY(view->isVisible() && view->label()->text() == QStringLiteral("second"));
        QTRY_VERIFY_WITH_TIMEOUT(view->parentWidget() == nullptr, 3000);
        QVERIFY(!view->isVisible());
        QVERIFY(sinceSecond.elapsed() >= PXMessageView::displayMilliseconds - 50);
    }
};

QTEST_MAIN(TestMessageView)
#include "tst_messageview.moc"
