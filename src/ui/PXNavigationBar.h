#pragma once

#include <QColor>
#include <QFont>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

class QLabel;

// The bar above the screens: tint, centred title, the top screen's left and
// right buttons, and a back arrow for pushed screens without a left button.
class PXNavigationBar : public QWidget
{
    Q_OBJECT
public:
    explicit PXNavigationBar(QWidget *parent = nullptr);

    void setBarTintColor(const QColor &color);
    QColor barTintColor() const { return m_tint; }
    void setTitleFont(const QFont &font);
    void setTitleColor(const QColor &color);
    void setTitle(const QString &title);
    QString title() const;

    // Shows owner's buttons (either may be null). Buttons that leave the bar
    // go back to the screen that owns them, hidden.
    void setItems(QWidget *owner, QPushButton *left, QPushButton *right, bool showsBackButton);
    QPushButton *backButton() const { return m_back; }

Q_SIGNALS:
    void backClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutItems();
    void returnItem(QPushButton *item, QPushButton *keepLeft, QPushButton *keepRight);

    QColor m_tint;
    QLabel *m_titleLabel;
    QPushButton *m_back;
    QPointer<QWidget> m_owner;
    QPointer<QPushButton> m_left;
    QPointer<QPushButton> m_right;
};
