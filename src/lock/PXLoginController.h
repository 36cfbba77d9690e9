#pragma once

#include "PXBaseController.h"
#include "PXCodeIDViewDelegate.h"
#include "PXGestureIDView.h"
#include "PXTouchIDView.h"

#include <QPointer>

class PXFilePathVM;
class PXParamModel;

// The lock host shown at launch while an app lock is on: the gesture lock or
// the fingerprint lock by the configured lock type. A set or verified result
// opens the app; a forgotten pattern is replaced in place by re-verification
// with a message code; "切换其他账号" leads to binding.
class PXLoginController : public PXBaseController,
                          public PXGestureIDViewDelegate,
                          public PXTouchIDViewDelegate,
                          public PXCodeIDViewDelegate
{
    Q_OBJECT
public:
    explicit PXLoginController(QWidget *parent = nullptr);
    ~PXLoginController() override;

    // The lock this host shows, 0 for none: the one answer the window's root
    // choice and the console's refusal both go by.
    static qint64 lockToShow(PXParamModel &param);

    void viewDidLoad() override;

    // The view shown now (a lock or re-verification), or null.
    QWidget *lockView() const { return m_lockView; }
    PXFilePathVM *filePathVM() const { return m_filePathVM.get(); }

    void touchIDResult(qint64 result) override;
    void gestureIDResult(qint64 result) override;
    void codeIDResult(qint64 result) override;
    void forgetGestureID() override;
    void changeAccount() override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void loadingView();
    void lockResult(qint64 result);
    void show(QWidget *view);

    std::unique_ptr<PXFilePathVM> m_filePathVM;
    QPointer<QWidget> m_lockView;
};
