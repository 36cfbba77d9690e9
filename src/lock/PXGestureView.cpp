#include "PXGestureView.h"

#include "PXCodeView.h"
#include "PXColor.h"
#include "PXPasswordVM.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QTouchEvent>
#include <algorithm>

namespace {

constexpr int nodeCount = 9;

// The node a keypad digit draws: 7 8 9 is the top row.
int numberForDigit(int digit)
{
    const int row = 2 - (digit - 1) / 3;
    return row * 3 + (digit - 1) % 3;
}

// A node's square holds its top and left edges but not its bottom and right
// ones.
bool holds(const QRectF &frame, const QPointF &point)
{
    return point.x() >= frame.left() && point.x() < frame.right() && point.y() >= frame.top()
        && point.y() < frame.bottom();
}

} // namespace

PXGestureView::PXGestureView(QWidget *parent)
    : PXBaseView(parent)
    , m_passwordVM(PXPasswordVM::sharedPasswordVM())
{
    setAttribute(Qt::WA_AcceptTouchEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::StrongFocus);
}

void PXGestureView::setWidth(double width)
{
    m_width = width;
    const double side = width / 4;
    const double step = 3 * width / 8;
    for (PXCodeView *code : codeArray()) {
        const int column = code->number() % 3;
        const int row = code->number() / 3;
        code->setFrame(QRectF(column * step, row * step, side, side));
    }
    update();
}

const QList<PXCodeView *> &PXGestureView::codeArray()
{
    if (m_codeArray.isEmpty()) {
        for (int number = 0; number < nodeCount; ++number) {
            auto *code = new PXCodeView(number, this);
            code->show();
            m_codeArray.append(code);
        }
    }
    return m_codeArray;
}

bool PXGestureView::isSelected(const PXCodeView *code) const
{
    return std::any_of(m_selectedCodes.cbegin(), m_selectedCodes.cend(),
                       [code](const PXCodeView *c) { return c->number() == code->number(); });
}

QString PXGestureView::getPassword() const
{
    QString password;
    for (const PXCodeView *code : m_selectedCodes)
        password += QString::number(uint(code->number()));
    return password;
}

bool PXGestureView::handlePassword(const QString &password)
{
    if (password.isEmpty())
        return true;
    QTimer::singleShot(resetMilliseconds, this, &PXGestureView::disGesture);
    if (m_passwordHandle == PXPasswordHandleSet) {
        if (m_oldPassword.isNull()) {
            m_oldPassword = password;
            if (m_delegate)
                m_delegate->handlePasswordResult(PXLockResultPatternRecorded);
            return true;
        }
        // A mismatch keeps the first drawing: the next one is compared with it again.
        const bool ok = m_passwordVM->setPassword(m_oldPassword, password);
        if (m_delegate)
            m_delegate->handlePasswordResult(ok ? PXLockResultPasswordSet
                                                : PXLockResultPatternMismatch);
        return ok;
    }
    if (m_passwordHandle == PXPasswordHandleVerify) {
        const bool ok = m_passwordVM->verifyPassword(password);
        if (m_delegate)
            m_delegate->handlePasswordResult(ok ? PXLockResultVerified : PXLockResultVerifyFailed);
        return ok;
    }
    return true;
}

void PXGestureView::disGesture()
{
    m_success = true;
    m_selectedCodes.clear();
    update();
    for (PXCodeView *code : codeArray())
        code->setSelected(false);
}

PXCodeView *PXGestureView::hitTest(const QPointF &point)
{
    for (PXCodeView *code : codeArray()) {
        if (holds(code->frame(), point))
            return code;
    }
    return nullptr;
}

void PXGestureView::select(PXCodeView *code)
{
    code->setSelected(true);
    code->setSuccess(true);
    m_selectedCodes.append(code);
    update();
}

void PXGestureView::touchesBegan(const QPointF &point)
{
    if (PXCodeView *code = hitTest(point))
        select(code);
}

void PXGestureView::touchesMoved(const QPointF &point)
{
    PXCodeView *code = hitTest(point);
    if (code && !isSelected(code))
        select(code);
}

void PXGestureView::touchesEnded()
{
    m_keyStroke = false;
    const QString password = getPassword();
    m_success = handlePassword(password);
    for (PXCodeView *code : std::as_const(m_selectedCodes))
        code->setSuccess(m_success);
    update();
}

bool PXGestureView::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel: {
        // A touchpad's fingers are not on the pad; they move the pointer.
        auto *touch = static_cast<QTouchEvent *>(event);
        if (touch->device()->type() != QInputDevice::DeviceType::TouchScreen)
            return PXBaseView::event(event);
        touchEvent(touch);
        return true;
    }
    default:
        return PXBaseView::event(event);
    }
}

void PXGestureView::touchEvent(QTouchEvent *event)
{
    event->accept();
    // A cancelled sequence is simply dropped: what it selected stays selected
    // and joins the next drawing.
    if (event->type() == QEvent::TouchCancel || event->points().isEmpty())
        return;
    const QPointF point = event->points().constFirst().position();
    if (event->type() == QEvent::TouchBegin)
        touchesBegan(point);
    else if (event->type() == QEvent::TouchUpdate)
        touchesMoved(point);
    else
        touchesEnded();
}

void PXGestureView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    touchesBegan(event->position());
}

void PXGestureView::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        touchesMoved(event->position());
}

void PXGestureView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        touchesEnded();
}

void PXGestureView::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    // Digits with Ctrl, Alt or Meta are someone else's shortcuts.
    const bool plain = (event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) == 0;
    if (key >= Qt::Key_1 && key <= Qt::Key_9 && plain) {
        // The first key of a drawing is its press, the others its moves.
        PXCodeView *code = codeArray().at(numberForDigit(key - Qt::Key_0));
        if (!m_keyStroke || !isSelected(code))
            select(code);
        m_keyStroke = true;
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        touchesEnded();
    } else if (key == Qt::Key_Escape && (m_keyStroke || !m_selectedCodes.isEmpty())) {
        m_keyStroke = false;
        disGesture();
    } else {
        PXBaseView::keyPressEvent(event);
    }
}

void PXGestureView::focusInEvent(QFocusEvent *event)
{
    m_focusRing = event->reason() != Qt::MouseFocusReason;
    PXBaseView::focusInEvent(event);
}

void PXGestureView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (hasFocus() && m_focusRing) {
        // Keyboard users see where their digits go.
        QColor ring = PXColor::accent();
        ring.setAlphaF(0.4);
        p.setPen(QPen(ring, 1.0, Qt::DashLine));
        const double radius = m_width / 8;
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    }
    if (m_selectedCodes.size() < 2)
        return;
    QPainterPath path(m_selectedCodes.constFirst()->frame().center());
    for (qsizetype i = 1; i < m_selectedCodes.size(); ++i)
        path.lineTo(m_selectedCodes.at(i)->frame().center());
    QColor colour = m_success ? QColor(2, 174, 240) : QColor(208, 36, 36);
    colour.setAlphaF(0.7);
    QPen pen(colour, 5.0);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    p.setPen(pen);
    p.drawPath(path);
}
