#include "OTPCountdownClock.h"

#include "Clock.h"
#include "CodeResources.h"
#include "OTPOffsetSource.h"
#include "PXColor.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <cmath>
#include <numbers>

namespace {

constexpr double lastEighth = 0.875;

QColor withOpacity(QColor colour, double opacity)
{
    colour.setAlphaF(float(opacity));
    return colour;
}

QRectF square(const QPointF &centre, double radius)
{
    return {centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius};
}

// A circle as two half arcs, as the rim is specified.
QPainterPath circle(const QPointF &centre, double radius)
{
    const QRectF box = square(centre, radius);
    QPainterPath path;
    path.arcMoveTo(box, 0);
    path.arcTo(box, 0, 180);
    path.arcTo(box, 180, 180);
    return path;
}

} // namespace

OTPCountdownClock::Face OTPCountdownClock::faceAt(const QSizeF &size, double correctedNow,
                                                  double period)
{
    Face face;
    if (period > 0 && std::isfinite(correctedNow)) {
        const double elapsed = std::fmod(correctedNow, period);
        face.fraction = (elapsed < 0 ? elapsed + period : elapsed) / period;
        face.secondsLeft = int(std::ceil(period - face.fraction * period));
    }
    face.angle = 2 * std::numbers::pi * face.fraction - std::numbers::pi / 2;
    face.centre = QPointF(size.width() / 2, size.height() / 2);
    face.radius = face.centre.y() - 4;
    face.remainingDegrees = 360.0 * (1.0 - face.fraction);
    if (face.fraction > lastEighth) {
        face.overlayOpacity = (face.fraction - lastEighth) * 8 * 0.5;
        face.strokeOpacity = (face.fraction - lastEighth) * 8;
    }
    face.handEnd = face.centre
        + QPointF(face.radius * std::cos(face.angle), face.radius * std::sin(face.angle));
    return face;
}

OTPCountdownClock::OTPCountdownClock(const QRect &frame, double period, QWidget *parent)
    : QWidget(parent)
    , m_period(period)
{
    CodeResources::load();
    setGeometry(frame);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAccessibleName(QStringLiteral("倒计时"));

    startRedrawTimer();
    redraw();
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::applicationStateChanged, this,
                &OTPCountdownClock::applicationStateChanged);
}

void OTPCountdownClock::setPeriod(double period)
{
    m_period = period;
    redraw();
}

bool OTPCountdownClock::isTicking() const
{
    return m_timer && m_timer->isActive();
}

OTPCountdownClock::Face OTPCountdownClock::face() const
{
    return faceAt(size(), Clock::now() + OTPOffsetSource::offset(), m_period);
}

// Nothing moves while the app is in the background, so nothing needs to wake
// it: the timer stops, and a fresh one starts with an immediate redraw.
void OTPCountdownClock::applicationStateChanged(Qt::ApplicationState state)
{
    if (state != Qt::ApplicationActive) {
        delete m_timer;
        m_timer = nullptr;
        return;
    }
    if (isTicking())
        return;
    startRedrawTimer();
    redraw();
}

void OTPCountdownClock::startRedrawTimer()
{
    delete m_timer;
    m_timer = new QTimer(this);
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &OTPCountdownClock::redraw);
    m_timer->start();
}

void OTPCountdownClock::redraw()
{
    setAccessibleDescription(QStringLiteral("剩余%1秒").arg(face().secondsLeft));
    update();
}

// The tile is drawn for ratio 2. Tiling it on every redraw runs the raster
// engine's texture fill, which splits the work across worker threads and
// wakes the app a dozen more times each second; so the tiled background is
// built once per size and pixel ratio and then only copied.
const QPixmap &OTPCountdownClock::background(qreal ratio)
{
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (m_background.size() != pixels || m_background.devicePixelRatio() != ratio) {
        const QImage source(QStringLiteral(":/bg.png"));
        QPixmap tile = QPixmap::fromImage(source.scaled(
            source.size() * ratio / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        tile.setDevicePixelRatio(ratio);
        m_background = QPixmap(pixels);
        m_background.setDevicePixelRatio(ratio);
        m_background.fill(Qt::transparent);
        QPainter(&m_background).drawTiledPixmap(rect(), tile);
    }
    return m_background;
}

void OTPCountdownClock::paintEvent(QPaintEvent *)
{
    const Face f = face();
    const QColor blue = PXColor::codeBlue();
    QPainter painter(this);
    painter.drawPixmap(0, 0, background(painter.device()->devicePixelRatioF()));
    painter.setRenderHint(QPainter::Antialiasing);

    QPainterPath sector(f.centre);
    sector.arcTo(square(f.centre, f.radius), 90, f.remainingDegrees);
    sector.closeSubpath();
    painter.fillPath(sector, withOpacity(blue, 0.2));
    if (f.overlayOpacity > 0)
        painter.fillPath(sector, withOpacity(Qt::red, f.overlayOpacity));

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(blue, 1));
    painter.drawPath(circle(f.centre, f.radius - 0.25));
    painter.drawPath(circle(f.centre, f.radius));
    painter.setPen(QPen(withOpacity(blue, f.strokeOpacity), 1, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(f.centre, f.handEnd);
}
