#pragma once

#include <QAccessible>
#include <QList>
#include <QWidget>

class QPainter;
class QPushButton;

// What the alert and the action sheet share: a layer over the whole window
// that dims it and swallows its taps, text buttons in the accent colour, one
// answer (the index of a button) after which the layer removes itself, and
// the keyboard kept while it is up: Tab cycles its buttons, Enter presses the
// focused one (the last when it appears), Escape gives escapeIndex().
class PXModalOverlay : public QWidget
{
    Q_OBJECT
public:
    static constexpr double cornerRadius = 13;

    void present();
    QList<QPushButton *> buttons() const { return m_buttons; }

    // The role assistive technology announces the layer with.
    virtual QAccessible::Role accessibleRole() const = 0;

Q_SIGNALS:
    void chosen(int index);

protected:
    explicit PXModalOverlay(QWidget *window);

    // roundedCorners: Qt::Corner values as bits (1 << corner); the focus fill
    // is rounded there, so it follows the outline of the card under it.
    QPushButton *addButton(const QString &title, int roundedCorners, bool bold = false);
    void choose(int index);
    virtual int escapeIndex() const = 0;
    void paintBackdrop(QPainter &painter) const;

    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool focusNextPrevChild(bool next) override;

    static constexpr int allCorners = 0xf;

private:
    QList<QPushButton *> m_buttons;
    bool m_done = false;
};
