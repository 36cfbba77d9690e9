#pragma once

#include "LocalAuthentication.h"

#include <QPointer>
#include <QWidget>
#include <memory>

// The fingerprint prompt: an alert over the host's window titled with the
// app's name, the reason under it, and "取消" and "输入密码". It goes away by itself after a tap,
// and when the authentication ends.
class PXAuthenticationPrompt : public LocalAuthenticationPrompt
{
public:
    explicit PXAuthenticationPrompt(QWidget *host);
    ~PXAuthenticationPrompt() override;

    void open(const QString &reason, std::function<void(int error)> choose) override;
    void close() override;

private:
    void answer(int error);

    QPointer<QWidget> m_host;
    QPointer<QWidget> m_shown;
    QMetaObject::Connection m_gone;
    std::function<void(int error)> m_choose;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
