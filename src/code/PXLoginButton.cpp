#include "PXLoginButton.h"

#include "CodeResources.h"
#include "PXColor.h"
#include "PXFont.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <cmath>

namespace {
constexpr int imageTop = 10;
constexpr int captionHeight = 20;
} // namespace

PXLoginButton::PXLoginButton(const QString &imageName, const QString &text, double imageWidth,
                             QWidget *parent)
    : QAbstractButton(parent)
    , m_imageWidth(imageWidth)
    , m_imageButton(new QPushButton(this))
    , m_caption(new QLabel(text, this))
{
    CodeResources::load();
    setText(text);
    setAccessibleName(text);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);

    // The tile takes the keyboard; the image only takes taps.
    m_imageButton->setFocusPolicy(Qt::NoFocus);
    m_imageButton->setAccessibleName(text);
    m_imageButton->setFlat(true);
    m_imageButton->setStyleSheet(
        QStringLiteral("QPushButton { border: none; border-image: url(:/%1); }").arg(imageName));
    connect(m_imageButton, &QPushButton::clicked, this, &PXLoginButton::imageClicked);

    m_caption->setFont(PXFont::fontWithSize(14));
    m_caption->setAlignment(Qt::AlignCenter);
    m_caption->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void PXLoginButton::imageClicked()
{
    if (m_delegate)
        m_delegate->loginButtonClicked(m_loginPort);
}

void PXLoginButton::resizeEvent(QResizeEvent *event)
{
    QAbstractButton::resizeEvent(event);
    const int side = int(std::lround(m_imageWidth));
    m_imageButton->setGeometry((width() - side) / 2, imageTop, side, side);
    m_caption->setGeometry(0, height() - captionHeight, width(), captionHeight);
}

// Clear apart from the keyboard focus ring.
void PXLoginButton::paintEvent(QPaintEvent *)
{
    if (!hasFocus())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(PXColor::accent(), 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 8, 8);
}
