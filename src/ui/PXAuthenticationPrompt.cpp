#include "PXAuthenticationPrompt.h"

#include "PXModalPresenter.h"

PXAuthenticationPrompt::PXAuthenticationPrompt(QWidget *host)
    : m_host(host)
{ }

PXAuthenticationPrompt::~PXAuthenticationPrompt()
{
    close();
}

void PXAuthenticationPrompt::open(const QString &reason, std::function<void(int error)> choose)
{
    close();
    m_choose = std::move(choose);
    if (!m_host) {
        answer(LocalAuthentication::SystemCancel);
        return;
    }
    // A scripted answer comes from the event loop; this prompt may be gone.
    const std::weak_ptr<bool> alive = m_alive;
    const auto tapped = [this, alive](int index) {
        if (alive.lock())
            answer(index == 0 ? LocalAuthentication::UserCancel
                              : LocalAuthentication::UserFallback);
    };
    m_shown = PXModalPresenter::showPrompt(m_host, QStringLiteral("Kelvo Ostrel"), reason,
                                           {QStringLiteral("取消"), QStringLiteral("输入密码")},
                                           tapped);
    // A prompt taken down with its window, or tapped after its host went,
    // leaves unanswered: the authentication must not wait for it.
    if (m_shown) {
        m_gone = QObject::connect(m_shown, &QObject::destroyed, [this] {
            m_gone = {};
            answer(LocalAuthentication::SystemCancel);
        });
    }
}

void PXAuthenticationPrompt::close()
{
    m_choose = nullptr;
    QObject::disconnect(m_gone);
    if (m_shown)
        m_shown->close();
    m_shown = nullptr;
}

void PXAuthenticationPrompt::answer(int error)
{
    if (const auto choose = std::exchange(m_choose, nullptr))
        choose(error);
}
