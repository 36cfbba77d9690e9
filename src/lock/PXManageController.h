#pragma once

#include "PXBaseController.h"
#include "PXGestureIDView.h"
#include "PXTouchIDView.h"

#include <QPointer>

// Confirms one change of a lock switch: the fingerprint is read, or the
// pattern drawn (set, verified or changed). Only a confirmed change is
// stored: the chosen kind gets the asked-for state, every other kind is
// switched off, and the whole list is written. Leaving by the back button
// stores nothing.
class PXManageController : public PXBaseController,
                           public PXGestureIDViewDelegate,
                           public PXTouchIDViewDelegate
{
    Q_OBJECT
public:
    // How long "设置成功" stays before the screen closes after a new pattern.
    static constexpr int setSuccessMilliseconds = 2000;

    explicit PXManageController(QWidget *parent = nullptr);

    qint64 type() const { return m_type; }
    // Builds the content: the gesture lock (2) or the fingerprint lock (1).
    void setType(qint64 type);
    bool value() const { return m_value; }
    void setValue(bool value) { m_value = value; }
    // The lock view over the content frame, or null.
    QWidget *lockView() const { return m_lockView; }

    // Stores the confirmed change.
    void setLoginType();

    void viewDidLoad() override;
    void clickLeftBarButton() override;

    void touchIDResult(qint64 result) override;
    void gestureIDResult(qint64 result) override;
    void didClickModifyGesturePassword() override;
    void cannotModifyGesturePassword() override;
    void forgetGestureID() override;
    void changeAccount() override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void disableBack();
    void closeAfterSuccess();

    qint64 m_type = 0;
    bool m_value = false;
    bool m_closing = false;
    QPointer<QWidget> m_lockView;
};
