// Renders every screen to <out>/<name>.png at device pixel ratio 2, offscreen,
// for people to look at. scripts/screenshots builds and runs it; CTest runs it
// too, so a screen that fails to build or renders blank fails the suite. To add
// a screen, add one line to screens().

#include "Clock.h"
#include "LocalAuthentication.h"
#include "PXAuth.h"
#include "PXBaseController.h"
#include "PXBindController.h"
#include "PXCodeController.h"
#include "PXCodeForm.h"
#include "PXCodeView.h"
#include "PXFont.h"
#include "PXGestureIDView.h"
#include "PXLoginController.h"
#include "PXLoginModel.h"
#include "PXManageController.h"
#include "PXMessageView.h"
#include "PXModalPresenter.h"
#include "PXNavigationController.h"
#include "PXParamModel.h"
#include "PXPasswordVM.h"
#include "PXServiceOverride.h"
#include "PXSettingController.h"
#include "PXSwitch.h"
#include "PXTableView.h"
#include "PXTextField.h"
#include "PXTimerInstance.h"
#include "PXTouchIDView.h"
#include "PXWindow.h"
#include "TOTPCodeCell.h"
#include "TestWidgets.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <QLabel>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <functional>
#include <optional>

namespace {

constexpr double pixelRatio = 2.0;

// A base screen with both bar buttons, as every screen starts.
class SampleController : public PXBaseController
{
public:
    void viewDidLoad() override
    {
        PXBaseController::viewDidLoad();
        setTitle(QStringLiteral("标题"));
        addLeftBarButton(QStringLiteral("返回"));
        addRightBarButton(QStringLiteral("设置"));
    }
};

// The shared widgets later screens are built from, in one place.
class ComponentsController : public PXBaseController, private PXTableViewDataSource
{
public:
    void viewDidLoad() override
    {
        PXBaseController::viewDidLoad();
        setTitle(QStringLiteral("设置"));
        addLeftBarButton(QStringLiteral("返回"));
        addRightBarButton(QStringLiteral("退出"));
        m_phone = new PXTextField(this);
        m_phone->setPlaceholderText(QStringLiteral("请输入手机号"));
        m_code = new PXTextField(this);
        m_code->setText(QStringLiteral("123456"));
        m_table = new PXTableView(this);
        m_table->setRowHeight(60);
        m_table->setSectionHeaderHeight(30);
        m_table->setBackgroundColor(Qt::transparent);
        m_table->setDataSource(this);
        m_table->reloadData();
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        PXBaseController::resizeEvent(event);
        const QRectF area = frame();
        m_phone->setGeometry(20, int(area.top()) + 25, width() - 155, 45);
        m_code->setGeometry(20, int(area.top()) + 95, width() - 155, 45);
        m_table->setGeometry(0, int(area.top()) + 160, width(), 200);
    }

private:
    int numberOfRows() const override { return 2; }
    QWidget *cellForRow(int row) override
    {
        auto *cell = new QWidget;
        cell->setAutoFillBackground(true);
        auto *title
            = new QLabel(row == 0 ? QStringLiteral("指纹解锁") : QStringLiteral("手势密码"), cell);
        title->setFont(PXFont::fontWithSize(16));
        title->setGeometry(20, 0, 200, 60);
        auto *sw = new PXSwitch(cell);
        sw->setOn(row == 1);
        sw->move(375 - 20 - sw->width(), (60 - sw->height()) / 2);
        return cell;
    }

    PXTextField *m_phone = nullptr;
    PXTextField *m_code = nullptr;
    PXTableView *m_table = nullptr;
};

// Hosts the gesture lock as the lock host at launch does.
class GestureHost : public PXBaseController
{
public:
    void viewDidLoad() override
    {
        PXBaseController::viewDidLoad();
        setTitle(QStringLiteral("Kelvo Ostrel"));
        m_gesture = new PXGestureIDView(this);
    }
    PXGestureIDView *gesture() const { return m_gesture; }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        PXBaseController::resizeEvent(event);
        m_gesture->setGeometry(frame().toRect());
    }

private:
    PXGestureIDView *m_gesture = nullptr;
};

using Stage = std::function<void(PXWindow &)>;

// A fingerprint reader that answers as told: without an error to give, the
// prompt stays up.
class ScriptedAuthentication : public LocalAuthentication
{
public:
    ScriptedAuthentication(bool available, std::optional<int> error)
        : m_available(available)
        , m_error(error)
    { }
    void canEvaluatePolicy(Policy, Availability answer) override
    {
        QTimer::singleShot(0, this, [this, answer] { answer(m_available); });
    }
    void evaluatePolicy(Policy, const QString &reason, Reply reply) override
    {
        prompt()->open(reason, [](int) {});
        if (m_error) {
            QTimer::singleShot(0, this, [this, reply] {
                prompt()->close();
                reply(false, *m_error);
            });
        }
    }
    void invalidate() override { prompt()->close(); }

private:
    bool m_available;
    std::optional<int> m_error;
};

