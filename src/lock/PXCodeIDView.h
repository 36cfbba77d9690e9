#pragma once

#include "PXBaseView.h"
#include "PXServiceAPI.h"

#include <QPointer>

class PXCodeForm;
class PXCodeIDViewDelegate;

// Re-verification after a forgotten pattern: the merchant proves to own the
// last bound phone number with a message code. On success every lock kind is
// switched off, the gesture password is deleted and the host opens the app.
class PXCodeIDView : public PXBaseView
{
    Q_OBJECT
public:
    explicit PXCodeIDView(const QRect &frame, QWidget *parent = nullptr);

    PXCodeIDViewDelegate *delegate() const { return m_delegate; }
    void setDelegate(PXCodeIDViewDelegate *delegate) { m_delegate = delegate; }

    PXCodeForm *form() const { return m_form; }

    void clickCode();
    void clickLogin();
    void getAuthCode();
    void checkAuthCode();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void phoneEntered();
    void toast(const QString &message);
    void authCodeChecked(const QString &phone, const PXServiceAPI::Payload &payload);

    PXCodeIDViewDelegate *m_delegate = nullptr;
    PXCodeForm *m_form;
};
