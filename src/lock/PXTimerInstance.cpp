#include "PXTimerInstance.h"

#include "Clock.h"
#include "UserDefaults.h"

#include <QCoreApplication>
#include <QTimer>
#include <cmath>

PXTimerInstance *PXTimerInstance::shareInstance()
{
    static PXTimerInstance instance(UserDefaults::standardUserDefaults());
    return &instance;
}

PXTimerInstance::PXTimerInstance(UserDefaults &defaults, QObject *parent)
    : QObject(parent)
    , m_defaults(defaults)
{ }

PXTimerInstance::~PXTimerInstance()
{
    delete m_timer;
}

PXTimerProtocol *PXTimerInstance::delegate() const
{
    return m_delegateIsObject && !m_delegateObject ? nullptr : m_delegate;
}

void PXTimerInstance::setDelegate(PXTimerProtocol *delegate)
{
    m_delegate = delegate;
    m_delegateObject = dynamic_cast<QObject *>(delegate);
    m_delegateIsObject = m_delegateObject != nullptr;
}

int PXTimerInstance::minutesLeft(double begin, double now)
{
    // Whole minutes gone, counted in single precision as the stored freezes
    // always were.
    const float gone = std::floor(float((now - begin) / 60.0));
    const float left = float(freezeMinutes) - gone;
    if (!(left >= 1.0f))
        return 0;
    // A clock set back after the freeze began would otherwise stretch it.
    return int(std::min(left, float(freezeMinutes)));
}

void PXTimerInstance::startTimer()
{
    const double begin = m_defaults.doubleForKey(limitBeganTimeKey);
    m_min = minutesLeft(begin, Clock::now());
    if (m_min < 1) {
        stopTimer();
        return;
    }
    if (!m_timer) {
        m_timer = new QTimer(QCoreApplication::instance());
        m_timer->setInterval(tickMilliseconds);
        connect(m_timer, &QTimer::timeout, this, &PXTimerInstance::timing);
        m_timer->start();
    }
    if (PXTimerProtocol *d = delegate())
        d->timerDidChangedWithMin(m_min);
    if (PXTimerProtocol *d = delegate())
        d->timerDidStart();
}

void PXTimerInstance::timing()
{
    const int old = m_min;
    m_min = old - 1;
    if (old < 2) {
        stopTimer();
        return;
    }
    if (PXTimerProtocol *d = delegate())
        d->timerDidChangedWithMin(m_min);
}

void PXTimerInstance::stopTimer()
{
    if (m_timer) {
        // This may run inside the timer's own tick.
        m_timer->stop();
        m_timer->deleteLater();
        m_timer = nullptr;
        m_min = 0;
    }
    if (PXTimerProtocol *d = delegate())
        d->timerDidStop();
}