// The fingerprint lock as the lock host shows it, over that reader.
Stage touchID(bool available, std::optional<int> error)
{
    return [available, error](PXWindow &window) {
        auto *host = new PXBaseController;
        host->setTitle(QStringLiteral("Kelvo Ostrel"));
        window.setRootViewController(new PXNavigationController(host));
        auto *view
            = new PXTouchIDView(host, std::make_unique<ScriptedAuthentication>(available, error));
        view->setPasswordHandle(PXTouchIDView::lockHostHandle);
        QTimer::singleShot(0, view, [view, host] { view->setGeometry(host->frame().toRect()); });
    };
}

void install(PXWindow &window, PXBaseController *root)
{
    window.setRootViewController(new PXNavigationController(root));
}

template<typename Screen> Stage plain()
{
    return [](PXWindow &window) { install(window, new Screen); };
}

struct Shot
{
    QString name;
    Stage stage;
};

QList<Shot> screens()
{
    QList<Shot> shots {
        {"base", plain<SampleController>()},
        {"toast",
         [](PXWindow &w) {
             install(w, new SampleController);
             PXMessageView::sharedWithSuperview(w.rootViewController()->topViewController(),
                                                QStringLiteral("网络不给力！"));
         }},
        {"alert",
         [](PXWindow &w) {
             install(w, new SampleController);
             w.rootViewController()->topViewController()->showAlertView(
                 QStringLiteral("手机号格式不正确，请重新输入..."));
         }},
        {"actionsheet",
         [](PXWindow &w) {
             install(w, new SampleController);
             PXModalPresenter::showActionSheet(&w,
                                               {QStringLiteral("修改手势密码"),
                                                QStringLiteral("忘记手势密码"),
                                                QStringLiteral("切换其他账号")},
                                               QStringLiteral("取消"));
         }},
        {"stack",
         [](PXWindow &w) {
             install(w, new SampleController);
             auto *pushed = new PXBaseController;
             pushed->setTitle(QStringLiteral("第二层"));
             w.rootViewController()->pushViewController(pushed, false);
         }},
        {"components", plain<ComponentsController>()},
    };
    shots.append({"bind", plain<PXBindController>()});
    shots.append({"bind-countdown", [](PXWindow &w) {
                      auto *bind = new PXBindController;
                      install(w, bind);
                      bind->field()->setText(QStringLiteral("13800138000"));
                      bind->form()->startTiming();
                      bind->form()->timing();
                      bind->form()->timing();
                  }});
    shots.append(
        {"bind-confirm", [](PXWindow &w) {
             auto *bind = new PXBindController;
             install(w, bind);
             bind->field()->setText(QStringLiteral("13800138000"));
             PXModalPresenter::showAlert(
                 bind, QStringLiteral("提示"),
                 QStringLiteral("该手机号已绑定其他设备，继续绑定将解除原设备的绑定，是否继续？"),
                 {QStringLiteral("取消"), QStringLiteral("确定")});
         }});
    // A bound account, the stored Pellin answer (no service is asked) and the
    // corrected clock at that fraction of the period.
    const auto code = [](bool hidePellin, double fraction) -> Stage {
        return [hidePellin, fraction](PXWindow &w) {
            static PXServiceOverride offline(QUrl(QStringLiteral("http://127.0.0.1:1")));
            PXAuth &auth = PXAuth::sharedAuth();
            const QString phone = QStringLiteral("13800138000");
            if (!auth.authURL())
                auth.setAuthURL(phone + QStringLiteral(",Ab3dE9,") + auth.getUUID(), phone);
            UserDefaults::standardUserDefaults().setBool(hidePellin,
                                                         PXCodeController::hidePellinKey);
            Clock::setFixedTime(std::floor(Clock::now() / 180) * 180 + fraction * 180);
            install(w, new PXCodeController);
        };
    };
    shots.append({"code", code(false, 0.3)});
    shots.append({"code-one-tile", code(true, 0.3)});
    shots.append({"code-clock-late", code(false, 0.95)});
    shots.append({"code-copied", [code](PXWindow &w) {
                      code(false, 0.3)(w);
                      // Once the screen is shown and its row exists.
                      QTimer::singleShot(0, &w, [&w] {
                          const auto screens = w.rootViewController()->viewControllers();
                          auto *screen = qobject_cast<PXCodeController *>(screens.first());
                          if (screen && screen->codeCell())
                              screen->codeCell()->copyCode();
                      });
                  }});
    // The gesture lock over a screen's content area; nodes is drawn (and left
    // drawn) once the screen is laid out; a stored password means verify mode.
    const auto gesture = [](const QString &password, const QList<int> &nodes) -> Stage {
        return [password, nodes](PXWindow &w) {
            PXPasswordVM::sharedPasswordVM()->setPassword(password, password);
            auto *host = new GestureHost;
            install(w, host);
            w.show();
            QCoreApplication::processEvents();
            PXGestureView *pad = host->gesture()->gestureView();
            if (nodes.isEmpty())
                pad->setFocus(); // as a keyboard user finds it
            for (int node : nodes)
                pad->touchesMoved(pad->codeArray().at(node)->frame().center());
            pad->touchesEnded();
        };
    };
    shots.append({"gesture-set", gesture({}, {})});
    shots.append({"gesture-accepted", gesture("03678", {0, 3, 6, 7, 8})});
    shots.append({"gesture-rejected", gesture("03678", {2, 4, 6, 7})});
    shots.append({"gesture-frozen", [gesture](PXWindow &w) {
                      UserDefaults &defaults = UserDefaults::standardUserDefaults();
                      defaults.setDouble(Clock::now() - 150, PXTimerInstance::limitBeganTimeKey);
                      defaults.setObject(0, PXGestureIDView::limitCountKey);
                      gesture("03678", {})(w);
                  }});
    shots.append({"touchid-prompting", touchID(true, std::nullopt)});
    shots.append({"touchid-failed", touchID(true, LocalAuthentication::AuthenticationFailed)});
    shots.append({"touchid-unsupported", touchID(false, std::nullopt)});
    // No freeze left by the shots before; the lock kinds stored, fingerprint first.
    const auto withLocks = [](const QString &locks, const Stage &stage) -> Stage {
        return [locks, stage](PXWindow &w) {
            PXTimerInstance::shareInstance()->stopTimer();
            UserDefaults::standardUserDefaults().removeObjectForKey(
                PXTimerInstance::limitBeganTimeKey);
            UserDefaults::standardUserDefaults().removeObjectForKey(PXGestureIDView::limitCountKey);
            const auto &list = PXParamModel::sharedParamModel()->loginTypes();
            for (int i = 0; i < list.size(); ++i)
                list.at(i)->setValue(locks.at(i) == u'1');
            stage(w);
        };
    };
    const auto manage = [withLocks](qint64 type) -> Stage {
        return withLocks("00", [type](PXWindow &w) {
            auto *screen = new PXManageController;
            screen->setType(type);
            screen->setValue(true);
            install(w, screen);
        });
    };
    shots.append({"settings", withLocks("01", plain<PXSettingController>())});
    shots.append({"manage-gesture", manage(PXLoginModel::gestureType)});
    shots.append({"manage-fingerprint", manage(PXLoginModel::fingerprintType)});
    shots.append({"lock-gesture", withLocks("01", plain<PXLoginController>())});
    shots.append({"lock-fingerprint", withLocks("10", plain<PXLoginController>())});
    shots.append({"reverification", withLocks("01", [](PXWindow &w) {
                      auto *host = new PXLoginController;
                      install(w, host);
                      host->forgetGestureID();
                  })});
    return shots;
}

