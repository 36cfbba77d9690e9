#pragma once

#include <QList>
#include <QStringList>
#include <QWidget>

class QPushButton;

// A title-less sheet of buttons rising from the bottom of a window over a
// dimmed backdrop: the choices in one rounded group, the cancel button apart
// below them. It removes itself after a choice.
class PXActionSheet : public QWidget
{
    Q_OBJECT
public:
    PXActionSheet(const QStringList &buttons, const QString &cancelTitle, QWidget *window);

    void present();
    int cancelIndex() const { return int(m_buttons.size()) - 1; }
    QList<QPushButton *> buttons() const { return m_buttons; }

Q_SIGNALS:
    void chosen(int index);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void choose(int index);
    QRectF choicesRect() const;
    QRectF cancelRect() const;

    QList<QPushButton *> m_buttons; // choices, then cancel
    bool m_done = false;
};
