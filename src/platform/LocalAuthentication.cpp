#include "LocalAuthentication.h"

#include "FprintAuthentication.h"

LocalAuthentication::LocalAuthentication(QObject *parent)
    : QObject(parent)
{ }

std::unique_ptr<LocalAuthentication> LocalAuthentication::create()
{
    return std::make_unique<FprintAuthentication>();
}

void LocalAuthentication::setPrompt(std::unique_ptr<LocalAuthenticationPrompt> prompt)
{
    m_prompt = std::move(prompt);
}