QImage render(QWidget *widget)
{
    QImage image(widget->size() * pixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(pixelRatio);
    image.fill(Qt::transparent);
    widget->render(&image);
    return image;
}

int distinctColours(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7)
            colours.insert(image.pixel(x, y));
    return int(colours.size());
}

} // namespace

namespace {

bool chineseFontUsable()
{
    if (!PXFont::hasChineseFont()) {
        qCritical("No installed font can draw Chinese: the screens would show empty boxes. "
                  "Install fonts-wqy-microhei (scripts/bootstrap does) or another CJK font.");
        return false;
    }
    const QFontMetrics metrics(PXFont::fontWithSize(16));
    for (QChar c : QStringLiteral("提示确定取消返回设置绑定手机号")) {
        if (!metrics.inFont(c)) {
            qCritical().noquote() << "no glyph for" << c << "in" << PXFont::familyName();
            return false;
        }
    }
    return true;
}

void closeDialogs()
{
    while (QWidget *box = openMessageBox())
        box->close();
    PXModalPresenter::clear();
}

bool shoot(const Shot &shot, const QDir &out)
{
    PXWindow window;
    shot.stage(window);
    window.show();
    QTest::qWait(50); // let queued layout and appearance work run
    // Alerts and sheets are drawn inside the window, so they are in the image.
    const QImage image = render(&window);
    closeDialogs();
    if (image.size() != QSize(375, 667) * pixelRatio || distinctColours(image) <= 2) {
        qCritical().noquote() << shot.name << "rendered blank or at the wrong size";
        return false;
    }
    const QString path = out.filePath(shot.name + ".png");
    if (!image.save(path)) {
        qCritical().noquote() << "cannot write" << path;
        return false;
    }
    qInfo().noquote() << "wrote" << path;
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    // Screens read stores; keep them away from the user's own.
    QTemporaryDir data;
    if (!data.isValid())
        return 1;
    qputenv("KELVO_DATA_DIR", data.path().toLocal8Bit());
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QDir out(args.size() > 1 ? args.at(1) : QStringLiteral("screenshots"));
    if (!out.mkpath(".") || !chineseFontUsable())
        return 1;
    int failed = 0;
    for (const Shot &shot : screens())
        failed += shoot(shot, out) ? 0 : 1;
    return failed == 0 ? 0 : 1;
}
