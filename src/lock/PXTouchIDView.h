#pragma once

#include "PXBaseView.h"
#include "PXLockResult.h"
#include "PXTouchID.h"

#include <memory>

class LocalAuthentication;
class QLabel;
class QPushButton;

// The host of a fingerprint lock screen: told the lock result,
// PXLockResultVerified or PXLockResultVerifyFailed.
class PXTouchIDViewDelegate
{
public:
    virtual ~PXTouchIDViewDelegate() = default;
    virtual void touchIDResult(qint64 result) = 0;
};

// The fingerprint lock screen: the fingerprint button over a status line,
// and on the lock host (password handle 2) "切换其他账号" at the bottom. An
// authentication starts as soon as the view exists; a tap on the fingerprint
// starts another. Success turns the line grey and tells the host 3, failure
// turns it red and tells 4; without a usable reader the line turns red and an
// alert explains how to add a finger (the host is not told).
class PXTouchIDView : public PXBaseView, private PXTouchIDDelegate
{
    Q_OBJECT
public:
    static constexpr qint64 lockHostHandle = 2;

    // ctx: the local authentication to use; the desktop's own when null.
    explicit PXTouchIDView(QWidget *parent = nullptr,
                           std::unique_ptr<LocalAuthentication> ctx = {});
    ~PXTouchIDView() override;

    PXTouchIDViewDelegate *delegate() const { return m_delegate; }
    void setDelegate(PXTouchIDViewDelegate *delegate) { m_delegate = delegate; }
    qint64 passwordHandle() const { return m_passwordHandle; }
    void setPasswordHandle(qint64 handle);

    void authTouchID();

    QLabel *label() const { return m_label; }
    QPushButton *fingerprintButton() const { return m_fingerprint; }
    QPushButton *switchAccountButton() const { return m_switchAccount; }

    static QColor grey();
    static QColor red();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void touchIDNotSupport(const QString &message) override;
    void touchIDAuthSuccess(const QString &message) override;
    void touchIDAuthFailure(const QString &message) override;
    void showStatus(const QString &message, const QColor &colour);
    void addActionSheet();

    PXTouchIDViewDelegate *m_delegate = nullptr; // not owned
    qint64 m_passwordHandle = 0;
    QPushButton *m_fingerprint;
    QLabel *m_label;
    QPushButton *m_switchAccount = nullptr;
    std::shared_ptr<PXTouchID> m_touchid;
};
