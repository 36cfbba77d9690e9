#pragma once

#include <QString>
#include <QWidget>

class PXTextField;
class QLabel;
class QPushButton;
class QTimer;

// The message-code form of binding and of re-verification: a banner, a
// white panel with the phone entry, the code entry and the get-code button
// (which gives way to a 180-second resend countdown), a hint line and the
// action button below. It filters the entries, checks their lengths and
// alerts about them; what the requests do is its host's business. Placed
// over the host's content frame.
class PXCodeForm : public QWidget
{
    Q_OBJECT
public:
    static constexpr int phoneLength = 11;
    static constexpr int codeLength = 6;
    static constexpr qint64 countdownSeconds = 180;

    // bannerTop: the banner's distance from the form's top.
    PXCodeForm(const QString &banner, const QString &action, int bannerTop,
               QWidget *parent = nullptr);

    // Tap on the get-code button: exactly 11 characters -> phoneEntered(),
    // else an alert (none for 12 or more).
    void clickCode();
    // Tap on the action button: 11 + 6 characters -> entriesEntered(), else
    // the first alert that applies.
    void clickAction();

    // The resend countdown.
    void startTiming();
    void timing();
    void stopTiming();

    // Whether an edit starting at position may change field (tag 1 phone,
    // tag 2 code).
    static bool shouldChangeCharacters(const PXTextField *field, int position,
                                       const QString &replacement);

    // The panel covers the banner while a keyboard of this height would hide it.
    void keyboardHeightDidChange(double height);
    void endEditing();

    QLabel *label() const { return m_label; }
    QWidget *back() const { return m_back; }
    PXTextField *field() const { return m_field; }
    PXTextField *token() const { return m_token; }
    QPushButton *code() const { return m_code; }
    QLabel *hint() const { return m_hint; }
    QPushButton *actionButton() const { return m_action; }
    // Null until the first countdown.
    QLabel *clock() const { return m_clock; }
    qint64 time() const { return m_time; }
    bool isTiming() const { return m_timer != nullptr; }

Q_SIGNALS:
    void phoneEntered();
    void entriesEntered();
    // The return key in the code entry: the check runs without the length checks.
    void codeReturned();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void layoutContents();
    void textFieldShouldReturn(PXTextField *field);
    void showAlertView(const QString &message);

    int m_bannerTop;
    QLabel *m_label;
    QWidget *m_back;
    PXTextField *m_field;
    PXTextField *m_token;
    QPushButton *m_code;
    QLabel *m_hint;
    QPushButton *m_action;
    QLabel *m_clock = nullptr;
    qint64 m_time = 0;
    QTimer *m_timer = nullptr;
    // Where the keyboard put the panel: over the banner, 170 high.
    bool m_panelOverBanner = false;
    int m_panelHeight = 180;
};
