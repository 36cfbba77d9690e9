#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QTimer;
class UserDefaults;

// Told how the freeze countdown goes. Every operation is optional.
class PXTimerProtocol
{
public:
    virtual ~PXTimerProtocol() = default;
    virtual void timerDidStart() { }
    virtual void timerDidStop() { }
    virtual void timerDidChangedWithMin(qint64 min) { Q_UNUSED(min); }
};

// The process-wide minute countdown of a gesture freeze. The freeze's start
// is kept in the user defaults, so any screen (also after a restart) picks a
// running freeze up again from there.
class PXTimerInstance : public QObject
{
    Q_OBJECT
public:
    static inline const QString limitBeganTimeKey = QStringLiteral("com.ostrel.limitbegantime");
    static constexpr int freezeMinutes = 30;
    static constexpr int tickMilliseconds = 60 * 1000;

    static PXTimerInstance *shareInstance();

    // The shared instance reads the standard defaults; tests pass their own.
    explicit PXTimerInstance(UserDefaults &defaults, QObject *parent = nullptr);
    ~PXTimerInstance() override;

    // Held weakly: a delegate that is a QObject is forgotten when it is
    // destroyed, and the countdown goes on for the next one.
    PXTimerProtocol *delegate() const;
    void setDelegate(PXTimerProtocol *delegate);

    int min() const { return m_min; }
    bool isRunning() const { return m_timer != nullptr; }
    // The running tick, null when idle.
    QTimer *timer() const { return m_timer; }

    // Minutes left of a freeze that began at begin, seen at now; below 1 when
    // it is over.
    static int minutesLeft(double begin, double now);

    void startTimer();
    void timing();
    void stopTimer();

private:
    UserDefaults &m_defaults;
    PXTimerProtocol *m_delegate = nullptr;
    // Set when the delegate is a QObject: it then counts only while it lives.
    QPointer<QObject> m_delegateObject;
    bool m_delegateIsObject = false;
    int m_min = 0;
    // Owned by the application object, so a countdown running at exit ends
    // with the event loop rather than after it.
    QPointer<QTimer> m_timer;
};
