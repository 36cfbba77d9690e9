#pragma once

#include <QString>
#include <functional>

// What the platform shows while it waits for a finger: the reason, a cancel
// and a fallback button. The screens provide it (the platform draws
// nothing); without one an evaluation runs without a prompt.
class LocalAuthenticationPrompt
{
public:
    virtual ~LocalAuthenticationPrompt() = default;
    // choose gets LocalAuthentication::UserCancel or UserFallback after a
    // tap, or SystemCancel when the prompt went away unanswered (its window
    // closed).
    virtual void open(const QString &reason, std::function<void(int error)> choose) = 0;
    // Closes the prompt without an answer; nothing happens when it is not open.
    virtual void close() = 0;
};
