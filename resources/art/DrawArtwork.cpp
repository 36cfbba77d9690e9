// Draws the code screen's artwork into the folder given as the only argument
// (resources/ when run from the build of this folder):
//   bg.png           faint dots on clear, tiled behind the countdown clock (20 points)
//   Kelvom.png       the web-login tile: a globe on the accent colour
//   KelvoPellin.png  the partner-app tile: a speech bubble on the code colour
//   fingerprint.png  the fingerprint lock's button: ridges in the accent colour (80 points)
// Every image is drawn at twice its size in points, for sharp high-density
// screens. Regenerate with:
//   cmake -S resources/art -B /tmp/art && cmake --build /tmp/art && /tmp/art/draw-artwork resources

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <functional>

namespace {

constexpr int scale = 2;

QImage canvas(int points)
{
    QImage image(points * scale, points * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void begin(QPainter &p, QImage &image)
{
    p.begin(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
}

QImage tile()
{
    QImage image = canvas(20);
    QPainter p;
    begin(p, image);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x44, 0xC0, 0xFE, 40));
    p.drawEllipse(QPointF(5, 5), 0.9, 0.9);
    p.drawEllipse(QPointF(15, 15), 0.9, 0.9);
    return image;
}

constexpr double iconSide = 72;

// A rounded square in colour with a soft top-to-bottom shade, and the
// picture drawn over it in white.
QImage icon(const QColor &colour, const std::function<void(QPainter &)> &picture)
{
    QImage image = canvas(int(iconSide));
    QPainter p;
    begin(p, image);
    QLinearGradient shade(0, 0, 0, iconSide);
    shade.setColorAt(0, colour.lighter(112));
    shade.setColorAt(1, colour);
    p.setPen(Qt::NoPen);
    p.setBrush(shade);
    p.drawRoundedRect(QRectF(0, 0, iconSide, iconSide), iconSide * 0.22, iconSide * 0.22);
    picture(p);
    return image;
}

void globe(QPainter &p)
{
    const QPointF c(iconSide / 2, iconSide / 2);
    const double r = iconSide * 0.3;
    p.setPen(QPen(Qt::white, 2.6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, r, r);
    p.drawEllipse(c, r * 0.45, r);
    p.drawLine(QPointF(c.x(), c.y() - r), QPointF(c.x(), c.y() + r));
    p.drawLine(QPointF(c.x() - r, c.y()), QPointF(c.x() + r, c.y()));
    const double h = r * 0.55;
    const double w = std::sqrt(r * r - h * h);
    p.drawLine(QPointF(c.x() - w, c.y() - h), QPointF(c.x() + w, c.y() - h));
    p.drawLine(QPointF(c.x() - w, c.y() + h), QPointF(c.x() + w, c.y() + h));
}

const QColor bubbleBlue(0x2A, 0xA8, 0xEC);

void bubble(QPainter &p)
{
    QPainterPath shape;
    shape.addRoundedRect(QRectF(16, 18, 40, 28), 9, 9);
    QPainterPath tail;
    tail.moveTo(24, 42);
    tail.lineTo(22, 55);
    tail.lineTo(36, 44);
    tail.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(shape.united(tail));
    p.setBrush(bubbleBlue);
    for (double x : {27.0, 36.0, 45.0})
        p.drawEllipse(QPointF(x, 32), 3, 3);
}

// Ridges as nested loops open at the bottom, each broken once, inside a thin
// ring.
QImage fingerprint()
{
    constexpr double side = 80;
    QImage image = canvas(int(side));
    QPainter p;
    begin(p, image);
    const QColor accent(0xFE, 0x59, 0x00);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(accent, 1.5));
    p.drawEllipse(QRectF(1, 1, side - 2, side - 2));
    p.setPen(QPen(accent, 2.2, Qt::SolidLine, Qt::RoundCap));
    const QPointF c(side / 2, side / 2 + 1);
    for (int i = 0; i < 7; ++i) {
        const double rx = 3 + 4.1 * i;
        const double ry = 4 + 4.7 * i;
        const QRectF box(c.x() - rx, c.y() - ry, 2 * rx, 2 * ry);
        // Angles in degrees, counter-clockwise from three o'clock; Qt wants sixteenths.
        const int from = -62 + 5 * i;
        const int to = 242 - 7 * i;
        const int gapAt = 20 + 37 * i % 150;
        p.drawArc(box, from * 16, (gapAt - 7 - from) * 16);
        p.drawArc(box, (gapAt + 7) * 16, (to - gapAt - 7) * 16);
    }
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    const bool ok = tile().save(out.filePath(QStringLiteral("bg.png")))
        && icon(QColor(0xFE, 0x59, 0x00), globe).save(out.filePath(QStringLiteral("Kelvom.png")))
        && icon(bubbleBlue, bubble).save(out.filePath(QStringLiteral("KelvoPellin.png")))
        && fingerprint().save(out.filePath(QStringLiteral("fingerprint.png")));
    return ok ? 0 : 1;
}
