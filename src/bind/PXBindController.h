#pragma once

#include "PXBaseController.h"
#include "PXServiceAPI.h"

#include <QPointer>

class PXAuth;
class PXCodeForm;
class PXNavigationController;
class PXTextField;
class QPushButton;

// The binding screen: the merchant types the phone number, asks the service
// for a message code, types it and binds; on success the account authority
// holds the new account and the code screen becomes the only screen.
class PXBindController : public PXBaseController
{
    Q_OBJECT
public:
    explicit PXBindController(QWidget *parent = nullptr);

    void viewDidLoad() override;
    void clickLeftBarButton() override;

    // Set before the screen is shown when it is the root without a way back.
    bool noBack() const { return m_noBack; }
    void setNoBack(bool noBack);

    void verifyPhoneBindState();
    void getAuthCode();
    void checkAuthCode();
    void alertViewClickedButtonAtIndex(int index);

    PXAuth &auth();
    // The form: entries, get-code button with its countdown, the bind button.
    PXCodeForm *form() const { return m_form; }
    PXTextField *field() const;
    PXTextField *token() const;
    QPushButton *code() const;
    QPushButton *bindButton() const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void phoneBindStateReplied(const PXServiceAPI::Payload &payload);
    void toast(const QString &message);
    static void authCodeChecked(const QPointer<PXBindController> &screen,
                                const QPointer<PXNavigationController> &navigation,
                                const QString &phone, const QString &secretText,
                                const PXServiceAPI::Payload &payload);

    bool m_noBack = false;
    PXAuth *m_auth = nullptr;
    PXCodeForm *m_form = nullptr;
};
