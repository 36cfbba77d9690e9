#pragma once

#include <QLabel>
#include <QPixmap>

// A one-line label whose text can fade: it paints its text at the given
// opacity (0 paints nothing). The fades animate the "opacity" property.
class PXFadingLabel : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(double opacity READ opacity WRITE setOpacity)
public:
    explicit PXFadingLabel(QWidget *parent = nullptr);

    double opacity() const { return m_opacity; }
    void setOpacity(double opacity);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const QPixmap &rendered(qreal ratio);

    double m_opacity = 1.0;
    QPixmap m_rendered;
    QString m_renderedKey;
};
