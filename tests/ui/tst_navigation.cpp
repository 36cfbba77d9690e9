#include "PXBaseController.h"
#include "PXNavigationBar.h"
#include "PXNavigationController.h"
#include "PXWindow.h"

#include <QPointer>
#include <QTest>

namespace {
QStringList journal;

class RecordingController : public PXBaseController
{
public:
    explicit RecordingController(const QString &name) { setTitle(name); }
    void viewDidLoad() override { PXBaseController::viewDidLoad(), journal << title() + ":load"; }
    void viewWillAppear() override { journal << title() + ":willAppear"; }
    void viewDidAppear() override { journal << title() + ":didAppear"; }
    void viewWillDisappear() override { journal << title() + ":willDisappear"; }
    // As the back buttons of the app do.
    void clickLeftBarButton() override { navigationController()->popViewControllerAnimated(false); }
};

bool barShows(PXNavigationBar *bar, QWidget *item)
{
    return item && item->parentWidget() == bar && item->isVisibleTo(bar);
}
} // namespace

class TestNavigation : public QObject
{
    Q_OBJECT
    static QStringList taken() { return std::exchange(journal, {}); }
private Q_SLOTS:
    void init() { journal.clear(); }

    void appearanceFollowsStack()
    {
        PXWindow window;
        auto *nav = new PXNavigationController(new RecordingController("a"));
        window.setRootViewController(nav);
        window.show();
        QCOMPARE(taken(), (QStringList {"a:load", "a:willAppear", "a:didAppear"}));
        nav->pushViewController(new RecordingController("b"), false);
        QCOMPARE(taken(),
                 (QStringList {"b:load", "a:willDisappear", "b:willAppear", "b:didAppear"}));
        nav->popViewControllerAnimated(false);
        QCOMPARE(taken(), (QStringList {"b:willDisappear", "a:willAppear", "a:didAppear"}));
        // Nothing appears while the stack is off screen.
        window.hide();
        journal.clear();
        nav->pushViewController(new RecordingController("c"), false);
        QCOMPARE(journal, QStringList {"c:load"});
    }

    void pushAndPop()
    {
        PXNavigationController nav(new RecordingController("first"));
        PXNavigationBar *bar = nav.navigationBar();
        auto *second = new RecordingController("second");
        nav.pushViewController(second, false);
        QCOMPARE(bar->title(), QStringLiteral("second"));
        second->setTitle("设置");
        QCOMPARE(bar->title(), QStringLiteral("设置"));

        QPointer<PXBaseController> guard(nav.popViewControllerAnimated(false));
        QCOMPARE(guard.data(), second);
        QVERIFY(guard); // still usable by the caller until the event loop runs
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(guard.isNull());
        QCOMPARE(bar->title(), QStringLiteral("first"));
        QCOMPARE(nav.popViewControllerAnimated(false), nullptr);

        // A pushed screen deleted from elsewhere leaves the stack.
        auto *third = new RecordingController("third");
        nav.pushViewController(third, false);
        delete third;
        QCOMPARE(nav.viewControllers().size(), 1);
        QCOMPARE(bar->title(), QStringLiteral("first"));

        QPointer<PXBaseController> oldRoot(nav.topViewController());
        nav.pushViewController(new RecordingController("middle"), false);
        auto *bind = new RecordingController("bind");
        nav.setViewControllers({bind}, false);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(oldRoot.isNull());
        QCOMPARE(nav.viewControllers(), QList<PXBaseController *> {bind});
        QCOMPARE(bar->title(), QStringLiteral("bind"));
        QCOMPARE(bind->navigationController(), &nav);
        QVERIFY(!barShows(bar, bar->backButton()));
    }

    void backArrow_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<QString>("leftTitle"); // null: no left button
        QTest::addColumn<bool>("hidesBack");
        QTest::addColumn<bool>("backShown");
        QTest::newRow("root alone") << 1 << QString() << false << false;
        QTest::newRow("pushed, nothing installed") << 2 << QString() << false << true;
        QTest::newRow("pushed with its own left button") << 2 << "返回" << false << false;
        QTest::newRow("pushed, back hidden") << 3 << QString() << true << false;
    }

    void backArrow()
    {
        QFETCH(int, depth);
        QFETCH(QString, leftTitle);
        QFETCH(bool, hidesBack);
        PXNavigationController nav(new RecordingController("0"));
        for (int i = 1; i < depth; ++i)
            nav.pushViewController(new RecordingController(QString::number(i)), false);
        PXBaseController *top = nav.topViewController();
        if (!leftTitle.isNull())
            top->addLeftBarButton(leftTitle);
        top->setHidesBackButton(hidesBack);

        PXNavigationBar *bar = nav.navigationBar();
        QTEST(barShows(bar, bar->backButton()), "backShown");
        QCOMPARE(barShows(bar, top->leftBarButton()), !leftTitle.isNull());
    }

    void tappedButtonsPop()
    {
        PXNavigationController nav(new RecordingController("root"));
        nav.resize(375, 667);
        nav.show();
        nav.pushViewController(new RecordingController("pushed"), true);
        QPointer<PXBaseController> pushed(nav.topViewController());
        journal.clear();
        QTest::mouseClick(nav.navigationBar()->backButton(), Qt::LeftButton);
        QTRY_VERIFY(journal.contains("root:didAppear"));
        QTRY_VERIFY(pushed.isNull());
        QCOMPARE(nav.viewControllers().size(), 1);
    }
};

QTEST_MAIN(TestNavigation)
#include "tst_navigation.moc"
