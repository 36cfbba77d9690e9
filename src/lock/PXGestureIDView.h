#pragma once

#include "PXBaseView.h"
#include "PXGestureView.h"
#include "PXTimerInstance.h"

#include <QString>

class PXPasswordVM;
class QLabel;
class QPushButton;

// The host of a gesture lock screen. A host implements what it needs; the
// others are skipped.
class PXGestureIDViewDelegate
{
public:
    virtual ~PXGestureIDViewDelegate() = default;
    virtual void didClickModifyGesturePassword() { }
    virtual void cannotModifyGesturePassword() { }
    // PXLockResultPasswordSet or PXLockResultVerified.
    virtual void gestureIDResult(qint64 result) { Q_UNUSED(result); }
    virtual void changeAccount() { }
    virtual void forgetGestureID() { }
};

// The gesture lock screen: a prompt over the pad, and "密码管理" under it
// when a password exists. It sets a first password in two drawings, verifies
// the stored one, or changes it (the old pattern first). Five wrong patterns
// freeze it for 30 minutes; the attempts left and the freeze's start are
// stored, so neither a new screen nor a restart gives more attempts.
class PXGestureIDView : public PXBaseView, private PXGestureViewDelegate, public PXTimerProtocol
{
    Q_OBJECT
public:
    static inline const QString limitCountKey = QStringLiteral("com.ostrel.limitcount");
    static constexpr int attempts = 5;

    // Builds the screen and takes up a freeze that is still running.
    explicit PXGestureIDView(QWidget *parent = nullptr);

    PXGestureIDViewDelegate *delegate() const { return m_delegate; }
    void setDelegate(PXGestureIDViewDelegate *delegate) { m_delegate = delegate; }

    qint64 passwordHandle() const { return m_passwordHandle; }
    // Wrong patterns still allowed before a freeze.
    int count() const { return m_count; }
    QLabel *label() const { return m_label; }
    // Null when no password existed as the screen was built.
    QPushButton *manageBtn() const { return m_manageBtn; }
    PXGestureView *gestureView() const { return m_gestureView; }

    void addActionSheet();
    void actionSheetClickedButtonAtIndex(int index);
    // Starts a freeze now.
    void startTiming();

    void timerDidStart() override;
    void timerDidStop() override;
    void timerDidChangedWithMin(qint64 min) override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void handlePasswordResult(qint64 result) override;
    void wrongPattern();
    void setPrompt(const QString &text);
    void setPrompt(const QString &text, const QColor &colour);
    void setInputEnabled(bool enabled);
    void storeCount(int count, bool flush);

    PXGestureIDViewDelegate *m_delegate = nullptr; // not owned
    PXPasswordVM *m_passwordVM;
    qint64 m_passwordHandle;
    int m_count;
    QLabel *m_label;
    QPushButton *m_manageBtn = nullptr;
    PXGestureView *m_gestureView;
};
