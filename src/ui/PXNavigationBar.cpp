#include "PXNavigationBar.h"

#include "PXBackArrowButton.h"
#include "PXColor.h"
#include "PXFont.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace {
constexpr int sideMargin = 8;
constexpr int itemWidth = 40;
constexpr int itemHeight = 30;
} // namespace

PXNavigationBar::PXNavigationBar(QWidget *parent)
    : QWidget(parent)
    , m_tint(PXColor::accent())
    , m_titleLabel(new QLabel(this))
    , m_back(new PXBackArrowButton(this))
{
    setFixedHeight(44);
    m_titleLabel->setAlignment(Qt::AlignCenter);
    m_titleLabel->setFont(PXFont::fontWithSize(18));
    setTitleColor(Qt::white);
    m_back->hide();
    connect(m_back, &QPushButton::clicked, this, &PXNavigationBar::backClicked);
}

void PXNavigationBar::setBarTintColor(const QColor &color)
{
    m_tint = color;
    update();
}

void PXNavigationBar::setTitleFont(const QFont &font)
{
    m_titleLabel->setFont(font);
}

void PXNavigationBar::setTitleColor(const QColor &color)
{
    QPalette pal = m_titleLabel->palette();
    pal.setColor(QPalette::WindowText, color);
    m_titleLabel->setPalette(pal);
}

void PXNavigationBar::setTitle(const QString &title)
{
    m_titleLabel->setText(title);
}

QString PXNavigationBar::title() const
{
    return m_titleLabel->text();
}

void PXNavigationBar::returnItem(QPushButton *item, QPushButton *keepLeft, QPushButton *keepRight)
{
    if (!item || item == keepLeft || item == keepRight)
        return;
    item->hide();
    if (m_owner)
        item->setParent(m_owner);
}

void PXNavigationBar::setItems(QWidget *owner, QPushButton *left, QPushButton *right,
                               bool showsBackButton)
{
    returnItem(m_left, left, right);
    returnItem(m_right, left, right);
    m_owner = owner;
    m_left = left;
    m_right = right;
    for (QPushButton *item : {left, right}) {
        if (item) {
            item->setParent(this);
            item->show();
        }
    }
    m_back->setVisible(showsBackButton);
    layoutItems();
}

void PXNavigationBar::layoutItems()
{
    const int y = (height() - itemHeight) / 2;
    const QRect leftRect(sideMargin, y, itemWidth, itemHeight);
    const QRect rightRect(width() - sideMargin - itemWidth, y, itemWidth, itemHeight);
    m_back->setGeometry(leftRect);
    if (m_left)
        m_left->setGeometry(leftRect);
    if (m_right)
        m_right->setGeometry(rightRect);
    const int inset = sideMargin + itemWidth + 4;
    m_titleLabel->setGeometry(inset, 0, qMax(0, width() - 2 * inset), height());
}

void PXNavigationBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutItems();
}

void PXNavigationBar::paintEvent(QPaintEvent *)
{
    QPainter(this).fillRect(rect(), m_tint);
}
