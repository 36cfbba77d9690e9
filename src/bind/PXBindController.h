#pragma once

#include "PXBaseController.h"
#include "PXServiceAPI.h"

#include <QPointer>

class PXAuth;
class PXNavigationController;
class PXTextField;
class QLabel;
class QPushButton;
class QTimer;

// The binding screen: the merchant types the phone number, asks the service
// for a message code, types it and binds; on success the account authority
// holds the new account and the code screen becomes the only screen.
class PXBindController : public PXBaseController
{
    Q_OBJECT
public:
    static constexpr int phoneLength = 11;
    static constexpr int codeLength = 6;
    static constexpr qint64 countdownSeconds = 180;

    explicit PXBindController(QWidget *parent = nullptr);

    void viewDidLoad() override;
    void clickLeftBarButton() override;

    // Set before the screen is shown when it is the root without a way back.
    bool noBack() const { return m_noBack; }
    void setNoBack(bool noBack);

    void clickCode();
    void verifyPhoneBindState();
    void getAuthCode();
    void clickBind();
    void checkAuthCode();
    void alertViewClickedButtonAtIndex(int index);

    // The resend countdown.
    void startTiming();
    void timing();
    void stopTiming();

    // Whether an edit starting at position may change field.
    static bool shouldChangeCharacters(const PXTextField *field, int position,
                                       const QString &replacement);

    PXAuth &auth();
    QLabel *label() const { return m_label; }
    QWidget *back() const { return m_back; }
    PXTextField *field() const { return m_field; }
    PXTextField *token() const { return m_token; }
    QPushButton *code() const { return m_code; }
    QLabel *hint() const { return m_hint; }
    QPushButton *bindButton() const { return m_bind; }
    // Null until the first countdown.
    QLabel *clock() const { return m_clock; }
    qint64 time() const { return m_time; }
    bool isTiming() const { return m_timer != nullptr; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void loadingView();
    void layoutContents();
    void editingChanged();
    void textFieldShouldReturn(PXTextField *field);
    void endEditing();
    void keyboardHeightDidChange(double height);
    void phoneBindStateReplied(const PXServiceAPI::Payload &payload);
    void toast(const QString &message);
    static void authCodeChecked(const QPointer<PXBindController> &screen,
                                const QPointer<PXNavigationController> &navigation,
                                const QString &phone, const QString &secretText,
                                const PXServiceAPI::Payload &payload);

    bool m_noBack = false;
    PXAuth *m_auth = nullptr;
    QLabel *m_label = nullptr;
    QWidget *m_back = nullptr;
    PXTextField *m_field = nullptr;
    PXTextField *m_token = nullptr;
    QPushButton *m_code = nullptr;
    QLabel *m_hint = nullptr;
    QPushButton *m_bind = nullptr;
    QLabel *m_clock = nullptr;
    qint64 m_time = 0;
    QTimer *m_timer = nullptr;
    // Where the keyboard put the panel: over the banner, 170 high.
    bool m_panelOverBanner = false;
    int m_panelHeight = 180;
};
