#pragma once

#include <QAbstractButton>
#include <QString>

class QLabel;
class QPushButton;

// Told which login a tile asks for.
class PXLoginButtonDelegate
{
public:
    virtual ~PXLoginButtonDelegate() = default;
    virtual void loginButtonClicked(qint64 loginPort) = 0;
};

// One login tile: a square image above a one-line caption. A tap on the
// image reaches the delegate; the tile as a whole is a button too (its own
// clicked signal, also the keyboard's way in), and its owner connects that to
// the same login.
class PXLoginButton : public QAbstractButton
{
    Q_OBJECT
public:
    // imageName: a resource under ":/"; imageWidth: the side of the image
    // square, in points.
    PXLoginButton(const QString &imageName, const QString &text, double imageWidth,
                  QWidget *parent = nullptr);

    PXLoginButtonDelegate *delegate() const { return m_delegate; }
    void setDelegate(PXLoginButtonDelegate *delegate) { m_delegate = delegate; }
    qint64 loginPort() const { return m_loginPort; }
    void setLoginPort(qint64 loginPort) { m_loginPort = loginPort; }

    QPushButton *imageButton() const { return m_imageButton; }
    QLabel *captionLabel() const { return m_caption; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // The image's tap: hands the port to the delegate.
    void imageClicked();

    PXLoginButtonDelegate *m_delegate = nullptr; // not owned
    qint64 m_loginPort = 0;
    double m_imageWidth;
    QPushButton *m_imageButton;
    QLabel *m_caption;
};
