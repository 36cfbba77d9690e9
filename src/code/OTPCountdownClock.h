#pragma once

#include <QPixmap>
#include <QPointF>
#include <QRectF>
#include <QWidget>

class QTimer;

// The circular countdown of the code's period: the part of the period still
// to run as a sector from 12 o'clock, a rim and a hand, red-tinted in the
// last eighth. It redraws once a second while the app is active; its
// accessible description is the number of seconds left.
class OTPCountdownClock : public QWidget
{
    Q_OBJECT
public:
    // Everything the painter draws, for one moment.
    struct Face
    {
        double fraction = 0; // elapsed part of the period, [0, 1)
        double angle = 0; // of the hand, radians, y down: 2*pi*fraction - pi/2
        QPointF centre;
        double radius = 0;
        double remainingDegrees = 0; // the sector, counter-clockwise from 12 o'clock
        double overlayOpacity = 0; // of the red sector; 0 means none
        double strokeOpacity = 1; // of the hand
        QPointF handEnd;
        int secondsLeft = 0;
    };
    static Face faceAt(const QSizeF &size, double correctedNow, double period);

    OTPCountdownClock(const QRect &frame, double period, QWidget *parent = nullptr);

    double period() const { return m_period; }
    void setPeriod(double period);
    bool isTicking() const;
    // The face for the corrected clock now.
    Face face() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void applicationStateChanged(Qt::ApplicationState state);
    void startRedrawTimer();
    void redraw();
    const QPixmap &background(qreal ratio);

    double m_period;
    QTimer *m_timer = nullptr;
    QPixmap m_background;
};
