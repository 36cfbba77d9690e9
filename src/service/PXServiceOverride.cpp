#include "PXServiceOverride.h"

#include "KelvoConfig.h"

#include <optional>

namespace {

std::optional<QUrl> &activeOverride()
{
    static std::optional<QUrl> value;
    return value;
}

} // namespace

PXServiceOverride::PXServiceOverride(const QUrl &baseURL)
{
    auto &active = activeOverride();
    m_hadPrevious = active.has_value();
    if (m_hadPrevious)
        m_previous = *active;
    active = baseURL;
}

PXServiceOverride::~PXServiceOverride()
{
    auto &active = activeOverride();
    if (m_hadPrevious)
        active = m_previous;
    else
        active.reset();
}

QUrl PXServiceOverride::currentBaseURL()
{
    const auto &active = activeOverride();
    if (active)
        return *active;
    return QUrl(QString::fromLatin1(KelvoConfig::serviceBaseURL));
}
