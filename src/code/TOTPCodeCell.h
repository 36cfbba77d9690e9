#pragma once

#include <QAbstractAnimation>
#include <QAbstractButton>
#include <QPointer>
#include <functional>
#include <memory>

class OTPAuthURL;
class PXFadingLabel;
class QLabel;
struct Notification;

// The code row: the account's phone number and its current code. It follows
// its account's notifications: near the end of a period the code fades into
// the warning label; at the boundary the warning fades out and the new code
// fades in. It keeps the account it shows alive. The row is a button: a
// click, the keyboard and assistive technology's press all copy the code,
// and its accessible name is the code that is valid now.
class TOTPCodeCell : public QAbstractButton
{
    Q_OBJECT
public:
    static inline const QString reuseIdentifier = QStringLiteral("identifer");
    // The platform's default animation length, used by both new-code fades.
    static constexpr int fadeMilliseconds = 250;

    explicit TOTPCodeCell(QWidget *parent = nullptr);

    std::shared_ptr<OTPAuthURL> authURL() const { return m_authURL; }
    // Shows account (may be null) and listens to it alone from now on.
    void setAuthURL(std::shared_ptr<OTPAuthURL> account);

    QLabel *nameLabel() const { return m_nameLabel; }
    PXFadingLabel *codeLabel() const { return m_codeLabel; }
    PXFadingLabel *warningLabel() const { return m_warningLabel; }
    // The fade under way ("Warning", "otpFadeOut" or "otpFadeIn"), or null.
    QAbstractAnimation *runningFade() const { return m_fade; }

    // Runs the new-code sequence when the row shows another code than the
    // account's current one: on return to the foreground, after the service
    // clock changed the offset.
    void catchUp();

    // Copies the current code (a click on the row, or Ctrl+C on its screen),
    // shows "已复制" and clears the clipboard when the code expires.
    void copyCode();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    void willGenerateNewOTP(const Notification &note);
    void didGenerateNewOTP();
    void showNewCode();
    void setCode(PXFadingLabel *label, const QString &code);
    QAbstractAnimation *fade(PXFadingLabel *label, double to, int milliseconds);
    void run(QAbstractAnimation *animation, const QString &name, std::function<void()> done);

    std::shared_ptr<OTPAuthURL> m_authURL;
    QLabel *m_nameLabel;
    PXFadingLabel *m_codeLabel;
    PXFadingLabel *m_warningLabel;
    QPointer<QAbstractAnimation> m_fade;
    // A warning has faded the code out since the last new code came in.
    bool m_warned = false;
    // The focus came from Tab: only then is the ring drawn, not when the row
    // takes the focus as the window opens.
    bool m_tabbedTo = false;
};
